#pragma once
// Standard one-second and one-minute values of a series of samples, whatever
// its rate: the entry point for the export and for whatever needs minute
// values (activity indices, flags, corrections).
//
// Built once from the samples' times (the stamps as read; shared stamps are
// spread, see sampletimes.h), it makes the values of any channel:
//   - one-second values: faster data (or data not on whole seconds) through
//     the one-second filter (secondfilter.h); one-second data as it is;
//   - one-minute values: the Gaussian filter (minutefilter.h) over one-second
//     values (made first when the data is faster), or over 5 s or 10 s data
//     with the tables of that interval; minute data as it is.
// A series of another kind (every 2 s, every 30 s, off its grid) gives no
// filtered values: all NaN (sampleClock() tells which kind it is).
//
// Units: times in ms since the date-time epoch (UT), values in any unit, NaN
// for missing ones; results the same, NaN where missing. Cost: the times are
// copied once (8 bytes a sample); each call does work in proportion to the
// samples it reads plus the values it makes, and holds the one-second values
// of the span asked for (8 bytes a second) while it makes minutes. The
// one-second filter runs on two threads for an hour or more of seconds.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "processing/sampletimes.h"

namespace kordel {

class StandardValues {
public:
    explicit StandardValues(std::span<const std::int64_t> stampsMs);

    const SampleClock& clock() const { return clock_; }
    // The samples' times after spreading.
    std::span<const std::int64_t> times() const { return times_; }

    // `values` one per sample. Element j of the result stands at first + j × 1 s.
    std::vector<double> seconds(std::span<const double> values, std::int64_t firstSecondMs, std::size_t count) const;
    // Element j stands at first + j × 1 min.
    std::vector<double> minutes(std::span<const double> values, std::int64_t firstMinuteMs, std::size_t count) const;

    // The same for several channels of these samples at once (cheaper than
    // one at a time): one column of values per channel, one column of results.
    using Columns = std::vector<std::vector<double>>;
    Columns seconds(const Columns& values, std::int64_t firstSecondMs, std::size_t count) const;
    Columns minutes(const Columns& values, std::int64_t firstMinuteMs, std::size_t count) const;

private:
    // Values of the samples that lie on the grid first + k·step, NaN elsewhere.
    std::vector<double> onGrid(std::span<const double> values, std::int64_t firstMs, std::int64_t stepMs,
                               std::size_t count) const;

    std::vector<std::int64_t> times_;
    SampleClock clock_;
};

// One-minute values of one channel: element j stands at firstMinuteMs + j × 60 s.
std::vector<double> minuteValues(std::span<const std::int64_t> timesMs, std::span<const double> values,
                                 std::int64_t firstMinuteMs, std::size_t count);

}  // namespace kordel
