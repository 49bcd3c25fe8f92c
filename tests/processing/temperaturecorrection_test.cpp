// Temperature coefficients told from a month whose weather varies, and the
// correction they make.

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "processing/temperaturecorrection.h"
#include "syntheticfield.h"

namespace kordel {
namespace {

using test::kPi;

// 30 days every 10 s. The field: a daily variation of 20–40 nT that changes
// by 10 % from day to day, 0.1 nT noise, and 0.30 nT/°C of Ts on Bx only.
// Ts: a daily cycle whose amplitude (2–8 °C), phase (13–16 h) and mean (±3 °C)
// change from day to day, as weather makes them; Te follows the room more
// slowly, with a cycle of its own.
Record weatherMonth() {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::normal_distribution<double> noise(0.0, 0.1);
    constexpr int kDays = 30;
    struct Day {
        double sq, amplitude, peak, mean, teAmplitude;
    };
    std::vector<Day> days;
    for (int d = 0; d < kDays; ++d) {
        days.push_back({1 + 0.1 * (2 * u(rng) - 1), 2 + 6 * u(rng), 13 + 3 * u(rng), 15 + 3 * (2 * u(rng) - 1),
                        1 + 2 * u(rng)});
    }
    const std::int64_t step = 10'000;
    const auto count = static_cast<std::size_t>(kDays * Record::kMsPerDay / step);
    return test::makeRecord(count, step, [&](std::size_t c, std::size_t i, std::int64_t) {
        const double hours = static_cast<double>(i) * step / 3.6e6;
        const Day& day = days[static_cast<std::size_t>(hours / 24)];
        const double h = std::fmod(hours, 24);
        const double ts = day.mean + day.amplitude * std::cos(2 * kPi * (h - day.peak) / 24);
        const double te = 25 + 0.3 * (day.mean - 15) + day.teAmplitude * std::cos(2 * kPi * (h - 17) / 24);
        // A solar-quiet-like wave: strongest about local noon.
        const double sq = day.sq * (20 + 5 * static_cast<double>(c)) * std::exp(-std::pow((h - 12) / 4, 2));
        switch (c) {
            case 0: return 20000 - sq + 0.30 * ts + noise(rng);
            case 1: return 1000 + sq + noise(rng);
            case 2: return 45000 - 0.5 * sq + noise(rng);
            case 3: return ts;
            default: return te;
        }
    });
}

TEST(TemperatureCorrection, KnownCoefficientFromAMonthOfWeather) {
    const Record month = weatherMonth();
    const TemperatureEstimate e = estimateTemperatureCorrection(month, 0);
    ASSERT_TRUE(e.correction) << e.problem;
    const auto& k = e.correction->components;
    ASSERT_EQ(k.size(), 3u);
    EXPECT_NEAR(k[0].ts, 0.30, 0.02) << coefficientLine(k[0], 0);
    EXPECT_LT(std::fabs(k[1].ts), 0.02) << coefficientLine(k[1], 0);
    EXPECT_LT(std::fabs(k[2].ts), 0.02) << coefficientLine(k[2], 0);
    for (const auto& c : k) {
        EXPECT_GT(c.tsError, 0.0);
        EXPECT_LT(c.tsError, 0.02);
    }
    // Every day but the first and last has days on either side.
    EXPECT_EQ(e.correction->days.size(), 28u);
    EXPECT_EQ(e.correction->days.front(), test::kFirstDayMs / Record::kMsPerDay + 1);
}

TEST(TemperatureCorrection, TooFewDaysIsSaid) {
    const Record twoDays = test::makeRecord(2 * 8640, 10'000, [](std::size_t c, std::size_t i, std::int64_t t) {
        return test::quietField(c, t) + (c == 3 ? static_cast<double>(i % 100) / 10 : 0.0);
    });
    const TemperatureEstimate e = estimateTemperatureCorrection(twoDays, 0);
    EXPECT_FALSE(e.correction);
    EXPECT_EQ(e.problem,
              "the temperature correction needs at least 3 days with temperatures and field, each with recorded days "
              "on either side; these inputs give 0");
}

TEST(TemperatureCorrection, CoefficientLinesAndTheCorrectedValues) {
    const struct {
        TemperatureCoefficient c;
        std::size_t days;
        const char* line;
    } rows[] = {
        {{"Bx", 0.3, 0.004, 15}, 12, "Bx  0.300 ± 0.004 nT/°C  (Ts, 12 days)"},
        {{"By", -0.0124, 0.0116, 15}, 1, "By  -0.012 ± 0.012 nT/°C  (Ts, 1 day)"},
        {{"Bz", 0.1, 0.01, 15, true, -0.05, 0.005, 25}, 3,
         "Bz  0.100 ± 0.010 nT/°C  (Ts, 3 days)  Te -0.050 ± 0.005 nT/°C"},
    };
    for (const auto& r : rows) EXPECT_EQ(coefficientLine(r.c, r.days), r.line);

    // Ts 15.0, 17.5, 12.0 °C (the last sample's Ts missing); Te 25.0 … 27.0.
    Record r(Record::dataFileChannels());
    const std::int32_t samples[3][5] = {
        {2000000, 100000, 4500000, 150, 250}, {2000000, 100000, 4500000, 175, 270}, {2000000, 100000, 4500000, Record::kMissing, 260}};
    for (int i = 0; i < 3; ++i) r.append(1000 * i, samples[i]);
    r.finish();
    TemperatureCorrection corr;
    corr.components = {rows[0].c, rows[2].c};  // Bx: 0.3·(Ts−15); Bz: 0.1·(Ts−15) − 0.05·(Te−25)
    applyTemperatureCorrection(r, corr);
    const std::int32_t expected[3][3] = {
        {2000000, 100000, 4500000}, {2000000 - 75, 100000, 4500000 - 25 + 10}, {Record::kMissing, 100000, Record::kMissing}};
    for (std::size_t i = 0; i < 3; ++i) {
        for (std::size_t c = 0; c < 3; ++c) EXPECT_EQ(r.column(c)[i], expected[i][c]) << i << " " << c;
    }
}

}  // namespace
}  // namespace kordel
