// A year of minute values (525,600 per component) to K, hourly levels and the
// rate of change.
//   bench_activity [RUNS]   times each over a made-up year (a regular daily
//                           variation, noise and a storm every nine days),
//                           RUNS runs (default 5); prints the medians.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <random>
#include <vector>

#include "processing/activitylevel.h"
#include "processing/kindex.h"
#include "processing/rateofchange.h"

namespace {

using Clock = std::chrono::steady_clock;

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double ms(Clock::time_point from) { return std::chrono::duration<double, std::milli>(Clock::now() - from).count(); }

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    constexpr std::int64_t kMinutes = 365 * kordel::kMinutesPerDay;
    std::vector<double> x(kMinutes), y(kMinutes);
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0.0, 0.5);
    for (std::int64_t m = 0; m < kMinutes; ++m) {
        const double f = 2 * std::numbers::pi * static_cast<double>(m % 1440) / 1440;
        const std::int64_t inStorm = m % (9 * 1440);
        const double storm = inStorm < 600 ? 150 * std::sin(std::numbers::pi * inStorm / 600.0) : 0;
        x[static_cast<std::size_t>(m)] = 18000 + 20 * std::cos(f - 0.7) + 8 * std::cos(2 * f) - storm + noise(rng);
        y[static_cast<std::size_t>(m)] = 1500 + 10 * std::sin(f) + 5 * std::cos(2 * f) + 0.3 * storm + noise(rng);
    }
    const kordel::HorizontalMinutes minutes{45'000 * kordel::kMinutesPerDay, x, y};

    std::vector<double> kTimes, levelTimes, rateTimes;
    std::vector<kordel::KDay> days;
    for (int r = 0; r < runs; ++r) {
        auto t = Clock::now();
        days = kordel::computeKIndices(minutes, {500, 25});
        kTimes.push_back(ms(t));
        t = Clock::now();
        const auto hours = kordel::hourlyActivity(minutes, days, {});
        levelTimes.push_back(ms(t));
        t = Clock::now();
        const auto rate = kordel::trailingMaximum(kordel::rateOfChange(minutes), kordel::kRateWindowMinutes);
        rateTimes.push_back(ms(t));
        if (hours.empty() || rate.empty()) return 1;
    }
    int sumK = 0;
    for (const auto& d : days) sumK += d.sum.value_or(0);
    std::printf("days %zu, sum of daily sums of K %d\n", days.size(), sumK);
    std::printf("K index of a year:        %8.1f ms (median of %d)\n", median(kTimes), runs);
    std::printf("hourly levels of a year:  %8.1f ms\n", median(levelTimes));
    std::printf("dB/dt and its 10-min max: %8.1f ms\n", median(rateTimes));
    return 0;
}
