#pragma once
// What a chart draws of one channel for a visible time window: every sample
// when they are few, otherwise per pixel column the minimum and the maximum
// (in the order they occur), so the drawing has the full line's shape and
// every spike. A NaN value breaks the line: at a gap of the record, and at a
// missing sample (or a column whose samples are all missing). One sample on
// each side beyond the window is included, so the line reaches the edges.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "record/record.h"

namespace kordel {

struct EnvelopeLine {
    std::vector<double> x;  // date-time numbers, ascending
    std::vector<double> y;  // values in the channel's unit; NaN breaks the line
    bool reduced = false;   // min/max per column rather than every sample
};

// The window [fromMs, toMs] drawn `pixels` columns wide. Every sample is given
// while the window holds at most kEveryPointFactor × pixels of them. Nothing is
// given for a window reaching beyond ±Record::kTimeLimitMs.
inline constexpr std::size_t kEveryPointFactor = 4;
EnvelopeLine envelope(const Record& record, std::size_t channel, std::int64_t fromMs, std::int64_t toMs,
                      int pixels);

}  // namespace kordel
