// The envelope a chart draws against the full line it stands for.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "record/envelope.h"
#include "recordbuilder.h"

namespace kordel {
namespace {

constexpr std::int64_t kDay = 86'400'000;

// 10 Hz for 30 000 samples, with spikes, missing samples and a one-minute gap.
Record spikyRecord() {
    Record r({{"V", "nT", 2}});
    std::int64_t t = 0;
    for (int i = 0; i < 30000; ++i) {
        std::int32_t v = 2000000 + (i * 37) % 200 - 100;
        if (i % 4111 == 7) v += 50000;  // a one-sample spike
        if (i % 5003 == 11) v -= 70000;
        if (i % 1009 == 3) v = Record::kMissing;
        const std::int32_t raw[1] = {v};
        r.append(t, raw);
        t += i == 15000 ? 60000 : 100;
    }
    r.finish();
    return r;
}

std::int64_t msOf(double x) { return std::llround(x * kDay); }

TEST(Envelope, EachPixelColumnHasTheExtremesOfItsSamples) {
    const Record r = spikyRecord();
    ASSERT_EQ(r.gapsAfter(), std::vector<std::size_t>{15000});
    struct Window {
        std::int64_t from, to;
        int pixels;
    };
    for (const Window w : {Window{0, 3'060'000, 1000}, Window{1'000'000, 2'000'000, 500}, Window{1'400'050, 1'600'050, 200}}) {
        const EnvelopeLine line = envelope(r, 0, w.from, w.to, w.pixels);
        ASSERT_TRUE(line.reduced);
        const std::int64_t width = (w.to - w.from) / w.pixels;
        auto columnOf = [&](std::int64_t ms) { return std::min<std::int64_t>((ms - w.from) / width, w.pixels - 1); };
        std::map<std::int64_t, std::pair<double, double>> expected, drawn;
        for (std::size_t i = 0; i < r.size(); ++i) {
            const std::int64_t t = r.timeMs(i);
            if (t < w.from || t > w.to || r.isMissing(0, i)) continue;
            auto [it, fresh] = expected.try_emplace(columnOf(t), r.value(0, i), r.value(0, i));
            it->second = {std::min(it->second.first, r.value(0, i)), std::max(it->second.second, r.value(0, i))};
        }
        for (std::size_t k = 0; k < line.x.size(); ++k) {
            const std::int64_t t = msOf(line.x[k]);
            if (t < w.from || t > w.to || std::isnan(line.y[k])) continue;
            auto [it, fresh] = drawn.try_emplace(columnOf(t), line.y[k], line.y[k]);
            it->second = {std::min(it->second.first, line.y[k]), std::max(it->second.second, line.y[k])};
        }
        EXPECT_EQ(drawn, expected) << w.from;
        EXPECT_LE(line.x.size(), static_cast<std::size_t>(w.pixels) * 2 + 8);
        EXPECT_TRUE(std::is_sorted(line.x.begin(), line.x.end()));
    }
}

// The line breaks (a NaN value) between the samples around the gap.
TEST(Envelope, GapBreaksTheLineInBothForms) {
    const Record r = spikyRecord();
    const std::int64_t before = r.timeMs(15000), after = r.timeMs(15001);
    for (const auto& [from, to, pixels] : {std::tuple{before - 200, after + 200, 800}, std::tuple{std::int64_t{0}, std::int64_t{3'060'000}, 700}}) {
        const EnvelopeLine line = envelope(r, 0, from, to, pixels);
        bool found = false;
        for (std::size_t k = 1; k + 1 < line.x.size(); ++k) {
            const std::int64_t t = msOf(line.x[k]);
            if (std::isnan(line.y[k]) && t > before && t < after) {
                found = msOf(line.x[k - 1]) <= before && msOf(line.x[k + 1]) >= after;
            }
            // Nothing drawn joins the two sides.
            EXPECT_FALSE(!std::isnan(line.y[k]) && !std::isnan(line.y[k + 1]) && msOf(line.x[k]) <= before &&
                         msOf(line.x[k + 1]) >= after);
        }
        EXPECT_TRUE(found) << "window " << from;
    }
}

TEST(Envelope, FewSamplesAreGivenEveryOneWithMissingOnesBroken) {
    const Record r = test::recordOf({{0, 100}, {100, Record::kMissing}, {200, 300}, {300, 400}});
    const EnvelopeLine line = envelope(r, 0, test::midnightMs(), test::midnightMs() + 300, 10);
    EXPECT_FALSE(line.reduced);
    ASSERT_EQ(line.y.size(), 4u);
    EXPECT_EQ(line.y[0], 1.0);
    EXPECT_TRUE(std::isnan(line.y[1]));
    EXPECT_EQ(line.y[2], 3.0);
    EXPECT_EQ(line.y[3], 4.0);
    EXPECT_EQ(msOf(line.x[3]), test::midnightMs() + 300);
}

// Each column's points come from its own samples, whatever their values: at
// the largest value the record holds too (no sentinel mistaken for a sample).
TEST(Envelope, ExtremesComeFromTheColumnsOwnSamples) {
    for (const std::int32_t value : {std::numeric_limits<std::int32_t>::max(), -2147483647, 0}) {
        Record r({{"V", "nT", 2}});
        for (int i = 0; i < 3000; ++i) {
            const std::int32_t raw[1] = {i == 0 ? 1 : value};
            r.append(i * 100, raw);
        }
        r.finish();
        const EnvelopeLine line = envelope(r, 0, 100'000, 299'900, 10);
        ASSERT_TRUE(line.reduced);
        EXPECT_TRUE(std::is_sorted(line.x.begin(), line.x.end())) << value;
        for (std::size_t k = 0; k < line.x.size(); ++k) {
            EXPECT_GE(msOf(line.x[k]), 99'900) << value;
            EXPECT_EQ(line.y[k], value / 100.0) << value;
        }
    }
}

}  // namespace
}  // namespace kordel
