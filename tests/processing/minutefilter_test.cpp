// The Gaussian one-minute filter: centred on the minute, weights as tabled and
// normalised, the 90 % weight rule.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "processing/minutefilter.h"
#include "processing/standardvalues.h"

namespace kordel {
namespace {

constexpr std::int64_t kMinute = 60000;
constexpr std::int64_t kNoon = 43'000LL * 86'400'000 + 12 * 3'600'000;  // 2017-09-23 12:00 UT

// Samples every `stepMs` from 2 minutes before noon to 2 minutes after.
struct Series {
    std::vector<std::int64_t> times;
    std::vector<double> values;
};
template <typename F>
Series series(std::int64_t stepMs, F value) {
    Series s;
    for (std::int64_t t = kNoon - 2 * kMinute; t <= kNoon + 2 * kMinute; t += stepMs) {
        s.times.push_back(t);
        s.values.push_back(value(t));
    }
    return s;
}

double noonValue(const Series& s) { return minuteValues(s.times, s.values, kNoon, 1)[0]; }

TEST(MinuteFilter, ConstantsAndRampsComeOutAtTheMinute) {
    // A ramp's value at the stamped time, exactly: any offset of the stamp would
    // show as slope × offset. Rates: the three tables and 10 Hz lines (which go
    // through the one-second filter first).
    for (const std::int64_t step : {100, 1000, 5000, 10000}) {
        SCOPED_TRACE(step);
        EXPECT_NEAR(noonValue(series(step, [](std::int64_t) { return 48123.45; })), 48123.45, 1e-9);
        const auto ramp = [](std::int64_t t) { return 20000.0 + 0.5 * static_cast<double>(t - kNoon) / 1000.0; };
        EXPECT_NEAR(noonValue(series(step, ramp)), 20000.0, 1e-9);
    }
}

TEST(MinuteFilter, AnImpulseReturnsTheTabledWeightOverTheTablesSum) {
    struct Row {
        std::int64_t stepMs;
        std::int64_t offsetS;  // of the impulse from the minute
        double weight;         // as tabled
        double tableSum;
    };
    const Row rows[] = {
        {1000, 0, 0.0251958, 1.0000019},    {1000, -1, 0.02514602, 1.0000019}, {1000, 30, 0.0042496, 1.0000019},
        {1000, -45, 0.000459, 1.0000019},   {1000, 46, 0.0, 1.0000019},        {5000, 0, 0.12578865, 1.00000015},
        {5000, -45, 0.0022932, 1.00000015}, {10000, 10, 0.20596804, 0.99999999}, {10000, -50, 0.0017886, 0.99999999},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.offsetS);
        const Series s = series(r.stepMs, [&](std::int64_t t) { return t == kNoon + r.offsetS * 1000 ? 1.0 : 0.0; });
        EXPECT_NEAR(noonValue(s), r.weight / r.tableSum, 1e-12);
    }
}

TEST(MinuteFilter, NinetyPercentOfTheWeightMakesAValue) {
    // Seconds missing after and before the minute; the weight present is given
    // from the table. A value is the mean of those present, renormalised.
    struct Row {
        int missingAfterFrom;   // +k … +45 s missing
        int missingBeforeFrom;  // −k … −45 s missing (46: none)
        bool value;             // weight present
    };
    const Row rows[] = {
        {21, 46, true},   // 0.903079
        {20, 46, false},  // 0.891656
        {21, 42, true},   // 0.900651
        {21, 41, false},  // 0.899744
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.missingBeforeFrom);
        Series s = series(1000, [](std::int64_t) { return -1234.5; });
        for (std::size_t i = 0; i < s.times.size(); ++i) {
            const std::int64_t k = (s.times[i] - kNoon) / 1000;
            if (k >= r.missingAfterFrom || k <= -r.missingBeforeFrom) s.values[i] = std::nan("");
        }
        const double v = noonValue(s);
        if (r.value) EXPECT_NEAR(v, -1234.5, 1e-9);
        else EXPECT_TRUE(std::isnan(v)) << v;
    }
}

TEST(SampleTimes, SharedStampsAreSpreadOverTheirSecond) {
    struct Row {
        std::vector<std::int64_t> stamps;
        std::vector<std::int64_t> times;
    };
    const Row rows[] = {
        {{0, 0, 0, 0, 1000}, {0, 250, 500, 750, 1000}},
        {{0, 0, 0, 1000, 1000}, {0, 333, 667, 1000, 1500}},  // the last group: one second after it
        {{0, 0, 200, 300}, {0, 100, 200, 300}},              // the next stamp comes sooner
        {{5000, 6000}, {5000, 6000}},
    };
    for (const Row& r : rows) EXPECT_EQ(spreadSharedStamps(r.stamps), r.times);
}

}  // namespace
}  // namespace kordel
