// Whole stations: kordel-sim on a pseudo-terminal feeds kordel-record, which
// records the daily files and publishes them to a real mosquitto broker.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>

#include "brokerfixture.h"
#include "childprocess.h"
#include "link/deviceline.h"
#include "testsubscriber.h"
#include "testsupport.h"

using namespace kordel;

namespace {

using Process = test::ChildProcess;

std::unique_ptr<Process> recorder(const QString& dir, const QString& link, const QStringList& mqtt) {
    return std::make_unique<Process>(QStringLiteral(KORDEL_RECORD_PATH),
                                     QStringList{QStringLiteral("--port"), link, QStringLiteral("--output-dir"),
                                                 dir + QStringLiteral("/out")} + mqtt,
                                     dir);
}

// Every valid device line of the daily files, in name order, without CR LF:
// read here the plain way, piece by piece as the recorder writes them.
QList<QByteArray> recordedLines(const QString& folder) {
    QList<QByteArray> lines;
    for (const QString& name : QDir(folder).entryList({QStringLiteral("*.pc")}, QDir::Files, QDir::Name)) {
        for (const QByteArray& piece : test::readFile(folder + QLatin1Char('/') + name).split('\n')) {
            const QByteArray line = piece + '\n';
            DecodedSample s;
            if (line.size() == 63 && isDeviceLine({line.constData(), 63}) && DecodeDeviceLine({line.constData(), 63}, s)) {
                lines.append(line.left(61));
            }
        }
    }
    return lines;
}

struct Scene {
    Scene() {
        QDir(dir.path()).mkdir(QStringLiteral("out"));
        // The instrument on `link`, ten lines a second.
        sim = std::make_unique<Process>(QStringLiteral(KORDEL_SIM_PATH),
                                        QStringList{QStringLiteral("--link"), link, QStringLiteral("--rate"), QStringLiteral("10")},
                                        dir.path());
        test::waitUntil([&] { return QFileInfo::exists(link); });
    }
    QTemporaryDir dir;
    QString link = dir.filePath(QStringLiteral("link"));
    QString out = dir.filePath(QStringLiteral("out"));
    std::unique_ptr<Process> sim;
    QByteArray log() const {
        QFile file(dir.filePath(QStringLiteral("kordel.log")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

QStringList station(const test::Broker& broker, const QString& code = QStringLiteral("ST1")) {
    return {QStringLiteral("--mqtt"), broker.url(), QStringLiteral("--station"), code};
}

}  // namespace

TEST(PublishEndToEnd, LinesArriveCompleteAndInOrderAlsoAcrossABrokerAwayForTenSeconds) {
    test::Broker broker;
    ASSERT_TRUE(broker.ok()) << broker.output().toStdString();
    test::TestSubscriber subscriber(broker.url());
    ASSERT_TRUE(subscriber.connected());
    Scene scene;
    auto rec = recorder(scene.dir.path(), scene.link, station(broker));
    ASSERT_TRUE(rec->started());
    ASSERT_TRUE(test::waitUntil([&] { return subscriber.lines().size() >= 20; }));
    EXPECT_EQ(subscriber.state(), "online");

    broker.stop();
    test::waitUntil([] { return false; }, 10000);
    ASSERT_TRUE(broker.start());
    const int before = static_cast<int>(recordedLines(scene.out).size());
    ASSERT_TRUE(test::waitUntil([&] { return test::withoutRepeats(subscriber.lines()).size() > before + 10; }, 30000));

    rec->signal(SIGTERM);
    EXPECT_EQ(rec->process().exitCode(), 0);
    ASSERT_TRUE(test::waitUntil([&] { return subscriber.state() == "offline"; }));
    const QList<QByteArray> recorded = recordedLines(scene.out);
    EXPECT_EQ(test::withoutRepeats(subscriber.lines()), recorded);
    EXPECT_EQ(scene.log().count("MQTT: broker away"), 1) << scene.log().toStdString();
    EXPECT_EQ(scene.log().count("MQTT: broker back"), 1) << scene.log().toStdString();
}

TEST(PublishEndToEnd, AKilledRecorderResumesFromTheLastAcknowledgedLine) {
    test::Broker broker;
    ASSERT_TRUE(broker.ok()) << broker.output().toStdString();
    test::TestSubscriber subscriber(broker.url());
    ASSERT_TRUE(subscriber.connected());
    Scene scene;
    auto rec = recorder(scene.dir.path(), scene.link, station(broker));
    ASSERT_TRUE(rec->started());
    // Past the first saves of the position (at most every 5 s while only the position moves).
    ASSERT_TRUE(test::waitUntil([&] { return subscriber.lines().size() >= 80; }));
    rec->signal(SIGKILL);
    const QByteArray saved = test::readFile(scene.out + QStringLiteral("/kordel-mqtt-ST1.position"));
    const int sentBefore = static_cast<int>(subscriber.lines().size());

    rec = recorder(scene.dir.path(), scene.link, station(broker));
    ASSERT_TRUE(rec->started());
    ASSERT_TRUE(test::waitUntil([&] { return subscriber.lines().size() >= sentBefore + 20; }));
    rec->signal(SIGTERM);
    ASSERT_TRUE(test::waitUntil([&] { return subscriber.state() == "offline"; }));

    const QList<QByteArray> received = subscriber.lines();
    EXPECT_EQ(test::withoutRepeats(received), recordedLines(scene.out));
    // Sent again: only what lay after the saved position, not the whole run.
    const int repeats = static_cast<int>(received.size() - test::withoutRepeats(received).size());
    EXPECT_LT(repeats, sentBefore) << saved.toStdString();
    EXPECT_TRUE(scene.log().contains("MQTT: publishing station ST1 to " + broker.url().toUtf8() + " from " +
                                     saved.left(saved.indexOf('\n')).replace(' ', " at byte ")))
        << scene.log().toStdString();
}

TEST(PublishEndToEnd, RefusedPasswordOrCertificateIsSaidLoudlyWhileRecordingGoesOn) {
    test::Broker broker({QStringLiteral("station"), QStringLiteral("s3cret"), true});
    ASSERT_TRUE(broker.ok()) << broker.output().toStdString();
    Scene scene;
    for (const char* name : {"good", "bad"}) {
        const QString file = scene.dir.filePath(QString::fromLatin1(name));
        test::writeFile(file, name == std::string("good") ? "s3cret\n" : "guess\n");
        QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    const QStringList user = {QStringLiteral("--mqtt-user"), QStringLiteral("station"), QStringLiteral("--mqtt-password-file")};
    const QByteArray refusal = "kordel-record: " + broker.url().toUtf8() + " refused station ST1: ";
    struct Case {
        QStringList options;
        QByteArray message;  // empty: publishes
    };
    const Case cases[] = {
        {user + QStringList{scene.dir.filePath(QStringLiteral("bad")), QStringLiteral("--mqtt-ca"), broker.caFile()},
         refusal + "the broker refused the connection: not authorised (user name or password); recording goes on, "
                   "publishing is tried again in a minute\n"},
        {user + QStringList{scene.dir.filePath(QStringLiteral("good")), QStringLiteral("--mqtt-ca"), broker.otherCaFile()},
         refusal + "the broker's certificate was not accepted ("},
        {user + QStringList{scene.dir.filePath(QStringLiteral("good")), QStringLiteral("--mqtt-ca"), broker.caFile()}, {}},
    };
    for (const Case& c : cases) {
        auto rec = recorder(scene.dir.path(), scene.link, station(broker) + c.options);
        ASSERT_TRUE(rec->started());
        if (c.message.isEmpty()) {
            ASSERT_TRUE(test::waitUntil([&] { return scene.log().contains("MQTT: connected to " + broker.url().toUtf8()); }));
        } else {
            QByteArray err;
            ASSERT_TRUE(test::waitUntil([&] {
                err += rec->process().readAllStandardError();
                return err.contains(c.message);
            })) << err.toStdString();
            // The station records on.
            const auto before = recordedLines(scene.out).size();
            ASSERT_TRUE(test::waitUntil([&] { return recordedLines(scene.out).size() > before + 5; }));
            EXPECT_EQ(rec->process().state(), QProcess::Running);
        }
        rec->signal(SIGTERM);
        EXPECT_EQ(rec->process().exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(rec->process().exitCode(), 0);
    }
    EXPECT_FALSE(scene.log().contains("s3cret"));
    EXPECT_FALSE(scene.log().contains("guess"));
}

TEST(PublishEndToEnd, ABrokerNotThereAtTheStartIsTriedUntilItIs) {
    test::Broker broker;
    ASSERT_TRUE(broker.ok()) << broker.output().toStdString();
    broker.stop();
    Scene scene;
    auto rec = recorder(scene.dir.path(), scene.link, station(broker));
    ASSERT_TRUE(rec->started());
    ASSERT_TRUE(test::waitUntil([&] { return scene.log().contains("MQTT: no broker at " + broker.url().toUtf8() +
                                                                 " yet, trying again every 2 s"); }));
    EXPECT_FALSE(recordedLines(scene.out).isEmpty());  // recording goes on meanwhile
    ASSERT_TRUE(broker.start());
    test::TestSubscriber subscriber(broker.url());
    ASSERT_TRUE(test::waitUntil([&] { return subscriber.state() == "online"; }));
    rec->signal(SIGTERM);
    ASSERT_TRUE(test::waitUntil([&] { return subscriber.state() == "offline"; }));
    EXPECT_EQ(test::withoutRepeats(subscriber.lines()), recordedLines(scene.out));
    EXPECT_EQ(scene.log().count("MQTT: broker back at "), 1);
}
