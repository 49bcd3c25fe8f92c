// The main window's charts: the panel layout and splitters,
// the live window, the zoom bars, ShowAll, FitZoomBars, the keys, the chart
// selection, the cursor read-out with its choice of sample, and the
// cursor lines in pixels.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGuiApplication>
#include <QScreen>
#include <QCursor>
#include <QDir>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include <cmath>
#include <functional>

#include "app/fixedformats.h"
#include "app/mainform.h"
#include "charts/chartpicture.h"
#include "charts/chartview.h"
#include "charts/channelchart.h"
#include "charts/readout.h"
#include "charts/statisticswindow.h"
#include "fakeserialport.h"
#include "testsupport.h"
#include "windowtest.h"
#include "widgets/zoomler.h"

using namespace kordel;

namespace {

constexpr QRgb kCyan = 0x0000FFFF;

struct Line {
    int day, hour, minute, second, ms;
    double bx, by, bz, ts, te;
};

QByteArray dataFile(const std::vector<Line>& lines) {
    QByteArray text = "Kordel-K5\r\nheader 2\r\nheader 3\r\n";
    for (const Line& l : lines) {
        char buf[200];
        std::snprintf(buf, sizeof buf, "2007 05 %02d %02d %02d %02d.%03d %.17g %.17g %.17g %.17g %.17g\r\n", l.day,
                      l.hour, l.minute, l.second, l.ms, l.bx, l.by, l.bz, l.ts, l.te);
        text += buf;
    }
    return text;
}

// One line every ten seconds from 10:00:00, with values telling the lines apart.
std::vector<Line> tenSecondLines(int count, int day = 22) {
    std::vector<Line> lines;
    for (int i = 0; i < count; ++i) {
        const int s = i * 10;
        lines.push_back({day, 10, s / 60, s % 60, 0, 20000.25 + i, -1500.5 - i, 44000.0 + 10 * i, 25.3, 30.1});
    }
    return lines;
}

std::string deviceLine(int hour, int minute, int second) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "2007 05 22 %02d %02d %02d.00 20000.00  1500.25 44000.50  25.3  30.1\r\n", hour,
                  minute, second);
    return buf;
}

double at(int day, int hour, int minute, int second, int ms = 0) {
    return toDateTimeNumber({2007, 5, day, hour, minute, second, ms});
}

QImage picture(QWidget* w) { return w->grab().toImage().convertToFormat(QImage::Format_RGB32); }

void sendMouse(QWidget* w, QEvent::Type type, QPoint local, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent ev(type, QPointF(local), QPointF(w->mapToGlobal(local)), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &ev);
}

class MainFormChartsTest : public test::WindowTest {
protected:
    void SetUp() override {
        startForm();
        form_->activateWindow();
        test::drainEvents();
    }
    void TearDown() override { stopForm(); }

    TMainForm& f() { return *form_; }

    // Writes and opens a data file, then lets the charts replot.
    void open(const std::vector<Line>& lines, const QString& name = QStringLiteral("day.pc")) {
        const QString path = startDir_.filePath(name);
        test::writeFile(path, dataFile(lines));
        ASSERT_TRUE(f().LoadDataFile(path));
        test::drainEvents();
    }

    void mouseOver(int chart, int x) {
        const QRect r = f().charts().Chart[chart]->plotRect();
        sendMouse(f().charts().Chart[chart], QEvent::MouseMove, QPoint(x, r.center().y()), Qt::NoButton, Qt::NoButton);
    }

    // A pixel column of chart k whose time lies in [from, to).
    int columnWithin(int k, double from, double to) {
        const ChannelChart* c = f().charts().Chart[k];
        const QRect r = c->plotRect();
        for (int x = r.left() + 1; x < r.right(); ++x) {
            const double t = c->timeAtPixel(x);
            if (t >= from && t < to) return x;
        }
        ADD_FAILURE() << "no column in the interval";
        return r.center().x();
    }

    QString readout() const { return form_->StatusPanel[2]->text(); }

    test::FakeDialogs dialogs_;
    test::FixedClock clock_{{2007, 5, 22, 14, 5, 9, 0}};
};

}  // namespace

// ---- panels ----

TEST_F(MainFormChartsTest, EachPanelHoldsItsZoomBarOnTheLeftAndItsChart) {
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(f().charts().Chart[k]->objectName(), QStringLiteral("Chart%1").arg(k));
        EXPECT_EQ(f().charts().Chart[k]->Tag(), k);
        EXPECT_EQ(f().charts().ZoomlerBar(k)->Tag(), k);
        EXPECT_EQ(f().charts().Zoomler[k]->width(), 14);
        EXPECT_EQ(f().charts().Zoomler[k]->x(), 0);
        EXPECT_EQ(f().charts().Chart[k]->x(), 14);
        EXPECT_EQ(f().charts().Chart[k]->width(), f().charts().Panel[k]->width() - 14);
        EXPECT_EQ(f().charts().ZoomlerBar(k)->Orientation(), TOrientation::Vertical);
        // Design values: range 1..100, window 30..70, Step 1 (26.67 on the first).
        EXPECT_EQ(f().charts().ZoomlerBar(k)->Min(), 1);
        EXPECT_EQ(f().charts().ZoomlerBar(k)->Max(), 100);
        EXPECT_EQ(f().charts().ZoomlerBar(k)->Start(), 30);
        EXPECT_EQ(f().charts().ZoomlerBar(k)->Finish(), 70);
        EXPECT_EQ(f().charts().ZoomlerBar(k)->Step(), k == 0 ? 26.6666666666667 : 1);
        EXPECT_TRUE(f().charts().ZoomlerBar(k)->SetStepAuto());
    }
    EXPECT_EQ(f().charts().XZoomler->height(), 14);
    EXPECT_EQ(f().charts().XZoomlerBar()->Orientation(), TOrientation::Horizontal);
    EXPECT_EQ(f().charts().XZoomlerBar()->Start(), 30);
    EXPECT_EQ(f().charts().XZoomlerBar()->Finish(), 70);
    EXPECT_EQ(f().charts().XZoomlerBar()->Step(), 1);
    // Two pixels drawn, a grab area of six.
    for (int k = 0; k < 4; ++k) EXPECT_EQ(f().charts().Splitter[k]->height(), 2 + 2 * ChartView::kSplitterGrip);
}

TEST_F(MainFormChartsTest, With446PixelsEveryPanelIs88HighAndTheLastFillsTheRest) {
    f().charts().PanelArea->setFixedHeight(446);
    test::drainEvents();
    ASSERT_EQ(f().charts().PanelArea->height(), 446);
    f().charts().SpeedButton9Click();  // "Range": the panels at equal heights again
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(f().charts().Panel[k]->height(), 88) << k;
        EXPECT_EQ(f().charts().Panel[k]->y(), 91 * k) << k;
        EXPECT_EQ(f().charts().Splitter[k]->y(), 91 * k + 89 - ChartView::kSplitterGrip) << k;
        EXPECT_TRUE(f().charts().Splitter[k]->isVisible()) << k;
    }
    EXPECT_EQ(f().charts().Panel[4]->y(), 364);
    EXPECT_EQ(f().charts().Panel[4]->height(), 446 - 364);
}

TEST_F(MainFormChartsTest, UncheckingBzThenTeAndCheckingBzAgain) {
    f().charts().PanelArea->setFixedHeight(446);
    test::drainEvents();
    f().charts().CheckBox[2]->setChecked(false);
    EXPECT_FALSE(f().charts().Panel[2]->isVisible());
    EXPECT_FALSE(f().charts().Splitter[2]->isVisible());
    const int h = (446 - 6) / 4;
    for (int k : {0, 1, 3}) {
        EXPECT_EQ(f().charts().Panel[k]->height(), h) << k;
        EXPECT_TRUE(f().charts().Splitter[k]->isVisible()) << k;
    }
    EXPECT_EQ(f().charts().Panel[4]->height(), 446 - f().charts().Panel[4]->y());
    // Te off: Ts fills the area, no splitter below it.
    f().charts().CheckBox[4]->setChecked(false);
    EXPECT_FALSE(f().charts().Panel[4]->isVisible());
    EXPECT_FALSE(f().charts().Splitter[3]->isVisible());
    EXPECT_EQ(f().charts().Panel[3]->y() + f().charts().Panel[3]->height(), 446);
    EXPECT_EQ(f().charts().Panel[0]->height(), (446 - 6) / 3);
    // Bz back in its place, between By and Ts.
    f().charts().CheckBox[2]->setChecked(true);
    EXPECT_TRUE(f().charts().Panel[2]->isVisible());
    EXPECT_GT(f().charts().Panel[2]->y(), f().charts().Panel[1]->y());
    EXPECT_LT(f().charts().Panel[2]->y(), f().charts().Panel[3]->y());
    EXPECT_EQ(f().charts().channelLayout().visible(), (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(MainFormChartsTest, TheOnlyCheckedBoxStaysChecked) {
    for (int k = 0; k < 4; ++k) f().charts().CheckBox[k]->setChecked(false);
    ASSERT_EQ(f().charts().channelLayout().visible(), (std::vector<int>{4}));
    const QRect before = f().charts().Panel[4]->geometry();
    f().charts().CheckBox[4]->setChecked(false);
    EXPECT_TRUE(f().charts().CheckBox[4]->isChecked());
    EXPECT_TRUE(f().charts().Panel[4]->isVisible());
    EXPECT_EQ(f().charts().Panel[4]->geometry(), before);
}

TEST_F(MainFormChartsTest, DraggingASplitterResizesThePanelAboveItAndTheHeightIsStored) {
    f().charts().PanelArea->setFixedHeight(446);
    test::drainEvents();
    f().charts().SpeedButton9Click();
    QWidget* s = f().charts().Splitter[1];
    const int lastBefore = f().charts().Panel[4]->height();
    sendMouse(s, QEvent::MouseButtonPress, QPoint(20, 1), Qt::LeftButton, Qt::LeftButton);
    sendMouse(s, QEvent::MouseMove, QPoint(20, 11), Qt::NoButton, Qt::LeftButton);
    // The splitter has moved down by now; the drag goes on from the press.
    sendMouse(s, QEvent::MouseMove, QPoint(20, 1 + 20 - 10), Qt::NoButton, Qt::LeftButton);
    sendMouse(s, QEvent::MouseButtonRelease, QPoint(20, 1), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(f().charts().Panel[1]->height(), 108);
    EXPECT_EQ(f().charts().Panel[0]->height(), 88);
    EXPECT_EQ(f().charts().Panel[2]->height(), 88);            // the panels below keep their heights
    EXPECT_EQ(f().charts().Panel[2]->y(), 91 + 108 + 3);       // and move
    EXPECT_EQ(f().charts().Splitter[1]->y(), 91 + 108 + 1 - ChartView::kSplitterGrip);
    EXPECT_EQ(f().charts().Panel[4]->height(), lastBefore - 20);  // the last takes the difference
    // A drag far up stops at 30 pixels.
    sendMouse(s, QEvent::MouseButtonPress, QPoint(20, 0), Qt::LeftButton, Qt::LeftButton);
    sendMouse(s, QEvent::MouseMove, QPoint(20, -300), Qt::NoButton, Qt::LeftButton);
    sendMouse(s, QEvent::MouseButtonRelease, QPoint(20, -300), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(f().charts().Panel[1]->height(), 30);
    form_->close();
    QSettings ini(exeDir_.filePath(QStringLiteral("kordel.ini")), QSettings::IniFormat);
    EXPECT_EQ(ini.value(QStringLiteral("TMainForm/Panel1_Height")).toString(), QStringLiteral("30"));
}

// ---- series ----

TEST_F(MainFormChartsTest, TheLiveRecordKeepsTheDayAndTheViewFollowsTheNewest600Samples) {
    f().SpeedButton8Click();  // Record
    ASSERT_EQ(f().linkState(), Recording);
    QByteArray bytes;
    for (int i = 0; i < 600; ++i) bytes += QByteArray::fromStdString(deviceLine(10, i / 60, i % 60));
    port_->receive(bytes);
    for (int k = 0; k < 6; ++k) EXPECT_EQ(f().charts().Chart[k]->pointCount(), 600u) << k;
    EXPECT_DOUBLE_EQ(f().charts().Chart[0]->xAt(0), at(22, 10, 0, 0));  // the line's date and time
    port_->receive(QByteArray::fromStdString(deviceLine(10, 10, 0)));
    f().charts().flushLive();  // the drawing waits for its frame
    // Every sample stays; the window shows the newest 600.
    for (int k = 0; k < 6; ++k) EXPECT_EQ(f().charts().Chart[k]->pointCount(), 601u) << k;
    EXPECT_DOUBLE_EQ(f().charts().Chart[0]->xAt(600), at(22, 10, 10, 0));
    EXPECT_DOUBLE_EQ(f().charts().Chart[4]->yAt(600), 30.1);
    EXPECT_DOUBLE_EQ(f().charts().Chart[0]->timeAxis().min, at(22, 10, 0, 1));
    EXPECT_DOUBLE_EQ(f().charts().Chart[0]->timeAxis().max, at(22, 10, 10, 0));
    EXPECT_DOUBLE_EQ(f().charts().Chart[0]->valueAxis().min, 20000.0);
    EXPECT_DOUBLE_EQ(f().charts().Chart[0]->valueAxis().max, 20000.0);
}

// ---- the live view ----

TEST_F(MainFormChartsTest, PausedTheLiveWindowStaysWhileTheFileGrowsAndTheKeysMoveIt) {
    const auto minute = [&](int m) {
        QByteArray bytes;
        for (int s = 0; s < 60; ++s) bytes += QByteArray::fromStdString(deviceLine(10, m, s));
        port_->receive(bytes);
        f().charts().flushLive();
    };
    const auto axesAre = [&](double s, double e) {
        for (ChannelChart* c : f().charts().Chart) EXPECT_EQ(c->timeAxis(), (AxisRange{s, e}));
    };
    EXPECT_FALSE(f().charts().PauseButton->isEnabled());
    f().SpeedButton8Click();  // Record
    ASSERT_TRUE(f().charts().PauseButton->isEnabled());
    minute(0);
    const QString daily = f().StatusPanel[3]->text();
    const qsizetype linesBefore = test::readFile(daily).count("\r\n");
    EXPECT_FALSE(f().charts().XZoomler->isEnabled());
    EXPECT_FALSE(f().charts().CrossMouseCB->isEnabled());

    f().charts().PauseButton->click();
    EXPECT_TRUE(f().charts().XZoomler->isEnabled());
    EXPECT_TRUE(f().charts().CrossMouseCB->isEnabled());
    minute(1);
    axesAre(at(22, 10, 0, 0), at(22, 10, 0, 59));
    EXPECT_EQ(test::readFile(daily).count("\r\n"), linesBefore + 60);  // recording goes on
    // The time bar spans the live points held; End shows the newest of them.
    const TZoomler* bar = f().charts().XZoomlerBar();
    EXPECT_DOUBLE_EQ(bar->Max(), at(22, 10, 1, 59));
    f().charts().ScrollByKey(Qt::Key_End);
    axesAre(bar->Start(), bar->Finish());
    EXPECT_DOUBLE_EQ(bar->Finish(), at(22, 10, 1, 59));
    EXPECT_NEAR(bar->Finish() - bar->Start(), toTimeNumber(0, 0, 59), 1e-12);
    // The wheel zooms the held window too.
    const QRect plot = f().charts().Chart[0]->plotRect();
    f().charts().ChartWheel(0, plot.center().x(), plot.center().y(), 120);
    EXPECT_LT(f().charts().Chart[0]->timeAxis().max - f().charts().Chart[0]->timeAxis().min, toTimeNumber(0, 0, 59));
    axesAre(bar->Start(), bar->Finish());

    f().charts().PauseButton->click();  // the view follows the data again
    minute(2);
    axesAre(at(22, 10, 0, 0), at(22, 10, 2, 59));  // fewer than 600 samples: all of them
    EXPECT_FALSE(f().charts().XZoomler->isEnabled());
    EXPECT_FALSE(f().charts().CrossMouseCB->isEnabled());

    f().charts().PauseButton->click();
    f().SpeedButton7Click();  // Stop releases the pause
    EXPECT_FALSE(f().charts().PauseButton->isChecked());
    EXPECT_FALSE(f().charts().PauseButton->isEnabled());
    axesAre(at(22, 10, 0, 0), at(22, 10, 2, 59));  // the day recorded stays to be read
}

TEST_F(MainFormChartsTest, WhileRecordingPanelZeroShowsTheLatestSample) {
    EXPECT_EQ(f().StatusPanel[0]->text(), QString());
    f().SpeedButton8Click();
    port_->receive(QByteArray::fromStdString(deviceLine(10, 0, 0) + deviceLine(12, 30, 5)));
    f().charts().flushLive();
    // F = sqrt(20000² + 1500.25² + 44000.5²) = 48355.917...
    EXPECT_EQ(f().StatusPanel[0]->text(),
              QStringLiteral("12:30:05  X: 20000.00 nT  Y: 1500.25 nT  Z: 44000.50 nT  Ts: 25.3 \u00B0C  "
                             "Te: 30.1 \u00B0C  F: 48355.92 nT"));
    test::drainEvents();  // the panel is as wide as the whole text
    EXPECT_GE(f().StatusPanel[0]->contentsRect().width(),
              f().StatusPanel[0]->fontMetrics().horizontalAdvance(f().StatusPanel[0]->text()));
    f().SpeedButton7Click();
    EXPECT_EQ(f().StatusPanel[0]->text(), QString());
}

TEST_F(MainFormChartsTest, SeveralLiveSamplesInOneTurnOfTheEventLoopCauseOneReplotPerChart) {
    f().SpeedButton8Click();
    test::drainEvents();
    std::vector<long> before;
    for (ChannelChart* c : f().charts().Chart) before.push_back(c->replotCount());
    QByteArray bytes;
    for (int i = 0; i < 3; ++i) bytes += QByteArray::fromStdString(deviceLine(11, 0, i));
    port_->receive(bytes.left(100));
    port_->receive(bytes.mid(100));
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(f().charts().Chart[k]->pointCount(), 3u);
        EXPECT_EQ(f().charts().Chart[k]->replotCount(), before[k]) << k;
    }
    QCoreApplication::processEvents();
    for (int k = 0; k < 5; ++k) EXPECT_EQ(f().charts().Chart[k]->replotCount(), before[k] + 1) << k;
}

TEST_F(MainFormChartsTest, ClearChartsEmptiesTheSeriesAndMakesEveryAxisAutomatic) {
    open(tenSecondLines(20));
    f().charts().XZoomlerBar()->SetWindow(at(22, 10, 1, 0), at(22, 10, 2, 0));
    f().charts().XZoomlerChanged();
    f().charts().Zoomler0Changed(1);
    EXPECT_FALSE(f().charts().Chart[3]->timeAxisAutomatic());
    EXPECT_FALSE(f().charts().Chart[1]->valueAxisAutomatic());
    f().charts().ClearCharts();
    for (ChannelChart* c : f().charts().Chart) {
        EXPECT_EQ(c->pointCount(), 0u);
        EXPECT_TRUE(c->timeAxisAutomatic());
        EXPECT_TRUE(c->valueAxisAutomatic());
    }
}

TEST_F(MainFormChartsTest, AFileIsPlottedWhole) {
    open(tenSecondLines(50));
    for (int k = 0; k < 5; ++k) EXPECT_EQ(f().charts().Chart[k]->pointCount(), 50u);
    EXPECT_DOUBLE_EQ(f().charts().Chart[0]->xAt(0), at(22, 10, 0, 0));
    EXPECT_DOUBLE_EQ(f().charts().Chart[1]->yAt(49), -1500.5 - 49);
}

TEST_F(MainFormChartsTest, AFileOutOfOrderIsPlacedByXWithEqualTimesInFileOrder) {
    open({{22, 10, 0, 20, 0, 3, 3, 3, 3, 3},
          {22, 10, 0, 0, 0, 1, 1, 1, 1, 1},
          {22, 10, 0, 10, 0, 2, 2, 2, 2, 2},
          {22, 10, 0, 0, 0, 1.5, 1.5, 1.5, 1.5, 1.5}});
    for (int k = 0; k < 5; ++k) {
        ASSERT_EQ(f().charts().Chart[k]->pointCount(), 4u);
        EXPECT_EQ(f().charts().Chart[k]->yAt(0), 1);
        EXPECT_EQ(f().charts().Chart[k]->yAt(1), 1.5);
        EXPECT_EQ(f().charts().Chart[k]->yAt(2), 2);
        EXPECT_EQ(f().charts().Chart[k]->yAt(3), 3);
    }
}

// ---- bars ----

TEST_F(MainFormChartsTest, AVerticalBarsWindowIsMirroredOnItsChart) {
    f().charts().Zoomler0Changed(2);  // design values: 1..100, 30..70
    EXPECT_EQ(f().charts().Chart[2]->valueAxis(), (AxisRange{31, 71}));
    EXPECT_FALSE(f().charts().Chart[2]->valueAxisAutomatic());
    EXPECT_TRUE(f().charts().Chart[1]->valueAxisAutomatic());
    // Through the bar itself: a click on the track below the thumb (OnChanged).
    TZoomler* bar = f().charts().ZoomlerBar(3);
    ASSERT_GT(bar->logic().thumbStart(), 15);
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(7, 14));
    EXPECT_LT(bar->Start(), 30);
    EXPECT_EQ(f().charts().Chart[3]->valueAxis(), mirroredWindow(1, 100, bar->Start(), bar->Finish()));
}

TEST_F(MainFormChartsTest, TheTimeBarDrivesTheBottomAxisOfAllFiveCharts) {
    open(tenSecondLines(60));
    TZoomler* bar = f().charts().XZoomlerBar();
    // A drag of the thumb's body (OnScrolling at every step, OnChanged at the release).
    const int y = 7;
    bar->SetWindow(bar->Min() + (bar->Max() - bar->Min()) / 4, bar->Max() - (bar->Max() - bar->Min()) / 4);
    const int from = (bar->logic().thumbStart() + bar->logic().thumbEnd()) / 2;
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(from, y));
    QTest::mouseMove(bar, QPoint(from + 30, y));
    for (ChannelChart* c : f().charts().Chart) {
        EXPECT_FALSE(c->timeAxisAutomatic());
        EXPECT_EQ(c->timeAxis(), orderedRange(bar->Start(), bar->Finish()));
    }
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(from + 30, y));
    for (ChannelChart* c : f().charts().Chart) EXPECT_EQ(c->timeAxis(), orderedRange(bar->Start(), bar->Finish()));
    for (ChannelChart* c : f().charts().Chart) EXPECT_TRUE(c->valueAxisAutomatic());
}

TEST_F(MainFormChartsTest, FitZoomBarsFitsEveryBarAndLeavesTheAxesAutomatic) {
    std::vector<Line> lines = tenSecondLines(30);  // Ts and Te constant
    open(lines);
    TZoomler* x = f().charts().XZoomlerBar();
    EXPECT_DOUBLE_EQ(x->Min(), at(22, 10, 0, 0));
    EXPECT_DOUBLE_EQ(x->Max(), at(22, 10, 4, 50));
    EXPECT_EQ(x->Start(), x->Min());
    EXPECT_EQ(x->Finish(), x->Max());
    TZoomler* bx = f().charts().ZoomlerBar(0);
    EXPECT_DOUBLE_EQ(bx->Min(), 20000.25);
    EXPECT_DOUBLE_EQ(bx->Max(), 20029.25);
    EXPECT_EQ(bx->Start(), bx->Min());
    EXPECT_EQ(bx->Finish(), bx->Max());
    TZoomler* ts = f().charts().ZoomlerBar(3);  // lo equal to hi: widened by 1 each way
    EXPECT_DOUBLE_EQ(ts->Min(), 24.3);
    EXPECT_DOUBLE_EQ(ts->Max(), 26.3);
    EXPECT_DOUBLE_EQ(ts->Start(), 24.3);
    EXPECT_DOUBLE_EQ(ts->Finish(), 26.3);
    for (ChannelChart* c : f().charts().Chart) {
        EXPECT_TRUE(c->timeAxisAutomatic());
        EXPECT_TRUE(c->valueAxisAutomatic());
    }
    EXPECT_EQ(f().charts().Chart[3]->valueAxis(), (AxisRange{25.3, 25.3}));
}

TEST_F(MainFormChartsTest, ShowAllPutsEveryWindowToItsFullRange) {
    open(tenSecondLines(60));
    TZoomler* x = f().charts().XZoomlerBar();
    x->SetWindow(at(22, 10, 2, 0), at(22, 10, 3, 0));
    f().charts().XZoomlerChanged();
    f().charts().ZoomlerBar(1)->SetWindow(-1530, -1520);
    f().charts().Zoomler0Changed(1);
    f().charts().SpeedButton10Click();  // "Zoom"
    EXPECT_EQ(x->Start(), x->Min());
    EXPECT_EQ(x->Finish(), x->Max());
    for (int k = 0; k < 5; ++k) {
        TZoomler* bar = f().charts().ZoomlerBar(k);
        EXPECT_EQ(bar->Start(), bar->Min()) << k;
        EXPECT_EQ(bar->Finish(), bar->Max()) << k;
        EXPECT_EQ(f().charts().Chart[k]->timeAxis(), (AxisRange{x->Min(), x->Max()})) << k;
        EXPECT_EQ(f().charts().Chart[k]->valueAxis(), (AxisRange{bar->Min(), bar->Max()})) << k;
        EXPECT_FALSE(f().charts().Chart[k]->valueAxisAutomatic());
    }
}

TEST_F(MainFormChartsTest, KeysMoveTheTimeWindowAndStopAtBothEnds) {
    TZoomler* x = f().charts().XZoomlerBar();
    x->SetRange(0, 90, 30, 39);
    const auto window = [&] { return std::pair(x->Start(), x->Finish()); };
    const auto axes = [&](double s, double e) {
        for (ChannelChart* c : f().charts().Chart) EXPECT_EQ(c->timeAxis(), (AxisRange{s, e}));
    };
    f().charts().ScrollByKey(Qt::Key_Right);
    f().charts().ScrollByKey(Qt::Key_Right);
    f().charts().ScrollByKey(Qt::Key_Right);
    EXPECT_EQ(window(), std::pair(39.0, 48.0));  // three thirds: one width
    axes(39, 48);
    f().charts().ScrollByKey(Qt::Key_End);
    EXPECT_EQ(window(), std::pair(81.0, 90.0));
    f().charts().ScrollByKey(Qt::Key_PageDown);  // already at the end
    EXPECT_EQ(window(), std::pair(81.0, 90.0));
    axes(81, 90);
    f().charts().ScrollByKey(Qt::Key_Home);
    EXPECT_EQ(window(), std::pair(0.0, 9.0));
    f().charts().ScrollByKey(Qt::Key_PageUp);  // already at the start
    EXPECT_EQ(window(), std::pair(0.0, 9.0));
    axes(0, 9);
    f().charts().ScrollByKey(Qt::Key_PageDown);
    EXPECT_EQ(window(), std::pair(9.0, 18.0));
    f().charts().ScrollByKey(Qt::Key_Left);
    EXPECT_EQ(window(), std::pair(6.0, 15.0));
    f().charts().ScrollByKey(Qt::Key_Up);  // no other key does anything
    f().charts().ScrollByKey(Qt::Key_A);
    EXPECT_EQ(window(), std::pair(6.0, 15.0));
    // A key pressed while a chart has the focus reaches ScrollByKey too.
    f().charts().Chart[2]->setFocus();
    QTest::keyClick(f().charts().Chart[2], Qt::Key_PageDown);
    EXPECT_EQ(window(), std::pair(15.0, 24.0));
    axes(15, 24);
}

// ---- selection ----

TEST_F(MainFormChartsTest, ClickingChartTwoThenFourFramesOnlyFourAndFourAgainKeepsIt) {
    QTest::mouseClick(f().charts().Chart[2], Qt::LeftButton, {}, QPoint(200, 30));
    EXPECT_EQ(f().charts().selectedChart(), 2);
    EXPECT_TRUE(f().charts().Chart[2]->lowered());
    QTest::mouseClick(f().charts().Chart[4], Qt::LeftButton, {}, QPoint(200, 30));
    EXPECT_EQ(f().charts().selectedChart(), 4);
    EXPECT_FALSE(f().charts().Chart[2]->lowered());
    EXPECT_TRUE(f().charts().Chart[4]->lowered());
    f().charts().Chart0Click(4);
    EXPECT_EQ(f().charts().selectedChart(), 4);
    EXPECT_TRUE(f().charts().Chart[4]->lowered());
    for (int k : {0, 1, 2, 3}) EXPECT_FALSE(f().charts().Chart[k]->lowered()) << k;
    EXPECT_EQ(QApplication::focusWidget(), f().charts().Chart[4]);
}

TEST_F(MainFormChartsTest, OnlyTheFirstChartLosesItsSelectionWithTheFocus) {
    f().charts().Chart0Click(0);
    ASSERT_EQ(QApplication::focusWidget(), f().charts().Chart[0]);
    EXPECT_TRUE(f().charts().Chart[0]->lowered());
    f().charts().Chart[1]->setFocus(Qt::TabFocusReason);  // the focus moves on: Chart0Exit
    EXPECT_EQ(f().charts().selectedChart(), -1);
    EXPECT_FALSE(f().charts().Chart[0]->lowered());
    f().charts().Chart0Click(3);
    f().charts().Chart[1]->setFocus(Qt::TabFocusReason);  // chart 3 keeps its frame
    EXPECT_EQ(f().charts().selectedChart(), 3);
    EXPECT_TRUE(f().charts().Chart[3]->lowered());
}

// ---- read-out and cursor lines ----

TEST_F(MainFormChartsTest, TheReadOutShowsTheSampleOfTheCursorsSecondInFixedFields) {
    std::vector<Line> lines = tenSecondLines(60);
    // Values are held to the files' precision (two decimals for the field,
    // one for the temperatures); the cutting of long values is the formatter's.
    lines[10].bx = 0.01;
    lines[10].te = -1234.56789012345;
    open(lines);
    f().charts().CrossMouseCB->setChecked(true);
    mouseOver(0, columnWithin(0, at(22, 10, 1, 40), at(22, 10, 1, 41)));
    EXPECT_EQ(readout().toStdString(), "Time: 2007-05-22 10:01:40      X: 0.01 nT        Y: -1510.50 nT    "
                                       "Z: 44100.00 nT    Ts: 25.3 \u00B0C        Te: -1234.6 \u00B0C      F: 44125.86 nT");
    // A position between two samples: the nearer one.
    mouseOver(2, columnWithin(2, at(22, 10, 1, 43), at(22, 10, 1, 44)));
    EXPECT_EQ(readout().toStdString(), "Time: 2007-05-22 10:01:43      X: 0.01 nT        Y: -1510.50 nT    "
                                       "Z: 44100.00 nT    Ts: 25.3 \u00B0C        Te: -1234.6 \u00B0C      F: 44125.86 nT");
    mouseOver(4, columnWithin(4, at(22, 10, 1, 50), at(22, 10, 1, 51)));
    EXPECT_EQ(readout().toStdString(), "Time: 2007-05-22 10:01:50      X: 20011.25 nT    Y: -1511.50 nT    "
                                       "Z: 44110.00 nT    Ts: 25.3 \u00B0C        Te: 30.1 \u00B0C      F: 48460.57 nT");
}

TEST_F(MainFormChartsTest, OnAFileOfTwoDaysTheCursorsOwnDayIsShown) {
    std::vector<Line> lines = tenSecondLines(30, 22);
    std::vector<Line> second = tenSecondLines(30, 23);
    for (Line& l : second) l.bx += 1000;
    lines.insert(lines.end(), second.begin(), second.end());
    open(lines);
    f().charts().CrossMouseCB->setChecked(true);
    // Show the second day's first minutes only, so that a pixel is a fraction of a second.
    f().charts().XZoomlerBar()->SetWindow(at(23, 10, 0, 0), at(23, 10, 1, 0));
    f().charts().XZoomlerChanged();
    test::drainEvents();
    mouseOver(1, columnWithin(1, at(23, 10, 0, 10, 300), at(23, 10, 0, 10, 800)));
    EXPECT_TRUE(readout().startsWith(QStringLiteral("Time: 2007-05-23 10:00:10      X: 21001.25 nT    Y: -1501.50 nT")))
        << readout().toStdString();
}

TEST_F(MainFormChartsTest, NothingIsShownWithoutAFileOrWithoutMouse) {
    f().charts().CrossMouseCB->setChecked(true);
    for (int i = 0; i < 5; ++i) f().charts().appendSample(at(22, 10, 0, i), {1, 2, 3, 4, 5});  // points, but "!.pc"
    test::drainEvents();
    ASSERT_EQ(f().currentDataFileName(), QStringLiteral("!.pc"));
    mouseOver(0, f().charts().Chart[0]->plotRect().center().x());
    EXPECT_EQ(readout(), QString());
    for (int k = 0; k < 5; ++k) EXPECT_EQ(f().charts().cursorLinePosition(k), -1);
    open(tenSecondLines(10));
    ASSERT_FALSE(f().charts().CrossMouseCB->isChecked());  // opening a file unchecks "Mouse"
    mouseOver(0, f().charts().Chart[0]->plotRect().center().x());
    EXPECT_EQ(readout(), QString());
    for (int k = 0; k < 5; ++k) EXPECT_EQ(f().charts().cursorLinePosition(k), -1);
}

TEST_F(MainFormChartsTest, OutsideThePlottingRectangleNothingHappens) {
    open(tenSecondLines(10));
    f().charts().CrossMouseCB->setChecked(true);
    const QRect r = f().charts().Chart[0]->plotRect();
    f().charts().Chart0MouseMove(0, r.left() - 5, r.center().y());
    f().charts().Chart0MouseMove(0, r.center().x(), r.bottom() + 5);
    EXPECT_EQ(readout(), QString());
    EXPECT_EQ(f().charts().cursorLinePosition(0), -1);
}

TEST_F(MainFormChartsTest, EveryShownChartGetsTheLineAtTheSameColumnAndHiddenOnesNone) {
    open(tenSecondLines(60));
    f().charts().CrossMouseCB->setChecked(true);
    f().charts().CheckBox[2]->setChecked(false);
    test::drainEvents();
    const int column = f().charts().Chart[0]->plotRect().center().x();
    mouseOver(0, column);
    for (int k : {0, 1, 3, 4}) EXPECT_EQ(f().charts().cursorLinePosition(k), column) << k;
    EXPECT_EQ(f().charts().cursorLinePosition(2), -1);
    // A cursor time outside a chart's time axis draws no line there.
    f().charts().Chart[3]->setTimeAxis(at(22, 11, 0, 0), at(22, 12, 0, 0));
    test::drainEvents();
    mouseOver(1, column + 7);
    EXPECT_EQ(f().charts().cursorLinePosition(3), -1);
    for (int k : {0, 1, 4}) EXPECT_EQ(f().charts().cursorLinePosition(k), column + 7) << k;
    // Bz shown again comes without a line; the next move draws one there too.
    f().charts().CheckBox[2]->setChecked(true);
    test::drainEvents();
    EXPECT_EQ(f().charts().cursorLinePosition(2), -1);
    mouseOver(1, column);
    EXPECT_EQ(f().charts().cursorLinePosition(2), column);
}

TEST_F(MainFormChartsTest, ErasingTheCursorLinesRestoresTheChartsPixels) {
    open(tenSecondLines(60));
    f().charts().CrossMouseCB->setChecked(true);
    test::drainEvents();
    std::vector<QImage> before;
    for (ChannelChart* c : f().charts().Chart) before.push_back(picture(c));
    const int column = f().charts().Chart[0]->plotRect().center().x();
    mouseOver(3, column);
    for (int k = 0; k < 5; ++k) {
        const QImage with = picture(f().charts().Chart[k]);
        const QRect plot = f().charts().Chart[k]->plotRect();
        // XOR with the colour that makes the background cyan.
        const QRgb background = f().charts().Chart[k]->palette().color(QPalette::Window).rgb();
        EXPECT_EQ(with.pixel(column, plot.top()), before[k].pixel(column, plot.top()) ^ ((background ^ kCyan) & 0xFFFFFF))
            << k;
        EXPECT_EQ(with.pixel(column, plot.top() + 1), before[k].pixel(column, plot.top() + 1)) << k;
        EXPECT_EQ(with.pixel(column + 1, plot.top()), before[k].pixel(column + 1, plot.top())) << k;
    }
    // Moving on erases the old line and draws the new one.
    mouseOver(3, column + 40);
    EXPECT_EQ(picture(f().charts().Chart[1]).pixel(column, f().charts().Chart[1]->plotRect().top()),
              before[1].pixel(column, f().charts().Chart[1]->plotRect().top()));
    // "Mouse" unchecked: every line erased, every chart as it was.
    f().charts().CrossMouseCB->setChecked(false);
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(f().charts().cursorLinePosition(k), -1);
        EXPECT_EQ(picture(f().charts().Chart[k]), before[k]) << k;
    }
}

TEST_F(MainFormChartsTest, AReplotWhileTheLinesAreDrawnLeavesNoStrayLine) {
    open(tenSecondLines(60));
    f().charts().CrossMouseCB->setChecked(true);
    test::drainEvents();
    const int column = f().charts().Chart[0]->plotRect().center().x();
    QCursor::setPos(f().charts().Chart[0]->mapToGlobal(QPoint(column, f().charts().Chart[0]->plotRect().center().y())));
    test::drainEvents();
    // The axes change and every chart replots, the lines on them.
    f().charts().ZoomlerBar(0)->SetWindow(20005, 20020);
    f().charts().Zoomler0Changed(0);
    f().charts().SpeedButton10Click();
    test::drainEvents();
    for (int k = 0; k < 5; ++k) EXPECT_EQ(f().charts().cursorLinePosition(k), column);
    QCursor::setPos(f().StatusBar1->mapToGlobal(QPoint(5, 5)));
    f().charts().SpeedButton9Click();  // "Range": lines erased, panels laid out again
    test::drainEvents();
    std::vector<QImage> erased;
    for (ChannelChart* c : f().charts().Chart) erased.push_back(picture(c));
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(f().charts().cursorLinePosition(k), -1);
        f().charts().Chart[k]->replotNow();
        EXPECT_EQ(picture(f().charts().Chart[k]), erased[k]) << k;  // nothing left behind
    }
}

TEST_F(MainFormChartsTest, WithNoVisiblePointTheReadOutStaysAndNoLineIsDrawn) {
    open(tenSecondLines(10));
    f().charts().CrossMouseCB->setChecked(true);
    mouseOver(0, f().charts().Chart[0]->plotRect().center().x());
    const QString shown = readout();
    ASSERT_FALSE(shown.isEmpty());
    // The time window after the data.
    f().charts().XZoomlerBar()->SetRange(at(22, 10, 0, 0), at(22, 12, 0, 0), at(22, 11, 0, 0), at(22, 12, 0, 0));
    f().charts().XZoomlerChanged();
    test::drainEvents();
    mouseOver(0, f().charts().Chart[0]->plotRect().center().x() + 3);
    EXPECT_EQ(readout(), shown);
    for (int k = 0; k < 5; ++k) EXPECT_EQ(f().charts().cursorLinePosition(k), -1);
    // Clearing the charts clears the read-out with them; an empty chart shows nothing.
    f().charts().ClearCharts();
    EXPECT_EQ(readout(), QString());
    test::drainEvents();
    mouseOver(0, f().charts().Chart[0]->plotRect().center().x());
    EXPECT_EQ(readout(), QString());
}

TEST_F(MainFormChartsTest, AfterAScrollTheLinesAndReadOutFollowTheMouseOrGoWithIt) {
    open(tenSecondLines(60));
    f().charts().CrossMouseCB->setChecked(true);
    f().charts().XZoomlerBar()->SetWindow(at(22, 10, 0, 0), at(22, 10, 3, 0));
    f().charts().XZoomlerChanged();
    test::drainEvents();
    ChannelChart* c = f().charts().Chart[1];
    const QPoint point = c->plotRect().center();
    QCursor::setPos(c->mapToGlobal(point));
    test::drainEvents();
    const QString before = readout();
    ASSERT_EQ(f().charts().cursorLinePosition(1), point.x());
    f().charts().ScrollByKey(Qt::Key_Right);  // a minute later under the same pixel
    EXPECT_NE(readout(), before);
    EXPECT_EQ(readout().left(25), QString::fromStdString("Time: " + formatCursorTime(c->timeAtPixel(point.x()))));
    EXPECT_EQ(f().charts().cursorLinePosition(1), point.x());
    EXPECT_EQ(f().charts().cursorLinePosition(3), point.x());

    QCursor::setPos(f().StatusBar1->mapToGlobal(QPoint(5, 5)));  // off the charts
    test::drainEvents();
    f().charts().ScrollByKey(Qt::Key_Left);
    for (int k = 0; k < 5; ++k) EXPECT_EQ(f().charts().cursorLinePosition(k), -1) << k;
}

TEST_F(MainFormChartsTest, AHiddenChartReplotsOnlyWhenShownAgain) {
    open(tenSecondLines(60));
    f().charts().CheckBox[2]->setChecked(false);
    test::drainEvents();
    const long hidden = f().charts().Chart[2]->replotCount();
    const long shown = f().charts().Chart[1]->replotCount();
    f().charts().XZoomlerBar()->SetWindow(at(22, 10, 2, 0), at(22, 10, 3, 0));
    f().charts().XZoomlerChanged();
    test::drainEvents();
    EXPECT_EQ(f().charts().Chart[1]->replotCount(), shown + 1);
    EXPECT_EQ(f().charts().Chart[2]->replotCount(), hidden);
    EXPECT_EQ(f().charts().Chart[2]->timeAxis(), f().charts().Chart[1]->timeAxis());  // its axis is set all the same
    f().charts().CheckBox[2]->setChecked(true);
    test::drainEvents();
    EXPECT_GT(f().charts().Chart[2]->replotCount(), hidden);
    EXPECT_EQ(picture(f().charts().Chart[2]).size(), f().charts().Chart[2]->size());
    EXPECT_DOUBLE_EQ(f().charts().Chart[2]->xAxis->range().lower, at(22, 10, 2, 0));
}

// ---- several files as one record ----

namespace {

std::vector<Line> secondLines(int day, int hour, int minute, int count, double base) {
    std::vector<Line> lines;
    for (int i = 0; i < count; ++i) {
        const int s = (hour * 60 + minute) * 60 + i;
        lines.push_back({day, s / 3600, s / 60 % 60, s % 60, 0, base + i, -1500.5, 44000.0, 25.3, 30.1});
    }
    return lines;
}

}  // namespace

TEST_F(MainFormChartsTest, SeveralFilesMergeInTimeOrderWhateverOrderTheyComeIn) {
    // b interleaves with a by half seconds and repeats a's last sample exactly.
    const QString a = startDir_.filePath(QStringLiteral("a.pc"));
    const QString b = startDir_.filePath(QStringLiteral("b.fl"));
    const QString c = startDir_.filePath(QStringLiteral("c.pc"));
    test::writeFile(a, dataFile({{22, 10, 0, 0, 0, 1, 0, 0, 0, 0}, {22, 10, 0, 1, 0, 2, 0, 0, 0, 0}}));
    test::writeFile(b, dataFile({{22, 10, 0, 0, 500, 7, 0, 0, 0, 0}, {22, 10, 0, 1, 0, 2, 0, 0, 0, 0}}));
    test::writeFile(c, dataFile({{21, 23, 59, 59, 0, 9, 0, 0, 0, 0}}));
    const std::string title = "Kordel File viewer: c.pc \xE2\x80\xA6 b.fl (3 files)";
    const struct {
        QStringList paths;
        std::string title;
    } cases[] = {
        {{a, b, c}, title},
        {{b, c, a}, title},
        {{startDir_.path()}, title},
    };
    for (const auto& row : cases) {
        ASSERT_TRUE(f().LoadDataFiles(row.paths));
        test::drainEvents();
        const ChannelChart* chart = f().charts().Chart[0];
        ASSERT_EQ(chart->pointCount(), 4u) << row.paths.join(' ').toStdString();
        const double x[] = {at(21, 23, 59, 59), at(22, 10, 0, 0), at(22, 10, 0, 0, 500), at(22, 10, 0, 1)};
        const double y[] = {9, 1, 7, 2};
        for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_NEAR(chart->xAt(i), x[i], 1e-9) << i;
            EXPECT_EQ(chart->yAt(i), y[i]) << i;
        }
        EXPECT_EQ(f().windowTitle().toStdString(), row.title);
        EXPECT_EQ(f().recentData().items().front(), row.paths.front().toStdString());
    }
}

TEST_F(MainFormChartsTest, OneFileOfAFolderKeepsTheOneFileTitle) {
    QDir(startDir_.path()).mkdir(QStringLiteral("one"));
    const QString file = startDir_.filePath(QStringLiteral("one/day.pc"));
    test::writeFile(file, dataFile(tenSecondLines(3)));
    dialogs_.folderAnswers.push_back(startDir_.filePath(QStringLiteral("one")));
    f().OpenFolder1Click();
    EXPECT_EQ(f().windowTitle(), QStringLiteral("Kordel File viewer: ") + file);
    EXPECT_EQ(f().recentData().items().front(), startDir_.filePath(QStringLiteral("one")).toStdString());
    EXPECT_EQ(f().charts().Chart[2]->pointCount(), 3u);
}

TEST_F(MainFormChartsTest, TheReadOutInAGapShowsTheTimeAloneAndBesideItTheSample) {
    // 10:00:00–10:00:59 and 10:10:00–10:10:59 at 1 Hz: a gap of nine minutes.
    std::vector<Line> lines = secondLines(22, 10, 0, 60, 100);
    const std::vector<Line> later = secondLines(22, 10, 10, 60, 500);
    lines.insert(lines.end(), later.begin(), later.end());
    open(lines);
    f().charts().CrossMouseCB->setChecked(true);
    // The window shown, the cursor's time range, the read-out.
    const struct {
        double start, finish, from, to;
        std::string text;
    } cases[] = {
        {at(22, 9, 59, 0), at(22, 10, 12, 0), at(22, 10, 5, 0), at(22, 10, 5, 1), "Time: 2007-05-22 10:05:00"},
        {at(22, 10, 0, 50), at(22, 10, 1, 10), at(22, 10, 0, 59, 100), at(22, 10, 0, 59, 500), "Time: 2007-05-22 10:00:59"},
        {at(22, 10, 0, 50), at(22, 10, 1, 10), at(22, 10, 0, 58, 600), at(22, 10, 0, 58, 900),
         "Time: 2007-05-22 10:00:58      X: 159.00 nT      Y: -1500.50 nT    Z: 44000.00 nT    Ts: 25.3 \u00B0C        Te: 30.1 \u00B0C      "
         "F: 44025.86 nT"},
        {at(22, 10, 9, 50), at(22, 10, 10, 10), at(22, 10, 9, 59, 100), at(22, 10, 9, 59, 900), "Time: 2007-05-22 10:09:59"},
        {at(22, 10, 9, 50), at(22, 10, 10, 10), at(22, 10, 10, 0, 100), at(22, 10, 10, 0, 400),
         "Time: 2007-05-22 10:10:00      X: 500.00 nT      Y: -1500.50 nT    Z: 44000.00 nT    Ts: 25.3 \u00B0C        Te: 30.1 \u00B0C      "
         "F: 44028.42 nT"},
    };
    for (const auto& row : cases) {
        f().charts().XZoomlerBar()->SetWindow(row.start, row.finish);
        f().charts().XZoomlerChanged();
        test::drainEvents();
        const int x = columnWithin(0, row.from, row.to);
        ASSERT_GT(x, 0) << row.text;
        mouseOver(0, x);
        EXPECT_EQ(readout().toStdString(), row.text);
        EXPECT_EQ(f().charts().cursorLinePosition(0), x);
    }
    // The line breaks in the gap: a NaN between the last sample before it and the first after.
    f().charts().ShowAll();
    f().charts().replotCharts(true);
    const auto data = f().charts().Chart[0]->series()->data();
    bool broken = false;
    for (auto it = data->constBegin(); it != data->constEnd(); ++it) {
        broken = broken || (std::isnan(it->value) && it->key > at(22, 10, 0, 59) && it->key < at(22, 10, 10, 0));
    }
    EXPECT_TRUE(broken);
}

TEST_F(MainFormChartsTest, TheDrawnLineOfALongRecordKeepsEverySpike) {
    // 20 000 samples at 1 Hz, far more than pixel columns, with one-sample spikes.
    std::vector<Line> lines = secondLines(22, 4, 0, 20000, 0);
    for (auto& l : lines) l.bx = 100;
    const int spikes[][2] = {{1234, 900}, {7777, -800}, {19998, 600}};
    for (const auto& s : spikes) lines[static_cast<std::size_t>(s[0])].bx = s[1];
    open(lines);
    f().charts().replotCharts(true);
    const auto data = f().charts().Chart[0]->series()->data();
    EXPECT_LE(data->size(), 4 * f().charts().Chart[0]->width() + 8);
    // Each spike is drawn in the pixel column of its time.
    const ChannelChart* chart = f().charts().Chart[0];
    for (const auto& s : spikes) {
        const int column = chart->pixelOfTime(chart->xAt(static_cast<std::size_t>(s[0])));
        bool found = false;
        for (auto it = data->constBegin(); it != data->constEnd(); ++it) {
            found = found || (it->value == s[1] && std::abs(chart->pixelOfTime(it->key) - column) <= 1);
        }
        EXPECT_TRUE(found) << s[0];
    }
    EXPECT_EQ(f().charts().Chart[0]->minY(), -800);
    EXPECT_EQ(f().charts().Chart[0]->maxY(), 900);
}

TEST_F(MainFormChartsTest, UnbrokenOneSecondDataIsDrawnWithoutHolesAtAnyZoom) {
    std::vector<Line> lines = secondLines(22, 0, 0, 6 * 3600, 0);
    for (std::size_t i = 0; i < lines.size(); ++i) lines[i].bx = 100 + 50 * std::sin(static_cast<double>(i) / 300.0);
    open(lines);
    // Room for the line above the dated first label: the troughs stay off the axis.
    f().charts().PanelArea->setFixedHeight(600);
    test::drainEvents();
    ChannelChart* c = f().charts().Chart[0];
    const double spans[] = {1.0 / 24 / 60 * 10, 1.0 / 24 / 6, 1.0 / 24, 1.0 / 24 * 3, 1.0 / 24 * 5};
    for (const double span : spans) {
        c->setTimeAxis(at(22, 1, 0, 0), at(22, 1, 0, 0) + span);
        c->replotNow(true);
        const QImage image = picture(c);
        const QRect r = c->plotRect();
        int empty = 0;
        for (int x = r.left() + 2; x < r.right() - 2; ++x) {
            bool red = false;
            for (int y = r.top(); y <= r.bottom() && !red; ++y) red = qRed(image.pixel(x, y)) > 200 && qGreen(image.pixel(x, y)) < 80;
            empty += red ? 0 : 1;
        }
        EXPECT_EQ(empty, 0) << span * 24 * 60 << " minutes";
    }
}

TEST_F(MainFormChartsTest, DroppedFilesOpenAndErrorLinesNameTheirFile) {
    const QString a = startDir_.filePath(QStringLiteral("a.pc"));
    const QString b = startDir_.filePath(QStringLiteral("b.pc"));
    test::writeFile(a, dataFile({{22, 10, 0, 0, 0, 1, 0, 0, 0, 0}}) + "bad a\r\n");
    test::writeFile(b, dataFile({{22, 11, 0, 0, 0, 2, 0, 0, 0, 0}}) + "bad b\r\n");
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(b), QUrl::fromLocalFile(a)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form_.get(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form_.get(), &drop);
    EXPECT_EQ(dialogs_.questions, (QStringList{QStringLiteral("Error in line 5 of a.pc\r\nbad a\r\nContinue ?"),
                                               QStringLiteral("Error in line 5 of b.pc\r\nbad b\r\nContinue ?")}));
    EXPECT_EQ(f().charts().Chart[0]->pointCount(), 2u);
    EXPECT_EQ(f().windowTitle(), QStringLiteral("Kordel File viewer: a.pc \u2026 b.pc (2 files)"));
    EXPECT_EQ(logLines().last(), QStringLiteral("Open file: ") + b);
}

// ---- the total field F ----

TEST_F(MainFormChartsTest, FIsTheSixthChannelFromLiveSamplesAndFromFiles) {
    // Live: F of each device line, the 600-sample window like the others.
    f().SpeedButton8Click();
    port_->receive(QByteArray::fromStdString(deviceLine(10, 0, 0) + deviceLine(10, 0, 1)));
    EXPECT_EQ(f().charts().Chart[5]->pointCount(), 2u);
    EXPECT_DOUBLE_EQ(f().charts().Chart[5]->yAt(1), 48355.92);
    f().SpeedButton7Click();
    test::drainEvents();
    // A file: F of every line, with Bx's two decimals.
    open(tenSecondLines(3));
    ASSERT_EQ(f().charts().Chart[5]->pointCount(), 3u);
    EXPECT_DOUBLE_EQ(f().charts().Chart[5]->yAt(0), 48355.57);
    EXPECT_EQ(f().charts().Chart[5]->yAxis->label(), QStringLiteral("F, nT"));
}

TEST_F(MainFormChartsTest, TheFPanelIsHiddenUntilItsBoxIsChecked) {
    EXPECT_EQ(f().charts().CheckBox[5]->objectName(), QStringLiteral("CheckBox5"));
    EXPECT_EQ(f().charts().CheckBox[5]->text(), QStringLiteral("&F"));
    const struct {
        bool fChecked;
        std::vector<int> visible;
    } cases[] = {{false, {0, 1, 2, 3, 4}}, {true, {0, 1, 2, 3, 4, 5}}, {false, {0, 1, 2, 3, 4}}};
    for (const auto& row : cases) {
        f().charts().CheckBox[5]->setChecked(row.fChecked);
        test::drainEvents();
        EXPECT_EQ(f().charts().channelLayout().visible(), row.visible);
        EXPECT_EQ(f().charts().Panel[5]->isVisible(), row.fChecked);
        // The shown panels share the height; the last one takes the rest.
        const int first = f().charts().channelLayout().panel(0).height;
        for (int k : row.visible) {
            if (k != row.visible.back()) {
                EXPECT_EQ(f().charts().channelLayout().panel(k).height, first) << k;
            }
        }
    }
}

// ---- mouse zoom ----

TEST_F(MainFormChartsTest, TheWheelZoomsTimeAboutTheMouseAndValuesOverTheAxis) {
    open(tenSecondLines(61));  // 10:00 to 10:10
    ChannelChart* c = f().charts().Chart[1];
    const QRect r = c->plotRect();
    const auto wheel = [&](QPoint at, int delta) {
        QWheelEvent ev(QPointF(at), QPointF(c->mapToGlobal(at)), QPoint(), QPoint(0, delta), Qt::NoButton,
                       Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(c, &ev);
    };
    // Over the plot: the time window of every chart, about the time under the mouse.
    const QPoint mid(r.left() + r.width() / 4, r.center().y());
    const double t = c->timeAtPixel(mid.x());
    const AxisRange before = c->timeAxis();
    wheel(mid, 120);
    const double start = t - (t - before.min) * 0.8, finish = t + (before.max - t) * 0.8;
    for (int k = 0; k < 5; ++k) {
        EXPECT_NEAR(f().charts().Chart[k]->timeAxis().min, start, 1e-9) << k;
        EXPECT_NEAR(f().charts().Chart[k]->timeAxis().max, finish, 1e-9) << k;
    }
    EXPECT_NEAR(f().charts().XZoomlerBar()->Start(), start, 1e-9);
    EXPECT_NEAR(f().charts().XZoomlerBar()->Finish(), finish, 1e-9);
    wheel(mid, -120);  // back out, never beyond the record
    EXPECT_NEAR(f().charts().XZoomlerBar()->Start(), before.min, 1e-6);
    // Over the value axis: that chart's value window only, the bar mirrored.
    const AxisRange values = c->valueAxis();
    const AxisRange other = f().charts().Chart[2]->valueAxis();
    const QPoint axis(r.left() - 10, r.center().y());
    const double v = c->yAxis->pixelToCoord(axis.y());
    wheel(axis, 240);
    EXPECT_NEAR(c->valueAxis().min, v - (v - values.min) * 0.64, 1e-6);
    EXPECT_NEAR(c->valueAxis().max, v + (values.max - v) * 0.64, 1e-6);
    EXPECT_EQ(f().charts().Chart[2]->valueAxis().min, other.min);
    const TZoomler* bar = f().charts().ZoomlerBar(1);
    EXPECT_NEAR(bar->Min() + bar->Max() - bar->Finish(), c->valueAxis().min, 1e-6);
}

TEST_F(MainFormChartsTest, ABoxZoomsTimeAndThatChartsValuesAndAClickStillSelects) {
    open(tenSecondLines(61));
    ChannelChart* c = f().charts().Chart[0];
    const QRect r = c->plotRect();
    const QPoint from(r.left() + 100, r.top() + r.height() * 3 / 10), to(r.left() + 300, r.top() + r.height() * 6 / 10);
    const double t0 = c->timeAtPixel(from.x()), t1 = c->timeAtPixel(to.x());
    const double high = c->yAxis->pixelToCoord(from.y()), low = c->yAxis->pixelToCoord(to.y());
    QTest::mousePress(c, Qt::LeftButton, Qt::NoModifier, from);
    sendMouse(c, QEvent::MouseMove, QPoint(from.x() + 50, from.y() + 10), Qt::NoButton, Qt::LeftButton);
    sendMouse(c, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    QTest::mouseRelease(c, Qt::LeftButton, Qt::NoModifier, to);
    EXPECT_NEAR(f().charts().XZoomlerBar()->Start(), t0, 1e-9);
    EXPECT_NEAR(f().charts().XZoomlerBar()->Finish(), t1, 1e-9);
    EXPECT_NEAR(f().charts().Chart[3]->timeAxis().min, t0, 1e-9);
    EXPECT_NEAR(c->valueAxis().min, low, 1e-6);
    EXPECT_NEAR(c->valueAxis().max, high, 1e-6);
    // A click without moving selects, and zooms nothing.
    QTest::mouseClick(f().charts().Chart[2], Qt::LeftButton, Qt::NoModifier, f().charts().Chart[2]->plotRect().center());
    EXPECT_EQ(f().charts().selectedChart(), 2);
    EXPECT_NEAR(f().charts().XZoomlerBar()->Start(), t0, 1e-9);
    // A double click shows everything, as "Zoom" does.
    QTest::mouseDClick(c, Qt::LeftButton, Qt::NoModifier, r.center());
    EXPECT_EQ(f().charts().XZoomlerBar()->Start(), f().charts().XZoomlerBar()->Min());
    EXPECT_EQ(f().charts().XZoomlerBar()->Finish(), f().charts().XZoomlerBar()->Max());
    EXPECT_EQ(f().charts().ZoomlerBar(0)->Start(), f().charts().ZoomlerBar(0)->Min());
}

TEST_F(MainFormChartsTest, WithAutoYABoxZoomsTimeOnlyAndTheValuesFitWhatIsShown) {
    open(tenSecondLines(61));  // Bx 20000.25 + i, one every 10 s from 10:00
    f().charts().AutoYCB->setChecked(true);
    ChannelChart* c = f().charts().Chart[0];
    const QRect r = c->plotRect();
    // Samples 10 to 20 lie under the box, which spans only part of their values.
    const QRect box(QPoint(c->pixelOfTime(at(22, 10, 1, 35)), r.top() + r.height() / 2),
                    QPoint(c->pixelOfTime(at(22, 10, 3, 25)), r.top() + r.height() * 6 / 10));
    f().charts().ChartBox(0, box);
    EXPECT_NEAR(c->valueAxis().min, 20010.25, 1e-6);
    EXPECT_NEAR(c->valueAxis().max, 20020.25, 1e-6);
}

TEST_F(MainFormChartsTest, AutoYFitsEachValueWindowToTheSamplesShown) {
    std::vector<Line> lines = tenSecondLines(61);  // Bx 20000.25 + i, one every 10 s from 10:00
    lines[30].bx = 25000;                          // a spike at 10:05:00
    open(lines);
    f().charts().AutoYCB->setChecked(true);
    const struct {
        double start, finish, low, high;
    } cases[] = {
        {at(22, 10, 0, 0), at(22, 10, 2, 0), 20000.25, 20012.25},
        {at(22, 10, 4, 0), at(22, 10, 6, 0), 20024.25, 25000},
        {at(22, 10, 8, 0), at(22, 10, 9, 0), 20048.25, 20054.25},
    };
    for (const auto& row : cases) {
        f().charts().XZoomlerBar()->SetWindow(row.start, row.finish);
        f().charts().XZoomlerChanged();
        EXPECT_DOUBLE_EQ(f().charts().Chart[0]->valueAxis().min, row.low);
        EXPECT_DOUBLE_EQ(f().charts().Chart[0]->valueAxis().max, row.high);
        EXPECT_DOUBLE_EQ(f().charts().Chart[2]->valueAxis().min, 44000 + 10 * std::round((row.low - 20000.25)));
    }
    // Unchecked, a time change leaves the value windows alone.
    f().charts().AutoYCB->setChecked(false);
    f().charts().XZoomlerBar()->SetWindow(at(22, 10, 0, 0), at(22, 10, 2, 0));
    f().charts().XZoomlerChanged();
    EXPECT_DOUBLE_EQ(f().charts().Chart[0]->valueAxis().max, 20054.25);
}

// ---- statistics ----

TEST_F(MainFormChartsTest, TheStatisticsOfEachShownChannelFollowTheTimeWindow) {
    open(tenSecondLines(61));  // Bx 20000.25 + i, By -1500.5 - i, Ts 25.3 …
    f().charts().CheckBox[2]->setChecked(false);
    f().charts().Statistics1Click();
    ASSERT_NE(f().charts().Statistics, nullptr);
    EXPECT_TRUE(f().charts().Statistics->isVisible());
    // Rows: Bx, By, Ts, Te (Bz hidden, F hidden by default).
    const auto rowsFor = [&](int first, int count) {
        // A direct computation over samples first … first + count − 1 of Bx.
        double sum = 0, squares = 0;
        for (int i = first; i < first + count; ++i) sum += 20000.25 + i;
        const double mean = sum / count;
        for (int i = first; i < first + count; ++i) squares += (20000.25 + i - mean) * (20000.25 + i - mean);
        return QStringList{QString::number(count), QString::number(mean, 'f', 3),
                           QString::number(20000.25 + first, 'f', 2), QString::number(20000.25 + first + count - 1, 'f', 2),
                           QString::number(std::sqrt(squares / (count - 1)), 'f', 3)};
    };
    const struct {
        double start, finish;
        int first, count;
    } cases[] = {
        {at(22, 10, 0, 0), at(22, 10, 10, 0), 0, 61},
        {at(22, 10, 1, 0), at(22, 10, 2, 0), 6, 7},
        {at(22, 10, 1, 5), at(22, 10, 1, 25), 7, 2},
    };
    for (const auto& row : cases) {
        f().charts().XZoomlerBar()->SetWindow(row.start, row.finish);
        f().charts().XZoomlerChanged();
        ASSERT_EQ(f().charts().Statistics->rowCount(), 4);
        QStringList bx;
        for (int c = 0; c < 5; ++c) bx << f().charts().Statistics->cell(0, c);
        EXPECT_EQ(bx, rowsFor(row.first, row.count));
        EXPECT_EQ(f().charts().Statistics->cell(2, 2), QStringLiteral("25.3"));  // Ts, one decimal
        EXPECT_EQ(f().charts().Statistics->cell(2, 4), QStringLiteral("0.00"));
    }
}

TEST_F(MainFormChartsTest, TheStatisticsNameTheirWindowCoverageRangeExtremesTimesAndGaps) {
    // Lines every ten seconds from 10:00:00; 10:02:00 to 10:03:50 missing (a
    // gap of twelve lines), and Bx's highest value at 10:05:00.
    std::vector<Line> lines = tenSecondLines(61);
    lines.erase(lines.begin() + 12, lines.begin() + 24);
    for (Line& l : lines) {
        if (l.minute == 5 && l.second == 0) l.bx = 20100.5;
    }
    open(lines);
    f().charts().Statistics1Click();
    const struct {
        double start, finish;
        const char* range;
        QStringList bx;  // Range, Time of minimum, Time of maximum, Coverage, Gaps
    } rows[] = {
        {at(22, 10, 0, 0), at(22, 10, 10, 0), "2007-05-22 10:00:00 to 2007-05-22 10:10:00, instrument clock, cleaned level",
         {"100.25", "2007-05-22 10:00:00", "2007-05-22 10:05:00", "80.3 % (49 of 61)", "1"}},
        {at(22, 10, 4, 0), at(22, 10, 6, 0), "2007-05-22 10:04:00 to 2007-05-22 10:06:00, instrument clock, cleaned level",
         {"76.25", "2007-05-22 10:04:00", "2007-05-22 10:05:00", "100.0 % (13 of 13)", "0"}},
    };
    for (const auto& row : rows) {
        f().charts().XZoomlerBar()->SetWindow(row.start, row.finish);
        f().charts().XZoomlerChanged();
        EXPECT_EQ(f().charts().Statistics->range().toStdString(), row.range);
        QStringList bx;
        for (int c = 5; c < TStatistics::kColumns; ++c) bx << f().charts().Statistics->cell(0, c);
        EXPECT_EQ(bx, row.bx) << row.range;
    }
}

// ---- the picture is the screen ----

TEST_F(MainFormChartsTest, TheExportedPictureIsTheScreenPixelForPixel) {
    // Ten minutes of lines and a spike before them, outside the window shown.
    std::vector<Line> lines = tenSecondLines(60);
    lines.insert(lines.begin(), Line{22, 9, 50, 0, 0, 29999.0, -1500.5, 44000.0, 25.3, 30.1});
    open(lines);
    f().charts().CheckBox[ChartView::kTotalField]->setChecked(true);
    f().charts().AutoYCB->setChecked(true);
    TZoomler* time = f().charts().XZoomlerBar();
    time->SetWindow(at(22, 10, 2, 0), at(22, 10, 7, 0));
    f().charts().XZoomlerChanged();
    // By's values zoomed by hand after the fit: the picture keeps that too.
    TZoomler* by = f().charts().ZoomlerBar(1);
    by->SetWindow(by->Start() + (by->Finish() - by->Start()) / 4, by->Finish());
    f().charts().Zoomler0Changed(1);
    test::drainEvents();
    f().charts().replotCharts(true);
    const ChartViewState state = f().charts().state();
    // Auto Y fitted Bx to the window: the spike is not in it.
    EXPECT_LT(state.values[0].max, 20100.0);
    EXPECT_GT(state.values[0].max, 20000.25 + 41);

    ExportSettings settings;
    settings.station.code = "ABC";
    const PictureRequest request = pictureOfView(f().charts().shownRecord(), state, true, settings);
    ASSERT_EQ(request.charts.size(), 6u);  // F too, as shown
    const QImage image = chartPictureImage(request);
    int top = pictureTitleHeight();
    for (int k = 0; k < ChartView::kChannels; ++k) {
        const ChannelChart* chart = f().charts().Chart[k];
        const QImage screen = picture(const_cast<ChannelChart*>(chart));
        ASSERT_EQ(screen.size(), QSize(state.chartWidth, state.heights[k])) << k;
        const QImage drawn = image.copy(0, top, screen.width(), screen.height()).convertToFormat(QImage::Format_RGB32);
        // The plotting area (line, gaps, grid, axes) pixel for pixel; the
        // labels' text as near as the fonts allow (the font's fallback may
        // place a glyph a pixel apart).
        const QRect plot = chart->axisRect()->rect();
        long inPlot = 0, text = 0;
        for (int y = 0; y < screen.height(); ++y) {
            for (int x = 0; x < screen.width(); ++x) {
                if (screen.pixel(x, y) == drawn.pixel(x, y)) continue;
                ++(plot.contains(x, y) ? inPlot : text);
            }
        }
        EXPECT_EQ(inPlot, 0) << "chart " << k;
        EXPECT_LT(text, screen.width() * screen.height() / 20) << "chart " << k;
        top += screen.height();
    }
    EXPECT_EQ(image.size(), QSize(state.chartWidth, top));
    // A size asked for is the picture's size; the charts share it in the screen's proportions.
    PictureRequest bigger = request;
    bigger.size = QSize(1600, 1000);
    EXPECT_EQ(chartPictureImage(bigger).size(), QSize(1600, 1000));
}

TEST_F(MainFormChartsTest, AnExportRangeFitsEachValueWindowToWhatItShows) {
    std::vector<Line> lines = tenSecondLines(60);
    lines.insert(lines.begin(), Line{22, 9, 50, 0, 0, 29999.0, -1500.5, 44000.0, 25.3, 30.1});
    open(lines);
    Record record = *f().charts().shownRecord();
    ExportSettings settings;
    settings.station.code = "ABC";
    const auto ms = [](double day) { return static_cast<std::int64_t>(std::llround(day * Record::kMsPerDay)); };
    struct Row {
        std::optional<std::int64_t> from, to;
        double lowest, highest;  // of Bx between them
    };
    const Row rows[] = {
        {ms(at(22, 10, 2, 0)), ms(at(22, 10, 7, 0)), 20000.25 + 12, 20000.25 + 42},
        {std::nullopt, std::nullopt, 20000.25, 29999.0},  // the whole record: the spike too
    };
    for (const Row& r : rows) {
        settings.fromMs = r.from;
        settings.toMs = r.to;
        const PictureRequest request = pictureOf(record, "", settings, QSize(800, 600));
        ASSERT_EQ(request.charts.size(), 5u);
        ASSERT_TRUE(request.charts[0].values.has_value());
        const BarValues expected = fitValueBar(r.lowest, r.highest);
        EXPECT_DOUBLE_EQ(request.charts[0].values->min, expected.start);
        EXPECT_DOUBLE_EQ(request.charts[0].values->max, expected.finish);
        EXPECT_EQ(request.timeReference, QStringLiteral("UT"));
    }
}

// ---- zooming a long record with the wheel ----

TEST_F(MainFormChartsTest, AWeekComesDownToAnHourInEightQuickNotchesOrFourWithCtrl) {
    std::vector<Line> lines;
    for (int d = 22; d <= 28; ++d) {
        for (int h = 0; h < 24; ++h) lines.push_back({d, h, 0, 0, 0, 20000.0 + h, -1500.0, 44000.0, 25.3, 30.1});
    }
    open(lines);
    struct Row {
        const char* what;
        Qt::KeyboardModifiers modifiers;
        int apartMs;  // between notches
        int notches;
        bool withinAnHour;
    };
    const Row rows[] = {
        {"slow notches zoom 80 % each", Qt::NoModifier, 1000, 8, false},
        {"quick notches zoom further", Qt::NoModifier, 20, 8, true},
        {"Ctrl: 4x a notch", Qt::ControlModifier, 1000, 4, true},
        {"Ctrl, three notches", Qt::ControlModifier, 1000, 3, false},
    };
    ulong clock = 100000;
    for (const Row& r : rows) {
        f().charts().ShowAll();
        const double week = f().charts().Chart[0]->timeAxis().size();
        ASSERT_GT(week, 6.9) << r.what;
        ChannelChart* chart = f().charts().Chart[0];
        const QPointF at = chart->plotRect().center();
        clock += 5000;
        for (int n = 0; n < r.notches; ++n) {
            QWheelEvent wheel(at, chart->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, r.modifiers,
                              Qt::NoScrollPhase, false);
            wheel.setTimestamp(clock += static_cast<ulong>(r.apartMs));
            QCoreApplication::sendEvent(chart, &wheel);
        }
        const double shown = f().charts().Chart[0]->timeAxis().size();
        EXPECT_EQ(shown <= 1.0 / 24 + 1e-9, r.withinAnHour) << r.what << ": " << shown * 24 << " h";
    }
    // Slow notches keep their 80 %.
    f().charts().ShowAll();
    const double week = f().charts().Chart[0]->timeAxis().size();
    f().charts().ChartWheel(0, f().charts().Chart[0]->plotRect().center().x(), 20, 120, Qt::NoModifier, 1);
    f().charts().ChartWheel(0, f().charts().Chart[0]->plotRect().center().x(), 20, 120, Qt::NoModifier, 5000);
    EXPECT_NEAR(f().charts().Chart[0]->timeAxis().size(), week * 0.64, week * 1e-9);
}
