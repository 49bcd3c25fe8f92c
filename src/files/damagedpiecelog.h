#pragma once
// Keeps damaged pieces from flooding the event log. A wrong baud rate turns
// every received piece into a damaged one, about 15 a second: logged one by
// one, a night would fill the log with a million entries.
//
// The first kLoggedInARow damaged pieces in a row are logged one by one; after
// them, damaged pieces are only counted, and the count goes to the log as one
// entry a minute, "Kordel: <n> damaged pieces in the last minute", until the
// next valid device line ends the run (a count still open is logged then).

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace kordel {

class DamagedPieceLog {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    static constexpr int kLoggedInARow = 10;
    static constexpr std::chrono::seconds kPeriod{60};

    explicit DamagedPieceLog(Clock clock = [] { return std::chrono::steady_clock::now(); })
        : clock_(std::move(clock)) {}

    void setClock(Clock clock) { clock_ = std::move(clock); }

    // A damaged piece whose own entry would be `entry`: what to log now, if anything.
    std::optional<std::string> damaged(const std::string& entry);
    // A valid device line (or the end of a run): the open count, if any, to log.
    std::optional<std::string> runEnded();

    static std::string countEntry(std::uint64_t n);

private:
    Clock clock_;
    int inARow_ = 0;
    std::uint64_t counted_ = 0;
    std::chrono::steady_clock::time_point countSince_{};
};

}  // namespace kordel
