#pragma once

#include <QDialog>
#include <QString>

#include "exchange/iaga2002.h"
#include "exchange/textexport.h"

class QComboBox;
class QLineEdit;

namespace kordel {

// What File > Export... writes: the format, the interval of the values and how
// they are made, the
// whole record or the visible window, the instrument clock's offset from UT
// and the station's fields for the IAGA-2002 header (and the pictures' title).
struct ExportChoice {
    enum class Format { Iaga2002, Csv, Png, Svg, Pdf };
    Format format = Format::Iaga2002;
    ExportInterval interval = ExportInterval::Native;
    // Seconds and minutes: the standard filters, or plain means.
    ExportFilter filter = ExportFilter::Standard;
    bool visibleOnly = false;
    QString utcOffset = QStringLiteral("+00:00");
    IagaStation station{{}, {}, "XXX", {}, {}, {}};
};

}  // namespace kordel

// The export dialog, filled with the current choice. It only returns what was
// chosen; the exporter checks it and writes.
class TExportDialog : public QDialog {
    Q_OBJECT
public:
    explicit TExportDialog(const kordel::ExportChoice& current, QWidget* parent = nullptr);
    kordel::ExportChoice settings() const;

    QComboBox* Format = nullptr;
    QComboBox* Interval = nullptr;
    QComboBox* Filter = nullptr;
    QComboBox* Range = nullptr;
    QLineEdit* UtcOffset = nullptr;
    QLineEdit* StationCode = nullptr;
    QLineEdit* StationName = nullptr;
    QLineEdit* Source = nullptr;
    QLineEdit* Latitude = nullptr;
    QLineEdit* Longitude = nullptr;
    QLineEdit* Elevation = nullptr;
};
