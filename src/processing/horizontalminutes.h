#pragma once
// Minute values of the two horizontal components, the input of the activity
// computations (K index, activity level, rate of change).
//
// Minute i is minute `firstMinute + i` counted from 30 December 1899 00:00 UT
// (the date-time epoch; a record's time in ms / 60 000), so a UT day is a
// whole number of 1440 minutes. Values in nT; NaN marks a missing minute.
// Nothing is owned: the spans point into the caller's columns.

#include <cmath>
#include <cstdint>
#include <span>

namespace kordel {

inline constexpr std::int64_t kMinutesPerDay = 1440;

struct HorizontalMinutes {
    std::int64_t firstMinute = 0;
    std::span<const double> x;  // northward (Bx, X), nT
    std::span<const double> y;  // eastward (By, Y), nT

    std::size_t size() const { return x.size() < y.size() ? x.size() : y.size(); }
    std::int64_t endMinute() const { return firstMinute + static_cast<std::int64_t>(size()); }
    // Both components present at absolute minute `m`.
    bool present(std::int64_t m) const {
        if (m < firstMinute || m >= endMinute()) return false;
        const auto i = static_cast<std::size_t>(m - firstMinute);
        return !std::isnan(x[i]) && !std::isnan(y[i]);
    }
};

// Whole days, rounding toward minus infinity (times before the epoch stay on
// their own day).
inline constexpr std::int64_t dayOfMinute(std::int64_t minute) {
    return minute >= 0 ? minute / kMinutesPerDay : -((-minute + kMinutesPerDay - 1) / kMinutesPerDay);
}

}  // namespace kordel
