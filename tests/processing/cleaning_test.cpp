// Spikes and steps found in a quiet day, and what the cleaned level keeps.

#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "processing/datalevel.h"
#include "processing/spikedetector.h"
#include "processing/standardvalues.h"
#include "processing/stepdetector.h"
#include "syntheticfield.h"

namespace kordel {
namespace {

using test::quietDay;
using test::quietField;

constexpr double kSigma = 0.1;  // nT, the quiet day's noise (standard deviation)
constexpr std::int64_t kSetMs = 45'100LL * Record::kMsPerDay;

bool flagged(const std::vector<Flag>& flags, FlagKind kind, const std::string& component, std::int64_t t) {
    for (const Flag& f : flags) {
        if (f.kind == kind && f.startMs <= t && t <= f.endMs &&
            std::find(f.components.begin(), f.components.end(), component) != f.components.end()) {
            return true;
        }
    }
    return false;
}

TEST(SpikeDetector, QuietDayGivesAtMostOneFlagPerTenThousandSamples) {
    const Record day = quietDay(kSigma);
    const auto steps = detectSteps(day, {}, kSetMs);
    const auto spikes = detectSpikes(day, {}, steps, kSetMs);
    EXPECT_TRUE(steps.empty());
    EXPECT_LE(spikes.size(), day.size() / 10'000);
}

TEST(SpikeDetector, SpikesOfFiveToFiftyTimesTheNoiseAreAllFlagged) {
    // Spike k (5 … 50 σ) lies on sample 5,000 + 18,000·(k − 5) of component
    // k % 3, upward for even k. Its height is measured from the undisturbed
    // field: a damaged line or a stroke replaces the measurement.
    std::map<std::size_t, std::pair<std::size_t, double>> injected;  // sample → component, height in σ
    for (int k = 5; k <= 50; ++k) {
        injected[5'000 + 18'000 * static_cast<std::size_t>(k - 5)] = {static_cast<std::size_t>(k % 3),
                                                                       (k % 2 == 0 ? 1.0 : -1.0) * k};
    }
    const Record day = quietDay(kSigma, [&](std::size_t c, std::size_t i, std::int64_t t, double v) {
        const auto it = injected.find(i);
        return it != injected.end() && it->second.first == c ? quietField(c, t) + it->second.second * kSigma : v;
    });
    const auto steps = detectSteps(day, {}, kSetMs);
    const auto spikes = detectSpikes(day, {}, steps, kSetMs);
    for (const auto& [i, spike] : injected) {
        SCOPED_TRACE(spike.second);
        EXPECT_TRUE(flagged(spikes, FlagKind::Spike, day.channel(spike.first).name, day.timeMs(i)));
    }
    EXPECT_TRUE(steps.empty());
    EXPECT_LE(spikes.size(), injected.size() + day.size() / 10'000);
    for (const Flag& f : spikes) EXPECT_EQ(f.source, "auto");
}

TEST(StepDetector, ALastingStepIsAStepNotASpikeAndStaysInTheCleanedLevel) {
    constexpr std::size_t kStepAt = 432'123;  // By jumps by 10 σ here and stays
    const Record day = quietDay(kSigma, [](std::size_t c, std::size_t i, std::int64_t, double v) {
        return c == 1 && i >= kStepAt ? v + 10 * kSigma : v;
    });
    const auto steps = detectSteps(day, {}, kSetMs);
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].components, std::vector<std::string>{"By"});
    EXPECT_EQ(steps[0].kind, FlagKind::Step);
    EXPECT_LE(steps[0].startMs, day.timeMs(kStepAt));
    EXPECT_GE(steps[0].endMs, day.timeMs(kStepAt - 1));
    EXPECT_LE(steps[0].endMs - steps[0].startMs, 1'000);
    const auto spikes = detectSpikes(day, {}, steps, kSetMs);
    for (std::size_t i = kStepAt - 1200; i < kStepAt + 1200; ++i) {
        EXPECT_FALSE(flagged(spikes, FlagKind::Spike, "By", day.timeMs(i))) << i;
    }
    std::vector<Flag> all = steps;
    all.insert(all.end(), spikes.begin(), spikes.end());
    Record cleaned = day;
    applyDataLevel(cleaned, DataLevel::Cleaned, all, nullptr);
    for (std::size_t i = kStepAt - 1200; i < kStepAt + 1200; ++i) ASSERT_EQ(cleaned.column(1)[i], day.column(1)[i]) << i;
}

TEST(DataLevel, FlaggedSamplesLeaveTheMinuteValuesAsIfDeleted) {
    // Ten minutes at 10 Hz; spike and remove flags (a keep flag overriding
    // part of one), a step flag that changes nothing.
    const Record raw = test::makeRecord(6'000, 100, [](std::size_t c, std::size_t i, std::int64_t t) {
        return quietField(c, t) + 0.37 * static_cast<double>((i * 7919) % 13);
    });
    const std::int64_t t0 = raw.timeMs(0);
    const std::vector<Flag> flags = {
        {t0 + 61'000, t0 + 61'300, {"Bx"}, FlagKind::Spike},
        {t0 + 150'000, t0 + 159'900, {"Bx", "Bz"}, FlagKind::Remove},
        {t0 + 155'000, t0 + 155'500, {"Bz"}, FlagKind::Keep},
        {t0 + 200'000, t0 + 200'100, {"Bx"}, FlagKind::Step},
    };
    Record cleaned = raw;
    EXPECT_EQ(leaveOutFlagged(cleaned, flags), 4u + 100u + 100u - 6u);
    const auto leftOut = [&](std::size_t c, std::int64_t t) {
        const bool x = c == 0 && ((t >= t0 + 61'000 && t <= t0 + 61'300) || (t >= t0 + 150'000 && t <= t0 + 159'900));
        const bool z = c == 2 && t >= t0 + 150'000 && t <= t0 + 159'900 && !(t >= t0 + 155'000 && t <= t0 + 155'500);
        return x || z;
    };
    const std::int64_t firstMinute = t0 + 60'000;
    for (std::size_t c : {0u, 2u}) {
        SCOPED_TRACE(c);
        std::vector<std::int64_t> keptTimes;
        std::vector<double> keptValues, levelled;
        for (std::size_t i = 0; i < raw.size(); ++i) {
            levelled.push_back(cleaned.value(c, i));
            if (leftOut(c, raw.timeMs(i))) {
                EXPECT_TRUE(cleaned.isMissing(c, i));
                continue;
            }
            keptTimes.push_back(raw.timeMs(i));
            keptValues.push_back(raw.value(c, i));
        }
        const auto fromLevel = minuteValues(raw.times(), levelled, firstMinute, 8);
        const auto fromDeleted = minuteValues(keptTimes, keptValues, firstMinute, 8);
        ASSERT_EQ(fromLevel.size(), fromDeleted.size());
        for (std::size_t j = 0; j < fromLevel.size(); ++j) {
            EXPECT_FALSE(std::isnan(fromLevel[j]));
            // The same samples weigh in either way; only the order of the
            // filter's sums differs, far below the files' 0.01 nT.
            EXPECT_NEAR(fromLevel[j], fromDeleted[j], 1e-9) << j;
        }
    }
}

TEST(DataLevel, NamesAndHeaderText) {
    const struct {
        const char* text;
        std::optional<DataLevel> level;
    } rows[] = {{"raw", DataLevel::Raw}, {"cleaned", DataLevel::Cleaned}, {"corrected", DataLevel::Corrected},
                {"Cleaned", std::nullopt}, {"", std::nullopt}};
    for (const auto& r : rows) EXPECT_EQ(parseDataLevel(r.text), r.level) << r.text;
    TemperatureCorrection corr;
    corr.components = {{"Bx", 0.3, 0.004, 21.25}, {"By", -0.01, 0.003, 21.25, true, 0.05, 0.01, 30}};
    EXPECT_EQ(dataLevelText(DataLevel::Raw, 0, nullptr), "Data level raw: as recorded, flags not applied.");
    EXPECT_EQ(dataLevelText(DataLevel::Cleaned, 12, nullptr),
              "Data level cleaned: samples under spike or remove flags left out, written as 99999.00 (12 in the "
              "inputs).");
    EXPECT_EQ(dataLevelText(DataLevel::Corrected, 0, &corr),
              "Data level corrected: samples under spike or remove flags left out, written as 99999.00 (0 in "
              "the inputs). Temperature correction taken off: Bx 0.300 nT/C x (Ts - 21.3 C); By -0.010 nT/C x (Ts - 21.3 C) + 0.050 nT/C x "
              "(Te - 30.0 C).");
}

}  // namespace
}  // namespace kordel
