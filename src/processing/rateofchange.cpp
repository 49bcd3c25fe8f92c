#include "processing/rateofchange.h"

#include <cmath>
#include <deque>
#include <limits>

namespace kordel {

std::vector<double> rateOfChange(const HorizontalMinutes& minutes) {
    const std::size_t n = minutes.size();
    std::vector<double> rate(n, std::numeric_limits<double>::quiet_NaN());
    for (std::size_t i = 1; i < n; ++i) {
        // NaN in any of the four values carries through to the result.
        rate[i] = std::hypot(minutes.x[i] - minutes.x[i - 1], minutes.y[i] - minutes.y[i - 1]);
    }
    return rate;
}

std::vector<double> trailingMaximum(std::span<const double> values, std::size_t window) {
    std::vector<double> out(values.size(), std::numeric_limits<double>::quiet_NaN());
    if (window == 0) window = 1;
    std::deque<std::size_t> candidates;  // indices, their values descending
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (!candidates.empty() && candidates.front() + window <= i) candidates.pop_front();
        if (!std::isnan(values[i])) {
            while (!candidates.empty() && values[candidates.back()] <= values[i]) candidates.pop_back();
            candidates.push_back(i);
        }
        if (!candidates.empty()) out[i] = values[candidates.front()];
    }
    return out;
}

}  // namespace kordel
