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

// The lower median of the first m values of v (m ≥ 1).
std::int64_t lowerMedian(std::int64_t* v, std::size_t m) {
    std::sort(v, v + m);
    return v[(m - 1) / 2];
}

// A late sample is inserted at once while at most this many samples lie after
// its place (or 64 for each waiting one): each costs a short move then.
constexpr std::size_t kCheapTail = 4096;
constexpr std::size_t kTailPerPending = 64;

// One more value into a block's count and extremes.
void countValue(BlockSummary& s, std::int32_t v, std::uint32_t offset) {
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

// One more value into a block's summary; its mean and M2 by Welford's
// updating formula (Chan's pairwise formula with a part of one value).
void accumulate(BlockSummary& s, std::int32_t v, std::uint32_t offset) {
    countValue(s, v, offset);
    const double delta = v - s.mean;
    s.mean += delta / s.count;
    s.m2 += delta * (v - s.mean);
}

std::string kindOf(const std::vector<ChannelInfo>& channels) {
    std::string kind;
    for (const auto& c : channels) {
        if (!kind.empty()) kind += '_';
        for (const char ch : c.name) {
            const bool plain = (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9');
            kind += plain ? ch : '_';
        }
    }
    return kind;
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
    : channels_(std::move(channels)), kind_(kindOf(channels_)), columns_(channels_.size()),
      blocks_(channels_.size()), pendingColumns_(channels_.size()) {}

std::vector<ChannelInfo> Record::dataFileChannels() {
    return {{"Bx", "nT", 2}, {"By", "nT", 2}, {"Bz", "nT", 2}, {"Ts", "°C", 1}, {"Te", "°C", 1}};
}

std::string Record::dataFileKind() { return kindOf(dataFileChannels()); }

std::size_t Record::presentCount(std::size_t c) const {
    std::size_t n = 0;
    for (const auto& b : blocks_[c]) n += b.count;
    return n;
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

namespace {

// Shrinks a vector one at a time, so the copy costs one column at most, and
// only when the spare room is worth a copy: a load reserves a little more
// than its lines need (a guess from the files' sizes), which stays; the room
// of a whole file's repeats does not.
template <typename T>
void releaseSpare(std::vector<T>& v) {
    if (v.capacity() - v.size() > v.size() / 4 + 1024) v.shrink_to_fit();
}

}  // namespace

void Record::releaseSpareRoom() {
    releaseSpare(times_);
    for (auto& col : columns_) releaseSpare(col);
    for (auto& b : blocks_) releaseSpare(b);
    releaseSpare(gaps_);
}

void Record::append(std::int64_t timeMs, std::span<const std::int32_t> raw) {
    times_.push_back(timeMs);
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        columns_[c].push_back(c < raw.size() ? raw[c] : kMissing);
    }
    finished_ = false;
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
    finished_ = false;
}

std::size_t Record::merge(Record&& piece) {
    if (piece.empty()) {
        return 0;
    }
    piece.sortByTime();
    if (empty() || piece.times_.front() > times_.back()) {
        appendAll(piece);  // the usual next day's file: nothing to interleave
        piece = Record();
        return 0;
    }
    const std::size_t before = size();
    mergeBack(piece.times_, piece.columns_, nullptr);
    const std::size_t held = before + piece.size() - size();
    piece = Record();
    finished_ = false;
    return held;
}

void Record::spreadSharedStamps(std::span<std::int64_t> times) {
    const std::size_t n = times.size();
    for (std::size_t first = 0; first < n;) {
        std::size_t end = first + 1;
        while (end < n && times[end] == times[first]) ++end;
        const std::size_t run = end - first;
        if (run > 1) {
            const std::int64_t stamp = times[first];
            std::int64_t width = kStampSpreadMs;
            if (end < n && times[end] > stamp) width = std::min(width, times[end] - stamp);
            for (std::size_t k = 1; k < run; ++k) {
                times[first + k] = stamp + static_cast<std::int64_t>(k) * width / static_cast<std::int64_t>(run);
            }
        }
        first = end;
    }
}

void Record::spreadSharedStamps() {
    spreadSharedStamps(std::span<std::int64_t>(times_));
    finished_ = false;
}

void Record::shiftTimes(std::int64_t deltaMs) {
    for (auto& t : times_) {
        t += deltaMs;
    }
    for (auto& t : pendingTimes_) {
        t += deltaMs;
    }
    pendingMin_ += deltaMs;
    tailStamp_ += deltaMs;
    ++revision_;
}

void Record::addChannel(ChannelInfo info, std::vector<std::int32_t> column) {
    settle();
    column.resize(times_.size(), kMissing);
    channels_.push_back(std::move(info));
    columns_.push_back(std::move(column));
    blocks_.emplace_back();
    pendingColumns_.emplace_back();
    buildBlocks(channels_.size() - 1);
    ++revision_;
}

void Record::replaceColumn(std::size_t c, std::vector<std::int32_t> column) {
    settle();
    column.resize(times_.size(), kMissing);
    columns_[c] = std::move(column);
    buildBlocks(c);
    ++revision_;
}

std::size_t Record::finish() {
    if (!pendingTimes_.empty()) {
        spreadSharedStamps(std::span<std::int64_t>(pendingTimes_));
        appendAll([this] {
            Record late(channels_);
            late.times_.swap(pendingTimes_);
            late.columns_.swap(pendingColumns_);
            return late;
        }());
        pendingColumns_.assign(columns_.size(), {});
    }
    sortByTime();
    const std::size_t dropped = dropExactRepeats();
    typicalMs_ = medianInterval(times_);
    typicalAt_ = times_.size();
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
    finished_ = true;
    tailStamp_ = empty() ? 0 : times_.back();
    tailRun_ = empty() ? 0 : 1;
    ++revision_;
    return dropped;
}

void Record::makeRoom(std::size_t extra) {
    const std::size_t need = times_.size() + extra;
    if (need > times_.capacity()) {
        // Half as much again: a growing record keeps close to its 28 bytes a sample.
        const std::size_t capacity = std::max({need, times_.capacity() + times_.capacity() / 2, std::size_t{1024}});
        times_.reserve(capacity);
        for (auto& col : columns_) col.reserve(capacity);
    }
    for (auto& col : columns_) {
        if (col.capacity() < need) col.reserve(times_.capacity());
    }
    const std::size_t blocks = (need + kBlockSize - 1) / kBlockSize;
    for (auto& b : blocks_) {
        if (b.capacity() < blocks) b.reserve(std::max(blocks, b.capacity() + b.capacity() / 2));
    }
    // A growing record finds its new gaps at once: room for as many as can appear.
    if (finished_ && gaps_.capacity() < gaps_.size() + extra + 2 * kGapContext + 2) {
        gaps_.reserve(std::max(gaps_.size() + extra + 2 * kGapContext + 2, gaps_.capacity() + gaps_.capacity() / 2));
    }
}

namespace {

// The piece's sample `src` equals one of the record's samples with its time
// among [.., before): those lie just before `before`.
bool heldBefore(std::span<const std::int64_t> times, const std::vector<std::vector<std::int32_t>>& columns,
                std::size_t before, std::int64_t t, const std::vector<std::vector<std::int32_t>>& cols,
                std::size_t src) {
    for (std::size_t x = before; x > 0 && times[x - 1] == t; --x) {
        bool same = true;
        for (std::size_t c = 0; c < columns.size() && same; ++c) {
            same = columns[c][x - 1] == (c < cols.size() && src < cols[c].size() ? cols[c][src] : Record::kMissing);
        }
        if (same) return true;
    }
    return false;
}

}  // namespace

std::size_t Record::mergeBack(const std::vector<std::int64_t>& times, const std::vector<std::vector<std::int32_t>>& cols,
                              const std::vector<std::uint32_t>* order) {
    const std::size_t b = times.size();
    const auto at = [&](std::size_t j) { return order ? (*order)[j] : j; };
    // Samples the record holds already are left out, so that an overlapping
    // piece touches no more memory than its new samples: count them first.
    std::size_t repeats = 0;
    {
        std::size_t i = lowerBound(times[at(0)]);
        for (std::size_t j = 0; j < b; ++j) {
            const std::size_t src = at(j);
            while (i < times_.size() && times_[i] <= times[src]) ++i;
            repeats += heldBefore(times_, columns_, i, times[src], cols, src) ? 1 : 0;
        }
    }
    // Room for the new samples only: a file opened twice costs nothing more.
    makeRoom(b - repeats);
    std::size_t i = times_.size();
    std::size_t k = i + b - repeats;
    times_.resize(k);  // within the room made: cannot throw
    for (auto& col : columns_) col.resize(k, kMissing);
    for (std::size_t j = b; j > 0;) {
        const std::size_t src = at(j - 1);
        if (i > 0 && times_[i - 1] > times[src]) {
            --i;
            --k;
            times_[k] = times_[i];
            for (auto& col : columns_) col[k] = col[i];
            continue;
        }
        --j;
        // The record's samples of this time still stand where they were, just before i.
        if (repeats > 0 && heldBefore(times_, columns_, i, times[src], cols, src)) {
            --repeats;
            continue;
        }
        --k;
        times_[k] = times[src];
        for (std::size_t c = 0; c < columns_.size(); ++c) {
            columns_[c][k] = c < cols.size() && src < cols[c].size() ? cols[c][src] : kMissing;
        }
    }
    return k;
}

bool Record::sameValues(std::size_t i, std::span<const std::int32_t> raw) const {
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        if (columns_[c][i] != (c < raw.size() ? raw[c] : kMissing)) return false;
    }
    return true;
}

void Record::deriveChannel(std::size_t c, Derivation derive) {
    derived_.emplace_back(c, std::move(derive));
}

void Record::add(std::int64_t stampMs, std::span<const std::int32_t> raw) {
    if (!finished_) {
        finish();
    }
    if (!derived_.empty() && raw.size() < columns_.size()) {
        // The channels the sample does not give, computed from those it does.
        std::vector<std::int32_t> full(raw.begin(), raw.end());
        full.resize(columns_.size(), kMissing);
        for (const auto& [c, derive] : derived_) {
            if (c >= raw.size() && c < full.size()) full[c] = derive(*this, full);
        }
        addSample(stampMs, full);
        return;
    }
    addSample(stampMs, raw);
}

void Record::addSample(std::int64_t stampMs, std::span<const std::int32_t> raw) {
    const bool inOrder = empty() || (tailRun_ > 0 ? stampMs >= tailStamp_ : stampMs >= times_.back());
    if (inOrder) {
        appendAtEnd(stampMs, raw);
        return;
    }
    // A late sample: one the record holds already is a line delivered twice.
    for (std::size_t i = lowerBound(stampMs); i < size() && times_[i] == stampMs; ++i) {
        if (sameValues(i, raw)) return;
    }
    // Room first, doubling, so that a failure leaves the waiting samples as they were.
    const std::size_t room = std::max<std::size_t>(16, 2 * pendingTimes_.size());
    if (pendingTimes_.size() == pendingTimes_.capacity()) pendingTimes_.reserve(room);
    for (auto& col : pendingColumns_) {
        if (col.size() == col.capacity()) col.reserve(room);
    }
    pendingTimes_.push_back(stampMs);
    for (std::size_t c = 0; c < pendingColumns_.size(); ++c) {
        pendingColumns_[c].push_back(c < raw.size() ? raw[c] : kMissing);
    }
    pendingMin_ = pendingTimes_.size() == 1 ? stampMs : std::min(pendingMin_, stampMs);
    const std::size_t after = size() - upperBound(pendingMin_);
    if (after <= std::max(kCheapTail, kTailPerPending * pendingTimes_.size())) {
        settle();
    }
}

void Record::appendAtEnd(std::int64_t stampMs, std::span<const std::int32_t> raw) {
    const bool joins = tailRun_ > 0 && stampMs == tailStamp_;
    if (joins) {
        for (std::size_t i = size() - tailRun_; i < size(); ++i) {
            if (sameValues(i, raw)) return;  // delivered twice
        }
    }
    makeRoom(1);
    const bool respread = !joins && tailRun_ > 1 && stampMs - tailStamp_ < kStampSpreadMs;
    // The first step that changes: inside the run when it is spread anew, else the new one.
    const std::size_t changed = joins || respread ? size() - tailRun_ : (empty() ? 0 : size() - 1);
    if (respread) {
        respreadTail(stampMs - tailStamp_);  // the next stamp came sooner than a second
    }
    times_.push_back(stampMs);
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        const std::int32_t v = c < raw.size() ? raw[c] : kMissing;
        columns_[c].push_back(v);
        addToLastBlock(c, v);
    }
    if (joins) {
        ++tailRun_;
        respreadTail(kStampSpreadMs);
    } else {
        tailStamp_ = stampMs;
        tailRun_ = 1;
    }
    // The steps whose context reaches a changed step.
    findGaps(changed > kGapContext ? changed - kGapContext : 0);
    updateTypicalInterval();
    ++revision_;
}

void Record::respreadTail(std::int64_t widthMs) {
    const std::size_t first = size() - tailRun_;
    const auto run = static_cast<std::int64_t>(tailRun_);
    for (std::int64_t k = 0; k < run; ++k) {
        times_[first + static_cast<std::size_t>(k)] = tailStamp_ + k * widthMs / run;
    }
}

void Record::addToLastBlock(std::size_t c, std::int32_t v) {
    const std::size_t i = times_.size() - 1;
    auto& blocks = blocks_[c];
    if (blocks.size() * kBlockSize <= i) {
        blocks.emplace_back();  // room made: cannot throw
    }
    if (v == kMissing) {
        return;
    }
    accumulate(blocks.back(), v, static_cast<std::uint32_t>(i % kBlockSize));
}

void Record::settle() {
    if (pendingTimes_.empty()) {
        return;
    }
    spreadSharedStamps(std::span<std::int64_t>(pendingTimes_));
    std::vector<std::uint32_t> order(pendingTimes_.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(),
                     [this](std::uint32_t a, std::uint32_t b) { return pendingTimes_[a] < pendingTimes_[b]; });
    const bool intoTailRun = tailRun_ > 1 && pendingTimes_[order.back()] >= times_[size() - tailRun_];
    const std::size_t first = mergeBack(pendingTimes_, pendingColumns_, &order);
    pendingTimes_.clear();
    for (auto& col : pendingColumns_) col.clear();
    dropExactRepeats(first);
    if (intoTailRun) {
        // A late sample among the run at the end: that run is over.
        tailStamp_ = times_.back();
        tailRun_ = 1;
    }
    for (std::size_t c = 0; c < columns_.size(); ++c) buildBlocks(c, first / kBlockSize);
    findGaps(first > kGapContext ? first - kGapContext - 1 : 0);
    updateTypicalInterval();
    ++revision_;
}

void Record::updateTypicalInterval() {
    if (size() < 2 || size() < 2 * typicalAt_) {
        return;
    }
    try {
        typicalMs_ = medianInterval(times_);
        typicalAt_ = size();
    } catch (const std::bad_alloc&) {
        // The last value stays: it only guides searches and means.
    }
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

std::size_t Record::dropExactRepeats(std::size_t from) {
    // In time order a repeat lies among the samples of its own time; compact in
    // place, comparing each sample with those of its time already kept.
    if (from >= times_.size()) {
        return 0;
    }
    while (from > 0 && times_[from - 1] == times_[from]) --from;
    std::size_t kept = from;
    std::size_t groupStart = from;
    for (std::size_t i = from; i < times_.size(); ++i) {
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

std::int64_t Record::localIntervalMs(std::size_t i) const {
    const std::size_t n = times_.size();
    if (i + 1 >= n) {
        return 0;
    }
    std::int64_t before[kGapContext], after[kGapContext];
    std::size_t nb = 0, na = 0;
    for (std::size_t k = 1; k <= kGapContext && k <= i; ++k) {
        before[nb++] = times_[i - k + 1] - times_[i - k];
    }
    for (std::size_t k = 1; k <= kGapContext && i + k + 1 < n; ++k) {
        after[na++] = times_[i + k + 1] - times_[i + k];
    }
    if (nb == 0 && na == 0) {
        return times_[i + 1] - times_[i];
    }
    return std::max(nb > 0 ? lowerMedian(before, nb) : 0, na > 0 ? lowerMedian(after, na) : 0);
}

bool Record::breaksBetween(std::size_t i) const {
    const std::int64_t d = times_[i + 1] - times_[i];
    return d >= kMinGapMs && d > 3 * localIntervalMs(i);
}

void Record::findGaps(std::size_t from) {
    gaps_.erase(std::lower_bound(gaps_.begin(), gaps_.end(), from), gaps_.end());
    for (std::size_t i = from; i + 1 < times_.size(); ++i) {
        // Most steps are far shorter than any gap: only the others need their context.
        if (times_[i + 1] - times_[i] >= kMinGapMs && breaksBetween(i)) {
            gaps_.push_back(i);
        }
    }
}

bool Record::breaksAfter(std::size_t i) const { return std::binary_search(gaps_.begin(), gaps_.end(), i); }

void Record::buildBlocks(std::size_t c, std::size_t firstBlock) {
    const std::size_t n = times_.size();
    const std::size_t blockCount = (n + kBlockSize - 1) / kBlockSize;
    const auto& col = columns_[c];
    auto& blocks = blocks_[c];
    firstBlock = std::min(firstBlock, blocks.size());
    blocks.resize(blockCount);
    for (std::size_t b = firstBlock; b < blockCount; ++b) {
        BlockSummary s;
        const std::size_t first = b * kBlockSize;
        const std::size_t last = std::min(n, first + kBlockSize);
        for (std::size_t i = first; i < last; ++i) {
            const std::int32_t v = col[i];
            if (v == kMissing) {
                continue;
            }
            countValue(s, v, static_cast<std::uint32_t>(i - first));
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
    std::size_t bytes = times_.capacity() * sizeof(std::int64_t) + gaps_.capacity() * sizeof(std::size_t) +
                        pendingTimes_.capacity() * sizeof(std::int64_t);
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        bytes += columns_[c].capacity() * sizeof(std::int32_t) + blocks_[c].capacity() * sizeof(BlockSummary) +
                 pendingColumns_[c].capacity() * sizeof(std::int32_t);
    }
    return bytes;
}

}  // namespace kordel
