#pragma once
// The event log: one plain text file, one line per event,
// "dd/mm/yyyy HH:mm:ss: <text>" ended by CR LF. The file is opened, appended to
// and closed for every entry, so every entry is with the operating system when
// `write` returns and another program can read the log at any time; it reaches
// the disk itself within about a second (BatchedSync).

#include <cstdint>
#include <string>
#include <string_view>

#include "app/batchedsync.h"
#include "app/fixedformats.h"
#include "app/iostatus.h"

namespace kordel {

class EventLog {
public:
    // A log file of this size or more is not shown in the log window.
    static constexpr std::uint64_t kViewLimit = 8'192'000;

    explicit EventLog(std::string path = {}) : path_(std::move(path)) {}

    void setPath(std::string path) { path_ = std::move(path); }
    const std::string& path() const { return path_; }

    // Appends one entry stamped with the clock's local time. The text is written
    // unchanged: a text holding CR LF spans several lines. A failing sync of
    // the entries before is reported here too.
    IoStatus write(std::string_view text) const;
    // The entries written lately go to the disk when their turn has come (the
    // program calls this every BatchedSync::kTick) or now (at exit).
    IoStatus syncIfDue() const;
    IoStatus syncNow() const;
    // The clock that times the syncs (benchmarks put in their own).
    void setSyncClock(BatchedSync::Clock clock) { sync_.setClock(std::move(clock)); }

    // Empties the log file (creates it when missing).
    IoStatus clear() const;

    // True when the file exists and is small enough to be shown.
    bool viewable() const;

    static std::string formatEntry(const CivilDateTime& when, std::string_view text);

private:
    std::string path_;
    // Which entries are still to be synced is no part of the log's value: a
    // const log (written to from everywhere) keeps it all the same.
    mutable BatchedSync sync_;
};

}  // namespace kordel
