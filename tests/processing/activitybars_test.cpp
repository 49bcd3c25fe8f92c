// The K bars as the program draws them: one per interval with a K, the
// provisional one marked, coloured by the highest hourly level of the
// interval; and the badge's text.

#include "processing/activitybars.h"

#include <gtest/gtest.h>

namespace kordel {
namespace {

constexpr std::int64_t kDay = 45'000;  // 15 March 2023

KDay dayOf(std::array<KValue, kIntervalsPerDay> k) {
    KDay d;
    d.day = kDay;
    d.k = k;
    return d;
}

HourlyActivity hourOf(int hourOfDay, std::optional<ActivityLevel> level) {
    return {kDay * 24 + hourOfDay, level ? std::optional<double>(1.0) : std::nullopt, level};
}

TEST(ActivityBars, OneBarPerPresentKWithTheHighestLevelOfItsHours) {
    using S = KValue::Status;
    const KDay day = dayOf({KValue{S::Final, 0}, KValue{S::Final, 2}, KValue{S::Missing, 0}, KValue{S::Final, 6},
                            KValue{S::Provisional, 3}, KValue{}, KValue{}, KValue{}});
    const std::vector<HourlyActivity> hours = {
        hourOf(0, ActivityLevel::Green),  hourOf(1, ActivityLevel::Yellow), hourOf(2, ActivityLevel::Green),
        hourOf(3, std::nullopt),          hourOf(6, ActivityLevel::Red),    hourOf(9, ActivityLevel::Green),
        hourOf(10, ActivityLevel::Amber), hourOf(11, ActivityLevel::Yellow), hourOf(12, ActivityLevel::Yellow),
    };
    const std::int64_t m0 = kDay * kMinutesPerDay;
    const std::vector<ActivityBar> expected = {
        {m0, 0, false, ActivityLevel::Yellow},
        {m0 + 180, 2, false, std::nullopt},  // no hour of it has a level
        {m0 + 540, 6, false, ActivityLevel::Amber},
        {m0 + 720, 3, true, ActivityLevel::Yellow},
    };
    EXPECT_EQ(activityBars({day}, hours), expected);
}

TEST(ActivityBars, BadgeText) {
    const struct {
        std::optional<int> k;
        bool provisional;
        std::optional<ActivityLevel> level;
        const char* text;
    } cases[] = {
        {5, false, ActivityLevel::Amber, "Activity: amber (K 5)"},
        {2, true, ActivityLevel::Green, "Activity: green (K 2*)"},
        {7, false, std::nullopt, "Activity: K 7"},
        {std::nullopt, false, ActivityLevel::Red, "Activity: red"},
        {std::nullopt, false, std::nullopt, "Activity: -"},
    };
    for (const auto& c : cases) EXPECT_EQ(activityBadgeText(c.k, c.provisional, c.level), c.text);
}

TEST(ActivityBars, NoMinutesNoBars) { EXPECT_TRUE(activityBarsOf({}, {}, {}).empty()); }

}  // namespace
}  // namespace kordel
