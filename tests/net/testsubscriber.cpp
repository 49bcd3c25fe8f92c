#include "testsubscriber.h"

#include <QCoreApplication>
#include <QSet>

#include "testsupport.h"

namespace kordel::test {

TestSubscriber::TestSubscriber(const QString& url, const QString& caFile) {
    std::string error;
    MqttOptions o;
    o.address = *parseBrokerUrl(url.toStdString(), error);
    o.caFile = caFile;
    o.clientId = "kordel-test-" + QByteArray::number(QCoreApplication::applicationPid());
    o.cleanSession = false;
    o.reconnectDelaySeconds = 1;
    QObject::connect(&client_, &MqttClient::connected, [this] {
        subscribed_ = client_.subscribe("kordel/#", 1).has_value();
    });
    QObject::connect(&client_, &MqttClient::messageReceived,
                     [this](const QByteArray& topic, const QByteArray& payload) { messages_.append({topic, payload}); });
    QString startError;
    if (client_.start(o, startError)) {
        waitUntil([this] { return subscribed_; });
    }
}

QList<QByteArray> TestSubscriber::lines(const QByteArray& station) const {
    QList<QByteArray> out;
    for (const auto& [topic, payload] : messages_) {
        if (topic == "kordel/" + station + "/line") {
            out.append(payload);
        }
    }
    return out;
}

QByteArray TestSubscriber::state(const QByteArray& station) const {
    QByteArray last;
    for (const auto& [topic, payload] : messages_) {
        if (topic == "kordel/" + station + "/state") {
            last = payload;
        }
    }
    return last;
}

QList<QByteArray> withoutRepeats(const QList<QByteArray>& lines) {
    QList<QByteArray> out;
    QSet<QByteArray> seen;
    for (const QByteArray& l : lines) {
        if (!seen.contains(l)) {
            seen.insert(l);
            out.append(l);
        }
    }
    return out;
}

}  // namespace kordel::test
