#pragma once
// Plain means over boxes of whole seconds or minutes, for those who want the
// simple average rather than the standard filters: each box [start, start +
// length) gets the arithmetic mean of the samples inside it, labelled with its
// start ("average 1-minute (00:00-00:59)"); a box needs at least `minSamples`
// present samples, else NaN.
//
// Units: times in ms, values in any unit. Cost: one pass over the samples and
// the boxes.

#include <cstddef>
#include <cstdint>
#include <span>

namespace kordel {

// out[j] is the mean of the box [firstMs + j·lengthMs, firstMs + (j + 1)·lengthMs);
// samples ascending in time, `values` NaN where missing.
void boxMeans(std::span<const std::int64_t> timesMs, std::span<const double> values, std::int64_t firstMs,
              std::int64_t lengthMs, std::size_t minSamples, std::span<double> out);

// What a box needs: a second one sample; a minute half of those the series'
// typical interval puts in it.
std::size_t boxMinimumSamples(std::int64_t lengthMs, std::int64_t typicalIntervalMs);

}  // namespace kordel
