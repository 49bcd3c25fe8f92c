#include "net/mqttclient.h"

#include <QMetaObject>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <future>
#include <mosquitto.h>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

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

QString errorText(int rc, int err = errno) {
    if (rc == MOSQ_ERR_ERRNO) {
        // "connection refused", to follow "cannot reach the broker at …: ".
        QString text = QString::fromLocal8Bit(std::strerror(err));
        if (!text.isEmpty()) {
            text[0] = text[0].toLower();
        }
        return text;
    }
    if (rc == MOSQ_ERR_EAI) {
        return QStringLiteral("the broker's name cannot be resolved");
    }
    return QString::fromUtf8(mosquitto_strerror(rc));
}

bool isTlsText(const QString& text) {
    return text.contains(QLatin1String("SSL")) || text.contains(QLatin1String("TLS")) ||
           text.contains(QLatin1String("certificate"));
}

// How long a clean stop waits for the DISCONNECT to go out before it leaves
// the rest to the worker.
constexpr auto kStopWait = std::chrono::seconds(2);

}  // namespace

// What the client shares with its workers and libmosquitto's thread, which may
// outlive it: the library's object and the way back to the client.
struct MqttClient::Link {
    std::mutex mutex;
    MqttClient* client = nullptr;  // null once the client has let go
    mosquitto* mosq = nullptr;
    bool loopRunning = false;  // changed by one worker at a time
    int maxPayload = 0;
    std::atomic<int> queued{0};   // messages posted and not yet handed on
    std::atomic<int> dropped{0};  // since the last report
    // Acknowledgements waiting for the client's thread: one queued call takes
    // all that came meanwhile, rather than one call each.
    std::mutex ackMutex;
    std::vector<int> acks;
    bool acksPosted = false;

    ~Link() {
        if (mosq != nullptr) {
            mosquitto_destroy(mosq);
        }
    }
    // Runs `f(client)` in the client's thread, unless the client has let go of
    // this link by then (stopped, started afresh or destroyed).
    template <class F>
    void post(F f) {
        const std::lock_guard lock(mutex);
        if (client == nullptr) {
            return;
        }
        MqttClient* c = client;
        QMetaObject::invokeMethod(
            c,
            [c, l = this, f = std::move(f)] {
                if (c->link_.get() == l) {
                    f(c);
                }
            },
            Qt::QueuedConnection);
    }
    void stopLoop() {
        mosquitto_disconnect(mosq);
        if (loopRunning) {
            mosquitto_loop_stop(mosq, false);
            loopRunning = false;
        }
    }
};

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
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &MqttClient::attempt);
}

MqttClient::~MqttClient() { stop(); }

bool MqttClient::start(const MqttOptions& o, QString& error) {
    if (started_) {
        error = QStringLiteral("the MQTT client is already started");
        return false;
    }
    auto link = std::make_shared<Link>();
    link->mosq = mosquitto_new(o.clientId.isEmpty() ? nullptr : o.clientId.constData(), o.cleanSession, link.get());
    if (link->mosq == nullptr) {
        error = QStringLiteral("cannot create an MQTT client: %1").arg(errorText(MOSQ_ERR_ERRNO));
        return false;
    }
    mosquitto* m = link->mosq;
    mosquitto_connect_callback_set(m, &MqttClient::onConnect);
    mosquitto_disconnect_callback_set(m, &MqttClient::onDisconnect);
    mosquitto_publish_callback_set(m, &MqttClient::onPublish);
    mosquitto_subscribe_callback_set(m, &MqttClient::onSubscribe);
    mosquitto_message_callback_set(m, &MqttClient::onMessage);
    mosquitto_log_callback_set(m, &MqttClient::onLog);
    mosquitto_int_option(m, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    // A line goes out when it is handed over, not when more follow it.
    mosquitto_int_option(m, MOSQ_OPT_TCP_NODELAY, 1);
    mosquitto_max_inflight_messages_set(m, static_cast<unsigned>(o.maxInflight));
    const auto delay = static_cast<unsigned>(o.reconnectDelaySeconds);
    mosquitto_reconnect_delay_set(m, delay, delay, false);
    if (!o.user.isEmpty()) {
        const QByteArray user = o.user.toUtf8();
        mosquitto_username_pw_set(m, user.constData(), o.password.isEmpty() ? nullptr : o.password.constData());
    }
    if (!o.willTopic.isEmpty()) {
        mosquitto_will_set(m, o.willTopic.constData(), static_cast<int>(o.willPayload.size()), o.willPayload.constData(),
                           1, true);
    }
    if (o.address.tls) {
        const QByteArray ca = o.caFile.toLocal8Bit();
        const int rc = o.caFile.isEmpty() ? mosquitto_tls_set(m, nullptr, "/etc/ssl/certs", nullptr, nullptr, nullptr)
                                          : mosquitto_tls_set(m, ca.constData(), nullptr, nullptr, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            error = QStringLiteral("cannot use the CA file %1: %2").arg(o.caFile, errorText(rc));
            return false;
        }
    }
    link->client = this;
    link->maxPayload = o.maxPayload;
    link_ = std::move(link);
    address_ = o.address;
    started_ = true;
    loopRunning_ = false;
    retryMs_ = o.reconnectDelaySeconds * 1000;
    refusedRetryMs_ = o.refusedRetrySeconds * 1000;
    attempt();
    return true;
}

// One connection attempt on a worker; once it is under way, libmosquitto's
// thread takes over, reconnects (and their name lookups) included.
void MqttClient::attempt() {
    if (!started_ || workerBusy_ || loopRunning_) {
        return;
    }
    workerBusy_ = true;
    std::thread([link = link_, host = address_.host, port = address_.port] {
        int rc = mosquitto_connect_async(link->mosq, host.c_str(), port, 30);
        const int err = errno;
        if (rc == MOSQ_ERR_SUCCESS) {
            rc = mosquitto_loop_start(link->mosq);
            link->loopRunning = rc == MOSQ_ERR_SUCCESS;
        }
        const QString reason = rc == MOSQ_ERR_SUCCESS ? QString() : errorText(rc, err);
        bool orphaned = false;
        {
            const std::lock_guard lock(link->mutex);
            orphaned = link->client == nullptr;
        }
        if (orphaned) {
            link->stopLoop();
            return;
        }
        const bool running = link->loopRunning;
        link->post([running, reason](MqttClient* c) {
            c->workerBusy_ = false;
            c->loopRunning_ = running;
            if (std::exchange(c->pauseWanted_, false)) {
                c->pause();
            } else if (!running) {
                emit c->unreachable(reason);
                c->retry_.start(c->retryMs_);
            }
        });
    }).detach();
}

void MqttClient::pause() {
    if (started_ && workerBusy_ && !pausing_) {
        // The connecting worker has not reported back yet (the answer came
        // first): pause once it has.
        pauseWanted_ = true;
        return;
    }
    if (!started_ || workerBusy_ || !loopRunning_) {
        return;
    }
    workerBusy_ = true;
    pausing_ = true;
    connected_ = false;
    std::thread([link = link_] {
        link->stopLoop();
        link->post([](MqttClient* c) {
            c->workerBusy_ = false;
            c->pausing_ = false;
            c->loopRunning_ = false;
            c->retry_.start(c->refusedRetryMs_);
        });
    }).detach();
}

void MqttClient::stop() {
    retry_.stop();
    if (!started_) {
        return;
    }
    started_ = false;
    connected_ = false;
    pauseWanted_ = false;
    std::shared_ptr<Link> link = std::move(link_);
    {
        const std::lock_guard lock(link->mutex);
        link->client = nullptr;
    }
    if (workerBusy_) {
        // The worker is still connecting (a slow name lookup) or stopping: it
        // stops what it started once it returns.
        workerBusy_ = false;
        pausing_ = false;
        return;
    }
    // DISCONNECT (so the broker keeps the will to itself) and the end of the
    // network thread, waited for only a little: a thread busy with a slow
    // reconnect finishes on its own.
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    std::thread([link, done] {
        link->stopLoop();
        done->set_value();
    }).detach();
    finished.wait_for(kStopWait);
    loopRunning_ = false;
}

std::optional<int> MqttClient::publish(const QByteArray& topic, const QByteArray& payload, int qos, bool retain) {
    if (!started_ || pausing_) {
        return std::nullopt;
    }
    int mid = 0;
    const int rc = mosquitto_publish(link_->mosq, &mid, topic.constData(), static_cast<int>(payload.size()),
                                     payload.constData(), qos, retain);
    // Not connected is fine: libmosquitto keeps the message and sends it once
    // the broker is back.
    if (rc != MOSQ_ERR_SUCCESS && rc != MOSQ_ERR_NO_CONN) {
        return std::nullopt;
    }
    return mid;
}

std::optional<int> MqttClient::subscribe(const QByteArray& topic, int qos) {
    int mid = 0;
    if (!started_ || pausing_ || mosquitto_subscribe(link_->mosq, &mid, topic.constData(), qos) != MOSQ_ERR_SUCCESS) {
        return std::nullopt;
    }
    return mid;
}

void MqttClient::onConnect(mosquitto*, void* link, int rc) {
    static_cast<Link*>(link)->post([rc](MqttClient* c) {
        if (rc == 0) {
            c->connected_ = true;
            emit c->connected();
        } else {
            emit c->refused(rc, connackText(rc));
            c->pause();
        }
    });
}

void MqttClient::onDisconnect(mosquitto*, void* link, int rc) {
    const int err = errno;
    const QString reason = rc == 0 ? QStringLiteral("disconnected") : errorText(rc, err);
    static_cast<Link*>(link)->post([reason](MqttClient* c) {
        if (std::exchange(c->connected_, false)) {
            emit c->disconnected(reason);
        } else {
            emit c->unreachable(reason);
        }
    });
}

void MqttClient::onPublish(mosquitto*, void* link, int mid) {
    auto* l = static_cast<Link*>(link);
    {
        const std::lock_guard lock(l->ackMutex);
        l->acks.push_back(mid);
        if (std::exchange(l->acksPosted, true)) {
            return;
        }
    }
    l->post([l](MqttClient* c) {
        std::vector<int> acks;
        {
            const std::lock_guard lock(l->ackMutex);
            acks.swap(l->acks);
            l->acksPosted = false;
        }
        for (const int m : acks) {
            emit c->published(m);
        }
    });
}

void MqttClient::onSubscribe(mosquitto*, void* link, int mid, int, const int*) {
    static_cast<Link*>(link)->post([mid](MqttClient* c) { emit c->subscribed(mid); });
}

void MqttClient::onMessage(mosquitto*, void* link, const mosquitto_message* m) {
    auto* l = static_cast<Link*>(link);
    QByteArray topic(m->topic);
    if (l->maxPayload > 0 && m->payloadlen > l->maxPayload) {
        const int bytes = m->payloadlen;
        l->post([topic, bytes](MqttClient* c) { emit c->oversized(topic, bytes); });
        return;
    }
    if (l->queued.load() >= kMaxQueued) {
        ++l->dropped;
        return;
    }
    if (const int dropped = l->dropped.exchange(0); dropped > 0) {
        l->post([dropped](MqttClient* c) { emit c->messagesDropped(dropped); });
    }
    ++l->queued;
    QByteArray payload(static_cast<const char*>(m->payload), m->payloadlen);
    const bool retained = m->retain;
    l->post([l, topic, payload, retained](MqttClient* c) {
        --l->queued;
        emit c->messageReceived(topic, payload, retained);
    });
}

void MqttClient::onLog(mosquitto*, void* link, int level, const char* text) {
    if (level != MOSQ_LOG_ERR) {
        return;
    }
    const QString message = QString::fromUtf8(text);
    static_cast<Link*>(link)->post([message](MqttClient* c) {
        if (isTlsText(message)) {
            // A failed handshake ends libmosquitto's thread: ask again later,
            // from here, as after any other refusal.
            c->pause();
        }
        emit c->errorLogged(message);
    });
}

}  // namespace kordel
