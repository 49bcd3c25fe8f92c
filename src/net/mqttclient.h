#pragma once
// One MQTT client over libmosquitto, with the library's network thread running
// for as long as the object lives. libmosquitto calls back on that thread; every
// callback is handed to the owner's thread as a queued call, so the signals
// below arrive in the owner's event loop like any other Qt signal.
//
// The owner's thread never waits for the network: libmosquitto looks the
// broker's name up inside its connect call, which can take many seconds with a
// resolver that does not answer, so connecting (and stopping after a refusal)
// runs on a short-lived worker thread. A client destroyed while a worker still
// waits leaves the worker to finish and clean up on its own.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>

#include "net/brokeraddress.h"

struct mosquitto;
struct mosquitto_message;

namespace kordel {

struct MqttOptions {
    BrokerAddress address;
    QString user;         // empty: no user name
    QByteArray password;  // never logged
    QString caFile;       // mqtts: the CA that signed the broker's certificate; empty: the system's CAs
    QByteArray clientId;  // empty: a random one
    bool cleanSession = true;
    QByteArray willTopic;  // empty: no will
    QByteArray willPayload;
    int maxInflight = 100;
    int reconnectDelaySeconds = 2;
    // After a refusal (user, password, certificate): the same answer is
    // likely for a while, so it is asked again only this seldom.
    int refusedRetrySeconds = 60;
    // A received message longer than this is not handed on (0: no limit):
    // anyone who may publish on a topic could otherwise fill the memory.
    int maxPayload = 0;
};

// What a refusing broker or a certificate check says, as the user should read it.
QString connackText(int code);

class MqttClient : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxQueued = 10000;

    explicit MqttClient(QObject* parent = nullptr);
    ~MqttClient() override;
    MqttClient(const MqttClient&) = delete;
    MqttClient& operator=(const MqttClient&) = delete;

    // Sets the client up and starts connecting in the background; a broker that
    // is not there is tried again every reconnectDelaySeconds (libmosquitto's
    // own thread retries only once a connection was under way, so the first
    // attempts, and those after a failed TLS handshake, which ends its thread,
    // are made from here). False with the
    // reason when the options cannot be used (a CA file that does not load).
    bool start(const MqttOptions& options, QString& error);
    // A clean end: DISCONNECT (no will), then the network thread stops.
    void stop();
    // Leaves the broker cleanly (no will) and connects again after
    // refusedRetrySeconds: done on its own after a refusal.
    void pause();

    // Queues a message; the message id, or nothing when the client cannot take
    // it (not started, or the payload is refused).
    std::optional<int> publish(const QByteArray& topic, const QByteArray& payload, int qos, bool retain);
    // The subscription's message id (its SUBACK comes as `subscribed`).
    std::optional<int> subscribe(const QByteArray& topic, int qos);
    bool isConnected() const { return connected_; }

signals:
    void connected();
    // The broker answered the connection with a refusal (bad user or password,
    // not authorised, …): `code` is the CONNACK code.
    void refused(int code, const QString& reason);
    void disconnected(const QString& reason);
    // An attempt to connect failed before the broker answered (no broker at
    // the port, a name that does not resolve, …); tried again on its own.
    void unreachable(const QString& reason);
    // The broker acknowledged message `mid` (QoS 1: PUBACK).
    void published(int mid);
    void subscribed(int mid);
    // `retained`: a message the broker kept, handed over on subscribing
    // (not one just published).
    void messageReceived(const QByteArray& topic, const QByteArray& payload, bool retained);
    // A message over maxPayload arrived and was dropped.
    void oversized(const QByteArray& topic, int bytes);
    // `count` messages were dropped because kMaxQueued were still waiting for
    // the owner's thread (a flood): memory stays bounded.
    void messagesDropped(int count);
    // An error that libmosquitto only logs, such as a failed TLS handshake.
    void errorLogged(const QString& text);

private:
    struct Link;
    static void onConnect(mosquitto*, void* link, int rc);
    static void onDisconnect(mosquitto*, void* link, int rc);
    static void onPublish(mosquitto*, void* link, int mid);
    static void onSubscribe(mosquitto*, void* link, int mid, int count, const int* granted);
    static void onMessage(mosquitto*, void* link, const mosquitto_message* message);
    static void onLog(mosquitto*, void* link, int level, const char* text);
    void attempt();
    void workerDone(bool connecting);

    std::shared_ptr<Link> link_;
    BrokerAddress address_;
    QTimer retry_;
    int retryMs_ = 2000;
    int refusedRetryMs_ = 60000;
    bool started_ = false;
    bool workerBusy_ = false;   // a worker connects or stops the network thread
    bool pausing_ = false;
    bool pauseWanted_ = false;  // asked for while the connecting worker had not reported back      // a worker stops it: the library's object is not to be touched
    bool loopRunning_ = false;  // as the last worker left it
    bool connected_ = false;
};

}  // namespace kordel
