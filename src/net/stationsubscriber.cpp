#include "net/stationsubscriber.h"

#include "link/deviceline.h"
#include "net/activitymessage.h"

namespace kordel {

StationSubscriber::StationSubscriber(QObject* parent) : QObject(parent) {}

bool StationSubscriber::start(const MqttOptions& options, const QString& station, QString& error) {
    stop();
    lineTopic_ = QByteArray::fromStdString(lineTopic(station.toStdString()));
    stateTopic_ = QByteArray::fromStdString(stateTopic(station.toStdString()));
    activityTopic_ = QByteArray::fromStdString(activityTopic(station.toStdString()));
    everConnected_ = false;
    client_ = std::make_unique<MqttClient>();
    connect(client_.get(), &MqttClient::connected, this, [this] {
        // A clean session forgets subscriptions: subscribe on every connection.
        client_->subscribe(lineTopic_, 1);
        client_->subscribe(stateTopic_, 1);
        client_->subscribe(activityTopic_, 1);
        everConnected_ = true;
        emit connectionChanged(true);
    });
    connect(client_.get(), &MqttClient::disconnected, this, [this] { emit connectionChanged(false); });
    connect(client_.get(), &MqttClient::unreachable, this, &StationSubscriber::unreachable);
    connect(client_.get(), &MqttClient::messagesDropped, this, &StationSubscriber::messagesDropped);
    connect(client_.get(), &MqttClient::oversized, this, [this](const QByteArray& topic, int bytes) {
        if (topic == lineTopic_) {
            emit notALine(bytes);
        } else if (topic == activityTopic_) {
            emit activityOversized(bytes);
        }
    });
    connect(client_.get(), &MqttClient::refused, this, [this](int, const QString& reason) { emit refused(reason); });
    connect(client_.get(), &MqttClient::errorLogged, this, [this](const QString& text) {
        if (!everConnected_ && (text.contains(QLatin1String("SSL")) || text.contains(QLatin1String("certificate")))) {
            emit refused(QStringLiteral("the broker's certificate was not accepted (%1)").arg(text));
        }
    });
    connect(client_.get(), &MqttClient::messageReceived, this, &StationSubscriber::onMessage);
    MqttOptions o = options;
    o.maxPayload = kMaxMessage;
    if (!client_->start(o, error)) {
        client_.reset();
        return false;
    }
    return true;
}

void StationSubscriber::stop() {
    if (client_) {
        client_->stop();
        // stop() is also reached from the client's own signals (a refusal ends
        // the watching): the client is deleted once that signal has returned,
        // and tells this subscriber nothing more meanwhile.
        // Held as a child meanwhile, so that it goes with the subscriber at the latest.
        client_->disconnect(this);
        client_->setParent(this);
        client_.release()->deleteLater();
    }
}

void StationSubscriber::onMessage(const QByteArray& topic, const QByteArray& payload) {
    if (topic == stateTopic_) {
        QString state;
        for (const char c : payload.left(32)) {
            state += (c >= 0x20 && c < 0x7F) ? QChar::fromLatin1(c) : QChar(u'?');
        }
        emit stateChanged(state);
    } else if (topic == activityTopic_) {
        emit activityReceived(payload);
    } else if (topic == lineTopic_) {
        if (payload.size() == static_cast<qsizetype>(kDeviceLineLength - 2) && !payload.contains('\n') &&
            !payload.contains('\r')) {
            emit lineReceived(payload);
        } else {
            emit notALine(static_cast<int>(payload.size()));
        }
    }
}

}  // namespace kordel
