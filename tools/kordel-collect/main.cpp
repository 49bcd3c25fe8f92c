// kordel-collect --mqtt URL --station CODE[,CODE...] --output-dir DIR
//                [--mqtt-user NAME] [--mqtt-password-file FILE] [--mqtt-ca FILE]
//                [--history HOURS]
// The central archive of a network of stations: keeps a copy of each station's
// daily files in DIR/<CODE>/, filled from the stations' journal topic and, for
// whatever it missed while it or the broker was away, by replay from the
// stations' own daily files. Runs until SIGINT or SIGTERM; its messages go to
// stderr, one line each.

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QSocketNotifier>
#include <QTimer>
#include <clocale>
#include <csignal>
#include <iostream>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "app/programcommandline.h"
#include "files/safepath.h"
#include "net/publishoptions.h"
#include "net/stationcopy.h"
#include "net/stationsubscriber.h"

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
}

void say(const std::string& text) {
    std::cerr << QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toStdString() << " kordel-collect: " << text
              << std::endl;
}

// One station: its subscriber feeding its copy.
struct Collected {
    QString code;
    std::unique_ptr<kordel::StationCopy> copy;
    std::unique_ptr<kordel::StationSubscriber> subscriber;
};

constexpr int kSaveMs = 1000;
// After lines were lost to a failing disk, the watching starts again from what
// the copy holds this long after, and so on until writing works.
constexpr int kRetryLostMs = 10000;

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);

    kordel::ProgramCommandLine cli(
        QStringLiteral("kordel-collect"),
        QStringLiteral("Keeps a copy of the daily files of stations that kordel-record publishes to an\n"
                       "MQTT broker: DIR/CODE/ holds each of the station's daily files by the same name,\n"
                       "with its valid lines, each once and in the file's order. What it missed while it or\n"
                       "the broker was away is asked for from the station's own files (replay). It starts\n"
                       "again where it stopped (DIR/CODE/kordel-collect.state) and runs until SIGINT or\n"
                       "SIGTERM; its messages go to stderr."),
        {{0, QStringLiteral("ended by SIGINT or SIGTERM")},
         {1, QStringLiteral("an output folder or its state cannot be used, or the MQTT options cannot be used "
                            "(a broker that refuses the user or its certificate is logged and asked again every "
                            "minute)")}});
    cli.addOption({QStringLiteral("mqtt")}, QStringLiteral("The broker, mqtt://host[:port] or mqtts://host[:port]."),
                  QStringLiteral("URL"));
    cli.addOption({QStringLiteral("station")},
                  QStringLiteral("The stations' codes, separated by commas (letters, digits, '-' and '_')."),
                  QStringLiteral("CODE[,CODE...]"));
    cli.addOption({QStringLiteral("output-dir")}, QStringLiteral("The folder that holds a folder per station."),
                  QStringLiteral("DIR"));
    cli.addOption({QStringLiteral("mqtt-user")}, QStringLiteral("The user name at the broker."), QStringLiteral("NAME"));
    cli.addOption({QStringLiteral("mqtt-password-file")},
                  QStringLiteral("A file whose first line is the password at the broker; only its owner may read "
                                 "it. Under systemd, the credential mqtt-password (LoadCredential=) when not given."),
                  QStringLiteral("FILE"));
    cli.addOption({QStringLiteral("mqtt-ca")}, QStringLiteral("The CA certificate that signed the broker's (mqtts://)."),
                  QStringLiteral("FILE"), QStringLiteral("the system's CAs"));
    cli.addValueOption({QStringLiteral("history")},
                       QStringLiteral("On a first start, the hours of each station's lines asked for (by the "
                                      "instrument's clock), 0 to 8760."),
                       QStringLiteral("HOURS"), QStringLiteral("24"));
    if (const auto status = cli.parseOrExit(QCoreApplication::arguments())) {
        return *status;
    }
    const QCommandLineParser& p = cli.parser();
    if (!p.positionalArguments().isEmpty()) {
        return cli.finish(cli.usageError(QStringLiteral("unexpected argument ") + p.positionalArguments().constFirst()));
    }
    for (const char* needed : {"mqtt", "station", "output-dir"}) {
        if (p.value(QString::fromLatin1(needed)).isEmpty()) {
            return cli.finish(cli.usageError(QStringLiteral("--%1 is needed").arg(QString::fromLatin1(needed))));
        }
    }
    bool hoursOk = false;
    const int history = p.value(QStringLiteral("history")).toInt(&hoursOk);
    if (!hoursOk || history < 0 || history > 8760) {
        return cli.finish(cli.usageError(QStringLiteral("--history wants hours from 0 to 8760")));
    }
    const QString outputDir = p.value(QStringLiteral("output-dir"));
    if (!QDir(outputDir).exists()) {
        std::cerr << "kordel-collect: the output folder " << outputDir.toStdString() << " does not exist\n";
        return 1;
    }

    // Every station's options and folder are checked before any is started.
    std::vector<Collected> stations;
    std::vector<kordel::MqttOptions> stationOptions;
    for (const QString& code : p.value(QStringLiteral("station")).split(QLatin1Char(','))) {
        const kordel::PublishRequest request{p.value(QStringLiteral("mqtt")), code, p.value(QStringLiteral("mqtt-user")),
                                             p.value(QStringLiteral("mqtt-password-file")),
                                             p.value(QStringLiteral("mqtt-ca"))};
        QString error;
        const auto options = kordel::makeMqttOptions(request, error);
        if (!options) {
            std::cerr << "kordel-collect: " << error.toStdString() << '\n';
            return 1;
        }
        if (std::any_of(stations.begin(), stations.end(), [&](const Collected& c) { return c.code == code; })) {
            continue;
        }
        if (stations.empty()) {
            if (const QString warning = kordel::plainPasswordWarning(*options); !warning.isEmpty()) {
                say("Warning: " + warning.toStdString());
            }
        }
        // The code was checked as one topic level of letters, digits, '-' and
        // '_': a plain folder name.
        const auto folder = kordel::pathInside(outputDir.toStdString(), code.toStdString());
        Collected c;
        c.code = code;
        const std::string prefix = code.toStdString() + ": ";
        c.copy = std::make_unique<kordel::StationCopy>(*folder, [prefix](const std::string& t) { say(prefix + t); });
        if (const kordel::IoStatus loaded = c.copy->load(); !loaded) {
            std::cerr << "kordel-collect: " << loaded.message() << '\n';
            return 1;
        }
        stations.push_back(std::move(c));
        stationOptions.push_back(*options);
    }
    for (std::size_t i = 0; i < stations.size(); ++i) {
        Collected& c = stations[i];
        const kordel::MqttOptions& options = stationOptions[i];
        const QString& code = c.code;
        const std::string prefix = code.toStdString() + ": ";
        QString error;
        c.subscriber = std::make_unique<kordel::StationSubscriber>();
        c.subscriber->setHistoryHours(history);
        c.subscriber->setHeld(c.copy->coverage(), c.copy->last());
        kordel::StationCopy* copy = c.copy.get();
        QObject::connect(c.subscriber.get(), &kordel::StationSubscriber::entryReceived, &app,
                         [copy](const kordel::JournalEntry& e) { copy->add(e); });
        QObject::connect(c.subscriber.get(), &kordel::StationSubscriber::connectionChanged, &app, [prefix](bool up) {
            say(prefix + (up ? "connected to the broker" : "broker away, trying again every 2 s"));
        });
        QObject::connect(c.subscriber.get(), &kordel::StationSubscriber::unreachable, &app, [prefix](const QString& r) {
            say(prefix + "cannot reach the broker: " + r.toStdString() + ", trying again every 2 s");
        });
        QObject::connect(c.subscriber.get(), &kordel::StationSubscriber::refused, &app, [prefix](const QString& r) {
            say(prefix + "Error: " + r.toStdString() + "; asked again in a minute");
        });
        QObject::connect(c.subscriber.get(), &kordel::StationSubscriber::replayEnded, &app,
                         [prefix, copy](const QString& how) {
                             copy->save();
                             say(prefix + "replay " + how.toStdString() + ", " +
                                 (copy->last() ? "last line " + copy->last()->file + " byte " +
                                                     std::to_string(copy->last()->offset)
                                               : std::string("no line yet")));
                         });
        QObject::connect(c.subscriber.get(), &kordel::StationSubscriber::stateChanged, &app,
                         [prefix](const QString& s) { say(prefix + "station " + s.toStdString()); });
        if (!c.subscriber->start(options, code, error)) {
            std::cerr << "kordel-collect: " << error.toStdString() << '\n';
            return 1;
        }
        say(prefix + "collecting from " + kordel::brokerUrlText(options.address) + " into " + copy->folder() +
            (copy->last() ? " after " + copy->last()->file + " byte " + std::to_string(copy->last()->offset)
                          : " (first start)"));
    }

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) {
        std::cerr << "kordel-collect: cannot set up signal handling\n";
        return 1;
    }
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);

    // The state follows the copy about once a second: after a crash, the lines
    // of that second are cut off and asked for again.
    QTimer saver;
    QObject::connect(&saver, &QTimer::timeout, &app, [&stations] {
        for (Collected& c : stations) {
            c.copy->save();
        }
    });
    saver.start(kSaveMs);
    QTimer lostLines;
    QObject::connect(&lostLines, &QTimer::timeout, &app, [&stations, &stationOptions] {
        for (std::size_t i = 0; i < stations.size(); ++i) {
            Collected& c = stations[i];
            if (!c.copy->takeLost()) {
                continue;
            }
            c.copy->save();
            c.subscriber->stop();
            c.subscriber->setHeld(c.copy->coverage(), c.copy->last());
            QString error;
            if (!c.subscriber->start(stationOptions[i], c.code, error)) {
                say(c.code.toStdString() + ": Error: " + error.toStdString());
            }
        }
    });
    lostLines.start(kRetryLostMs);
    QSocketNotifier notifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, [&] {
        char c;
        [[maybe_unused]] const ssize_t n = ::read(signalPipe[0], &c, 1);
        for (Collected& s : stations) {
            s.subscriber->stop();
            s.copy->save();
        }
        say("stopped");
        QCoreApplication::quit();
    });
    return QCoreApplication::exec();
}
