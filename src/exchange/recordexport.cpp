#include "exchange/recordexport.h"

#include <QAction>
#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QSize>
#include <algorithm>
#include <cmath>
#include <new>

#include "app/dialogs.h"
#include "app/programcommandline.h"
#include "app/settingsstore.h"
#include "charts/chartpicture.h"
#include "exchange/exportarguments.h"
#include "record/record.h"

namespace kordel {

namespace {

const QString kSection = QStringLiteral("Export");

struct FormatInfo {
    ExportChoice::Format format;
    const char* key;     // in the settings file
    const char* filter;  // of the file dialog
};

constexpr FormatInfo kFormats[] = {
    {ExportChoice::Format::Iaga2002, "iaga2002", "IAGA-2002 (*.sec *.min *.hor *.day *.txt)"},
    {ExportChoice::Format::Csv, "csv", "CSV (*.csv)"},
    {ExportChoice::Format::Png, "png", "PNG picture (*.png)"},
    {ExportChoice::Format::Svg, "svg", "SVG picture (*.svg)"},
    {ExportChoice::Format::Pdf, "pdf", "PDF (*.pdf)"},
};

const FormatInfo& infoOf(ExportChoice::Format f) {
    return *std::find_if(std::begin(kFormats), std::end(kFormats), [f](const FormatInfo& i) { return i.format == f; });
}

constexpr const char* kIntervals[] = {"native", "second", "minute", "hour", "day"};
constexpr const char* kFilters[] = {"standard", "mean"};

bool validNumber(const std::string& text) {
    if (text.empty()) return true;
    bool ok = false;
    QString::fromStdString(text).toDouble(&ok);
    return ok;
}

std::int64_t toMs(double day) { return static_cast<std::int64_t>(std::llround(day * Record::kMsPerDay)); }

}  // namespace

RecordExport::RecordExport(QWidget* mainWindow, ViewSource view, LogSink log)
    : Capability(mainWindow),
      mainWindow_(mainWindow),
      view_(std::move(view)),
      log_(std::move(log)),
      action_(new QAction(QStringLiteral("Export..."), this)) {
    setObjectName(QStringLiteral("RecordExport"));
    action_->setObjectName(QStringLiteral("Export1"));
    connect(action_, &QAction::triggered, this, &RecordExport::exportRecord);
}

void RecordExport::exportRecord() {
    TExportDialog dialog(choice_, mainWindow_);
    dialog.proposeName(naming());
    if (dialog.exec() != QDialog::Accepted) return;
    choice_ = dialog.settings();
    const QString path = dialog.filePath();
    if (path.isEmpty()) {
        dialogs().error(mainWindow_, QStringLiteral("Nothing exported: no file was named."));
        return;
    }
    QString error;
    try {
        error = exportTo(choice_, path);
    } catch (const std::bad_alloc&) {
        error = QStringLiteral("Not enough memory for the export. Export the visible window only, or a coarser interval.");
    }
    reportWritten(path, error);
    if (!error.isEmpty()) dialogs().error(mainWindow_, error);
}

ExportNaming RecordExport::naming() const {
    const View view = view_ ? view_() : View{};
    ExportNaming n;
    const QFileInfo shown(view.file);
    // A record shown from a file proposes its folder; nothing shown, or a live
    // record named only by its daily file, the working directory.
    if (!view.file.isEmpty() && shown.isAbsolute()) {
        n.folder = shown.isDir() ? shown.absoluteFilePath() : shown.absolutePath();
    } else {
        n.folder = QDir::currentPath();
    }
    if (view.record && !view.record->empty()) {
        n.wholeFromMs = view.record->timeMs(0);
        n.wholeToMs = view.record->timeMs(view.record->size() - 1);
    }
    n.windowFromMs = toMs(view.fromDay);
    n.windowToMs = toMs(view.toDay);
    return n;
}

void RecordExport::reportWritten(const QString& path, const QString& error) {
    // A file that holds only part of what was asked is still written: it is
    // named, and the message box says what it lacks.
    const bool written = error.isEmpty() || error.contains(QStringLiteral("sample(s) not exported"));
    const QString text = written ? QStringLiteral("Exported to ") + QDir::toNativeSeparators(path)
                                 : QStringLiteral("Export failed: ") + error;
    setStatusText(text);
    if (log_) log_(text);
}

QString RecordExport::exportTo(const ExportChoice& choice, const QString& path) const {
    const View view = view_ ? view_() : View{};
    if (view.record == nullptr || view.record->empty()) return QStringLiteral("There is no record to export.");
    const auto offset = parseUtcOffset(choice.utcOffset.toStdString());
    if (!offset) return QStringLiteral("The UTC offset needs +HH:MM or -HH:MM.");
    if (!isIagaCode(choice.station.code)) return QStringLiteral("The IAGA code needs three letters.");
    if (!validNumber(choice.station.latitude) || !validNumber(choice.station.longitude) ||
        !validNumber(choice.station.elevation)) {
        return QStringLiteral("Latitude, longitude and elevation need numbers.");
    }
    ExportSettings s;
    s.interval = choice.interval;
    s.filter = choice.filter;
    s.utcOffsetMs = *offset;
    s.station = choice.station;
    s.programName = "kordel";
    s.programVersion = programVersion().toStdString();
    s.levelText = view.levelText;
    if (choice.visibleOnly) {
        // The window is in the instrument's clock; the export's range is UT.
        s.fromMs = toMs(view.fromDay) - *offset;
        s.toMs = toMs(view.toDay) - *offset + 1;  // the window's right edge is shown, so included
    }
    // A record read from IAGA-2002 files holds the file's four elements.
    std::string elements;
    if (!view.record->findChannel("Bx") && view.record->channelCount() == 4) {
        for (std::size_t c = 0; c < 4; ++c) elements += view.record->channel(c).name;
    }
    if (const std::string nothing = noSamplesSelected(*view.record, s); !nothing.empty()) {
        return QStringLiteral("Nothing exported: %1.").arg(QString::fromStdString(nothing));
    }
    const auto picture = [&](PictureFormat f) {
        // The picture is what the charts show: their channels, captions,
        // value windows and size. Without the charts' state (a caller that
        // has none), the export's own choice of channels, values fitted.
        if (view.charts) {
            return writeChartPicture(pictureOfView(view.record, *view.charts, choice.visibleOnly, s), f, path);
        }
        return writeChartPicture(pictureOf(*view.record, elements, s, QSize(1200, 900)), f, path);
    };
    switch (choice.format) {
    case ExportChoice::Format::Png: return picture(PictureFormat::Png);
    case ExportChoice::Format::Svg: return picture(PictureFormat::Svg);
    case ExportChoice::Format::Pdf: return picture(PictureFormat::Pdf);
    case ExportChoice::Format::Iaga2002:
    case ExportChoice::Format::Csv: break;
    }
    s.format = choice.format == ExportChoice::Format::Csv ? ExportFormat::Csv : ExportFormat::Iaga2002;
    const TextExport ex(*view.record, elements, s);
    if (const std::string why = ex.unsupportedInterval(); !why.empty()) {
        return QStringLiteral("The values cannot be made: %1.").arg(QString::fromStdString(why));
    }
    if (const std::string nothing = ex.nothingToWrite(); !nothing.empty()) {
        return QStringLiteral("Nothing exported: %1.").arg(QString::fromStdString(nothing));
    }
    const IoStatus written = writeExportFile(ex, ex.whole(), QFile::encodeName(path).toStdString());
    if (!written) return QString::fromStdString(written.message());
    if (const std::size_t n = ex.samplesOutsideYears(); n > 0) {
        return QStringLiteral("%1 sample(s) not exported: the UTC offset %2 moves them outside the years 1 to 9999.")
            .arg(n)
            .arg(choice.utcOffset);
    }
    return {};
}

void RecordExport::restoreSettings(const SettingsStore& store) {
    const auto get = [&](const char* key) { return store.value(kSection, QString::fromLatin1(key)); };
    if (const auto f = get("Format")) {
        for (const FormatInfo& i : kFormats) {
            if (*f == QLatin1String(i.key)) choice_.format = i.format;
        }
    }
    if (const auto v = get("Interval")) {
        for (int i = 0; i < 5; ++i) {
            if (*v == QLatin1String(kIntervals[i])) choice_.interval = static_cast<ExportInterval>(i);
        }
    }
    if (const auto v = get("Filter")) {
        for (int i = 0; i < 2; ++i) {
            if (*v == QLatin1String(kFilters[i])) choice_.filter = static_cast<ExportFilter>(i);
        }
    }
    if (const auto v = get("Range")) choice_.visibleOnly = *v == QLatin1String("window");
    if (const auto v = get("UtcOffset")) choice_.utcOffset = *v;
    const std::pair<const char*, std::string*> fields[] = {
        {"StationCode", &choice_.station.code},   {"StationName", &choice_.station.name},
        {"Source", &choice_.station.source},      {"Latitude", &choice_.station.latitude},
        {"Longitude", &choice_.station.longitude}, {"Elevation", &choice_.station.elevation},
    };
    for (const auto& [key, field] : fields) {
        if (const auto v = get(key)) *field = v->toStdString();
    }
}

void RecordExport::saveSettings(SettingsStore& store) const {
    const auto set = [&](const char* key, const QString& value) { store.setValue(kSection, QString::fromLatin1(key), value); };
    set("Format", QString::fromLatin1(infoOf(choice_.format).key));
    set("Interval", QString::fromLatin1(kIntervals[static_cast<int>(choice_.interval)]));
    set("Filter", QString::fromLatin1(kFilters[static_cast<int>(choice_.filter)]));
    set("Range", choice_.visibleOnly ? QStringLiteral("window") : QStringLiteral("whole"));
    set("UtcOffset", choice_.utcOffset);
    set("StationCode", QString::fromStdString(choice_.station.code));
    set("StationName", QString::fromStdString(choice_.station.name));
    set("Source", QString::fromStdString(choice_.station.source));
    set("Latitude", QString::fromStdString(choice_.station.latitude));
    set("Longitude", QString::fromStdString(choice_.station.longitude));
    set("Elevation", QString::fromStdString(choice_.station.elevation));
}

}  // namespace kordel
