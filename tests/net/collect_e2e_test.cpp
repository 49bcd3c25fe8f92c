// A network of one station and a collector, end to end, through everything a
// station operator meets: kordel-sim on a pseudo-terminal feeds kordel-record,
// which publishes to a real mosquitto broker (no persistence, so a restart
// forgets everything); kordel-collect keeps the copy. The copy must end equal
// to the station's valid lines: none missing, none twice, each file in time
// order.

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>

#include "brokerfixture.h"
#include "childprocess.h"
#include "link/deviceline.h"
#include "net/replay.h"
#include "testsupport.h"

using namespace kordel;

namespace {

using Process = test::ChildProcess;

// The valid lines of one daily file, with CR LF, read the plain way: the 63
// bytes before each LF when they decode.
QByteArray validLines(const QByteArray& bytes) {
    QByteArray lines;
    for (const QByteArray& piece : bytes.split('\n')) {
        const QByteArray line = piece.right(62) + '\n';
        DecodedSample s;
        if (piece.size() >= 62 && isDeviceLine({line.constData(), 63}) && DecodeDeviceLine({line.constData(), 63}, s)) {
            lines += line;
        }
    }
    return lines;
}

QStringList dailyFiles(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("??????????????.pc")}, QDir::Files, QDir::Name);
}

// Each daily file's valid lines, by name.
std::map<QString, QByteArray> stationLines(const QString& folder) {
    std::map<QString, QByteArray> files;
    for (const QString& name : dailyFiles(folder)) {
        files[name] = validLines(test::readFile(folder + QLatin1Char('/') + name));
    }
    return files;
}

std::map<QString, QByteArray> copyFiles(const QString& folder) {
    std::map<QString, QByteArray> files;
    for (const QString& name : dailyFiles(folder)) {
        files[name] = test::readFile(folder + QLatin1Char('/') + name);
    }
    return files;
}

int lineCount(const std::map<QString, QByteArray>& files) {
    int n = 0;
    for (const auto& [name, bytes] : files) {
        n += static_cast<int>(bytes.size() / 63);
    }
    return n;
}

struct Station {
    explicit Station(const QString& root) : dir(root) { QDir(dir).mkpath(QStringLiteral("out")); }
    QString dir;
    QString link = dir + QStringLiteral("/link");
    QString out = dir + QStringLiteral("/out");
    // Empty until the recorder has made it.
    QByteArray log() const {
        QFile file(dir + QStringLiteral("/kordel.log"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

std::unique_ptr<Process> simulator(const Station& s, const QDateTime& start = {}) {
    QStringList args{QStringLiteral("--link"), s.link, QStringLiteral("--rate"), QStringLiteral("10")};
    if (start.isValid()) {
        args << QStringLiteral("--start") << start.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    return std::make_unique<Process>(QStringLiteral(KORDEL_SIM_PATH), args, s.dir);
}

std::unique_ptr<Process> recorder(const Station& s, const test::Broker& broker) {
    return std::make_unique<Process>(QStringLiteral(KORDEL_RECORD_PATH),
                                     QStringList{QStringLiteral("--port"), s.link, QStringLiteral("--output-dir"), s.out,
                                                 QStringLiteral("--mqtt"), broker.url(), QStringLiteral("--station"),
                                                 QStringLiteral("NET1")},
                                     s.dir);
}

std::unique_ptr<Process> collector(const QString& dir, const test::Broker& broker) {
    return std::make_unique<Process>(QStringLiteral(KORDEL_COLLECT_PATH),
                                     QStringList{QStringLiteral("--mqtt"), broker.url(), QStringLiteral("--station"),
                                                 QStringLiteral("NET1,NET2"), QStringLiteral("--output-dir"), dir,
                                                 QStringLiteral("--history"), QStringLiteral("72")},
                                     dir);
}

}  // namespace

TEST(CollectEndToEnd, TheCopyEqualsTheStationsValidLinesThroughRestartsOutagesAndAClockSetBack) {
    test::Broker broker({{}, {}, false, false});
    ASSERT_TRUE(broker.ok()) << broker.output().toStdString();
    broker.stop();
    QTemporaryDir root;
    Station station(root.filePath(QStringLiteral("station")));
    const QString archive = root.filePath(QStringLiteral("archive"));
    QDir(root.path()).mkdir(QStringLiteral("archive"));
    const QString copy = archive + QStringLiteral("/NET1");

    // A new station, no broker yet, restarted (a crash) before anything was
    // acknowledged.
    auto sim = simulator(station);
    ASSERT_TRUE(test::waitUntil([&] { return QFileInfo::exists(station.link); }));
    auto rec = recorder(station, broker);
    ASSERT_TRUE(rec->started());
    ASSERT_TRUE(test::waitUntil([&] { return lineCount(stationLines(station.out)) >= 20; }));
    rec->signal(SIGKILL);
    rec = recorder(station, broker);
    ASSERT_TRUE(test::waitUntil([&] { return lineCount(stationLines(station.out)) >= 40; }));

    // The collector starts before the broker is there, then the broker comes.
    auto col = collector(archive, broker);
    ASSERT_TRUE(col->started());
    ASSERT_TRUE(test::waitUntil([&] { return col->err().contains("NET1: cannot reach the broker"); })) << col->err().toStdString();
    ASSERT_TRUE(broker.start());
    ASSERT_TRUE(test::waitUntil([&] { return lineCount(copyFiles(copy)) >= 50; }, 30000)) << col->err().toStdString();

    // The instrument's clock set back a day (a replaced instrument): a new
    // daily file that sorts before the others.
    const QDateTime yesterday = QDateTime::currentDateTime().addDays(-1);
    auto sim2 = simulator(station, yesterday);
    ASSERT_TRUE(sim2->started());
    sim->signal(SIGTERM);
    const QString dayBefore = yesterday.toString(QStringLiteral("yyyyMMdd"));
    ASSERT_TRUE(test::waitUntil([&] {
        const auto files = stationLines(station.out);
        return files.size() >= 3 && std::any_of(files.begin(), files.end(), [&](const auto& f) {
                   return f.first.startsWith(dayBefore) && f.second.size() >= 10 * 63;
               });
    }, 30000));
    EXPECT_TRUE(dailyFiles(station.out).constFirst().startsWith(dayBefore));

    // The broker restarted, forgetting everything.
    broker.stop();
    ASSERT_TRUE(broker.start());
    const int afterFirstRestart = lineCount(stationLines(station.out));
    ASSERT_TRUE(test::waitUntil([&] { return lineCount(copyFiles(copy)) > afterFirstRestart + 10; }, 30000))
        << col->err().toStdString();

    // The collector killed and away for 10 s (60 s in the field; 10 s keep the
    // test short and are as much of an outage to the collector), then the
    // broker restarted again while it is back.
    col->signal(SIGKILL);
    test::waitUntil([] { return false; }, 10000);
    col = collector(archive, broker);
    ASSERT_TRUE(col->started());
    ASSERT_TRUE(test::waitUntil([&] { return col->err().contains("NET1: replay end"); }, 30000)) << col->err().toStdString();
    broker.stop();
    ASSERT_TRUE(broker.start());
    // The station owns its code again (the broker forgot who did) before
    // the other one comes: its new lines reach the copy.
    ASSERT_TRUE(test::waitUntil([&] { return station.log().count("MQTT: broker back at") >= 2; }, 30000));
    const int afterSecondRestart = lineCount(stationLines(station.out));
    ASSERT_TRUE(test::waitUntil([&] { return lineCount(copyFiles(copy)) > afterSecondRestart; }, 30000));

    // A second publisher of the same code is refused and sends nothing.
    Station other(root.filePath(QStringLiteral("other")));
    auto otherSim = simulator(other);
    ASSERT_TRUE(test::waitUntil([&] { return QFileInfo::exists(other.link); }));
    auto otherRec = recorder(other, broker);
    ASSERT_TRUE(test::waitUntil([&] { return other.log().contains("is already published by owner"); }, 30000))
        << other.log().toStdString();
    otherRec->signal(SIGTERM);

    // The station stops; the copy catches up with every line.
    const int beforeEnd = lineCount(stationLines(station.out));
    ASSERT_TRUE(test::waitUntil([&] { return lineCount(copyFiles(copy)) > beforeEnd; }, 30000));
    rec->signal(SIGTERM);
    EXPECT_EQ(rec->process().exitCode(), 0);
    const std::map<QString, QByteArray> expected = stationLines(station.out);
    EXPECT_TRUE(test::waitUntil([&] { return copyFiles(copy) == expected; }, 30000)) << col->err().toStdString();
    col->signal(SIGTERM);
    EXPECT_EQ(col->process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(col->process().exitCode(), 0);

    const std::map<QString, QByteArray> got = copyFiles(copy);
    ASSERT_EQ(got.size(), expected.size());
    for (const auto& [name, bytes] : expected) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(got.at(name), bytes);
        // Time order within the file.
        std::string previous;
        for (qsizetype at = 0; at + 63 <= got.at(name).size(); at += 63) {
            const std::string key = lineTimeKey(std::string_view(got.at(name).constData() + at, 61));
            EXPECT_LE(previous, key);
            previous = key;
        }
    }
    EXPECT_GE(expected.size(), 3u);
    EXPECT_TRUE(QFileInfo::exists(copy + QStringLiteral("/kordel-collect.state")));
    EXPECT_TRUE(dailyFiles(archive + QStringLiteral("/NET2")).isEmpty());
}
