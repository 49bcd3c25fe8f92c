#pragma once
// The file name File > Export... proposes and how a typed name and the chosen
// format settle each other: the name is the station's IAGA code and the UT
// dates of what is exported, as observatories name their IAGA-2002 files
// ("abc20070516" and, over several days, "abc20070516-20070518"), with the
// extension of the format ("min" for one-minute IAGA-2002 values, "csv" …).

#include <QString>
#include <cstdint>
#include <optional>
#include <string>

#include "exchange/exportdialog.h"

namespace kordel {

// The extension (without the dot) of `format`; IAGA-2002 files take the one
// observatories give each interval: sec, min, hor, day (every sample: sec).
QString exportExtension(ExportChoice::Format format, ExportInterval interval);

// The format an extension names (either case); nothing for an unknown one.
// "txt" is IAGA-2002, as the exporter's own dialog filter says.
std::optional<ExportChoice::Format> formatOfExtension(const QString& extension);

// "<folder>/<code><first UT date>[-<last UT date>].<extension>"; the times are
// ms since 30 December 1899 UT; an empty folder gives the bare name.
QString proposedExportName(const QString& folder, const std::string& code, std::int64_t fromMs,
                           std::int64_t toMs, ExportChoice::Format format, ExportInterval interval);

// A typed name made ready to write: trimmed, with a leading "~/" as the home
// folder, and the format's extension added when the name has none.
QString completedExportPath(const QString& typed, ExportChoice::Format format, ExportInterval interval);

// Why a typed name and the chosen format disagree (an extension of another
// format, or one no format uses); empty when they agree or the name has none.
QString extensionMismatch(const QString& typed, ExportChoice::Format format, ExportInterval interval);

}  // namespace kordel
