// One channel chart: its look (axes, label formats and steps, the fixed left
// axis area, the 2 %..98 % value axis), its series (ascending X, drop first,
// automatic and fixed axes), the graph's sampler against QCPGraph's, coalesced
// replots, and pixel checks of the cursor line and the selection frame.

#include "charts/channelchart.h"

#include <QMouseEvent>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>

#include "app/fixedformats.h"
#include "charts/flagbands.h"

namespace {

using kordel::AxisRange;

constexpr QRgb kCyan = 0x0000FFFF;

double at(int hour, int minute, int second, int ms = 0) {
    return kordel::toDateTimeNumber({2007, 5, 22, hour, minute, second, ms});
}

QImage picture(ChannelChart& c) { return c.grab().toImage().convertToFormat(QImage::Format_RGB32); }

std::unique_ptr<ChannelChart> shownChart(int channel, QSize size = {800, 160}) {
    auto c = std::make_unique<ChannelChart>(channel);
    c->resize(size);
    c->show();
    QCoreApplication::processEvents();
    c->replotNow();
    return c;
}

void fillMinutes(ChannelChart& c, int count, double base = 20000, double amplitude = 300) {
    for (int i = 0; i < count; ++i) {
        c.appendPoint(at(10, 0, 0) + i * kordel::kOneSecond, base + amplitude * std::sin(i / 20.0));
    }
    c.replotNow();
}

// The pixels of the dotted cursor line at `column` over the plotting rectangle.
bool onCursorLine(const QRect& plot, int column, int x, int y) {
    return x == column && y >= plot.top() && y <= plot.bottom() && (y - plot.top()) % 2 == 0;
}

// `with` equals `without` except on the cursor line, where it is XORed with cyan.
// The line is drawn XOR with the colour that turns the chart's background into
// cyan: cyan where the background shows, and drawing it twice restores all.
void expectCursorLine(const QImage& with, const QImage& without, const QRect& plot, int column,
                      QRgb background) {
    ASSERT_EQ(with.size(), without.size());
    const QRgb xorColour = (background ^ kCyan) & 0x00FFFFFF;
    int cyanOnBackground = 0;
    for (int y = plot.top(); y <= plot.bottom(); y += 2) {
        if (without.pixel(column, y) == (background | 0xFF000000)) {
            EXPECT_EQ(with.pixel(column, y), kCyan | 0xFF000000) << y;
            ++cyanOnBackground;
        }
    }
    EXPECT_GT(cyanOnBackground, 0);
    int mismatches = 0;
    for (int y = 0; y < with.height(); ++y) {
        for (int x = 0; x < with.width(); ++x) {
            const QRgb under = without.pixel(x, y);
            const QRgb expected = onCursorLine(plot, column, x, y) ? (under ^ xorColour) : under;
            if (with.pixel(x, y) != expected && ++mismatches < 5) {
                ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << with.pixel(x, y) << " expected "
                              << expected;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

}  // namespace

// ---- look ----

TEST(ChannelChart, AxisTitlesFontsAndNothingElseOnTheChart) {
    const char* titles[6] = {"Bx, nT", "By, nT", "Bz, nT", "Ts, \xC2\xB0" "C", "Te, \xC2\xB0" "C", "F, nT"};
    for (int k = 0; k < 5; ++k) {
        ChannelChart c(k);
        EXPECT_EQ(c.Tag(), k);
        EXPECT_EQ(c.yAxis->label(), QString::fromUtf8(titles[k]));
        EXPECT_TRUE(c.yAxis->labelFont().bold());
        EXPECT_EQ(c.yAxis->tickLabelFont().family(), QStringLiteral("Times New Roman"));
        EXPECT_EQ(c.xAxis->tickLabelFont().family(), QStringLiteral("Times New Roman"));
        EXPECT_TRUE(c.xAxis->label().isEmpty());
        EXPECT_FALSE(c.xAxis2->visible());
        EXPECT_FALSE(c.yAxis2->visible());
        EXPECT_FALSE(c.legend->visible());
        EXPECT_EQ(c.plotLayout()->elementCount(), 1);  // no title row
        ASSERT_EQ(c.graphCount(), 1);
        QCPGraph* s = c.series();
        EXPECT_EQ(s->name(), QStringLiteral("Series%1").arg(k));
        EXPECT_EQ(s->pen().color(), QColor(255, 0, 0));
        EXPECT_EQ(s->lineStyle(), QCPGraph::lsLine);
        EXPECT_EQ(s->scatterStyle().shape(), QCPScatterStyle::ssNone);
        EXPECT_TRUE(c.timeAxisAutomatic());
        EXPECT_TRUE(c.valueAxisAutomatic());
    }
}

TEST(ChannelChart, TheLeftAxisAreaIsFixedSoATimeLiesAtTheSameXOnEveryChart) {
    std::vector<std::unique_ptr<ChannelChart>> charts;
    const double bases[5] = {-52428.8, 0.004, 44000, 25.3, 1e7};
    for (int k = 0; k < 5; ++k) {
        charts.push_back(shownChart(k));
        fillMinutes(*charts.back(), 120, bases[k], k == 1 ? 0.001 : 50);
    }
    const double probe = at(10, 1, 0);
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(charts[k]->plotRect().left(), charts[0]->plotRect().left()) << k;
        EXPECT_EQ(charts[k]->plotRect().width(), charts[0]->plotRect().width()) << k;
        EXPECT_EQ(charts[k]->pixelOfTime(probe), charts[0]->pixelOfTime(probe)) << k;
    }
    // The labels' 50 pixels and the title's band, inside a 1 % margin.
    EXPECT_GE(charts[0]->plotRect().left(), qRound(800 * 0.01) + ChannelChart::kLabelArea);
}

TEST(ChannelChart, ValueLabelsAreGroupedWithASpaceAndKeepAtMostTheirDecimals) {
    auto bx = shownChart(0, {800, 300});
    fillMinutes(*bx, 100, 20000, 3000);
    const QRegularExpression twoDecimals(QStringLiteral("^-?\\d{1,3}( \\d{3})*(\\.\\d{1,2})?$"));
    ASSERT_FALSE(bx->yAxis->tickVectorLabels().isEmpty());
    bool grouped = false;
    for (const QString& label : bx->yAxis->tickVectorLabels()) {
        EXPECT_TRUE(twoDecimals.match(label).hasMatch()) << label.toStdString();
        grouped = grouped || label.contains(QLatin1Char(' '));
    }
    EXPECT_TRUE(grouped);
    // Ts: "#,##0.#".
    auto ts = shownChart(3, {800, 300});
    ts->setValueAxis(25.13, 25.47);
    ts->replotNow();
    const QRegularExpression oneDecimal(QStringLiteral("^\\d+(\\.\\d)?$"));
    ASSERT_FALSE(ts->yAxis->tickVectorLabels().isEmpty());
    for (const QString& label : ts->yAxis->tickVectorLabels()) {
        EXPECT_TRUE(oneDecimal.match(label).hasMatch()) << label.toStdString();
    }
}

TEST(ChannelChart, LabelStepsAreAtLeastTheIncrementAndOneSecond) {
    auto bx = shownChart(0, {800, 600});
    bx->setValueAxis(0, 0.02);
    bx->setTimeAxis(at(10, 0, 0), at(10, 1, 30));
    bx->replotNow();
    const QVector<double> v = bx->yAxis->tickVector();
    ASSERT_GE(v.size(), 2);
    for (int i = 1; i < v.size(); ++i) EXPECT_GE(v[i] - v[i - 1], 0.01 - 1e-12);
    const QVector<double> t = bx->xAxis->tickVector();
    ASSERT_GE(t.size(), 2);
    for (int i = 1; i < t.size(); ++i) EXPECT_GE(t[i] - t[i - 1], kordel::kOneSecond * (1 - 1e-6));
    // The first label names the date on a line of its own.
    const QRegularExpression hms(QStringLiteral("^(2007-05-22\\n)?\\d\\d:\\d\\d:\\d\\d$"));
    for (const QString& label : bx->xAxis->tickVectorLabels()) {
        EXPECT_TRUE(hms.match(label).hasMatch()) << label.toStdString();
    }
    EXPECT_TRUE(bx->xAxis->tickVectorLabels().contains(QStringLiteral("10:00:30")));
    // A few seconds show tenths.
    bx->setTimeAxis(at(10, 0, 0), at(10, 0, 3));
    bx->replotNow();
    EXPECT_TRUE(bx->xAxis->tickVectorLabels().contains(QStringLiteral("10:00:01.0")));
    auto ts = shownChart(3, {800, 600});
    ts->setValueAxis(25, 25.2);
    ts->replotNow();
    const QVector<double> w = ts->yAxis->tickVector();
    ASSERT_GE(w.size(), 2);
    for (int i = 1; i < w.size(); ++i) EXPECT_GE(w[i] - w[i - 1], 0.1 - 1e-12);
}

TEST(ChannelChart, EveryValueLabelIsItsTicksExactValueAndTheEndsKeepTheirs) {
    // Steps of 1, 2 or 5 times a power of ten (never 2.5, whose ticks at 25.25
    // would read "25.3"), and the ticks on both ends of the data keep labels.
    struct Row {
        int channel;
        double lo, hi;
        int height;
        const char* labels;
    };
    const Row rows[] = {
        {3, 24.0, 24.2, 160, "24|24.1|24.2"},
        {3, 25.0, 26.0, 120, "25|25.2|25.4|25.6|25.8|26"},
        {0, 20000.0, 20000.1, 120, "20 000|20 000.02|20 000.04|20 000.06|20 000.08|20 000.1"},
        {0, 20000.0, 20000.1, 300,
         "20 000|20 000.01|20 000.02|20 000.03|20 000.04|20 000.05|20 000.06|20 000.07|20 000.08|20 000.09|20 000.1"},
    };
    for (const Row& r : rows) {
        auto c = shownChart(r.channel, {800, r.height});
        c->appendPoint(at(10, 0, 0), r.lo);
        c->appendPoint(at(10, 0, 1), r.hi);
        c->replotNow();
        EXPECT_EQ(c->yAxis->tickVectorLabels().join(QLatin1Char('|')), QString::fromUtf8(r.labels))
            << r.channel << " " << r.height;
    }
}

TEST(ChannelChart, TheValueAxisRunsFromTwoToNinetyEightPercentOfThePlottingHeight) {
    auto c = shownChart(2, {800, 400});
    c->setValueAxis(100, 200);
    c->replotNow();
    const QRect r = c->plotRect();
    const double h = r.height();
    EXPECT_NEAR(c->yAxis->coordToPixel(100), r.bottom() - 0.02 * h, 0.01);
    EXPECT_NEAR(c->yAxis->coordToPixel(200), r.bottom() - 0.98 * h, 0.01);
    EXPECT_EQ(c->valueAxis(), (AxisRange{100, 200}));
    // The axis line, too: drawn in the middle, not in the top and bottom 2 %.
    const QImage img = picture(*c);
    const QRgb line = img.pixel(r.left(), r.center().y());
    EXPECT_LT(qGray(line), 100);
    EXPECT_EQ(img.pixel(r.left(), qRound(r.bottom() - 0.03 * h)), line);
    EXPECT_NE(img.pixel(r.left(), r.top() + 3), line);
    EXPECT_NE(img.pixel(r.left(), r.bottom() - 3), line);
    // No label outside the axis's part.
    for (double tick : c->yAxis->tickVector()) {
        EXPECT_GE(tick, 100 - 1e-9);
        EXPECT_LE(tick, 200 + 1e-9);
    }
}

TEST(ChannelChart, TheBottomAxisShowsTheTimeOfDayWithoutTimeZone) {
    auto c = shownChart(0);
    c->setTimeAxis(at(23, 59, 50), at(23, 59, 59));
    c->replotNow();
    // Ten seconds are labelled in tenths.
    EXPECT_TRUE(c->xAxis->tickVectorLabels().contains(QStringLiteral("23:59:54.0")))
        << c->xAxis->tickVectorLabels().join(QLatin1Char(',')).toStdString();
    c->setTimeAxis(kordel::toTimeNumber(0, 0, 0), kordel::toTimeNumber(0, 0, 10));  // live: no date
    c->replotNow();
    EXPECT_TRUE(c->xAxis->tickVectorLabels().contains(QStringLiteral("00:00:04.0")))
        << c->xAxis->tickVectorLabels().join(QLatin1Char(',')).toStdString();
}

// ---- series and axes ----

TEST(ChannelChart, PointsArePlacedByTheirXAndTheFirstIsDropped) {
    ChannelChart c(0);
    c.appendPoint(3, 30);
    c.appendPoint(1, 10);
    c.appendPoint(2, 20);
    ASSERT_EQ(c.pointCount(), 3u);
    EXPECT_EQ(c.xAt(0), 1);
    EXPECT_EQ(c.xAt(1), 2);
    EXPECT_EQ(c.xAt(2), 3);
    EXPECT_EQ(c.yAt(0), 10);
    EXPECT_EQ(c.minX(), 1);
    EXPECT_EQ(c.maxX(), 3);
    EXPECT_EQ(c.minY(), 10);
    EXPECT_EQ(c.maxY(), 30);
    c.dropFirstPoint();
    ASSERT_EQ(c.pointCount(), 2u);
    EXPECT_EQ(c.xAt(0), 2);
    EXPECT_EQ(c.minY(), 20);  // the extremes follow the points left
    c.dropFirstPoint();
    c.dropFirstPoint();
    c.dropFirstPoint();  // nothing left: no effect
    EXPECT_EQ(c.pointCount(), 0u);
    EXPECT_EQ(c.minX(), 0);
    EXPECT_EQ(c.maxY(), 0);
}

TEST(ChannelChart, EqualXKeepTheirOrderOfArrival) {
    ChannelChart c(0);
    c.appendPoint(1, 10);
    c.appendPoint(1, 11);
    c.appendPoint(1, 12);
    EXPECT_EQ(c.yAt(0), 10);
    EXPECT_EQ(c.yAt(2), 12);
    c.dropFirstPoint();
    EXPECT_EQ(c.yAt(0), 11);
}

TEST(ChannelChart, AutomaticAxesFollowTheDataAndFixedOnesStay) {
    ChannelChart c(1);
    EXPECT_EQ(c.timeAxis(), (AxisRange{0, 0}));
    c.appendPoint(5, -2);
    c.appendPoint(7, 4);
    EXPECT_EQ(c.timeAxis(), (AxisRange{5, 7}));
    EXPECT_EQ(c.valueAxis(), (AxisRange{-2, 4}));
    EXPECT_DOUBLE_EQ(c.xAxis->range().lower, 5);
    EXPECT_DOUBLE_EQ(c.xAxis->range().upper, 7);
    c.setTimeAxis(9, 6);  // swapped
    c.setValueAxis(1, 3);
    EXPECT_FALSE(c.timeAxisAutomatic());
    EXPECT_FALSE(c.valueAxisAutomatic());
    EXPECT_EQ(c.timeAxis(), (AxisRange{6, 9}));
    c.appendPoint(20, 100);
    EXPECT_EQ(c.timeAxis(), (AxisRange{6, 9}));
    EXPECT_EQ(c.valueAxis(), (AxisRange{1, 3}));
    c.clearSeries();
    EXPECT_TRUE(c.timeAxisAutomatic());
    EXPECT_TRUE(c.valueAxisAutomatic());
    EXPECT_EQ(c.pointCount(), 0u);
    c.appendPoint(2, 8);
    EXPECT_EQ(c.timeAxis(), (AxisRange{2, 2}));
    EXPECT_EQ(c.valueAxis(), (AxisRange{8, 8}));
    EXPECT_LT(c.xAxis->range().lower, 2);  // still drawable
    EXPECT_GT(c.xAxis->range().upper, 2);
}

TEST(ChannelChart, ManyPointsAtOnceInTheirOrderOrInTheGivenOne) {
    ChannelChart c(0);
    const std::vector<double> x = {3, 1, 2, 1};
    const std::vector<double> y = {30, 10, 20, 11};
    const std::vector<std::size_t> order = {1, 3, 2, 0};
    c.appendPoints(x, y, &order);
    ASSERT_EQ(c.pointCount(), 4u);
    EXPECT_EQ(c.yAt(0), 10);
    EXPECT_EQ(c.yAt(1), 11);
    EXPECT_EQ(c.yAt(3), 30);
    EXPECT_EQ(c.minY(), 10);
    EXPECT_EQ(c.maxY(), 30);
    c.appendPoints({4, 5}, {-1, 50});
    EXPECT_EQ(c.pointCount(), 6u);
    EXPECT_EQ(c.minY(), -1);
    EXPECT_EQ(c.maxY(), 50);
    EXPECT_EQ(c.valueAxis(), (AxisRange{-1, 50}));
}

// ---- the sampler ----

TEST(ChannelChart, TheGraphDrawsTheSameLineAsQCPGraphsAdaptiveSampling) {
    auto c = shownChart(0, {900, 120});
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0, 3);
    std::vector<double> x, y;
    double t = at(0, 0, 0), v = 20000;
    for (int i = 0; i < 300000; ++i) {
        t += kordel::kOneSecond / 10 * (i % 5000 == 4999 ? 600 : 1);  // a gap now and then
        v += noise(rng);
        x.push_back(t);
        y.push_back(v);
    }
    c->appendPoints(x, y);
    c->replotNow();
    const std::pair<double, double> windows[] = {
        {x.front(), x.back()},
        {x[50000], x[200000]},
        {x[1000] + 1e-7, x[30000] - 1e-7},
        {x.front() - 0.1, x[100]},  // too few points: copied one to one
    };
    for (const auto& [lo, hi] : windows) {
        c->setTimeAxis(lo, hi);
        c->replotNow();
        const QVector<QCPGraphData> fast = c->lineData(true);
        const QVector<QCPGraphData> plain = c->lineData(false);
        ASSERT_EQ(fast.size(), plain.size()) << lo;
        for (int i = 0; i < fast.size(); ++i) {
            ASSERT_EQ(fast[i].key, plain[i].key) << i;
            ASSERT_EQ(fast[i].value, plain[i].value) << i;
        }
    }
    // The whole day at 900 pixels: a few points per pixel column, not 300 000.
    c->setTimeAxis(x.front(), x.back());
    EXPECT_LT(c->lineData(true).size(), 5 * 900);
}

// ---- replots ----

TEST(ChannelChart, SeveralChangesInOneTurnOfTheEventLoopCauseOneReplot) {
    auto c = shownChart(0);
    const long before = c->replotCount();
    for (int i = 0; i < 5; ++i) c->appendPoint(i, i);
    c->setTimeAxis(0, 10);
    EXPECT_TRUE(c->replotPending());
    EXPECT_EQ(c->replotCount(), before);
    QCoreApplication::processEvents();
    EXPECT_EQ(c->replotCount(), before + 1);
    EXPECT_FALSE(c->replotPending());
    QCoreApplication::processEvents();
    EXPECT_EQ(c->replotCount(), before + 1);
}

// ---- cursor line and frame, in pixels ----

TEST(ChannelChart, ACursorLineIsDottedCyanInXorModeAndErasingRestoresThePixels) {
    auto c = shownChart(0);
    fillMinutes(*c, 600);
    const QImage before = picture(*c);
    const QRect plot = c->plotRect();
    const int column = c->pixelOfTime(at(10, 4, 0));
    ASSERT_GT(column, plot.left());
    c->drawCursorLine(column);
    EXPECT_EQ(c->cursorLine(), column);
    const QImage with = picture(*c);
    expectCursorLine(with, before, plot, column, c->palette().color(QPalette::Window).rgb());
    c->eraseCursorLine();
    EXPECT_EQ(c->cursorLine(), -1);
    EXPECT_EQ(picture(*c), before);
}

TEST(ChannelChart, AReplotKeepsTheCursorLineAndErasingStillRestoresThePlot) {
    auto c = shownChart(0);
    fillMinutes(*c, 600);
    const int column = c->pixelOfTime(at(10, 2, 0));
    c->drawCursorLine(column);
    // An axis change replots the chart: the line is still there, in its place.
    c->setValueAxis(19000, 21000);
    c->replotNow();
    QImage with = picture(*c);
    c->eraseCursorLine();
    QImage without = picture(*c);
    EXPECT_NE(with, without);
    expectCursorLine(with, without, c->plotRect(), column, c->palette().color(QPalette::Window).rgb());
    // So does a new live point arriving through the event loop.
    c->drawCursorLine(column);
    c->appendPoint(at(10, 20, 0), 20500);
    QCoreApplication::processEvents();
    with = picture(*c);
    c->eraseCursorLine();
    without = picture(*c);
    expectCursorLine(with, without, c->plotRect(), column, c->palette().color(QPalette::Window).rgb());
    // A column of 0 counts as none.
    c->drawCursorLine(0);
    EXPECT_EQ(c->cursorLine(), -1);
    EXPECT_EQ(picture(*c), without);
}

TEST(ChannelChart, AChartShownAgainHasForgottenItsLine) {
    auto c = shownChart(0);
    fillMinutes(*c, 60);
    c->drawCursorLine(c->plotRect().center().x());
    c->hide();
    c->show();
    EXPECT_EQ(c->cursorLine(), -1);
}

TEST(ChannelChart, TheSelectedChartHasALoweredFrame) {
    auto c = shownChart(3);
    fillMinutes(*c, 60, 25, 1);
    const QImage before = picture(*c);
    c->setLowered(true);
    EXPECT_TRUE(c->lowered());
    const QImage framed = picture(*c);
    const QRgb dark = c->palette().color(QPalette::Dark).rgb();
    const QRgb light = c->palette().color(QPalette::Light).rgb();
    const int r = framed.width() - 1, b = framed.height() - 1;
    EXPECT_EQ(framed.pixel(0, 0), dark);
    EXPECT_EQ(framed.pixel(r / 2, 0), dark);
    EXPECT_EQ(framed.pixel(0, b / 2), dark);
    EXPECT_EQ(framed.pixel(r / 2, b), light);
    EXPECT_EQ(framed.pixel(r, b / 2), light);
    EXPECT_EQ(framed.pixel(r / 2, 1), before.pixel(r / 2, 1));  // one pixel wide
    c->setLowered(false);
    EXPECT_EQ(picture(*c), before);
}

TEST(ChannelChart, TimeLabelsCarryTheDateAcrossMidnightAndOnLongWindows) {
    auto c = shownChart(0);
    const auto day = [](int d, int h, int m) { return kordel::toDateTimeNumber({2007, 5, d, h, m, 0, 0}); };
    const struct {
        double from, to;
        QString label;  // one of the labels shown
        bool dated;     // every label carries the date (within a day, the first alone)
    } cases[] = {
        {day(22, 10, 0), day(22, 11, 0), QStringLiteral("10:30:00"), false},
        {day(22, 23, 30), day(23, 0, 30), QStringLiteral("2007-05-23\n00:00:00"), true},
        {day(22, 0, 0), day(24, 12, 0), QStringLiteral("2007-05-23\n00:00"), true},
        {day(1, 0, 0), day(29, 0, 0), QStringLiteral("2007-05-12"), true},
    };
    for (const auto& row : cases) {
        c->setTimeAxis(row.from, row.to);
        c->replotNow();
        const QVector<QString> labels = c->xAxis->tickVectorLabels();
        EXPECT_TRUE(labels.contains(row.label)) << QStringList(labels.begin(), labels.end()).join(',').toStdString();
        for (int i = 0; i < labels.size(); ++i) {
            EXPECT_EQ(labels[i].contains(QStringLiteral("2007-05-")), row.dated || i == 0) << labels[i].toStdString();
        }
    }
}

TEST(ChannelChart, UnbrokenPointsAreDrawnWithoutHolesAtAnyZoom) {
    // Points at 1 Hz for six hours, given as the live path gives them.
    auto c = shownChart(0, {800, 200});
    std::vector<double> x, y;
    for (int i = 0; i < 6 * 3600; ++i) {
        x.push_back(at(0, 0, 0) + i * kordel::kOneSecond);
        y.push_back(100 + 50 * std::sin(i / 300.0));
    }
    c->appendPoints(x, y);
    const double spans[] = {1.0 / 24 / 60 * 10, 1.0 / 24 / 6, 1.0 / 24 / 2, 1.0 / 24, 1.0 / 24 * 3, 1.0 / 24 * 5};
    for (const double span : spans) {
        c->setTimeAxis(at(0, 30, 0), at(0, 30, 0) + span);
        c->replotNow(true);
        const QImage image = picture(*c);
        const QRect r = c->plotRect();
        int empty = 0;
        for (int px = r.left() + 2; px < r.right() - 2; ++px) {
            bool red = false;
            for (int py = r.top(); py <= r.bottom() && !red; ++py) {
                red = qRed(image.pixel(px, py)) > 200 && qGreen(image.pixel(px, py)) < 80;
            }
            empty += red ? 0 : 1;
        }
        EXPECT_EQ(empty, 0) << span * 24 * 60 << " minutes";
    }
}

TEST(ChannelChart, ARecordDenserThanThePixelsIsDrawnWithoutHoles) {
    // Six hours at 1 Hz of a slow wave: at these zooms every point drawn as it
    // lies would make segments shorter than a pixel, which the pen drew dashed.
    auto record = std::make_shared<kordel::Record>(std::vector<kordel::ChannelInfo>{{"V", "nT", 2}});
    const std::int64_t midnight = static_cast<std::int64_t>(kordel::toDateNumber(2007, 5, 22)) * 86'400'000;
    for (int i = 0; i < 6 * 3600; ++i) {
        const std::int32_t raw[1] = {static_cast<std::int32_t>(std::lround(10000 + 5000 * std::sin(i / 300.0)))};
        record->append(midnight + i * 1000LL, raw);
    }
    record->finish();
    const struct {
        int width;
        double minutes;
    } cases[] = {{800, 20}, {800, 53.8}, {800, 61.9}, {800, 143}, {1500, 108.2}, {1500, 124.5}, {1500, 200}};
    for (const auto& row : cases) {
        auto c = shownChart(0, {row.width, 200});
        c->showRecord(record, 0);
        c->setValueAxis(40, 160);
        c->setTimeAxis(at(0, 30, 0), at(0, 30, 0) + row.minutes / 1440);
        c->replotNow(true);
        const QImage image = picture(*c);
        const QRect r = c->plotRect();
        int empty = 0;
        for (int px = r.left() + 2; px < r.right() - 2; ++px) {
            bool red = false;
            for (int py = r.top(); py <= r.bottom() && !red; ++py) {
                red = qRed(image.pixel(px, py)) > 200 && qGreen(image.pixel(px, py)) < 80;
            }
            empty += red ? 0 : 1;
        }
        EXPECT_EQ(empty, 0) << row.width << " px, " << row.minutes << " minutes";
    }
}

namespace {

// A mouse event with modifiers, sent straight to the chart.
void sendMouse(QWidget* w, QEvent::Type type, QPoint local, Qt::MouseButton button, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers) {
    QMouseEvent ev(type, QPointF(local), QPointF(w->mapToGlobal(local)), button, buttons, modifiers);
    QCoreApplication::sendEvent(w, &ev);
}

}  // namespace

TEST(ChannelChart, FlagBandsCoverTheirTimesAndAreAtLeastTwoPixelsWide) {
    auto c = shownChart(0);
    c->setTimeAxis(at(10, 0, 0), at(11, 0, 0));
    c->replotNow();
    const int x0 = c->pixelOfTime(at(10, 0, 0)), x1 = c->pixelOfTime(at(10, 30, 0)), x2 = c->pixelOfTime(at(11, 0, 0));
    struct Case {
        double from, to;
        std::vector<std::pair<int, int>> drawn;
    };
    const double aMs = 1.0 / 86'400'000;
    const std::vector<Case> cases{
        {at(10, 0, 0), at(10, 30, 0), {{x0, x1}}},                // a half hour, as it is
        {at(10, 30, 0), at(10, 30, 0), {{x1 - 1, x1 + 1}}},       // one sample: two pixels
        {at(9, 0, 0), at(10, 30, 0), {{c->pixelOfTime(at(9, 0, 0)), x1}}},  // begun before the window
        {at(11, 0, 0) + aMs, at(12, 0, 0), {}},                   // after it
        {at(8, 0, 0), at(9, 59, 59), {}},                         // before it
        {at(9, 0, 0), at(12, 0, 0), {{c->pixelOfTime(at(9, 0, 0)), c->pixelOfTime(at(12, 0, 0))}}},
    };
    for (const Case& k : cases) {
        c->setBands({{k.from, k.to, QColor(255, 0, 0, 90)}});
        std::vector<std::pair<int, int>> drawn;
        for (const auto& d : c->bandLayer().drawnBands()) drawn.emplace_back(d.left, d.right);
        EXPECT_EQ(drawn, k.drawn) << kordel::formatFixed(k.from, 6);
    }
    EXPECT_LT(x1, x2);
    // Drawn behind the line: the band's colour shows where the line is not.
    c->setBands({{at(10, 10, 0), at(10, 20, 0), QColor(255, 0, 0)}});
    c->replotNow();
    const QImage image = picture(*c);
    const QPoint inside((c->pixelOfTime(at(10, 10, 0)) + c->pixelOfTime(at(10, 20, 0))) / 2, c->plotRect().top() + 3);
    EXPECT_EQ(image.pixel(inside), qRgb(255, 0, 0));
}

TEST(ChannelChart, ADragWithShiftSelectsATimeRangeAndZoomsNothing) {
    auto c = shownChart(0);
    fillMinutes(*c, 120);
    const QRect r = c->plotRect();
    std::vector<std::pair<int, int>> ranges;
    int boxes = 0, clicks = 0;
    QObject::connect(c.get(), &ChannelChart::RangeDragged, [&](ChannelChart*, int a, int b) { ranges.emplace_back(a, b); });
    QObject::connect(c.get(), &ChannelChart::BoxDragged, [&](ChannelChart*, const QRect&) { ++boxes; });
    QObject::connect(c.get(), &ChannelChart::Click, [&](ChannelChart*) { ++clicks; });
    const QPoint from(r.left() + 300, r.center().y()), to(r.left() + 120, r.bottom() - 2);
    sendMouse(c.get(), QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
    sendMouse(c.get(), QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
    sendMouse(c.get(), QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton, Qt::ShiftModifier);
    // Dragged leftwards past the plot's edge: the range is ordered and kept within it.
    const QPoint out(r.left() - 30, r.center().y());
    sendMouse(c.get(), QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
    sendMouse(c.get(), QEvent::MouseMove, out, Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
    sendMouse(c.get(), QEvent::MouseButtonRelease, out, Qt::LeftButton, Qt::NoButton, Qt::ShiftModifier);
    EXPECT_EQ(ranges, (std::vector<std::pair<int, int>>{{r.left() + 120, r.left() + 300}, {r.left(), r.left() + 300}}));
    EXPECT_EQ(boxes, 0);
    EXPECT_EQ(clicks, 0);
    // Without Shift the same drag is a box zoom again.
    sendMouse(c.get(), QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    sendMouse(c.get(), QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    sendMouse(c.get(), QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(ranges.size(), 2u);
}
