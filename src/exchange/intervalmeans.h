#pragma once
// Means over whole UT seconds or minutes. Each interval [start, start + length)
// is labelled with its start; a channel's mean needs at least `minSamples`
// present samples in the interval, else it is missing. Every interval from the
// one holding the first sample to the one holding the last is given, empty
// ones as missing, so a file's minutes run without holes.

#include <cstddef>
#include <cstdint>

#include "record/record.h"

namespace kordel {

// Samples [first, last) of `record`; the means keep the channels and their decimals.
Record intervalMeans(const Record& record, std::size_t first, std::size_t last, std::int64_t intervalMs,
                     std::size_t minSamples);

// What an interval needs: a second one sample; a minute half of those the
// record's typical interval puts in it.
std::size_t minimumSamples(std::int64_t intervalMs, std::int64_t typicalIntervalMs);

}  // namespace kordel
