// Values at an interval, a UT day at a time: which days, where the values
// stand, plain means against their boxes.

#include <gtest/gtest.h>

#include "app/fixedformats.h"
#include "exchange/intervalvalues.h"

namespace kordel {
namespace {

constexpr std::int32_t M = Record::kMissing;

std::int64_t ms(int y, int mo, int d, int h, int mi, int s) {
    return static_cast<std::int64_t>(toDateNumber(y, mo, d)) * Record::kMsPerDay + ((h * 60LL + mi) * 60 + s) * 1000;
}

Record oneChannel(const std::vector<std::pair<std::int64_t, std::int32_t>>& samples) {
    Record r({{"V", "nT", 2}});
    for (const auto& [t, v] : samples) {
        const std::int32_t raw[1] = {v};
        r.append(t, raw);
    }
    r.finish();
    return r;
}

TEST(IntervalValues, OnlyDaysHoldingSamplesGetValues) {
    // Two samples a year apart: two days of one-second values, nothing between.
    const Record r = oneChannel({{ms(2007, 5, 15, 12, 0, 0), 100}, {ms(2008, 5, 15, 12, 0, 0), 200}});
    const IntervalValues v(r, 0, r.size(), ExportInterval::Second, ExportFilter::Standard, {}, {});
    const auto days = v.daysHoldingSamples(0, r.size());
    ASSERT_EQ(days.size(), 2u);
    EXPECT_EQ(days[0] * Record::kMsPerDay, ms(2007, 5, 15, 0, 0, 0));
    EXPECT_EQ(days[1] * Record::kMsPerDay, ms(2008, 5, 15, 0, 0, 0));
    const Record day = v.valuesOfDay(days[1], {0});
    ASSERT_EQ(day.size(), 86400u);
    EXPECT_EQ(day.timeMs(0), ms(2008, 5, 15, 0, 0, 0));
    EXPECT_EQ(day.column(0)[12 * 3600], 200);
    EXPECT_EQ(day.column(0)[12 * 3600 + 1], M);
}

TEST(IntervalValues, WhereTheValuesStand) {
    // A whole day at 1 Hz of 10.00 nT, 11:00–13:59 of 20.00 nT.
    std::vector<std::pair<std::int64_t, std::int32_t>> samples;
    for (int s = 0; s < 86400; ++s) samples.push_back({ms(2007, 5, 15, 0, 0, 0) + s * 1000LL, s / 3600 >= 11 && s / 3600 <= 13 ? 2000 : 1000});
    const Record r = oneChannel(samples);
    struct Row {
        ExportInterval interval;
        std::size_t index, rows;
        std::int64_t time;
        std::int32_t value;
    };
    const Row rows[] = {
        {ExportInterval::Minute, 0, 1440, ms(2007, 5, 15, 0, 0, 0), M},  // the 45 s before it are missing
        {ExportInterval::Minute, 1, 1440, ms(2007, 5, 15, 0, 1, 0), 1000},
        {ExportInterval::Hour, 12, 24, ms(2007, 5, 15, 12, 29, 30), 2000},
        {ExportInterval::Day, 0, 1, ms(2007, 5, 15, 11, 59, 30), 1125},  // (21 × 10 + 3 × 20) / 24
    };
    for (const Row& row : rows) {
        const IntervalValues v(r, 0, r.size(), row.interval, ExportFilter::Standard, {}, {});
        const Record out = v.valuesOfDay(v.daysHoldingSamples(0, r.size()).at(0), {0});
        ASSERT_EQ(out.size(), row.rows);
        EXPECT_EQ(out.timeMs(row.index), row.time);
        EXPECT_EQ(out.column(0)[row.index], row.value);
    }
}

TEST(IntervalValues, PlainMinuteMeansNeedHalfTheirSamples) {
    // 1 Hz: minute 12:00 full (value = second), 12:01 with 30 samples, 12:02
    // with 29, 12:03 empty, 12:04 with the one sample at 12:04:00.
    std::vector<std::pair<std::int64_t, std::int32_t>> samples;
    for (int s = 0; s < 60; ++s) samples.push_back({ms(2007, 5, 15, 12, 0, s), s * 100});
    for (int s = 0; s < 30; ++s) samples.push_back({ms(2007, 5, 15, 12, 1, s), 1000});
    for (int s = 30; s < 59; ++s) samples.push_back({ms(2007, 5, 15, 12, 2, s), 2000});
    samples.push_back({ms(2007, 5, 15, 12, 4, 0), 4000});
    const Record r = oneChannel(samples);
    const IntervalValues v(r, 0, r.size(), ExportInterval::Minute, ExportFilter::Mean, ms(2007, 5, 15, 12, 0, 0),
                           ms(2007, 5, 15, 12, 5, 0));
    const Record out = v.valuesOfDay(v.daysHoldingSamples(0, r.size()).at(0), {0});
    const std::int32_t expected[] = {2950, 1000, M, M, M};
    ASSERT_EQ(out.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(out.timeMs(i), ms(2007, 5, 15, 12, static_cast<int>(i), 0));
        EXPECT_EQ(out.column(0)[i], expected[i]) << i;
    }
}

}  // namespace
}  // namespace kordel
