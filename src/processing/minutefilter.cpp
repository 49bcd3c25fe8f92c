#include "processing/minutefilter.h"

#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace kordel {

namespace {

// The Gaussian filter's weights as tabled in the INTERMAGNET Technical
// Manual, appendix "Filter Coefficients": t0 at the minute, t_k for the
// samples k seconds before and after it.
constexpr std::array<double, 46> kOneSecond = {
    0.0251958,  0.02514602, 0.02499727, 0.02475132, 0.02441104, 0.0239804,  0.02346437, 0.02286881,
    0.02220039, 0.02146643, 0.0206748,  0.01983377, 0.01895183, 0.01803763, 0.01709976, 0.01614667,
    0.01518651, 0.01422707, 0.01327563, 0.01233892, 0.01142303, 0.01053338, 0.0096747,  0.0088509,
    0.0080653,  0.0073204,  0.0066181,  0.0059596,  0.0053454,  0.0047755,  0.0042496,  0.0037667,
    0.0033254,  0.0029243,  0.0025614,  0.0022347,  0.0019419,  0.0016809,  0.0014492,  0.0012445,
    0.0010645,  0.000907,   0.00077,    0.000651,   0.000548,   0.000459,
};
// Five-second data: t0, t5, …, t45.
constexpr std::array<double, 10> kFiveSecond = {
    0.12578865, 0.11972085, 0.10321785, 0.0806114, 0.05702885,
    0.0365468,  0.02121585, 0.01115655, 0.0053144, 0.0022932,
};
// Ten-second data: t0, t10, …, t50.
constexpr std::array<double, 6> kTenSecond = {
    0.25100743, 0.20596804, 0.11379931, 0.04233562, 0.01060471, 0.0017886,
};

template <std::size_t N>
std::vector<double> normalised(const std::array<double, N>& table) {
    double sum = table[0];
    for (std::size_t k = 1; k < N; ++k) sum += 2.0 * table[k];
    std::vector<double> w(table.begin(), table.end());
    for (double& v : w) v /= sum;
    return w;
}

}  // namespace

std::span<const double> minuteFilterWeights(std::int64_t intervalMs) {
    static const std::vector<double> one = normalised(kOneSecond);
    static const std::vector<double> five = normalised(kFiveSecond);
    static const std::vector<double> ten = normalised(kTenSecond);
    switch (intervalMs) {
        case 1000: return one;
        case 5000: return five;
        case 10000: return ten;
        default: return {};
    }
}

void filterMinutes(std::span<const double> grid, std::int64_t gridStartMs, std::int64_t intervalMs,
                   std::int64_t firstMinuteMs, std::span<double> out) {
    const std::span<const double> w = minuteFilterWeights(intervalMs);
    const auto taps = static_cast<std::int64_t>(w.size());
    const auto size = static_cast<std::int64_t>(grid.size());
    for (std::size_t j = 0; j < out.size(); ++j) {
        out[j] = std::numeric_limits<double>::quiet_NaN();
        if (w.empty()) continue;
        const std::int64_t centre =
            (firstMinuteMs + 60000 * static_cast<std::int64_t>(j) - gridStartMs) / intervalMs;
        double weights = 0;
        double sum = 0;
        for (std::int64_t k = 1 - taps; k < taps; ++k) {
            const std::int64_t i = centre + k;
            if (i < 0 || i >= size || std::isnan(grid[static_cast<std::size_t>(i)])) continue;
            const double wk = w[static_cast<std::size_t>(k < 0 ? -k : k)];
            weights += wk;
            sum += wk * grid[static_cast<std::size_t>(i)];
        }
        if (weights >= 0.9) out[j] = sum / weights;
    }
}

}  // namespace kordel
