#include "processing/flags.h"

#include <algorithm>
#include <cstdio>

#include "app/fixedformats.h"
#include "exchange/exportarguments.h"
#include "processing/sidecarfile.h"

namespace kordel {

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;

constexpr std::string_view kFileHeader =
    "# Kordel-K5 flags of the data files in this folder; the data files are never changed.\n"
    "# START END COMPONENTS KIND(spike|step|remove|keep) SOURCE SET COMMENT: times of the recording's clock,\n"
    "# both inclusive; SET and the edit log's times are UT. Lines \"edit WHEN WHO WHAT\" are the edit log.\n";

// The comment and the edit text stay on their line.
std::string oneLine(std::string_view text) {
    std::string s(text);
    for (char& c : s) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    }
    return s;
}

std::vector<std::string_view> splitFields(std::string_view line, std::size_t count, std::string_view& rest) {
    std::vector<std::string_view> fields;
    while (fields.size() < count) {
        const std::size_t space = line.find(' ');
        fields.push_back(line.substr(0, space));
        if (space == std::string_view::npos) {
            line = {};
            break;
        }
        line.remove_prefix(space + 1);
    }
    rest = line;
    return fields;
}

std::optional<std::int64_t> utcTime(std::string_view text) {
    if (text.empty() || text.back() != 'Z') return std::nullopt;
    return parseIsoUtc(text);
}

std::string joined(const std::vector<std::string>& parts) {
    std::string s;
    for (const auto& p : parts) s += (s.empty() ? "" : ",") + p;
    return s;
}

}  // namespace

std::string_view flagKindName(FlagKind kind) {
    switch (kind) {
        case FlagKind::Spike: return "spike";
        case FlagKind::Step: return "step";
        case FlagKind::Remove: return "remove";
        case FlagKind::Keep: return "keep";
    }
    return "spike";
}

bool parseFlagKind(std::string_view text, FlagKind& kind) {
    for (const FlagKind k : {FlagKind::Spike, FlagKind::Step, FlagKind::Remove, FlagKind::Keep}) {
        if (text == flagKindName(k)) {
            kind = k;
            return true;
        }
    }
    return false;
}

std::string isoTime(std::int64_t ms, bool utc) {
    const std::int64_t day = ms / kMsPerDay - (ms % kMsPerDay < 0 ? 1 : 0);
    const std::int64_t inDay = ms - day * kMsPerDay;
    const CivilDateTime d = fromDateTimeNumber(static_cast<double>(day));
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%s", d.year, d.month, d.day,
                  static_cast<int>(inDay / 3'600'000), static_cast<int>(inDay / 60'000 % 60),
                  static_cast<int>(inDay / 1000 % 60), static_cast<int>(inDay % 1000), utc ? "Z" : "");
    return text;
}

std::string flagField(std::string_view text) {
    std::string s(text.empty() ? std::string_view("_") : text);
    for (char& c : s) {
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F || c == ',') c = '_';
    }
    return s;
}

void FlagSet::add(std::vector<Flag> added, const std::string& who, std::int64_t atMs, const std::string& what) {
    flags.insert(flags.end(), std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
    std::stable_sort(flags.begin(), flags.end(), [](const Flag& a, const Flag& b) { return a.startMs < b.startMs; });
    log.push_back({atMs, who, what});
}

std::string formatFlagFile(const FlagSet& set) {
    std::string out(kFileHeader);
    for (const Flag& f : set.flags) {
        out += isoTime(f.startMs, false) + ' ' + isoTime(f.endMs, false) + ' ' + joined(f.components) + ' ' +
               std::string(flagKindName(f.kind)) + ' ' + flagField(f.source) + ' ' + isoTime(f.setMs, true) + ' ' +
               oneLine(f.comment) + '\n';
    }
    for (const FlagEdit& e : set.log) {
        out += "edit " + isoTime(e.atMs, true) + ' ' + flagField(e.who) + ' ' + oneLine(e.what) + '\n';
    }
    if (!set.unread.empty()) {
        out += "# Lines that could not be read, kept as they were:\n";
        for (const std::string& line : set.unread) out += oneLine(line) + '\n';
    }
    return out;
}

FlagParseResult parseFlagFile(std::string_view text) {
    FlagParseResult result;
    ContentLines lines(text);
    std::string_view line;
    while (lines.next(line)) {
        const auto problem = [&](const std::string& why) {
            result.problems.push_back("line " + std::to_string(lines.number()) + ": " + why);
            result.set.unread.emplace_back(line);
        };
        std::string_view rest;
        if (line.starts_with("edit ")) {
            const auto f = splitFields(line.substr(5), 2, rest);
            const auto at = f.size() == 2 ? utcTime(f[0]) : std::nullopt;
            if (!at || f[1].empty()) {
                problem("an edit line needs a UT time and a name");
                continue;
            }
            result.set.log.push_back({*at, std::string(f[1]), std::string(rest)});
            continue;
        }
        const auto f = splitFields(line, 6, rest);
        if (f.size() < 6) {
            problem("a flag needs start, end, components, kind, source and the time it was set");
            continue;
        }
        Flag flag;
        const auto start = parseIsoUtc(f[0]);
        const auto end = parseIsoUtc(f[1]);
        const auto set = utcTime(f[5]);
        if (!start || !end || f[0].back() == 'Z' || f[1].back() == 'Z' || *end < *start) {
            problem("start and end must be times of the recording's clock, the end not before the start");
            continue;
        }
        if (!parseFlagKind(f[3], flag.kind)) {
            problem("the kind must be spike, step, remove or keep");
            continue;
        }
        if (!set || f[2].empty() || f[4].empty()) {
            problem("components, source and a UT time set are needed");
            continue;
        }
        flag.startMs = *start;
        flag.endMs = *end;
        for (std::string_view c = f[2]; !c.empty();) {
            const std::size_t comma = c.find(',');
            flag.components.emplace_back(c.substr(0, comma));
            c.remove_prefix(comma == std::string_view::npos ? c.size() : comma + 1);
        }
        flag.source = std::string(f[4]);
        flag.setMs = *set;
        flag.comment = std::string(rest);
        result.set.flags.push_back(std::move(flag));
    }
    return result;
}

IoStatus readFlagFile(const std::string& path, FlagParseResult& out) {
    std::string bytes;
    bool missing = false;
    if (IoStatus s = readSidecar(path, bytes, missing); !s) return s;
    out = parseFlagFile(bytes);
    return {};
}

IoStatus writeFlagFile(const std::string& path, const FlagSet& set) { return writeSidecar(path, formatFlagFile(set)); }

}  // namespace kordel
