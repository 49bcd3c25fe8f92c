// The hourly activity level against the quiet-day curve, the choice of the
// quiet days, and the rate of change.

#include "processing/activitylevel.h"

#include <gtest/gtest.h>

#include <cmath>

#include "processing/rateofchange.h"
#include "syntheticdays.h"

namespace kordel {
namespace {

using test::SyntheticDays;
constexpr std::int64_t kMarch1 = 45'000 - 14;  // 1 March 2023

KDay quietDay(std::int64_t day, std::array<int, 8> k) {
    KDay d;
    d.day = day;
    int sum = 0;
    for (std::size_t j = 0; j < 8; ++j) {
        d.k[j] = {KValue::Status::Final, k[j]};
        sum += k[j];
    }
    d.sum = sum;
    return d;
}

TEST(ActivityLevel, QuietDaysAreTheQuietestCompleteDaysOfThePreviousMonth) {
    const std::int64_t feb1 = kMarch1 - 28;
    std::vector<KDay> days;
    for (int i = 0; i < 28; ++i) days.push_back(quietDay(feb1 + i, {2, 2, 2, 2, 2, 2, 2, 2}));
    days[3] = quietDay(feb1 + 3, {0, 0, 0, 0, 0, 0, 0, 1});
    days[9] = quietDay(feb1 + 9, {1, 1, 1, 1, 1, 1, 1, 1});
    days[10] = quietDay(feb1 + 10, {0, 0, 0, 0, 0, 0, 0, 8});  // ΣK 8, but one disturbed interval
    days[20] = quietDay(feb1 + 20, {0, 0, 0, 0, 0, 0, 0, 0});
    days[21] = quietDay(feb1 + 21, {0, 0, 0, 0, 0, 0, 0, 0});
    days[22].k[4].status = KValue::Status::Missing;  // incomplete days do not count
    days[22].sum.reset();
    days[22].k[0].k = 0;
    days.push_back(quietDay(kMarch1 + 2, {0, 0, 0, 0, 0, 0, 0, 0}));  // this month: not used
    const std::vector<std::int64_t> expected = {feb1 + 3, feb1 + 9, feb1 + 10, feb1 + 20, feb1 + 21};
    EXPECT_EQ(quietDaysFor(kMarch1 + 5, days), expected);
    // January's days are chosen in February; a month without any falls back to the 31 days before.
    EXPECT_EQ(quietDaysFor(feb1 + 1, days), (std::vector<std::int64_t>{feb1}));
    EXPECT_TRUE(quietDaysFor(feb1, days).empty());
}

TEST(ActivityLevel, HourlyLevelIsTheLargestDepartureFromTheQuietDayCurve) {
    const struct {
        double depth;
        ActivityLevel level;
    } cases[] = {
        {40, ActivityLevel::Green}, {60, ActivityLevel::Yellow}, {150, ActivityLevel::Amber}, {250, ActivityLevel::Red}};
    for (const auto& c : cases) {
        // February quiet, then 1 March with a bay in 13:00–14:00.
        SyntheticDays days(kMarch1 - 28, 29, {20, 8, 4}, {10, 5, 3});
        days.addBay(days.index(28, 13, 5), 50, c.depth);
        std::vector<KDay> kDays;
        for (int i = 0; i < 28; ++i) kDays.push_back(quietDay(kMarch1 - 28 + i, {0, 0, 0, 0, 0, 0, 0, 0}));
        const auto hours = hourlyActivity(days.minutes(), kDays, {});
        ASSERT_EQ(hours.size(), 29u * 24);
        const HourlyActivity& bay = hours[28 * 24 + 13];
        EXPECT_EQ(bay.hour, kMarch1 * 24 + 13);
        ASSERT_TRUE(bay.disturbanceNt);
        EXPECT_NEAR(*bay.disturbanceNt, c.depth, 0.01);
        EXPECT_EQ(bay.level, c.level);
        ASSERT_TRUE(hours[28 * 24 + 12].disturbanceNt);
        EXPECT_LT(*hours[28 * 24 + 12].disturbanceNt, 0.01);
        EXPECT_FALSE(hours[0].level) << "February has no quiet days before it";
    }
}

TEST(ActivityLevel, HoursWithTooFewMinutesOrNotYetBegunHaveNoLevel) {
    SyntheticDays days(kMarch1 - 28, 29, {20, 8, 4}, {10, 5, 3});
    days.blank(days.index(28, 5, 0), 7);   // 7 of 60 missing: no level
    days.blank(days.index(28, 6, 10), 6);  // 6 of 60: still one
    std::vector<KDay> kDays;
    for (int i = 0; i < 28; ++i) kDays.push_back(quietDay(kMarch1 - 28 + i, {0, 0, 0, 0, 0, 0, 0, 0}));
    const auto hours = hourlyActivity(days.minutes(), kDays, {}, days.minute(28, 9, 30));
    const auto at = [&hours](int h) { return hours[28 * 24 + static_cast<std::size_t>(h)]; };
    EXPECT_FALSE(at(5).level);
    EXPECT_EQ(at(6).level, ActivityLevel::Green);
    EXPECT_EQ(at(9).level, ActivityLevel::Green) << "the current hour is measured so far";
    EXPECT_FALSE(at(10).level);
}

TEST(ActivityLevel, LevelNamesAndThresholds) {
    const LevelThresholds t{30, 60, 90};
    const struct {
        double nt;
        ActivityLevel level;
        std::string_view name;
    } cases[] = {{29.9, ActivityLevel::Green, "green"},
                 {30, ActivityLevel::Yellow, "yellow"},
                 {60, ActivityLevel::Amber, "amber"},
                 {90, ActivityLevel::Red, "red"}};
    for (const auto& c : cases) {
        EXPECT_EQ(levelOf(c.nt, t), c.level);
        EXPECT_EQ(levelName(c.level), c.name);
        EXPECT_EQ(parseLevel(c.name), c.level);
    }
    EXPECT_EQ(parseLevel("Amber"), std::nullopt);
}

TEST(RateOfChange, MinuteChangesAndTheirLargestOverTenMinutes) {
    const double n = NAN;
    const std::vector<double> x = {0, 3, 3, n, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10};
    const std::vector<double> y = {0, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 5};
    const auto rate = rateOfChange({0, x, y});
    const std::vector<double> expected = {n, 5, 0, n, n, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    ASSERT_EQ(rate.size(), expected.size());
    for (std::size_t i = 0; i < rate.size(); ++i) {
        if (std::isnan(expected[i])) EXPECT_TRUE(std::isnan(rate[i])) << i;
        else EXPECT_DOUBLE_EQ(rate[i], expected[i]) << i;
    }
    const auto largest = trailingMaximum(rate, 10);
    const std::vector<double> expectedMax = {n, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 0, 0, 0, 0, 1};
    for (std::size_t i = 0; i < largest.size(); ++i) {
        if (std::isnan(expectedMax[i])) EXPECT_TRUE(std::isnan(largest[i])) << i;
        else EXPECT_DOUBLE_EQ(largest[i], expectedMax[i]) << i;
    }
}

}  // namespace
}  // namespace kordel
