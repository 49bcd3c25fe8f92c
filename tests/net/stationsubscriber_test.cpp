// The shared subscriber against a real mosquitto broker and a station played
// by the test: what it asks for on connecting and after an outage, live lines
// held until the replay is in, and each (file, offset) handed on once.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "brokerfixture.h"
#include "net/replay.h"
#include "net/stationsubscriber.h"
#include "testsupport.h"

using namespace kordel;

namespace {

QByteArray text(int second) {
    return "2026 12 08 10 20 " + QByteArray::number(second).rightJustified(2, '0') + ".00 " +
           (QByteArray::number(second) + ".00").rightJustified(8, ' ') + "     1.00     2.00  25.3  30.1";
}

QByteArray entry(const char* file, int offset, int second) {
    return QByteArray(file) + ' ' + QByteArray::number(offset) + ' ' + text(second) + '\n';
}

MqttOptions options(const test::Broker& broker) {
    std::string e;
    MqttOptions o;
    o.address = *parseBrokerUrl(broker.url().toStdString(), e);
    o.reconnectDelaySeconds = 1;
    return o;
}

// The station's side: the requests it receives, and what it publishes.
struct PlayedStation {
    explicit PlayedStation(const test::Broker& broker) {
        QObject::connect(&client, &MqttClient::connected, [this] { client.subscribe("kordel/S1/replay/request", 1); });
        QObject::connect(&client, &MqttClient::messageReceived, [this](const QByteArray&, const QByteArray& payload) {
            requests.push_back(parseReplayRequest(std::string_view(payload.constData(), payload.size())));
        });
        QString error;
        client.start(options(broker), error);
        test::waitUntil([&] { return client.isConnected(); });
    }
    void send(const QByteArray& topic, const QByteArray& payload) { client.publish(topic, payload, 1, false); }
    MqttClient client;
    std::vector<std::optional<ReplayRequest>> requests;
};

}  // namespace

TEST(StationSubscriber, HoldsLiveLinesUntilTheReplayIsInAndHandsEachPlaceOnceInOrder) {
    test::Broker broker({{}, {}, false, false});
    ASSERT_TRUE(broker.ok()) << broker.output().toStdString();
    PlayedStation station(broker);
    StationSubscriber subscriber;
    subscriber.setHistoryHours(2);
    std::vector<JournalEntry> got;
    QList<QByteArray> lines;
    QStringList ends;
    QObject::connect(&subscriber, &StationSubscriber::entryReceived, [&](const JournalEntry& e) { got.push_back(e); });
    QObject::connect(&subscriber, &StationSubscriber::lineReceived, [&](const QByteArray& l) { lines.append(l); });
    QObject::connect(&subscriber, &StationSubscriber::replayEnded, [&](const QString& how) { ends.append(how); });
    QString error;
    ASSERT_TRUE(subscriber.start(options(broker), QStringLiteral("S1"), error)) << error.toStdString();

    ASSERT_TRUE(test::waitUntil([&] { return !station.requests.empty(); }));
    ASSERT_TRUE(station.requests[0]);
    const ReplayRequest first = *station.requests[0];
    EXPECT_EQ(first.kind, ReplayRequest::Kind::Since);
    EXPECT_EQ(first.since.size(), 14u);
    EXPECT_TRUE(subscriber.replaying());
    const QByteArray answers = "kordel/S1/replay/" + QByteArray::fromStdString(first.id);
    const char* a = "20261208102000.pc";

    // Live, while the replay runs: held back.
    station.send("kordel/S1/journal", entry(a, 126, 2));
    // An answer to some other request number: not this one's.
    station.send(answers, QByteArray::number(first.number + 7) + "\n" + entry(a, 500, 9));
    // The answer: two lines with the same bytes, and the live one again.
    station.send(answers, QByteArray::number(first.number) + "\n" + entry(a, 0, 1) + entry(a, 63, 1) + entry(a, 126, 2));
    ASSERT_TRUE(test::waitUntil([&] { return got.size() == 3; }));
    station.send(answers, QByteArray::number(first.number) + " end\n");
    ASSERT_TRUE(test::waitUntil([&] { return !ends.isEmpty(); }));
    station.send("kordel/S1/journal", entry(a, 189, 3) + entry(a, 252, 4));
    station.send("kordel/S1/line", text(4));  // the same line on the plain topic: taken from the journal only
    ASSERT_TRUE(test::waitUntil([&] { return got.size() >= 5; }));
    test::waitUntil([] { return false; }, 300);

    const std::vector<JournalEntry> expected = {{a, 0, text(1).toStdString()},
                                                {a, 63, text(1).toStdString()},
                                                {a, 126, text(2).toStdString()},
                                                {a, 189, text(3).toStdString()},
                                                {a, 252, text(4).toStdString()}};
    EXPECT_EQ(got, expected);
    EXPECT_EQ(lines, (QList<QByteArray>{text(1), text(1), text(2), text(3), text(4)}));
    EXPECT_EQ(ends, QStringList{QStringLiteral("end")});

    // After an outage (the broker forgot everything): what came after the
    // last line held is asked for.
    broker.stop();
    ASSERT_TRUE(broker.start());
    ASSERT_TRUE(test::waitUntil([&] { return station.requests.size() >= 2; }, 30000));
    ASSERT_TRUE(station.requests.back());
    const ReplayRequest again = *station.requests.back();
    EXPECT_EQ(again.id, first.id);
    EXPECT_GT(again.number, first.number);
    EXPECT_EQ(again.kind, ReplayRequest::Kind::After);
    EXPECT_EQ(again.after, (JournalPosition{a, 315}));
    subscriber.stop();
}

TEST(StationSubscriber, AsksAgainAtOnceWhenTheStationComesOnlineAfterTheRequest) {
    test::Broker broker({{}, {}, false, false});
    ASSERT_TRUE(broker.ok()) << broker.output().toStdString();
    StationSubscriber subscriber;
    subscriber.setHistoryHours(1);
    QString error;
    ASSERT_TRUE(subscriber.start(options(broker), QStringLiteral("S1"), error)) << error.toStdString();
    ASSERT_TRUE(test::waitUntil([&] { return subscriber.isConnected() && subscriber.replaying(); }));
    // The station starts after the first request went nowhere; its "online"
    // (retained for later watchers, live for this one) brings the request again.
    PlayedStation station(broker);
    EXPECT_TRUE(station.requests.empty());
    station.client.publish("kordel/S1/state", "online", 1, true);
    ASSERT_TRUE(test::waitUntil([&] { return !station.requests.empty(); }, 5000));
    ASSERT_TRUE(station.requests[0]);
    EXPECT_EQ(station.requests[0]->kind, ReplayRequest::Kind::Since);
    EXPECT_EQ(station.requests[0]->number, 2u);
    subscriber.stop();
}
