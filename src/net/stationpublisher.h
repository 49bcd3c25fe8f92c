#pragma once
// Publishes a station's device lines to an MQTT broker from the daily files on
// disk. The promise: every valid line written to a daily file reaches the
// broker at least once, whatever the order of file names, restarts, crashes,
// full disks, refusals or slow name lookups.
//
// The files are the journal: the publisher reads them from its saved state and
// sends every valid line to kordel/<CODE>/line (QoS 1), a bounded number at a
// time. The state (the position up to which the broker acknowledged every
// line, and the daily files still to be sent after it) is kept in
// kordel-mqtt-<CODE>.position beside the files; it is saved at once when a
// file joins the queue, at most every kSaveIntervalMs when only the position
// moved, and at the end, always whole (a temporary file synced and renamed).
// A save that fails is logged and does not count. After a crash the lines
// since the last saved position go out again.
//
// Where it starts: from the saved state; on a first start from the end of what
// is on disk, recorded at once; from a damaged state (logged) at the oldest
// daily file. A daily file that sorts before the position (the instrument's
// clock set back) is sent too: the recorder names each new daily file
// (dailyFileStarted), and otherwise only the folder's change time is looked at
// before the folder is listed, so 10,000 old files cost nothing per line.
//
// The lines also go to kordel/<CODE>/journal, after the lines themselves,
// gathered into messages of at most kMaxBatchEntries naming each line's daily
// file and offset (one per line while live: a message goes out whenever
// reading reaches the end of what is on disk); the position moves past a line
// only once its journal message is acknowledged too; and watchers' requests on kordel/<CODE>/replay/request are answered
// from the daily files (net/replayserver.h), a message every
// ReplayServer::kStepMs at most and only while no live line waits.
//
// kordel/<CODE>/state holds "online" (retained) while connected; "offline" is
// the will and is published at a clean end.
//
// One owner per station code: the owner is an id kept in
// kordel-mqtt-<CODE>.owner beside the daily files (made at the first start)
// and published, retained, as "<id> <host>" on kordel/<CODE>/owner. On every
// connection the publisher first reads the retained owner and state: another
// id that is online means another publisher of the same code, which is logged
// naming it; this one then leaves cleanly (no will, so the state stays
// "online") and asks again a minute later. The same id takes over at once, even
// from a retained "online" left by a crash. Only the owner publishes "online",
// lines and "offline".
//
// The recorder never waits for it: lineWritten() only schedules a read, and
// the client connects on a worker thread. A broker that goes away is logged
// once, and once when it is back; a broker that refuses the user or the
// certificate is logged each time it is asked, about once a minute, while the
// recording goes on.

#include <QObject>
#include <QTimer>
#include <QElapsedTimer>
#include <deque>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "net/journal.h"
#include "net/mqttclient.h"
#include "net/replayserver.h"

namespace kordel {

class StationPublisher : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxInflight = 100;
    static constexpr int kTickMs = 1000;
    static constexpr int kSaveIntervalMs = 5000;
    static constexpr int kReadBlock = 64 * 1024;
    static constexpr int kOfflineWaitMs = 1000;
    // Replay messages waiting for the broker's acknowledgement, at most.
    static constexpr int kMaxReplayInflight = 8;

    using LogFunction = std::function<void(const std::string&)>;

    // `folder`: where the daily files are ("" for the working directory).
    StationPublisher(std::string folder, std::string station, LogFunction log, QObject* parent = nullptr);
    ~StationPublisher() override;

    // "kordel-mqtt-<CODE>.position" in the folder.
    static std::string positionFileName(const std::string& station);
    // "kordel-mqtt-<CODE>.owner" in the folder.
    static std::string ownerFileName(const std::string& station);

    // Reads and saves the starting state and starts connecting. False with the
    // reason when the options cannot be used.
    bool start(const MqttOptions& options, QString& error);
    // The recorder wrote a line: read on from the position.
    void lineWritten();
    // The recorder began the daily file `name` (a name without folder).
    void dailyFileStarted(const std::string& name);
    // A clean end: sends what the files still hold and waits for the broker's
    // acknowledgements for at most `timeoutMs`, publishes "offline", disconnects
    // and saves the position.
    void finish(int timeoutMs = 3000);

    // The station's activity (processing/alerts.h's message) as the retained
    // message of kordel/<CODE>/activity, QoS 1. Only the latest counts: it is
    // sent at once while this publisher owns the code, else when it next
    // does, and again at every new connection (a broker that lost it).
    void publishActivity(const QByteArray& payload);

    const JournalPosition& committed() const { return window_.committed(); }
    const QByteArray& ownerId() const { return ownerId_; }

signals:
    // The broker refused the user, the password or its certificate (already
    // logged); publishing is asked for again later.
    void refused(const QString& message);
    // Every acknowledged line (benchmarks and tests watch the progress).
    void acknowledged();

private:
    void schedulePump();
    void pump();
    bool pumpFile();
    bool moveToNextFile();
    bool lookForNewFiles();
    void queueFile(const std::string& name, std::uint64_t offset);
    bool isQueued(const std::string& name) const;
    std::string path(const std::string& name) const;
    void loadState();
    JournalState currentState() const;
    void saveState(bool now);
    void dropCommittedFiles();
    void onConnected();
    void onDisconnected(const QString& reason);
    void onRefused(const QString& reason);
    void onError(const QString& text);
    void onPublished(int mid);
    void onMessage(const QByteArray& topic, const QByteArray& payload);
    void onSubscribed(int mid);
    void replayStep();
    void flushJournal();
    bool refill();
    void loadOwner();
    bool idle() const;
    void waitUntil(const std::function<bool()>& done, int timeoutMs);

    std::string folder_;
    std::string station_;
    QByteArray lineTopic_;
    QByteArray stateTopic_;
    QByteArray ownerTopic_;
    QByteArray checkTopic_;
    QByteArray journalTopic_;
    QByteArray requestTopic_;
    QByteArray activityTopic_;
    QByteArray activity_;  // the latest activity message, empty before the first
    QByteArray ownerId_;
    QByteArray retainedOwner_;  // as read at this connection
    QByteArray retainedState_;
    std::optional<int> checkMid_;
    bool owning_ = false;
    std::string url_;
    LogFunction log_;
    MqttClient client_;
    ReplayServer replay_;
    QTimer replayTick_;
    std::set<int> replayMids_;
    // The journal message being gathered: its entries, the position before
    // its first line and after its last.
    std::string journal_;
    std::size_t journalCount_ = 0;
    JournalPosition journalStart_;
    JournalPosition journalEnd_;
    QElapsedTimer sinceStart_;
    QElapsedTimer droppedLogged_;
    int droppedRequests_ = 0;
    AckWindow window_{kMaxInflight};
    // The journal from the committed file on, each entry where reading of a
    // file starts; queue_[readIndex_] is the file being read.
    std::deque<JournalPosition> queue_;
    std::size_t readIndex_ = 0;
    JournalPosition read_;
    std::set<std::string> known_;  // every daily file name seen in the folder
    std::int64_t folderStamp_ = -1;
    JournalState saved_;
    bool queueChanged_ = false;
    QElapsedTimer sinceSave_;
    QTimer tick_;
    QTimer unreachableTimer_;
    std::vector<JournalLine> scratch_;
    // What was last read of a daily file: its name, where the block starts.
    std::string readFile_;
    std::uint64_t readStart_ = 0;
    std::string readBuffer_;
    bool pumpScheduled_ = false;
    bool everConnected_ = false;
    bool awayLogged_ = false;
    bool atEnd_ = false;
    bool saveFailureLogged_ = false;
    int offlineMid_ = -1;
};

}  // namespace kordel
