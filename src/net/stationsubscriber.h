#pragma once
// Watches one remote station: subscribes to kordel/<CODE>/line,
// kordel/<CODE>/state and kordel/<CODE>/activity and hands on, in the owner's
// thread, the device lines (61 characters each; anything else is dropped and
// counted), the state (printable characters only) and the activity messages
// as they came (net/activitymessage.h reads them). A message over kMaxMessage bytes is dropped
// before it is copied.

#include <QObject>

#include "net/mqttclient.h"

namespace kordel {

class StationSubscriber : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxMessage = 1024;

    explicit StationSubscriber(QObject* parent = nullptr);

    bool start(const MqttOptions& options, const QString& station, QString& error);
    void stop();
    bool isConnected() const { return client_ && client_->isConnected(); }

signals:
    void lineReceived(const QByteArray& line);  // 61 characters, no CR LF
    void notALine(int bytes);                   // a message on the line topic of another shape
    void messagesDropped(int count);            // a flood: more came than could be handed on
    void stateChanged(const QString& state);    // the station's "online" / "offline"
    void activityReceived(const QByteArray& payload);  // at most kMaxMessage bytes, unread
    void activityOversized(int bytes);
    void connectionChanged(bool connected);
    void unreachable(const QString& reason);    // an attempt to connect failed; tried again
    void refused(const QString& reason);        // credentials or certificate

private:
    void onMessage(const QByteArray& topic, const QByteArray& payload);

    std::unique_ptr<MqttClient> client_;
    QByteArray lineTopic_;
    QByteArray stateTopic_;
    QByteArray activityTopic_;
    bool everConnected_ = false;
};

}  // namespace kordel
