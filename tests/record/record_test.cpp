// The record's order, repeats, gaps, read-out search, statistics and F.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "record/rangesummary.h"
#include "record/record.h"
#include "record/totalfield.h"
#include "recordbuilder.h"

namespace kordel {
namespace {

using test::midnightMs;

struct MergeCase {
    const char* what;
    std::vector<std::pair<std::int64_t, std::int32_t>> in;  // arrival order
    std::vector<std::pair<std::int64_t, std::int32_t>> out;
    std::size_t dropped;
};

TEST(Record, MergesIntoTimeOrderKeepingOneOfEachExactRepeat) {
    const std::vector<MergeCase> cases{
        {"in order", {{0, 1}, {100, 2}, {200, 3}}, {{0, 1}, {100, 2}, {200, 3}}, 0},
        {"second file first", {{200, 3}, {300, 4}, {0, 1}, {100, 2}}, {{0, 1}, {100, 2}, {200, 3}, {300, 4}}, 0},
        {"overlap interleaves", {{0, 1}, {200, 3}, {100, 2}, {300, 4}}, {{0, 1}, {100, 2}, {200, 3}, {300, 4}}, 0},
        {"exact repeats once", {{0, 1}, {100, 2}, {100, 2}, {0, 1}, {200, 3}}, {{0, 1}, {100, 2}, {200, 3}}, 2},
        {"same time other value kept, arrival order",
         {{100, 7}, {0, 1}, {100, 2}, {100, 7}},
         {{0, 1}, {100, 7}, {100, 2}},
         1},
    };
    for (const auto& c : cases) {
        Record r({{"V", "nT", 2}});
        for (const auto& [ms, v] : c.in) {
            const std::int32_t raw[1] = {v};
            r.append(ms, raw);
        }
        EXPECT_EQ(r.finish(), c.dropped) << c.what;
        ASSERT_EQ(r.size(), c.out.size()) << c.what;
        for (std::size_t i = 0; i < r.size(); ++i) {
            EXPECT_EQ(r.timeMs(i), c.out[i].first) << c.what << " #" << i;
            EXPECT_EQ(r.column(0)[i], c.out[i].second) << c.what << " #" << i;
        }
    }
}

TEST(Record, RepeatWithAMissingValueIsNotTheSameSample) {
    Record r({{"A", "nT", 2}, {"B", "nT", 2}});
    const std::int32_t full[2] = {1, 2};
    const std::int32_t partial[2] = {1, Record::kMissing};
    r.append(0, full);
    r.append(0, partial);
    r.append(0, full);
    EXPECT_EQ(r.finish(), 1u);
    EXPECT_EQ(r.size(), 2u);
    EXPECT_TRUE(r.isMissing(1, 1));
    EXPECT_TRUE(std::isnan(r.value(1, 1)));
}

struct GapCase {
    const char* what;
    std::int64_t interval;  // ms between the regular samples
    std::int64_t jump;      // ms of the one longer step after sample 20
    bool breaks;
};

TEST(Record, BreaksWhereSamplesLieFurtherApartThanThreeIntervalsAndAtLeastTwoSeconds) {
    const std::vector<GapCase> cases{
        {"10 Hz, 1999 ms", 100, 1999, false},   {"10 Hz, 2000 ms", 100, 2000, true},
        {"1 Hz, 3000 ms", 1000, 3000, false},   {"1 Hz, 3001 ms", 1000, 3001, true},
        {"0.1 Hz, 30 s", 10000, 30000, false},  {"0.1 Hz, 30.001 s", 10000, 30001, true},
    };
    for (const auto& c : cases) {
        Record r({{"V", "nT", 2}});
        std::int64_t t = 0;
        for (int i = 0; i < 40; ++i) {
            const std::int32_t raw[1] = {i};
            r.append(t, raw);
            t += i == 20 ? c.jump : c.interval;
        }
        r.finish();
        EXPECT_EQ(r.typicalIntervalMs(), c.interval) << c.what;
        EXPECT_EQ(r.gapsAfter(), c.breaks ? std::vector<std::size_t>{20} : std::vector<std::size_t>{}) << c.what;
    }
}

TEST(Record, NearestSampleToTheCursorAndNoneInsideAGap) {
    // 1 Hz from 0 to 5 s, a gap, then 1 Hz from 60 s to 65 s.
    Record r({{"V", "nT", 2}});
    for (std::int64_t s : {0, 1, 2, 3, 4, 5, 60, 61, 62, 63, 64, 65}) {
        const std::int32_t raw[1] = {static_cast<std::int32_t>(s)};
        r.append(s * 1000, raw);
    }
    r.finish();
    ASSERT_EQ(r.gapsAfter(), std::vector<std::size_t>{5});
    struct Case {
        std::int64_t t, from, to;
        std::optional<std::size_t> index;
    };
    const std::vector<Case> cases{
        {2000, 0, 65000, 2},      {2400, 0, 65000, 2},   {2500, 0, 65000, 2},   {2600, 0, 65000, 3},
        {5000, 0, 65000, 5},      {5001, 0, 65000, {}},  {30000, 0, 65000, {}}, {59999, 0, 65000, {}},
        {60000, 0, 65000, 6},     {70000, 0, 65000, 11}, {-500, 0, 65000, 0},
        {2600, 0, 2000, 2},       {3000, 10000, 65000, 6},  // the nearest visible one
        {30000, 20000, 40000, {}},                            // nothing visible
    };
    for (const auto& c : cases) {
        EXPECT_EQ(r.nearest(c.t, c.from, c.to), c.index) << "t " << c.t << " in [" << c.from << ", " << c.to << "]";
    }
}

TEST(Record, SearchFromAKnownStartAgreesWithTheFullSearch) {
    // Irregular spacing: 100 ms steps, a long gap, repeated times, a burst.
    Record r({{"V", "nT", 2}});
    std::int64_t t = 0;
    for (int i = 0; i < 3000; ++i) {
        const std::int32_t raw[1] = {i};
        r.append(t, raw);
        t += i == 1000 ? 3'600'000 : (i % 97 == 0 ? 0 : (i > 2000 && i < 2100 ? 7 : 100));
    }
    r.finish();
    for (std::int64_t q = -50; q < t + 200; q += 37) {
        const std::size_t expected = r.lowerBound(q);
        for (std::size_t first : {std::size_t{0}, expected / 2, expected > 0 ? expected - 1 : 0, expected}) {
            ASSERT_EQ(r.lowerBoundFrom(first, q), expected) << "t " << q << " from " << first;
        }
    }
    EXPECT_EQ(r.lowerBoundFrom(r.size(), t + 1000), r.size());
}

TEST(Record, WindowStatisticsMatchADirectComputation) {
    Record r({{"V", "nT", 2}});
    std::vector<double> values;
    for (int i = 0; i < 5000; ++i) {
        // Varied, with missing samples that must be left out.
        const bool missing = i % 97 == 0;
        const std::int32_t v = 2000000 + (i * 7919) % 3001 - 1500;
        const std::int32_t raw[1] = {missing ? Record::kMissing : v};
        r.append(i * 100, raw);
    }
    r.finish();
    struct Window {
        std::int64_t from, to;
    };
    for (const Window w : {Window{0, 499900}, Window{12345, 300000}, Window{102300, 102500}, Window{50, 150}}) {
        std::vector<double> in;
        for (std::size_t i = 0; i < r.size(); ++i) {
            if (r.timeMs(i) >= w.from && r.timeMs(i) <= w.to && !r.isMissing(0, i)) in.push_back(r.value(0, i));
        }
        const double mean = std::accumulate(in.begin(), in.end(), 0.0) / static_cast<double>(in.size());
        double sq = 0;
        for (double v : in) sq += (v - mean) * (v - mean);
        const auto s = windowStatistics(r, 0, w.from, w.to);
        ASSERT_TRUE(s.has_value()) << w.from;
        EXPECT_EQ(s->count, in.size()) << w.from;
        EXPECT_NEAR(s->mean, mean, 1e-9) << w.from;
        EXPECT_EQ(s->min, *std::min_element(in.begin(), in.end())) << w.from;
        EXPECT_EQ(s->max, *std::max_element(in.begin(), in.end())) << w.from;
        const double sd = in.size() > 1 ? std::sqrt(sq / static_cast<double>(in.size() - 1)) : 0.0;
        EXPECT_NEAR(s->standardDeviation, sd, 1e-9) << w.from;
    }
    EXPECT_FALSE(windowStatistics(r, 0, 0, 0).has_value());  // the one sample there is missing
}

// A quiet day after one far-off value keeps the digits of its spread.
TEST(Record, StatisticsKeepTheirDigitsAfterAFarOffValue) {
    struct Case {
        std::int32_t first;     // the record's first sample, outside the window
        std::int32_t centre;    // the quiet samples: centre − 5, centre, centre + 5
        std::size_t quiet;
    };
    for (const Case c : {Case{9'999'999, 2'000'000, 86'400}, Case{-9'999'999, 4'500'000, 86'400},
                         Case{2'147'483'647, -2'147'483'000, 3'000}, Case{0, 0, 999}}) {
        Record r({{"V", "nT", 2}});
        const std::int32_t spike[1] = {c.first};
        r.append(0, spike);
        for (std::size_t i = 0; i < c.quiet; ++i) {
            const std::int32_t raw[1] = {c.centre + static_cast<std::int32_t>(i % 3) * 5 - 5};
            r.append(static_cast<std::int64_t>(i + 1) * 1000, raw);
        }
        r.finish();
        const auto s = windowStatistics(r, 0, 1000, static_cast<std::int64_t>(c.quiet) * 1000);
        ASSERT_TRUE(s.has_value());
        // Values −0.05, 0, +0.05 about the centre in equal shares (n a multiple of 3).
        const double n = static_cast<double>(c.quiet);
        EXPECT_NEAR(s->standardDeviation, std::sqrt(0.0025 * 2.0 / 3.0 * n / (n - 1)), 1e-9) << c.first;
        EXPECT_NEAR(s->mean, c.centre / 100.0, 1e-9) << c.first;
    }
}

TEST(Record, TotalFieldWithTheDecimalsOfBx) {
    struct Case {
        std::int32_t bx, by, bz;  // hundredths of nT
        std::int32_t f;
    };
    const std::vector<Case> cases{
        {300, 400, 0, 500},                           // 3, 4, 0 → 5.00
        {2000000, 150000, 4400000, 4835545},          // 20000, 1500, 44000 → 48355.45 (48355.4547…)
        {-2000000, -150000, -4400000, 4835545},       // signs do not matter
        {100, 100, 100, 173},                         // √3 = 1.7320… → 1.73
        {100, Record::kMissing, 100, Record::kMissing},
    };
    Record r(Record::dataFileChannels());
    for (const auto& c : cases) {
        const std::int32_t raw[5] = {c.bx, c.by, c.bz, 250, 300};
        r.append(static_cast<std::int64_t>(r.size()) * 1000, raw);
    }
    r.finish();
    const std::size_t f = addTotalField(r).value();
    EXPECT_EQ(r.channel(f).name, "F");
    EXPECT_EQ(r.channel(f).decimals, 2);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(r.column(f)[i], cases[i].f) << i;
    }
    EXPECT_EQ(addTotalField(r), f);  // kept, not added twice

    Record hdz({{"H", "nT", 2}, {"D", "arcmin", 2}, {"Z", "nT", 2}});
    EXPECT_FALSE(addTotalField(hdz).has_value());  // no F from an angle
    EXPECT_EQ(hdz.channelCount(), 3u);
}

// A long record's F is made in two halves at once: every sample, the halves'
// seam included, as one sample's F is made.
TEST(Record, TotalFieldOfALongRecordEqualsEachSamplesOwn) {
    Record r(Record::dataFileChannels());
    const std::size_t n = 1'000'003;
    for (std::size_t i = 0; i < n; ++i) {
        const auto k = static_cast<std::int32_t>(i);
        const std::int32_t raw[5] = {2000000 + k % 9973, -150000 - k % 331, i % 4999 == 7 ? Record::kMissing : 4400000 + k % 17,
                                     250, 300};
        r.append(static_cast<std::int64_t>(i) * 100, raw);
    }
    r.finish();
    const std::size_t f = addTotalField(r).value();
    std::size_t differ = 0, missing = 0;
    for (std::size_t i = 0; i < n; ++i) {
        differ += r.column(f)[i] != totalFieldRaw(r, i, 0, 1, 2);
        missing += r.column(f)[i] == Record::kMissing;
    }
    EXPECT_EQ(differ, 0u);
    EXPECT_EQ(missing, n / 4999 + 1);  // 7, 5006, … every sample with Bz missing
}

}  // namespace
}  // namespace kordel
