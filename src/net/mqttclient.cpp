#include "net/mqttclient.h"

#include <QMetaObject>
#include <cerrno>
#include <cstring>
#include <mosquitto.h>

namespace kordel {

namespace {

// lib_init/lib_cleanup once for the process: a function-local object is made
// on first use and cleaned up at exit, after every client is gone.
struct MosquittoLibrary {
    MosquittoLibrary() { mosquitto_lib_init(); }
    ~MosquittoLibrary() { mosquitto_lib_cleanup(); }
    MosquittoLibrary(const MosquittoLibrary&) = delete;
    MosquittoLibrary& operator=(const MosquittoLibrary&) = delete;
};

void useLibrary() { static MosquittoLibrary library; }

QString errorText(int rc) {
    if (rc == MOSQ_ERR_ERRNO) {
        return QString::fromLocal8Bit(std::strerror(errno));
    }
    return QString::fromUtf8(mosquitto_strerror(rc));
}

}  // namespace

QString connackText(int code) {
    switch (code) {
    case 1: return QStringLiteral("the broker does not speak this protocol version");
    case 2: return QStringLiteral("the broker refused the client id");
    case 3: return QStringLiteral("the broker is unavailable");
    case 4: return QStringLiteral("the broker refused the user name or password");
    case 5: return QStringLiteral("the broker refused the connection: not authorised (user name or password)");
    default: return QStringLiteral("the broker refused the connection (code %1)").arg(code);
    }
}

MqttClient::MqttClient(QObject* parent) : QObject(parent) {
    useLibrary();
    connect(&retry_, &QTimer::timeout, this, &MqttClient::attempt);
}

MqttClient::~MqttClient() {
    stop();
    if (mosq_ != nullptr) {
        mosquitto_destroy(mosq_);
    }
}

bool MqttClient::start(const MqttOptions& o, QString& error) {
    if (mosq_ != nullptr) {
        error = QStringLiteral("the MQTT client is already started");
        return false;
    }
    mosq_ = mosquitto_new(o.clientId.isEmpty() ? nullptr : o.clientId.constData(), o.cleanSession, this);
    if (mosq_ == nullptr) {
        error = QStringLiteral("cannot create an MQTT client: %1").arg(errorText(MOSQ_ERR_ERRNO));
        return false;
    }
    mosquitto_connect_callback_set(mosq_, &MqttClient::onConnect);
    mosquitto_disconnect_callback_set(mosq_, &MqttClient::onDisconnect);
    mosquitto_publish_callback_set(mosq_, &MqttClient::onPublish);
    mosquitto_message_callback_set(mosq_, &MqttClient::onMessage);
    mosquitto_log_callback_set(mosq_, &MqttClient::onLog);
    mosquitto_int_option(mosq_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_max_inflight_messages_set(mosq_, static_cast<unsigned>(o.maxInflight));
    const auto delay = static_cast<unsigned>(o.reconnectDelaySeconds);
    mosquitto_reconnect_delay_set(mosq_, delay, delay, false);
    if (!o.user.isEmpty()) {
        const QByteArray user = o.user.toUtf8();
        mosquitto_username_pw_set(mosq_, user.constData(), o.password.isEmpty() ? nullptr : o.password.constData());
    }
    if (!o.willTopic.isEmpty()) {
        mosquitto_will_set(mosq_, o.willTopic.constData(), static_cast<int>(o.willPayload.size()),
                           o.willPayload.constData(), 1, true);
    }
    if (o.address.tls) {
        const QByteArray ca = o.caFile.toLocal8Bit();
        const int rc = o.caFile.isEmpty() ? mosquitto_tls_set(mosq_, nullptr, "/etc/ssl/certs", nullptr, nullptr, nullptr)
                                          : mosquitto_tls_set(mosq_, ca.constData(), nullptr, nullptr, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            error = QStringLiteral("cannot use the CA file %1: %2").arg(o.caFile, errorText(rc));
            return false;
        }
    }
    address_ = o.address;
    started_ = true;
    retry_.setInterval(o.reconnectDelaySeconds * 1000);
    attempt();
    return true;
}

// One connection attempt; once it is under way, libmosquitto's thread takes
// over, reconnects included.
void MqttClient::attempt() {
    if (loopRunning_) {
        retry_.stop();
        return;
    }
    const int rc = mosquitto_connect_async(mosq_, address_.host.c_str(), address_.port, 30);
    if (rc == MOSQ_ERR_SUCCESS && mosquitto_loop_start(mosq_) == MOSQ_ERR_SUCCESS) {
        loopRunning_ = true;
        retry_.stop();
    } else if (!retry_.isActive()) {
        retry_.start();
    }
}

void MqttClient::restartAfterTlsError(const QString& text) {
    if (loopRunning_ && (text.contains(QLatin1String("SSL")) || text.contains(QLatin1String("TLS")) ||
                         text.contains(QLatin1String("certificate")))) {
        // The thread has ended, or ends at this disconnect: join it, then try
        // again from here.
        mosquitto_disconnect(mosq_);
        mosquitto_loop_stop(mosq_, false);
        loopRunning_ = false;
        connected_ = false;
        retry_.start();
    }
}

void MqttClient::stop() {
    retry_.stop();
    if (!started_) {
        return;
    }
    mosquitto_disconnect(mosq_);
    if (loopRunning_) {
        mosquitto_loop_stop(mosq_, false);
    }
    loopRunning_ = false;
    started_ = false;
    connected_ = false;
}

std::optional<int> MqttClient::publish(const QByteArray& topic, const QByteArray& payload, int qos, bool retain) {
    if (!started_) {
        return std::nullopt;
    }
    int mid = 0;
    const int rc = mosquitto_publish(mosq_, &mid, topic.constData(), static_cast<int>(payload.size()),
                                     payload.constData(), qos, retain);
    // Not connected is fine: libmosquitto keeps the message and sends it once
    // the broker is back.
    if (rc != MOSQ_ERR_SUCCESS && rc != MOSQ_ERR_NO_CONN) {
        return std::nullopt;
    }
    return mid;
}

bool MqttClient::subscribe(const QByteArray& topic, int qos) {
    return started_ && mosquitto_subscribe(mosq_, nullptr, topic.constData(), qos) == MOSQ_ERR_SUCCESS;
}

void MqttClient::onConnect(mosquitto*, void* self, int rc) {
    auto* c = static_cast<MqttClient*>(self);
    QMetaObject::invokeMethod(
        c,
        [c, rc] {
            if (rc == 0) {
                c->connected_ = true;
                emit c->connected();
            } else {
                emit c->refused(rc, connackText(rc));
            }
        },
        Qt::QueuedConnection);
}

void MqttClient::onDisconnect(mosquitto*, void* self, int rc) {
    auto* c = static_cast<MqttClient*>(self);
    const QString reason = rc == 0 ? QStringLiteral("disconnected") : errorText(rc);
    QMetaObject::invokeMethod(
        c,
        [c, reason] {
            const bool was = c->connected_;
            c->connected_ = false;
            if (was) {
                emit c->disconnected(reason);
            }
        },
        Qt::QueuedConnection);
}

void MqttClient::onPublish(mosquitto*, void* self, int mid) {
    auto* c = static_cast<MqttClient*>(self);
    QMetaObject::invokeMethod(c, [c, mid] { emit c->published(mid); }, Qt::QueuedConnection);
}

void MqttClient::onMessage(mosquitto*, void* self, const mosquitto_message* m) {
    auto* c = static_cast<MqttClient*>(self);
    QByteArray topic(m->topic);
    QByteArray payload(static_cast<const char*>(m->payload), m->payloadlen);
    QMetaObject::invokeMethod(
        c, [c, topic, payload] { emit c->messageReceived(topic, payload); }, Qt::QueuedConnection);
}

void MqttClient::onLog(mosquitto*, void* self, int level, const char* text) {
    if (level != MOSQ_LOG_ERR) {
        return;
    }
    auto* c = static_cast<MqttClient*>(self);
    const QString message = QString::fromUtf8(text);
    QMetaObject::invokeMethod(
        c,
        [c, message] {
            c->restartAfterTlsError(message);
            emit c->errorLogged(message);
        },
        Qt::QueuedConnection);
}

}  // namespace kordel
