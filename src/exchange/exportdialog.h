#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <optional>

#include "exchange/iaga2002.h"
#include "exchange/textexport.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

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

// What the proposed file name is made of: the folder of the shown record and
// the times (ms since 30 December 1899, the instrument's clock) of the whole
// record and of the visible window.
struct ExportNaming {
    QString folder;
    std::int64_t wholeFromMs = 0;
    std::int64_t wholeToMs = 0;
    std::int64_t windowFromMs = 0;
    std::int64_t windowToMs = 0;
};

}  // namespace kordel

// The export dialog, filled with the current choice. It only returns what was
// chosen; the exporter checks it and writes.
class TExportDialog : public QDialog {
    Q_OBJECT
public:
    explicit TExportDialog(const kordel::ExportChoice& current, QWidget* parent = nullptr);
    kordel::ExportChoice settings() const;

    // Fills the file field with the proposed name, which follows the code, the
    // format, the interval, the range and the offset until a name is typed.
    void proposeName(const kordel::ExportNaming& naming);
    // The file to write: the typed or proposed name with the format's
    // extension added when it has none; empty when the field is.
    QString filePath() const;

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
    QLineEdit* FileName = nullptr;
    QPushButton* Browse = nullptr;
    QLabel* FileNote = nullptr;  // why the name's extension and the format differ

private:
    void updateProposal();
    // A typed extension of a known format chooses that format (and an IAGA-2002
    // interval its interval); a chosen format gives a typed name its extension.
    void takeFormatFromName();
    void giveNameTheFormat();
    void updateNote();

    std::optional<kordel::ExportNaming> naming_;
    bool nameTyped_ = false;
    bool settling_ = false;  // the name and the format are being made to agree
};
