// kordel-record [--port NAME] [--output-dir DIR]
//               [--mqtt URL --station CODE [--mqtt-user NAME]
//                [--mqtt-password-file FILE] [--mqtt-ca FILE]]
// Records the instrument's device lines to daily data files until SIGINT or
// SIGTERM, with the log in "kordel.log" in the current directory. With --mqtt,
// the lines of the daily files are also published to the broker.

#include <QCoreApplication>
#include <QDir>
#include <QSocketNotifier>
#include <clocale>
#include <csignal>
#include <algorithm>
#include <iostream>
#include <optional>
#include <utility>
#include <sys/socket.h>
#include <unistd.h>

#include "app/log/eventlog.h"
#include "net/publishoptions.h"
#include "net/stationpublisher.h"
#include "recordsession.h"

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
}

const char* const kUsage =
    "usage: kordel-record [--port NAME] [--output-dir DIR]\n"
    "                     [--mqtt URL --station CODE [--mqtt-user NAME]\n"
    "                      [--mqtt-password-file FILE] [--mqtt-ca FILE]]\n";

int usage(const char* problem) {
    std::cerr << "kordel-record: " << problem << "\n"
              << kUsage;
    return 2;
}

QString defaultPort() { return QStringLiteral("ttyS0"); }

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    // A file size limit must end in a failed write, not in a killed recorder.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);

    kordel::PortSettings port;
    port.portName = defaultPort();
    QString outputDir;
    kordel::PublishRequest mqtt;
    const std::pair<const char*, QString*> mqttOptions[] = {
        {"--mqtt", &mqtt.url}, {"--station", &mqtt.station}, {"--mqtt-user", &mqtt.user},
        {"--mqtt-password-file", &mqtt.passwordFile}, {"--mqtt-ca", &mqtt.caFile}};
    const QStringList args = QCoreApplication::arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if ((a == QLatin1String("--port") || a == QLatin1String("--output-dir")) && i + 1 >= args.size()) {
            return usage("missing value");
        }
        const auto option = std::find_if(std::begin(mqttOptions), std::end(mqttOptions),
                                         [&](const auto& o) { return a == QLatin1String(o.first); });
        if (option != std::end(mqttOptions)) {
            if (i + 1 >= args.size()) {
                return usage("missing value");
            }
            *option->second = args[++i];
        } else if (a == QLatin1String("--port")) {
            port.portName = args[++i];
        } else if (a == QLatin1String("--output-dir")) {
            outputDir = args[++i];
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            std::cout << kUsage;
            return 0;
        } else {
            return usage(("unknown argument " + a.toStdString()).c_str());
        }
    }
    if (!outputDir.isEmpty() && !QDir(outputDir).exists()) {
        std::cerr << "kordel-record: the output folder " << outputDir.toStdString() << " does not exist\n";
        return 1;
    }

    std::optional<kordel::MqttOptions> mqttOptionsChecked;
    if (!mqtt.url.isEmpty() || !mqtt.station.isEmpty() || !mqtt.user.isEmpty() || !mqtt.passwordFile.isEmpty() ||
        !mqtt.caFile.isEmpty()) {
        QString error;
        mqttOptionsChecked = kordel::makeMqttOptions(mqtt, error);
        if (!mqttOptionsChecked) {
            std::cerr << "kordel-record: " << error.toStdString() << '\n';
            return 1;
        }
    }

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) {
        std::cerr << "kordel-record: cannot set up signal handling\n";
        return 1;
    }
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);

    const std::string logPath = QDir::current().filePath(QStringLiteral("kordel.log")).toStdString();
    RecordSession session(port, outputDir.toStdString(), logPath);
    QString error;
    if (!session.start(error)) {
        std::cerr << "kordel-record: " << error.toStdString() << '\n';
        return 1;
    }
    std::unique_ptr<kordel::StationPublisher> publisher;
    const kordel::EventLog publisherLog(logPath);
    bool ended = false;
    if (mqttOptionsChecked) {
        publisher = std::make_unique<kordel::StationPublisher>(
            outputDir.toStdString(), mqtt.station.toStdString(),
            [publisherLog](const std::string& text) { publisherLog.write(text); });
        QObject::connect(&session, &RecordSession::lineRecorded, publisher.get(),
                         &kordel::StationPublisher::lineWritten);
        QObject::connect(publisher.get(), &kordel::StationPublisher::fatal, &app, [&](const QString& reason) {
            if (std::exchange(ended, true)) {
                return;
            }
            std::cerr << "kordel-record: " << mqtt.url.toStdString() << ": " << reason.toStdString() << '\n';
            publisherLog.write("MQTT: " + reason.toStdString());
            session.finish();
            QCoreApplication::exit(1);
        });
        if (!publisher->start(*mqttOptionsChecked, error)) {
            std::cerr << "kordel-record: " << error.toStdString() << '\n';
            session.finish();
            return 1;
        }
    }
    QSocketNotifier notifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, [&] {
        char c;
        [[maybe_unused]] const ssize_t n = ::read(signalPipe[0], &c, 1);
        if (std::exchange(ended, true)) {
            return;
        }
        session.finish();
        if (publisher) {
            publisher->finish();
        }
        QCoreApplication::quit();
    });
    std::cerr << "kordel-record: recording from " << port.portName.toStdString() << '\n';
    return QCoreApplication::exec();
}
