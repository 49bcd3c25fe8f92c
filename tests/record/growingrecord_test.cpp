// A record that grows sample by sample against the same samples loaded in
// bulk: gaps by the local interval, shared stamps, late samples, names and kinds.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exchange/iagareader.h"
#include "record/rangesummary.h"
#include "record/record.h"
#include "record/totalfield.h"

namespace kordel {
namespace {

using Samples = std::vector<std::pair<std::int64_t, std::int32_t>>;  // (time ms, value) in arrival order

Record bulk(const Samples& s) {
    Record r({{"V", "nT", 2}});
    for (const auto& [t, v] : s) {
        const std::int32_t raw[1] = {v};
        r.append(t, raw);
    }
    r.finish();
    return r;
}

Record grown(const Samples& s) {
    Record r({{"V", "nT", 2}});
    r.finish();
    for (const auto& [t, v] : s) {
        const std::int32_t raw[1] = {v};
        r.add(t, raw);
    }
    r.settle();
    return r;
}

// Stretches of constant interval, each after an optional pause.
struct Stretch {
    std::int64_t pauseMs;  // extra time before the stretch's first sample
    std::int64_t intervalMs;
    int count;
};

Samples stretches(const std::vector<Stretch>& parts) {
    Samples s;
    std::int64_t t = 0;
    for (const auto& p : parts) {
        t += p.pauseMs;
        for (int i = 0; i < p.count; ++i) {
            s.emplace_back(t, static_cast<std::int32_t>(s.size()));
            t += p.intervalMs;
        }
        t -= p.intervalMs;
    }
    return s;
}

TEST(GrowingRecord, AChangeOfRateBreaksTheLineOnlyWhereSamplesAreMissing) {
    struct Case {
        const char* what;
        std::vector<Stretch> parts;
        std::vector<std::size_t> gapsAfter;
    };
    const std::vector<Case> cases{
        {"1 Hz then 10 s", {{0, 1000, 200}, {10000, 10000, 100}}, {}},
        {"10 s then 1 Hz", {{0, 10000, 100}, {1000, 1000, 200}}, {}},
        {"10 Hz then 1 Hz then 10 s", {{0, 100, 300}, {1000, 1000, 50}, {10000, 10000, 50}}, {}},
        {"1 Hz, 5 s missing, 1 Hz", {{0, 1000, 50}, {5000, 1000, 50}}, {49}},
        {"10 s, 25 s step (under three intervals)", {{0, 10000, 50}, {25000, 10000, 50}}, {}},
        {"10 s, 31 s step", {{0, 10000, 50}, {31000, 10000, 50}}, {49}},
        {"1 Hz, an hour missing, then 10 s", {{0, 1000, 50}, {3'600'000, 10000, 50}}, {49}},
        {"10 Hz, 8 s restart", {{0, 100, 100}, {8000, 100, 100}}, {99}},
        {"10 Hz, 1.9 s missing (under the 2 s least)", {{0, 100, 100}, {1900, 100, 100}}, {}},
        {"three outages a sample apart", {{0, 1000, 20}, {60000, 1000, 1}, {60000, 1000, 1}, {60000, 1000, 20}}, {19, 20, 21}},
    };
    for (const auto& c : cases) {
        const Samples s = stretches(c.parts);
        EXPECT_EQ(bulk(s).gapsAfter(), c.gapsAfter) << c.what << " (in bulk)";
        EXPECT_EQ(grown(s).gapsAfter(), c.gapsAfter) << c.what << " (grown)";
    }
}

TEST(GrowingRecord, SamplesSharingAStampAreSpreadOverTheirSecond) {
    constexpr std::int64_t S = 5'000'000;
    struct Case {
        const char* what;
        std::vector<std::int64_t> stamps;  // in line order
        std::vector<std::int64_t> times;
    };
    const std::vector<Case> cases{
        {"one a stamp", {S, S + 1000, S + 2000}, {S, S + 1000, S + 2000}},
        {"four in a second", {S, S, S, S, S + 1000}, {S, S + 250, S + 500, S + 750, S + 1000}},
        {"three, the next stamp sooner", {S, S, S, S + 600}, {S, S + 200, S + 400, S + 600}},
        {"a run at the end", {S, S, S}, {S, S + 333, S + 666}},
        {"runs one after another", {S, S, S + 1000, S + 1000, S + 1000, S + 2000},
         {S, S + 500, S + 1000, S + 1333, S + 1666, S + 2000}},
        {"hundredths shared", {S + 120, S + 120, S + 220}, {S + 120, S + 170, S + 220}},
    };
    for (const auto& c : cases) {
        std::vector<std::int64_t> spread = c.stamps;
        Record::spreadSharedStamps(spread);
        EXPECT_EQ(spread, c.times) << c.what << " (a file's lines)";
        Samples s;
        for (std::size_t i = 0; i < c.stamps.size(); ++i) s.emplace_back(c.stamps[i], static_cast<std::int32_t>(i));
        const Record r = grown(s);
        EXPECT_EQ(std::vector<std::int64_t>(r.times().begin(), r.times().end()), c.times) << c.what << " (grown)";
    }
}

TEST(GrowingRecord, ALineDeliveredTwiceIsKeptOnce) {
    const Samples s{{0, 1}, {1000, 2}, {1000, 2}, {2000, 3}, {1000, 2}, {0, 1}, {1000, 4}};
    const Record r = grown(s);
    // The last one carries another value: a second sample at that time, after the first.
    EXPECT_EQ(std::vector<std::int64_t>(r.times().begin(), r.times().end()), (std::vector<std::int64_t>{0, 1000, 1000, 2000}));
    EXPECT_EQ(std::vector<std::int32_t>(r.column(0).begin(), r.column(0).end()), (std::vector<std::int32_t>{1, 2, 4, 3}));
}

TEST(GrowingRecord, AFileMergedAgainCostsNoMemory) {
    // A day at 1 Hz, then the same day merged again (a file opened twice, a
    // converted copy beside the original): nothing new, no room taken.
    Samples day;
    for (int i = 0; i < 86400; ++i) day.emplace_back(i * 1000LL, static_cast<std::int32_t>(i % 977));
    Record r = bulk(day);
    const std::size_t before = r.memoryBytes();
    EXPECT_EQ(r.merge(bulk(day)), day.size());
    r.finish();
    EXPECT_EQ(r.size(), day.size());
    EXPECT_LE(r.memoryBytes(), before + before / 100);  // a summary or two
    // Half of it new (the second half shifted past the end is appended): room for that half only.
    Samples half(day.begin(), day.begin() + 43200);
    for (int i = 0; i < 43200; ++i) half.emplace_back(500 + i * 2000LL, 5);
    EXPECT_EQ(r.merge(bulk(half)), 43200u);
    r.finish();
    EXPECT_EQ(r.size(), day.size() + 43200);
    EXPECT_LE(r.memoryBytes(), before * 3 / 2 + 4096);
}

// The live lines of a day at 1 Hz with an outage, and the station's replay of
// the outage arriving after `liveAfter` newer live lines.
Samples replayAfter(int day, int outageFrom, int outageTo, int liveAfter) {
    Samples s;
    auto value = [](int i) { return static_cast<std::int32_t>(2000000 + (i * 7919) % 3001); };
    for (int i = 0; i < outageFrom; ++i) s.emplace_back(i * 1000LL, value(i));
    const int resume = std::min(day, outageTo + liveAfter);
    for (int i = outageTo; i < resume; ++i) s.emplace_back(i * 1000LL, value(i));
    for (int i = outageFrom; i < outageTo; ++i) s.emplace_back(i * 1000LL, value(i));
    for (int i = resume; i < day; ++i) s.emplace_back(i * 1000LL, value(i));
    return s;
}

TEST(GrowingRecord, LateSamplesEndInTimeOrderWithTheSummariesOfABulkLoad) {
    struct Case {
        const char* what;
        Samples samples;
        bool waiting;  // late samples still waiting when the last one arrived
    };
    const std::vector<Case> cases{
        {"replay right after the station is back", replayAfter(20000, 9000, 12000, 30), false},
        {"replay of the morning in the evening", replayAfter(20000, 2000, 5000, 10000), true},
        {"replay with live lines between", replayAfter(20000, 2000, 5000, 20000), true},
        {"every other sample late", [] {
             Samples s;
             for (int i = 0; i < 6000; i += 2) s.emplace_back(i * 100LL, i);
             for (int i = 1; i < 6000; i += 2) s.emplace_back(i * 100LL, i);
             return s;
         }(), false},
    };
    for (const auto& c : cases) {
        Record r({{"V", "nT", 2}});
        r.finish();
        for (const auto& [t, v] : c.samples) {
            const std::int32_t raw[1] = {v};
            r.add(t, raw);
        }
        EXPECT_EQ(r.pendingCount() > 0, c.waiting) << c.what;
        const std::uint64_t before = r.revision();
        r.settle();
        EXPECT_EQ(r.pendingCount(), 0u) << c.what;
        EXPECT_EQ(r.revision() != before, c.waiting) << c.what;
        const Record expected = bulk(c.samples);
        ASSERT_EQ(r.size(), expected.size()) << c.what;
        EXPECT_TRUE(std::equal(r.times().begin(), r.times().end(), expected.times().begin())) << c.what;
        EXPECT_TRUE(std::equal(r.column(0).begin(), r.column(0).end(), expected.column(0).begin())) << c.what;
        EXPECT_EQ(r.gapsAfter(), expected.gapsAfter()) << c.what;
        ASSERT_EQ(r.blocks(0).size(), expected.blocks(0).size()) << c.what;
        for (std::size_t b = 0; b < r.blocks(0).size(); ++b) {
            const BlockSummary &x = r.blocks(0)[b], &y = expected.blocks(0)[b];
            ASSERT_EQ(std::tie(x.count, x.min, x.max, x.minOffset, x.maxOffset),
                      std::tie(y.count, y.min, y.max, y.minOffset, y.maxOffset))
                << c.what << " block " << b;
        }
        const auto s = windowStatistics(r, 0, 0, r.timeMs(r.size() - 1));
        const auto e = windowStatistics(expected, 0, 0, expected.timeMs(expected.size() - 1));
        ASSERT_TRUE(s && e) << c.what;
        EXPECT_EQ(s->count, e->count) << c.what;
        EXPECT_NEAR(s->mean, e->mean, 1e-9) << c.what;
        EXPECT_NEAR(s->standardDeviation, e->standardDeviation, 1e-9) << c.what;
    }
}

TEST(GrowingRecord, ChannelsCarryNamesUnitsAndTheRecordItsKind) {
    const std::string header =
        " Format                 IAGA-2002                                    |\n"
        " IAGA CODE              HLT                                          |\n";
    struct Case {
        const char* columns;
        std::vector<std::string> names, units;
        const char* kind;
    };
    const std::vector<Case> cases{
        {"DATE       TIME         DOY     HLTH      HLTD      HLTZ      HLTF   |",
         {"H", "D", "Z", "F"}, {"nT", "arcmin", "nT", "nT"}, "H_D_Z_F"},
        {"DATE       TIME         DOY     HLTX      HLTY      HLTZ      HLTF   |",
         {"X", "Y", "Z", "F"}, {"nT", "nT", "nT", "nT"}, "X_Y_Z_F"},
        {"DATE       TIME         DOY     HLTD      HLTH      HLTZ      HLTI   |",
         {"D", "H", "Z", "I"}, {"arcmin", "nT", "nT", "arcmin"}, "D_H_Z_I"},
    };
    for (const auto& c : cases) {
        const IagaReadResult r = parseIaga2002(
            header + c.columns + "\n2007-05-15 00:00:00.000 135     21034.50    143.25  43761.10  48555.30\n", "f.min");
        ASSERT_TRUE(r.ok) << r.error;
        std::vector<std::string> names, units;
        for (std::size_t k = 0; k < r.record.channelCount(); ++k) {
            names.push_back(r.record.channel(k).name);
            units.push_back(r.record.channel(k).unit);
        }
        EXPECT_EQ(names, c.names) << c.columns;
        EXPECT_EQ(units, c.units) << c.columns;
        EXPECT_EQ(r.record.kind(), c.kind) << c.columns;
    }
    // A data file's record: five channels, no F of its own; the computed F does not change its kind.
    Record data(Record::dataFileChannels());
    const std::int32_t raw[5] = {2000000, 150000, 4400000, 250, 300};
    data.add(0, raw);
    EXPECT_EQ(data.kind(), "Bx_By_Bz_Ts_Te");
    EXPECT_EQ(Record::dataFileKind(), data.kind());
    EXPECT_FALSE(data.findChannel("F").has_value());
    const std::size_t f = addTotalField(data).value();
    EXPECT_EQ(data.channel(f).unit, "nT");
    EXPECT_EQ(data.kind(), "Bx_By_Bz_Ts_Te");
    // Later samples of a growing record get their F as they come, late ones too.
    const std::int32_t noY[5] = {2000000, Record::kMissing, 4400000, 250, 300};
    data.add(2000, raw);
    data.add(1000, noY);
    data.settle();
    EXPECT_EQ(std::vector<std::int32_t>(data.column(f).begin(), data.column(f).end()),
              (std::vector<std::int32_t>{4835545, Record::kMissing, 4835545}));
}

}  // namespace
}  // namespace kordel
