// The live activity monitor at 10 Hz: what it costs the recorder per sample.
//   bench_liveactivity [HOURS]   feeds HOURS (default 50: two days and two
//                                hours, so the K and the level are both
//                                computed) of ten lines a second, ten to each
//                                whole-second stamp as the instrument sends
//                                them, with a storm on the second day; prints
//                                the mean wall and processor time per sample,
//                                the longest single call (the one that
//                                finishes a minute) and the memory kept.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <numbers>
#include <random>

#include "processing/liveactivity.h"

namespace {

using Clock = std::chrono::steady_clock;

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

}  // namespace

int main(int argc, char** argv) {
    const long hours = argc > 1 ? std::max(1L, std::atol(argv[1])) : 50;
    const long samples = hours * 3600 * 10;
    const std::int64_t start = 45'000LL * 86'400'000;
    std::int64_t clockMs = start;
    kordel::LiveActivity live({}, [&clockMs] { return clockMs; });
    long states = 0, alerts = 0;
    live.onState([&states](const kordel::ActivityNow&) { ++states; });
    live.onAlert([&alerts](const kordel::ActivityNow&, kordel::AlertKind) { ++alerts; });
    std::mt19937 rng(3);
    std::normal_distribution<double> noise(0.0, 0.3);

    double longestUs = 0;
    const double cpu0 = cpuSeconds();
    const auto wall0 = Clock::now();
    for (long i = 0; i < samples; ++i) {
        const std::int64_t t = start + i / 10 * 1000;
        const double s = static_cast<double>(i) / 10.0;
        const double f = 2 * std::numbers::pi * s / 86'400;
        const double inStorm = s - 86'400 - 10 * 3600;  // from 10:00 of the second day
        const double storm = inStorm > 0 && inStorm < 7200 ? 180 * std::sin(std::numbers::pi * inStorm / 7200) : 0;
        const double x = 18000 + 20 * std::cos(f - 0.7) + 8 * std::cos(2 * f) - storm + noise(rng);
        const double y = 1500 + 10 * std::sin(f) + 5 * std::cos(2 * f) + 0.3 * storm + noise(rng);
        clockMs = t;
        const auto c0 = Clock::now();
        live.addSample(t, x, y);
        longestUs = std::max(longestUs, std::chrono::duration<double, std::micro>(Clock::now() - c0).count());
    }
    const double wallUs = std::chrono::duration<double, std::micro>(Clock::now() - wall0).count();
    const double cpuUs = (cpuSeconds() - cpu0) * 1e6;
    std::printf("%ld samples (%ld h at 10 Hz): %.2f us wall, %.2f us processor per sample; longest call %.1f ms\n",
                samples, hours, wallUs / static_cast<double>(samples), cpuUs / static_cast<double>(samples),
                longestUs / 1000);
    std::printf("states reported %ld, alerts %ld; K now %s, level now %s; %zu minute values and %zu samples kept\n",
                states, alerts, live.current().k ? std::to_string(*live.current().k).c_str() : "-",
                live.current().level ? std::string(kordel::levelName(*live.current().level)).c_str() : "-",
                live.keptMinutes(), live.bufferedSamples());
    return 0;
}
