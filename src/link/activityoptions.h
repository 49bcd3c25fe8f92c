#pragma once
// The station recorder's activity options: what the K and the level need
// (--k9, --longitude, --levels, --utc-offset, the forms kordel-activity takes)
// and the alerts (--alert-k, --alert-level, --alert-dead-minutes,
// --alert-command). Read from the command line into plain values; a value
// that does not read is a usage error with a message naming the option.

#include <QString>
#include <QStringList>
#include <cstdint>

#include "processing/liveactivity.h"

class QCommandLineParser;

namespace kordel {

class ProgramCommandLine;

struct StationActivityOptions {
    LiveActivitySettings settings;
    std::int64_t utcOffsetMs = 0;  // the instrument's clock ahead of UT
    QStringList alertCommand;      // the program and its arguments; empty: none
};

void addStationActivityOptions(ProgramCommandLine& cli);

// Empty when every value reads; else the usage error's text.
QString readStationActivityOptions(const QCommandLineParser& parser, StationActivityOptions& options);

}  // namespace kordel
