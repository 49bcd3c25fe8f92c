// The station publisher's speed against a mosquitto broker on 127.0.0.1 that
// the benchmark starts itself:
// 1. throughput: device lines a second read from a daily file, published
//    (QoS 1) and acknowledged by the broker;
// 2. delay: from a line's arrival at the port (written into a pseudo-terminal
//    that kordel-record reads) to its arrival at a subscriber, one line every
//    50 ms; median and 95th percentile.
//   bench_mqtt KORDEL_RECORD [LINES]

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <csignal>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "brokerfixture.h"
#include "sim/simdeviceline.h"
#include "net/stationpublisher.h"
#include "testsupport.h"

using namespace kordel;

namespace {

std::string lineAt(long long n) {
    CivilDateTime t{2026, 12, 8, 0, 0, 0, 0};
    t.day += static_cast<int>(n / 86400);
    t.hour = static_cast<int>(n / 3600 % 24);
    t.minute = static_cast<int>(n / 60 % 60);
    t.second = static_cast<int>(n % 60);
    return buildDeviceLine(t, {static_cast<double>(n % 1000), 1, 2, 25, 30});
}

MqttOptions optionsFor(const test::Broker& broker) {
    std::string error;
    MqttOptions o;
    o.address = *parseBrokerUrl(broker.url().toStdString(), error);
    return o;
}

void throughput(const test::Broker& broker, int lines) {
    QTemporaryDir dir;
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(lines) * 63);
    for (int n = 0; n < lines; ++n) {
        bytes += lineAt(n);
    }
    test::writeFile(dir.filePath(QStringLiteral("20261208000000.pc")), QByteArray::fromStdString(bytes));
    test::writeFile(dir.filePath(QStringLiteral("kordel-mqtt-B1.position")), "20261208000000.pc 0\n");
    StationPublisher publisher(dir.path().toStdString(), "B1", [](const std::string&) {});
    QElapsedTimer clock;
    QString error;
    publisher.start(optionsFor(broker), error);
    clock.start();
    const std::uint64_t end = bytes.size();
    if (!test::waitUntil([&] { return publisher.committed().offset == end; }, 600000)) {
        std::printf("throughput: not all lines acknowledged\n");
        return;
    }
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    std::printf("throughput: %d lines published and acknowledged in %.2f s: %.0f lines/s\n", lines, seconds,
                lines / seconds);
    publisher.finish();
}

void delay(const test::Broker& broker, const char* recorderPath, int lines) {
    QTemporaryDir dir;
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ::grantpt(master);
    ::unlockpt(master);
    termios raw{};
    ::tcgetattr(master, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(master, TCSANOW, &raw);
    const QString slave = QString::fromLocal8Bit(::ptsname(master));
    const int slaveFd = ::open(::ptsname(master), O_RDWR | O_NOCTTY);  // keeps the line up between opens

    MqttClient subscriber;
    QHash<QByteArray, qint64> sentAt;
    std::vector<double> delaysMs;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&subscriber, &MqttClient::connected, [&] { subscriber.subscribe("kordel/D1/line", 1); });
    QObject::connect(&subscriber, &MqttClient::messageReceived, [&](const QByteArray&, const QByteArray& payload) {
        if (sentAt.contains(payload)) {
            delaysMs.push_back(static_cast<double>(clock.nsecsElapsed() - sentAt.value(payload)) / 1e6);
        }
    });
    QString error;
    subscriber.start(optionsFor(broker), error);
    test::waitUntil([&] { return subscriber.isConnected(); });

    QProcess recorder;
    recorder.setWorkingDirectory(dir.path());
    recorder.start(QFileInfo(QString::fromLocal8Bit(recorderPath)).absoluteFilePath(),
                   {QStringLiteral("--port"), slave, QStringLiteral("--output-dir"), dir.path(), QStringLiteral("--mqtt"),
                    broker.url(), QStringLiteral("--station"), QStringLiteral("D1")});
    recorder.waitForStarted();
    test::waitUntil([&] { return QFile(dir.filePath(QStringLiteral("kordel-mqtt-D1.position"))).exists(); });
    test::waitUntil([] { return false; }, 1000);
    for (int n = 0; n < lines; ++n) {
        const std::string line = lineAt(n);
        sentAt.insert(QByteArray::fromStdString(line.substr(0, 61)), clock.nsecsElapsed());
        [[maybe_unused]] const ssize_t w = ::write(master, line.data(), line.size());
        test::waitUntil([] { return false; }, 50);
    }
    test::waitUntil([&] { return delaysMs.size() >= static_cast<std::size_t>(lines); }, 10000);
    if (recorder.state() == QProcess::Running && recorder.processId() > 0) {
        ::kill(static_cast<pid_t>(recorder.processId()), SIGTERM);
        recorder.waitForFinished();
    }
    std::fprintf(stderr, "%s", recorder.readAllStandardError().constData());
    ::close(slaveFd);
    ::close(master);
    if (delaysMs.empty()) {
        std::printf("delay: no line arrived\n");
        return;
    }
    std::sort(delaysMs.begin(), delaysMs.end());
    std::printf("delay port -> subscriber over %zu of %d lines: median %.2f ms, 95th percentile %.2f ms, max %.2f ms\n",
                delaysMs.size(), lines, delaysMs[delaysMs.size() / 2], delaysMs[delaysMs.size() * 95 / 100],
                delaysMs.back());
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_mqtt KORDEL_RECORD [LINES]\n");
        return 2;
    }
    const int lines = argc > 2 ? std::atoi(argv[2]) : 100000;
    test::Broker broker;
    if (!broker.ok()) {
        std::fprintf(stderr, "bench_mqtt: the broker did not start: %s\n", broker.output().toLocal8Bit().constData());
        return 1;
    }
    throughput(broker, lines);
    delay(broker, argv[1], 200);
    return 0;
}
