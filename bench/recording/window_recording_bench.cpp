// How many device lines a second the window records with its live charts,
// fed as fast as it reads by `kordel-sim --fast` on a pseudo-terminal.
//   bench_window_recording LINK [SECONDS]   (kordel-sim --fast --link LINK running)

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "app/mainform.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_window_recording LINK [SECONDS]\n");
        return 2;
    }
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 5;
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    MainFormOptions options;
    options.exeDir = dir.path();
    options.portName = QString::fromLocal8Bit(argv[1]);
    TMainForm form(options);
    form.createSecondaryWindows();
    form.show();
    form.SpeedButton8Click();
    // The instrument's clock runs a second per line here, so daily files change
    // every 86,400 lines: count the bytes of all of them.
    const auto recorded = [&] {
        qint64 bytes = 0;
        for (const QFileInfo& f : QDir(dir.path()).entryInfoList({QStringLiteral("*.pc")}, QDir::Files)) {
            bytes += f.size();
        }
        return bytes;
    };
    QElapsedTimer clock;
    qint64 startBytes = 0;
    QTimer::singleShot(1000, [&] {  // after the first second, once the file has started
        startBytes = recorded();
        clock.start();
    });
    QTimer::singleShot((seconds + 1) * 1000, [&] {
        const double elapsed = static_cast<double>(clock.elapsed()) / 1000.0;
        const qint64 lines = (recorded() - startBytes) / 63;
        form.SpeedButton7Click();
        std::printf("window: %lld lines in %.2f s = %.0f lines/s with the live charts\n",
                    static_cast<long long>(lines), elapsed, static_cast<double>(lines) / elapsed);
        QApplication::quit();
    });
    return QApplication::exec();
}
