#include "processing/spikedetector.h"

#include <algorithm>
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

std::vector<BlockLevel> blockLevels(std::span<const std::int32_t> v, std::size_t blockSamples) {
    std::vector<BlockLevel> levels;
    std::vector<std::int32_t> values;
    std::vector<std::int64_t> deviations;
    values.reserve(blockSamples);
    deviations.reserve(blockSamples);
    for (std::size_t first = 0; first < v.size(); first += blockSamples) {
        const std::size_t last = std::min(v.size(), first + blockSamples);
        values.clear();
        for (std::size_t i = first; i < last; ++i) {
            if (v[i] != Record::kMissing) values.push_back(v[i]);
        }
        if (values.empty()) continue;
        const auto mid = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
        std::nth_element(values.begin(), mid, values.end());
        const std::int64_t median = *mid;
        deviations.clear();
        for (const std::int32_t x : values) deviations.push_back(std::llabs(x - median));
        const auto dmid = deviations.begin() + static_cast<std::ptrdiff_t>(deviations.size() / 2);
        std::nth_element(deviations.begin(), dmid, deviations.end());
        levels.push_back({0.5 * static_cast<double>(first + last - 1), static_cast<double>(median),
                          static_cast<double>(*dmid), values.size()});
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
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (v[i] == Record::kMissing) {
            if (inRun) closeRun();
            continue;
        }
        const double x = static_cast<double>(i);
        while (b + 1 < levels.size() && levels[b + 1].centre <= x) ++b;
        double median = levels[b].median, mad = levels[b].mad;
        if (b + 1 < levels.size() && levels[b].centre <= x) {
            const double w = (x - levels[b].centre) / (levels[b + 1].centre - levels[b].centre);
            median += w * (levels[b + 1].median - median);
            mad += w * (levels[b + 1].mad - mad);
        }
        const bool outlier = std::abs(v[i] - median) > std::max(k * mad, floor);
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
