// Standard values of a day at 10 Hz: 864,000 data lines (about 54 MB), ten
// lines to each whole-second stamp as the instrument writes them.
//   bench_processing [DIR]   writes DIR/kordel-day.pc (DIR default: the
//                            temporary folder) when missing, then times, 5 runs
//                            each: reading the day into a record as
//                            kordel-export does, and writing from that record
//                            the day's one-second and one-minute IAGA-2002
//                            files (filters, means and writing). Medians of
//                            wall and CPU time (reading uses two threads).

#include <algorithm>
#include <chrono>
#include <ctime>
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

// CPU time of the process in ms: on a shared machine the wall clock mostly
// measures the neighbours.
double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

struct Timer {
    std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
    double cpu = cpuMs();
    void stop(std::vector<double>& walls, std::vector<double>& cpus) const {
        walls.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wall).count());
        cpus.push_back(cpuMs() - cpu);
    }
};

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    const fs::path dir = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
    const std::string day = (dir / "kordel-day.pc").string();
    if (!fs::exists(day)) writeDay(day);
    const fs::path out = dir / "kordel-bench-out";
    fs::create_directories(out);

    std::vector<double> read, seconds, minutes, readCpu, secondsCpu, minutesCpu;
    for (int run = 0; run < 5; ++run) {
        Timer reading;
        kordel::ExportInput input = kordel::readExportInputs({day});
        reading.stop(read, readCpu);
        if (input.record.size() < 800000) {
            std::fprintf(stderr, "read %zu samples\n", input.record.size());
            return 1;
        }
        for (const auto interval : {kordel::ExportInterval::Second, kordel::ExportInterval::Minute}) {
            kordel::ExportSettings s;
            s.interval = interval;
            s.station.code = "ABC";
            Timer writing;
            const kordel::TextExport ex(input.record, input.elements, s);
            for (const auto& part : ex.days()) {
                if (const kordel::IoStatus st = kordel::writeExportFile(ex, part, (out / part.fileName).string()); !st) {
                    std::fprintf(stderr, "%s\n", st.message().c_str());
                    return 1;
                }
            }
            if (interval == kordel::ExportInterval::Second) writing.stop(seconds, secondsCpu);
            else writing.stop(minutes, minutesCpu);
        }
    }
    std::printf("medians of 5 runs, wall / CPU of the process\n");
    std::printf("read the day (864000 lines):          %5.0f / %5.0f ms\n", median(read), median(readCpu));
    std::printf("one-second IAGA-2002 file of the day: %5.0f / %5.0f ms\n", median(seconds), median(secondsCpu));
    std::printf("one-minute IAGA-2002 file of the day: %5.0f / %5.0f ms\n", median(minutes), median(minutesCpu));
    fs::remove_all(out);
    return 0;
}
