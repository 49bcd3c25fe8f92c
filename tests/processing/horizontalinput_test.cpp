// The horizontal minute values of a record: which channels, H and D turned
// into X and Y, and plain means for samples the minute filter has no table for.

#include "processing/horizontalinput.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace kordel {
namespace {

constexpr std::int64_t kMinuteMs = 60'000;
constexpr std::int64_t kT0 = 45'000LL * 86'400'000;  // 15 March 2023 00:00 UT

Record recordOf(std::vector<ChannelInfo> channels, std::int64_t stepMs, const std::vector<std::vector<std::int32_t>>& rows) {
    Record r(std::move(channels));
    for (std::size_t i = 0; i < rows.size(); ++i) r.append(kT0 + static_cast<std::int64_t>(i) * stepMs, rows[i]);
    r.finish();
    return r;
}

TEST(HorizontalInput, ComponentsByNameWithHAndDTurnedIntoXAndY) {
    const std::int32_t M = Record::kMissing;
    const struct {
        std::vector<ChannelInfo> channels;
        std::vector<std::vector<std::int32_t>> rows;  // scaled by 100
        std::vector<double> x, y;
    } cases[] = {
        {{{"X", "nT", 2}, {"Y", "nT", 2}, {"Z", "nT", 2}, {"F", "nT", 2}},
         {{2000000, 150000, 4400000, 0}, {2000100, M, 4400000, 0}},
         {20000, 20001},
         {1500, NAN}},
        // D of 60 minutes of arc is 1°.
        {{{"H", "nT", 2}, {"D", "arcmin", 2}, {"Z", "nT", 2}, {"F", "nT", 2}},
         {{2000000, 6000, 4400000, 0}, {2000000, -6000, 4400000, 0}},
         {20000 * std::cos(std::numbers::pi / 180), 20000 * std::cos(std::numbers::pi / 180)},
         {20000 * std::sin(std::numbers::pi / 180), -20000 * std::sin(std::numbers::pi / 180)}},
        {{{"Bx", "nT", 2}, {"By", "nT", 2}, {"Bz", "nT", 2}},
         {{1800000, 150000, 4400000}, {1800050, 150025, 4400000}},
         {18000, 18000.5},
         {1500, 1500.25}},
    };
    for (const auto& c : cases) {
        const HorizontalInput in = horizontalMinutesOf(recordOf(c.channels, kMinuteMs, c.rows));
        ASSERT_EQ(in.error, "") << c.channels[0].name;
        EXPECT_FALSE(in.plainMeans);
        EXPECT_EQ(in.firstMinute, kT0 / kMinuteMs);
        ASSERT_EQ(in.x.size(), c.x.size());
        for (std::size_t i = 0; i < c.x.size(); ++i) {
            EXPECT_NEAR(in.x[i], c.x[i], 1e-9) << c.channels[0].name << i;
            if (std::isnan(c.y[i])) EXPECT_TRUE(std::isnan(in.y[i]));
            else EXPECT_NEAR(in.y[i], c.y[i], 1e-9) << c.channels[0].name << i;
        }
    }
}

TEST(HorizontalInput, SamplesOffTheFiltersGridsGetPlainMinuteMeans) {
    // Every 20 s: three samples a minute.
    const HorizontalInput in = horizontalMinutesOf(recordOf(
        {{"Bx", "nT", 2}, {"By", "nT", 2}}, 20'000,
        {{100, 300}, {200, 300}, {300, 300}, {400, 600}, {500, 600}, {600, 600}}));
    EXPECT_TRUE(in.plainMeans);
    EXPECT_EQ(in.x, (std::vector<double>{2, 5}));
    EXPECT_EQ(in.y, (std::vector<double>{3, 6}));
}

TEST(HorizontalInput, NoHorizontalComponentsIsAnError) {
    EXPECT_EQ(horizontalMinutesOf(recordOf({{"Z", "nT", 2}, {"F", "nT", 2}}, kMinuteMs, {{1, 2}})).error,
              "the inputs hold neither Bx and By, X and Y, nor H and D");
    EXPECT_EQ(horizontalMinutesOf(Record(Record::dataFileChannels())).error, "no samples to compute activity from");
}

}  // namespace
}  // namespace kordel
