// Hourly and daily means: 90 % of their minutes present.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "processing/standardmeans.h"

namespace kordel {
namespace {

// `present` minutes of value 10 + minute % 3, the rest missing (the first ones).
std::vector<double> minutes(std::size_t count, std::size_t present) {
    std::vector<double> m(count, std::nan(""));
    for (std::size_t i = count - present; i < count; ++i) m[i] = 10.0 + static_cast<double>(i % 3);
    return m;
}

TEST(StandardMeans, NinetyPercentOfTheMinutes) {
    struct Row {
        std::size_t count, present;
        double mean;  // NaN: missing
    };
    const Row rows[] = {
        {60, 60, 11.0}, {60, 54, 11.0}, {60, 53, NAN}, {1440, 1296, 11.0}, {1440, 1295, NAN}, {1440, 0, NAN},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.present);
        const std::vector<double> m = minutes(r.count, r.present);
        const double v = r.count == 60 ? hourlyMeans(m).at(0) : dailyMean(m);
        if (std::isnan(r.mean)) EXPECT_TRUE(std::isnan(v)) << v;
        else EXPECT_NEAR(v, r.mean, 1e-12);
    }
}

TEST(StandardMeans, OneMeanPerHourOfTheDay) {
    std::vector<double> day(1440);
    for (std::size_t i = 0; i < day.size(); ++i) day[i] = static_cast<double>(i / 60 * 100 + i % 60);
    const std::vector<double> hours = hourlyMeans(day);
    ASSERT_EQ(hours.size(), 24u);
    EXPECT_DOUBLE_EQ(hours[0], 29.5);
    EXPECT_DOUBLE_EQ(hours[23], 2329.5);
}

}  // namespace
}  // namespace kordel
