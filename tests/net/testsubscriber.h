#pragma once
// A subscriber for the broker tests: a persistent session (QoS 1, fixed client
// id), so what is published while it is away from a restarted broker still
// reaches it. Collects the lines and states of every station.

#include <QByteArray>
#include <QList>
#include <QString>

#include "net/mqttclient.h"

namespace kordel::test {

class TestSubscriber {
public:
    // `caFile` for an mqtts:// broker.
    explicit TestSubscriber(const QString& url, const QString& caFile = {});

    bool connected() const { return subscribed_; }
    // Payloads of kordel/<station>/line in the order received.
    QList<QByteArray> lines(const QByteArray& station = "ST1") const;
    // The last payload of kordel/<station>/state.
    QByteArray state(const QByteArray& station = "ST1") const;
    // Forgets what arrived so far.
    void clear() { messages_.clear(); }

private:
    MqttClient client_;
    QList<QPair<QByteArray, QByteArray>> messages_;
    bool subscribed_ = false;
};

// The same lines with repeats removed: a line that arrived again after a
// reconnect or restart counts once, where it first arrived.
QList<QByteArray> withoutRepeats(const QList<QByteArray>& lines);

}  // namespace kordel::test
