#include "processing/spikedetector.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>

namespace kordel {

namespace {

constexpr double kMadToSigma = 1.4826;  // MAD of Gaussian noise × this = its standard deviation

// Median and MAD (in raw counts) of one block, with the sample index of its
// centre; nothing present: count 0.
struct BlockLevel {
    double centre = 0;
    double median = 0;
    double mad = 0;
    std::size_t count = 0;
};

constexpr std::int64_t kCountingRange = 16'384;

// The element at index n/2 of the sorted values, and the same of their
// absolute deviations from it. A block of a quiet field spans a few hundred
// counts: those are counted (a histogram, O(n + range)); a wider block is
// selected with nth_element.
std::pair<std::int64_t, std::int64_t> medianAndMad(std::vector<std::int32_t>& values, std::int32_t lo, std::int32_t hi,
                                                   std::vector<std::uint32_t>& histogram,
                                                   std::vector<std::uint32_t>& deviations) {
    const std::size_t half = values.size() / 2;
    if (static_cast<std::int64_t>(hi) - lo < kCountingRange) {
        const auto range = static_cast<std::size_t>(hi - lo) + 1;
        histogram.assign(range, 0);
        for (const std::int32_t x : values) ++histogram[static_cast<std::size_t>(x - lo)];
        std::size_t m = 0;
        for (std::size_t seen = 0;; ++m) {
            seen += histogram[m];
            if (seen > half) break;
        }
        std::size_t d = 0;
        for (std::size_t seen = histogram[m];; ) {
            if (seen > half) break;
            ++d;
            if (m + d < range) seen += histogram[m + d];
            if (d <= m) seen += histogram[m - d];
        }
        return {lo + static_cast<std::int64_t>(m), static_cast<std::int64_t>(d)};
    }
    const auto mid = values.begin() + static_cast<std::ptrdiff_t>(half);
    std::nth_element(values.begin(), mid, values.end());
    const std::int64_t median = *mid;
    deviations.clear();
    for (const std::int32_t x : values) {
        const std::int64_t d = x - median;
        deviations.push_back(static_cast<std::uint32_t>(std::min<std::int64_t>(d < 0 ? -d : d, UINT32_MAX)));
    }
    const auto dmid = deviations.begin() + static_cast<std::ptrdiff_t>(half);
    std::nth_element(deviations.begin(), dmid, deviations.end());
    return {median, *dmid};
}

std::vector<BlockLevel> blockLevels(std::span<const std::int32_t> v, std::size_t blockSamples) {
    std::vector<BlockLevel> levels;
    std::vector<std::int32_t> values;
    std::vector<std::uint32_t> histogram, deviations;
    values.reserve(blockSamples);
    for (std::size_t first = 0; first < v.size(); first += blockSamples) {
        const std::size_t last = std::min(v.size(), first + blockSamples);
        values.clear();
        std::int32_t lo = INT32_MAX, hi = INT32_MIN;
        for (std::size_t i = first; i < last; ++i) {
            if (v[i] == Record::kMissing) continue;
            values.push_back(v[i]);
            lo = std::min(lo, v[i]);
            hi = std::max(hi, v[i]);
        }
        if (values.empty()) continue;
        const auto [median, mad] = medianAndMad(values, lo, hi, histogram, deviations);
        levels.push_back({0.5 * static_cast<double>(first + last - 1), static_cast<double>(median),
                          static_cast<double>(mad), values.size()});
    }
    return levels;
}

// The noise changes slowly, while one block's MAD of a few dozen samples
// scatters by a quarter: each block's scale becomes the median of the MADs of
// the blocks around it, which keeps the fence steady on slow data too.
void steadyScale(std::vector<BlockLevel>& levels) {
    constexpr std::size_t kHalf = 7;
    std::vector<double> mads(levels.size()), around;
    for (std::size_t b = 0; b < levels.size(); ++b) {
        around.clear();
        for (std::size_t k = b > kHalf ? b - kHalf : 0; k < std::min(levels.size(), b + kHalf + 1); ++k) {
            around.push_back(levels[k].mad);
        }
        const auto mid = around.begin() + static_cast<std::ptrdiff_t>(around.size() / 2);
        std::nth_element(around.begin(), mid, around.end());
        mads[b] = *mid;
    }
    for (std::size_t b = 0; b < levels.size(); ++b) levels[b].mad = mads[b];
}

bool nearStep(std::span<const Flag> steps, const std::string& component, std::int64_t from, std::int64_t to) {
    for (const Flag& s : steps) {
        if (s.endMs >= from && s.startMs <= to &&
            std::find(s.components.begin(), s.components.end(), component) != s.components.end()) {
            return true;
        }
    }
    return false;
}

void spikesOf(const Record& r, std::size_t c, const SpikeSettings& settings, std::span<const Flag> steps,
              std::int64_t setMs, std::vector<Flag>& out) {
    const std::span<const std::int32_t> v = r.column(c);
    const std::int64_t interval = std::max<std::int64_t>(1, r.typicalIntervalMs());
    const auto blockSamples = static_cast<std::size_t>(std::max<std::int64_t>(16, settings.windowMs / interval));
    std::vector<BlockLevel> levels = blockLevels(v, blockSamples);
    if (levels.empty()) return;
    steadyScale(levels);
    const double k = settings.fence[c] * kMadToSigma;
    const double floor = settings.floorNt[c] * r.scale(c);
    const std::string& name = r.channel(c).name;

    std::size_t b = 0;  // levels[b] is the last block whose centre is ≤ i (or the first)
    std::size_t runStart = 0, runEnd = 0;
    bool inRun = false;
    const auto closeRun = [&] {
        inRun = false;
        const std::int64_t t0 = r.timeMs(runStart), t1 = r.timeMs(runEnd);
        if (t1 - t0 > settings.maxSpikeMs) return;
        if (nearStep(steps, name, t0 - settings.windowMs, t1 + settings.windowMs)) return;
        out.push_back({t0, t1, {name}, FlagKind::Spike, "auto", setMs, "Hampel fence"});
    };
    // Between block centres the median and the fence are straight lines in
    // the sample index: a + slope·i, renewed when i passes the next centre.
    std::size_t segmentEnd = 0;
    double m0 = 0, mSlope = 0, f0 = 0, fSlope = 0;
    const auto segment = [&](std::size_t i) {
        const double x = static_cast<double>(i);
        while (b + 1 < levels.size() && levels[b + 1].centre <= x) ++b;
        const BlockLevel& lo = levels[b];
        if (b + 1 < levels.size() && lo.centre <= x) {
            const BlockLevel& hi = levels[b + 1];
            const double span = hi.centre - lo.centre;
            mSlope = (hi.median - lo.median) / span;
            fSlope = k * (hi.mad - lo.mad) / span;
            m0 = lo.median - mSlope * lo.centre;
            f0 = k * lo.mad - fSlope * lo.centre;
            segmentEnd = static_cast<std::size_t>(hi.centre) + 1;
        } else {
            // Before the first centre or after the last: level.
            mSlope = fSlope = 0;
            m0 = lo.median;
            f0 = k * lo.mad;
            segmentEnd = b + 1 < levels.size() ? static_cast<std::size_t>(levels[b].centre) + 1 : v.size();
        }
    };
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (v[i] == Record::kMissing) {
            if (inRun) closeRun();
            continue;
        }
        if (i >= segmentEnd) segment(i);
        const double x = static_cast<double>(i);
        const double fence = std::max(f0 + fSlope * x, floor);
        const bool outlier = std::abs(v[i] - (m0 + mSlope * x)) > fence;
        if (outlier) {
            if (!inRun) runStart = i;
            runEnd = i;
            inRun = true;
        } else if (inRun) {
            closeRun();
        }
    }
    if (inRun) closeRun();
}

}  // namespace

std::vector<Flag> mergeComponents(std::vector<Flag> flags) {
    std::map<std::pair<std::int64_t, std::int64_t>, std::size_t> byRange;
    std::vector<Flag> merged;
    for (Flag& f : flags) {
        const auto [it, added] = byRange.try_emplace({f.startMs, f.endMs}, merged.size());
        if (added) {
            merged.push_back(std::move(f));
            continue;
        }
        auto& components = merged[it->second].components;
        for (auto& c : f.components) {
            if (std::find(components.begin(), components.end(), c) == components.end()) components.push_back(c);
        }
    }
    std::stable_sort(merged.begin(), merged.end(), [](const Flag& a, const Flag& b) { return a.startMs < b.startMs; });
    return merged;
}

std::vector<Flag> detectSpikes(const Record& record, const SpikeSettings& settings, std::span<const Flag> steps,
                               std::int64_t setMs) {
    std::vector<Flag> flags;
    for (std::size_t c = 0; c < std::min<std::size_t>(3, record.channelCount()); ++c) {
        spikesOf(record, c, settings, steps, setMs, flags);
    }
    return mergeComponents(std::move(flags));
}

}  // namespace kordel
