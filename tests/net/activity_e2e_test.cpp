// A whole station's activity: kordel-sim on a pseudo-terminal feeds
// kordel-record, which publishes its activity to a real mosquitto broker as
// the retained kordel/<CODE>/activity message, and on a dead feed logs the
// alert, publishes it and runs the alert command.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <csignal>
#include <memory>

#include "brokerfixture.h"
#include "childprocess.h"
#include "net/brokeraddress.h"
#include "net/mqttclient.h"
#include "net/stationpublisher.h"
#include "testsupport.h"

using namespace kordel;

namespace {

// The activity messages of one station as they arrive, from a client that
// connects when it is made (and so receives the retained one first).
class ActivityListener {
public:
    ActivityListener(const QString& url, const QByteArray& id) {
        std::string error;
        MqttOptions o;
        o.address = *parseBrokerUrl(url.toStdString(), error);
        o.clientId = id;
        o.reconnectDelaySeconds = 1;
        QObject::connect(&client_, &MqttClient::connected,
                         [this] { subscribed_ = client_.subscribe("kordel/ST1/activity", 1).has_value(); });
        QObject::connect(&client_, &MqttClient::messageReceived,
                         [this](const QByteArray&, const QByteArray& payload) { payloads.append(payload); });
        QString startError;
        if (client_.start(o, startError)) test::waitUntil([this] { return subscribed_; });
    }
    bool subscribed() const { return subscribed_; }
    QList<QByteArray> payloads;

private:
    MqttClient client_;
    bool subscribed_ = false;
};

using Process = test::ChildProcess;

// The message with its time replaced by "T", and that time.
std::pair<QByteArray, QByteArray> withoutTime(const QByteArray& payload) {
    static const QRegularExpression time(QStringLiteral("^\\{\"time\":\"(\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ)\""));
    const auto m = time.match(QString::fromUtf8(payload));
    if (!m.hasMatch()) return {payload, {}};
    return {"{\"time\":\"T\"" + payload.mid(m.capturedEnd(0)), m.captured(1).toUtf8()};
}

}  // namespace

TEST(ActivityEndToEnd, TheStationsActivityIsRetainedAndADeadFeedAlertsOnceWithItsCommand) {
    test::Broker broker;
    ASSERT_TRUE(broker.ok()) << broker.output().toStdString();
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("out"));
    const QString link = dir.filePath(QStringLiteral("link"));
    const QString envFile = dir.filePath(QStringLiteral("alert env"));
    Process sim(QStringLiteral(KORDEL_SIM_PATH), {QStringLiteral("--link"), link, QStringLiteral("--rate"), QStringLiteral("10")},
                dir.path());
    ASSERT_TRUE(test::waitUntil([&] { return QFileInfo::exists(link); }));

    ActivityListener listener(broker.url(), "kordel-test-activity");
    ASSERT_TRUE(listener.subscribed());
    Process rec(QStringLiteral(KORDEL_RECORD_PATH),
                {QStringLiteral("--port"), link, QStringLiteral("--output-dir"), dir.filePath(QStringLiteral("out")),
                 QStringLiteral("--mqtt"), broker.url(), QStringLiteral("--station"), QStringLiteral("ST1"),
                 QStringLiteral("--alert-dead-minutes"), QStringLiteral("1"), QStringLiteral("--alert-command"),
                 QStringLiteral("/bin/sh -c 'env > \"$1\"' sh '") + envFile + QStringLiteral("'")},
                dir.path());
    ASSERT_TRUE(rec.started());

    // The first line's state: nothing known yet but that the station is live.
    const QByteArray unknown =
        "{\"time\":\"T\",\"station\":\"ST1\",\"k\":null,\"provisional\":false,\"level\":null,"
        "\"dbdt_max_10min\":null,\"alert\":null}";
    ASSERT_TRUE(test::waitUntil([&] { return !listener.payloads.isEmpty(); }, 60000));
    EXPECT_EQ(withoutTime(listener.payloads[0]).first, unknown) << listener.payloads[0].toStdString();

    // The instrument falls silent: a minute later, the state, then the alert.
    sim.signal(SIGSTOP);
    QList<QByteArray> kordelVariables;
    ASSERT_TRUE(test::waitUntil(
        [&] {
            kordelVariables.clear();
            if (!QFileInfo::exists(envFile)) return false;
            for (const QByteArray& line : test::readFile(envFile).split('\n')) {
                if (line.startsWith("KORDEL_")) kordelVariables.append(line);
            }
            return kordelVariables.size() == 6;
        },
        180000));
    ASSERT_TRUE(test::waitUntil([&] { return listener.payloads.size() >= 3; }));
    const auto [alert, alertTime] = withoutTime(listener.payloads.last());
    EXPECT_EQ(alert, QByteArray(unknown).replace("\"alert\":null", "\"alert\":\"dead\"")) << alert.toStdString();
    EXPECT_EQ(withoutTime(listener.payloads[listener.payloads.size() - 2]), std::make_pair(unknown, alertTime));

    // The command's environment: the same names and values, exactly.
    std::sort(kordelVariables.begin(), kordelVariables.end());
    EXPECT_EQ(kordelVariables, (QList<QByteArray>{"KORDEL_ALERT=dead", "KORDEL_DBDT=", "KORDEL_K=", "KORDEL_LEVEL=",
                                                  "KORDEL_STATION=ST1", "KORDEL_TIME=" + alertTime}));
    // The log's entry holds the message as published.
    const QByteArray published = listener.payloads.last();
    ASSERT_TRUE(test::waitUntil(
        [&] { return test::readFile(dir.filePath(QStringLiteral("kordel.log"))).contains("Activity alert dead: " + published); }))
        << test::readFile(dir.filePath(QStringLiteral("kordel.log"))).toStdString();

    // Retained: a watcher that comes later gets the alert at once.
    ActivityListener late(broker.url(), "kordel-test-late");
    ASSERT_TRUE(test::waitUntil([&] { return !late.payloads.isEmpty(); }));
    EXPECT_EQ(late.payloads.constFirst(), published);

    // Lines again: the feed is live, said once, without an alert.
    sim.signal(SIGCONT);
    ASSERT_TRUE(test::waitUntil([&] { return late.payloads.size() >= 2; }, 60000));
    EXPECT_EQ(withoutTime(late.payloads[1]).first, unknown) << late.payloads[1].toStdString();
    rec.signal(SIGTERM);
    EXPECT_EQ(rec.process().exitCode(), 0);
    EXPECT_EQ(test::readFile(dir.filePath(QStringLiteral("kordel.log"))).count("Activity alert"), 1);
}

TEST(ActivityPublishing, OnlyTheLatestMessageIsRetainedAlsoWhenItCameBeforeTheBroker) {
    test::Broker broker;
    ASSERT_TRUE(broker.ok()) << broker.output().toStdString();
    QTemporaryDir dir;
    StationPublisher publisher(dir.path().toStdString(), "ST1", [](const std::string&) {});
    // Before the connection: kept, and only the latest goes out.
    publisher.publishActivity("{\"n\":1}");
    publisher.publishActivity("{\"n\":2}");
    MqttOptions options;
    std::string e;
    options.address = *parseBrokerUrl(broker.url().toStdString(), e);
    QString error;
    ASSERT_TRUE(publisher.start(options, error)) << error.toStdString();
    ActivityListener first(broker.url(), "kordel-test-first");
    ASSERT_TRUE(test::waitUntil([&] { return !first.payloads.isEmpty(); }));
    EXPECT_EQ(first.payloads, QList<QByteArray>{"{\"n\":2}"});

    // While connected: at once, and it replaces the retained one.
    publisher.publishActivity("{\"n\":3}");
    ASSERT_TRUE(test::waitUntil([&] { return first.payloads.size() == 2; }));
    EXPECT_EQ(first.payloads.last(), "{\"n\":3}");
    ActivityListener late(broker.url(), "kordel-test-late");
    ASSERT_TRUE(test::waitUntil([&] { return !late.payloads.isEmpty(); }));
    EXPECT_EQ(late.payloads, QList<QByteArray>{"{\"n\":3}"});
    publisher.finish();
}
