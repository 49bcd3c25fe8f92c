#pragma once
// Watches one remote station and hands on, in the owner's thread, each of its
// valid lines once, with no gap left by the watcher's own absences.
//
// It subscribes to kordel/<CODE>/journal (the station's lines with their daily
// file and offset), kordel/<CODE>/state and the answers to its own replay
// requests (net/replay.h). On every connection it asks the station for what it
// missed: after the last line it holds, or, when it holds none, the last
// historyHours of lines (none when 0). Until the answer has ended, lines
// arriving live are held back (at most kMaxHeld; past that they are dropped
// and asked for again) and then handed on after the replayed ones, so a user
// sees each daily file's lines in the file's order. A line whose (file,
// offset) is held already is not handed on again, even when its bytes equal
// another's. A request not answered within kReplayTimeoutMs is asked again,
// and at once when the station comes online; after kMaxAttempts the held lines
// are handed on and the next connection asks again.
//
// A station that publishes only kordel/<CODE>/line (no journal) is shown too:
// its lines are handed on kPlainLineWaitMs late (a station with a journal
// sends each journal message right after its lines, and then the line topic
// is left alone), without a place and without replay.
//
// A message over its limit is dropped before it is copied: kMaxMessage bytes
// on the line and state topics, kMaxBatchBytes on the journal and replay ones.
//
// It also subscribes to kordel/<CODE>/activity and hands on the station's
// activity messages as they came (net/activitymessage.h reads them).

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <deque>
#include <memory>
#include <optional>

#include "net/mqttclient.h"
#include "net/replay.h"

namespace kordel {

class StationSubscriber : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxMessage = 1024;
    static constexpr int kReplayTimeoutMs = 15000;
    static constexpr int kBusyRetryMs = 5000;
    static constexpr int kMaxAttempts = 4;
    static constexpr std::size_t kMaxHeld = 100'000;
    static constexpr int kPlainLineWaitMs = 1000;

    explicit StationSubscriber(QObject* parent = nullptr);

    // The history asked for when nothing is held yet, in hours (0: none).
    void setHistoryHours(int hours) { historyHours_ = hours; }
    // Lines held already (a collector's saved copy) and the last one handed
    // on: the first request asks for what came after it. Before start().
    void setHeld(const LineCoverage& coverage, const std::optional<JournalPosition>& last);

    bool start(const MqttOptions& options, const QString& station, QString& error);
    void stop();
    bool isConnected() const { return client_ && client_->isConnected(); }
    // True while an answer to a replay request is awaited.
    bool replaying() const { return pending_; }
    const LineCoverage& coverage() const { return coverage_; }
    // Just past the last line handed on: where the next request starts.
    const std::optional<JournalPosition>& last() const { return last_; }

signals:
    void lineReceived(const QByteArray& line);  // 61 characters, no CR LF
    // The same line with its place in the station's daily files (journal and
    // replay only); the file name is a checked daily file name.
    void entryReceived(const kordel::JournalEntry& entry);
    void notALine(int bytes);                   // a message on the line topic of another shape
    void messagesDropped(int count);            // a flood: more came than could be handed on
    void stateChanged(const QString& state);    // the station's "online" / "offline"
    void activityReceived(const QByteArray& payload);  // at most kMaxMessage bytes, unread
    void activityOversized(int bytes);
    void connectionChanged(bool connected);
    void unreachable(const QString& reason);    // an attempt to connect failed; tried again
    void refused(const QString& reason);        // credentials or certificate
    // A replay ended: "end", "cut", "busy", "unknown" or "no answer".
    void replayEnded(const QString& how);

private:
    void onConnected();
    void onMessage(const QByteArray& topic, const QByteArray& payload, bool retained);
    void onJournal(const QByteArray& payload);
    void onAnswer(const QByteArray& payload);
    void ask();
    void finishReplay(const QString& how);
    void deliver(const JournalEntry& entry);

    std::unique_ptr<MqttClient> client_;
    QByteArray lineTopic_;
    QByteArray stateTopic_;
    QByteArray journalTopic_;
    QByteArray requestTopic_;
    QByteArray answerTopic_;
    std::string id_;
    std::uint64_t number_ = 0;
    int historyHours_ = 0;
    int attempts_ = 0;
    QByteArray activityTopic_;
    bool everConnected_ = false;
    bool journalSeen_ = false;
    bool pending_ = false;
    bool heldOverflow_ = false;
    bool answered_ = false;  // a message of the current request's answer came
    LineCoverage coverage_;
    std::optional<JournalPosition> last_;
    std::deque<JournalEntry> held_;
    QTimer replayTimer_;
    QList<QByteArray> plainLines_;  // from the line topic, waiting for kPlainLineWaitMs
    QTimer plainTimer_;
};

}  // namespace kordel
