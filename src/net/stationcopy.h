#pragma once
// A collector's copy of one station's daily files: in its folder (DIR/<CODE>),
// a file of the same name for each of the station's daily files, holding that
// file's valid lines, each once, in the station file's order (its damaged
// pieces left out), each line 61 characters and CR LF as in the station's file.
//
// What the copy holds is kept in "kordel-collect.state" in the same folder:
// the last line taken (where the next replay request starts) and, per file,
// the runs of the station's offsets held (net/replay.h, LineCoverage), so that
// a line's place in the copy is known and a line that comes again is
// recognised. The state is replaced whole (replaceFile) and written after the
// lines it names, so after a crash a copy file may hold more than the state
// says: load() cuts it back, and those lines are asked for again. A line that
// fills a gap (a replay that came late) is put in its place: the file is
// rewritten whole, which is rare.
//
// Names come from the station: a file is only written when its name is a
// daily file name (14 digits and ".pc") and a plain file name inside the folder.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "app/iostatus.h"
#include "net/replay.h"

namespace kordel {

class StationCopy {
public:
    using LogFunction = std::function<void(const std::string&)>;
    static constexpr const char* kStateName = "kordel-collect.state";

    StationCopy(std::string folder, LogFunction log);

    // Makes the folder when missing and reads the state, mending the copy
    // files to agree with it. A failure says why; a folder holding daily
    // files but no state is refused (they are not this collector's).
    IoStatus load();
    // Takes one line; false when it was held already or could not be written
    // (said once until a write succeeds again).
    bool add(const JournalEntry& entry);
    // Writes the state when it changed (and `force` or due): a failure is said
    // once until a save succeeds.
    void save();

    // True once after lines were lost to failed writes: the watching is to
    // start again from what the copy holds, so that they come again.
    bool takeLost() { return std::exchange(lost_, false); }

    const LineCoverage& coverage() const { return coverage_; }
    const std::optional<JournalPosition>& last() const { return last_; }
    const std::string& folder() const { return folder_; }

    static std::string formatState(const std::optional<JournalPosition>& last, const LineCoverage& coverage);
    static bool parseState(std::string_view text, std::optional<JournalPosition>& last, LineCoverage& coverage);

private:
    IoStatus insertLine(const std::string& path, std::uint64_t at, const std::string& bytes);

    std::string folder_;
    LogFunction log_;
    LineCoverage coverage_;
    std::optional<JournalPosition> last_;
    bool dirty_ = false;
    bool writeFailureLogged_ = false;
    bool saveFailureLogged_ = false;
    bool lost_ = false;
};

}  // namespace kordel
