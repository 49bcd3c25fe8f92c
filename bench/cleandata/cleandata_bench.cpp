// Cleaning a month at 10 Hz: 30 days, 25,920,000 samples of Bx, By, Bz, Ts, Te
// made in memory (a daily field wave with noise, a few hundred spikes, a
// temperature cycle that changes from day to day), then timed, 3 runs each,
// medians:
//   detectors     the step detector and the spike detector over the month;
//   coefficients  the temperature coefficients from the month;
//   cleaned level the month's flagged samples left out.
//   bench_cleandata [DAYS]   (default 30)

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "processing/datalevel.h"
#include "processing/spikedetector.h"
#include "processing/stepdetector.h"
#include "processing/temperaturecorrection.h"

namespace {

using namespace kordel;

constexpr double kPi = 3.14159265358979323846;

Record month(int days) {
    Record r(Record::dataFileChannels());
    const std::size_t n = static_cast<std::size_t>(days) * 864'000;
    r.reserve(n);
    std::uint64_t state = 88172645463325252ull;
    const auto noise = [&state] {  // xorshift, roughly uniform ±0.17 nT (σ 0.1)
        state ^= state << 13, state ^= state >> 7, state ^= state << 17;
        return (static_cast<double>(state >> 11) / 9007199254740992.0 - 0.5) * 0.346;
    };
    std::int32_t raw[5];
    for (std::size_t i = 0; i < n; ++i) {
        const double hours = static_cast<double>(i) / 36'000;
        const int day = static_cast<int>(hours / 24);
        const double h = std::fmod(hours, 24);
        const double ts = 15 + 2 * std::sin(day * 1.7) + (4 + 2 * std::sin(day * 2.3)) * std::cos(2 * kPi * (h - 14) / 24);
        const double te = 25 + std::cos(2 * kPi * (h - 17) / 24);
        const double sq = 25 * std::exp(-std::pow((h - 12) / 4, 2));
        const double spike = i % 97'001 == 500 ? 30.0 : 0.0;
        const double v[5] = {20000 - sq + 0.3 * ts + noise() + spike, 1000 + sq + noise(), 45000 - sq / 2 + noise(), ts, te};
        for (int c = 0; c < 5; ++c) raw[c] = static_cast<std::int32_t>(std::lround(v[c] * (c < 3 ? 100 : 10)));
        r.append(static_cast<std::int64_t>(45'000) * Record::kMsPerDay + static_cast<std::int64_t>(i) * 100, raw);
    }
    r.finish();
    return r;
}

double cpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Median wall-clock seconds of 3 runs; `cpu` gets the median processor
// seconds (on a shared machine the wall clock also counts others' work).
template <class F>
double medianSeconds(F&& f, double& cpu) {
    std::vector<double> t, c;
    for (int run = 0; run < 3; ++run) {
        const auto a = std::chrono::steady_clock::now();
        const double ca = cpuSeconds();
        f();
        c.push_back(cpuSeconds() - ca);
        t.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - a).count());
    }
    std::sort(t.begin(), t.end());
    std::sort(c.begin(), c.end());
    cpu = c[1];
    return t[1];
}

}  // namespace

int main(int argc, char** argv) {
    const int days = argc > 1 ? std::max(3, std::atoi(argv[1])) : 30;
    const Record r = month(days);
    std::printf("%d days at 10 Hz: %zu samples\n", days, r.size());
    std::vector<Flag> flags;
    double cpu = 0;
    std::vector<Flag> steps;
    const double stepOnly = medianSeconds([&] { steps = detectSteps(r, {}, 0); }, cpu);
    std::printf("  steps       %.3f s, processor %.3f s\n", stepOnly, cpu);
    const double spikeOnly = medianSeconds([&] { (void)detectSpikes(r, {}, steps, 0); }, cpu);
    std::printf("  spikes      %.3f s, processor %.3f s\n", spikeOnly, cpu);
    const double detect = medianSeconds([&] {
        flags = detectSteps(r, {}, 0);
        const auto spikes = detectSpikes(r, {}, flags, 0);
        flags.insert(flags.end(), spikes.begin(), spikes.end());
    }, cpu);
    std::printf("detectors     %.3f s, processor %.3f s  (%zu flags)\n", detect, cpu, flags.size());
    TemperatureEstimate e;
    const double estimate = medianSeconds([&] { e = estimateTemperatureCorrection(r, 0); }, cpu);
    std::printf("coefficients  %.3f s, processor %.3f s\n", estimate, cpu);
    if (e.correction) {
        for (const auto& c : e.correction->components) {
            std::printf("  %s\n", coefficientLine(c, e.correction->days.size()).c_str());
        }
    }
    const double level = medianSeconds([&] {
        Record copy = r;
        leaveOutFlagged(copy, flags);
    }, cpu);
    std::printf("cleaned level %.3f s, processor %.3f s (copy of the record included)\n", level, cpu);
    return 0;
}
