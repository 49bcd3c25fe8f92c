#pragma once
// Hourly and daily means as the INTERMAGNET Technical Manual defines them:
// the hourly mean is the arithmetic mean of the one-minute values 00–59 of the
// hour (stamped HH:29:30 where a file carries a time per value), the daily
// mean that of the day's 1440 one-minute values (stamped 11:59:30). Each needs
// 90 % of its inputs present, 54 of 60 and 1296 of 1440; otherwise NaN
// (written as 99999.00).
//
// Units: those of the minute values. Cost: one pass over them.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kordel {

inline constexpr std::size_t kHourNeedsMinutes = 54;
inline constexpr std::size_t kDayNeedsMinutes = 1296;
// Where the means stand within their hour and day.
inline constexpr std::int64_t kHourlyStampMs = (29 * 60 + 30) * 1000;
inline constexpr std::int64_t kDailyStampMs = ((11 * 60 + 59) * 60 + 30) * 1000;

// The mean of the values that are not NaN, when at least `needed` are; else NaN.
double meanOfPresent(std::span<const double> values, std::size_t needed);

// One mean per whole hour of `minutes` (which starts at an hour).
std::vector<double> hourlyMeans(std::span<const double> minutes);
// The mean of a day's 1440 minute values.
double dailyMean(std::span<const double> minutes);

}  // namespace kordel
