#pragma once
// The daily files are the publisher's journal: it reads them in name order
// (YYYYMMDDhhmmss.pc sorts by time) and sends every valid device line it finds,
// keeping a position (file and byte offset) that moves on only past lines the
// broker has acknowledged.
//
// A daily file holds the received bytes in pieces that end in LF, damaged ones
// included. A valid line is the 63 bytes before and including an LF, ending in
// CR LF, that decode as a valid device line, none of them before the previous
// LF: so a damaged piece costs nothing but itself.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kordel {

struct JournalPosition {
    std::string file;  // a daily file name, without folder; "" before the first
    std::uint64_t offset = 0;
    bool operator==(const JournalPosition&) const = default;
};

// 14 digits and ".pc".
bool isDailyFileName(std::string_view name);

// The first daily file name after `current` in name order, or "" when none.
std::string nextDailyFile(const std::vector<std::string>& names, std::string_view current);

// One line "<file> <offset>\n"; reading wants exactly that, its LF included,
// so a line cut short is never taken for a smaller offset.
std::string formatJournalPosition(const JournalPosition& position);
std::optional<JournalPosition> parseJournalPosition(std::string_view text);

// The name that sorts before every daily file: a position there has sent
// nothing yet (a station's first start before its first daily file).
inline constexpr std::string_view kBeforeFirstDailyFile = "00000000000000.pc";

// What the publisher saves: the position up to which the broker acknowledged
// everything, and the daily files still to be sent after it, each from its
// start offset, in the order they are to be read. The order is not always
// name order: a file begun after the instrument's clock was set back sorts
// before the position and is still to be sent.
struct JournalState {
    JournalPosition committed;
    std::vector<JournalPosition> next;
    bool operator==(const JournalState&) const = default;
};

// The position file: one position line per entry, the committed one first.
std::string formatJournalState(const JournalState& state);
// Nothing when any line is not a whole position line (a damaged or cut file).
std::optional<JournalState> parseJournalState(std::string_view text);

struct DailyFileInfo {
    std::string name;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;  // last modification, ns since the epoch
};

// Where publishing starts, from the saved state (nothing: none saved, or
// `damaged`), the daily files in the folder now and the time the state was
// last saved. A first start begins at the end of what is on disk (its past is
// not published); a damaged state starts from the oldest file, since nothing
// is known to be sent. Files after the committed one join the queue in name
// order; a file that sorts before it joins too when it was written after the
// state was saved (the clock set back while the publisher was away), and is
// named in `notes`.
JournalState planJournal(const std::optional<JournalState>& saved, bool damaged, std::vector<DailyFileInfo> files,
                         std::int64_t savedAtNs, std::vector<std::string>& notes);

struct JournalLine {
    std::string_view text;  // the 61 characters without CR LF
    std::uint64_t end = 0;  // offset just past its LF
};

// Finds the valid lines in `bytes`, read from a daily file at offset `start`,
// at most `maxLines` of them. Returns the offset to read on from: past the last
// line taken, or past the last LF when no more lines are wanted than found. A
// stretch without any LF longer than a line is passed over except for its last
// 62 bytes, so nothing unbounded is held.
std::uint64_t scanJournal(std::string_view bytes, std::uint64_t start, std::size_t maxLines,
                          std::vector<JournalLine>& out);

// The lines sent and not yet acknowledged, in the order sent. Acknowledgements
// may come in any order; the committed position is the end of the longest
// acknowledged run from the oldest.
class AckWindow {
public:
    explicit AckWindow(std::size_t capacity) : capacity_(capacity) {}

    void sent(int mid, const JournalPosition& end) { entries_.push_back({mid, end, false}); }
    // True when the committed position moved; an unknown id changes nothing.
    bool acknowledged(int mid);

    bool full() const { return entries_.size() >= capacity_; }
    std::size_t inFlight() const { return entries_.size(); }
    const JournalPosition& committed() const { return committed_; }
    void setCommitted(const JournalPosition& position) { committed_ = position; }

private:
    struct Entry {
        int mid;
        JournalPosition end;
        bool acked;
    };
    std::size_t capacity_;
    std::deque<Entry> entries_;
    JournalPosition committed_;
};

}  // namespace kordel
