#pragma once
// Publishes a station's device lines to an MQTT broker from the daily files on
// disk. The files are the journal: the publisher reads them in name order from
// its saved position and sends every valid line to kordel/<CODE>/line (QoS 1),
// a bounded number at a time; the position moves on only past lines the broker
// acknowledged and is saved beside the files at most once a second and at the
// end. After a crash the lines since the last saved position go out again, so
// every line reaches the broker at least once and in order.
//
// kordel/<CODE>/state holds "online" (retained) while connected; "offline" is
// the will and is published at a clean end.
//
// The recorder never waits for it: lineWritten() only schedules a read. A broker
// that goes away is logged once, and once when it is back.

#include <QObject>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "net/journal.h"
#include "net/mqttclient.h"

namespace kordel {

class StationPublisher : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxInflight = 100;
    static constexpr int kSaveIntervalMs = 1000;
    static constexpr int kReadBlock = 64 * 1024;
    static constexpr int kOfflineWaitMs = 1000;

    using LogFunction = std::function<void(const std::string&)>;

    // `folder`: where the daily files are ("" for the working directory).
    StationPublisher(std::string folder, std::string station, LogFunction log, QObject* parent = nullptr);
    ~StationPublisher() override;

    // "kordel-mqtt-<CODE>.position" in the folder.
    static std::string positionFileName(const std::string& station);

    // Reads the saved position (none: from the end of what is on disk now) and
    // starts connecting. False with the reason when the options cannot be used.
    bool start(const MqttOptions& options, QString& error);
    // The recorder wrote a line: read on from the position.
    void lineWritten();
    // A clean end: sends what the files still hold and waits for the broker's
    // acknowledgements for at most `timeoutMs`, publishes "offline", disconnects
    // and saves the position.
    void finish(int timeoutMs = 3000);

    const JournalPosition& committed() const { return window_.committed(); }

signals:
    // The broker refused the credentials or the certificate before the first
    // connection: the station cannot publish as configured.
    void fatal(const QString& message);
    // Every acknowledged line (benchmarks and tests watch the progress).
    void acknowledged();

private:
    void schedulePump();
    void pump();
    bool pumpFile();
    bool moveToNextFile();
    std::vector<std::string> dailyFiles() const;
    std::string path(const std::string& name) const;
    void startPosition();
    void savePosition();
    void onConnected();
    void onDisconnected(const QString& reason);
    void onRefused(const QString& reason);
    void onError(const QString& text);
    void onPublished(int mid);
    bool idle() const;
    void waitUntil(const std::function<bool()>& done, int timeoutMs);

    std::string folder_;
    std::string station_;
    QByteArray lineTopic_;
    QByteArray stateTopic_;
    std::string url_;
    LogFunction log_;
    MqttClient client_;
    AckWindow window_{kMaxInflight};
    JournalPosition read_;
    JournalPosition saved_;
    QTimer saveTimer_;
    QTimer unreachableTimer_;
    std::vector<JournalLine> scratch_;
    bool pumpScheduled_ = false;
    bool everConnected_ = false;
    bool awayLogged_ = false;
    bool atEnd_ = false;
    bool saveFailureLogged_ = false;
    int offlineMid_ = -1;
};

}  // namespace kordel
