#include "processing/boxmeans.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kordel {

void boxMeans(std::span<const std::int64_t> timesMs, std::span<const double> values, std::int64_t firstMs,
              std::int64_t lengthMs, std::size_t minSamples, std::span<double> out) {
    std::size_t i = static_cast<std::size_t>(std::lower_bound(timesMs.begin(), timesMs.end(), firstMs) - timesMs.begin());
    for (std::size_t j = 0; j < out.size(); ++j) {
        const std::int64_t end = firstMs + lengthMs * static_cast<std::int64_t>(j + 1);
        double sum = 0;
        std::size_t count = 0;
        for (; i < timesMs.size() && timesMs[i] < end; ++i) {
            if (std::isnan(values[i])) continue;
            sum += values[i];
            ++count;
        }
        out[j] = count >= std::max<std::size_t>(1, minSamples) ? sum / static_cast<double>(count)
                                                               : std::numeric_limits<double>::quiet_NaN();
    }
}

std::size_t boxMinimumSamples(std::int64_t lengthMs, std::int64_t typicalIntervalMs) {
    if (lengthMs <= 1000 || typicalIntervalMs <= 0) return 1;
    const std::int64_t expected = std::max<std::int64_t>(1, lengthMs / typicalIntervalMs);
    return static_cast<std::size_t>((expected + 1) / 2);
}

}  // namespace kordel
