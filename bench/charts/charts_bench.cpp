// Timing of the channel charts with a day at 10 Hz (864 000 points in each of
// the five series), in the main window at its designed size, against bare
// QCustomPlot widgets of the same sizes doing the same replots on the same
// data in the same run. Every figure is the median (and the 90th percentile) of
// single steps. Run:
//   QT_QPA_PLATFORM=offscreen build/bench/charts/charts_bench [--points N] [--size WxH]
//
// Targets (issue 5): a zoom or scroll step (five axes changed, five charts
// replotted and repainted) <= 16 ms; a mouse move with the read-out and the
// cursor lines <= 2 ms; filling the five series from parsed arrays <= 100 ms;
// a live sample appended to 600-point charts and replotted <= 5 ms.

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QTemporaryDir>

#include <qcustomplot.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/fixedformats.h"
#include "app/mainform.h"
#include "charts/channelchart.h"
#include "charts/chartview.h"
#include "record/totalfield.h"
#include "files/datafilereader.h"
#include "widgets/zoomler.h"

namespace {

struct Stats {
    double median = 0;
    double p90 = 0;
    double max = 0;
};

Stats timeSteps(int count, const std::function<void(int)>& step) {
    std::vector<double> ms;
    ms.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        QElapsedTimer t;
        t.start();
        step(i);
        ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[std::min(ms.size() - 1, ms.size() * 9 / 10)], ms.back()};
}

void report(const char* what, const Stats& s, double target = 0, const Stats* bare = nullptr) {
    std::printf("%-58s median %8.3f ms  p90 %8.3f  max %8.3f", what, s.median, s.p90, s.max);
    if (target > 0) {
        std::printf("  target %5.1f %s", target, s.median <= target ? "ok" : "OVER");
    }
    if (bare) {
        std::printf("  ratio to bare %.2f", s.median / bare->median);
    }
    std::printf("\n");
}

// A day of samples at 10 Hz from 22/05/2007 00:00:00, random walks per channel.
kordel::SeriesData makeDay(std::size_t n) {
    kordel::SeriesData d;
    d.x.resize(n);
    for (auto& y : d.y) y.resize(n);
    const double t0 = kordel::toDateNumber(2007, 5, 22);
    std::mt19937 rng(42);
    std::normal_distribution<double> step(0, 0.5);
    std::array<double, 5> v = {20000, 1500, 44000, 25, 30};
    for (std::size_t i = 0; i < n; ++i) {
        d.x[i] = t0 + static_cast<double>(i) / 864000.0;
        for (std::size_t k = 0; k < 5; ++k) {
            v[k] += step(rng) * (k < 3 ? 1.0 : 0.01);
            d.y[k][i] = v[k];
        }
    }
    return d;
}

// Five bare QCustomPlot widgets of the given sizes with the same data.
struct BarePlots {
    QWidget window;
    std::array<QCustomPlot*, 5> plot{};

    BarePlots(const std::array<QSize, 5>& sizes, const kordel::SeriesData& d) {
        int top = 0;
        int width = 0;
        for (std::size_t k = 0; k < 5; ++k) {
            plot[k] = new QCustomPlot(&window);
            plot[k]->setGeometry(0, top, sizes[k].width(), sizes[k].height());
            top += sizes[k].height() + 3;
            width = std::max(width, sizes[k].width());
            QVector<QCPGraphData> points(static_cast<qsizetype>(d.size()));
            double lo = d.y[k][0], hi = d.y[k][0];
            for (std::size_t i = 0; i < d.size(); ++i) {
                points[static_cast<qsizetype>(i)] = QCPGraphData(d.x[i], d.y[k][i]);
                lo = std::min(lo, d.y[k][i]);
                hi = std::max(hi, d.y[k][i]);
            }
            QCPGraph* g = plot[k]->addGraph();
            g->data()->set(points, true);
            g->setPen(QPen(Qt::red));
            plot[k]->xAxis->setRange(d.x.front(), d.x.back());
            plot[k]->yAxis->setRange(lo, hi);
        }
        window.resize(width, top);
        window.show();
    }
    void setTime(double a, double b) {
        for (QCustomPlot* p : plot) p->xAxis->setRange(a, b);
    }
    void replot() {
        for (QCustomPlot* p : plot) p->replot(QCustomPlot::rpImmediateRefresh);
    }
};

void settle() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// A whole day's columns straight into the charts' own series (X ascending).
void appendSeries(TMainForm& form, const kordel::SeriesData& data) {
    kordel::ChartView& view = form.charts();
    for (std::size_t k = 0; k < data.y.size(); ++k) view.Chart[k]->appendPoints(data.x, data.y[k]);
    std::vector<double> f(data.size());
    for (std::size_t i = 0; i < f.size(); ++i) f[i] = kordel::totalFieldValue(data.y[0][i], data.y[1][i], data.y[2][i]);
    view.Chart[kordel::ChartView::kTotalField]->appendPoints(data.x, f);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    std::size_t points = 864000;
    QSize windowSize(909, 569);
    int steps = 60;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--points") == 0) {
            points = std::stoul(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--size") == 0) {
            std::sscanf(argv[i + 1], "%dx%d", &windowSize.rwidth(), &windowSize.rheight());
        } else if (std::strcmp(argv[i], "--steps") == 0) {
            steps = std::stoi(argv[i + 1]);
        }
    }

    // The window writes its log in the working directory and its settings beside "the executable".
    QTemporaryDir scratch;
    QDir::setCurrent(scratch.path());
    MainFormOptions options;
    options.exeDir = scratch.path();
    TMainForm form(options);
    form.resize(windowSize);
    form.show();
    settle();

    // Opening a small file makes it the current data file (the read-out needs one).
    {
        QFile f(scratch.filePath(QStringLiteral("tiny.pc")));
        f.open(QIODevice::WriteOnly);
        f.write("h\r\nh\r\nh\r\n2007 05 22 00 00 00.00 1 2 3 4 5\r\n");
    }
    form.LoadDataFile(scratch.filePath(QStringLiteral("tiny.pc")));
    settle();

    std::printf("%zu points per series, window %dx%d, charts:", points, form.width(), form.height());
    std::array<QSize, 5> sizes{};
    for (std::size_t k = 0; k < 5; ++k) {
        sizes[k] = form.charts().Chart[k]->size();
        std::printf(" %dx%d", sizes[k].width(), sizes[k].height());
    }
    std::printf("\n\n");

    const kordel::SeriesData day = makeDay(points);

    // ---- filling ----
    // The first fill of the process touches the charts' memory for the first
    // time (5 x 16 bytes per point); a plain memset of as many fresh bytes is
    // timed beside it, so that the machine's first-touch cost can be told apart.
    const std::size_t chartBytes = 5 * sizeof(QCPGraphData) * day.size();
    const Stats firstTouch = timeSteps(1, [&](int) {
        std::unique_ptr<char[]> fresh(new char[chartBytes]);
        std::memset(fresh.get(), 1, chartBytes);
        volatile char sink = fresh[chartBytes / 2];
        (void)sink;
    });
    const Stats cold = timeSteps(1, [&](int) {
        form.charts().ClearCharts();
        appendSeries(form, day);
        form.charts().FitZoomBars();
    });
    report("first fill in the process (cold memory)", cold);
    std::printf("  (a memset of %zu fresh bytes: %.1f ms)\n", chartBytes, firstTouch.median);
    const Stats fill = timeSteps(7, [&](int) {
        form.charts().ClearCharts();
        appendSeries(form, day);
        form.charts().FitZoomBars();
    });
    report("fill five series from parsed arrays (+FitZoomBars)", fill, 100);


    const Stats firstReplot = timeSteps(5, [&](int) {
        form.charts().ClearCharts();
        appendSeries(form, day);
        form.charts().FitZoomBars();
        form.charts().replotCharts(true);
    });
    report("fill + first replot and repaint of the five charts", firstReplot);
    settle();

    BarePlots bare(sizes, day);
    settle();

    // ---- zoom and scroll steps: five time axes changed, five replots ----
    TZoomler* x = form.charts().XZoomlerBar();
    const double lo = x->Min();
    const double hi = x->Max();
    const double span = hi - lo;
    const auto zoomWindow = [&](int i) {
        // Dragging the Finish end from the whole day down to a half.
        return std::pair(lo, hi - span * 0.5 * (i % 30) / 30.0);
    };
    const auto scrollWindow = [&](int i) {
        // Dragging a half-day window across the day.
        const double s = lo + span * 0.5 * (i % 30) / 30.0;
        return std::pair(s, s + span * 0.5);
    };
    const auto narrowWindow = [&](int i) {
        // A ten-minute window scrolled along.
        const double s = lo + span * 0.3 + span * 0.001 * i;
        return std::pair(s, s + 600.0 / 86400.0);
    };
    struct Case {
        const char* ours;
        const char* theirs;
        std::function<std::pair<double, double>(int)> window;
        double target;
    };
    const Case cases[] = {
        {"zoom step, whole day to half (5 axes, 5 replots)", "  bare QCustomPlot, same zoom step", zoomWindow, 16},
        {"scroll step, half-day window (5 axes, 5 replots)", "  bare QCustomPlot, same scroll step", scrollWindow, 16},
        {"scroll step, ten-minute window", "  bare QCustomPlot, same ten-minute step", narrowWindow, 16},
    };
    for (const Case& c : cases) {
        const Stats ours = timeSteps(steps, [&](int i) {
            const auto [s, f] = c.window(i);
            x->SetWindow(s, f);
            form.charts().XZoomlerChanged();
            form.charts().replotCharts(true);
        });
        const Stats theirs = timeSteps(steps, [&](int i) {
            const auto [s, f] = c.window(i);
            bare.setTime(s, f);
            bare.replot();
        });
        report(c.ours, ours, c.target, &theirs);
        report(c.theirs, theirs);
    }
    // A vertical bar's step: one value axis, one replot.
    {
        TZoomler* bar = form.charts().ZoomlerBar(0);
        const double vmin = bar->Min(), vmax = bar->Max();
        const Stats v = timeSteps(steps, [&](int i) {
            bar->SetWindow(vmin + (vmax - vmin) * 0.01 * (i % 30), vmax);
            form.charts().Zoomler0Changed(0);
            form.charts().replotCharts(true);
        });
        report("vertical bar step (1 axis, 1 replot), whole day shown", v);
    }
    form.charts().ShowAll();
    form.charts().replotCharts(true);
    settle();

    // ---- a mouse move: read-out and cursor lines ----
    form.charts().CrossMouseCB->setChecked(true);
    {
        const QRect r = form.charts().Chart[1]->plotRect();
        const Stats handler = timeSteps(steps * 4, [&](int i) {
            form.charts().Chart0MouseMove(1, r.left() + 20 + (i * 7) % (r.width() - 40), r.center().y());
        });
        report("mouse move: read-out and cursor lines (handler)", handler, 2);
        const Stats painted = timeSteps(steps * 4, [&](int i) {
            form.charts().Chart0MouseMove(1, r.left() + 20 + (i * 7) % (r.width() - 40), r.center().y());
            QCoreApplication::processEvents();  // the paints it asked for
        });
        report("mouse move: handler + the paints it asks for", painted, 2);
        const Stats whole = timeSteps(steps * 4, [&](int i) {
            form.charts().Chart0MouseMove(1, r.left() + 20 + (i * 7) % (r.width() - 40), r.center().y());
            for (ChannelChart* c : form.charts().Chart) c->repaint();
            form.StatusPanel[2]->repaint();
        });
        report("mouse move: handler + five whole charts repainted", whole, 2);
    }
    form.charts().CrossMouseCB->setChecked(false);

    // ---- live: the growing record followed on its latest 600 samples, one sample appended and replotted ----
    form.charts().ClearCharts();
    const double t0 = kordel::toTimeNumber(10, 0, 0);
    for (int i = 0; i < 600; ++i) {
        form.charts().appendSample(t0 + i / 86400.0, {20000.0 + i % 17, 1500.0 - i % 13, 44000.0 + i % 7, 25.3, 30.1});
    }
    form.charts().replotCharts(true);
    settle();
    int next = 600;
    const Stats live = timeSteps(steps * 2, [&](int) {
        const int i = next++;
        form.charts().appendSample(t0 + i / 86400.0, {20000.0 + i % 17, 1500.0 - i % 13, 44000.0 + i % 7, 25.3, 30.1});
        form.charts().replotCharts(true);
    });
    for (QCustomPlot* p : bare.plot) {
        p->graph(0)->data()->clear();
        for (int i = 0; i < 600; ++i) p->graph(0)->addData(t0 + i / 86400.0, 20000.0 + i % 17);
    }
    int bareNext = 600;
    const Stats bareLive = timeSteps(steps * 2, [&](int) {
        const int i = bareNext++;
        for (QCustomPlot* p : bare.plot) {
            auto data = p->graph(0)->data();
            data->add(QCPGraphData(t0 + i / 86400.0, 20000.0 + i % 17));
            data->remove(data->constBegin()->key);
            p->rescaleAxes();
        }
        bare.replot();
    });
    report("live: one sample appended to 600-point charts + replot", live, 5, &bareLive);
    report("  bare QCustomPlot, same append, rescale and replot", bareLive);
    // Several samples in one turn of the event loop: one replot each chart.
    std::array<long, 5> before{};
    for (std::size_t k = 0; k < 5; ++k) before[k] = form.charts().Chart[k]->replotCount();
    for (int j = 0; j < 10; ++j) {
        const int i = next++;
        form.charts().appendSample(t0 + i / 86400.0, {20000.0, 1500.0, 44000.0, 25.3, 30.1});
    }
    settle();
    std::printf("\nten live samples in one event-loop turn: replots per chart");
    for (std::size_t k = 0; k < 5; ++k) std::printf(" %ld", form.charts().Chart[k]->replotCount() - before[k]);
    std::printf("\n");
    return 0;
}
