// Reading a day at 10 Hz: 864,000 data lines (about 54 MB).
//   bench_reader [FILE]   writes FILE (default /tmp/kordel-day.pc) when missing, then
//                         times the parser alone and the window's whole open
//                         (parse, fill the five charts, fit the zoom bars), 5 runs each.

#include <QApplication>
#include <QElapsedTimer>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <vector>

#include "app/mainform.h"
#include "files/datafilereader.h"

namespace {

void writeDay(const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    out << "2007 05 22 00 00 00.00 20000.00  1500.00 44000.00  25.0  30.0\r\n"
           "2007 05 22 00 00 00.10 20000.00  1500.00 44000.00  25.0  30.0\r\n"
           "2007 05 22 00 00 00.20 20000.00  1500.00 44000.00  25.0  30.0\r\n";
    char line[80];
    for (int i = 0; i < 864000; ++i) {
        const int s = i / 10;
        std::snprintf(line, sizeof line, "2007 05 22 %02d %02d %02d.%d0 %8.2f %8.2f %8.2f %5.1f %5.1f\r\n", s / 3600,
                      s / 60 % 60, s % 60, i % 10, 20000.0 + (i % 997) * 0.01, 1500.0 + (i % 101) * 0.01,
                      44000.0 + (i % 499) * 0.01, 25.0 + (i % 13) * 0.1, 30.0 + (i % 7) * 0.1);
        out << line;
    }
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string path =
        QFileInfo(QString::fromLocal8Bit(argc > 1 ? argv[1] : "/tmp/kordel-day.pc")).absoluteFilePath().toStdString();
    if (!QFileInfo::exists(QString::fromStdString(path))) {
        writeDay(path);
    }
    std::vector<double> parse, open;
    for (int run = 0; run < 5; ++run) {
        kordel::SeriesData data;
        kordel::DataFileReader reader;
        QElapsedTimer t;
        t.start();
        reader.read(path, data, {});
        parse.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        if (data.size() != 864000) {
            std::fprintf(stderr, "read %zu lines\n", data.size());
            return 1;
        }
    }
    // The window writes its log and settings: keep them out of the caller's folder.
    QTemporaryDir scratch;
    QDir::setCurrent(scratch.path());
    MainFormOptions options;
    options.exeDir = scratch.path();
    TMainForm form(options);
    form.createSecondaryWindows();
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer t;
        t.start();
        form.LoadDataFile(QString::fromStdString(path));
        open.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    std::printf("parse 864000 lines: median %.0f ms\n", median(parse));
    std::printf("open in the window (parse, charts, zoom bars): median %.0f ms\n", median(open));
    return 0;
}
