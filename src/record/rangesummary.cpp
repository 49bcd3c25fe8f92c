#include "record/rangesummary.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kordel {

namespace {

void addSample(RangeSummary& s, std::int32_t v, std::size_t i, double ref) {
    if (v == Record::kMissing) {
        return;
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
    const double d = v - ref;
    s.sum += d;
    s.sumSquares += d * d;
}

void addBlock(RangeSummary& s, const BlockSummary& b, std::size_t first) {
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
    s.sum += b.sum;
    s.sumSquares += b.sumSquares;
}

}  // namespace

RangeSummary summariseRange(const Record& record, std::size_t c, std::size_t first, std::size_t last) {
    RangeSummary s;
    const auto column = record.column(c);
    last = std::min(last, column.size());
    const double ref = record.reference(c);
    constexpr std::size_t B = Record::kBlockSize;
    const std::size_t firstWhole = (first + B - 1) / B;
    const std::size_t endWhole = last / B;
    if (firstWhole >= endWhole) {
        for (std::size_t i = first; i < last; ++i) {
            addSample(s, column[i], i, ref);
        }
        return s;
    }
    for (std::size_t i = first; i < firstWhole * B; ++i) {
        addSample(s, column[i], i, ref);
    }
    const auto& blocks = record.blocks(c);
    for (std::size_t b = firstWhole; b < endWhole; ++b) {
        addBlock(s, blocks[b], b * B);
    }
    for (std::size_t i = endWhole * B; i < last; ++i) {
        addSample(s, column[i], i, ref);
    }
    return s;
}

namespace {

void scanExtremes(RangeExtremes& e, std::span<const std::int32_t> column, std::size_t first, std::size_t last) {
    std::int32_t mn = e.count ? e.min : std::numeric_limits<std::int32_t>::max();
    std::int32_t mx = e.count ? e.max : std::numeric_limits<std::int32_t>::min();
    std::size_t count = 0;
    for (std::size_t i = first; i < last; ++i) {
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
    if (count) {
        e.count += count;
        e.min = mn;
        e.max = mx;
    }
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
    const RangeSummary s = summariseRange(record, c, record.lowerBound(fromMs), record.upperBound(toMs));
    if (s.count == 0) {
        return std::nullopt;
    }
    const double scale = record.scale(c);
    const double n = static_cast<double>(s.count);
    const double meanOffset = s.sum / n;
    WindowStatistics w;
    w.count = s.count;
    w.mean = (record.reference(c) + meanOffset) / scale;
    w.min = s.min / scale;
    w.max = s.max / scale;
    if (s.count > 1) {
        const double squares = std::max(0.0, s.sumSquares - s.sum * meanOffset);
        w.standardDeviation = std::sqrt(squares / (n - 1)) / scale;
    }
    return w;
}

}  // namespace kordel
