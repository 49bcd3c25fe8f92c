#include "exchange/intervalmeans.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kordel {

namespace {

std::int64_t floorTo(std::int64_t t, std::int64_t step) {
    const std::int64_t q = t / step;
    return (q - ((t % step != 0) && (t < 0))) * step;
}

}  // namespace

std::size_t minimumSamples(std::int64_t intervalMs, std::int64_t typicalIntervalMs) {
    if (intervalMs <= 1000 || typicalIntervalMs <= 0) return 1;
    const std::int64_t expected = std::max<std::int64_t>(1, intervalMs / typicalIntervalMs);
    return static_cast<std::size_t>((expected + 1) / 2);
}

Record intervalMeans(const Record& record, std::size_t first, std::size_t last, std::int64_t intervalMs,
                     std::size_t minSamples) {
    std::vector<ChannelInfo> channels;
    for (std::size_t c = 0; c < record.channelCount(); ++c) channels.push_back(record.channel(c));
    Record means(channels);
    if (first >= last || intervalMs <= 0) {
        means.finish();
        return means;
    }
    const std::size_t nc = record.channelCount();
    std::vector<std::int32_t> raw(nc);
    std::vector<std::int64_t> sums(nc);
    std::vector<std::size_t> counts(nc);
    const std::int64_t end = floorTo(record.timeMs(last - 1), intervalMs);
    std::size_t i = first;
    for (std::int64_t start = floorTo(record.timeMs(first), intervalMs); start <= end; start += intervalMs) {
        std::fill(sums.begin(), sums.end(), 0);
        std::fill(counts.begin(), counts.end(), 0);
        for (; i < last && record.timeMs(i) < start + intervalMs; ++i) {
            for (std::size_t c = 0; c < nc; ++c) {
                const std::int32_t v = record.column(c)[i];
                if (v != Record::kMissing) {
                    sums[c] += v;
                    ++counts[c];
                }
            }
        }
        for (std::size_t c = 0; c < nc; ++c) {
            raw[c] = counts[c] >= std::max<std::size_t>(1, minSamples)
                         ? static_cast<std::int32_t>(
                               std::llround(static_cast<double>(sums[c]) / static_cast<double>(counts[c])))
                         : Record::kMissing;
        }
        means.append(start, raw);
    }
    means.finish();
    return means;
}

}  // namespace kordel
