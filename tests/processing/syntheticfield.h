#pragma once
// Synthetic records for the cleaning tests: a quiet day's field (a smooth
// daily variation plus Gaussian noise of a known standard deviation) with the
// two temperatures, in the channels of a data file.

#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "record/record.h"

namespace kordel::test {

inline constexpr std::int64_t kFirstDayMs = 45'000LL * Record::kMsPerDay;  // 2023-03-15
inline constexpr double kPi = 3.14159265358979323846;

// The undisturbed value of channel c at t: Bx, By, Bz about 20,000, 1,000 and
// 45,000 nT with a daily wave of 20 nT; Ts and Te constant.
inline double quietField(std::size_t c, std::int64_t t) {
    const double phase = 2 * kPi * static_cast<double>(t % Record::kMsPerDay) / Record::kMsPerDay;
    static constexpr double base[5] = {20000, 1000, 45000, 15, 25};
    return c < 3 ? base[c] + 20 * std::sin(phase + static_cast<double>(c)) : base[c];
}

// `value(c, i, t)` of each sample, every `intervalMs` for `count` samples.
inline Record makeRecord(std::size_t count, std::int64_t intervalMs,
                         const std::function<double(std::size_t, std::size_t, std::int64_t)>& value) {
    Record r(Record::dataFileChannels());
    r.reserve(count);
    std::int32_t raw[5];
    for (std::size_t i = 0; i < count; ++i) {
        const std::int64_t t = kFirstDayMs + static_cast<std::int64_t>(i) * intervalMs;
        for (std::size_t c = 0; c < 5; ++c) raw[c] = static_cast<std::int32_t>(std::lround(value(c, i, t) * r.scale(c)));
        r.append(t, raw);
    }
    r.finish();
    return r;
}

// A quiet day at 10 Hz with noise σ on the field; `disturb` may change a sample.
inline Record quietDay(double sigma, const std::function<double(std::size_t, std::size_t, std::int64_t, double)>&
                                         disturb = nullptr) {
    std::mt19937_64 rng(20231115);
    std::normal_distribution<double> noise(0.0, sigma);
    return makeRecord(864'000, 100, [&](std::size_t c, std::size_t i, std::int64_t t) {
        const double v = quietField(c, t) + (c < 3 ? noise(rng) : 0.0);
        return disturb ? disturb(c, i, t, v) : v;
    });
}

}  // namespace kordel::test
