#pragma once
// A picture of a record's channels, stacked as the window draws them: a title
// line, then one chart per channel, each with the look of the window's charts
// and drawing the record's envelope for the time range. Rendered off screen
// to a PNG image, an SVG drawing or a one-page PDF.

#include <QSize>
#include <QString>
#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

#include "charts/chartlogic.h"
#include "exchange/textexport.h"
#include "record/record.h"

class QCPPainter;
class QImage;

namespace kordel {

enum class PictureFormat { Png, Svg, Pdf };

// One chart of a picture.
struct PictureChart {
    std::size_t channel = 0;  // the record's channel drawn
    int look = 0;             // drawn as the window's chart of that place (0 to 5): its labels and caption
    QString caption;          // the value axis's title; empty: the look's own ("Bx, nT")
    // The value window (as the window's value axis gives it); none: it fits
    // what the time range shows, as "Auto Y" fits it.
    std::optional<AxisRange> values;
    int height = 0;  // pixels at the picture's own size; 0 for an equal share
};

struct PictureRequest {
    std::shared_ptr<const Record> record;
    std::vector<PictureChart> charts;  // top to bottom
    QString title;
    double fromDay = 0;  // time numbers (days) of the range shown
    double toDay = 0;
    QString timeReference;  // named under the lowest time axis: "UT", "instrument clock"
    QSize size{1200, 900};
};

// The height of the picture's title line, pixels.
int pictureTitleHeight();

// The value window "Auto Y" gives a channel over a time range: what the
// samples there span, with the zoom bar's margins; none when there are none.
std::optional<AxisRange> fittedValueWindow(const Record& record, std::size_t channel, double fromDay, double toDay);

// The picture of an export: the record in UT (the clock's offset taken off),
// its shown channels (Bx, By, Bz, Ts, Te; or the four elements of an IAGA-2002
// record, `elements` not empty), the settings' time range or the whole
// record, each value window fitting what it shows, and a title naming the
// station and the UT range.
PictureRequest pictureOf(Record record, const std::string& elements, const ExportSettings& settings, QSize size);

// The picture of what the window's charts show: the same charts, captions,
// heights, value windows and time window (`visibleOnly`; otherwise the whole
// record, values fitted), at the charts' own size below the title unless
// `size` is valid. With a UTC offset the times are UT, and so named.
struct ChartViewState;
PictureRequest pictureOfView(const std::shared_ptr<const Record>& record, const ChartViewState& state,
                             bool visibleOnly, const ExportSettings& settings, QSize size = {});

// The picture drawn in memory at its size (96 dots per inch).
QImage chartPictureImage(const PictureRequest& request);

// Draws the picture on `painter`, whose device is at least `request.size`.
void paintChartPicture(QCPPainter& painter, const PictureRequest& request);

// Writes the picture; an error message, or empty when written.
QString writeChartPicture(const PictureRequest& request, PictureFormat format, const QString& path);

}  // namespace kordel
