// The range bar widget: properties as the host sets them, the rendered picture
// in both orientations, and real mouse input through Qt Test (presses, drags of
// each kind, the arrow auto-repeat, double clicks, mouse capture, cursors).

#include "widgets/zoomler.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "manualtimer.h"

namespace {

using kordel::test::ManualRepeatTimer;

constexpr QRgb kFace = 0xFFC0C0C0;
constexpr QRgb kLight = 0xFFFFFFFF;
constexpr QRgb kTrack = 0xFFE0E0E0;
constexpr QRgb kMark = 0xFF808080;

QRgb darkOf(const TZoomler& bar) { return bar.palette().color(QPalette::Active, QPalette::Shadow).rgb(); }

QImage picture(TZoomler& bar) { return bar.grab().toImage().convertToFormat(QImage::Format_RGB32); }

// A bar with a timer the test drives.
struct TimedBar {
    TimedBar() {
        auto t = std::make_unique<ManualRepeatTimer>();
        timer = t.get();
        bar = std::make_unique<TZoomler>(nullptr, std::move(t));
    }
    ManualRepeatTimer* timer = nullptr;
    std::unique_ptr<TZoomler> bar;
};

struct Spies {
    explicit Spies(TZoomler* bar)
        : scrolling(bar, &TZoomler::OnScrolling), zooming(bar, &TZoomler::OnZooming),
          changed(bar, &TZoomler::OnChanged) {}
    QSignalSpy scrolling;
    QSignalSpy zooming;
    QSignalSpy changed;
};

void hover(TZoomler& bar, QPoint pos) {
    QMouseEvent ev(QEvent::MouseMove, QPointF(pos), QPointF(bar.mapToGlobal(pos)), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
    QCoreApplication::sendEvent(&bar, &ev);
}

// --- Properties --------------------------------------------------------------

TEST(TZoomler, ConstructionValues) {
    TZoomler bar;
    EXPECT_EQ(bar.size(), QSize(200, 14));
    EXPECT_EQ(bar.Min(), 1);
    EXPECT_EQ(bar.Max(), 100);
    EXPECT_EQ(bar.Start(), 30);
    EXPECT_EQ(bar.Finish(), 70);
    EXPECT_EQ(bar.Step(), 1);
    EXPECT_TRUE(bar.SetStepAuto());
    EXPECT_FALSE(bar.DblClkEnable());
    EXPECT_EQ(bar.Orientation(), TOrientation::Horizontal);
    EXPECT_EQ(bar.Tag(), 0);
    EXPECT_EQ(bar.logic().dragMode(), 0);
    EXPECT_FALSE(bar.logic().held());
    EXPECT_TRUE(bar.testAttribute(Qt::WA_OpaquePaintEvent));
}

TEST(TZoomler, DesignValuesByNameInPublishedOrder) {
    TZoomler bar;
    Spies spies(&bar);
    const std::pair<const char*, QVariant> design[] = {
        {"Min", 1.0},  {"Max", 100.0}, {"Start", 30.0}, {"Finish", 70.0}, {"Step", 26.6666666666667},
        {"SetStepAuto", true}, {"DblClkEnable", false}, {"Tag", 0},
    };
    for (const auto& [name, value] : design) {
        ASSERT_TRUE(bar.setProperty(name, value)) << name;
    }
    bar.setOrientation(TOrientation::Vertical);
    EXPECT_EQ(bar.Step(), 26.6666666666667);
    EXPECT_EQ(bar.Start(), 30);
    EXPECT_EQ(bar.Finish(), 70);
    EXPECT_EQ(bar.Orientation(), TOrientation::Vertical);
    EXPECT_EQ(bar.sizeHint(), QSize(14, 200));
    // Neither the properties nor SetRange and SetWindow report anything.
    bar.SetRange(0, 10, 2, 3);
    bar.SetWindow(-1, 20);
    bar.setMin(-5);
    bar.setMax(50);
    EXPECT_EQ(spies.changed.count() + spies.zooming.count() + spies.scrolling.count(), 0);
    EXPECT_EQ(bar.Start(), 0);
    EXPECT_EQ(bar.Finish(), 10);
    EXPECT_DOUBLE_EQ(bar.Step(), 10.0 * 2 / 3);
}

TEST(TZoomler, SetRangeKeepsWhatItIsGiven) {
    TZoomler bar;
    bar.SetRange(3, 3, 9, 1);
    EXPECT_EQ(bar.Min(), 3);
    EXPECT_EQ(bar.Max(), 3);
    EXPECT_EQ(bar.Start(), 9);
    EXPECT_EQ(bar.Finish(), 1);
}

// --- Picture -----------------------------------------------------------------

TEST(TZoomler, RenderedHorizontalBar) {
    TZoomler bar;
    const QImage img = picture(bar);
    ASSERT_EQ(img.size(), QSize(200, 14));
    EXPECT_EQ(img, bar.bitmap().convertToFormat(QImage::Format_RGB32));
    const QRgb dark = darkOf(bar);
    const struct {
        int x, y;
        QRgb rgb;
        const char* what;
    } table[] = {
        {0, 0, dark, "outer box, top left"},   {199, 13, kLight, "outer box, bottom right"},
        {1, 1, kFace, "face"},                 {30, 5, kTrack, "track"},
        {150, 11, kTrack, "track"},            {64, 2, kLight, "thumb, top left"},
        {64, 6, kLight, "thumb, left edge"},   {135, 6, dark, "thumb, right edge"},
        {100, 11, dark, "thumb, bottom edge"}, {135, 2, kTrack, "thumb's top right corner"},
        {69, 5, kMark, "Start grip line"},     {130, 5, kMark, "Finish grip line"},
        {100, 6, kFace, "thumb middle"},       {74, 5, dark, "thumb middle, left edge"},
        {125, 5, kLight, "thumb middle, right edge"},
        {9, 3, kMark, "low head"},             {2, 7, kMark, "low head point"},
        {2, 6, kFace, "beside the low head"},  {191, 10, kMark, "high head"},
        {197, 7, kMark, "high head point"},    {198, 7, dark, "high arrow, right edge"},
        {1, 2, kLight, "low arrow, raised"},
    };
    for (const auto& row : table) {
        EXPECT_EQ(img.pixel(row.x, row.y), row.rgb) << row.x << "," << row.y << ": " << row.what;
    }
}

QImage transposed(const QImage& img) {
    QImage t(img.height(), img.width(), QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            t.setPixel(y, x, img.pixel(x, y));
        }
    }
    return t;
}

TEST(TZoomler, VerticalBarIsTheHorizontalOneTransposed) {
    const struct {
        double start, finish;
    } windows[] = {{30, 70}, {50, 51}, {1, 100}};
    for (const auto& w : windows) {
        TZoomler h;
        h.resize(300, 14);
        h.SetRange(1, 100, w.start, w.finish);
        TZoomler v;
        v.setOrientation(TOrientation::Vertical);
        v.resize(14, 300);
        v.SetRange(1, 100, w.start, w.finish);
        const QImage hi = picture(h);
        const QImage vi = picture(v);
        ASSERT_EQ(vi.size(), QSize(14, 300));
        EXPECT_EQ(vi, transposed(hi)) << w.start << ".." << w.finish;
    }
    // A few points of a vertical bar by hand: the low arrow's head points up.
    TZoomler v;
    v.setOrientation(TOrientation::Vertical);
    v.resize(14, 200);
    const QImage vi = picture(v);
    EXPECT_EQ(vi.pixel(7, 2), kMark);     // low head point
    EXPECT_EQ(vi.pixel(3, 9), kMark);     // low head base
    EXPECT_EQ(vi.pixel(7, 197), kMark);   // high head point
    EXPECT_EQ(vi.pixel(2, 64), kLight);   // thumb's top edge
    EXPECT_EQ(vi.pixel(6, 135), darkOf(v));  // thumb's bottom edge
    EXPECT_EQ(vi.pixel(5, 69), kMark);    // Start grip line runs across
    EXPECT_EQ(vi.pixel(5, 30), kTrack);
}

TEST(TZoomler, HeldArrowIsDrawnSunken) {
    TimedBar t;
    TZoomler& bar = *t.bar;
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(5, 7));
    QImage img = picture(bar);
    EXPECT_EQ(img.pixel(1, 2), darkOf(bar));
    EXPECT_EQ(img.pixel(11, 11), kLight);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(5, 7));
    img = picture(bar);
    EXPECT_EQ(img.pixel(1, 2), kLight);
    EXPECT_EQ(img.pixel(11, 11), darkOf(bar));
}

TEST(TZoomler, DisabledBarLooksTheSameAndTakesNoInput) {
    TZoomler bar;
    const QImage enabled = picture(bar);
    bar.setEnabled(false);
    EXPECT_EQ(picture(bar), enabled);
    Spies spies(&bar);
    QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(195, 7));
    QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(20, 7));
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(100, 7));
    QTest::mouseMove(&bar, QPoint(150, 7));
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(150, 7));
    EXPECT_EQ(bar.Start(), 30);
    EXPECT_EQ(bar.Finish(), 70);
    EXPECT_EQ(spies.changed.count() + spies.zooming.count() + spies.scrolling.count(), 0);
}

// --- Mouse -------------------------------------------------------------------

TEST(TZoomler, DragOfTheStartEnd) {
    TZoomler bar;
    bar.resize(224, 14);
    bar.SetRange(0, 100, 40, 60);  // two pixels per unit, thumb 92..132
    Spies spies(&bar);
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(97, 7));
    EXPECT_EQ(bar.logic().dragMode(), 1);
    QTest::mouseMove(&bar, QPoint(107, 7));
    QTest::mouseMove(&bar, QPoint(117, 7));
    EXPECT_EQ(bar.Start(), 50);
    EXPECT_EQ(bar.Finish(), 60);
    EXPECT_EQ(spies.zooming.count(), 2);
    EXPECT_EQ(spies.changed.count(), 0);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(117, 7));
    EXPECT_EQ(spies.changed.count(), 1);
    EXPECT_EQ(spies.scrolling.count(), 0);
    EXPECT_EQ(spies.changed.at(0).at(0).value<TZoomler*>(), &bar);
    EXPECT_EQ(bar.logic().dragMode(), 0);
}

TEST(TZoomler, DragOfTheFinishEndOfAVerticalBar) {
    TZoomler bar;
    bar.setOrientation(TOrientation::Vertical);
    bar.resize(14, 224);
    bar.SetRange(0, 100, 40, 60);  // Finish grip at y 121..130
    Spies spies(&bar);
    QTest::mousePress(&bar, Qt::RightButton, {}, QPoint(7, 125));
    EXPECT_EQ(bar.logic().dragMode(), 2);
    QTest::mouseMove(&bar, QPoint(7, 115));
    EXPECT_EQ(bar.Finish(), 55);
    QTest::mouseMove(&bar, QPoint(40, 115));  // across only: nothing
    EXPECT_EQ(spies.zooming.count(), 1);
    QTest::mouseRelease(&bar, Qt::RightButton, {}, QPoint(40, 115));
    EXPECT_EQ(spies.changed.count(), 1);
    EXPECT_EQ(bar.Start(), 40);
}

TEST(TZoomler, DragOfTheWholeWindow) {
    TZoomler bar;
    bar.resize(224, 14);
    bar.SetRange(0, 100, 40, 60);
    Spies spies(&bar);
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(110, 7));
    EXPECT_EQ(bar.logic().dragMode(), 3);
    QTest::mouseMove(&bar, QPoint(130, 7));
    EXPECT_EQ(bar.Start(), 50);
    EXPECT_EQ(bar.Finish(), 70);
    QTest::mouseMove(&bar, QPoint(900, 30));  // past the end: stops at Max
    EXPECT_EQ(bar.Start(), 80);
    EXPECT_EQ(bar.Finish(), 100);
    EXPECT_DOUBLE_EQ(bar.Step(), 20.0 * 2 / 3);
    EXPECT_EQ(spies.scrolling.count(), 2);
    EXPECT_EQ(spies.zooming.count(), 0);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(900, 30));
    EXPECT_EQ(spies.changed.count(), 1);
}

TEST(TZoomler, PressAndReleaseOnAGrip) {
    TZoomler bar;
    Spies spies(&bar);
    QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(130, 7));
    EXPECT_EQ(spies.changed.count(), 1);
    EXPECT_EQ(spies.zooming.count(), 0);
    EXPECT_EQ(bar.Start(), 30);
    EXPECT_EQ(bar.Finish(), 70);
}

TEST(TZoomler, PressBetweenZonesDoesNothing) {
    TZoomler bar;
    Spies spies(&bar);
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(64, 7));
    EXPECT_EQ(bar.logic().dragMode(), 0);
    QTest::mouseMove(&bar, QPoint(90, 7));
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(90, 7));
    EXPECT_EQ(bar.Start(), 30);
    EXPECT_EQ(spies.changed.count() + spies.zooming.count() + spies.scrolling.count(), 0);
}

TEST(TZoomler, EmptyRangeDragStaysFinite) {
    TZoomler bar;
    bar.SetRange(5, 5, 5, 5);
    Spies spies(&bar);
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(100, 7));
    QTest::mouseMove(&bar, QPoint(150, 7));
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(150, 7));
    EXPECT_EQ(bar.Start(), 5);
    EXPECT_EQ(bar.Finish(), 5);
    EXPECT_TRUE(std::isfinite(bar.Step()));
    EXPECT_EQ(spies.scrolling.count(), 1);
    EXPECT_EQ(spies.changed.count(), 1);
}

TEST(TZoomler, TrackClickNextToTheLowArrow) {
    for (TOrientation o : {TOrientation::Horizontal, TOrientation::Vertical}) {
        TZoomler bar;
        bar.setOrientation(o);
        if (o == TOrientation::Vertical) {
            bar.resize(14, 200);
        }
        Spies spies(&bar);
        QTest::mouseClick(&bar, Qt::LeftButton, {}, o == TOrientation::Horizontal ? QPoint(12, 7) : QPoint(7, 12));
        EXPECT_NEAR(bar.Start(), 1 + 29.0 / 53, 1e-14);
        EXPECT_NEAR(bar.Finish() - bar.Start(), 40, 1e-12);
        EXPECT_EQ(spies.changed.count(), 1);
    }
}

TEST(TZoomler, AutoRepeatStepsAtThePressAfter500AndEvery50) {
    TimedBar t;
    TZoomler& bar = *t.bar;
    Spies spies(&bar);
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(195, 7));
    EXPECT_EQ(bar.Start(), 31);
    EXPECT_EQ(spies.changed.count(), 1);
    t.timer->advance(499);
    EXPECT_EQ(spies.changed.count(), 1);
    t.timer->advance(1);
    EXPECT_EQ(spies.changed.count(), 2);
    // The pointer leaves the arrow and the bar; the arrow keeps stepping.
    QTest::mouseMove(&bar, QPoint(100, 7));
    QTest::mouseMove(&bar, QPoint(400, 60));
    t.timer->advance(150);
    EXPECT_EQ(spies.changed.count(), 5);
    EXPECT_EQ(bar.Start(), 35);
    EXPECT_EQ(t.timer->tickTimes, (std::vector<long>{500, 550, 600, 650}));
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(400, 60));
    EXPECT_FALSE(t.timer->running());
    t.timer->advance(1000);
    EXPECT_EQ(spies.changed.count(), 5);
    EXPECT_EQ(bar.Start(), 35);
    EXPECT_EQ(bar.Finish(), 75);
    EXPECT_EQ(bar.Step(), 1);
    EXPECT_EQ(spies.scrolling.count() + spies.zooming.count(), 0);
}

TEST(TZoomler, StepUpAtTheEndStillReports) {
    TZoomler bar;
    bar.SetRange(0, 100, 95, 99);
    bar.setStep(10);
    Spies spies(&bar);
    QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(195, 7));
    EXPECT_EQ(bar.Start(), 96);
    EXPECT_EQ(bar.Finish(), 100);
    QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(195, 7));
    EXPECT_EQ(bar.Start(), 96);
    EXPECT_EQ(bar.Finish(), 100);
    EXPECT_EQ(spies.changed.count(), 2);
}

TEST(TZoomler, TheProgramsTimerRepeatsAHeldArrow) {
    TZoomler bar;  // its own QTimer
    Spies spies(&bar);
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(5, 7));
    EXPECT_EQ(spies.changed.count(), 1);
    EXPECT_TRUE(spies.changed.wait(5000));
    EXPECT_GE(spies.changed.count(), 2);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(5, 7));
    EXPECT_FALSE(bar.logic().held());
    EXPECT_LT(bar.Start(), 29);
}

TEST(TZoomler, DisablingAHeldBarEndsTheRepeat) {
    TimedBar t;
    TZoomler& bar = *t.bar;
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(195, 7));
    ASSERT_TRUE(t.timer->running());
    bar.setEnabled(false);
    EXPECT_FALSE(t.timer->running());
    EXPECT_FALSE(bar.logic().highArrowPressed());
    t.timer->advance(2000);
    EXPECT_EQ(bar.Start(), 31);
}

TEST(TZoomler, HidingADraggedBarEndsTheDrag) {
    QWidget parent;
    auto* bar = new TZoomler(&parent);
    parent.show();
    Spies spies(bar);
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(100, 7));
    QTest::mouseMove(bar, QPoint(110, 7));
    parent.hide();
    EXPECT_EQ(bar->logic().dragMode(), 0);
    EXPECT_EQ(spies.scrolling.count(), 1);
    EXPECT_EQ(spies.changed.count(), 0);  // no release came
    QTest::mouseMove(bar, QPoint(150, 7));
    EXPECT_DOUBLE_EQ(bar->Start(), 30 + 10 * 99.0 / 176);
}

TEST(TZoomler, CursorFollowsTheZones) {
    for (TOrientation o : {TOrientation::Horizontal, TOrientation::Vertical}) {
        TZoomler bar;
        bar.setOrientation(o);
        const bool h = o == TOrientation::Horizontal;
        if (!h) {
            bar.resize(14, 200);
        }
        const auto p = [h](int a) { return h ? QPoint(a, 7) : QPoint(7, a); };
        const Qt::CursorShape resize = h ? Qt::SizeHorCursor : Qt::SizeVerCursor;
        const struct {
            int a;
            Qt::CursorShape shape;
        } table[] = {{70, resize}, {100, Qt::PointingHandCursor}, {30, Qt::ArrowCursor},
                     {130, resize}, {64, Qt::ArrowCursor},       {5, Qt::ArrowCursor}};
        for (const auto& row : table) {
            hover(bar, p(row.a));
            EXPECT_EQ(bar.cursor().shape(), row.shape) << row.a;
        }
    }
}

// Through the window, as the platform delivers input: the bar holds the mouse
// while a button is down, so the move and the release outside it still arrive.
TEST(TZoomler, HoldsTheMouseWhileAButtonIsDown) {
    QWidget window;
    auto* row = new QHBoxLayout(&window);
    row->setContentsMargins(50, 20, 50, 20);
    auto* bar = new TZoomler(&window);
    bar->setFixedSize(200, 14);
    row->addWidget(bar);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QWindow* w = window.windowHandle();
    const QPoint origin = bar->mapTo(&window, QPoint(0, 0));
    Spies spies(bar);
    QTest::mousePress(w, Qt::LeftButton, {}, origin + QPoint(100, 7));
    ASSERT_EQ(bar->logic().dragMode(), 3);
    QTest::mouseMove(w, origin + QPoint(230, 30));  // beyond the bar's end and below it
    QTest::mouseRelease(w, Qt::LeftButton, {}, origin + QPoint(230, 30));
    EXPECT_EQ(bar->Finish(), 100);
    EXPECT_EQ(bar->Start(), 60);
    EXPECT_GE(spies.scrolling.count(), 1);
    EXPECT_EQ(spies.changed.count(), 1);
    EXPECT_EQ(bar->logic().dragMode(), 0);
}

TEST(TZoomler, DoubleClickThroughTheWindow) {
    for (bool enabled : {false, true}) {
        SCOPED_TRACE(enabled);
        QWidget window;
        auto* row = new QHBoxLayout(&window);
        row->setContentsMargins(0, 0, 0, 0);
        auto* bar = new TZoomler(&window);
        bar->setFixedSize(200, 14);
        bar->setDblClkEnable(enabled);
        row->addWidget(bar);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        const QPoint origin = bar->mapTo(&window, QPoint(0, 0));
        Spies spies(bar);
        QTest::mouseDClick(window.windowHandle(), Qt::LeftButton, {}, origin + QPoint(195, 7));
        if (enabled) {
            // Two presses step twice, then the reset to the whole range.
            EXPECT_EQ(spies.changed.count(), 3);
            EXPECT_EQ(bar->Start(), 1);
            EXPECT_EQ(bar->Finish(), 100);
        } else {
            EXPECT_EQ(spies.changed.count(), 2);
            EXPECT_EQ(bar->Start(), 32);
            EXPECT_EQ(bar->Finish(), 72);
        }
        EXPECT_EQ(bar->Step(), 1);
        EXPECT_FALSE(bar->logic().held());
    }
}

TEST(TZoomler, DoubleClickEventWithoutItsOwnPress) {
    // Sent straight to the widget the double click carries the second press.
    TZoomler bar;
    bar.setDblClkEnable(true);
    Spies spies(&bar);
    QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(100, 7));
    QTest::mouseDClick(&bar, Qt::LeftButton, {}, QPoint(100, 7));
    EXPECT_EQ(bar.logic().dragMode(), 3);  // the second press grabbed the body
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(100, 7));
    EXPECT_EQ(bar.logic().dragMode(), 0);
    EXPECT_EQ(bar.Start(), 1);
    EXPECT_EQ(bar.Finish(), 100);
    EXPECT_EQ(spies.changed.count(), 3);  // release of the first click, reset, release
}

}  // namespace
