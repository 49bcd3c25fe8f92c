// The live activity monitor fed sample by sample: its minute values, the K of
// the interval in progress, the level of the hour, the alerts once per change
// of state, and the dead feed by the monitor's clock.

#include "processing/liveactivity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "processing/standardvalues.h"
#include "syntheticdays.h"

namespace kordel {
namespace {

constexpr std::int64_t kMinute = 60'000;
constexpr std::int64_t kDay0 = 45'000;  // 2023-03-15

// A monitor with a clock the test sets, and what it reported.
struct Watch {
    std::int64_t clockMs = 0;
    LiveActivity live;
    std::vector<ActivityNow> states;
    std::vector<std::pair<AlertKind, ActivityNow>> alerts;

    explicit Watch(const LiveActivitySettings& settings = {}) : live(settings, [this] { return clockMs; }) {
        live.onState([this](const ActivityNow& now) { states.push_back(now); });
        live.onAlert([this](const ActivityNow& now, AlertKind kind) { alerts.emplace_back(kind, now); });
    }
    // A sample that reaches the monitor at its own time.
    void sample(std::int64_t timeMs, double x, double y) {
        clockMs = timeMs;
        live.addSample(timeMs, x, y);
    }
    // One sample per minute, on the minute, for the minutes [from, to) of `days`.
    void feedMinutes(const test::SyntheticDays& days, std::int64_t from, std::int64_t to) {
        const std::int64_t first = days.firstDay * kMinutesPerDay;
        for (std::int64_t m = from; m < to; ++m) {
            const auto i = static_cast<std::size_t>(m - first);
            sample(m * kMinute, days.x[i], days.y[i]);
        }
    }
    std::vector<std::pair<AlertKind, std::int64_t>> alertTimes() const {
        std::vector<std::pair<AlertKind, std::int64_t>> out;
        for (const auto& [kind, now] : alerts) out.emplace_back(kind, now.timeMs);
        return out;
    }
};

std::int64_t at(std::int64_t day, int hour, int minute = 0) {
    return ((kDay0 + day) * kMinutesPerDay + hour * 60 + minute) * kMinute;
}

TEST(LiveActivity, TenHertzSamplesGiveTheStandardMinuteValuesOfTheWholeSeries) {
    // Ten lines a second share their whole-second stamp, as the instrument sends them.
    std::vector<std::int64_t> times;
    std::vector<double> x, y;
    const std::int64_t start = at(0, 10);
    for (int i = 0; i < 10 * 60 * 7; ++i) {
        const double s = i / 10.0;
        times.push_back(start + i / 10 * 1000);
        x.push_back(18000 + 30 * std::sin(s / 50) + 3 * std::cos(s * 1.3));
        y.push_back(1500 + 20 * std::cos(s / 70) + (i % 7) * 0.1);
    }
    Watch watch;
    for (std::size_t i = 0; i < times.size(); ++i) watch.sample(times[i], x[i], y[i]);

    const HorizontalMinutes made = watch.live.minutes();
    EXPECT_EQ(made.firstMinute, start / kMinute);
    ASSERT_EQ(made.size(), 6U);  // the seventh is made by the first sample after it
    const std::vector<double> wholeX = minuteValues(times, x, start, 6);
    const std::vector<double> wholeY = minuteValues(times, y, start, 6);
    EXPECT_TRUE(std::isnan(made.x[0]));  // the first minute's filter reaches before the data
    for (std::size_t m = 1; m < 6; ++m) {
        EXPECT_NEAR(made.x[m], wholeX[m], 1e-9) << m;
        EXPECT_NEAR(made.y[m], wholeY[m], 1e-9) << m;
    }
    // Only what the next minute's filters reach is kept.
    EXPECT_LE(watch.live.bufferedSamples(), 10U * 120U);
}

TEST(LiveActivity, KAlertFiresOnceWhenTheStateChangesAndOnceMoreOnlyAfterItCleared) {
    test::SyntheticDays days(kDay0, 2, {40, 15, 5}, {20, 8, 3});
    // A bay of 100 nT (K = 5 for L9 = 500) in the 03–06 interval of the second
    // day and another in the 06–09 interval.
    days.addBay(days.index(1, 3, 30), 60, 100);
    days.addBay(days.index(1, 6, 30), 60, 100);
    Watch watch;
    watch.feedMinutes(days, days.minute(0, 0), days.minute(1, 9));

    ASSERT_EQ(watch.alerts.size(), 2U) << watch.alerts.size();
    for (const auto& [kind, now] : watch.alerts) {
        EXPECT_EQ(kind, AlertKind::K);
        EXPECT_EQ(now.k, 5);
        EXPECT_TRUE(now.provisional);
    }
    // Each raised inside its bay, the second after the first had cleared with the new interval.
    EXPECT_GT(watch.alerts[0].second.timeMs, at(1, 3, 30));
    EXPECT_LE(watch.alerts[0].second.timeMs, at(1, 4, 31));
    EXPECT_GT(watch.alerts[1].second.timeMs, at(1, 6, 30));
    EXPECT_LE(watch.alerts[1].second.timeMs, at(1, 7, 31));

    // The provisional K of 03–06 is reported final once its last minute is in:
    // made when the first sample of 06:00 arrives.
    const auto final = std::find_if(watch.states.begin(), watch.states.end(),
                                    [](const ActivityNow& s) { return s.timeMs == at(1, 6); });
    ASSERT_NE(final, watch.states.end());
    EXPECT_EQ(final->k, 5);
    EXPECT_FALSE(final->provisional);
    // The next minute starts the next interval, provisional and quiet again.
    const auto next = std::find_if(watch.states.begin(), watch.states.end(),
                                   [](const ActivityNow& s) { return s.timeMs == at(1, 6, 1); });
    ASSERT_NE(next, watch.states.end());
    EXPECT_EQ(next->k, 0);
    EXPECT_TRUE(next->provisional);
    // No level without a quiet day seen whole; dB/dt of the bay's steepest minutes.
    for (const ActivityNow& s : watch.states) EXPECT_FALSE(s.level.has_value());
    ASSERT_TRUE(watch.live.current().dbdtMax10MinNt.has_value());
}

TEST(LiveActivity, LevelAlertFromTheQuietDayCurveOfTheDaysSeenWhole) {
    test::SyntheticDays days(kDay0, 3, {40, 15, 5}, {20, 8, 3});
    days.addBay(days.index(2, 2, 10), 40, 150);  // amber: 100 ≤ 150 < 200
    LiveActivitySettings settings;
    settings.alerts.k = 9;
    Watch watch(settings);
    watch.feedMinutes(days, days.minute(0, 0), days.minute(2, 4));

    ASSERT_EQ(watch.alerts.size(), 1U);
    EXPECT_EQ(watch.alerts[0].first, AlertKind::Level);
    EXPECT_EQ(watch.alerts[0].second.level, ActivityLevel::Amber);
    EXPECT_GT(watch.alerts[0].second.timeMs, at(2, 2, 10));
    EXPECT_LE(watch.alerts[0].second.timeMs, at(2, 2, 51));
    // The first two days have no curve yet; the third has one from the first day.
    for (const ActivityNow& s : watch.states) {
        if (s.timeMs <= at(2, 0)) {
            EXPECT_FALSE(s.level.has_value()) << s.timeMs;
        }
    }
    EXPECT_EQ(watch.live.current().level, ActivityLevel::Green);  // the hour after the bay
}

TEST(LiveActivity, DeadFeedByTheClockOnceUntilALineArrivesAgain) {
    LiveActivitySettings settings;
    settings.alerts.deadMinutes = 5;
    Watch watch(settings);
    const std::int64_t t0 = at(0, 13, 45);
    using A = AlertKind;
    const struct {
        std::int64_t afterMs;  // on the monitor's clock, from t0
        bool sample;           // a sample, else only the clock's tick
        std::vector<AlertKind> raised;
        bool dead;
    } steps[] = {
        {0, false, {}, false},                  // watching starts: no line yet
        {5 * kMinute - 1, false, {}, false},
        {5 * kMinute, false, {A::Dead}, true},  // never a line: dead after five minutes
        {6 * kMinute, false, {}, true},         // still dead: nothing more
        {7 * kMinute, true, {}, false},         // a line clears it
        {12 * kMinute - 1, false, {}, false},
        {12 * kMinute, false, {A::Dead}, true},  // five minutes after that line
        {30 * kMinute, false, {}, true},
    };
    for (const auto& s : steps) {
        const std::size_t before = watch.alerts.size();
        watch.clockMs = t0 + s.afterMs;
        if (s.sample) watch.live.addSample(t0 + s.afterMs, 18000, 1500);
        else watch.live.tick();
        std::vector<AlertKind> raised;
        for (std::size_t i = before; i < watch.alerts.size(); ++i) raised.push_back(watch.alerts[i].first);
        EXPECT_EQ(raised, s.raised) << s.afterMs;
        EXPECT_EQ(watch.live.feedDead(), s.dead) << s.afterMs;
    }
    // The state goes out with the first silence, the line that ends it and the next silence.
    ASSERT_EQ(watch.states.size(), 3U);
    EXPECT_EQ(watch.states[0].timeMs, t0 + 5 * kMinute);
    EXPECT_EQ(watch.states[1].timeMs, t0 + 7 * kMinute);
    EXPECT_EQ(watch.states[2].timeMs, t0 + 12 * kMinute);
    // The message of the second dead alert, byte for byte.
    EXPECT_EQ(activityMessage(watch.alerts[1].second, "ST1", A::Dead),
              "{\"time\":\"2023-03-15T13:57:00Z\",\"station\":\"ST1\",\"k\":null,\"provisional\":false,"
              "\"level\":null,\"dbdt_max_10min\":null,\"alert\":\"dead\"}");
}

TEST(LiveActivity, FirstStateWithTheFirstSampleAndThenOnlyOnChanges) {
    test::SyntheticDays days(kDay0, 1, {40, 15, 5}, {20, 8, 3});
    Watch watch;
    watch.feedMinutes(days, days.minute(0, 0), days.minute(0, 2));
    // Nothing is known yet: the K needs most of a day for its regular variation.
    ASSERT_EQ(watch.states.size(), 1U);
    EXPECT_EQ(watch.states[0].timeMs, at(0, 0));
    EXPECT_EQ(activityMessage(watch.states[0], "ST1", std::nullopt),
              "{\"time\":\"2023-03-15T00:00:00Z\",\"station\":\"ST1\",\"k\":null,\"provisional\":false,"
              "\"level\":null,\"dbdt_max_10min\":null,\"alert\":null}");
    EXPECT_TRUE(watch.alerts.empty());
}

TEST(LiveActivity, MemoryStaysBoundedAndAClockSetBackIsHandled) {
    Watch watch;
    // A sample every six hours for 80 days: the minutes between are missing.
    for (std::int64_t h = 0; h < 80 * 24; h += 6) watch.sample(at(0, 0) + h * 3'600'000, 18000, 1500);
    EXPECT_LE(watch.live.keptMinutes(), static_cast<std::size_t>(LiveActivity::kKeptDays * kMinutesPerDay));
    EXPECT_GE(watch.live.keptMinutes(), static_cast<std::size_t>((LiveActivity::kKeptDays - 1) * kMinutesPerDay));
    EXPECT_LE(watch.live.bufferedSamples(), 1U);

    const std::int64_t last = at(0, 0) + (80LL * 24 - 6) * 3'600'000;
    const std::size_t kept = watch.live.keptMinutes();
    // A step back of ten seconds: left out, a line all the same.
    watch.clockMs = last + 5 * kMinute;
    watch.live.addSample(last - 10'000, 18000, 1500);
    EXPECT_EQ(watch.live.keptMinutes(), kept);
    EXPECT_EQ(watch.live.current().lastValidLineMs, last + 5 * kMinute);
    // Two hours back: the minute values start afresh from there.
    watch.live.addSample(last - 2 * 3'600'000, 18000, 1500);
    EXPECT_EQ(watch.live.keptMinutes(), 0U);
    watch.live.addSample(last - 2 * 3'600'000 + kMinute, 18000, 1500);
    EXPECT_EQ(watch.live.minutes().firstMinute, last / kMinute - 120);
    EXPECT_EQ(watch.live.keptMinutes(), 1U);
}

}  // namespace
}  // namespace kordel
