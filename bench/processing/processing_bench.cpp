// Standard values of a day at 10 Hz: 864,000 data lines (about 54 MB), ten
// lines to each whole-second stamp as the instrument writes them.
//   bench_processing [DIR]   writes DIR/kordel-day.pc (DIR default: the
//                            temporary folder) when missing, then times, 5 runs
//                            each: reading the day into a record as
//                            kordel-export does, and writing from that record
//                            the day's one-second and one-minute IAGA-2002
//                            files (filters, means and writing). Medians.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "exchange/exportinput.h"
#include "exchange/textexport.h"

namespace {

void writeDay(const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    out << "Kordel-K5\r\nbench\r\nday at 10 Hz\r\n";
    char line[80];
    for (int i = 0; i < 864000; ++i) {
        const int s = i / 10;
        std::snprintf(line, sizeof line, "2007 05 22 %02d %02d %02d %8.2f %8.2f %8.2f %5.1f %5.1f\r\n", s / 3600,
                      s / 60 % 60, s % 60, 20000.0 + (i % 997) * 0.01, 1500.0 + (i % 101) * 0.01,
                      44000.0 + (i % 499) * 0.01, 25.0 + (i % 13) * 0.1, 30.0 + (i % 7) * 0.1);
        out << line;
    }
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    const fs::path dir = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
    const std::string day = (dir / "kordel-day.pc").string();
    if (!fs::exists(day)) writeDay(day);
    const fs::path out = dir / "kordel-bench-out";
    fs::create_directories(out);

    std::vector<double> read, seconds, minutes;
    for (int run = 0; run < 5; ++run) {
        auto t = std::chrono::steady_clock::now();
        kordel::ExportInput input = kordel::readExportInputs({day});
        read.push_back(msSince(t));
        if (input.record.size() < 800000) {
            std::fprintf(stderr, "read %zu samples\n", input.record.size());
            return 1;
        }
        for (const auto interval : {kordel::ExportInterval::Second, kordel::ExportInterval::Minute}) {
            kordel::ExportSettings s;
            s.interval = interval;
            s.station.code = "ABC";
            t = std::chrono::steady_clock::now();
            const kordel::TextExport ex(input.record, input.elements, s);
            for (const auto& part : ex.days()) {
                if (const kordel::IoStatus st = kordel::writeExportFile(ex, part, (out / part.fileName).string()); !st) {
                    std::fprintf(stderr, "%s\n", st.message().c_str());
                    return 1;
                }
            }
            (interval == kordel::ExportInterval::Second ? seconds : minutes).push_back(msSince(t));
        }
    }
    std::printf("read the day (864000 lines): median %.0f ms\n", median(read));
    std::printf("one-second IAGA-2002 file of the day: median %.0f ms\n", median(seconds));
    std::printf("one-minute IAGA-2002 file of the day: median %.0f ms\n", median(minutes));
    fs::remove_all(out);
    return 0;
}
