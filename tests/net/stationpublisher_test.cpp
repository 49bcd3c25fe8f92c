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
