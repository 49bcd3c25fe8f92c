// View > "Activity": the K bars under the charts for an opened record with a
// known bay, their following of the time window, the badge, the alerts while
// watching (once per state change, the log line exact) and the station's bad
// messages logged at most once a minute.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <cmath>
#include <numbers>

#include "app/mainform.h"
#include "app/settingsstore.h"
#include "charts/activitychart.h"
#include "charts/activityview.h"
#include "charts/channelchart.h"
#include "charts/chartview.h"
#include "link/activityfeed.h"
#include "link/recorderevents.h"
#include "net/remotestation.h"
#include "record/record.h"
#include "widgets/zoomler.h"

using namespace kordel;

namespace {

constexpr std::int64_t kDay0 = 45'000;  // 15 March 2023
constexpr std::int64_t kMinuteMs = 60'000;
constexpr int kDays = 4;
constexpr int kBayDay = 3;
constexpr int kBayInterval = 4;  // 12–15 UT
constexpr double kBayNt = 150;   // K 6 for L9 = 500 (120 ≤ range < 200), amber (100 ≤ departure < 200)
// 8 December 2026 13:45 UT.
constexpr std::int64_t kAt = (46'364LL * 1440 + 13 * 60 + 45) * kMinuteMs;

// Minute samples of Bx and By: a quiet daily variation of pure harmonics and
// one bay of kBayNt in one interval.
std::shared_ptr<Record> recordWithBay() {
    auto r = std::make_shared<Record>(Record::dataFileChannels());
    for (std::int64_t m = 0; m < kDays * 1440; ++m) {
        const double phase = 2 * std::numbers::pi * static_cast<double>(m % 1440) / 1440.0;
        double bx = 20000 + 20 * std::sin(phase) + 8 * std::cos(2 * phase);
        const double by = 1500 + 12 * std::cos(phase) + 4 * std::sin(3 * phase);
        const std::int64_t bayStart = kBayDay * 1440 + kBayInterval * 180;
        if (m >= bayStart && m < bayStart + 180) {
            bx += kBayNt * std::sin(std::numbers::pi * static_cast<double>(m - bayStart) / 179.0);
        }
        const std::int32_t raw[5] = {static_cast<std::int32_t>(std::lround(bx * 100)),
                                     static_cast<std::int32_t>(std::lround(by * 100)), 4400000, 253, 301};
        r->append((kDay0 * 1440 + m) * kMinuteMs, raw);
    }
    r->finish();
    return r;
}

struct Harness {
    QTemporaryDir dir;
    QMainWindow window;
    ChartView* charts = nullptr;
    RecorderEvents recorded, watched;
    RemoteStation* remote = nullptr;
    ActivityView* activity = nullptr;
    QStringList log;
    std::int64_t now = kAt;

    Harness() {
        auto* central = new QWidget(&window);
        auto* column = new QVBoxLayout(central);
        auto* controls = new QWidget(central);
        charts = new ChartView(controls, [] { return false; }, [] { return true; }, central);
        column->addWidget(charts, 1);
        window.setCentralWidget(central);
        QMenu* view = window.menuBar()->addMenu(QStringLiteral("View"));
        remote = new RemoteStation(&window, watched, dir.filePath(QStringLiteral("kordel.ini")));
        activity = new ActivityView(&window, {*charts, view, window.statusBar(), recorded, watched, *remote,
                                              [this](const QString& text) { log << text; }});
        activity->setClock([this] { return now; });
        SettingsStore store(dir.filePath(QStringLiteral("kordel.ini")));
        store.setValue(QStringLiteral("Export"), QStringLiteral("StationCode"), QStringLiteral("ABC"));
        store.setValue(QStringLiteral("Activity"), QStringLiteral("Shown"), QStringLiteral("1"));
        activity->restoreSettings(store);
        window.resize(900, 600);
        window.show();
        charts->LayoutChannels();
        QApplication::processEvents();
    }

    void settle() {
        charts->replotCharts(true);  // the replot shows the view the record
        QApplication::processEvents();
        activity->waitForWorker();
        charts->replotCharts(true);
        QApplication::processEvents();
    }
};

double keyOf(std::int64_t minute) { return static_cast<double>(minute) / 1440.0 + 0.0625; }

TEST(ActivityView, BarsOfARecordWithABay) {
    Harness h;
    ASSERT_TRUE(h.activity->shown());
    EXPECT_TRUE(h.activity->action()->isCheckable());
    h.charts->showRecord(recordWithBay());
    h.settle();
    const ActivityChart* chart = h.activity->chart();
    ASSERT_TRUE(chart->isVisible());
    // Under the traces.
    EXPECT_GE(chart->mapTo(&h.window, QPoint(0, 0)).y(), h.charts->mapTo(&h.window, QPoint(0, h.charts->height())).y());

    const auto& bars = chart->bars();
    ASSERT_EQ(bars.size(), static_cast<std::size_t>(kDays * 8));
    const std::int64_t bayMinute = (kDay0 + kBayDay) * 1440 + kBayInterval * 180;
    for (const ActivityBar& b : bars) {
        SCOPED_TRACE(b.startMinute);
        EXPECT_FALSE(b.provisional);
        EXPECT_EQ(b.k, b.startMinute == bayMinute ? 6 : 0);
    }
    // The bay's bar is the only amber one, drawn as high as its K; the first
    // day has no quiet days before it, so no level.
    const QCPBars* amber = chart->finalBars(ActivityLevel::Amber);
    ASSERT_EQ(amber->data()->size(), 1);
    EXPECT_DOUBLE_EQ(amber->data()->at(0)->key, keyOf(bayMinute));
    EXPECT_DOUBLE_EQ(amber->data()->at(0)->value, 6);
    EXPECT_EQ(amber->brush().color(), ActivityChart::levelColour(ActivityLevel::Amber));
    EXPECT_EQ(chart->finalBars(std::nullopt)->data()->size(), 8);
    EXPECT_EQ(chart->finalBars(ActivityLevel::Green)->data()->size(), kDays * 8 - 9);
    EXPECT_EQ(chart->provisionalBars()->data()->size(), 0);
    // The badge: the latest interval.
    EXPECT_TRUE(h.activity->badge()->isVisible());
    EXPECT_EQ(h.activity->badge()->text(), QStringLiteral("Activity: green (K 0)"));
}

TEST(ActivityView, FollowsTheTimeWindowColumnForColumn) {
    Harness h;
    h.charts->showRecord(recordWithBay());
    h.settle();
    const ChannelChart* lead = h.charts->Chart[0];
    for (const auto& [from, to] : {std::pair{0.2, 0.5}, std::pair{0.6, 0.65}, std::pair{0.0, 1.0}}) {
        TZoomler* bar = h.charts->XZoomlerBar();
        const double span = bar->Max() - bar->Min();
        bar->SetWindow(bar->Min() + from * span, bar->Min() + to * span);
        h.charts->XZoomlerChanged();
        h.settle();
        EXPECT_EQ(h.activity->chart()->xAxis->range(), lead->xAxis->range());
        const QRect r = lead->axisRect()->rect();
        EXPECT_EQ(h.activity->chart()->plotColumnsInLeader(), std::make_pair(r.left(), r.right()));
    }
    // With Bx switched off the topmost shown chart leads.
    h.charts->CheckBox[0]->setChecked(false);
    h.charts->CheckBox0Click(0);
    TZoomler* bar = h.charts->XZoomlerBar();
    bar->SetWindow(bar->Min() + 0.3 * (bar->Max() - bar->Min()), bar->Max());
    h.charts->XZoomlerChanged();
    h.settle();
    EXPECT_EQ(h.activity->chart()->leader(), h.charts->Chart[1]);
    EXPECT_EQ(h.activity->chart()->xAxis->range(), h.charts->Chart[1]->xAxis->range());
    const QRect r1 = h.charts->Chart[1]->axisRect()->rect();
    EXPECT_EQ(h.activity->chart()->plotColumnsInLeader(), std::make_pair(r1.left(), r1.right()));
    // Hidden, the charts get the room back.
    h.activity->action()->setChecked(false);
    EXPECT_FALSE(h.activity->chart()->isVisible());
    EXPECT_FALSE(h.activity->badge()->isVisible());
}

TEST(ActivityView, ProvisionalBarHatched) {
    Harness h;
    const std::int64_t m = kDay0 * 1440;
    h.activity->chart()->setBars({{m, 2, false, ActivityLevel::Green}, {m + 180, 4, true, ActivityLevel::Yellow}}, 0);
    const QCPBars* p = h.activity->chart()->provisionalBars();
    ASSERT_EQ(p->data()->size(), 1);
    EXPECT_DOUBLE_EQ(p->data()->at(0)->value, 4);
    EXPECT_EQ(p->brush().style(), Qt::BDiagPattern);
    EXPECT_EQ(p->brush().color(), ActivityChart::levelColour(ActivityLevel::Yellow));
    EXPECT_EQ(h.activity->chart()->finalBars(ActivityLevel::Yellow)->data()->size(), 0);
}

TEST(ActivityView, WatchingAlertsOncePerStateChange) {
    Harness h;
    emit h.remote->watchingChanged(true);
    const QByteArray amber =
        R"({"time":"2026-12-08T13:40:00Z","station":"ABC","k":5,"provisional":true,"level":"amber","dbdt_max_10min":12.5,"alert":null})";
    h.activity->stationMessage(amber);
    const QString json =
        R"({"time":"2026-12-08T13:45:00Z","station":"ABC","k":5,"provisional":true,"level":"amber","dbdt_max_10min":12.5,"alert":"%1"})";
    EXPECT_EQ(h.log, QStringList({QStringLiteral("Activity alert k: ") + json.arg(QStringLiteral("k")),
                                  QStringLiteral("Activity alert level: ") + json.arg(QStringLiteral("level"))}));
    EXPECT_EQ(h.window.statusBar()->currentMessage(), QStringLiteral("Activity alert at ABC: level amber"));
    EXPECT_EQ(h.activity->badge()->text(), QStringLiteral("Activity: amber (K 5*)"));
    ASSERT_EQ(h.activity->chart()->bars().size(), 1u);
    EXPECT_TRUE(h.activity->chart()->bars()[0].provisional);

    // The same state again raises nothing; a quiet one clears; amber again raises the level once more.
    h.activity->stationMessage(amber);
    h.activity->stationMessage(R"({"time":"2026-12-08T15:01:00Z","k":2,"level":"green"})");
    EXPECT_EQ(h.log.size(), 2);
    EXPECT_EQ(h.activity->chart()->bars().size(), 2u);
    EXPECT_FALSE(h.activity->chart()->bars()[0].provisional);  // its interval has ended
    h.activity->stationMessage(R"({"time":"2026-12-08T15:02:00Z","k":3,"level":"amber"})");
    ASSERT_EQ(h.log.size(), 3);
    EXPECT_TRUE(h.log.back().startsWith(QStringLiteral("Activity alert level: ")));

    // Lines stop: the dead feed once, after the set minutes.
    emit h.watched.sampleDecoded(DecodedSample{}, false);
    h.now += 4 * kMinuteMs;
    h.activity->tickWatching();
    EXPECT_EQ(h.log.size(), 3);
    h.now += 2 * kMinuteMs;
    h.activity->tickWatching();
    h.activity->tickWatching();
    ASSERT_EQ(h.log.size(), 4);
    EXPECT_EQ(h.log.back(),
              QStringLiteral(R"(Activity alert dead: {"time":"2026-12-08T13:51:00Z","station":"ABC","k":3,"provisional":false,"level":"amber","dbdt_max_10min":null,"alert":"dead"})"));
    EXPECT_EQ(h.window.statusBar()->currentMessage(), QStringLiteral("Activity alert at ABC: no valid line for 5 minutes"));
}

TEST(ActivityView, RecordingFeedsTheMonitorAndItsDeadFeedAlertsOnce) {
    Harness h;
    h.activity->setRecording(true);
    emit h.recorded.dailyFileStarted("20261208134500.pc");
    DecodedSample s;
    s.day = 8;
    s.hour = 13;
    s.minute = 45;
    s.bx = 20000;
    s.by = 1500;
    emit h.recorded.sampleDecoded(s, false);
    // The first state: nothing known yet.
    EXPECT_EQ(h.activity->badge()->text(), QStringLiteral("Activity: -"));
    h.now += 6 * kMinuteMs;
    // The monitor looks at its clock every few seconds.
    for (int i = 0; i < 300 && h.log.isEmpty(); ++i) QTest::qWait(50);
    ASSERT_EQ(h.log.size(), 1);
    EXPECT_EQ(h.log[0], QStringLiteral(R"(Activity alert dead: {"time":"2026-12-08T13:51:00Z","station":"ABC","k":null,"provisional":false,"level":null,"dbdt_max_10min":null,"alert":"dead"})"));
    EXPECT_EQ(h.window.statusBar()->currentMessage(), QStringLiteral("Activity alert at ABC: no valid line for 5 minutes"));
    QTest::qWait(ActivityFeed::kTickMs + 500);
    EXPECT_EQ(h.log.size(), 1);  // once per change of state
    h.activity->setRecording(false);
}

TEST(ActivityView, BadStationMessagesLoggedAtMostOnceAMinute) {
    Harness h;
    emit h.remote->watchingChanged(true);
    h.activity->stationMessage("nope");
    h.activity->stationMessage("{}");
    emit h.remote->activityOversized(5000);
    EXPECT_EQ(h.log, QStringList({QStringLiteral("Remote station: 1 activity message(s) not read (the last: not JSON: illegal value)")}));
    h.now += 61'000;
    h.activity->stationMessage("[1]");
    EXPECT_EQ(h.log.size(), 2);
    EXPECT_EQ(h.log.back(), QStringLiteral("Remote station: 3 activity message(s) not read (the last: not a JSON object)"));
    EXPECT_EQ(h.activity->badge()->text(), QStringLiteral("Activity: -"));
}

TEST(ActivityView, SettingsKeys) {
    Harness h;
    SettingsStore store(h.dir.filePath(QStringLiteral("out.ini")));
    store.setValue(QStringLiteral("Activity"), QStringLiteral("K9"), QStringLiteral("750"));
    store.setValue(QStringLiteral("Activity"), QStringLiteral("AlertLevel"), QStringLiteral("red"));
    store.setValue(QStringLiteral("Activity"), QStringLiteral("AlertDeadMinutes"), QStringLiteral("zero"));
    store.setValue(QStringLiteral("Export"), QStringLiteral("Longitude"), QStringLiteral("24.5"));
    h.activity->restoreSettings(store);
    EXPECT_FALSE(h.activity->shown());
    EXPECT_EQ(h.activity->settings().k.k9LowerLimitNt, 750);
    EXPECT_EQ(h.activity->settings().k.longitudeDeg, 24.5);
    EXPECT_EQ(h.activity->settings().alerts.level, ActivityLevel::Red);
    EXPECT_EQ(h.activity->settings().alerts.deadMinutes, 5);
    h.activity->setShown(true);
    h.activity->saveSettings(store);
    const struct {
        const char* key;
        const char* value;
    } expected[] = {{"Shown", "1"},  {"K9", "750"},         {"Levels", "50,100,200"},
                    {"AlertK", "5"}, {"AlertLevel", "red"}, {"AlertDeadMinutes", "5"}};
    for (const auto& e : expected) {
        EXPECT_EQ(store.value(QStringLiteral("Activity"), QString::fromLatin1(e.key)), QString::fromLatin1(e.value)) << e.key;
    }
}

TEST(ActivityView, TheMainWindowPlacesItAndRemembersItsChoice) {
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    {
        MainFormOptions options;
        options.exeDir = dir.path();
        TMainForm form(options);
        form.show();
        QApplication::processEvents();
        auto* activity = form.findChild<ActivityView*>();
        ASSERT_NE(activity, nullptr);
        EXPECT_TRUE(form.View1->actions().contains(activity->action()));
        EXPECT_EQ(activity->action()->text(), QStringLiteral("Activity"));
        EXPECT_FALSE(activity->chart()->isVisible());
        activity->action()->trigger();
        QApplication::processEvents();
        EXPECT_TRUE(activity->chart()->isVisible());
        const QWidget& charts = form.charts();
        EXPECT_GE(activity->chart()->mapTo(&form, QPoint(0, 0)).y(), charts.mapTo(&form, QPoint(0, charts.height())).y());
        EXPECT_EQ(activity->badge()->text(), QStringLiteral("Activity: -"));
        form.close();
    }
    SettingsStore store(dir.filePath(QStringLiteral("kordel.ini")));
    EXPECT_EQ(store.value(QStringLiteral("Activity"), QStringLiteral("Shown")), QStringLiteral("1"));
    QDir::setCurrent(previous);
}

}  // namespace
