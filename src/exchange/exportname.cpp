#include "exchange/exportname.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>

#include "record/record.h"

namespace kordel {

namespace {

QString utDate(std::int64_t ms) {
    const std::int64_t day = ms >= 0 ? ms / Record::kMsPerDay : -((-ms + Record::kMsPerDay - 1) / Record::kMsPerDay);
    return QDate(1899, 12, 30).addDays(day).toString(QStringLiteral("yyyyMMdd"));
}

// The extension of the name part of `typed` (not of a folder with a dot in it).
QString typedExtension(const QString& typed) { return QFileInfo(typed.trimmed()).suffix(); }

}  // namespace

QString exportExtension(ExportChoice::Format format, ExportInterval interval) {
    using F = ExportChoice::Format;
    switch (format) {
    case F::Csv: return QStringLiteral("csv");
    case F::Png: return QStringLiteral("png");
    case F::Svg: return QStringLiteral("svg");
    case F::Pdf: return QStringLiteral("pdf");
    case F::Iaga2002: break;
    }
    switch (interval) {
    case ExportInterval::Minute: return QStringLiteral("min");
    case ExportInterval::Hour: return QStringLiteral("hor");
    case ExportInterval::Day: return QStringLiteral("day");
    case ExportInterval::Native:
    case ExportInterval::Second: break;
    }
    return QStringLiteral("sec");
}

std::optional<ExportChoice::Format> formatOfExtension(const QString& extension) {
    using F = ExportChoice::Format;
    const QString e = extension.toLower();
    if (e == QLatin1String("csv")) return F::Csv;
    if (e == QLatin1String("png")) return F::Png;
    if (e == QLatin1String("svg")) return F::Svg;
    if (e == QLatin1String("pdf")) return F::Pdf;
    for (const char* iaga : {"sec", "min", "hor", "day", "txt"}) {
        if (e == QLatin1String(iaga)) return F::Iaga2002;
    }
    return std::nullopt;
}

QString proposedExportName(const QString& folder, const std::string& code, std::int64_t fromMs, std::int64_t toMs,
                           ExportChoice::Format format, ExportInterval interval) {
    const QString first = utDate(fromMs);
    const QString last = utDate(std::max(fromMs, toMs));
    QString name = QString::fromStdString(code).toLower() + first;
    if (last != first) {
        name += QLatin1Char('-') + last;
    }
    name += QLatin1Char('.') + exportExtension(format, interval);
    return folder.isEmpty() ? name : QDir(folder).filePath(name);
}

QString completedExportPath(const QString& typed, ExportChoice::Format format, ExportInterval interval) {
    QString path = typed.trimmed();
    if (path.isEmpty()) {
        return path;
    }
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/"))) {
        path = QDir::homePath() + path.mid(1);
    }
    if (typedExtension(path).isEmpty() && !path.endsWith(QLatin1Char('/'))) {
        if (!path.endsWith(QLatin1Char('.'))) {
            path += QLatin1Char('.');
        }
        path += exportExtension(format, interval);
    }
    return path;
}

QString extensionMismatch(const QString& typed, ExportChoice::Format format, ExportInterval interval) {
    const QString extension = typedExtension(typed);
    if (extension.isEmpty()) {
        return {};
    }
    const auto named = formatOfExtension(extension);
    if (!named) {
        return QStringLiteral("No format uses .%1; the file is written as %2 all the same.")
            .arg(extension, exportExtension(format, interval).toUpper());
    }
    if (*named != format) {
        return QStringLiteral(".%1 is not the chosen format's extension (.%2).")
            .arg(extension, exportExtension(format, interval));
    }
    return {};
}

}  // namespace kordel
