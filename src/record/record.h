#pragma once
// The record: the samples of one or many data files, held once, in columns.
//
// One time column for all channels, in milliseconds since 30 December 1899
// 00:00 (the date-time number's epoch, so time / 86 400 000 is the date-time
// number the charts draw). One value column per channel, as integers scaled by
// 10^decimals (the files carry two decimals for the field, one for the
// temperatures): 28 bytes a sample for the five channels of a data file.
// A value equal to kMissing marks that channel's sample missing.
//
// Life cycle: append samples (any order), then finish(): it sorts them into
// time order (samples of overlapping files interleave, a sample repeated
// exactly appears once), finds the gaps and builds the per-block summaries that
// make the envelope and the statistics of any window cheap. The queries below
// need a finished record; appending again needs another finish().

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kordel {

struct ChannelInfo {
    std::string name;  // "Bx", "H", "F", …
    std::string unit;  // "nT", "°C", "min" (D of an IAGA-2002 file in minutes of arc), …
    int decimals = 2;  // of the values as read and shown; the scale is 10^decimals
};

// Summary of the samples [first, first + kBlockSize) of one channel, missing
// ones left out. The block's mean and M2 (see record/moments.h) join those of
// other blocks without losing the digits of a small spread.
struct BlockSummary {
    std::uint32_t count = 0;
    std::int32_t min = 0;
    std::int32_t max = 0;
    std::uint32_t minOffset = 0;  // position of the first minimum within the block
    std::uint32_t maxOffset = 0;
    double mean = 0;  // scaled, as the column holds the values
    double m2 = 0;    // Σ (value − mean)², scaled²
};

class Record {
public:
    static constexpr std::int32_t kMissing = std::numeric_limits<std::int32_t>::min();
    static constexpr std::size_t kBlockSize = 256;
    static constexpr std::int64_t kMsPerDay = 86'400'000;
    // The line breaks where consecutive samples lie further apart than three
    // typical intervals and at least this far.
    static constexpr std::int64_t kMinGapMs = 2000;
    // Times a query may name: far beyond year 9999 either way, yet differences
    // of two of them cannot overflow.
    static constexpr std::int64_t kTimeLimitMs = 1'000'000'000'000'000;

    Record() = default;
    explicit Record(std::vector<ChannelInfo> channels);
    // Bx, By, Bz in nT with two decimals, Ts and Te in °C with one.
    static std::vector<ChannelInfo> dataFileChannels();

    std::size_t size() const { return times_.size(); }
    bool empty() const { return times_.empty(); }
    std::size_t channelCount() const { return channels_.size(); }
    const ChannelInfo& channel(std::size_t c) const { return channels_[c]; }
    // The channel of that name, if the record has one.
    std::optional<std::size_t> findChannel(const std::string& name) const;

    std::span<const std::int64_t> times() const { return times_; }
    std::span<const std::int32_t> column(std::size_t c) const { return columns_[c]; }
    std::int64_t timeMs(std::size_t i) const { return times_[i]; }
    double timeNumber(std::size_t i) const { return static_cast<double>(times_[i]) / kMsPerDay; }
    bool isMissing(std::size_t c, std::size_t i) const { return columns_[c][i] == kMissing; }
    // The value in its unit; NaN when missing.
    double value(std::size_t c, std::size_t i) const;
    double scale(std::size_t c) const;  // 10^decimals

    // --- building ---
    void reserve(std::size_t samples);
    // One sample; `raw` holds one scaled value (or kMissing) per channel.
    void append(std::int64_t timeMs, std::span<const std::int32_t> raw);
    // All samples of `other`, which has the same channels.
    void appendAll(const Record& other);
    // Moves every time by `deltaMs` (the clock's offset from UT taken off);
    // order, gaps and summaries stay as they are.
    void shiftTimes(std::int64_t deltaMs);
    // A further channel, one value per sample (F computed from X, Y, Z).
    void addChannel(ChannelInfo info, std::vector<std::int32_t> column);
    // New values for channel `c`, one per sample (a level made from the
    // recording: samples left out, a correction applied); its summaries rebuilt.
    void replaceColumn(std::size_t c, std::vector<std::int32_t> column);
    // Time order, exact repeats dropped, gaps and block summaries built.
    // Returns the number of repeats dropped.
    std::size_t finish();

    // --- queries on a finished record ---
    // The median of the intervals between consecutive samples (0 for fewer than two).
    std::int64_t typicalIntervalMs() const { return typicalMs_; }
    // Consecutive samples further apart than this break the line.
    std::int64_t gapThresholdMs() const;
    // Indices i where the line breaks between sample i and i + 1, ascending.
    const std::vector<std::size_t>& gapsAfter() const { return gaps_; }
    bool breaksAfter(std::size_t i) const;
    // First index whose time is ≥ t (size() when none).
    std::size_t lowerBound(std::int64_t t) const;
    // The same, for a caller that knows every sample before `first` is earlier
    // than t: it starts where the typical interval puts t and gallops from
    // there, so walking a window column by column touches few cache lines.
    std::size_t lowerBoundFrom(std::size_t first, std::int64_t t) const;
    // First index whose time is > t.
    std::size_t upperBound(std::int64_t t) const;
    // The sample nearest to `t` among those in [from, to] (the visible window);
    // none when that window holds no sample or `t` lies inside a gap (strictly
    // between the two samples that enclose the gap).
    std::optional<std::size_t> nearest(std::int64_t t, std::int64_t from, std::int64_t to) const;

    const std::vector<BlockSummary>& blocks(std::size_t c) const { return blocks_[c]; }

    // Bytes held by the columns and summaries (what the record costs).
    std::size_t memoryBytes() const;

private:
    void sortByTime();
    std::size_t dropExactRepeats();
    void findGaps();
    void buildBlocks(std::size_t c);
    bool sameSample(std::size_t a, std::size_t b) const;

    std::vector<ChannelInfo> channels_;
    std::vector<std::int64_t> times_;
    std::vector<std::vector<std::int32_t>> columns_;
    std::vector<std::size_t> gaps_;
    std::vector<std::vector<BlockSummary>> blocks_;
    std::int64_t typicalMs_ = 0;
};

// Bytes one sample costs in a record of `channels` channels (time and values).
constexpr std::size_t bytesPerSample(std::size_t channels) {
    return sizeof(std::int64_t) + channels * sizeof(std::int32_t);
}

}  // namespace kordel
