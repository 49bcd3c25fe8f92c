#include "processing/standardvalues.h"

#include <algorithm>
#include <limits>

#include "processing/minutefilter.h"
#include "processing/secondfilter.h"

namespace kordel {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// How far before the first and after the last minute the filter reaches.
std::int64_t minuteReachMs(std::int64_t intervalMs) {
    return static_cast<std::int64_t>(minuteFilterWeights(intervalMs).size() - 1) * intervalMs;
}

}  // namespace

StandardValues::StandardValues(std::span<const std::int64_t> stampsMs)
    : times_(spreadSharedStamps(stampsMs)), clock_(sampleClock(times_)) {}

std::vector<double> StandardValues::onGrid(std::span<const double> values, std::int64_t firstMs, std::int64_t stepMs,
                                           std::size_t count) const {
    std::vector<double> grid(count, kNaN);
    const std::int64_t end = firstMs + stepMs * static_cast<std::int64_t>(count);
    auto i = static_cast<std::size_t>(std::lower_bound(times_.begin(), times_.end(), firstMs) - times_.begin());
    for (; i < times_.size() && times_[i] < end; ++i) {
        if ((times_[i] - firstMs) % stepMs == 0) grid[static_cast<std::size_t>((times_[i] - firstMs) / stepMs)] = values[i];
    }
    return grid;
}

std::vector<double> StandardValues::seconds(std::span<const double> values, std::int64_t firstSecondMs,
                                            std::size_t count) const {
    if (clock_.kind != SampleClock::Kind::Faster) return onGrid(values, firstSecondMs, 1000, count);
    std::vector<double> out(count);
    // Only the samples within the filter's reach of the span.
    const auto from = std::lower_bound(times_.begin(), times_.end(), firstSecondMs - kSecondFilterHalfWidthMs);
    const auto to = std::lower_bound(from, times_.end(),
                                     firstSecondMs + 1000 * static_cast<std::int64_t>(count) + kSecondFilterHalfWidthMs);
    const auto first = static_cast<std::size_t>(from - times_.begin());
    const auto n = static_cast<std::size_t>(to - from);
    filterSeconds(std::span(times_).subspan(first, n), values.subspan(first, n), clock_.intervalMs, firstSecondMs, out);
    return out;
}

std::vector<double> StandardValues::minutes(std::span<const double> values, std::int64_t firstMinuteMs,
                                            std::size_t count) const {
    using Kind = SampleClock::Kind;
    std::int64_t step = 0;
    switch (clock_.kind) {
        case Kind::Faster:
        case Kind::Seconds: step = 1000; break;
        case Kind::FiveSeconds: step = 5000; break;
        case Kind::TenSeconds: step = 10000; break;
        case Kind::Minutes: return onGrid(values, firstMinuteMs, 60000, count);
        case Kind::Other: return std::vector<double>(count, kNaN);
    }
    const std::int64_t reach = minuteReachMs(step);
    const std::int64_t gridStart = firstMinuteMs - reach;
    const auto gridCount = static_cast<std::size_t>((60000 * static_cast<std::int64_t>(count) + 2 * reach) / step);
    const std::vector<double> grid =
        clock_.kind == Kind::Faster ? seconds(values, gridStart, gridCount) : onGrid(values, gridStart, step, gridCount);
    std::vector<double> out(count);
    filterMinutes(grid, gridStart, step, firstMinuteMs, out);
    return out;
}

std::vector<double> minuteValues(std::span<const std::int64_t> timesMs, std::span<const double> values,
                                 std::int64_t firstMinuteMs, std::size_t count) {
    return StandardValues(timesMs).minutes(values, firstMinuteMs, count);
}

}  // namespace kordel
