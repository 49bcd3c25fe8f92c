#include "record/record.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <system_error>
#include <thread>

#include "record/moments.h"

namespace kordel {

namespace {

// From this many samples on, the block summaries are built on two threads.
constexpr std::size_t kParallelSummaries = 200'000;

// Above this many intervals the median is taken from an even spread of them:
// exact enough for a typical interval, and no copy of a month's intervals.
constexpr std::size_t kMedianSample = std::size_t{1} << 20;

std::int64_t medianInterval(std::span<const std::int64_t> times) {
    if (times.size() < 2) {
        return 0;
    }
    const std::size_t intervals = times.size() - 1;
    const std::size_t stride = intervals > kMedianSample ? intervals / kMedianSample : 1;
    std::vector<std::int64_t> d;
    d.reserve(intervals / stride + 1);
    for (std::size_t i = 0; i < intervals; i += stride) {
        d.push_back(times[i + 1] - times[i]);
    }
    auto mid = d.begin() + static_cast<std::ptrdiff_t>(d.size() / 2);
    std::nth_element(d.begin(), mid, d.end());
    return *mid;
}

template <typename T>
void permute(std::vector<T>& column, const std::vector<std::uint32_t>& order) {
    std::vector<T> sorted(column.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        sorted[i] = column[order[i]];
    }
    column.swap(sorted);
}

}  // namespace

Record::Record(std::vector<ChannelInfo> channels)
    : channels_(std::move(channels)), columns_(channels_.size()), blocks_(channels_.size()) {}

std::vector<ChannelInfo> Record::dataFileChannels() {
    return {{"Bx", "nT", 2}, {"By", "nT", 2}, {"Bz", "nT", 2}, {"Ts", "°C", 1}, {"Te", "°C", 1}};
}

std::optional<std::size_t> Record::findChannel(const std::string& name) const {
    for (std::size_t c = 0; c < channels_.size(); ++c) {
        if (channels_[c].name == name) {
            return c;
        }
    }
    return std::nullopt;
}

double Record::scale(std::size_t c) const {
    static constexpr double kPowers[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
    const int d = channels_[c].decimals;
    return d >= 0 && d <= 9 ? kPowers[d] : std::pow(10.0, d);
}

double Record::value(std::size_t c, std::size_t i) const {
    const std::int32_t raw = columns_[c][i];
    return raw == kMissing ? std::numeric_limits<double>::quiet_NaN() : raw / scale(c);
}

void Record::reserve(std::size_t samples) {
    times_.reserve(samples);
    for (auto& col : columns_) {
        col.reserve(samples);
    }
}

void Record::append(std::int64_t timeMs, std::span<const std::int32_t> raw) {
    times_.push_back(timeMs);
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        columns_[c].push_back(c < raw.size() ? raw[c] : kMissing);
    }
}

void Record::appendAll(const Record& other) {
    times_.insert(times_.end(), other.times_.begin(), other.times_.end());
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        if (c < other.columns_.size()) {
            columns_[c].insert(columns_[c].end(), other.columns_[c].begin(), other.columns_[c].end());
        } else {
            columns_[c].resize(times_.size(), kMissing);
        }
    }
}

void Record::shiftTimes(std::int64_t deltaMs) {
    for (auto& t : times_) {
        t += deltaMs;
    }
}

void Record::addChannel(ChannelInfo info, std::vector<std::int32_t> column) {
    column.resize(times_.size(), kMissing);
    channels_.push_back(std::move(info));
    columns_.push_back(std::move(column));
    blocks_.emplace_back();
    buildBlocks(channels_.size() - 1);
}

void Record::replaceColumn(std::size_t c, std::vector<std::int32_t> column) {
    column.resize(times_.size(), kMissing);
    columns_[c] = std::move(column);
    buildBlocks(c);
}

std::size_t Record::finish() {
    sortByTime();
    const std::size_t dropped = dropExactRepeats();
    typicalMs_ = medianInterval(times_);
    findGaps();
    // The channels' summaries are independent: a long record builds them on two threads.
    std::size_t half = times_.size() >= kParallelSummaries ? columns_.size() / 2 : 0;
    {
        std::optional<std::jthread> helper;
        if (half > 0) {
            try {
                helper.emplace([this, half] {
                    for (std::size_t c = 0; c < half; ++c) buildBlocks(c);
                });
            } catch (const std::system_error&) {
                half = 0;  // no room for another thread's stack: all on this one
            }
        }
        for (std::size_t c = half; c < columns_.size(); ++c) buildBlocks(c);
    }
    return dropped;
}

void Record::sortByTime() {
    if (std::is_sorted(times_.begin(), times_.end())) {
        return;
    }
    // Ties keep their order of arrival, so the first file's sample stays first.
    std::vector<std::uint32_t> order(times_.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [this](std::uint32_t a, std::uint32_t b) {
        return times_[a] != times_[b] ? times_[a] < times_[b] : a < b;
    });
    permute(times_, order);
    for (auto& col : columns_) {
        permute(col, order);
    }
}

bool Record::sameSample(std::size_t a, std::size_t b) const {
    if (times_[a] != times_[b]) {
        return false;
    }
    for (const auto& col : columns_) {
        if (col[a] != col[b]) {
            return false;
        }
    }
    return true;
}

std::size_t Record::dropExactRepeats() {
    // In time order a repeat lies among the samples of its own time; compact in
    // place, comparing each sample with those of its time already kept.
    std::size_t kept = 0;
    std::size_t groupStart = 0;
    for (std::size_t i = 0; i < times_.size(); ++i) {
        if (kept > 0 && times_[kept - 1] != times_[i]) {
            groupStart = kept;
        }
        bool repeat = false;
        for (std::size_t k = groupStart; k < kept && !repeat; ++k) {
            repeat = sameSample(k, i);
        }
        if (repeat) {
            continue;
        }
        if (kept != i) {
            times_[kept] = times_[i];
            for (auto& col : columns_) {
                col[kept] = col[i];
            }
        }
        ++kept;
    }
    const std::size_t dropped = times_.size() - kept;
    times_.resize(kept);
    for (auto& col : columns_) {
        col.resize(kept);
    }
    return dropped;
}

std::int64_t Record::gapThresholdMs() const { return std::max(3 * typicalMs_, kMinGapMs - 1); }

void Record::findGaps() {
    gaps_.clear();
    // Apart further than 3 × typical and at least kMinGapMs: d > 3m and d ≥ 2000.
    const std::int64_t threshold = gapThresholdMs();
    for (std::size_t i = 0; i + 1 < times_.size(); ++i) {
        if (times_[i + 1] - times_[i] > threshold) {
            gaps_.push_back(i);
        }
    }
}

bool Record::breaksAfter(std::size_t i) const { return std::binary_search(gaps_.begin(), gaps_.end(), i); }

void Record::buildBlocks(std::size_t c) {
    const std::size_t n = times_.size();
    const std::size_t blockCount = (n + kBlockSize - 1) / kBlockSize;
    const auto& col = columns_[c];
    auto& blocks = blocks_[c];
    blocks.assign(blockCount, BlockSummary{});
    for (std::size_t b = 0; b < blockCount; ++b) {
        BlockSummary s;
        const std::size_t first = b * kBlockSize;
        const std::size_t last = std::min(n, first + kBlockSize);
        for (std::size_t i = first; i < last; ++i) {
            const std::int32_t v = col[i];
            if (v == kMissing) {
                continue;
            }
            const auto offset = static_cast<std::uint32_t>(i - first);
            if (s.count == 0 || v < s.min) {
                s.min = v;
                s.minOffset = offset;
            }
            if (s.count == 0 || v > s.max) {
                s.max = v;
                s.maxOffset = offset;
            }
            ++s.count;
        }
        const Moments m = momentsOf(col, first, last, kMissing);
        s.mean = m.mean;
        s.m2 = m.m2;
        blocks[b] = s;
    }
}

std::size_t Record::lowerBound(std::int64_t t) const {
    return static_cast<std::size_t>(std::lower_bound(times_.begin(), times_.end(), t) - times_.begin());
}

std::size_t Record::lowerBoundFrom(std::size_t first, std::int64_t t) const {
    const std::size_t n = times_.size();
    if (first >= n) {
        return n;
    }
    std::size_t guess = first;
    if (typicalMs_ > 0 && t > times_[first]) {
        guess = first + static_cast<std::size_t>(std::min<std::int64_t>(
                            (t - times_[first]) / typicalMs_, static_cast<std::int64_t>(n - first)));
    }
    std::size_t lo = first, hi = n;
    if (guess < n && times_[guess] < t) {
        // The answer lies after guess: double the step until a sample is ≥ t.
        std::size_t a = guess, step = 1;
        while (a + step < n && times_[a + step] < t) {
            a += step;
            step *= 2;
        }
        lo = a + 1;
        hi = std::min(n, a + step);
    } else {
        // guess is ≥ t (or the end): double the step back while samples stay ≥ t.
        std::size_t b = guess, step = 1;
        while (b >= first + step && times_[b - step] >= t) {
            b -= step;
            step *= 2;
        }
        hi = b;
        lo = b >= first + step ? b - step + 1 : first;
    }
    return static_cast<std::size_t>(std::lower_bound(times_.begin() + static_cast<std::ptrdiff_t>(lo),
                                                     times_.begin() + static_cast<std::ptrdiff_t>(hi), t) -
                                    times_.begin());
}

std::size_t Record::upperBound(std::int64_t t) const {
    return static_cast<std::size_t>(std::upper_bound(times_.begin(), times_.end(), t) - times_.begin());
}

std::optional<std::size_t> Record::nearest(std::int64_t t, std::int64_t from, std::int64_t to) const {
    t = std::clamp(t, -kTimeLimitMs, kTimeLimitMs);
    const std::size_t lo = lowerBound(from);
    const std::size_t hi = upperBound(to);
    if (lo >= hi) {
        return std::nullopt;
    }
    const std::size_t j = lowerBound(t);
    const bool exact = j < size() && times_[j] == t;
    if (!exact && j > 0 && j < size() && breaksAfter(j - 1)) {
        return std::nullopt;
    }
    // The visible samples on either side of t; the earlier one wins a tie.
    const std::size_t after = std::clamp(j, lo, hi - 1);
    const std::size_t before = j > lo ? std::min(j - 1, hi - 1) : lo;
    const auto distance = [&](std::size_t i) { return times_[i] > t ? times_[i] - t : t - times_[i]; };
    return distance(before) <= distance(after) && !exact ? before : after;
}

std::size_t Record::memoryBytes() const {
    std::size_t bytes = times_.capacity() * sizeof(std::int64_t) + gaps_.capacity() * sizeof(std::size_t);
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        bytes += columns_[c].capacity() * sizeof(std::int32_t) + blocks_[c].capacity() * sizeof(BlockSummary);
    }
    return bytes;
}

}  // namespace kordel
