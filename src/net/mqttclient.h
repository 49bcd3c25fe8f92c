#pragma once
// One MQTT client over libmosquitto, with the library's network thread running
// for as long as the object lives. libmosquitto calls back on that thread; every
// callback is handed to the owner's thread as a queued call, so the signals
// below arrive in the owner's event loop like any other Qt signal.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
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
};

// What a refusing broker or a certificate check says, as the user should read it.
QString connackText(int code);

class MqttClient : public QObject {
    Q_OBJECT
public:
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

    // Queues a message; the message id, or nothing when the client cannot take
    // it (not started, or the payload is refused).
    std::optional<int> publish(const QByteArray& topic, const QByteArray& payload, int qos, bool retain);
    bool subscribe(const QByteArray& topic, int qos);
    bool isConnected() const { return connected_; }

signals:
    void connected();
    // The broker answered the connection with a refusal (bad user or password,
    // not authorised, …): `code` is the CONNACK code.
    void refused(int code, const QString& reason);
    void disconnected(const QString& reason);
    // The broker acknowledged message `mid` (QoS 1: PUBACK).
    void published(int mid);
    void messageReceived(const QByteArray& topic, const QByteArray& payload);
    // An error that libmosquitto only logs, such as a failed TLS handshake.
    void errorLogged(const QString& text);

private:
    static void onConnect(mosquitto*, void* self, int rc);
    static void onDisconnect(mosquitto*, void* self, int rc);
    static void onPublish(mosquitto*, void* self, int mid);
    static void onMessage(mosquitto*, void* self, const mosquitto_message* message);
    static void onLog(mosquitto*, void* self, int level, const char* text);
    void attempt();
    void restartAfterTlsError(const QString& text);

    mosquitto* mosq_ = nullptr;
    BrokerAddress address_;
    QTimer retry_;
    bool started_ = false;
    bool loopRunning_ = false;
    bool connected_ = false;
};

}  // namespace kordel
