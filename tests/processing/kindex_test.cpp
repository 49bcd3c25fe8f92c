// The local K index: class limits, the regular variation taken off, bays,
// gaps and the provisional interval.

#include "processing/kindex.h"

#include <gtest/gtest.h>

#include "syntheticdays.h"

namespace kordel {
namespace {

using test::Harmonics;
using test::SyntheticDays;
constexpr std::int64_t kDay = 45'000;  // 15 March 2023

TEST(KIndex, ClassLimitsAreMayaudsRatiosOfL9Unrounded) {
    const struct {
        double l9;
        std::array<double, 9> limits;
    } cases[] = {
        {500, {5, 10, 20, 40, 70, 120, 200, 330, 500}},
        {540, {5.4, 10.8, 21.6, 43.2, 75.6, 129.6, 216, 356.4, 540}},
        {750, {7.5, 15, 30, 60, 105, 180, 300, 495, 750}},
    };
    for (const auto& c : cases) {
        const auto limits = kClassLimits(c.l9);
        for (std::size_t i = 0; i < limits.size(); ++i) EXPECT_DOUBLE_EQ(limits[i], c.limits[i]) << c.l9 << " K" << i + 1;
    }
}

TEST(KIndex, ARangeOnALimitBelongsToTheUpperClass) {
    const struct {
        double l9, range;
        int k;
    } cases[] = {
        {500, 0, 0},      {500, 4.99, 0}, {500, 5, 1},     {500, 70, 5},      {500, 69.99, 4},
        {500, 499.9, 8},  {500, 500, 9},  {500, 5000, 9},  {540, 75.6, 5},    {540, 75.59, 4},
        {540, 356.4, 8},  {750, 494.9, 7}, {750, 495, 8},  {750, 7.49, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(kOfRange(c.range, kClassLimits(c.l9)), c.k) << c.l9 << " " << c.range;
}

TEST(KIndex, PureDailyHarmonicsGiveZero) {
    const struct {
        Harmonics x, y;
        double longitude;
    } cases[] = {
        {{20, 8, 4}, {10, 5, 3}, 0},
        {{60, 25, 10}, {30, 15, 8}, 25},   // a strong regular variation, east
        {{35, 12, 6}, {20, 9, 5}, -120},   // west: the night falls at other UT hours
    };
    for (const auto& c : cases) {
        const SyntheticDays days(kDay, 3, c.x, c.y);
        const auto k = computeKIndices(days.minutes(), {500, c.longitude});
        ASSERT_EQ(k.size(), 3u);
        for (const KDay& d : k) {
            for (const KValue& v : d.k) EXPECT_EQ(v, (KValue{KValue::Status::Final, 0})) << c.longitude << " day " << d.day;
            EXPECT_EQ(d.sum, 0);
        }
    }
}

TEST(KIndex, ABayGivesItsRangesClassInItsIntervalOnly) {
    const struct {
        double l9;
        int interval;
        double depth;
        int k;
    } cases[] = {
        {500, 4, 95, 5},   // 70–120 nT
        {500, 1, 30, 3},   // 20–40 nT, at night
        {540, 6, 250, 7},  // 216–356.4 nT
        {750, 2, 12, 1},   // 7.5–15 nT
    };
    for (const auto& c : cases) {
        SyntheticDays days(kDay, 3, {20, 8, 4}, {10, 5, 3});
        days.addBay(days.index(1, c.interval * 3 + 1), 90, c.depth);
        const auto k = computeKIndices(days.minutes(), {c.l9, 0});
        ASSERT_EQ(k.size(), 3u);
        for (int j = 0; j < kIntervalsPerDay; ++j) {
            EXPECT_EQ(k[1].k[static_cast<std::size_t>(j)].k, j == c.interval ? c.k : 0) << c.depth << " interval " << j;
        }
        EXPECT_EQ(k[1].sum, c.k);
    }
}

TEST(KIndex, MoreThanATenthOfAnIntervalMissingIsNoK) {
    const struct {
        int missing;
        bool present;
    } cases[] = {{0, true}, {18, true}, {19, false}, {180, false}};
    for (const auto& c : cases) {
        SyntheticDays days(kDay, 3, {20, 8, 4}, {10, 5, 3});
        days.blank(days.index(1, 6, 30), c.missing);  // interval 06–09
        const auto k = computeKIndices(days.minutes(), {});
        const KValue v = k[1].k[2];
        EXPECT_EQ(v.present(), c.present) << c.missing;
        if (c.present) {
            EXPECT_EQ(v.k, 0);
            EXPECT_EQ(k[1].sum, 0);
        } else {
            EXPECT_EQ(k[1].sum, std::nullopt) << "a missing K is never counted as 0";
        }
        EXPECT_EQ(k[1].k[1], (KValue{KValue::Status::Final, 0}));
    }
}

TEST(KIndex, TheCurrentIntervalIsProvisionalUntilItEnds) {
    SyntheticDays days(kDay, 2, {20, 8, 4}, {10, 5, 3});
    days.addBay(days.index(1, 9, 10), 60, 50);  // interval 09–12: K 4 at L9 500
    const struct {
        std::int64_t now;
        KValue::Status status;
    } cases[] = {
        {days.minute(1, 11, 0), KValue::Status::Provisional},
        {days.minute(1, 11, 59), KValue::Status::Provisional},
        {days.minute(1, 12, 0), KValue::Status::Final},
        {days.minute(1, 15, 0), KValue::Status::Final},
    };
    for (const auto& c : cases) {
        const auto k = computeKIndices(days.minutes(), {}, c.now);
        ASSERT_EQ(k.size(), 2u);
        EXPECT_EQ(k[1].k[3], (KValue{c.status, 4})) << c.now;
        EXPECT_EQ(k[1].k[2], (KValue{KValue::Status::Final, 0}));
        EXPECT_FALSE(k[1].k[5].present()) << "intervals not begun have no K";
        EXPECT_EQ(k[1].sum, std::nullopt);
    }
}

TEST(KIndex, DaysWithoutNeighboursAndEmptyInput) {
    EXPECT_TRUE(computeKIndices({}, {}).empty());
    const SyntheticDays one(kDay, 1, {20, 8, 4}, {10, 5, 3});
    const auto k = computeKIndices(one.minutes(), {});
    ASSERT_EQ(k.size(), 1u);
    EXPECT_EQ(k[0].day, kDay);
    EXPECT_EQ(k[0].sum, 0);
}

}  // namespace
}  // namespace kordel
