#pragma once
// Puts recently written files on the disk in batches. Closing a file after
// every line leaves its bytes with the operating system: they survive a crash
// of the program but not a power cut, which can take the last half minute.
// Syncing every line would cost most of the throughput and wear SD cards out;
// syncing the files written since the last sync once their oldest unsynced
// write is kMaxAge old bounds the loss to about a second at one sync a second.
//
// The writer calls `written` after every write and `syncIfDue` after it (a
// busy writer syncs on its own); the program's timer calls `syncIfDue` a few
// times a second, so the last line before a pause is synced too. File
// rotation, Stop and exit call `syncNow`.

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "app/iostatus.h"

namespace kordel {

class BatchedSync {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // With a tick every kTick, nothing written waits longer than
    // kMaxAge + kTick (one second) for the disk.
    static constexpr std::chrono::milliseconds kMaxAge{800};
    static constexpr std::chrono::milliseconds kTick{200};

    explicit BatchedSync(Clock clock = [] { return std::chrono::steady_clock::now(); })
        : clock_(std::move(clock)) {}

    void setClock(Clock clock) { clock_ = std::move(clock); }

    // A write to `path` (a file, or a folder that got a new file) returned.
    void written(const std::string& path);
    // Syncs when the oldest unsynced write is kMaxAge old or more.
    IoStatus syncIfDue();
    // Syncs every path written since the last sync. The first failure is
    // returned; every path is tried, and none stays due after it.
    IoStatus syncNow();

    bool pending() const { return !dirty_.empty(); }
    // Syncs done so far (for benchmarks).
    unsigned long long syncCount() const { return syncs_; }

private:
    Clock clock_;
    std::vector<std::string> dirty_;
    std::chrono::steady_clock::time_point oldest_{};
    unsigned long long syncs_ = 0;
};

}  // namespace kordel
