#include "files/damagedpiecelog.h"

namespace kordel {

std::string DamagedPieceLog::countEntry(std::uint64_t n) {
    return "Kordel: " + std::to_string(n) + " damaged pieces in the last minute";
}

std::optional<std::string> DamagedPieceLog::damaged(const std::string& entry) {
    if (inARow_ < kLoggedInARow) {
        ++inARow_;
        return entry;
    }
    const auto now = clock_();
    if (counted_ == 0) {
        countSince_ = now;
    }
    ++counted_;
    if (now - countSince_ < kPeriod) {
        return std::nullopt;
    }
    const std::uint64_t n = counted_;
    counted_ = 0;
    return countEntry(n);
}

std::optional<std::string> DamagedPieceLog::runEnded() {
    inARow_ = 0;
    if (counted_ == 0) {
        return std::nullopt;
    }
    const std::uint64_t n = counted_;
    counted_ = 0;
    return countEntry(n);
}

}  // namespace kordel
