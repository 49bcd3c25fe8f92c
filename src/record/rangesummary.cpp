#include "record/rangesummary.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "record/moments.h"

namespace kordel {

namespace {

// The samples [first, last) of a column, all in one block or less.
void addSamples(RangeSummary& s, Moments& moments, std::span<const std::int32_t> column, std::size_t first,
                std::size_t last) {
    for (std::size_t i = first; i < last; ++i) {
        const std::int32_t v = column[i];
        if (v == Record::kMissing) {
            continue;
        }
        if (s.count == 0 || v < s.min) {
            s.min = v;
            s.minIndex = i;
        }
        if (s.count == 0 || v > s.max) {
            s.max = v;
            s.maxIndex = i;
        }
        ++s.count;
    }
    moments.merge(momentsOf(column, first, last, Record::kMissing));
}

void addBlock(RangeSummary& s, Moments& moments, const BlockSummary& b, std::size_t first) {
    if (b.count == 0) {
        return;
    }
    if (s.count == 0 || b.min < s.min) {
        s.min = b.min;
        s.minIndex = first + b.minOffset;
    }
    if (s.count == 0 || b.max > s.max) {
        s.max = b.max;
        s.maxIndex = first + b.maxOffset;
    }
    s.count += b.count;
    moments.merge({b.count, b.mean, b.m2});
}

}  // namespace

RangeSummary summariseRange(const Record& record, std::size_t c, std::size_t first, std::size_t last) {
    RangeSummary s;
    Moments moments;
    const auto column = record.column(c);
    last = std::min(last, column.size());
    constexpr std::size_t B = Record::kBlockSize;
    const std::size_t firstWhole = (first + B - 1) / B;
    const std::size_t endWhole = last / B;
    if (firstWhole >= endWhole) {
        // At most two blocks' pieces: summarised a block at a time.
        const std::size_t split = std::clamp(firstWhole * B, first, std::max(first, last));
        addSamples(s, moments, column, first, split);
        addSamples(s, moments, column, split, std::max(split, last));
    } else {
        addSamples(s, moments, column, first, firstWhole * B);
        const auto& blocks = record.blocks(c);
        for (std::size_t b = firstWhole; b < endWhole; ++b) {
            addBlock(s, moments, blocks[b], b * B);
        }
        addSamples(s, moments, column, endWhole * B, last);
    }
    s.mean = moments.mean;
    s.m2 = moments.m2;
    return s;
}

namespace {

// The extremes start from the range's own first present sample, never from a
// sentinel: a value equal to the sentinel (the largest the record holds) would
// otherwise leave the index pointing at a sample outside the range.
void scanExtremes(RangeExtremes& e, std::span<const std::int32_t> column, std::size_t first, std::size_t last) {
    std::size_t i = first;
    if (e.count == 0) {
        while (i < last && column[i] == Record::kMissing) ++i;
        if (i == last) return;
        e.min = e.max = column[i];
        e.minIndex = e.maxIndex = i;
        e.count = 1;
        ++i;
    }
    std::int32_t mn = e.min, mx = e.max;
    std::size_t count = 0;
    for (; i < last; ++i) {
        const std::int32_t v = column[i];
        if (v == Record::kMissing) continue;
        ++count;
        if (v < mn) {
            mn = v;
            e.minIndex = i;
        }
        if (v > mx) {
            mx = v;
            e.maxIndex = i;
        }
    }
    e.count += count;
    e.min = mn;
    e.max = mx;
}

}  // namespace

RangeExtremes rangeExtremes(const Record& record, std::size_t c, std::size_t first, std::size_t last) {
    RangeExtremes e;
    const auto column = record.column(c);
    last = std::min(last, column.size());
    constexpr std::size_t B = Record::kBlockSize;
    const std::size_t firstWhole = (first + B - 1) / B;
    const std::size_t endWhole = last / B;
    if (firstWhole >= endWhole) {
        scanExtremes(e, column, first, last);
        return e;
    }
    scanExtremes(e, column, first, firstWhole * B);
    const auto& blocks = record.blocks(c);
    for (std::size_t b = firstWhole; b < endWhole; ++b) {
        const BlockSummary& s = blocks[b];
        if (s.count == 0) continue;
        if (e.count == 0 || s.min < e.min) {
            e.min = s.min;
            e.minIndex = b * B + s.minOffset;
        }
        if (e.count == 0 || s.max > e.max) {
            e.max = s.max;
            e.maxIndex = b * B + s.maxOffset;
        }
        e.count += s.count;
    }
    scanExtremes(e, column, endWhole * B, last);
    return e;
}

std::optional<WindowStatistics> windowStatistics(const Record& record, std::size_t c, std::int64_t fromMs,
                                                 std::int64_t toMs) {
    const std::size_t first = record.lowerBound(fromMs);
    const std::size_t last = record.upperBound(toMs);
    const RangeSummary s = summariseRange(record, c, first, last);
    if (s.count == 0) {
        return std::nullopt;
    }
    const double scale = record.scale(c);
    WindowStatistics w;
    w.count = s.count;
    w.mean = s.mean / scale;
    w.min = s.min / scale;
    w.max = s.max / scale;
    if (s.count > 1) {
        w.standardDeviation = std::sqrt(s.m2 / static_cast<double>(s.count - 1)) / scale;
    }
    w.minTimeMs = record.timeMs(s.minIndex);
    w.maxTimeMs = record.timeMs(s.maxIndex);
    // The gaps after samples first … last − 2 break the line inside the window.
    const auto& gaps = record.gapsAfter();
    if (last > first + 1) {
        w.gaps = static_cast<std::size_t>(std::lower_bound(gaps.begin(), gaps.end(), last - 1) -
                                          std::lower_bound(gaps.begin(), gaps.end(), first));
    }
    const std::int64_t interval = record.typicalIntervalMs();
    const std::int64_t spanFrom = std::max(fromMs, record.timeMs(0));
    const std::int64_t spanTo = std::min(toMs, record.timeMs(record.size() - 1));
    w.expected = interval > 0 && spanTo >= spanFrom
                     ? static_cast<std::size_t>((spanTo - spanFrom) / interval) + 1
                     : static_cast<std::size_t>(last - first);
    w.expected = std::max(w.expected, s.count);
    return w;
}

}  // namespace kordel
