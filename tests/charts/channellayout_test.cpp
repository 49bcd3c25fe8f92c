#include <gtest/gtest.h>

#include "charts/channellayout.h"

using kordel::ChannelLayout;
using kordel::Strip;

namespace {
std::array<bool, ChannelLayout::kChannels> checks(std::initializer_list<int> on) {
    std::array<bool, ChannelLayout::kChannels> c{};
    for (int k : on) c[k] = true;
    return c;
}
}  // namespace

TEST(ChannelLayout, AllFiveShareTheHeightAndTheLastFillsTheRest) {
    ChannelLayout l;
    l.layout(checks({0, 1, 2, 3, 4}), 446);
    // (446 - 6) / 5 = 88; each splitter sits one pixel below its panel.
    const Strip panels[] = {{0, 88, true}, {91, 88, true}, {182, 88, true}, {273, 88, true}, {364, 82, true}};
    const Strip splitters[] = {{89, 2, true}, {180, 2, true}, {271, 2, true}, {362, 2, true}};
    for (int k = 0; k < 5; ++k) EXPECT_EQ(l.panel(k), panels[k]) << k;
    for (int k = 0; k < 4; ++k) EXPECT_EQ(l.splitter(k), splitters[k]) << k;
    EXPECT_EQ(l.count(), 5);
}

TEST(ChannelLayout, HiddenChannelsLeaveNoPanelAndTheLastShownHasNoSplitter) {
    ChannelLayout l;
    l.layout(checks({0, 1, 3}), 446);
    EXPECT_EQ(l.visible(), (std::vector<int>{0, 1, 3}));
    EXPECT_EQ(l.panel(0), (Strip{0, 146, true}));
    EXPECT_EQ(l.panel(1), (Strip{149, 146, true}));
    EXPECT_EQ(l.panel(3), (Strip{298, 148, true}));
    EXPECT_FALSE(l.panel(2).shown);
    EXPECT_FALSE(l.panel(4).shown);
    EXPECT_TRUE(l.splitter(0).shown);
    EXPECT_TRUE(l.splitter(1).shown);
    EXPECT_FALSE(l.splitter(2).shown);
    EXPECT_FALSE(l.splitter(3).shown);
}

TEST(ChannelLayout, APanelGivenAHeightMovesThoseBelowAndTheLastTakesTheDifference) {
    ChannelLayout l;
    l.layout(checks({0, 1, 2, 3, 4}), 446);
    l.setPanelHeight(1, 120);
    EXPECT_EQ(l.panel(1).height, 120);
    EXPECT_EQ(l.panel(2).top, 91 + 123);
    EXPECT_EQ(l.panel(2).height, 88);
    EXPECT_EQ(l.panel(4).height, 446 - l.panel(4).top);
    l.resize(500);  // the panels keep their proportions: 120 of 434 becomes 135 of 488
    EXPECT_EQ(l.panel(1).height, 135);
    EXPECT_EQ(l.panel(4).height, 500 - l.panel(4).top);
    l.resize(10);  // too small: the last panel shrinks to nothing, never below
    EXPECT_EQ(l.panel(4).height, 0);
}

TEST(ChannelLayout, ResizingKeepsTheProportionsAndReachesEveryPanel) {
    ChannelLayout l;
    l.layout(checks({0, 1, 2, 3, 4}), 446);
    l.resize(892);
    const Strip grown[] = {{0, 178, true}, {181, 178, true}, {362, 178, true}, {543, 178, true}, {724, 168, true}};
    for (int k = 0; k < 5; ++k) EXPECT_EQ(l.panel(k), grown[k]) << k;
    l.resize(120);
    const Strip shrunk[] = {{0, 22, true}, {25, 22, true}, {50, 22, true}, {75, 22, true}, {100, 20, true}};
    for (int k = 0; k < 5; ++k) EXPECT_EQ(l.panel(k), shrunk[k]) << k;
    l.resize(446);  // back: the heights it had
    EXPECT_EQ(l.panel(0), (Strip{0, 88, true}));
    EXPECT_EQ(l.panel(4), (Strip{364, 82, true}));
    // A height set by a drag keeps its part too.
    l.setPanelHeight(1, 176);
    l.resize(892);
    EXPECT_NEAR(l.panel(1).height, 2 * l.panel(0).height, 1);
}
