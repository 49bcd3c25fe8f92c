#pragma once
// Lines with their place in the station's daily files, and replay from the
// journal: the messages a station and its watchers exchange so that a watcher
// holds every valid line once, whatever it missed while it was away.
//
// Topics (besides kordel/<CODE>/line and kordel/<CODE>/state, which stay as
// they are):
//
//   kordel/<CODE>/journal         the station's lines as they are published,
//                                 in batches of at most 100, each entry
//                                 "<daily file> <offset> <61 characters>\n";
//                                 <offset> is the line's first byte in the file
//   kordel/<CODE>/replay/request  "<id> <n> since YYYYMMDDhhmmss\n" or
//                                 "<id> <n> after <daily file> <offset>\n"
//   kordel/<CODE>/replay/<id>     the answer to request <n> of watcher <id>:
//                                 "<n>\n" followed by entries as on the journal
//                                 topic, and at last one "<n> end\n" (all sent),
//                                 "<n> cut\n" (the span limit was reached: ask
//                                 again after the last line), "<n> busy\n" (too
//                                 many replays running: ask again later) or
//                                 "<n> unknown\n" (no such daily file)
//
// "since" asks for every line whose time (the instrument's) is at or after
// the given one, from the daily files of that day and later, in name order.
// "after" asks for what was written after a line the watcher holds: the rest
// of that file from <offset> on, then every daily file written since (its
// last change not before that file's), in the order they were last written:
// a file begun after the instrument's clock was set back sorts before the
// others by name but is written after them.
//
// A watcher keeps a line when its (file, offset) is not yet held: two lines
// with the same bytes are still two lines. Names received are only ever
// compared with the station's own folder listing or checked as daily file
// names before use, never joined to a path as they stand.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/journal.h"

namespace kordel {

struct JournalEntry {
    std::string file;         // a daily file name
    std::uint64_t offset = 0; // the line's first byte in that file
    std::string line;         // 61 characters, without CR LF
    bool operator==(const JournalEntry&) const = default;
};

// At most this many entries in one journal or replay message (about 10 KB).
inline constexpr std::size_t kMaxBatchEntries = 100;
// What a watcher accepts as one journal or replay message.
inline constexpr int kMaxBatchBytes = 16 * 1024;

void appendJournalEntry(std::string& out, std::string_view file, std::uint64_t offset, std::string_view line);
// The entries of `text` (a sequence of entry lines); false when any line is not
// one: a daily file name, a number without leading zeros, a valid device line.
bool parseJournalEntries(std::string_view text, std::vector<JournalEntry>& out);

// A request id: 1 to 32 letters, digits, '-' and '_' (one topic level).
bool isReplayId(std::string_view id);

struct ReplayRequest {
    enum class Kind { Since, After };
    std::string id;
    std::uint64_t number = 0;
    Kind kind = Kind::Since;
    std::string since;  // Since: 14 digits, YYYYMMDDhhmmss
    JournalPosition after;  // After: a daily file and the offset to read on from
    bool operator==(const ReplayRequest&) const = default;
};

std::string formatReplayRequest(const ReplayRequest& request);
std::optional<ReplayRequest> parseReplayRequest(std::string_view text);

struct ReplayAnswer {
    enum class Kind { Lines, End, Cut, Busy, Unknown };
    std::uint64_t number = 0;
    Kind kind = Kind::Lines;
    std::vector<JournalEntry> entries;  // Lines
};

std::string replayAnswerHeader(std::uint64_t number);  // "<n>\n", then entries
std::string formatReplayEnd(std::uint64_t number, ReplayAnswer::Kind kind);
std::optional<ReplayAnswer> parseReplayAnswer(std::string_view text);

// "YYYYMMDDhhmmss" of a device line's time (its first 19 characters).
std::string lineTimeKey(std::string_view line);

// One stretch of a daily file that a replay reads: lines starting at or after
// `from`, up to the file's size when the request came (`to`).
struct ReplaySegment {
    std::string file;
    std::uint64_t from = 0;
    std::uint64_t to = 0;
    bool operator==(const ReplaySegment&) const = default;
};

// What a request asks for, given the daily files in the station's folder now;
// nothing for an "after" naming a file that is not there. The names in the
// result are the folder's own.
std::optional<std::vector<ReplaySegment>> planReplay(const ReplayRequest& request, std::vector<DailyFileInfo> files);

// Which lines of each daily file a watcher holds: per file, runs of lines
// that follow each other without a gap (a valid line is 63 bytes, so a run
// [start, end) holds (end - start) / 63 lines). A day of lines without damage
// is one run; memory grows only with the damaged pieces between lines.
class LineCoverage {
public:
    // False when the line at (`file`, `offset`) is held already; otherwise it
    // is held from now on.
    bool insert(const std::string& file, std::uint64_t offset);
    bool contains(const std::string& file, std::uint64_t offset) const;
    // How many held lines of `file` start before `offset`.
    std::uint64_t linesBefore(const std::string& file, std::uint64_t offset) const;
    std::uint64_t lineCount(const std::string& file) const { return linesBefore(file, UINT64_MAX); }
    // Forgets the held lines of `file` after the first `lines` of them.
    void keepFirst(const std::string& file, std::uint64_t lines);

    // One "<file> <start> <end>\n" per run; parse wants exactly that.
    std::string format() const;
    static std::optional<LineCoverage> parse(std::string_view text);

    const std::map<std::string, std::map<std::uint64_t, std::uint64_t>>& runs() const { return runs_; }

private:
    std::map<std::string, std::map<std::uint64_t, std::uint64_t>> runs_;
};

// A token bucket: at most `burst` at once, one more every `intervalMs`.
class RateLimit {
public:
    RateLimit(int burst, std::int64_t intervalMs) : burst_(burst), intervalMs_(intervalMs), tokens_(burst) {}
    bool take(std::int64_t nowMs);

private:
    int burst_;
    std::int64_t intervalMs_;
    int tokens_;
    std::int64_t last_ = INT64_MIN;
};

}  // namespace kordel
