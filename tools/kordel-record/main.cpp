// kordel-record [--port NAME] [--output-dir DIR]
// Records the instrument's device lines to daily data files until SIGINT or
// SIGTERM, with the log in "kordel.log" in the current directory.

#include <QCoreApplication>
#include <QDir>
#include <QSocketNotifier>
#include <clocale>
#include <csignal>
#include <iostream>
#include <sys/socket.h>
#include <unistd.h>

#include "recordsession.h"

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
}

int usage(const char* problem) {
    std::cerr << "kordel-record: " << problem << "\n"
              << "usage: kordel-record [--port NAME] [--output-dir DIR]\n";
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
    const QStringList args = QCoreApplication::arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if ((a == QLatin1String("--port") || a == QLatin1String("--output-dir")) && i + 1 >= args.size()) {
            return usage("missing value");
        }
        if (a == QLatin1String("--port")) {
            port.portName = args[++i];
        } else if (a == QLatin1String("--output-dir")) {
            outputDir = args[++i];
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            std::cout << "usage: kordel-record [--port NAME] [--output-dir DIR]\n";
            return 0;
        } else {
            return usage(("unknown argument " + a.toStdString()).c_str());
        }
    }
    if (!outputDir.isEmpty() && !QDir(outputDir).exists()) {
        std::cerr << "kordel-record: the output folder " << outputDir.toStdString() << " does not exist\n";
        return 1;
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
    QSocketNotifier notifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, [&] {
        char c;
        [[maybe_unused]] const ssize_t n = ::read(signalPipe[0], &c, 1);
        session.finish();
        QCoreApplication::quit();
    });
    std::cerr << "kordel-record: recording from " << port.portName.toStdString() << '\n';
    return QCoreApplication::exec();
}
