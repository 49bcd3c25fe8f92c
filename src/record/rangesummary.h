#pragma once
// Count, extremes and sums of one channel over a range of samples, from the
// record's block summaries where whole blocks lie inside the range and from the
// samples themselves at its ends: a month's window costs a few thousand reads.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "record/record.h"

namespace kordel {

struct RangeSummary {
    std::size_t count = 0;  // present samples
    std::int32_t min = 0;   // scaled, as the record holds them
    std::int32_t max = 0;
    std::size_t minIndex = 0;  // first sample holding the minimum
    std::size_t maxIndex = 0;
    double mean = 0;        // scaled
    double m2 = 0;          // Σ (value − mean)², scaled² (see record/moments.h)
};

// Samples [first, last) of channel c; missing ones are left out.
RangeSummary summariseRange(const Record& record, std::size_t c, std::size_t first, std::size_t last);

// Only the extremes of [first, last): what the envelope needs, without the sums.
struct RangeExtremes {
    std::size_t count = 0;
    std::int32_t min = 0;
    std::int32_t max = 0;
    std::size_t minIndex = 0;
    std::size_t maxIndex = 0;
};
RangeExtremes rangeExtremes(const Record& record, std::size_t c, std::size_t first, std::size_t last);

// Statistics of a time window, in the channel's unit.
struct WindowStatistics {
    std::size_t count = 0;
    double mean = 0;
    double min = 0;
    double max = 0;
    // Sample standard deviation (n − 1 in the divisor); 0 for a single sample.
    double standardDeviation = 0;
    std::int64_t minTimeMs = 0;  // the first sample holding the minimum, the maximum
    std::int64_t maxTimeMs = 0;
    // Samples the window would hold at the record's typical interval, over the
    // part of it the record spans; `count` of them is the coverage.
    std::size_t expected = 0;
    std::size_t gaps = 0;  // breaks of the line inside the window
};

// Samples with from ≤ time ≤ to; nullopt when none of them is present.
std::optional<WindowStatistics> windowStatistics(const Record& record, std::size_t c, std::int64_t fromMs,
                                                 std::int64_t toMs);

}  // namespace kordel
