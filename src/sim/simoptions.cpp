#include "sim/simoptions.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>

namespace kordel {

namespace {

std::optional<int> intIn(const std::string& text, int lo, int hi) {
    const auto v = parseInteger(text);
    if (!v || *v < lo || *v > hi) {
        return std::nullopt;
    }
    return static_cast<int>(*v);
}

std::optional<int> digitsAt(const std::string& text, std::size_t at, std::size_t count) {
    return intIn(text.substr(at, count), 0, 9999);
}

}  // namespace

std::optional<CivilDateTime> parseSimStart(const std::string& text) {
    // YYYY-MM-DD hh:mm:ss
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' ||
        text[13] != ':' || text[16] != ':') {
        return std::nullopt;
    }
    const auto y = digitsAt(text, 0, 4);
    const auto mo = digitsAt(text, 5, 2);
    const auto d = digitsAt(text, 8, 2);
    const auto h = digitsAt(text, 11, 2);
    const auto mi = digitsAt(text, 14, 2);
    const auto s = digitsAt(text, 17, 2);
    if (!y || !mo || !d || !h || !mi || !s || *y < 1 || *mo < 1 || *mo > 12 || *d < 1 ||
        *d > daysInMonth(*y, *mo) || *h > 23 || *mi > 59 || *s > 59) {
        return std::nullopt;
    }
    return CivilDateTime{*y, *mo, *d, *h, *mi, *s, 0};
}

SimOptions parseSimOptions(const std::vector<std::string>& args) {
    SimOptions o;
    SimDumpOptions dump;
    bool dumpOptionSeen = false;
    bool writeDump = false;
    bool averageGiven = false;

    const auto bad = [&o](const std::string& option, const std::string& value, const char* wanted) {
        o.problems.push_back(option + ": \"" + value + "\" is not " + wanted);
    };
    const auto count = [&](const std::string& option, const std::string& value, int& target) {
        if (const auto v = intIn(value, 0, 1'000'000'000)) {
            target = *v;
        } else {
            bad(option, value, "a whole number");
        }
    };

    using Handler = std::function<void(const std::string& option, const std::string& value)>;
    const std::map<std::string, Handler> withValue = {
        {"--link", [&](auto&, auto& v) { o.link = v; }},
        {"--rate",
         [&](auto& opt, auto& v) {
             const auto r = parseNumber(v);
             if (r && *r >= 0.01 && *r <= 100) {
                 o.rateHz = *r;
             } else {
                 bad(opt, v, "a rate from 0.01 to 100 lines per second");
             }
         }},
        {"--mode",
         [&](auto& opt, auto& v) {
             static const std::map<std::string, InstrumentMode> kModes = {
                 {"total", InstrumentMode::Total}, {"var", InstrumentMode::Var},
                 {"comp", InstrumentMode::Comp},   {"record", InstrumentMode::Record},
                 {"off", InstrumentMode::Off}};
             if (const auto it = kModes.find(v); it != kModes.end()) {
                 o.instrument.mode = it->second;
             } else {
                 bad(opt, v, "total, var, comp, record or off");
             }
         }},
        {"--gps",
         [&](auto& opt, auto& v) {
             if (v == "on" || v == "off") {
                 o.instrument.gps = v == "on";
             } else {
                 bad(opt, v, "on or off");
             }
         }},
        {"--average",
         [&](auto& opt, auto& v) {
             if (const auto n = intIn(v, 0, 255)) {
                 o.instrument.averageSeconds = *n;
                 averageGiven = true;
             } else {
                 bad(opt, v, "a number of seconds from 0 to 255");
             }
         }},
        {"--start",
         [&](auto& opt, auto& v) {
             if (const auto t = parseSimStart(v)) {
                 o.start = t;
             } else {
                 bad(opt, v, "a date and time \"YYYY-MM-DD hh:mm:ss\"");
             }
         }},
        {"--drop-byte-every", [&](auto& opt, auto& v) { count(opt, v, o.faults.dropByteEvery); }},
        {"--add-byte-every", [&](auto& opt, auto& v) { count(opt, v, o.faults.addByteEvery); }},
        {"--bad-line-every", [&](auto& opt, auto& v) { count(opt, v, o.faults.badLineEvery); }},
        {"--write-dump",
         [&](auto&, auto& v) {
             writeDump = true;
             dump.file = v;
         }},
        {"--blocks",
         [&](auto& opt, auto& v) {
             dumpOptionSeen = true;
             count(opt, v, dump.blocks);
         }},
        {"--interval-code",
         [&](auto& opt, auto& v) {
             dumpOptionSeen = true;
             if (const auto c = intIn(v, 0, 255)) {
                 dump.intervalCode = *c;
             } else {
                 bad(opt, v, "a byte value from 0 to 255");
             }
         }},
        {"--gap-at",
         [&](auto& opt, auto& v) {
             dumpOptionSeen = true;
             if (const auto k = intIn(v, 1, 1'000'000'000)) {
                 dump.gapAt = *k;
             } else {
                 bad(opt, v, "a block number from 1 on");
             }
         }},
        {"--gap-seconds",
         [&](auto& opt, auto& v) {
             dumpOptionSeen = true;
             const bool negative = !v.empty() && v[0] == '-';
             const auto s = intIn(negative ? v.substr(1) : v, 0, 1'000'000'000);
             if (s) {
                 dump.gapSeconds = negative ? -static_cast<long long>(*s) : *s;
             } else {
                 bad(opt, v, "a number of seconds");
             }
         }},
        {"--bad-blocks",
         [&](auto& opt, auto& v) {
             dumpOptionSeen = true;
             const auto colon = v.find(':');
             const auto k = colon == std::string::npos ? std::nullopt : intIn(v.substr(0, colon), 0, 1'000'000'000);
             const auto n = colon == std::string::npos ? std::nullopt : intIn(v.substr(colon + 1), 0, 1'000'000'000);
             if (k && n) {
                 dump.badBlocksFrom = *k;
                 dump.badBlocks = *n;
             } else {
                 bad(opt, v, "K:N (the first bad block, counted from 0, and how many)");
             }
         }},
        {"--erased-tail",
         [&](auto& opt, auto& v) {
             dumpOptionSeen = true;
             count(opt, v, dump.erasedTail);
         }},
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string option = args[i];
        std::optional<std::string> value;
        if (const auto eq = option.find('='); option.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = option.substr(eq + 1);
            option.resize(eq);
        }
        if (option == "--help" || option == "-h") {
            o.help = true;
            continue;
        }
        if (option == "--fast" || option == "--short-replies") {
            if (value) {
                o.problems.push_back(option + " takes no value");
            } else if (option == "--fast") {
                o.fast = true;
            } else {
                o.faults.shortReplies = true;
            }
            continue;
        }
        const auto it = withValue.find(option);
        if (it == withValue.end()) {
            o.problems.push_back("unknown option '" + args[i] + "'");
            continue;
        }
        if (!value) {
            if (i + 1 >= args.size()) {
                o.problems.push_back(option + " needs a value");
                continue;
            }
            value = args[++i];
        }
        it->second(option, *value);
    }

    if (writeDump) {
        o.dump = dump;
        if (dump.file.empty()) {
            o.problems.push_back("--write-dump needs a file name");
        }
        if (o.start && (o.start->year < 2000 || o.start->year > 2099)) {
            o.problems.push_back("--start: a dump's year lies in 2000 to 2099");
        }
    } else if (dumpOptionSeen) {
        o.problems.push_back("--blocks, --interval-code, --gap-at, --gap-seconds, --bad-blocks and "
                             "--erased-tail go with --write-dump");
    }

    const double rate = o.rateHz ? *o.rateHz
                        : (averageGiven && o.instrument.averageSeconds > 0)
                            ? 1.0 / o.instrument.averageSeconds
                            : 1.0;
    o.instrument.sampleIntervalMs = std::max(1, static_cast<int>(std::lround(1000.0 / rate)));
    return o;
}

}  // namespace kordel
