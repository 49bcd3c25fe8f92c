#pragma once
// View > "Activity": the K bars under the traces (charts/activitychart.h),
// the status bar's badge with the activity now, and the program's activity
// alerts while recording or watching.
//
// Where the activity comes from:
//   - an opened record: its horizontal minute values (processing/
//     horizontalinput.h) turned into K and levels in a worker thread, once
//     per record and revision, the charts going on meanwhile;
//   - recording: the recorded lines into the live monitor (link/
//     activityfeed.h); the bars are made again from its minute values once a
//     minute at most, the badge follows its state;
//   - watching a remote station: the station's own kordel/<CODE>/activity
//     messages (the watcher may not hold the days the K needs); each message
//     sets the badge and the bar of its interval. A message that does not
//     read is counted and logged at most once a minute.
//
// Alerts (recording or watching): K at or over the alert K, the level at or
// over the alert level, or no line for the set minutes, each once when it
// starts to hold (processing/alerts.h). Each goes to the event log as the
// station recorder logs it ("Activity alert level: {…}") and to the desktop:
// a tray message where the desktop has a tray, otherwise the status bar's
// message; never a box that waits for an answer.
//
// Settings, section [Activity]: Shown (View > "Activity"), K9 (L9 in nT,
// 500), Levels ("50,100,200" nT), AlertK (5), AlertLevel (amber),
// AlertDeadMinutes (5). The station's longitude, its code and the clock's
// UTC offset are the Export's ([Export] Longitude, StationCode, UtcOffset).

#include <QFutureWatcher>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "app/capability.h"
#include "processing/activitybars.h"
#include "processing/liveactivity.h"

class QAction;
class QLabel;
class QMenu;
class QStatusBar;
class QSystemTrayIcon;

namespace kordel {

class ActivityChart;
class ActivityFeed;
class ChartView;
class Record;
class RecorderEvents;
class RemoteStation;
struct DecodedSample;
struct StationActivity;

class ActivityView : public Capability {
    Q_OBJECT
public:
    struct Parts {
        ChartView& charts;         // the bars go under it, in the layout that holds it
        QMenu* viewMenu;           // takes "Activity"
        QStatusBar* statusBar;     // takes the badge
        RecorderEvents& recorded;  // the recording run's lines
        RecorderEvents& watched;   // the remote station's lines
        RemoteStation& remote;
        std::function<void(const QString&)> log;  // one event log entry
    };
    static constexpr int kBarsEveryMs = 60'000;
    static constexpr int kBadMessageReportMs = 60'000;

    ActivityView(QObject* parent, Parts parts);
    ~ActivityView() override;

    void restoreSettings(const SettingsStore& store) override;
    void saveSettings(SettingsStore& store) const override;
    void setRecording(bool recording) override;

    void setShown(bool shown);
    bool shown() const;
    QAction* action() const { return action_; }
    ActivityChart* chart() const { return chart_; }
    QLabel* badge() const { return badge_; }
    const LiveActivitySettings& settings() const { return settings_; }
    void setSettings(const LiveActivitySettings& settings) { settings_ = settings; }

    // A station's activity message, as the remote station hands it on.
    void stationMessage(const QByteArray& payload);
    // The record shown is looked at again (after each replot of the charts).
    void recordMaybeChanged();
    // Waits for a computation in the worker (tests, benchmarks).
    void waitForWorker();
    // The feed's clock while watching or recording, UT ms (tests put in their own).
    void setClock(LiveActivity::Clock clock) { clock_ = std::move(clock); }
    // Every few seconds, while watching: the dead feed.
    void tickWatching();

signals:
    // An alert's text as the desktop shows it.
    void alertShown(const QString& text);

private:
    void setBadge(std::optional<int> k, bool provisional, std::optional<ActivityLevel> level);
    void showBars(std::vector<ActivityBar> bars);
    void liveBars();
    void onWatching(bool watching);
    void onWatchedLine();
    void raise(const ActivityNow& now, AlertKind kind);
    void notify(const QString& text);
    void badMessage(const QString& why);

    Parts parts_;
    QAction* action_ = nullptr;
    ActivityChart* chart_ = nullptr;
    QLabel* badge_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    LiveActivitySettings settings_;
    std::int64_t clockAheadMs_ = 0;
    std::string station_;
    LiveActivity::Clock clock_;

    // Opened records.
    const Record* computedRecord_ = nullptr;
    std::uint64_t computedRevision_ = 0;
    std::shared_ptr<const Record> pending_;
    QFutureWatcher<std::vector<ActivityBar>> worker_;

    // Recording.
    bool recording_ = false;
    std::unique_ptr<ActivityFeed> feed_;
    std::string dailyFile_;
    QTimer barsTimer_;

    // Watching.
    bool watching_ = false;
    std::unique_ptr<AlertMonitor> watchMonitor_;
    ActivityNow watchedNow_;
    std::map<std::int64_t, ActivityBar> watchedBars_;
    QTimer watchTick_;
    int badMessages_ = 0;
    std::optional<std::int64_t> badReportedMs_;
};

}  // namespace kordel
