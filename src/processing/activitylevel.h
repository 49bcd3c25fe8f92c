#pragma once
// The hourly activity level of the station, as aurora-alert networks publish
// their method: the disturbance of an hour is the largest departure of the
// horizontal field from a quiet-day curve, and thresholds set per station turn
// it into a level: green, yellow, amber, red.
//
// The quiet-day curve of a day is made from the quietest days of the previous
// UT month (the five with the lowest ΣK among those with eight final K): their
// X and Y averaged minute by minute of the day, then smoothed to a mean and the
// 24-, 12-, 8- and 6-hour harmonics by least squares. A month without such a
// day falls back to the quietest days among the 31 before the day; without any,
// the day has no levels.
//
// The departure is the length of the horizontal disturbance vector,
// √((X − Xq)² + (Y − Yq)²) in nT, so the instrument's azimuth does not matter.
// An hour more than 10 % missing has no level; the hour that holds `nowMinute`
// is measured over its minutes so far; later hours have none.
//
// Cost: O(minutes) plus one curve per month (1440 × 9 × 2 operations).

#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

#include "processing/horizontalminutes.h"
#include "processing/kindex.h"

namespace kordel {

enum class ActivityLevel : std::uint8_t { Green, Yellow, Amber, Red };

// "green", "yellow", "amber", "red".
std::string_view levelName(ActivityLevel level);
std::optional<ActivityLevel> parseLevel(std::string_view name);

struct LevelThresholds {  // nT, lower limits of the levels
    double yellowNt = 50;
    double amberNt = 100;
    double redNt = 200;
};

ActivityLevel levelOf(double disturbanceNt, const LevelThresholds& thresholds);

// "Y,A,R": three rising numbers of nT above 0 (the form of the tools' --levels).
std::optional<LevelThresholds> parseLevelThresholds(std::string_view text);

struct HourlyActivity {
    std::int64_t hour = 0;                 // hours since 30 December 1899 (UT)
    std::optional<double> disturbanceNt;   // largest departure in the hour
    std::optional<ActivityLevel> level;
};

// The days whose minutes make the quiet-day curve of `day` (UT day numbers,
// ascending); `kDays` as computeKIndices gives them. Empty when none qualify.
std::vector<std::int64_t> quietDaysFor(std::int64_t day, const std::vector<KDay>& kDays, std::size_t count = 5);

// X and Y of the quiet-day curve at each minute of the UT day (1440 each);
// empty when the quiet days' minutes in `minutes` do not make one.
struct QuietDayCurve {
    std::vector<double> x, y;
    bool valid() const { return !x.empty(); }
};
QuietDayCurve quietDayCurve(const HorizontalMinutes& minutes, const std::vector<std::int64_t>& days);

// The one hour `hour` (hours since the epoch) against `curve`, as
// hourlyActivity measures every hour: for a live monitor, which needs only the
// hour in progress. Cost: 60 distances.
HourlyActivity hourActivity(const HorizontalMinutes& minutes, const QuietDayCurve& curve, std::int64_t hour,
                            const LevelThresholds& thresholds,
                            std::int64_t nowMinute = std::numeric_limits<std::int64_t>::max());

// Every UT hour of the days in `minutes`, ascending.
std::vector<HourlyActivity> hourlyActivity(const HorizontalMinutes& minutes, const std::vector<KDay>& kDays,
                                           const LevelThresholds& thresholds,
                                           std::int64_t nowMinute = std::numeric_limits<std::int64_t>::max());

}  // namespace kordel
