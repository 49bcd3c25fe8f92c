#pragma once
// Watching a remote station: the program shows the lines another station
// publishes to a broker on its live charts, as if it were recording them (the
// same decoding and live window), without writing any daily file.
//
// The capability owns its parts: the menu-bar item "Remote station...", its
// dialog, its section of the settings file ("RemoteStation": Url, Station,
// User, CaFile; never the password; HistoryHours, the hours of the station's
// lines asked for on connecting, 6 unless set by hand) and its text in the
// status bar, plain text (the station's state is whatever someone published).
// Outages are filled by the subscriber's replay. The main window
// places the action and the status label, hands in its recorder listener (the
// charts' side of recording) and calls stop() from Stop.

#include <QObject>
#include <QElapsedTimer>
#include <QPointer>
#include <functional>
#include <optional>

#include "app/capability.h"
#include "files/dailyrecorder.h"
#include "net/remotestationdialog.h"
#include "net/stationsubscriber.h"

class QAction;
class QLabel;
class QWidget;

namespace kordel {

class RemoteStation : public Capability, private RecorderListener {
    Q_OBJECT
public:
    // Asks the user (a modal TRemoteStationDialog unless tests put in their own).
    using Ask = std::function<std::optional<RemoteStationSettings>(QWidget*, const RemoteStationSettings&)>;

    RemoteStation(QWidget* window, RecorderListener& charts, const QString& settingsPath);
    ~RemoteStation() override;

    QAction* action() const { return action_; }
    QList<QAction*> menuActions() const override { return {action_}; }
    // While recording, the menu item waits.
    void setRecording(bool recording) override;
    void setStatusLabel(QLabel* label);
    void setAsk(Ask ask) { ask_ = std::move(ask); }

    // The menu item: asks, keeps the answer (but the password) in the
    // settings file and watches the station.
    void RemoteStation1Click();
    // False, with a box saying why, when the settings cannot be used.
    bool watch(const RemoteStationSettings& settings);
    // Stop: no more lines; the charts keep what they show, the window's title
    // no longer names the station.
    void stop();

    bool watching() const { return watching_; }
    const RemoteStationSettings& settings() const { return settings_; }

signals:
    void watchingChanged(bool watching);
    // The station's kordel/<CODE>/activity messages as they came (at most
    // 1 KiB), or the size of one that was larger.
    void activityReceived(const QByteArray& payload);
    void activityOversized(int bytes);

private:
    void loadSettings();
    void saveSettings();
    void setStatus(const QString& text);
    void onLine(const QByteArray& line);
    void onNotALine(int bytes);
    void onUnreachable(const QString& reason);
    void onRefused(const QString& reason);

    void onDailyFileStarted(const std::string& name) override;
    void onSample(const DecodedSample& sample, bool dropOldest) override;
    void onLog(const std::string& text) override;
    void onFileError(const std::string&) override {}

    QWidget* window_;
    RecorderListener& charts_;
    QString settingsPath_;
    QAction* action_;
    QPointer<QLabel> status_;
    Ask ask_;
    StationSubscriber subscriber_;
    DailyRecorder recorder_{std::string(), *this, false};
    RemoteStationSettings settings_;
    QString stationState_;
    bool connected_ = false;
    bool watching_ = false;
    QElapsedTimer badReported_;  // the last report of messages that are no line
    int badCount_ = 0;           // since then
    QElapsedTimer droppedReported_;  // the same for messages dropped in a flood
    int droppedCount_ = 0;
    std::string url_;
    bool unreachableShown_ = false;
    bool away_ = false;
};

}  // namespace kordel
