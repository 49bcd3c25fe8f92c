#include "processing/stepdetector.h"

#include <algorithm>
#include <cmath>

#include "app/fixedformats.h"
#include "processing/spikedetector.h"

namespace kordel {

namespace {

constexpr double kMadToSigma = 1.4826;
constexpr std::size_t kScaleBlocks = 3600;  // the noise is judged an hour at a time (1 s blocks)

struct Block {
    std::size_t first = 0, last = 0;  // samples [first, last)
    double level = 0;                 // mean, raw counts
};

double medianOf(std::vector<double>& v) {
    const auto mid = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
    std::nth_element(v.begin(), mid, v.end());
    return *mid;
}

// Block means: cheap, and a spike that spoils one block's mean is outvoted in
// the medians of `sideBlocks` blocks taken after.
std::vector<Block> blockMeans(std::span<const std::int32_t> v, std::size_t blockSamples) {
    std::vector<Block> blocks;
    blocks.reserve(v.size() / blockSamples + 1);
    for (std::size_t first = 0; first < v.size(); first += blockSamples) {
        const std::size_t last = std::min(v.size(), first + blockSamples);
        std::int64_t sum = 0;
        std::size_t n = 0;
        for (std::size_t i = first; i < last; ++i) {
            if (v[i] != Record::kMissing) sum += v[i], ++n;
        }
        if (n > 0) blocks.push_back({first, last, static_cast<double>(sum) / static_cast<double>(n)});
    }
    return blocks;
}

// The median of a few values, by insertion sort.
double smallMedian(std::vector<double>& v) {
    for (std::size_t i = 1; i < v.size(); ++i) {
        const double x = v[i];
        std::size_t j = i;
        for (; j > 0 && v[j - 1] > x; --j) v[j] = v[j - 1];
        v[j] = x;
    }
    return v[v.size() / 2];
}

// Robust standard deviation of the block medians around block j's hour.
std::vector<double> noiseByHour(const std::vector<Block>& blocks) {
    std::vector<double> sigma;
    std::vector<double> d;
    for (std::size_t h = 0; h < blocks.size(); h += kScaleBlocks) {
        d.clear();
        for (std::size_t j = h; j + 1 < std::min(blocks.size(), h + kScaleBlocks + 1); ++j) {
            d.push_back(std::fabs(blocks[j + 1].level - blocks[j].level));
        }
        sigma.push_back(d.empty() ? 0.0 : kMadToSigma * medianOf(d) / std::sqrt(2.0));
    }
    return sigma;
}

// The first sample of the new level: the split of [first, last) that best
// separates the means on its two sides.
std::size_t splitPoint(std::span<const std::int32_t> v, std::size_t first, std::size_t last) {
    double total = 0;
    std::size_t n = 0;
    for (std::size_t i = first; i < last; ++i) {
        if (v[i] != Record::kMissing) total += v[i], ++n;
    }
    double left = 0, best = -1;
    std::size_t nl = 0, at = last;
    for (std::size_t i = first; i < last; ++i) {
        if (v[i] == Record::kMissing) continue;
        if (nl > 0 && nl < n) {
            const double diff = std::fabs(left / static_cast<double>(nl) - (total - left) / static_cast<double>(n - nl));
            const double score = diff * std::sqrt(static_cast<double>(nl * (n - nl)));
            if (score > best) best = score, at = i;
        }
        left += v[i];
        ++nl;
    }
    return at;
}

void stepsOf(const Record& r, std::size_t c, const StepSettings& s, std::int64_t setMs, std::vector<Flag>& out) {
    const std::span<const std::int32_t> v = r.column(c);
    const std::int64_t interval = std::max<std::int64_t>(1, r.typicalIntervalMs());
    const auto blockSamples = static_cast<std::size_t>(std::max<std::int64_t>(1, s.blockMs / interval));
    const std::vector<Block> blocks = blockMeans(v, blockSamples);
    const std::size_t m = std::max<std::size_t>(1, s.sideBlocks);
    if (blocks.size() < 2 * m) return;
    const std::vector<double> sigma = noiseByHour(blocks);
    const double floor = s.floorNt[c] * r.scale(c);

    // The median of the m block medians that start at block k; D(j) is then
    // ahead[j + 1] − ahead[j + 1 − m].
    std::vector<double> ahead(blocks.size() - m + 1), window(m);
    for (std::size_t k = 0; k < ahead.size(); ++k) {
        for (std::size_t q = 0; q < m; ++q) window[q] = blocks[k + q].level;
        ahead[k] = smallMedian(window);
    }
    std::size_t bestJ = 0;
    double bestD = 0;
    const auto emit = [&] {
        const std::size_t first = blocks[bestJ].first, last = blocks[bestJ + 1].last;
        std::size_t at = splitPoint(v, first, last);
        if (at >= last) return;
        std::size_t prev = at;
        while (prev > first && v[prev - 1] == Record::kMissing) --prev;
        prev = prev > first ? prev - 1 : at;
        out.push_back({r.timeMs(prev), r.timeMs(at), {r.channel(c).name}, FlagKind::Step, "auto", setMs,
                       "level change " + formatFixed(bestD / r.scale(c), 2) + " nT"});
    };
    for (std::size_t j = m - 1; j + m < blocks.size(); ++j) {
        const double d = ahead[j + 1] - ahead[j + 1 - m];
        const double fence = std::max(s.fence[c] * sigma[j / kScaleBlocks], floor);
        if (std::fabs(d) > fence) {
            if (bestD == 0 || std::fabs(d) > std::fabs(bestD)) bestJ = j, bestD = d;
        } else if (bestD != 0) {
            emit();
            bestD = 0;
        }
    }
    if (bestD != 0) emit();
}

}  // namespace

std::vector<Flag> detectSteps(const Record& record, const StepSettings& settings, std::int64_t setMs) {
    std::vector<Flag> flags;
    for (std::size_t c = 0; c < std::min<std::size_t>(3, record.channelCount()); ++c) {
        stepsOf(record, c, settings, setMs, flags);
    }
    return mergeComponents(std::move(flags));
}

}  // namespace kordel
