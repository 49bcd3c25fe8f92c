#include "record/rangesummary.h"

#include <algorithm>
#include <cmath>

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
