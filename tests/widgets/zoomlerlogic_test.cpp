// The range bar's model: values and their assignment rules, the thumb's
// geometry, the hit zones, presses, drags, arrow steps with auto-repeat, and
// the picture, all checked exactly.

#include "widgets/zoomlerlogic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "manualtimer.h"

namespace kordel {
namespace {

using Z = ZoomlerZone;
using N = ZoomlerNotice;

// A bar whose track is 200 pixels long over 0..100: two pixels per unit.
ZoomlerLogic wideBar(double start, double finish) {
    ZoomlerLogic z;
    z.setSize(224, 14);
    z.setRange(0, 100, start, finish);
    return z;
}

ZoomlerPress at(int x, int y) { return {1, 0, x, y}; }

// --- Values ------------------------------------------------------------------

TEST(ZoomlerValues, ConstructionValues) {
    const ZoomlerLogic z;
    EXPECT_EQ(z.min(), 1);
    EXPECT_EQ(z.max(), 100);
    EXPECT_EQ(z.start(), 30);
    EXPECT_EQ(z.finish(), 70);
    EXPECT_EQ(z.step(), 1);
    EXPECT_TRUE(z.stepAuto());
    EXPECT_FALSE(z.dblClkEnable());
    EXPECT_EQ(z.orientation(), TOrientation::Horizontal);
    EXPECT_EQ(z.width(), 200);
    EXPECT_EQ(z.height(), 14);
    EXPECT_EQ(z.dragMode(), 0);
    EXPECT_FALSE(z.lowArrowPressed());
    EXPECT_FALSE(z.highArrowPressed());
    // k = 176 / 99: 29 k = 51.56 -> 52, 30 k = 53.33 -> 53.
    EXPECT_EQ(z.thumbStart(), 64);
    EXPECT_EQ(z.thumbEnd(), 135);
}

struct Assignment {
    const char* what;
    char property;  // m(in), M(ax), s(tart), f(inish)
    double value;
    double min, max, start, finish, step;
};

TEST(ZoomlerValues, AssignmentRules) {
    // From the construction values 1..100, 30..70, Step 1, SetStepAuto on.
    const Assignment table[] = {
        {"Min inside", 'm', 0, 0, 100, 30, 70, 1},
        {"Min above Start is kept", 'm', 50, 50, 100, 30, 70, 1},
        {"Min equal to Max", 'm', 100, 99, 100, 30, 70, 1},
        {"Min above Max", 'm', 150, 99, 100, 30, 70, 1},
        {"Max inside", 'M', 200, 1, 200, 30, 70, 1},
        {"Max below Finish is kept", 'M', 20, 1, 20, 30, 70, 1},
        {"Max equal to Min", 'M', 1, 1, 2, 30, 70, 1},
        {"Max below Min", 'M', -5, 1, 2, 30, 70, 1},
        {"Start inside", 's', 40, 1, 100, 40, 70, 20},
        {"Start below Min", 's', -5, 1, 100, 1, 70, 46},
        {"Start equal to Finish", 's', 70, 1, 100, 69, 70, 2.0 / 3},
        {"Start above Finish", 's', 80, 1, 100, 69, 70, 2.0 / 3},
        {"Finish inside", 'f', 60, 1, 100, 30, 60, 20},
        {"Finish above Max", 'f', 500, 1, 100, 30, 100, 70.0 * 2 / 3},
        {"Finish equal to Start", 'f', 30, 1, 100, 30, 31, 2.0 / 3},
        {"Finish below Start", 'f', 10, 1, 100, 30, 31, 2.0 / 3},
    };
    for (const Assignment& row : table) {
        SCOPED_TRACE(row.what);
        ZoomlerLogic z;
        switch (row.property) {
            case 'm': z.setMin(row.value); break;
            case 'M': z.setMax(row.value); break;
            case 's': z.setStart(row.value); break;
            case 'f': z.setFinish(row.value); break;
        }
        EXPECT_DOUBLE_EQ(z.min(), row.min);
        EXPECT_DOUBLE_EQ(z.max(), row.max);
        EXPECT_DOUBLE_EQ(z.start(), row.start);
        EXPECT_DOUBLE_EQ(z.finish(), row.finish);
        EXPECT_DOUBLE_EQ(z.step(), row.step);
    }
}

TEST(ZoomlerValues, WithoutStepAutoStartAndFinishLeaveStep) {
    ZoomlerLogic z;
    z.setStepAuto(false);
    z.setStep(7);
    z.setStart(40);
    z.setFinish(50);
    EXPECT_EQ(z.step(), 7);
    z.setStart(60);  // not below Finish: Finish - Step
    EXPECT_EQ(z.start(), 43);
    z.setRange(0, 10, 2, 4);
    z.setWindow(1, 9);
    EXPECT_EQ(z.step(), 7);
}

TEST(ZoomlerValues, DesignValuesInPublishedOrder) {
    ZoomlerLogic z;
    z.setMin(1);
    z.setMax(100);
    z.setStart(30);
    z.setFinish(70);
    EXPECT_DOUBLE_EQ(z.step(), 40.0 * 2 / 3);  // SetStepAuto after Start and Finish
    z.setStep(26.6666666666667);                // the Step given after them wins
    z.setStepAuto(true);
    EXPECT_EQ(z.step(), 26.6666666666667);
}

TEST(ZoomlerValues, SetRangeStoresUnchanged) {
    {
        ZoomlerLogic z;
        z.setRange(0, 100, 70, 30);  // Start above Finish
        EXPECT_EQ(z.min(), 0);
        EXPECT_EQ(z.max(), 100);
        EXPECT_EQ(z.start(), 70);
        EXPECT_EQ(z.finish(), 30);
        EXPECT_DOUBLE_EQ(z.step(), -40.0 * 2 / 3);
    }
    {
        ZoomlerLogic z;
        z.setRange(10, 5, -3, 200);  // Min above Max, window outside
        EXPECT_EQ(z.min(), 10);
        EXPECT_EQ(z.max(), 5);
        EXPECT_EQ(z.start(), -3);
        EXPECT_EQ(z.finish(), 200);
    }
    {
        // Min equal to Max: the thumb is placed with k = L - 24.
        ZoomlerLogic z;
        z.setRange(5, 5, 5, 5);
        EXPECT_EQ(z.min(), 5);
        EXPECT_EQ(z.max(), 5);
        EXPECT_EQ(z.step(), 0);
        EXPECT_EQ(z.thumbStart(), 12);
        EXPECT_EQ(z.thumbEnd(), 188);
        z.setRange(5, 5, 5.5, 4.75);  // 0.5 * 176 = 88, 0.25 * 176 = 44
        EXPECT_EQ(z.thumbStart(), 100);
        EXPECT_EQ(z.thumbEnd(), 144);
    }
}

TEST(ZoomlerValues, SetWindowClampsToTheRangeOnly) {
    ZoomlerLogic z;
    z.setWindow(-10, 500);
    EXPECT_EQ(z.start(), 1);
    EXPECT_EQ(z.finish(), 100);
    EXPECT_EQ(z.step(), 66);
    z.setWindow(80, 20);  // Start above Finish is not checked
    EXPECT_EQ(z.start(), 80);
    EXPECT_EQ(z.finish(), 20);
    EXPECT_EQ(z.step(), -40);
}

// --- Geometry ----------------------------------------------------------------

TEST(ZoomlerGeometry, RoundPixelHalvesGoToEven) {
    const struct {
        double v;
        int expected;
    } table[] = {
        {0.5, 0},   {1.5, 2},    {2.5, 2},    {3.5, 4},          {-0.5, 0},  {-1.5, -2},
        {-2.5, -2}, {2.4999, 2}, {2.5001, 3}, {51.5555, 52},     {0, 0},     {-0.25, 0},
        {1e300, 268435456}, {-1e300, -268435456},
        {std::numeric_limits<double>::infinity(), 268435456},
        {std::numeric_limits<double>::quiet_NaN(), 0},
    };
    for (const auto& row : table) {
        EXPECT_EQ(roundPixel(row.v), row.expected) << row.v;
    }
}

TEST(ZoomlerGeometry, ThumbPixelsRoundHalvesToEven) {
    // Two pixels per unit: Start 0.25 is 0.5 px, 0.75 is 1.5 px, 1.25 is 2.5 px.
    const struct {
        double start, finish;
        int ts, te;
    } table[] = {
        {0.25, 99.75, 12, 212}, {0.75, 99.25, 14, 210}, {1.25, 98.75, 14, 210}, {1.75, 98.25, 16, 208},
        {30, 70, 72, 152},
    };
    for (const auto& row : table) {
        const ZoomlerLogic z = wideBar(row.start, row.finish);
        EXPECT_EQ(z.thumbStart(), row.ts) << row.start;
        EXPECT_EQ(z.thumbEnd(), row.te) << row.finish;
    }
}

TEST(ZoomlerGeometry, MinimumThumbLengthensTheEndThatMovedMore) {
    ZoomlerLogic z = wideBar(40, 60);
    EXPECT_EQ(z.thumbStart(), 92);
    EXPECT_EQ(z.thumbEnd(), 132);

    // The Finish end came down to 102: it moved more, so it is pushed out.
    z.setFinish(45);
    EXPECT_EQ(z.thumbStart(), 92);
    EXPECT_EQ(z.thumbEnd(), 122);
    // Placing again with the same values leaves the thumb where it is.
    z.updateGeometry();
    EXPECT_EQ(z.thumbStart(), 92);
    EXPECT_EQ(z.thumbEnd(), 122);

    // The Start end came up to 122: it moved more, so it is pushed out.
    z = wideBar(40, 60);
    z.setStart(55);
    EXPECT_EQ(z.thumbStart(), 102);
    EXPECT_EQ(z.thumbEnd(), 132);
    z.updateGeometry();
    EXPECT_EQ(z.thumbStart(), 102);
    EXPECT_EQ(z.thumbEnd(), 132);

    // Both ends moved 20 pixels: the thumb keeps its previous pixels.
    z = wideBar(40, 60);
    z.setRange(0, 100, 50, 50);
    EXPECT_EQ(z.thumbStart(), 92);
    EXPECT_EQ(z.thumbEnd(), 132);

    // A window of length zero is still 30 pixels long.
    z = wideBar(40, 60);
    z.setRange(0, 100, 60, 60);
    EXPECT_EQ(z.thumbStart(), 102);
    EXPECT_EQ(z.thumbEnd(), 132);
}

TEST(ZoomlerGeometry, NarrowWindowOfAFreshBar) {
    ZoomlerLogic z;
    z.setRange(1, 100, 50, 51);
    EXPECT_EQ(z.thumbEnd() - z.thumbStart(), 30);
}

// --- Hit test ----------------------------------------------------------------

TEST(ZoomlerHitTest, ZonesAlongTheBar) {
    // 200 x 14, thumb 64..135.
    const struct {
        int a;
        Z zone;
    } table[] = {
        {0, Z::None},         {1, Z::LowArrow},    {10, Z::LowArrow},   {11, Z::None},
        {12, Z::TrackBelow},  {62, Z::TrackBelow}, {63, Z::None},       {64, Z::None},
        {65, Z::StartGrip},   {74, Z::StartGrip},  {75, Z::None},       {76, Z::Body},
        {122, Z::Body},       {123, Z::None},      {124, Z::FinishGrip}, {133, Z::FinishGrip},
        {134, Z::None},       {135, Z::None},      {136, Z::TrackAbove}, {187, Z::TrackAbove},
        {188, Z::None},       {189, Z::HighArrow}, {198, Z::HighArrow}, {199, Z::None},
        {-5, Z::None},        {250, Z::None},
    };
    ZoomlerLogic horizontal;
    ZoomlerLogic vertical;
    vertical.setOrientation(TOrientation::Vertical);
    vertical.setSize(14, 200);
    ASSERT_EQ(vertical.thumbStart(), 64);
    ASSERT_EQ(vertical.thumbEnd(), 135);
    for (const auto& row : table) {
        EXPECT_EQ(horizontal.zoneAt(row.a, 7), row.zone) << "x " << row.a;
        EXPECT_EQ(vertical.zoneAt(7, row.a), row.zone) << "y " << row.a;
    }
}

TEST(ZoomlerHitTest, BandAcrossTheBar) {
    const struct {
        int b;
        Z zone;
    } table[] = {{-1, Z::None}, {0, Z::None}, {2, Z::None}, {3, Z::Body},
                 {10, Z::Body}, {11, Z::None}, {13, Z::None}, {20, Z::None}};
    ZoomlerLogic horizontal;
    ZoomlerLogic vertical;
    vertical.setOrientation(TOrientation::Vertical);
    vertical.setSize(14, 200);
    for (const auto& row : table) {
        EXPECT_EQ(horizontal.zoneAt(100, row.b), row.zone) << "y " << row.b;
        EXPECT_EQ(vertical.zoneAt(row.b, 100), row.zone) << "x " << row.b;
    }
}

TEST(ZoomlerHitTest, ZonesAreTriedInOrder) {
    // A window below Min puts the thumb over the low arrow: the arrow wins.
    ZoomlerLogic z;
    z.setRange(0, 99, -10, 60);  // k = 176/99: thumb start 12 - 18 = -6
    ASSERT_EQ(z.thumbStart(), -6);
    EXPECT_EQ(z.zoneAt(3, 7), Z::LowArrow);
    EXPECT_EQ(z.zoneAt(12, 7), Z::Body);
}

// --- Presses -----------------------------------------------------------------

TEST(ZoomlerPresses, DragModeByZone) {
    const struct {
        int x, y;
        int mode;
    } table[] = {
        {70, 7, 1},   {65, 7, 1},   {100, 7, 3},  {130, 7, 2},
        {64, 7, 0},   {75, 7, 0},   {123, 7, 0},  {135, 7, 0},  {100, 2, 0}, {100, 11, 0}, {0, 7, 0},
    };
    for (const auto& row : table) {
        ZoomlerLogic z;
        EXPECT_EQ(z.mouseDown(at(row.x, row.y)), N::None);
        EXPECT_EQ(z.dragMode(), row.mode) << row.x << "," << row.y;
        EXPECT_EQ(z.lastPosition(), row.x);
        EXPECT_EQ(z.start(), 30);
        EXPECT_EQ(z.finish(), 70);
    }
}

TEST(ZoomlerPresses, PressBetweenZonesEndsTheDragMode) {
    ZoomlerLogic z;
    z.mouseDown(at(100, 7));
    ASSERT_EQ(z.dragMode(), 3);
    z.mouseDown(at(64, 7));  // the thumb's start pixel itself
    EXPECT_EQ(z.dragMode(), 0);
}

TEST(ZoomlerPresses, StepUpStopsAtMaxAndStillNotifies) {
    ZoomlerLogic z;
    z.setRange(0, 100, 95, 99);
    z.setStep(10);
    EXPECT_EQ(z.mouseDown(at(195, 7)), N::Changed);
    EXPECT_EQ(z.start(), 96);
    EXPECT_EQ(z.finish(), 100);
    EXPECT_TRUE(z.highArrowPressed());
    EXPECT_EQ(z.mouseUp(), N::None);
    EXPECT_EQ(z.mouseDown(at(195, 7)), N::Changed);
    EXPECT_EQ(z.start(), 96);
    EXPECT_EQ(z.finish(), 100);
    EXPECT_EQ(z.step(), 10);  // an arrow step does not recompute Step
}

TEST(ZoomlerPresses, StepDownStopsAtMin) {
    ZoomlerLogic z;
    z.setRange(0, 100, 5, 20);
    z.setStep(10);
    EXPECT_EQ(z.mouseDown(at(5, 7)), N::Changed);
    EXPECT_EQ(z.start(), 0);
    EXPECT_EQ(z.finish(), 15);
    EXPECT_TRUE(z.lowArrowPressed());
    z.mouseUp();
    EXPECT_FALSE(z.lowArrowPressed());
    EXPECT_EQ(z.stepDown(), N::Changed);
    EXPECT_EQ(z.start(), 0);
    EXPECT_EQ(z.finish(), 15);
    z.setFinish(80);
    z.setStart(50);
    ASSERT_EQ(z.step(), 20);
    EXPECT_EQ(z.stepDown(), N::Changed);  // a full step
    EXPECT_EQ(z.start(), 30);
    EXPECT_EQ(z.finish(), 60);
}

TEST(ZoomlerPresses, TrackClickNextToTheLowArrow) {
    ZoomlerLogic z;  // 1..100, 30..70, thumb start 64
    EXPECT_EQ(z.mouseDown(at(12, 7)), N::Changed);
    // Min + (Start - Min) / (thumb start - 11), up to the rounding of the sum.
    EXPECT_NEAR(z.start(), 1 + 29.0 / (64 - 11), 1e-14);
    EXPECT_EQ(z.start(), 30 - 29.0 * (64 - 12) / (64 - 11));
    EXPECT_NEAR(z.finish() - z.start(), 40, 1e-12);
    EXPECT_DOUBLE_EQ(z.step(), (z.finish() - z.start()) * 2 / 3);
    EXPECT_EQ(z.dragMode(), 0);
}

TEST(ZoomlerPresses, TrackClickAboveTheThumb) {
    ZoomlerLogic z;  // thumb end 135, L - 11 = 189
    EXPECT_EQ(z.mouseDown(at(187, 7)), N::Changed);
    EXPECT_DOUBLE_EQ(z.finish(), 70 + 30.0 * (187 - 135) / (189 - 135));
    EXPECT_DOUBLE_EQ(z.finish() - z.start(), 40);
    // Just below and just above the thumb's neighbours move a little.
    ZoomlerLogic y;
    y.mouseDown(at(62, 7));
    EXPECT_DOUBLE_EQ(y.start(), 30 - 29.0 * 2 / 53);
}

TEST(ZoomlerPresses, DoubleClickResetsOnlyWhenEnabled) {
    ZoomlerLogic z;
    z.setStep(3);
    EXPECT_EQ(z.doubleClick(), N::None);
    EXPECT_EQ(z.start(), 30);
    EXPECT_EQ(z.finish(), 70);
    z.setDblClkEnable(true);
    EXPECT_EQ(z.doubleClick(), N::Changed);
    EXPECT_EQ(z.start(), 1);
    EXPECT_EQ(z.finish(), 100);
    EXPECT_EQ(z.step(), 3);
    EXPECT_EQ(z.thumbStart(), 12);
    EXPECT_EQ(z.thumbEnd(), 188);
}

// --- Drags -------------------------------------------------------------------

TEST(ZoomlerDrags, PressAndReleaseOnAGripWithoutMoving) {
    ZoomlerLogic z;
    z.mouseDown(at(70, 7));
    EXPECT_EQ(z.mouseMove(70, 7).notice, N::None);
    EXPECT_EQ(z.mouseUp(), N::Changed);
    EXPECT_EQ(z.dragMode(), 0);
    EXPECT_EQ(z.start(), 30);
    EXPECT_EQ(z.finish(), 70);
    EXPECT_EQ(z.step(), 1);
}

TEST(ZoomlerDrags, MovingAcrossTheBarOnlyChangesNothing) {
    ZoomlerLogic z;
    z.mouseDown(at(100, 7));
    for (int y : {3, 0, -40, 13, 60}) {
        EXPECT_EQ(z.mouseMove(100, y).notice, N::None);
    }
    EXPECT_EQ(z.start(), 30);
    EXPECT_EQ(z.finish(), 70);
    EXPECT_EQ(z.step(), 1);
}

struct DragRow {
    int to;
    N notice;
    double start, finish;
};

void runDrag(ZoomlerLogic& z, int from, int mode, const std::vector<DragRow>& moves) {
    z.mouseDown(at(from, 7));
    ASSERT_EQ(z.dragMode(), mode);
    for (const DragRow& m : moves) {
        SCOPED_TRACE("to " + std::to_string(m.to));
        EXPECT_EQ(z.mouseMove(m.to, 7).notice, m.notice);
        EXPECT_DOUBLE_EQ(z.start(), m.start);
        EXPECT_DOUBLE_EQ(z.finish(), m.finish);
        EXPECT_DOUBLE_EQ(z.step(), (z.finish() - z.start()) * 2 / 3);
        EXPECT_EQ(z.lastPosition(), m.to);
    }
    EXPECT_EQ(z.mouseUp(), N::Changed);
    EXPECT_EQ(z.dragMode(), 0);
}

TEST(ZoomlerDrags, StartEnd) {
    ZoomlerLogic z = wideBar(40, 60);  // thumb 92..132, Start grip 93..102
    runDrag(z, 97, 1,
            {
                {107, N::Zooming, 45, 60},  // 10 px = 5 units
                {106, N::Zooming, 44.5, 60},
                {200, N::Zooming, 60, 60},  // stops on the Finish end
                {210, N::Zooming, 60, 60},  // the limit made the step zero: still reported
                {-500, N::Zooming, 0, 60},  // stops at Min
                {-600, N::Zooming, 0, 60},
                {-600, N::None, 0, 60},     // no movement: nothing at all
            });
}

TEST(ZoomlerDrags, FinishEnd) {
    ZoomlerLogic z = wideBar(40, 60);  // Finish grip 121..130
    runDrag(z, 125, 2,
            {
                {135, N::Zooming, 40, 65},
                {500, N::Zooming, 40, 100},  // stops at Max
                {520, N::Zooming, 40, 100},
                {-300, N::Zooming, 40, 40},  // stops on the Start end
                {-320, N::Zooming, 40, 40},
            });
}

TEST(ZoomlerDrags, WholeWindow) {
    ZoomlerLogic z = wideBar(40, 60);  // body 104..119
    runDrag(z, 110, 3,
            {
                {111, N::Scrolling, 40.5, 60.5},
                {90, N::Scrolling, 30, 50},
                {400, N::Scrolling, 80, 100},  // stops at Max, keeps the length
                {410, N::Scrolling, 80, 100},
                {-400, N::Scrolling, 0, 20},  // stops at Min
                {-410, N::Scrolling, 0, 20},
            });
}

TEST(ZoomlerDrags, ThumbFollowsTheDrag) {
    ZoomlerLogic z = wideBar(40, 60);
    z.mouseDown(at(110, 7));
    z.mouseMove(120, 7);
    EXPECT_EQ(z.thumbStart(), 102);
    EXPECT_EQ(z.thumbEnd(), 142);
    EXPECT_EQ(z.zoneAt(120, 7), Z::Body);
}

TEST(ZoomlerDrags, EmptyRangeNeverProducesNonFiniteValues) {
    for (int mode = 1; mode <= 3; ++mode) {
        SCOPED_TRACE(mode);
        ZoomlerLogic z;
        z.setRange(5, 5, 5, 5);  // thumb 12..188
        const int from = mode == 1 ? 20 : mode == 2 ? 180 : 100;
        z.mouseDown(at(from, 7));
        ASSERT_EQ(z.dragMode(), mode);
        const N expected = mode == 3 ? N::Scrolling : N::Zooming;
        for (int to : {from + 30, from - 200, 1000, -1000}) {
            EXPECT_EQ(z.mouseMove(to, 7).notice, expected);
            EXPECT_EQ(z.start(), 5);
            EXPECT_EQ(z.finish(), 5);
            EXPECT_TRUE(std::isfinite(z.step()));
        }
        EXPECT_EQ(z.mouseUp(), N::Changed);
    }
}

TEST(ZoomlerDrags, BarWithoutTrackMovesNothing) {
    ZoomlerLogic z;
    z.setSize(24, 14);  // no pixel of track: the scale is 0
    z.setRange(0, 10, 2, 8);
    ASSERT_EQ(z.thumbStart(), 12);
    ASSERT_EQ(z.thumbEnd(), 42);
    z.mouseDown(at(15, 7));
    ASSERT_EQ(z.dragMode(), 1);
    EXPECT_EQ(z.mouseMove(20, 7).notice, N::Zooming);
    EXPECT_EQ(z.start(), 2);
    EXPECT_EQ(z.finish(), 8);
}

TEST(ZoomlerDrags, HugeValuesStayFinite) {
    ZoomlerLogic z;
    const double big = std::numeric_limits<double>::max();
    z.setRange(-big, big, -big / 2, big / 2);  // Max - Min overflows to infinity
    z.mouseDown(at(100, 7));
    ASSERT_EQ(z.dragMode(), 3);
    z.mouseMove(150, 7);
    EXPECT_TRUE(std::isfinite(z.start()));
    EXPECT_TRUE(std::isfinite(z.finish()));
}

// --- Auto-repeat -------------------------------------------------------------

class ZoomlerRepeat : public ::testing::Test {
protected:
    ZoomlerRepeat() : z(&timer) {
        timer.onTick([this] { notices.push_back(z.repeatTick()); });
    }
    test::ManualRepeatTimer timer;
    ZoomlerLogic z;
    std::vector<N> notices;
};

TEST_F(ZoomlerRepeat, OneStepAtThePressThenAfter500ThenEvery50) {
    notices.push_back(z.mouseDown(at(195, 7)));
    EXPECT_EQ(z.start(), 31);
    EXPECT_TRUE(timer.running());
    EXPECT_EQ(timer.interval(), 500);
    EXPECT_EQ(z.savedPress(), at(195, 7));

    timer.advance(499);
    EXPECT_EQ(z.start(), 31);
    timer.advance(1);
    EXPECT_EQ(z.start(), 32);
    EXPECT_EQ(timer.interval(), 50);
    timer.advance(49);
    EXPECT_EQ(z.start(), 32);
    timer.advance(1);
    EXPECT_EQ(z.start(), 33);
    timer.advance(200);
    EXPECT_EQ(z.start(), 37);
    EXPECT_EQ(timer.tickTimes, (std::vector<long>{500, 550, 600, 650, 700, 750}));
    EXPECT_EQ(notices, std::vector<N>(7, N::Changed));
    EXPECT_TRUE(z.highArrowPressed());

    EXPECT_EQ(z.mouseUp(), N::None);
    EXPECT_FALSE(timer.running());
    EXPECT_FALSE(z.highArrowPressed());
    timer.advance(1000);
    EXPECT_EQ(z.start(), 37);
    EXPECT_EQ(z.finish(), 77);
    EXPECT_EQ(z.step(), 1);
}

TEST_F(ZoomlerRepeat, KeepsSteppingWhenThePointerLeavesTheArrow) {
    z.mouseDown(at(5, 7));
    EXPECT_EQ(z.start(), 29);
    EXPECT_TRUE(z.lowArrowPressed());
    // Over the thumb's body and then outside the bar: no drag, no cursor change
    // stops the repeat.
    EXPECT_EQ(z.mouseMove(100, 7).notice, N::None);
    EXPECT_EQ(z.mouseMove(400, -30).notice, N::None);
    timer.advance(600);
    EXPECT_EQ(z.start(), 29 - 3);
    z.mouseUp();
    timer.advance(600);
    EXPECT_EQ(z.start(), 26);
}

TEST_F(ZoomlerRepeat, ASecondPressDoesNotRestartTheTimer) {
    z.mouseDown(at(195, 7));
    timer.advance(520);
    EXPECT_EQ(z.start(), 32);
    z.mouseDown(at(5, 7));  // another button on the other arrow
    EXPECT_EQ(z.start(), 31);
    EXPECT_EQ(timer.starts, 1);
    EXPECT_EQ(z.savedPress(), at(195, 7));
    timer.advance(30);  // 550: the saved press steps up again
    EXPECT_EQ(z.start(), 32);
    z.mouseUp();
    EXPECT_FALSE(z.lowArrowPressed());
    EXPECT_FALSE(z.highArrowPressed());
}

TEST_F(ZoomlerRepeat, RepeatStopsAtTheEndButKeepsNotifying) {
    z.setRange(0, 100, 90, 99);
    z.setStep(5);
    z.mouseDown(at(195, 7));
    timer.advance(650);
    EXPECT_EQ(z.finish(), 100);
    EXPECT_EQ(notices.size(), 4u);  // the ticks at 500, 550, 600, 650
}

TEST(ZoomlerRepeatless, WithoutATimerAnArrowStepsOnce) {
    ZoomlerLogic z;
    EXPECT_EQ(z.mouseDown(at(195, 7)), N::Changed);
    EXPECT_EQ(z.start(), 31);
    EXPECT_EQ(z.mouseUp(), N::None);
}

// --- Picture -----------------------------------------------------------------

// The picture as a grid of colour numbers; -1 where nothing was drawn.
struct Picture : BarCanvas {
    Picture(int l, int c) : length(l), breadth(c), px(static_cast<std::size_t>(l * c), -1) {}
    void fill(int a0, int b0, int a1, int b1, BarColour colour) override {
        for (int b = std::max(b0, 0); b < std::min(b1, breadth); ++b) {
            for (int a = std::max(a0, 0); a < std::min(a1, length); ++a) {
                px[static_cast<std::size_t>(b * length + a)] = static_cast<int>(colour);
            }
        }
    }
    BarColour at(int a, int b) const { return static_cast<BarColour>(px[static_cast<std::size_t>(b * length + a)]); }
    int length;
    int breadth;
    std::vector<int> px;
};

constexpr BarColour F = BarColour::Face;
constexpr BarColour Li = BarColour::Light;
constexpr BarColour D = BarColour::Dark;
constexpr BarColour T = BarColour::Track;
constexpr BarColour M = BarColour::Mark;

struct PixelRow {
    int a, b;
    BarColour colour;
    const char* what;
};

// The design bar, 200 x 14, thumb 64..135, arrows up.
const std::vector<PixelRow>& designPixels() {
    static const std::vector<PixelRow> rows = {
        {0, 0, D, "outer box, top left"},       {100, 0, D, "outer box, top"},
        {199, 0, Li, "outer box, top right"},   {199, 6, Li, "outer box, right"},
        {0, 13, D, "outer box, bottom left"},   {100, 13, Li, "outer box, bottom"},
        {199, 13, Li, "outer box, bottom right"}, {0, 6, D, "outer box, left"},
        {1, 1, F, "face inside the frame"},     {100, 1, F, "face above the track"},
        {100, 12, F, "face below the track"},   {198, 12, F, "face, bottom right"},
        {30, 5, T, "track below the thumb"},    {12, 2, T, "track next to the low arrow"},
        {150, 11, T, "track above the thumb"},  {63, 7, T, "track at the thumb"},
        {136, 7, T, "track after the thumb"},   {135, 2, T, "the thumb's top right corner is left out"},
        {11, 2, T, "the low arrow's top right corner is left out"},
        {64, 2, Li, "thumb, top left"},         {100, 2, Li, "thumb, top"},
        {134, 2, Li, "thumb, top"},             {64, 6, Li, "thumb, left edge"},
        {64, 11, D, "thumb, bottom left"},      {100, 11, D, "thumb, bottom"},
        {135, 11, D, "thumb, bottom right"},    {135, 6, D, "thumb, right edge"},
        {65, 6, F, "thumb face"},               {66, 10, F, "thumb face"},
        {69, 3, M, "Start grip line, top"},     {69, 9, M, "Start grip line, bottom"},
        {69, 10, F, "below the Start grip line"}, {130, 3, M, "Finish grip line, top"},
        {130, 9, M, "Finish grip line, bottom"}, {130, 10, F, "below the Finish grip line"},
        {74, 3, D, "middle, top left"},         {100, 3, D, "middle, top"},
        {74, 10, D, "middle, bottom left"},     {75, 10, Li, "middle, bottom"},
        {125, 3, Li, "middle, top right"},      {125, 10, Li, "middle, bottom right"},
        {124, 3, D, "middle, top"},             {100, 6, F, "middle face"},
        {1, 2, Li, "low arrow, top left"},      {10, 2, Li, "low arrow, top"},
        {1, 7, Li, "low arrow, left"},          {1, 11, D, "low arrow, bottom left"},
        {11, 11, D, "low arrow, bottom right"}, {11, 6, D, "low arrow, right"},
        {10, 6, F, "low arrow face"},           {189, 2, Li, "high arrow, top left"},
        {197, 2, Li, "high arrow, top"},        {198, 2, F, "high arrow's top right corner shows the face"},
        {189, 11, D, "high arrow, bottom left"}, {198, 11, D, "high arrow, bottom right"},
        {198, 6, D, "high arrow, right"},       {190, 7, F, "high arrow face"},
        {9, 3, M, "low head, top"},             {9, 10, M, "low head, bottom"},
        {2, 7, M, "low head, point"},           {3, 6, M, "low head"},
        {2, 6, F, "beside the low head"},       {4, 8, M, "low head"},
        {3, 8, F, "beside the low head"},       {8, 10, M, "low head"},
        {7, 10, F, "beside the low head"},      {8, 3, F, "beside the low head"},
        {5, 7, M, "low head inside"},           {191, 3, M, "high head, top"},
        {191, 10, M, "high head, bottom"},      {197, 7, M, "high head, point"},
        {194, 7, M, "high head inside"},        {192, 3, F, "beside the high head"},
        {190, 5, F, "beside the high head"},
    };
    return rows;
}

TEST(ZoomlerPicture, DesignBar) {
    const ZoomlerLogic z;
    Picture p(200, 14);
    z.paint(p);
    for (int i = 0; i < 200 * 14; ++i) {
        ASSERT_NE(p.px[static_cast<std::size_t>(i)], -1) << "pixel " << i % 200 << "," << i / 200 << " not drawn";
    }
    for (const PixelRow& row : designPixels()) {
        EXPECT_EQ(p.at(row.a, row.b), row.colour) << row.a << "," << row.b << ": " << row.what;
    }
}

TEST(ZoomlerPicture, LowArrowHeadRows) {
    const ZoomlerLogic z;
    Picture p(200, 14);
    z.paint(p);
    // Rows 3..10 of the low head: the first and last marked column.
    const int first[] = {9, 7, 5, 3, 2, 4, 6, 8};
    for (int b = 3; b <= 10; ++b) {
        for (int a = 2; a <= 10; ++a) {
            const bool marked = a >= first[b - 3] && a <= 9;
            EXPECT_EQ(p.at(a, b) == M, marked) << a << "," << b;
        }
    }
}

TEST(ZoomlerPicture, PressedArrowsAreSunken) {
    ZoomlerLogic z;
    z.mouseDown(at(5, 7));
    Picture low(200, 14);
    z.paint(low);
    EXPECT_EQ(low.at(1, 2), D);
    EXPECT_EQ(low.at(10, 2), D);
    EXPECT_EQ(low.at(1, 11), D);
    EXPECT_EQ(low.at(11, 2), Li);
    EXPECT_EQ(low.at(11, 11), Li);
    EXPECT_EQ(low.at(2, 11), Li);
    EXPECT_EQ(low.at(189, 2), Li);  // the other stays raised
    z.mouseUp();

    z.mouseDown(at(195, 7));
    Picture high(200, 14);
    z.paint(high);
    EXPECT_EQ(high.at(189, 2), D);
    EXPECT_EQ(high.at(198, 2), Li);
    EXPECT_EQ(high.at(198, 11), Li);
    EXPECT_EQ(high.at(189, 11), D);
    EXPECT_EQ(high.at(1, 2), Li);
}

TEST(ZoomlerPicture, VerticalIsTheTransposedHorizontal) {
    ZoomlerLogic h;
    h.setSize(300, 20);
    h.setRange(0, 10, 2, 3);  // a narrow window: the 30-pixel thumb
    ZoomlerLogic v;
    v.setOrientation(TOrientation::Vertical);
    v.setSize(20, 300);
    v.setRange(0, 10, 2, 3);
    Picture ph(300, 20);
    Picture pv(300, 20);  // bar coordinates: the same grid
    h.paint(ph);
    v.paint(pv);
    EXPECT_EQ(ph.px, pv.px);
    EXPECT_EQ(h.thumbEnd() - h.thumbStart(), 30);
}

}  // namespace
}  // namespace kordel
