// The station publisher against a real mosquitto broker: the daily files are
// read as a journal from the saved position, every valid line reaches the
// broker in order, and the position moves only past acknowledged lines. (A
// broker that is away or refuses the station: whole-station tests in
// publish_e2e_test.)

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "brokerfixture.h"
#include "net/publishoptions.h"
#include "net/stationpublisher.h"
#include "testsubscriber.h"
#include "testsupport.h"

using namespace kordel;

namespace {

// A valid device line of 61 characters, second `n` after 10:00:00 of the day.
QByteArray deviceText(int n, int day = 8) {
    const QByteArray time = QByteArray::number(10 + n / 3600).rightJustified(2, '0') + ' ' +
                            QByteArray::number(n / 60 % 60).rightJustified(2, '0') + ' ' +
                            QByteArray::number(n % 60).rightJustified(2, '0');
    const QByteArray bx = (QByteArray::number(n) + ".00").rightJustified(8, ' ');
    return "2026 12 " + QByteArray::number(day).rightJustified(2, '0') + ' ' + time + ".00 " + bx +
           "     1.00     2.00  25.3  30.1";
}

void append(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::Append));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QList<QByteArray> expectedLines(int from, int to, int day = 8) {
    QList<QByteArray> out;
    for (int n = from; n < to; ++n) {
        out.append(deviceText(n, day));
    }
    return out;
}

void appendLines(const QString& file, int from, int to, int day = 8) {
    append(file, expectedLines(from, to, day).join("\r\n") + "\r\n");
}

}  // namespace

TEST(StationPublisher, SendsEveryValidLineOfTheDailyFilesInOrderFromItsPosition) {
    test::Broker broker;
    ASSERT_TRUE(broker.ok()) << broker.output().toStdString();
    test::TestSubscriber subscriber(broker.url());
    ASSERT_TRUE(subscriber.connected());
    QTemporaryDir dir;
    const QString first = dir.filePath(QStringLiteral("20261208100000.pc"));
    const QString second = dir.filePath(QStringLiteral("20261209000000.pc"));
    appendLines(first, 0, 5);
    // A damaged piece between lines and an invalid line (hour 24) are skipped.
    append(first, "2026 12 08 1\r\n2026 12 08 24" + deviceText(5).mid(13) + "\r\n");
    appendLines(first, 6, 8);
    test::writeFile(dir.filePath(StationPublisher::positionFileName("ST1").c_str()), "20261208100000.pc 63\n");

    StationPublisher publisher(dir.path().toStdString(), "ST1", [](const std::string&) {});
    MqttOptions options;
    std::string e;
    options.address = *parseBrokerUrl(broker.url().toStdString(), e);
    QString error;
    ASSERT_TRUE(publisher.start(options, error)) << error.toStdString();
    QList<QByteArray> expected = expectedLines(1, 5) + expectedLines(6, 8);
    ASSERT_TRUE(test::waitUntil([&] { return subscriber.lines().size() >= expected.size(); }));
    EXPECT_EQ(subscriber.state(), "online");

    // The recorder goes on, in the same file and in the next day's.
    appendLines(first, 8, 10);
    appendLines(second, 0, 3, 9);
    publisher.lineWritten();
    expected += expectedLines(8, 10) + expectedLines(0, 3, 9);
    ASSERT_TRUE(test::waitUntil([&] { return subscriber.lines().size() >= expected.size(); }));
    publisher.finish();
    ASSERT_TRUE(test::waitUntil([&] { return subscriber.state() == "offline"; }));
    EXPECT_EQ(subscriber.lines(), expected);
    EXPECT_EQ(test::readFile(dir.filePath(QStringLiteral("kordel-mqtt-ST1.position"))),
              "20261209000000.pc " + QByteArray::number(3 * 63) + "\n");
}

namespace {

struct Station {
    explicit Station(const QString& folder)
        : publisher(folder.toStdString(), "ST1", [this](const std::string& text) { log.push_back(text); }) {}
    bool start(const QString& url) {
        MqttOptions options;
        std::string e;
        options.address = *parseBrokerUrl(url.toStdString(), e);
        QString error;
        return publisher.start(options, error);
    }
    bool logged(const std::string& text) const {
        return std::any_of(log.begin(), log.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; });
    }
    std::vector<std::string> log;
    StationPublisher publisher;
};

}  // namespace

TEST(StationPublisher, AFirstStartRecordsWhereItBeganBeforeAnyBrokerAnswers) {
    struct Case {
        const char* what;
        QList<QPair<QString, int>> files;  // daily files there before the start, with their lines
        QByteArray position;
    };
    const Case cases[] = {
        {"no daily file yet: before the first", {}, "00000000000000.pc 0\n"},
        {"daily files: after the newest line", {{"20261207100000.pc", 2}, {"20261208100000.pc", 3}},
         "20261208100000.pc 189\n"},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        for (const auto& [name, lines] : c.files) {
            appendLines(dir.filePath(name), 0, lines);
        }
        Station station(dir.path());
        // No broker at that port: nothing is ever acknowledged.
        ASSERT_TRUE(station.start(QStringLiteral("mqtt://127.0.0.1:%1").arg(test::freePort()))) << c.what;
        EXPECT_EQ(test::readFile(dir.filePath(QStringLiteral("kordel-mqtt-ST1.position"))), c.position) << c.what;
        station.publisher.finish(0);
    }
}

TEST(StationPublisher, ADamagedPositionSendsFromTheOldestFileAndAnEarlierNamedFileIsSentToo) {
    test::Broker broker;
    ASSERT_TRUE(broker.ok()) << broker.output().toStdString();
    test::TestSubscriber subscriber(broker.url());
    ASSERT_TRUE(subscriber.connected());
    struct Case {
        const char* what;
        QByteArray position;
    };
    // A position cut short, one with a CR LF, one naming bytes the file does not have.
    const Case cases[] = {{"cut", "20261208100000.pc 6"}, {"CR LF", "20261208100000.pc 63\r\n"},
                          {"garbage", QByteArray(70, '\xff')}};
    int day = 1;
    for (const Case& c : cases) {
        subscriber.clear();
        QTemporaryDir dir;
        const QString older = dir.filePath(QStringLiteral("20261207100000.pc"));
        const QString newer = dir.filePath(QStringLiteral("20261208100000.pc"));
        appendLines(older, 0, 2, day);
        appendLines(newer, 0, 3, day + 1);
        test::writeFile(dir.filePath(StationPublisher::positionFileName("ST1").c_str()), c.position);
        Station station(dir.path());
        ASSERT_TRUE(station.start(broker.url()));
        QList<QByteArray> expected = expectedLines(0, 2, day) + expectedLines(0, 3, day + 1);
        ASSERT_TRUE(test::waitUntil([&] { return subscriber.lines().size() >= expected.size(); })) << c.what;
        EXPECT_TRUE(station.logged("MQTT: the position file kordel-mqtt-ST1.position is damaged")) << c.what;

        // The instrument's clock set back a day: the recorder begins a file
        // whose name sorts before the position.
        const QString earlier = dir.filePath(QStringLiteral("20261206100000.pc"));
        appendLines(earlier, 0, 4, day + 2);
        station.publisher.dailyFileStarted("20261206100000.pc");
        expected += expectedLines(0, 4, day + 2);
        ASSERT_TRUE(test::waitUntil([&] { return subscriber.lines().size() >= expected.size(); })) << c.what;
        EXPECT_TRUE(station.logged("MQTT: daily file 20261206100000.pc sorts before 20261208100000.pc")) << c.what;
        station.publisher.finish();
        EXPECT_EQ(subscriber.lines(), expected) << c.what;
        EXPECT_EQ(test::readFile(dir.filePath(QStringLiteral("kordel-mqtt-ST1.position"))),
                  "20261206100000.pc " + QByteArray::number(4 * 63) + "\n")
            << c.what;
        day += 3;
    }
}

TEST(PublishOptions, APasswordFileOthersMayReadIsRefusedAndAPlainPasswordWarned) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("pw"));
    test::writeFile(file, "s3cret\r\nsecond line\n");
    struct Case {
        QFileDevice::Permissions permissions;
        const char* url;
        QString error;    // empty: taken
        QString warning;  // for a password that is taken
    };
    const auto owner = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const Case cases[] = {
        {owner, "mqtts://b", {}, {}},
        {owner, "mqtt://b:1884", {},
         QStringLiteral("the password goes to mqtt://b:1884 unencrypted: anyone on the way can read it (use mqtts://)")},
        {owner | QFileDevice::ReadGroup, "mqtts://b",
         QStringLiteral("the password file %1 may be read or changed by others (mode 0640); make it its owner's alone: "
                        "chmod 600 %1").arg(file), {}},
        {owner | QFileDevice::ReadOther, "mqtts://b",
         QStringLiteral("the password file %1 may be read or changed by others (mode 0604); make it its owner's alone: "
                        "chmod 600 %1").arg(file), {}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(QFile::setPermissions(file, c.permissions));
        QString error;
        const auto o = makeMqttOptions({QString::fromLatin1(c.url), QStringLiteral("ST1"), QStringLiteral("u"), file, {}},
                                       error);
        EXPECT_EQ(error, c.error) << c.url;
        if (c.error.isEmpty()) {
            ASSERT_TRUE(o.has_value());
            EXPECT_EQ(o->password, "s3cret");
            EXPECT_EQ(plainPasswordWarning(*o), c.warning);
        }
    }
}

TEST(StationPublisher, ASecondPublisherOfTheCodeIsRefusedNamingTheOwner) {
    test::Broker broker;
    ASSERT_TRUE(broker.ok()) << broker.output().toStdString();
    test::TestSubscriber subscriber(broker.url());
    ASSERT_TRUE(subscriber.connected());
    QTemporaryDir first, second;
    appendLines(first.filePath(QStringLiteral("20261208100000.pc")), 0, 1);
    test::writeFile(first.filePath(QStringLiteral("kordel-mqtt-ST1.owner")), "00000000000000aa\n");
    test::writeFile(second.filePath(QStringLiteral("kordel-mqtt-ST1.owner")), "00000000000000bb\n");
    Station owner(first.path());
    ASSERT_TRUE(owner.start(broker.url()));
    ASSERT_TRUE(test::waitUntil([&] { return subscriber.state() == "online"; }));
    appendLines(first.filePath(QStringLiteral("20261208100000.pc")), 1, 3);
    owner.publisher.lineWritten();
    ASSERT_TRUE(test::waitUntil([&] { return subscriber.lines().size() >= 2; }));

    {
        Station other(second.path());
        appendLines(second.filePath(QStringLiteral("20261208110000.pc")), 50, 52);
        ASSERT_TRUE(other.start(broker.url()));
        ASSERT_TRUE(test::waitUntil([&] { return other.logged("MQTT: Error: station ST1 is already published"); }));
        EXPECT_TRUE(other.logged("MQTT: Error: station ST1 is already published by owner 00000000000000aa "));
        EXPECT_TRUE(other.logged("this publisher (owner 00000000000000bb) leaves it alone"));
        other.publisher.lineWritten();
        other.publisher.finish();  // not the owner: no "offline"
    }
    appendLines(first.filePath(QStringLiteral("20261208100000.pc")), 3, 4);
    owner.publisher.lineWritten();
    ASSERT_TRUE(test::waitUntil([&] { return subscriber.lines().size() >= 3; }));
    EXPECT_EQ(subscriber.state(), "online");
    owner.publisher.finish();
    ASSERT_TRUE(test::waitUntil([&] { return subscriber.state() == "offline"; }));
    EXPECT_EQ(subscriber.lines(), expectedLines(1, 4));

    // As a crash leaves it: "online" retained under the owner's id. The
    // owner, started again, takes over at once.
    MqttClient crashed;
    MqttOptions o;
    std::string e;
    o.address = *parseBrokerUrl(broker.url().toStdString(), e);
    QString error;
    ASSERT_TRUE(crashed.start(o, error));
    ASSERT_TRUE(test::waitUntil([&] { return crashed.isConnected(); }));
    int acks = 0;
    QObject::connect(&crashed, &MqttClient::published, [&] { ++acks; });
    crashed.publish("kordel/ST1/owner", "00000000000000aa elsewhere", 1, true);
    crashed.publish("kordel/ST1/state", "online", 1, true);
    ASSERT_TRUE(test::waitUntil([&] { return acks == 2; }));
    Station again(first.path());
    ASSERT_TRUE(again.start(broker.url()));
    appendLines(first.filePath(QStringLiteral("20261208100000.pc")), 4, 5);
    again.publisher.lineWritten();
    ASSERT_TRUE(test::waitUntil([&] { return subscriber.lines().size() >= 4; }));
    EXPECT_FALSE(again.logged("Error"));
    again.publisher.finish();
    EXPECT_EQ(subscriber.lines(), expectedLines(1, 5));
}

TEST(StationPublisher, PublishesTheJournalAndAnswersReplayRequestsFromTheFiles) {
    test::Broker broker;
    ASSERT_TRUE(broker.ok()) << broker.output().toStdString();
    MqttClient watcher;
    QList<QPair<QByteArray, QByteArray>> got;
    bool subscribed = false;
    QObject::connect(&watcher, &MqttClient::connected, [&] {
        watcher.subscribe("kordel/ST1/journal", 1);
        subscribed = watcher.subscribe("kordel/ST1/replay/w1", 1).has_value();
    });
    QObject::connect(&watcher, &MqttClient::messageReceived,
                     [&](const QByteArray& topic, const QByteArray& payload) { got.append({topic, payload}); });
    MqttOptions options;
    std::string e;
    options.address = *parseBrokerUrl(broker.url().toStdString(), e);
    QString error;
    ASSERT_TRUE(watcher.start(options, error));
    ASSERT_TRUE(test::waitUntil([&] { return subscribed; }));

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("20261208100000.pc"));
    appendLines(file, 0, 2);
    append(file, "damaged\n");
    appendLines(file, 2, 3);
    test::writeFile(dir.filePath(StationPublisher::positionFileName("ST1").c_str()), "20261208100000.pc 0\n");
    Station station(dir.path());
    ASSERT_TRUE(station.start(broker.url()));
    const auto entry = [](int offset, int n) {
        return "20261208100000.pc " + QByteArray::number(offset) + ' ' + deviceText(n) + '\n';
    };
    // One journal message for what was there at the start, after its lines.
    const QByteArray journal = entry(0, 0) + entry(63, 1) + entry(134, 2);
    ASSERT_TRUE(test::waitUntil([&] { return !got.isEmpty(); }));
    EXPECT_EQ(got.first(), qMakePair(QByteArray("kordel/ST1/journal"), journal));

    MqttClient asker;
    ASSERT_TRUE(asker.start(options, error));
    ASSERT_TRUE(test::waitUntil([&] { return asker.isConnected(); }));
    asker.publish("kordel/ST1/replay/request", "w1 5 since 20261208100001\n", 1, false);
    ASSERT_TRUE(test::waitUntil([&] { return got.size() >= 3; }));
    EXPECT_EQ(got[1], qMakePair(QByteArray("kordel/ST1/replay/w1"), "5\n" + entry(63, 1) + entry(134, 2)));
    EXPECT_EQ(got[2], qMakePair(QByteArray("kordel/ST1/replay/w1"), QByteArray("5 end\n")));
    asker.publish("kordel/ST1/replay/request", "w1 6 after 20261208100000.pc 63\n", 1, false);
    ASSERT_TRUE(test::waitUntil([&] { return got.size() >= 5; }));
    EXPECT_EQ(got[3].second, "6\n" + entry(63, 1) + entry(134, 2));
    EXPECT_EQ(got[4].second, "6 end\n");
    asker.publish("kordel/ST1/replay/request", "w1 7 after ../20261208100000.pc 0\n", 1, false);
    asker.publish("kordel/ST1/replay/request", "w1 8 after 20261201000000.pc 0\n", 1, false);
    ASSERT_TRUE(test::waitUntil([&] { return got.size() >= 6; }));
    EXPECT_EQ(got[5].second, "8 unknown\n");
    station.publisher.finish();
}
