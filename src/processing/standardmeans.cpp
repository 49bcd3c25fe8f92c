#include "processing/standardmeans.h"

#include <cmath>
#include <limits>

namespace kordel {

double meanOfPresent(std::span<const double> values, std::size_t needed) {
    double sum = 0;
    std::size_t count = 0;
    for (double v : values) {
        if (std::isnan(v)) continue;
        sum += v;
        ++count;
    }
    return count >= needed && count > 0 ? sum / static_cast<double>(count)
                                        : std::numeric_limits<double>::quiet_NaN();
}

std::vector<double> hourlyMeans(std::span<const double> minutes) {
    std::vector<double> hours(minutes.size() / 60);
    for (std::size_t h = 0; h < hours.size(); ++h) {
        hours[h] = meanOfPresent(minutes.subspan(60 * h, 60), kHourNeedsMinutes);
    }
    return hours;
}

double dailyMean(std::span<const double> minutes) { return meanOfPresent(minutes, kDayNeedsMinutes); }

}  // namespace kordel
