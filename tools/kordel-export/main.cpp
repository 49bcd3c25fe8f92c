// kordel-export [options] INPUT...
//
// Writes a record (data files *.pc / *.fl, or IAGA-2002 files, or folders of
// them, merged into one record) as IAGA-2002 or CSV: to standard output, to
// one file (--output) or as one file per UT day (--output-dir); or draws its
// charts into a PNG, SVG or PDF file (--output), off screen, so that a station
// computer without a display can make its daily picture. Run with --help for
// the options.
//
// "-" as an INPUT reads standard input, "--output -" writes to standard output.
// A file is made only when there is something to write, under a temporary name
// that is renamed when the file is complete; an output that is not a regular
// file (a pipe, /dev/stdout) is written directly.
//
// Exit status: 0 when every input was read and the output written, 1 when
// not, 2 for a usage error. Messages go to standard error.

#include <QApplication>
#include <QCommandLineParser>
#include <QStringList>


#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <optional>
#include <string>

#include "app/programcommandline.h"
#include "app/textfile.h"
#include "charts/chartpicture.h"
#include "app/fixedformats.h"
#include "exchange/exportarguments.h"
#include "exchange/cleaningcontext.h"
#include "exchange/exportcleaning.h"
#include "exchange/exportinput.h"
#include "exchange/textexport.h"
#include "files/safepath.h"
#include "offscreenruntime.h"

namespace {

constexpr int kFailed = 1;
constexpr int kUsage = 2;  // an input that cannot go with the others

void say(const std::string& text) { std::fprintf(stderr, "kordel-export: %s\n", text.c_str()); }

struct Options {
    kordel::ExportSettings settings;
    std::optional<kordel::PictureFormat> picture;
    QSize size;
    QString output;
    QString outputDir;
    std::vector<std::string> inputs;
    kordel::DataLevel level = kordel::DataLevel::Cleaned;
    std::optional<std::array<double, 3>> coefficients;
    bool flagSpikes = false;
    bool estimateTemperature = false;
};

void addOptions(kordel::ProgramCommandLine& cli) {
    const auto option = [&cli](const char* name, const char* description, const char* valueName,
                               const char* defaultText = "") {
        cli.addOption({QString::fromLatin1(name)}, QString::fromUtf8(description), QString::fromLatin1(valueName),
                      QString::fromUtf8(defaultText));
    };
    const auto defaulting = [&cli](const char* name, const char* description, const char* valueName,
                                   const char* defaultValue) {
        cli.addValueOption({QString::fromLatin1(name)}, QString::fromUtf8(description), QString::fromLatin1(valueName),
                           QString::fromLatin1(defaultValue));
    };
    defaulting("format", "Output format: iaga2002, csv, or a picture of the charts: png, svg or pdf (pictures need --output).", "FORMAT",
               "iaga2002");
    cli.addOption({QStringLiteral("output")}, QStringLiteral("Write everything to FILE (- for standard output)."), QStringLiteral("FILE"),
                  QStringLiteral("standard output"));
    option("output-dir",
           "Write one file per UT day into DIR, named as IAGA-2002 recommends (e.g. abc20070515vsec.sec, "
           "abc20070515vhor.hor); daily means one file per month (abc200705vday.day).", "DIR");
    defaulting("interval",
               "native (every sample), second, minute (values centred on the second or minute, by the standard "
               "filters), hour or day (means of the minute values).",
               "INTERVAL", "native");
    defaulting("filter", "standard (the filters observatories use) or mean (plain means of the samples in each "
               "second or minute, stamped at its start).", "FILTER", "standard");
    option("from", "First UT time exported, inclusive (e.g. 2007-05-15T12:00:00).", "TIME", "the first sample");
    option("to", "UT time where the export ends, exclusive.", "TIME", "after the last sample");
    defaulting("utc-offset", "Offset of the instrument's clock from UT, +HH:MM or -HH:MM.", "OFFSET", "+00:00");
    // The station's fields of an IAGA-2002 input stand where these options are not given.
    defaulting("station-code", "IAGA code of the station, three letters; an IAGA-2002 input's when not given.",
               "CODE", "XXX");
    const char* const fromInput = "an IAGA-2002 input's, else empty";
    option("station-name", "Station name for the IAGA-2002 header.", "NAME", fromInput);
    option("source", "Source of data (the institute) for the IAGA-2002 header.", "TEXT", fromInput);
    option("latitude", "Geodetic latitude in degrees.", "DEG", fromInput);
    option("longitude", "Geodetic longitude in degrees.", "DEG", fromInput);
    option("elevation", "Elevation in metres.", "M", fromInput);
    defaulting("level",
               "Data level: raw (as recorded), cleaned (samples under spike or remove flags left out, written as "
               "99999.00) or corrected (cleaned, minus the sensor temperature correction).",
               "LEVEL", "cleaned");
    option("temperature-coefficients",
           "Coefficients of Bx, By, Bz in nT/°C of Ts for --level corrected, instead of the stored correction "
           "(e.g. 0.3,0,-0.05); they imply --level corrected.", "BX,BY,BZ");
    cli.addOption({QStringLiteral("flag-spikes")},
                QStringLiteral("Run the spike and step detectors over the inputs and write each folder's "
                               "kordel-flags.txt (earlier automatic flags in the span are replaced); no export."));
    cli.addOption({QStringLiteral("estimate-temperature")},
                QStringLiteral("Estimate the temperature coefficients of Bx, By, Bz from the inputs (cleaned), print "
                               "them and store them as each folder's kordel-temperature.txt; no export."));
    defaulting("size", "Picture size in pixels, WxH (pictures only).", "WxH", "1200x900");
    cli.addPositionalArgument(QStringLiteral("INPUT"), QStringLiteral("Data files, IAGA-2002 files or folders of them; - for standard input."),
                              QStringLiteral("INPUT..."));
}

std::optional<double> number(const QString& text) {
    bool ok = false;
    const double v = text.toDouble(&ok);  // QString::toDouble reads "." whatever the locale
    return ok ? std::optional(v) : std::nullopt;
}

// The options into settings; an error text for a usage error.
std::string readOptions(const QCommandLineParser& p, Options& o) {
    const QString format = p.value("format").toLower();
    if (format == "png") o.picture = kordel::PictureFormat::Png;
    else if (format == "svg") o.picture = kordel::PictureFormat::Svg;
    else if (format == "pdf") o.picture = kordel::PictureFormat::Pdf;
    else if (format != "iaga2002" && format != "csv") return "--format must be iaga2002, csv, png, svg or pdf";
    o.settings.format = format == "csv" ? kordel::ExportFormat::Csv : kordel::ExportFormat::Iaga2002;
    const QString interval = p.value("interval").toLower();
    if (interval == "native") o.settings.interval = kordel::ExportInterval::Native;
    else if (interval == "second") o.settings.interval = kordel::ExportInterval::Second;
    else if (interval == "minute") o.settings.interval = kordel::ExportInterval::Minute;
    else if (interval == "hour") o.settings.interval = kordel::ExportInterval::Hour;
    else if (interval == "day") o.settings.interval = kordel::ExportInterval::Day;
    else return "--interval must be native, second, minute, hour or day";
    const QString filter = p.value("filter").toLower();
    if (filter == "mean") o.settings.filter = kordel::ExportFilter::Mean;
    else if (filter != "standard") return "--filter must be standard or mean";
    if (p.isSet("filter") && interval != "second" && interval != "minute") {
        return "--filter goes with --interval second or minute";
    }
    for (const char* name : {"from", "to"}) {
        if (!p.isSet(name)) continue;
        const auto t = kordel::parseIsoUtc(p.value(name).toStdString());
        if (!t) return std::string("--") + name + " needs an ISO 8601 UT time such as 2007-05-15T12:00:00";
        (std::string(name) == "from" ? o.settings.fromMs : o.settings.toMs) = *t;
    }
    const auto offset = kordel::parseUtcOffset(p.value("utc-offset").toStdString());
    if (!offset) return "--utc-offset needs +HH:MM or -HH:MM";
    o.settings.utcOffsetMs = *offset;
    const auto size = kordel::parsePictureSize(p.value("size").toStdString());
    if (!size) return "--size needs WxH in pixels, e.g. 1200x900";
    o.size = QSize(size->first, size->second);
    const QString code = p.value("station-code");
    if (code.size() != 3 || !std::all_of(code.begin(), code.end(), [](QChar c) { return c.isLetterOrNumber() && c.unicode() < 128; })) {
        return "--station-code needs three letters";
    }
    auto& st = o.settings.station;
    st.code = code.toUpper().toStdString();
    st.name = p.value("station-name").toStdString();
    st.source = p.value("source").toStdString();
    for (const auto& [name, field] : {std::pair{"latitude", &st.latitude}, std::pair{"longitude", &st.longitude},
                                      std::pair{"elevation", &st.elevation}}) {
        if (!p.isSet(name)) continue;
        if (!number(p.value(name))) return std::string("--") + name + " needs a number";
        *field = p.value(name).toStdString();
    }
    const auto level = kordel::parseDataLevel(p.value("level").toLower().toStdString());
    if (!level) return "--level must be raw, cleaned or corrected";
    o.level = *level;
    if (p.isSet("temperature-coefficients")) {
        const QStringList parts = p.value("temperature-coefficients").split(',');
        std::array<double, 3> c{};
        for (qsizetype i = 0; i < parts.size() && parts.size() == 3; ++i) {
            const auto v = kordel::parseNumber(parts[i].trimmed().toStdString());
            if (!v) break;
            c[static_cast<std::size_t>(i)] = *v;
            if (i == 2) o.coefficients = c;
        }
        if (!o.coefficients) return "--temperature-coefficients needs three numbers, BX,BY,BZ in nT/°C";
        if (p.isSet("level") && o.level != kordel::DataLevel::Corrected) {
            return "--temperature-coefficients goes with --level corrected";
        }
        o.level = kordel::DataLevel::Corrected;
    }
    o.flagSpikes = p.isSet("flag-spikes");
    o.estimateTemperature = p.isSet("estimate-temperature");
    o.output = p.value("output");
    o.outputDir = p.value("output-dir");
    if (p.isSet("output") && p.isSet("output-dir")) return "--output and --output-dir exclude each other";
    if ((p.isSet("output") && o.output.isEmpty()) || (p.isSet("output-dir") && o.outputDir.isEmpty())) {
        return "--output and --output-dir need a name";
    }
    if (o.picture && o.output.isEmpty() && !o.flagSpikes && !o.estimateTemperature) return "a picture needs --output FILE";
    for (const QString& in : p.positionalArguments()) o.inputs.push_back(in.toLocal8Bit().toStdString());
    if (o.inputs.empty()) return "no INPUT given";
    o.settings.programVersion = kordel::programVersion().toStdString();
    return {};
}

// Bytes from a file shown on a terminal: control characters as \xNN.
std::string printable(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) out += std::string("\\x") + kHex[b >> 4] + kHex[b & 15];
        else out += c;
    }
    return out;
}

// An IAGA-2002 input's station fields stand where no option gives them. Its
// code names the output files, so it is taken only when --station-code would
// take it.
void keepInputStation(const QCommandLineParser& p, kordel::IagaStation in, kordel::IagaStation& st) {
    if (!p.isSet("station-code") && !in.code.empty() && !kordel::isIagaCode(in.code)) {
        say("the input's IAGA CODE \"" + printable(in.code) + "\" is not three letters or digits: " + st.code + " used");
        in.code.clear();
    }
    for (char& c : in.code) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    const std::pair<const char*, std::pair<const std::string*, std::string*>> fields[] = {
        {"station-code", {&in.code, &st.code}},        {"station-name", {&in.name, &st.name}},
        {"source", {&in.source, &st.source}},          {"latitude", {&in.latitude, &st.latitude}},
        {"longitude", {&in.longitude, &st.longitude}}, {"elevation", {&in.elevation, &st.elevation}},
    };
    for (const auto& [option, from_to] : fields) {
        if (!p.isSet(option) && !from_to.first->empty()) *from_to.second = *from_to.first;
    }
}

int writeOutput(const kordel::TextExport& ex, const Options& o) {
    if (const std::string nothing = ex.nothingToWrite(); !nothing.empty()) {
        say(nothing);
        return kFailed;
    }
    if (!o.outputDir.isEmpty()) {
        const std::string dir = o.outputDir.toLocal8Bit().toStdString();
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        for (const auto& part : ex.days()) {
            // The name holds the station code: it must stay one file in the folder.
            const auto path = kordel::pathInside(dir, part.fileName);
            const kordel::IoStatus s =
                path ? kordel::writeExportFile(ex, part, *path)
                     : kordel::IoStatus::failure("\"" + printable(part.fileName) + "\" is not a plain file name: not written");
            if (!s) {
                say(s.message());
                return kFailed;
            }
        }
        return 0;
    }
    const kordel::IoStatus s =
        o.output.isEmpty() || o.output == "-"
            ? ex.write(ex.whole(),
                       [](std::string_view bytes) { return kordel::writeAll(STDOUT_FILENO, bytes, "standard output"); })
            : kordel::writeExportFile(ex, ex.whole(), o.output.toLocal8Bit().toStdString());
    if (!s) {
        say(s.message());
        return kFailed;
    }
    return 0;
}

// The shown channels of the record (in UT) drawn into the output file.
int writePicture(kordel::Record record, const std::string& elements, const Options& o) {
    if (const std::string nothing = kordel::noSamplesSelected(record, o.settings); !nothing.empty()) {
        say(nothing);
        return kFailed;
    }
    const kordel::PictureRequest request = kordel::pictureOf(std::move(record), elements, o.settings, o.size);
    const QString error =
        kordel::writeChartPicture(request, *o.picture, o.output == "-" ? QStringLiteral("/dev/stdout") : o.output);
    if (!error.isEmpty()) {
        say(error.toStdString());
        return kFailed;
    }
    return 0;
}

// --flag-spikes and --estimate-temperature: the folders' files written, the
// coefficients printed; no export.
int runCleaning(const Options& o) {
    const kordel::CleaningContext context = kordel::currentCleaningContext();
    bool ok = true;
    const auto report = [&ok](const kordel::CleaningOutcome& r) {
        for (const auto& m : r.messages) say(m);
        for (const auto& line : r.lines) std::printf("%s\n", line.c_str());
        ok = ok && r.ok;
    };
    // Flags first: the estimate leaves out what they flag.
    if (o.flagSpikes) report(kordel::flagSpikes(o.inputs, context));
    if (o.estimateTemperature) report(kordel::estimateTemperature(o.inputs, context));
    std::fflush(stdout);
    return ok ? 0 : kFailed;
}

int run(int argc, char** argv) {
    kordel::ProgramCommandLine cli(
        QStringLiteral("kordel-export"),
        QStringLiteral("Exports Kordel-K5 data files (*.pc, *.fl), IAGA-2002 files, or folders of them,\n"
                       "merged into one record, as IAGA-2002 or CSV. Times are UT."),
        {{0, QStringLiteral("every input read and the output written")},
         {1, QStringLiteral("an input could not be read or the output not written")}});
    addOptions(cli);
    if (const auto status = cli.parseOrExit(kordel::argumentList(argc, argv))) {
        return *status;
    }
    const QCommandLineParser& parser = cli.parser();
    Options options;
    if (const std::string error = readOptions(parser, options); !error.empty()) {
        return cli.finish(cli.usageError(QString::fromStdString(error)));
    }

    if (options.flagSpikes || options.estimateTemperature) return runCleaning(options);

    kordel::ExportInput input = kordel::readExportInputs(options.inputs);
    for (const auto& m : input.messages) say(m);
    if (input.status == kordel::ExportInput::Status::Usage) return kUsage;
    if (input.record.channelCount() < 4) return kFailed;  // nothing could be read
    const bool inputsFailed = input.status == kordel::ExportInput::Status::Failed;
    const kordel::AppliedLevel level = kordel::applyExportLevel(input.record, options.level, options.inputs,
                                                                kordel::currentCleaningContext(), options.coefficients);
    for (const auto& m : level.messages) say(m);
    if (!level.ok) return kFailed;
    options.settings.levelText = level.levelText;
    keepInputStation(parser, input.station, options.settings.station);
    if (options.picture) {
        // The charts are widgets: they need an application, and without a
        // display (cron) the off-screen platform draws them.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        const kordel::OffscreenRuntime runtime;
        QApplication app(argc, argv);
        const int written = writePicture(std::move(input.record), input.elements, options);
        return written != 0 || inputsFailed ? kFailed : 0;
    }
    const kordel::TextExport ex(std::move(input.record), input.elements, options.settings);
    if (const std::string why = ex.unsupportedInterval(); !why.empty()) {
        say(why);
        return kFailed;
    }
    if (const std::size_t n = ex.samplesOutsideYears(); n > 0) {
        say(std::to_string(n) + " sample(s) not written: the UTC offset " +
            kordel::TextExport::offsetText(options.settings.utcOffsetMs) + " moves them outside the years 1 to 9999");
    }
    const int written = writeOutput(ex, options);
    return written != 0 || inputsFailed || ex.samplesOutsideYears() > 0 ? kFailed : 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        // A record, its F or its means larger than the memory left: a message
        // and exit status 1, as for any output that could not be written.
        say("Not enough memory for the export; export fewer files or a shorter time (--from, --to).");
        return kFailed;
    }
}
