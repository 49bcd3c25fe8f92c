#include "record/envelope.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "record/rangesummary.h"

namespace kordel {

namespace {

class LineBuilder {
public:
    LineBuilder(const Record& record, std::size_t c, EnvelopeLine& out)
        : record_(record), c_(c), scale_(record.scale(c)), out_(out) {}

    void point(std::size_t i) {
        const std::int32_t v = record_.column(c_)[i];
        out_.x.push_back(record_.timeNumber(i));
        out_.y.push_back(v == Record::kMissing ? std::numeric_limits<double>::quiet_NaN() : v / scale_);
    }
    void breakAt(double x) {
        if (!out_.y.empty() && std::isnan(out_.y.back())) {
            return;  // one break is enough
        }
        out_.x.push_back(x);
        out_.y.push_back(std::numeric_limits<double>::quiet_NaN());
    }
    void breakBetween(std::size_t i) { breakAt((record_.timeNumber(i) + record_.timeNumber(i + 1)) / 2); }

private:
    const Record& record_;
    std::size_t c_;
    double scale_;
    EnvelopeLine& out_;
};

// Gaps after indices in [first, last), in order.
class GapCursor {
public:
    GapCursor(const Record& record, std::size_t first) : gaps_(record.gapsAfter()) {
        pos_ = static_cast<std::size_t>(std::lower_bound(gaps_.begin(), gaps_.end(), first) - gaps_.begin());
    }
    // The next gap at or after `i`, or SIZE_MAX.
    std::size_t nextFrom(std::size_t i) {
        while (pos_ < gaps_.size() && gaps_[pos_] < i) {
            ++pos_;
        }
        return pos_ < gaps_.size() ? gaps_[pos_] : SIZE_MAX;
    }

private:
    const std::vector<std::size_t>& gaps_;
    std::size_t pos_ = 0;
};

void everyPoint(const Record& record, std::size_t c, std::size_t first, std::size_t last, EnvelopeLine& out) {
    LineBuilder line(record, c, out);
    GapCursor gaps(record, first);
    for (std::size_t i = first; i < last; ++i) {
        line.point(i);
        if (i + 1 < last && gaps.nextFrom(i) == i) {
            line.breakBetween(i);
        }
    }
}

// Min and max of [first, last) (no gap inside) as up to two points in time order.
void extremes(const Record& record, std::size_t c, std::size_t first, std::size_t last, LineBuilder& line) {
    const RangeExtremes s = rangeExtremes(record, c, first, last);
    if (s.count == 0) {
        line.breakAt(record.timeNumber(first));
        return;
    }
    const std::size_t a = std::min(s.minIndex, s.maxIndex);
    const std::size_t b = std::max(s.minIndex, s.maxIndex);
    line.point(a);
    if (b != a) {
        line.point(b);
    }
}

void perColumn(const Record& record, std::size_t c, std::size_t first, std::size_t last, std::int64_t fromMs,
               std::int64_t toMs, int pixels, EnvelopeLine& out) {
    LineBuilder line(record, c, out);
    GapCursor gaps(record, first);
    const double width = static_cast<double>(toMs - fromMs) / pixels;
    std::size_t begin = first;
    for (int p = 0; p < pixels && begin < last; ++p) {
        const std::int64_t columnEnd = fromMs + static_cast<std::int64_t>(std::llround(width * (p + 1)));
        const std::size_t end = p + 1 == pixels ? last : std::min(last, record.lowerBoundFrom(begin, columnEnd));
        // A column is split where the record has a gap; each piece gives its extremes.
        std::size_t cur = begin;
        while (cur < end) {
            const std::size_t gap = gaps.nextFrom(cur);
            const std::size_t pieceEnd = gap < end ? gap + 1 : end;
            extremes(record, c, cur, pieceEnd, line);
            if (gap + 1 == pieceEnd && pieceEnd < last) {
                line.breakBetween(gap);
            }
            cur = pieceEnd;
        }
        begin = end;
    }
}

}  // namespace

EnvelopeLine envelope(const Record& record, std::size_t channel, std::int64_t fromMs, std::int64_t toMs,
                      int pixels) {
    EnvelopeLine out;
    if (record.empty() || toMs < fromMs || pixels <= 0 || fromMs < -Record::kTimeLimitMs ||
        toMs > Record::kTimeLimitMs) {
        return out;
    }
    std::size_t first = record.lowerBound(fromMs);
    std::size_t last = record.upperBound(toMs);
    first = first > 0 ? first - 1 : 0;
    last = std::min(record.size(), last + 1);
    const std::size_t count = last - first;
    if (count <= kEveryPointFactor * static_cast<std::size_t>(pixels)) {
        out.x.reserve(count + 8);
        out.y.reserve(count + 8);
        everyPoint(record, channel, first, last, out);
        return out;
    }
    out.reduced = true;
    out.x.reserve(static_cast<std::size_t>(pixels) * 2 + 8);
    out.y.reserve(static_cast<std::size_t>(pixels) * 2 + 8);
    // The samples just outside the window stay single points, so each column
    // holds only its own samples' extremes.
    const std::size_t lo = record.lowerBound(fromMs);
    const std::size_t hi = record.upperBound(toMs);
    LineBuilder line(record, channel, out);
    if (first < lo) {
        line.point(first);
        if (record.breaksAfter(first)) {
            line.breakBetween(first);
        }
    }
    perColumn(record, channel, lo, hi, fromMs, toMs, pixels, out);
    if (hi < last) {
        if (record.breaksAfter(hi - 1)) {
            line.breakBetween(hi - 1);
        }
        line.point(hi);
    }
    return out;
}

}  // namespace kordel
