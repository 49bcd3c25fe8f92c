// kordel-activity [options] INPUT...
//
// The geomagnetic activity at the station from recorded data: the local K
// index of every UT day (FMI method) with its ΣK, and in the csv and json
// forms the hourly activity levels. Inputs are data files (*.pc, *.fl),
// IAGA-2002 minute or second files, or folders of them, merged as
// kordel-export merges them. Run with --help for the options.
//
// Exit status: 0 when every input was read, 1 when not, 2 for a usage error.
// Messages go to standard error; the report to standard output.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "app/fixedformats.h"
#include "app/programcommandline.h"
#include "app/textfile.h"
#include "exchange/exportarguments.h"
#include "exchange/exportinput.h"
#include "processing/activitylevel.h"
#include "processing/activityreport.h"
#include "processing/horizontalinput.h"
#include "processing/kindex.h"

namespace {

constexpr int kFailed = 1;
constexpr int kUsage = 2;
// Days from 30 December 1899 to 1 January 1970.
constexpr std::int64_t kUnixEpochDay = 25'569;

void say(const std::string& text) { std::fprintf(stderr, "kordel-activity: %s\n", text.c_str()); }

struct Options {
    kordel::KIndexSettings k;
    bool longitudeGiven = false;
    kordel::LevelThresholds levels;
    std::int64_t utcOffsetMs = 0;
    kordel::ActivityFormat format = kordel::ActivityFormat::Text;
    std::vector<std::string> inputs;
};

void addOptions(kordel::ProgramCommandLine& cli) {
    const auto valued = [&cli](const char* name, const char* description, const char* valueName, const char* value) {
        cli.addValueOption({QString::fromLatin1(name)}, QString::fromUtf8(description), QString::fromLatin1(valueName),
                           QString::fromLatin1(value));
    };
    valued("k9", "The station's K9 lower limit in nT; the class limits scale with it.", "NT", "500");
    cli.addOption({QStringLiteral("longitude")},
                  QStringLiteral("The station's longitude in degrees, east positive; sets the local time."),
                  QStringLiteral("DEG"), QStringLiteral("an IAGA-2002 input's, else 0"));
    valued("utc-offset", "Offset of the instrument's clock from UT, +HH:MM or -HH:MM.", "OFFSET", "+00:00");
    valued("levels", "Lower limits of the yellow, amber and red activity levels in nT.", "Y,A,R", "50,100,200");
    valued("format", "Output: text (one line per UT day), csv or json (with the hourly levels).", "FORMAT", "text");
    cli.addPositionalArgument(QStringLiteral("INPUT"),
                              QStringLiteral("Data files, IAGA-2002 minute or second files, or folders of them."),
                              QStringLiteral("INPUT..."));
}

std::optional<double> number(const QString& text) { return kordel::parseNumber(text.toStdString()); }

// The options into settings; an error text for a usage error.
std::string readOptions(const QCommandLineParser& p, Options& o) {
    const auto k9 = number(p.value("k9"));
    if (!k9 || !(*k9 > 0) || *k9 > 1e6) return "--k9 needs a number of nT above 0";
    o.k.k9LowerLimitNt = *k9;
    if (p.isSet("longitude")) {
        const auto lon = number(p.value("longitude"));
        if (!lon || *lon < -360 || *lon > 360) return "--longitude needs degrees between -360 and 360";
        o.k.longitudeDeg = *lon;
        o.longitudeGiven = true;
    }
    const auto offset = kordel::parseUtcOffset(p.value("utc-offset").toStdString());
    if (!offset) return "--utc-offset needs +HH:MM or -HH:MM";
    o.utcOffsetMs = *offset;
    const auto levels = kordel::parseLevelThresholds(p.value("levels").toStdString());
    if (!levels) return "--levels needs three rising numbers of nT, e.g. 50,100,200";
    o.levels = *levels;
    const QString format = p.value("format").toLower();
    if (format == "text") o.format = kordel::ActivityFormat::Text;
    else if (format == "csv") o.format = kordel::ActivityFormat::Csv;
    else if (format == "json") o.format = kordel::ActivityFormat::Json;
    else return "--format must be text, csv or json";
    for (const QString& in : p.positionalArguments()) o.inputs.push_back(in.toLocal8Bit().toStdString());
    if (o.inputs.empty()) return "no INPUT given";
    return {};
}

// The interval holding the present moment is the provisional one.
std::int64_t nowMinute() {
    const auto sinceUnix =
        std::chrono::duration_cast<std::chrono::minutes>(std::chrono::system_clock::now().time_since_epoch()).count();
    return kUnixEpochDay * kordel::kMinutesPerDay + static_cast<std::int64_t>(sinceUnix);
}

int report(const kordel::Record& record, const Options& o) {
    const kordel::HorizontalInput in = kordel::horizontalMinutesOf(record);
    if (!in.error.empty()) {
        say(in.error);
        return kFailed;
    }
    if (in.plainMeans) say("the samples are on no grid the minute filter knows: plain minute means used");
    const kordel::HorizontalMinutes minutes{in.firstMinute, in.x, in.y};
    const std::int64_t now = nowMinute();
    const auto days = kordel::computeKIndices(minutes, o.k, now);
    const auto hours = o.format == kordel::ActivityFormat::Text
                           ? std::vector<kordel::HourlyActivity>{}
                           : kordel::hourlyActivity(minutes, days, o.levels, now);
    const std::string text = kordel::activityReport(days, hours, o.format);
    if (const kordel::IoStatus s = kordel::writeAll(STDOUT_FILENO, text, "standard output"); !s) {
        say(s.message());
        return kFailed;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    kordel::ProgramCommandLine cli(
        QStringLiteral("kordel-activity"),
        QStringLiteral("The geomagnetic activity at the station: the local K index of every UT day (FMI method)\n"
                       "and its sum, a missing K as \"-\" and the provisional one marked \"*\"; csv and json add the\n"
                       "hourly activity levels against the quiet days of the month before. Inputs are Kordel-K5\n"
                       "data files (*.pc, *.fl), IAGA-2002 minute or second files, or folders of them, merged\n"
                       "into one record. Times are UT."),
        {{0, QStringLiteral("every input read and the report written")},
         {1, QStringLiteral("an input could not be read or the report not written")}});
    addOptions(cli);
    if (const auto status = cli.parseOrExit(kordel::argumentList(argc, argv))) return *status;
    Options options;
    if (const std::string error = readOptions(cli.parser(), options); !error.empty()) {
        return cli.finish(cli.usageError(QString::fromStdString(error)));
    }
    try {
        kordel::ExportInput input = kordel::readExportInputs(options.inputs);
        for (const auto& m : input.messages) say(m);
        if (input.status == kordel::ExportInput::Status::Usage) return kUsage;
        if (input.record.channelCount() < 2) return kFailed;  // nothing could be read
        if (!options.longitudeGiven && !input.station.longitude.empty()) {
            if (const auto lon = kordel::parseNumber(input.station.longitude)) options.k.longitudeDeg = *lon;
        }
        input.record.shiftTimes(-options.utcOffsetMs);
        const int written = report(input.record, options);
        return written != 0 || input.status == kordel::ExportInput::Status::Failed ? kFailed : 0;
    } catch (const std::bad_alloc&) {
        say("not enough memory for these inputs");
        return kFailed;
    }
}
