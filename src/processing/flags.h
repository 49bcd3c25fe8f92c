#pragma once
// Flags: what is known about stretches of a recording, kept beside the data
// in one text file per folder, "kordel-flags.txt", never written into the
// daily files. A flag names a time range, the components it concerns, its
// kind, who or what set it, when, and a comment:
//   spike   a short false excursion: left out of the cleaned level;
//   remove  a stretch to leave out of the cleaned level (a car parked by the
//           sensor, a test);
//   step    a jump that may be real (a storm's sudden commencement) or need a
//           new baseline: only marked, the samples stay;
//   keep    the samples are good whatever other flags say: a keep flag wins
//           over spike and remove flags of the same component.
//
// The file, UTF-8 text, one item a line, fields separated by one space:
//   # comment lines (the first says what the file is)
//   START END COMPONENTS KIND SOURCE SET COMMENT...
//   edit WHEN WHO WHAT...
// START and END are ISO 8601 times of the recording's own clock (the times in
// the daily files), with milliseconds, both inclusive; COMPONENTS the channel
// names joined by "," ("Bx,Bz"); SOURCE "auto" or a login name; SET and WHEN
// UT times with "Z"; the comment and WHAT run to the end of the line. The
// edit lines are the file's log: who changed what, and when.
//
// Reading is strict about each line but never stops at one: a line that
// cannot be read is reported with its number and the others are kept.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/iostatus.h"

namespace kordel {

inline constexpr std::string_view kFlagFileName = "kordel-flags.txt";

enum class FlagKind { Spike, Step, Remove, Keep };

struct Flag {
    std::int64_t startMs = 0;  // ms since the date-time epoch, recording clock, inclusive
    std::int64_t endMs = 0;    // inclusive
    std::vector<std::string> components = {};  // "Bx", "By", …
    FlagKind kind = FlagKind::Spike;
    std::string source = "auto";
    std::int64_t setMs = 0;  // UT
    std::string comment = {};

    friend bool operator==(const Flag&, const Flag&) = default;
};

struct FlagEdit {
    std::int64_t atMs = 0;  // UT
    std::string who;
    std::string what;

    friend bool operator==(const FlagEdit&, const FlagEdit&) = default;
};

struct FlagSet {
    std::vector<Flag> flags;   // in the order of the file (written sorted by start)
    std::vector<FlagEdit> log;  // oldest first
    // Lines of the file that could not be read, as they were: written back
    // after the log, so that a rewrite never loses what someone wrote by hand
    // (they are reported again at every reading until mended).
    std::vector<std::string> unread = {};

    bool empty() const { return flags.empty(); }
    // Adds flags sorted by start, and one edit line saying so.
    void add(std::vector<Flag> added, const std::string& who, std::int64_t atMs, const std::string& what);
    // Removes the flags for which `drop` is true; returns how many.
    template <class Pred>
    std::size_t removeIf(Pred drop) {
        const auto before = flags.size();
        std::erase_if(flags, drop);
        return before - flags.size();
    }
};

std::string_view flagKindName(FlagKind kind);
bool parseFlagKind(std::string_view text, FlagKind& kind);

// "2007-05-15T12:00:00.000"; with `utc` a final "Z".
std::string isoTime(std::int64_t ms, bool utc);

// A source or login name as one field: spaces and control characters become "_".
std::string flagField(std::string_view text);

std::string formatFlagFile(const FlagSet& set);

struct FlagParseResult {
    FlagSet set;
    std::vector<std::string> problems;  // "line 12: …", one per line not read
};
FlagParseResult parseFlagFile(std::string_view text);

// Reads the folder's flags from `path` (nothing there: an empty set).
IoStatus readFlagFile(const std::string& path, FlagParseResult& out);
// Writes the set to `path` under a temporary name, synced and renamed.
IoStatus writeFlagFile(const std::string& path, const FlagSet& set);

}  // namespace kordel
