// kordel-record [--port NAME] [--output-dir DIR] [--wait]
//               [--mqtt URL --station CODE [--mqtt-user NAME]
//                [--mqtt-password-file FILE] [--mqtt-ca FILE]]
//               [--k9 NT] [--longitude DEG] [--levels Y,A,R] [--utc-offset ±HH:MM]
//               [--alert-k N] [--alert-level amber|red] [--alert-dead-minutes N]
//               [--alert-command CMD]
// Records the instrument's device lines to daily data files until SIGINT or
// SIGTERM, with the log in "kordel.log" in the current directory. With --mqtt,
// the lines of the daily files are also published to the broker. The
// station's activity (K, level, dB/dt) is watched as it is recorded, and its
// alerts logged, published and handed to the alert command (stationalerts.h).

#include <QCoreApplication>
#include <QDir>
#include <QSocketNotifier>
#include <clocale>
#include <csignal>
#include <iostream>
#include <memory>
#include <optional>
#include <utility>
#include <sys/socket.h>
#include <unistd.h>

#include "app/log/eventlog.h"
#include "app/programcommandline.h"
#include "net/publishoptions.h"
#include "net/stationpublisher.h"
#include "link/activityoptions.h"
#include "recordsession.h"
#include "stationalerts.h"

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
}

QString defaultPort() { return QStringLiteral("ttyS0"); }

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    // A file size limit must end in a failed write, not in a killed recorder.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);

    kordel::ProgramCommandLine cli(
        QStringLiteral("kordel-record"),
        QStringLiteral("Records the Kordel-K5's device lines to daily data files, as the program's\n"
                       "Record button does, without a window, until SIGINT or SIGTERM. The log is\n"
                       "kordel.log in the current directory. A port that fails (adapter pulled out)\n"
                       "is tried again every 2 s. The first line of output names the port."),
        {{0, QStringLiteral("ended by SIGINT or SIGTERM")},
         {1, QStringLiteral("the port (without --wait) or the output folder could not be opened, or the MQTT "
                            "options cannot be used (a broker that refuses the user or its certificate is "
                            "logged and asked again every minute; recording goes on)")}});
    cli.addOption({QStringLiteral("port")}, QStringLiteral("The serial port of the instrument."), QStringLiteral("NAME"),
                  defaultPort());
    cli.addOption({QStringLiteral("output-dir")}, QStringLiteral("The folder of the daily data files."),
                  QStringLiteral("DIR"), QStringLiteral("the current directory"));
    cli.addOption({QStringLiteral("wait")},
                  QStringLiteral("A port missing at start is tried every 2 s instead of ending with "
                                 "status 1, for a station that starts before its adapter."));
    cli.addOption({QStringLiteral("mqtt")},
                  QStringLiteral("Also publish every valid line to this MQTT broker, mqtt://host[:port] or "
                                 "mqtts://host[:port] (TLS, the broker's certificate checked)."),
                  QStringLiteral("URL"));
    cli.addOption({QStringLiteral("station")},
                  QStringLiteral("The station's code in the topics kordel/CODE/line and kordel/CODE/state "
                                 "(letters, digits, '-' and '_')."),
                  QStringLiteral("CODE"));
    cli.addOption({QStringLiteral("mqtt-user")}, QStringLiteral("The user name at the broker."), QStringLiteral("NAME"));
    cli.addOption({QStringLiteral("mqtt-password-file")},
                  QStringLiteral("A file whose first line is the password at the broker (a password is never "
                                 "taken on the command line); only its owner may read it. Under systemd, the "
                                 "credential mqtt-password (LoadCredential=) when not given."),
                  QStringLiteral("FILE"));
    cli.addOption({QStringLiteral("mqtt-ca")},
                  QStringLiteral("The CA certificate that signed the broker's (mqtts://)."), QStringLiteral("FILE"),
                  QStringLiteral("the system's CAs"));
    kordel::addStationActivityOptions(cli);
    if (const auto status = cli.parseOrExit(QCoreApplication::arguments())) {
        return *status;
    }
    kordel::PortSettings port;
    port.portName =
        cli.parser().isSet(QStringLiteral("port")) ? cli.parser().value(QStringLiteral("port")) : defaultPort();
    if (port.portName.isEmpty()) {
        return cli.finish(cli.usageError(QStringLiteral("--port needs a port name")));
    }
    if (!cli.parser().positionalArguments().isEmpty()) {
        return cli.finish(cli.usageError(QStringLiteral("unexpected argument ") +
                                         cli.parser().positionalArguments().constFirst()));
    }
    kordel::StationActivityOptions activity;
    if (const QString problem = kordel::readStationActivityOptions(cli.parser(), activity); !problem.isEmpty()) {
        return cli.finish(cli.usageError(problem));
    }
    const QString outputDir = cli.parser().value(QStringLiteral("output-dir"));
    const bool waitForPort = cli.parser().isSet(QStringLiteral("wait"));
    std::cout << "kordel-record: port " << port.portName.toStdString() << ", daily files in "
              << (outputDir.isEmpty() ? std::string(".") : outputDir.toStdString()) << std::endl;
    if (!outputDir.isEmpty() && !QDir(outputDir).exists()) {
        std::cerr << "kordel-record: the output folder " << outputDir.toStdString() << " does not exist\n";
        return 1;
    }
    const kordel::PublishRequest mqtt{cli.parser().value(QStringLiteral("mqtt")),
                                      cli.parser().value(QStringLiteral("station")),
                                      cli.parser().value(QStringLiteral("mqtt-user")),
                                      cli.parser().value(QStringLiteral("mqtt-password-file")),
                                      cli.parser().value(QStringLiteral("mqtt-ca"))};
    std::optional<kordel::MqttOptions> mqttOptions;
    if (!mqtt.url.isEmpty() || !mqtt.station.isEmpty() || !mqtt.user.isEmpty() || !mqtt.passwordFile.isEmpty() ||
        !mqtt.caFile.isEmpty()) {
        QString error;
        mqttOptions = kordel::makeMqttOptions(mqtt, error);
        if (!mqttOptions) {
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
    if (!session.start(error, waitForPort)) {
        std::cerr << "kordel-record: " << error.toStdString() << '\n';
        return 1;
    }
    std::unique_ptr<kordel::StationPublisher> publisher;
    if (mqttOptions) {
        if (const QString warning = kordel::plainPasswordWarning(*mqttOptions); !warning.isEmpty()) {
            std::cerr << "kordel-record: Warning: " << warning.toStdString() << '\n';
            session.log("MQTT: Warning: " + warning.toStdString());
        }
    }
    bool ended = false;
    if (mqttOptions) {
        publisher = std::make_unique<kordel::StationPublisher>(
            outputDir.toStdString(), mqtt.station.toStdString(),
            [&session](const std::string& text) { session.log(text); });
        QObject::connect(&session.events(), &kordel::RecorderEvents::sampleDecoded, publisher.get(),
                         &kordel::StationPublisher::lineWritten);
        QObject::connect(&session.events(), &kordel::RecorderEvents::dailyFileStarted, publisher.get(),
                         &kordel::StationPublisher::dailyFileStarted);
        // A refusal never ends the recording: it is said loudly and asked again.
        QObject::connect(publisher.get(), &kordel::StationPublisher::refused, &app, [](const QString& message) {
            std::cerr << "kordel-record: " << message.toStdString() << '\n';
        });
        if (!publisher->start(*mqttOptions, error)) {
            std::cerr << "kordel-record: " << error.toStdString() << '\n';
            session.finish();
            return 1;
        }
    }
    StationAlerts alerts(activity, mqttOptions ? mqtt.station.toStdString() : std::string(), session.events(),
                         publisher.get(), [&session](const std::string& text) { session.log(text); });
    alerts.start();
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
    return QCoreApplication::exec();
}
