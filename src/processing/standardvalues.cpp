#include "processing/standardvalues.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <thread>

#include "processing/minutefilter.h"
#include "processing/secondfilter.h"

namespace kordel {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Fewer seconds than this are not worth a thread.
constexpr std::size_t kSecondsOnTwoThreads = 3600;

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

StandardValues::Columns StandardValues::seconds(const Columns& values, std::int64_t firstSecondMs,
                                                std::size_t count) const {
    Columns out;
    if (clock_.kind != SampleClock::Kind::Faster) {
        for (const auto& v : values) out.push_back(onGrid(v, firstSecondMs, 1000, count));
        return out;
    }
    out.assign(values.size(), std::vector<double>(count));
    // Seconds [j0, j1) from only the samples within the filter's reach of them.
    const auto filterPart = [&](std::size_t j0, std::size_t j1) {
        const std::int64_t start = firstSecondMs + 1000 * static_cast<std::int64_t>(j0);
        const auto from = std::lower_bound(times_.begin(), times_.end(), start - kSecondFilterHalfWidthMs);
        const auto to = std::lower_bound(
            from, times_.end(), start + 1000 * static_cast<std::int64_t>(j1 - j0) + kSecondFilterHalfWidthMs);
        const auto first = static_cast<std::size_t>(from - times_.begin());
        const auto n = static_cast<std::size_t>(to - from);
        std::vector<std::span<const double>> in;
        std::vector<std::span<double>> made;
        for (std::size_t c = 0; c < values.size(); ++c) {
            in.push_back(std::span(values[c]).subspan(first, n));
            made.push_back(std::span(out[c]).subspan(j0, j1 - j0));
        }
        filterSeconds(std::span(times_).subspan(first, n), in, clock_.intervalMs, start, made);
    };
    // A day's seconds on two threads: the halves share nothing they write.
    const std::size_t half = count >= kSecondsOnTwoThreads ? count / 2 : count;
    {
        std::optional<std::jthread> helper;
        if (half < count) helper.emplace([&] { filterPart(half, count); });
        filterPart(0, half);
    }
    return out;
}

StandardValues::Columns StandardValues::minutes(const Columns& values, std::int64_t firstMinuteMs,
                                                std::size_t count) const {
    using Kind = SampleClock::Kind;
    std::int64_t step = 0;
    switch (clock_.kind) {
        case Kind::Faster:
        case Kind::Seconds: step = 1000; break;
        case Kind::FiveSeconds: step = 5000; break;
        case Kind::TenSeconds: step = 10000; break;
        case Kind::Minutes: {
            Columns out;
            for (const auto& v : values) out.push_back(onGrid(v, firstMinuteMs, 60000, count));
            return out;
        }
        case Kind::Other: return Columns(values.size(), std::vector<double>(count, kNaN));
    }
    const std::int64_t reach = minuteReachMs(step);
    const std::int64_t gridStart = firstMinuteMs - reach;
    const auto gridCount = static_cast<std::size_t>((60000 * static_cast<std::int64_t>(count) + 2 * reach) / step);
    Columns grids;
    if (clock_.kind == Kind::Faster) {
        grids = seconds(values, gridStart, gridCount);
    } else {
        for (const auto& v : values) grids.push_back(onGrid(v, gridStart, step, gridCount));
    }
    Columns out(values.size(), std::vector<double>(count));
    for (std::size_t c = 0; c < values.size(); ++c) filterMinutes(grids[c], gridStart, step, firstMinuteMs, out[c]);
    return out;
}

std::vector<double> StandardValues::seconds(std::span<const double> values, std::int64_t firstSecondMs,
                                            std::size_t count) const {
    return seconds(Columns{std::vector<double>(values.begin(), values.end())}, firstSecondMs, count).front();
}

std::vector<double> StandardValues::minutes(std::span<const double> values, std::int64_t firstMinuteMs,
                                            std::size_t count) const {
    return minutes(Columns{std::vector<double>(values.begin(), values.end())}, firstMinuteMs, count).front();
}

std::vector<double> minuteValues(std::span<const std::int64_t> timesMs, std::span<const double> values,
                                 std::int64_t firstMinuteMs, std::size_t count) {
    return StandardValues(timesMs).minutes(values, firstMinuteMs, count);
}

}  // namespace kordel
