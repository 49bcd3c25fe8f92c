#pragma once
// The record: the samples of one or many data files, of a live recording or of
// a remote station, held once, in columns.
//
// One time column for all channels, in milliseconds since 30 December 1899
// 00:00 (the date-time number's epoch, so time / 86 400 000 is the date-time
// number the charts draw). One value column per channel, as integers scaled by
// 10^decimals (the files carry two decimals for the field, one for the
// temperatures): 28 bytes a sample for the five channels of a data file, 32
// with F. A value equal to kMissing marks that channel's sample missing; a
// channel the source does not have is not in the record at all.
//
// Two ways to build one:
//  - In bulk (files): append samples in any order, or merge() pieces into a
//    record in time order (in place, from the back), then finish(): it sorts what is out of order
//    (samples of overlapping files interleave, a sample repeated exactly
//    appears once), finds the gaps and builds the per-block summaries that
//    make the envelope and the statistics of any window cheap.
//  - Growing (a recording, a remote station): add() one sample at a time to a
//    finished record. A sample at or after the latest one is appended and the
//    gaps and summaries are brought up to date at O(1) amortised cost. An
//    older one (a station's replay filling an outage after newer live lines)
//    is inserted in time order: at once while few samples lie after its
//    place, otherwise it waits with others of its kind until their insertion
//    costs O(1) amortised per sample (64 moves each at most), or until
//    settle(); a viewer calls settle() before it draws, so every sample
//    received is drawn. Spare room grows by half: a growing record holds up
//    to a half more than its 28 (32) bytes a sample.
//
// Times. A sample's time is the date and time its line gives, hundredths
// included. n consecutive samples sharing a stamp (a converted flash file
// carries whole seconds at several samples a second) are spread at
// stamp + k·w/n, k = 0 … n−1, where w is one second, or the time to the next
// stamp when that comes sooner, so that they keep their order and never pass
// the next line.
//
// Gaps. The line breaks between samples i and i + 1 when they lie at least
// kMinGapMs apart and further apart than three local intervals. The local
// interval of that step is the larger of the median (the lower of the middle
// two for an even count) of the (up to) kGapContext intervals before it and
// that of the kGapContext intervals after it:
// inside a stretch of constant rate it is that rate's interval, and where the
// rate changes (two days at 1 Hz, then a day at 10 s) the slower side's, so
// the line breaks only where samples are really missing.
//
// The queries below need a finished record; appending in bulk again needs
// another finish().

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kordel {

struct ChannelInfo {
    std::string name;  // "Bx", "H", "F", …
    std::string unit;  // "nT", "°C", "arcmin" (D and I of an IAGA-2002 file, in minutes of arc), …
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
    // The line breaks only where consecutive samples lie at least this far apart.
    static constexpr std::int64_t kMinGapMs = 2000;
    // Intervals on each side of a step that give its local interval.
    static constexpr std::size_t kGapContext = 4;
    // Samples sharing a stamp are spread over at most this long.
    static constexpr std::int64_t kStampSpreadMs = 1000;
    // Times a query may name: far beyond year 9999 either way, yet differences
    // of two of them cannot overflow.
    static constexpr std::int64_t kTimeLimitMs = 1'000'000'000'000'000;

    Record() = default;
    // The record's kind is its channels' names joined by "_" ("Bx_By_Bz_Ts_Te",
    // "H_D_Z_F"); channels added later (a computed F) do not change it.
    explicit Record(std::vector<ChannelInfo> channels);
    // Bx, By, Bz in nT with two decimals, Ts and Te in °C with one.
    static std::vector<ChannelInfo> dataFileChannels();
    // The kind of a record of data files, a live recording or a remote station.
    static std::string dataFileKind();

    // What sort of source the record holds, as a key a viewer can remember
    // things under (which channels were shown): only letters, digits and "_".
    const std::string& kind() const { return kind_; }

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
    // Samples of channel c that are present (not kMissing).
    std::size_t presentCount(std::size_t c) const;
    // The value in its unit; NaN when missing.
    double value(std::size_t c, std::size_t i) const;
    double scale(std::size_t c) const;  // 10^decimals

    // --- building in bulk ---
    void reserve(std::size_t samples);
    // One sample; `raw` holds one scaled value (or kMissing) per channel
    // (channels beyond raw's size are missing).
    void append(std::int64_t timeMs, std::span<const std::int32_t> raw);
    // All samples of `other`, which has the same channels.
    void appendAll(const Record& other);
    // The samples of `piece` (the same channels; sorted first if need be, which
    // costs a copy of the piece only) merged into this record, which must be in
    // time order, in place from the back: it costs the samples that lie after
    // piece's first one, and no copy of the record. Of samples with equal times,
    // this record's come first; a sample of the piece equal to one the record
    // holds (same time and values) is left out, and the count of those is
    // returned. `piece` is left empty. Needs finish().
    std::size_t merge(Record&& piece);
    // Spreads the samples of each run sharing a stamp as the header says
    // (`times` in line order; runs are of consecutive equal values).
    static void spreadSharedStamps(std::span<std::int64_t> times);
    // The same for this record's samples, appended in line order. Needs finish().
    void spreadSharedStamps();
    // Moves every time by `deltaMs` (the clock's offset from UT taken off);
    // order, gaps and summaries stay as they are.
    void shiftTimes(std::int64_t deltaMs);
    // A further channel, one value per sample (F computed from X, Y, Z).
    void addChannel(ChannelInfo info, std::vector<std::int32_t> column);
    // New values for channel `c`, one per sample (a level made from the
    // recording: samples left out, a correction applied); its summaries rebuilt.
    void replaceColumn(std::size_t c, std::vector<std::int32_t> column);
    // Channel c of every later add() that does not give it is computed by
    // `derive` from the sample's values (one per channel before it), as F is.
    using Derivation = std::function<std::int32_t(const Record&, std::span<const std::int32_t>)>;
    void deriveChannel(std::size_t c, Derivation derive);
    // Time order, exact repeats dropped, gaps and block summaries built.
    // Returns the number of repeats dropped.
    std::size_t finish();
    bool finished() const { return finished_; }
    // Gives back room reserved for samples that never came (a load reserves
    // for every line of its files; overlapping files repeat many). Only for a
    // record that will not grow: the next append would have to reallocate.
    void releaseSpareRoom();

    // --- growing ---
    // One sample of a growing record at the stamp its line gives (see the
    // header: shared stamps are spread, a late sample is inserted in time
    // order). A sample equal to one the record holds at that time (a line
    // delivered twice) is dropped. An unfinished record is finished first.
    // May throw std::bad_alloc, leaving the record as it was.
    void add(std::int64_t stampMs, std::span<const std::int32_t> raw);
    // Late samples waiting to be inserted.
    std::size_t pendingCount() const { return pendingTimes_.size(); }
    // Inserts every waiting sample now; cheap when none waits.
    void settle();
    // Changes whenever the samples change (appended, inserted, re-spread,
    // shifted): a viewer compares it to know it must fetch its envelope anew.
    std::uint64_t revision() const { return revision_; }

    // --- queries on a finished record ---
    // The median of the intervals between consecutive samples (0 for fewer
    // than two); of a growing record, as it was when its size last doubled.
    std::int64_t typicalIntervalMs() const { return typicalMs_; }
    // The local interval of the step from sample i to i + 1 (see the header).
    std::int64_t localIntervalMs(std::size_t i) const;
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
    std::size_t dropExactRepeats(std::size_t from = 0);
    bool breaksBetween(std::size_t i) const;
    // Gaps found anew for the steps from sample `from` on.
    void findGaps(std::size_t from = 0);
    // Summaries built anew for the blocks from `firstBlock` on.
    void buildBlocks(std::size_t c, std::size_t firstBlock = 0);
    void addToLastBlock(std::size_t c, std::int32_t v);
    bool sameSample(std::size_t a, std::size_t b) const;
    // Room for `extra` more samples in every column, so that what follows cannot throw.
    void makeRoom(std::size_t extra);
    // Merges times[order[k]] (ascending) and their values (cols[c][order[k]])
    // in from the back; returns the index of the first sample placed.
    std::size_t mergeBack(const std::vector<std::int64_t>& times, const std::vector<std::vector<std::int32_t>>& cols,
                          const std::vector<std::uint32_t>* order);
    bool sameValues(std::size_t i, std::span<const std::int32_t> raw) const;
    void addSample(std::int64_t stampMs, std::span<const std::int32_t> raw);
    void appendAtEnd(std::int64_t stampMs, std::span<const std::int32_t> raw);
    void respreadTail(std::int64_t widthMs);
    void updateTypicalInterval();

    std::vector<ChannelInfo> channels_;
    std::string kind_;
    std::vector<std::int64_t> times_;
    std::vector<std::vector<std::int32_t>> columns_;
    std::vector<std::size_t> gaps_;
    std::vector<std::vector<BlockSummary>> blocks_;
    std::int64_t typicalMs_ = 0;
    std::size_t typicalAt_ = 0;  // size when typicalMs_ was last taken
    bool finished_ = false;
    std::uint64_t revision_ = 0;
    // The run of samples at the end sharing the stamp tailStamp_ (0: none known).
    std::int64_t tailStamp_ = 0;
    std::size_t tailRun_ = 0;
    // Late samples in order of arrival, columns as above.
    std::vector<std::int64_t> pendingTimes_;
    std::vector<std::vector<std::int32_t>> pendingColumns_;
    std::int64_t pendingMin_ = 0;
    std::vector<std::pair<std::size_t, Derivation>> derived_;
};

// Bytes one sample costs in a record of `channels` channels (time and values).
constexpr std::size_t bytesPerSample(std::size_t channels) {
    return sizeof(std::int64_t) + channels * sizeof(std::int32_t);
}

}  // namespace kordel
