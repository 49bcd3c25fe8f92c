#pragma once
// Minute values of made-up days: a regular daily variation of pure 24-, 12-
// and 8-hour harmonics, onto which a test puts bays and gaps.

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "processing/horizontalminutes.h"

namespace kordel::test {

struct Harmonics {
    double a24, a12, a8;  // amplitudes in nT
};

struct SyntheticDays {
    std::int64_t firstDay;
    std::vector<double> x, y;

    SyntheticDays(std::int64_t first, int days, Harmonics hx, Harmonics hy) : firstDay(first) {
        for (std::int64_t m = 0; m < days * kMinutesPerDay; ++m) {
            const double f = 2 * std::numbers::pi * static_cast<double>(m % kMinutesPerDay) / kMinutesPerDay;
            x.push_back(18000 + hx.a24 * std::cos(f - 0.7) + hx.a12 * std::cos(2 * f + 0.3) + hx.a8 * std::sin(3 * f));
            y.push_back(1500 + hy.a24 * std::sin(f + 0.2) + hy.a12 * std::cos(2 * f - 1.1) + hy.a8 * std::cos(3 * f));
        }
    }
    std::int64_t minute(int day, int hour, int minute = 0) const {
        return (firstDay + day) * kMinutesPerDay + hour * 60 + minute;
    }
    std::size_t index(int day, int hour, int minute = 0) const {
        return static_cast<std::size_t>(minute + hour * 60 + day * kMinutesPerDay);
    }
    // A bay in X that dips by exactly `depth` nT over `length` minutes from `start`.
    void addBay(std::size_t start, int length, double depth) {
        for (int i = 0; i <= length; ++i) {
            const double s = std::sin(std::numbers::pi * i / length);
            x[start + static_cast<std::size_t>(i)] -= depth * s * s;
        }
    }
    void blank(std::size_t start, int length) {
        for (int i = 0; i < length; ++i) x[start + static_cast<std::size_t>(i)] = y[start + static_cast<std::size_t>(i)] = NAN;
    }
    HorizontalMinutes minutes() const { return {firstDay * kMinutesPerDay, x, y}; }
};

}  // namespace kordel::test
