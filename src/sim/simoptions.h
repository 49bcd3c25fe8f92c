#pragma once
// The command line of kordel-sim.
//
//   kordel-sim [--link PATH] [--rate HZ] [--mode total|var|comp|record|off]
//              [--gps on|off] [--average N] [--start "YYYY-MM-DD hh:mm:ss"] [--fast]
//              [--drop-byte-every N] [--add-byte-every N] [--bad-line-every N]
//              [--short-replies]
//   kordel-sim --write-dump FILE [--blocks N] [--interval-code C] [--start ...]
//              [--gap-at K] [--gap-seconds S] [--bad-blocks K:N] [--erased-tail N]
//
// Every option also takes its value after "=" (--rate=2).

#include <optional>
#include <string>
#include <vector>

#include "app/fixedformats.h"
#include "sim/simulatedinstrument.h"

namespace kordel {

struct SimDumpOptions {
    std::string file;
    int blocks = 8;                       // blocks with records, bad blocks included
    int intervalCode = 2;
    std::optional<int> gapAt;             // block number (from 1) from which the times jump
    long long gapSeconds = 3600;          // by this much (negative: backwards)
    std::optional<int> badBlocksFrom;     // first bad block (from 0) ...
    int badBlocks = 0;                    // ... and how many follow in a row
    int erasedTail = 0;                   // erased blocks (all 0xFF) at the end
};

struct SimOptions {
    std::string link;                     // empty: no symbolic link
    std::optional<double> rateHz;         // lines per second
    InstrumentSettings instrument;
    std::optional<CivilDateTime> start;   // empty: the computer's local time
    bool fast = false;
    SimFaults faults;
    std::optional<SimDumpOptions> dump;
    bool help = false;
    std::vector<std::string> problems;    // unknown options, missing or bad values
};

// `args` without the program's name. The sample interval follows --rate; without
// it, one line per averaging interval (one per second for an interval of 0).
SimOptions parseSimOptions(const std::vector<std::string>& args);

// "YYYY-MM-DD hh:mm:ss", a date that exists and a time of day.
std::optional<CivilDateTime> parseSimStart(const std::string& text);

}  // namespace kordel
