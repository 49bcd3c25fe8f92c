#include "processing/sampletimes.h"

#include <algorithm>

namespace kordel {

std::vector<std::int64_t> spreadSharedStamps(std::span<const std::int64_t> stampsMs) {
    std::vector<std::int64_t> times(stampsMs.begin(), stampsMs.end());
    for (std::size_t i = 0; i < times.size();) {
        std::size_t end = i + 1;
        while (end < times.size() && stampsMs[end] == stampsMs[i]) ++end;
        const std::int64_t n = static_cast<std::int64_t>(end - i);
        if (n > 1) {
            const std::int64_t step =
                end < times.size() ? std::min<std::int64_t>(1000, stampsMs[end] - stampsMs[i]) : 1000;
            for (std::int64_t k = 1; k < n; ++k) {
                // Rounded to the nearest millisecond, halves upwards.
                times[i + static_cast<std::size_t>(k)] += (2 * k * step + n) / (2 * n);
            }
        }
        i = end;
    }
    return times;
}

namespace {

bool allOnGrid(std::span<const std::int64_t> times, std::int64_t gridMs) {
    return std::all_of(times.begin(), times.end(), [gridMs](std::int64_t t) { return t % gridMs == 0; });
}

}  // namespace

SampleClock sampleClock(std::span<const std::int64_t> timesMs) {
    using Kind = SampleClock::Kind;
    SampleClock clock;
    if (timesMs.size() >= 2) {
        std::vector<std::int64_t> spacings(timesMs.size() - 1);
        for (std::size_t i = 1; i < timesMs.size(); ++i) spacings[i - 1] = timesMs[i] - timesMs[i - 1];
        const auto middle = spacings.begin() + static_cast<std::ptrdiff_t>(spacings.size() / 2);
        std::nth_element(spacings.begin(), middle, spacings.end());
        clock.intervalMs = *middle;
    }
    const std::int64_t m = clock.intervalMs;
    if (timesMs.empty()) return clock;
    if (m < 1000 || (m == 1000 && !allOnGrid(timesMs, 1000))) {
        clock.kind = m == 0 && allOnGrid(timesMs, 1000) ? Kind::Seconds : Kind::Faster;
    } else if (m == 1000) {
        clock.kind = Kind::Seconds;
    } else if (m == 5000 && allOnGrid(timesMs, 5000)) {
        clock.kind = Kind::FiveSeconds;
    } else if (m == 10000 && allOnGrid(timesMs, 10000)) {
        clock.kind = Kind::TenSeconds;
    } else if (m == 60000 && allOnGrid(timesMs, 60000)) {
        clock.kind = Kind::Minutes;
    }
    return clock;
}

}  // namespace kordel
