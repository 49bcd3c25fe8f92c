// How many device lines a second the window records with its live charts,
// fed as fast as it reads by `kordel-sim --fast` on a pseudo-terminal.
//   bench_window_recording LINK [SECONDS]   (kordel-sim --fast --link LINK running)

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
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
    QElapsedTimer clock;
    int startLines = -1;
    QTimer::singleShot(1000, [&] {  // after the first second, once the file has started
        startLines = form.lineCount();
        clock.start();
    });
    QTimer::singleShot((seconds + 1) * 1000, [&] {
        const double elapsed = static_cast<double>(clock.elapsed()) / 1000.0;
        const int lines = form.lineCount() - startLines;
        form.SpeedButton7Click();
        const qint64 size = QFile(form.currentDataFileName()).size();
        std::printf("window: %d lines in %.2f s = %.0f lines/s (file %lld bytes, %s)\n", lines, elapsed,
                    lines / elapsed, static_cast<long long>(size),
                    size % 63 == 0 ? "whole lines" : "a partial last line");
        QApplication::quit();
    });
    return QApplication::exec();
}
