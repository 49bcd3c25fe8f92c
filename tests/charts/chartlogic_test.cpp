// The charts' axis arithmetic: fixed bounds, the mirrored windows, the fitted
// bars, the keys' time window, the 2 %..98 % value axis, the label steps and
// the splitter drag limits.

#include <gtest/gtest.h>

#include "charts/channellayout.h"
#include "charts/chartlogic.h"

using namespace kordel;

TEST(ChartLogic, AFixedAxisRunsFromTheSmallerBoundToTheLarger) {
    EXPECT_EQ(orderedRange(2, 5), (AxisRange{2, 5}));
    EXPECT_EQ(orderedRange(5, 2), (AxisRange{2, 5}));
    EXPECT_EQ(orderedRange(-1, -1), (AxisRange{-1, -1}));
}

TEST(ChartLogic, TheVerticalBarsWindowIsMirroredWithinItsRange) {
    EXPECT_EQ(mirroredWindow(1, 100, 30, 70), (AxisRange{31, 71}));
    EXPECT_EQ(mirroredWindow(1, 100, 1, 100), (AxisRange{1, 100}));
    EXPECT_EQ(mirroredWindow(0, 10, 0, 2), (AxisRange{8, 10}));   // the top of the bar is the top of the axis
    EXPECT_EQ(mirroredWindow(0, 10, 8, 10), (AxisRange{0, 2}));
    EXPECT_EQ(mirroredWindow(0, 10, 7, 3), (AxisRange{3, 7}));    // a reversed window still gives min <= max
}

TEST(ChartLogic, FittedBarsShowTheirWholeRangeAndEqualBoundsAreWidenedByOne) {
    EXPECT_EQ(fitValueBar(-3.5, 12), (BarValues{-3.5, 12, -3.5, 12}));
    EXPECT_EQ(fitValueBar(25.3, 25.3), (BarValues{24.3, 26.3, 24.3, 26.3}));
    EXPECT_EQ(fitValueBar(0, 0), (BarValues{-1, 1, -1, 1}));
    EXPECT_EQ(fitTimeBar(39224.5, 39224.5), (BarValues{39224.5, 39224.5, 39224.5, 39224.5}));
    EXPECT_EQ(fitTimeBar(1, 2), (BarValues{1, 2, 1, 2}));
}

TEST(ChartLogic, PagesThirdsAndEndsMoveTheTimeWindow) {
    // Range 0..90, window 30..39 (w = 9).
    EXPECT_EQ(scrollWindow(ScrollKey::PageUp, 0, 90, 30, 39), (TimeWindow{21, 30}));
    EXPECT_EQ(scrollWindow(ScrollKey::PageDown, 0, 90, 30, 39), (TimeWindow{39, 48}));
    EXPECT_EQ(scrollWindow(ScrollKey::Left, 0, 90, 30, 39), (TimeWindow{27, 36}));
    EXPECT_EQ(scrollWindow(ScrollKey::Right, 0, 90, 30, 39), (TimeWindow{33, 42}));
    EXPECT_EQ(scrollWindow(ScrollKey::Home, 0, 90, 30, 39), (TimeWindow{0, 9}));
    EXPECT_EQ(scrollWindow(ScrollKey::End, 0, 90, 30, 39), (TimeWindow{81, 90}));
}

TEST(ChartLogic, ScrollingPastEitherEndKeepsTheWidth) {
    EXPECT_EQ(scrollWindow(ScrollKey::PageDown, 0, 90, 81, 90), (TimeWindow{81, 90}));
    EXPECT_EQ(scrollWindow(ScrollKey::PageUp, 0, 90, 0, 9), (TimeWindow{0, 9}));
    EXPECT_EQ(scrollWindow(ScrollKey::PageDown, 0, 90, 78, 87), (TimeWindow{81, 90}));
    EXPECT_EQ(scrollWindow(ScrollKey::Left, 0, 90, 2, 11), (TimeWindow{0, 9}));
    EXPECT_EQ(scrollWindow(ScrollKey::Right, 0, 90, 80, 89), (TimeWindow{81, 90}));
}

TEST(ChartLogic, ThreeRightPressesMoveTheWindowByOneWidthUnlessTheRangeEndsFirst) {
    TimeWindow w{30, 39};
    for (int i = 0; i < 3; ++i) w = scrollWindow(ScrollKey::Right, 0, 90, w.start, w.finish);
    EXPECT_EQ(w, (TimeWindow{39, 48}));
    w = {75, 84};
    for (int i = 0; i < 3; ++i) w = scrollWindow(ScrollKey::Right, 0, 90, w.start, w.finish);
    EXPECT_EQ(w, (TimeWindow{81, 90}));
}

TEST(ChartLogic, HomeAndEndKeepTheWidthOfADateTimeWindow) {
    const double min = 39224.0, max = 39225.5, start = 39224.3, finish = 39224.55;
    const TimeWindow home = scrollWindow(ScrollKey::Home, min, max, start, finish);
    const TimeWindow end = scrollWindow(ScrollKey::End, min, max, start, finish);
    EXPECT_EQ(home.start, min);
    EXPECT_DOUBLE_EQ(home.finish - home.start, finish - start);
    EXPECT_EQ(end.finish, max);
    EXPECT_DOUBLE_EQ(end.finish - end.start, finish - start);
}

TEST(ChartLogic, TheValueAxisTakesTheMiddle96PercentOfThePlottingHeight) {
    const AxisRange shown{10, 58};
    const AxisRange span = valueAxisSpan(shown);
    EXPECT_DOUBLE_EQ(span.min, 9);
    EXPECT_DOUBLE_EQ(span.max, 59);
    EXPECT_DOUBLE_EQ((shown.min - span.min) / span.size(), 0.02);
    EXPECT_DOUBLE_EQ((span.max - shown.max) / span.size(), 0.02);
    const AxisRange back = shownPart(span);
    EXPECT_DOUBLE_EQ(back.min, 10);
    EXPECT_DOUBLE_EQ(back.max, 58);
}

TEST(ChartLogic, EqualBoundsArePulledApartByAHairForDrawing) {
    EXPECT_EQ(drawableRange({1, 2}), (AxisRange{1, 2}));
    const AxisRange r = drawableRange({39224.5, 39224.5});
    EXPECT_LT(r.min, 39224.5);
    EXPECT_GT(r.max, 39224.5);
    EXPECT_LT(r.size(), 1e-6);
    const AxisRange z = drawableRange({0, 0});
    EXPECT_LT(z.min, 0);
    EXPECT_GT(z.max, 0);
}

TEST(ChartLogic, LabelStepsNeverGoBelowTheIncrementOrOneSecond) {
    EXPECT_EQ(valueTickStep(0.002, 0.01), 0.01);
    EXPECT_EQ(valueTickStep(0.05, 0.01), 0.05);
    EXPECT_EQ(valueTickStep(0.02, 0.1), 0.1);
    // Always 1, 2 or 5 times a power of ten, never 2.5.
    EXPECT_DOUBLE_EQ(valueTickStep(0.25, 0.1), 0.2);
    EXPECT_DOUBLE_EQ(valueTickStep(0.4, 0.1), 0.5);
    EXPECT_DOUBLE_EQ(valueTickStep(0.08, 0.01), 0.1);
    EXPECT_DOUBLE_EQ(valueTickStep(0.013, 0.01), 0.01);
    EXPECT_DOUBLE_EQ(valueTickStep(2500, 0.01), 2000);
    EXPECT_NEAR(kOneSecond, 1.15740740740741e-05, 1e-19);  // one second as a day fraction, to 15 digits
    EXPECT_DOUBLE_EQ(timeTickStep(0.1 * kOneSecond), kOneSecond);
    EXPECT_DOUBLE_EQ(timeTickStep(kOneSecond), kOneSecond);
    EXPECT_DOUBLE_EQ(timeTickStep(1.5 * kOneSecond), 2 * kOneSecond);
    EXPECT_DOUBLE_EQ(timeTickStep(40 * kOneSecond), 60 * kOneSecond);
    EXPECT_DOUBLE_EQ(timeTickStep(20 * 60 * kOneSecond), 30 * 60 * kOneSecond);
    EXPECT_DOUBLE_EQ(timeTickStep(4 * 3600 * kOneSecond), 6 * 3600 * kOneSecond);
    EXPECT_DOUBLE_EQ(timeTickStep(1.0), 1.0);
    EXPECT_DOUBLE_EQ(timeTickStep(3.0), 5.0);
    EXPECT_DOUBLE_EQ(timeTickStep(100.0), 120.0);
    EXPECT_DOUBLE_EQ(timeTickStep(0), kOneSecond);
}

TEST(ChannelLayoutDrag, ASplitterDragKeepsBothPanelsAtLeastThirtyPixels) {
    ChannelLayout l;
    l.layout({true, true, true, true, true}, 446);  // 88 each, the last 82
    EXPECT_EQ(l.dragHeight(1, 100), 100);
    EXPECT_EQ(l.dragHeight(1, 10), 30);
    EXPECT_EQ(l.dragHeight(1, 1000), 88 + 82 - 30);
    EXPECT_EQ(l.dragHeight(4, 200), 82);  // the last panel has no splitter
    l.layout({true, true, false, false, false}, 446);
    EXPECT_EQ(l.dragHeight(2, 100), 0);  // hidden
    EXPECT_EQ(l.dragHeight(0, 1000), 220 + 223 - 30);
}
