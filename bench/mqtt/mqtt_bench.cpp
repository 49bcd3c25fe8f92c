// The station publisher's speed against a mosquitto broker on 127.0.0.1 that
// the benchmark starts itself:
// 1. throughput: device lines a second read from a daily file, published
//    (QoS 1) and acknowledged by the broker;
// 2. the same lines from a plain libmosquitto client with the same 100
//    messages in flight, for comparison;
// 3. delay: from a line's arrival at the port (written into a pseudo-terminal
//    that kordel-record reads) to its arrival at a subscriber, one line every
//    50 ms; median and 95th percentile; for a plain client on the line topic
//    and for the program's StationSubscriber (the journal topic);
// 4. the publisher's CPU time with 10,000 daily files in its folder while a
//    line is written every 100 ms;
// 5. the longest pause of the recording's thread (a timer that writes a line
//    every 100 ms) while the broker's name cannot be resolved: the resolver is
//    replaced here by one that does not answer for 4 s;
// 6. live lines while three watchers replay 200,000 lines each: the delay
//    from a line's write to its arrival at a plain subscriber, and how many
//    replayed lines the watchers received meanwhile.
//   bench_mqtt KORDEL_RECORD [LINES]

#include <QCoreApplication>
#include <QEventLoop>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <csignal>
#include <dlfcn.h>
#include <fcntl.h>
#include <mosquitto.h>
#include <netdb.h>
#include <sys/resource.h>
#include <thread>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "brokerfixture.h"
#include "sim/simdeviceline.h"
#include "net/stationpublisher.h"
#include "net/stationsubscriber.h"
#include "testsupport.h"

using namespace kordel;

// The resolver for the name "unanswered.invalid" takes 4 s and fails, as one
// whose server does not answer; other names go to the system's. libmosquitto
// calls getaddrinfo through the dynamic linker, which finds this one first.
extern "C" int getaddrinfo(const char* node, const char* service, const struct addrinfo* hints,
                           struct addrinfo** res) {
    using Real = int (*)(const char*, const char*, const struct addrinfo*, struct addrinfo**);
    static const auto real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "getaddrinfo"));
    if (node != nullptr && std::strcmp(node, "unanswered.invalid") == 0) {
        std::this_thread::sleep_for(std::chrono::seconds(4));
        return EAI_AGAIN;
    }
    return real(node, service, hints, res);
}

namespace {

// Runs the event loop for `ms` without any sleep between events (a sleeping
// wait would add its own delay to everything measured).
void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool runUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

double cpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

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
    if (!runUntil([&] { return publisher.committed().offset == end; }, 600000)) {
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
    runUntil([&] { return subscriber.isConnected(); }, 10000);
    StationSubscriber watcher;
    std::vector<double> watcherMs;
    QObject::connect(&watcher, &StationSubscriber::lineReceived, [&](const QByteArray& line) {
        if (sentAt.contains(line)) {
            watcherMs.push_back(static_cast<double>(clock.nsecsElapsed() - sentAt.value(line)) / 1e6);
        }
    });
    watcher.start(optionsFor(broker), QStringLiteral("D1"), error);
    runUntil([&] { return watcher.isConnected(); }, 10000);

    QProcess recorder;
    recorder.setWorkingDirectory(dir.path());
    recorder.start(QFileInfo(QString::fromLocal8Bit(recorderPath)).absoluteFilePath(),
                   {QStringLiteral("--port"), slave, QStringLiteral("--output-dir"), dir.path(), QStringLiteral("--mqtt"),
                    broker.url(), QStringLiteral("--station"), QStringLiteral("D1")});
    recorder.waitForStarted();
    runUntil([&] { return QFile(dir.filePath(QStringLiteral("kordel-mqtt-D1.position"))).exists(); }, 10000);
    runFor(1000);
    for (int n = 0; n < lines; ++n) {
        const std::string line = lineAt(n);
        sentAt.insert(QByteArray::fromStdString(line.substr(0, 61)), clock.nsecsElapsed());
        [[maybe_unused]] const ssize_t w = ::write(master, line.data(), line.size());
        runFor(50);
    }
    runUntil([&] { return delaysMs.size() >= static_cast<std::size_t>(lines); }, 10000);
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
    if (!watcherMs.empty()) {
        std::sort(watcherMs.begin(), watcherMs.end());
        std::printf("delay port -> StationSubscriber (journal) over %zu of %d lines: median %.2f ms, 95th percentile "
                    "%.2f ms, max %.2f ms\n",
                    watcherMs.size(), lines, watcherMs[watcherMs.size() / 2], watcherMs[watcherMs.size() * 95 / 100],
                    watcherMs.back());
    }
}

void liveDuringReplay(const test::Broker& broker) {
    QTemporaryDir dir;
    const int past = 200000;
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(past) * 63);
    for (int n = 0; n < past; ++n) {
        bytes += lineAt(n);
    }
    test::writeFile(dir.filePath(QStringLiteral("20261208000000.pc")), QByteArray::fromStdString(bytes));
    const QString today = dir.filePath(QStringLiteral("20261211000000.pc"));
    test::writeFile(today, {});
    test::writeFile(dir.filePath(QStringLiteral("kordel-mqtt-L1.position")), "20261211000000.pc 0\n");
    StationPublisher publisher(dir.path().toStdString(), "L1", [](const std::string&) {});
    QString error;
    publisher.start(optionsFor(broker), error);

    MqttClient live;
    QElapsedTimer clock;
    clock.start();
    QHash<QByteArray, qint64> writtenAt;
    std::vector<double> delaysMs;
    QObject::connect(&live, &MqttClient::connected, [&] { live.subscribe("kordel/L1/line", 1); });
    QObject::connect(&live, &MqttClient::messageReceived, [&](const QByteArray&, const QByteArray& payload) {
        if (writtenAt.contains(payload)) {
            delaysMs.push_back(static_cast<double>(clock.nsecsElapsed() - writtenAt.value(payload)) / 1e6);
        }
    });
    live.start(optionsFor(broker), error);
    runUntil([&] { return live.isConnected(); }, 10000);
    runFor(1000);

    std::vector<std::unique_ptr<StationSubscriber>> watchers;
    long long replayed = 0;
    for (int i = 0; i < 3; ++i) {
        auto w = std::make_unique<StationSubscriber>();
        w->setHistoryHours(24 * 30);
        QObject::connect(w.get(), &StationSubscriber::lineReceived, [&](const QByteArray&) { ++replayed; });
        w->start(optionsFor(broker), QStringLiteral("L1"), error);
        watchers.push_back(std::move(w));
    }
    long long n = 1000000;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const std::string line = lineAt(n++);
        writtenAt.insert(QByteArray::fromStdString(line.substr(0, 61)), clock.nsecsElapsed());
        QFile out(today);
        if (out.open(QIODevice::Append)) {
            out.write(QByteArray::fromStdString(line));
        }
        publisher.lineWritten();
    });
    timer.start(100);
    const int seconds = 15;
    runFor(seconds * 1000);
    timer.stop();
    runFor(500);
    if (delaysMs.empty()) {
        std::printf("live during replay: no live line arrived\n");
    } else {
        std::sort(delaysMs.begin(), delaysMs.end());
        std::printf("live lines while 3 watchers replay %d lines each, %d s: %zu live lines, median %.2f ms, max %.2f "
                    "ms; %lld replayed lines received (%.0f lines/s)\n",
                    past, seconds, delaysMs.size(), delaysMs[delaysMs.size() / 2], delaysMs.back(), replayed,
                    static_cast<double>(replayed) / seconds);
    }
    for (auto& w : watchers) {
        w->stop();
    }
    publisher.finish();
}

// A plain libmosquitto client, QoS 1, 100 in flight, its own network thread.
void plainClient(const test::Broker& broker, int lines) {
    struct State {
        std::atomic<int> acked{0};
    } state;
    mosquitto* m = mosquitto_new(nullptr, true, &state);
    mosquitto_max_inflight_messages_set(m, 100);
    mosquitto_int_option(m, MOSQ_OPT_TCP_NODELAY, 1);
    mosquitto_publish_callback_set(m, [](mosquitto*, void* s, int) { ++static_cast<State*>(s)->acked; });
    mosquitto_connect(m, "127.0.0.1", broker.port(), 30);
    mosquitto_loop_start(m);
    QElapsedTimer clock;
    clock.start();
    for (int n = 0; n < lines; ++n) {
        while (n - state.acked.load() >= 100) {
            std::this_thread::yield();
        }
        const std::string line = lineAt(n).substr(0, 61);
        mosquitto_publish(m, nullptr, "kordel/P1/line", static_cast<int>(line.size()), line.data(), 1, false);
    }
    while (state.acked.load() < lines) {
        std::this_thread::yield();
    }
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    std::printf("plain libmosquitto client, 100 in flight: %d lines in %.2f s: %.0f lines/s\n", lines, seconds,
                lines / seconds);
    mosquitto_disconnect(m);
    mosquitto_loop_stop(m, false);
    mosquitto_destroy(m);
}

// A line every 100 ms appended to today's daily file, as the recorder does,
// with the publisher told of it; returns the longest gap between two lines.
double recordFor(StationPublisher& publisher, const QString& file, int seconds) {
    long long n = 0;
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 longest = 0;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
        QFile out(file);
        if (out.open(QIODevice::Append)) {
            out.write(QByteArray::fromStdString(lineAt(n++)));
        }
        publisher.lineWritten();
    });
    timer.start(100);
    runFor(seconds * 1000);
    return static_cast<double>(longest) / 1e6;
}

void cpuWithManyFiles(const test::Broker& broker) {
    QTemporaryDir dir;
    for (int i = 0; i < 10000; ++i) {
        const QString name = QString::number(20000101000000LL + 1000000LL * i) + QStringLiteral(".pc");
        test::writeFile(dir.filePath(name), QByteArray::fromStdString(lineAt(i)));
    }
    const QString today = dir.filePath(QStringLiteral("29991231000000.pc"));
    test::writeFile(today, {});
    test::writeFile(dir.filePath(QStringLiteral("kordel-mqtt-C1.position")), "29991231000000.pc 0\n");
    StationPublisher publisher(dir.path().toStdString(), "C1", [](const std::string&) {});
    QString error;
    publisher.start(optionsFor(broker), error);
    runFor(2000);
    const double cpu0 = cpuSeconds();
    const int seconds = 30;
    recordFor(publisher, today, seconds);
    const double cpu = cpuSeconds() - cpu0;
    std::printf("CPU with 10,000 daily files, 10 lines/s for %d s: %.3f s, %.2f %% of a core (writing the lines "
                "included)\n", seconds, cpu, 100.0 * cpu / seconds);
    publisher.finish();
}

void pauseWithUnresolvableName() {
    QTemporaryDir dir;
    const QString today = dir.filePath(QStringLiteral("20261208000000.pc"));
    test::writeFile(today, {});
    StationPublisher publisher(dir.path().toStdString(), "R1", [](const std::string&) {});
    MqttOptions o;
    std::string e;
    o.address = *parseBrokerUrl("mqtt://unanswered.invalid:1", e);
    QString error;
    publisher.start(o, error);
    const double longest = recordFor(publisher, today, 15);
    std::printf("longest gap between two lines (one every 100 ms) with a broker name that does not resolve, "
                "15 s: %.1f ms, the recording held up %.1f ms at most\n", longest, std::max(0.0, longest - 100.0));
    publisher.finish(0);
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
    plainClient(broker, lines);
    delay(broker, argv[1], 200);
    cpuWithManyFiles(broker);
    pauseWithUnresolvableName();
    liveDuringReplay(broker);
    return 0;
}
