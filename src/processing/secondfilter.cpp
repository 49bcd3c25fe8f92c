#include "processing/secondfilter.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace kordel {

namespace {

const std::vector<double>& weightTable() {
    static const std::vector<double> table = [] {
        constexpr std::int64_t half = kSecondFilterHalfWidthMs;
        constexpr double pi = std::numbers::pi;
        std::vector<double> w(2 * half + 1);
        double sum = 0;
        for (std::int64_t d = -half; d <= half; ++d) {
            const double t = static_cast<double>(d) / 1000.0;  // s
            const double x = 2.0 * pi * kSecondFilterCutoffHz * t;
            const double sinc = d == 0 ? 1.0 : std::sin(x) / x;
            const double a = pi * t / (static_cast<double>(half) / 1000.0);
            const double blackman = 0.42 + 0.5 * std::cos(a) + 0.08 * std::cos(2.0 * a);
            w[static_cast<std::size_t>(d + half)] = sinc * blackman;
            sum += sinc * blackman;
        }
        for (double& v : w) v /= sum;
        return w;
    }();
    return table;
}

}  // namespace

double secondFilterWeight(std::int64_t offsetMs) {
    if (offsetMs <= -kSecondFilterHalfWidthMs || offsetMs >= kSecondFilterHalfWidthMs) return 0.0;
    return weightTable()[static_cast<std::size_t>(offsetMs + kSecondFilterHalfWidthMs)];
}

void filterSeconds(std::span<const std::int64_t> timesMs, std::span<const double> values, std::int64_t intervalMs,
                   std::int64_t firstSecondMs, std::span<double> out) {
    const std::vector<double>& table = weightTable();
    const double scale = static_cast<double>(std::max<std::int64_t>(intervalMs, 1));
    std::size_t lo = 0;
    for (std::size_t j = 0; j < out.size(); ++j) {
        const std::int64_t centre = firstSecondMs + 1000 * static_cast<std::int64_t>(j);
        while (lo < timesMs.size() && timesMs[lo] <= centre - kSecondFilterHalfWidthMs) ++lo;
        double weights = 0;
        double sum = 0;
        for (std::size_t i = lo; i < timesMs.size() && timesMs[i] < centre + kSecondFilterHalfWidthMs; ++i) {
            if (std::isnan(values[i])) continue;
            const double w = table[static_cast<std::size_t>(timesMs[i] - centre + kSecondFilterHalfWidthMs)];
            weights += w;
            sum += w * values[i];
        }
        out[j] = weights * scale >= 0.9 ? sum / weights : std::numeric_limits<double>::quiet_NaN();
    }
}

}  // namespace kordel
