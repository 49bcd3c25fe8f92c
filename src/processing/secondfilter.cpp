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

namespace {

// Σ w[k]·v[k] with four running sums, so that the additions need not wait on
// one another.
double dot(const double* w, const double* v, std::size_t n) {
    double s[4] = {0, 0, 0, 0};
    std::size_t k = 0;
    for (; k + 4 <= n; k += 4) {
        s[0] += w[k] * v[k];
        s[1] += w[k + 1] * v[k + 1];
        s[2] += w[k + 2] * v[k + 2];
        s[3] += w[k + 3] * v[k + 3];
    }
    for (; k < n; ++k) s[0] += w[k] * v[k];
    return (s[0] + s[1]) + (s[2] + s[3]);
}

}  // namespace

void filterSeconds(std::span<const std::int64_t> timesMs, std::span<const std::span<const double>> values,
                   std::int64_t intervalMs, std::int64_t firstSecondMs, std::span<const std::span<double>> out) {
    const std::vector<double>& table = weightTable();
    const double scale = static_cast<double>(std::max<std::int64_t>(intervalMs, 1));
    const std::size_t seconds = out.empty() ? 0 : out[0].size();
    // Per channel, the missing values before each sample: a window without
    // any (the usual case) is a plain dot product.
    std::vector<std::vector<std::uint32_t>> missingBefore(values.size());
    for (std::size_t c = 0; c < values.size(); ++c) {
        missingBefore[c].resize(timesMs.size() + 1);
        for (std::size_t i = 0; i < timesMs.size(); ++i) {
            missingBefore[c][i + 1] = missingBefore[c][i] + (std::isnan(values[c][i]) ? 1 : 0);
        }
    }
    std::vector<double> w;
    std::vector<double> ones;
    std::size_t lo = 0;
    for (std::size_t j = 0; j < seconds; ++j) {
        const std::int64_t centre = firstSecondMs + 1000 * static_cast<std::int64_t>(j);
        while (lo < timesMs.size() && timesMs[lo] <= centre - kSecondFilterHalfWidthMs) ++lo;
        std::size_t hi = lo;
        w.clear();
        for (; hi < timesMs.size() && timesMs[hi] < centre + kSecondFilterHalfWidthMs; ++hi) {
            w.push_back(table[static_cast<std::size_t>(timesMs[hi] - centre + kSecondFilterHalfWidthMs)]);
        }
        ones.resize(std::max(ones.size(), w.size()), 1.0);
        const double all = dot(w.data(), ones.data(), w.size());
        for (std::size_t c = 0; c < values.size(); ++c) {
            const double* v = values[c].data() + lo;
            double weights = all;
            double sum = 0;
            if (missingBefore[c][hi] == missingBefore[c][lo]) {
                sum = dot(w.data(), v, w.size());
            } else {
                weights = 0;
                for (std::size_t k = 0; k < w.size(); ++k) {
                    if (std::isnan(v[k])) continue;
                    weights += w[k];
                    sum += w[k] * v[k];
                }
            }
            out[c][j] = weights * scale >= 0.9 ? sum / weights : std::numeric_limits<double>::quiet_NaN();
        }
    }
}

void filterSeconds(std::span<const std::int64_t> timesMs, std::span<const double> values, std::int64_t intervalMs,
                   std::int64_t firstSecondMs, std::span<double> out) {
    const std::span<const double> in[1] = {values};
    const std::span<double> to[1] = {out};
    filterSeconds(timesMs, in, intervalMs, firstSecondMs, to);
}

}  // namespace kordel
