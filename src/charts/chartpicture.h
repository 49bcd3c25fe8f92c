#pragma once
// A picture of a record's channels, stacked as the window draws them: a title
// line, then one chart per channel, each with the look of the window's charts
// and drawing the record's envelope for the time range. Rendered off screen
// to a PNG image, an SVG drawing or a one-page PDF.

#include <QSize>
#include <QString>
#include <cstddef>
#include <memory>
#include <vector>

#include "exchange/textexport.h"
#include "record/record.h"

class QCPPainter;

namespace kordel {

enum class PictureFormat { Png, Svg, Pdf };

struct PictureRequest {
    std::shared_ptr<const Record> record;
    // The record's channels drawn, top to bottom.
    std::vector<std::size_t> channels;
    // Charts take the window's captions ("Bx, nT") for the data files' own
    // channels; other records' channels are captioned by name and unit.
    bool ownCaptions = false;
    QString title;
    double fromDay = 0;  // time numbers (days) of the range shown
    double toDay = 0;
    QSize size{1200, 900};
};

// The picture of an export: the record in UT (the clock's offset taken off),
// its shown channels (Bx, By, Bz, Ts, Te; or the four elements of an IAGA-2002
// record, `elements` not empty), the settings' time range or the whole
// record, and a title naming the station and the UT range.
PictureRequest pictureOf(Record record, const std::string& elements, const ExportSettings& settings, QSize size);

// Draws the picture on `painter`, whose device is at least `request.size`.
void paintChartPicture(QCPPainter& painter, const PictureRequest& request);

// Writes the picture; an error message, or empty when written.
QString writeChartPicture(const PictureRequest& request, PictureFormat format, const QString& path);

}  // namespace kordel
