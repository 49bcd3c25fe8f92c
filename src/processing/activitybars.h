#pragma once
// The K index as the program draws it: one bar per three-hour UT interval,
// its height the K, its colour the highest hourly activity level of the
// interval's three hours (activitylevel.h), the provisional one marked. And
// the status bar's badge text for the station's activity now.
//
// The K are the FMI method's (kindex.h), the levels those of the quiet-day
// curve (activitylevel.h); a level that cannot be known (no quiet days before
// the interval) leaves the bar without a level, never with a guessed one.
//
// Cost: what computeKIndices and hourlyActivity cost for the minutes given;
// a month of minute values takes a few tens of milliseconds.

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "processing/activitylevel.h"
#include "processing/horizontalminutes.h"
#include "processing/kindex.h"

namespace kordel {

struct ActivityBar {
    std::int64_t startMinute = 0;  // of the interval, minutes since 30 December 1899 UT
    int k = 0;
    bool provisional = false;
    std::optional<ActivityLevel> level;  // the highest of the interval's hours

    friend bool operator==(const ActivityBar&, const ActivityBar&) = default;
};

// The bars of every interval with a K (missing ones have no bar), ascending.
std::vector<ActivityBar> activityBars(const std::vector<KDay>& days, const std::vector<HourlyActivity>& hours);

// The same from minute values, computing the K and the levels.
std::vector<ActivityBar> activityBarsOf(const HorizontalMinutes& minutes, const KIndexSettings& settings,
                                        const LevelThresholds& thresholds,
                                        std::int64_t nowMinute = std::numeric_limits<std::int64_t>::max());

// "Activity: amber (K 5)"; "Activity: K 5" without a level, "Activity:
// amber" without a K, "Activity: -" with neither; a provisional K ends in "*".
std::string activityBadgeText(std::optional<int> k, bool provisional, std::optional<ActivityLevel> level);

}  // namespace kordel
