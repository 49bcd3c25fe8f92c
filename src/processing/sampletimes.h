#pragma once
// Sample times as the filters take them, and what kind of series they make.
//
// The instrument's lines carry whole seconds, so at 10 Hz ten consecutive
// samples share one stamp. spreadSharedStamps() places n consecutive samples
// that share a stamp at stamp + k·step/n (k = 0 … n − 1), step being one
// second or, when the next stamp comes sooner, the time to it; rounded to the
// millisecond. Stamps in ms, ascending (a finished record's time column).
// Cost: one pass, one output vector.
//
// sampleClock() names the series: its typical interval (the median of the
// spacings of the spread times) and whether the samples lie on the grid that
// the one-minute filter's tables expect (whole seconds at 1 s, multiples of
// 5 s or 10 s). Cost: a copy of the spacings and a selection, O(n).

#include <cstdint>
#include <span>
#include <vector>

namespace kordel {

std::vector<std::int64_t> spreadSharedStamps(std::span<const std::int64_t> stampsMs);

struct SampleClock {
    enum class Kind {
        Faster,       // faster than one a second, or not on whole seconds: the one-second filter first
        Seconds,      // one a second on whole seconds
        FiveSeconds,  // every 5 s on multiples of 5 s
        TenSeconds,   // every 10 s on multiples of 10 s
        Minutes,      // every minute on whole minutes: already minute values
        Other,        // none of these: no standard values can be made
    };
    Kind kind = Kind::Other;
    std::int64_t intervalMs = 0;  // 0 for fewer than two samples
};

// `timesMs` ascending and already spread.
SampleClock sampleClock(std::span<const std::int64_t> timesMs);

}  // namespace kordel
