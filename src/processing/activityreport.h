#pragma once
// The activity of a stretch of days as text: the daily K and ΣK, and in the
// csv and json forms also the hourly levels. What kordel-activity prints.
//
// text  one line per UT day: "2026-12-08  1 2 1 0 2 3 2 1  12"; a missing K
//       or ΣK is "-", a provisional one ends in "*".
// csv   a header, then one row per UT day: date, k_00 … k_21 (the eight
//       intervals by their starting hour, empty when missing), sum_k,
//       provisional (the column of the provisional K, if any), level_00 …
//       level_23 (the hourly levels, empty when not known).
// json  {"days":[…]} with one object per day and line: date, k (eight
//       numbers or null), provisional (eight booleans), sum_k,
//       sum_k_provisional, disturbance_nt (24 numbers, one decimal, or null)
//       and level (24 names or null).
// Lines end in "\n". Cost: O(days).

#include <string>
#include <vector>

#include "processing/activitylevel.h"
#include "processing/kindex.h"

namespace kordel {

enum class ActivityFormat { Text, Csv, Json };

// `hours` as hourlyActivity gives them for the same minutes as `days`.
std::string activityReport(const std::vector<KDay>& days, const std::vector<HourlyActivity>& hours,
                           ActivityFormat format);

// "2026-12-08" of a day since 30 December 1899.
std::string isoDate(std::int64_t day);

}  // namespace kordel
