// Long records: a month of daily files at 10 Hz in one record.
//
//   bench_longrecord --days N --rate HZ [--dir DIR] [--keep]
//
// Writes N daily files at HZ samples a second into a scratch folder (or reads
// the data files of DIR), loads them as the viewer does, and prints one line
// per figure, "name value unit" (medians where a figure is repeated). First
// the main window, offscreen, opening the folder as File > "Open folder..."
// does (measured first, so its peak memory is its own):
//   first_paint ms     from the open to the five charts painted
//   peak_rss MB        the process's peak resident memory after that
//   zoom_step ms       one step of the time bar's end (five axes, five
//                      replots and paints); _full from the whole record,
//                      _10min on a ten-minute window; zoom_step is the larger
//   scroll_step ms     the time bar's window moved (half the record / ten minutes)
//   autoy_zoom_step ms the zoom step at the whole record with "Auto Y" checked
//   cursor_move ms     a mouse move: the read-out and the cursor lines painted
//   activity_compute ms View > "Activity" turned on: the K bars of the whole
//                      record computed (in the worker) and shown
//   activity_zoom_step ms the zoom steps again with the K bars shown;
//                      activity_zoom_added ms is what they add (the larger
//                      of the whole-record and ten-minute differences,
//                      measured among the other figures' noise);
//                      activity_chart_step ms the K bars' own share of a
//                      step: taking the time window and painted at once
// then the record on its own:
//   load ms            all files into one record, on two threads
//   load_cpu ms        the CPU time of one load (all threads)
//   peak_rss_all MB    the process's peak resident memory at the end
//   record MB          what the record's columns and summaries hold
//   parse_ratio x      one file parsed into the record on one thread, against a
//                      plain from_chars parse of the same file into doubles
//   envelope_full ms   the five channels' envelopes at 1000 px, whole record
//   envelope_10min ms  the same for a 10-minute window in the middle
//   lookup us          the read-out's search for the sample under the cursor
//   stats_full ms      statistics of the five channels, whole record
//   stats_10min ms     the same for a 10-minute window
//   export_iaga_day ms the first file's record written as IAGA-2002, every sample
//                      (compare with parse_one_file)
//   total_field ms     F for every sample
// then overlapping files, every file opened twice:
//   load_overlap ms    the load, against `load` of each file once
//   overlap_peak MB    the peak resident memory that load added (against
//                      load_peak of each file once), overlap_record MB
// and a record growing as a recording or a remote station fills it (a day at
// HZ, six channels with F, one add() per sample):
//   grow_day ms, grow_per_sample us, grow_bytes_per_sample B (columns,
//                      summaries and spare room, per sample)
//   grow_envelope_day ms the six envelopes of the grown day at 1000 px
//   replay_3h ms       three hours of the morning arriving after the whole day
//                      (a station's replay), then settle(); replay_per_sample us
// The generated files are deleted at the end unless --keep is given;
// --no-window leaves the window's figures out.

#include <sys/resource.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QTemporaryDir>
#include <QToolButton>

#include "app/mainform.h"
#include "charts/activitychart.h"
#include "charts/activityview.h"
#include "charts/chartview.h"
#include "charts/channelchart.h"
#include "widgets/zoomler.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "app/fixedformats.h"
#include "exchange/textexport.h"
#include "record/envelope.h"
#include "record/memorybudget.h"
#include "record/rangesummary.h"
#include "record/recordloader.h"
#include "record/totalfield.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Fixed point right-aligned in `width`, as the instrument writes its fields.
char* fixed(char* p, long scaled, int decimals, int width) {
    char tmp[24];
    const bool neg = scaled < 0;
    unsigned long a = static_cast<unsigned long>(neg ? -scaled : scaled);
    int n = 0;
    for (int d = 0; d < decimals; ++d, a /= 10) tmp[n++] = static_cast<char>('0' + a % 10);
    tmp[n++] = '.';
    do {
        tmp[n++] = static_cast<char>('0' + a % 10);
        a /= 10;
    } while (a != 0);
    if (neg) tmp[n++] = '-';
    for (int i = n; i < width; ++i) *p++ = ' ';
    while (n > 0) *p++ = tmp[--n];
    return p;
}

char* two(char* p, int v) {
    *p++ = static_cast<char>('0' + v / 10);
    *p++ = static_cast<char>('0' + v % 10);
    return p;
}

// One day of device lines at `rate` Hz: a slow daily variation, noise and a
// rare spike, as a station records them.
void writeDay(const std::filesystem::path& path, int dayIndex, int rate, std::mt19937& rng) {
    const kordel::CivilDateTime date = kordel::fromDateTimeNumber(kordel::toDateNumber(2007, 5, 1) + dayIndex);
    std::string out;
    const long perDay = 86400L * rate;
    out.reserve(static_cast<std::size_t>(perDay) * 63);
    std::uniform_int_distribution<int> noise(-30, 30);
    char line[96];
    for (long i = 0; i < perDay; ++i) {
        const long ms = i * 1000 / rate;
        const int s = static_cast<int>(ms / 1000);
        char* p = line;
        p = std::to_chars(p, p + 4, date.year).ptr;
        *p++ = ' ';
        p = two(p, date.month);
        *p++ = ' ';
        p = two(p, date.day);
        *p++ = ' ';
        p = two(p, s / 3600);
        *p++ = ' ';
        p = two(p, s / 60 % 60);
        *p++ = ' ';
        p = two(p, s % 60);
        *p++ = '.';
        p = two(p, static_cast<int>(ms % 1000 / 10));
        const long slow = (s % 43200) < 21600 ? s % 21600 : 21600 - s % 21600;
        const long spike = i % 100003 == 0 ? 50000 : 0;
        p = fixed(p, 2000000 + slow / 4 + noise(rng) + spike, 2, 9);
        p = fixed(p, 150000 - slow / 8 + noise(rng), 2, 9);
        p = fixed(p, 4400000 + slow / 16 + noise(rng), 2, 9);
        p = fixed(p, 250 + (s / 600) % 20, 1, 6);
        p = fixed(p, 300 + (s / 900) % 30, 1, 6);
        *p++ = '\r';
        *p++ = '\n';
        out.append(line, p);
    }
    std::ofstream(path, std::ios::binary).write(out.data(), static_cast<std::streamsize>(out.size()));
}

// The yardstick: every field of every line through std::from_chars into doubles.
std::size_t plainParse(const std::string& path, std::vector<std::vector<double>>& columns) {
    std::ifstream in(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (auto& c : columns) c.clear();
    std::size_t lines = 0, pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        // Lines 1-3 may be headers; one that starts as a data line is data.
        if (++lines > 3 || (pos < end && text[pos] >= '0' && text[pos] <= '9')) {
            const char* p = text.data() + pos;
            const char* e = text.data() + end;
            for (std::size_t f = 0; f < columns.size() && p < e; ++f) {
                while (p < e && *p == ' ') ++p;
                double v = 0;
                p = std::from_chars(p, e, v).ptr;
                columns[f].push_back(v);
            }
        }
        pos = end + 1;
    }
    return lines;
}

// CPU time of the process so far (user and system, all threads): on a machine
// shared with other work, load_cpu / 2 is what two free cores would take.
double cpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    auto ms = [](const timeval& t) { return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_usec) / 1000.0; };
    return ms(u.ru_utime) + ms(u.ru_stime);
}

void print(const char* name, double value, const char* unit) { std::printf("%s %.3f %s\n", name, value, unit); }

double peakRssMb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
}

// The main window opening the folder, then its zoom, scroll and cursor steps.
void windowFigures(const std::string& dir) {
    QTemporaryDir scratch;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(scratch.path());
    MainFormOptions options;
    options.exeDir = scratch.path();
    TMainForm form(options);
    form.resize(909, 569);
    form.show();
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();

    const auto t0 = Clock::now();
    if (!form.LoadDataFiles({QString::fromStdString(dir)})) {
        std::fputs("the window could not open the files\n", stderr);
        return;
    }
    form.charts().replotCharts(true);
    QCoreApplication::processEvents();
    const double firstPaint = msSince(t0);
    const double peak = peakRssMb();

    TZoomler* bar = form.charts().XZoomlerBar();
    const double lo = bar->Min(), hi = bar->Max(), span = hi - lo;
    const double tenMinutes = 600.0 / 86400.0;
    const double mid = lo + span / 2;
    const auto steps = [&](int n, const std::function<std::pair<double, double>(int)>& window) {
        std::vector<double> t;
        for (int i = 0; i < n; ++i) {
            const auto [s, f] = window(i);
            const auto t1 = Clock::now();
            bar->SetWindow(s, f);
            form.charts().XZoomlerChanged();
            form.charts().replotCharts(true);
            t.push_back(msSince(t1));
        }
        return median(t);
    };
    const double zoomFull = steps(31, [&](int i) { return std::pair(lo, hi - span * 0.5 * (i % 30) / 30.0); });
    const double zoom10 = steps(31, [&](int i) { return std::pair(mid, mid + tenMinutes * (1.0 - 0.5 * (i % 30) / 30.0)); });
    const double scrollFull = steps(31, [&](int i) {
        const double s = lo + span * 0.5 * (i % 30) / 30.0;
        return std::pair(s, s + span * 0.5);
    });
    const double scroll10 = steps(31, [&](int i) {
        const double s = mid + tenMinutes * 0.1 * i;
        return std::pair(s, s + tenMinutes);
    });
    // View > "Activity": the K bars under the charts follow every step.
    double activityCompute = 0, activityZoom = 0, activityAdded = 0, activityChart = 0;
    if (auto* activity = form.findChild<kordel::ActivityView*>()) {
        const auto a0 = Clock::now();
        activity->setShown(true);
        activity->waitForWorker();
        form.charts().replotCharts(true);
        QCoreApplication::processEvents();
        activityCompute = msSince(a0);
        const double full = steps(31, [&](int i) { return std::pair(lo, hi - span * 0.5 * (i % 30) / 30.0); });
        const double ten = steps(31, [&](int i) { return std::pair(mid, mid + tenMinutes * (1.0 - 0.5 * (i % 30) / 30.0)); });
        activityZoom = std::max(full, ten);
        activityAdded = std::max(full - zoomFull, ten - zoom10);
        std::vector<double> own;
        for (int i = 0; i < 31; ++i) {
            bar->SetWindow(lo, hi - span * 0.5 * (i % 30) / 30.0);
            form.charts().XZoomlerChanged();
            form.charts().Chart[0]->replotNow(true);
            activity->chart()->xAxis->setRange(0, 1);  // stale, so that it follows again
            const auto t1 = Clock::now();
            activity->chart()->follow();
            own.push_back(msSince(t1));
        }
        activityChart = median(own);
        activity->setShown(false);
        form.charts().replotCharts(true);
        QCoreApplication::processEvents();
    }
    // "Auto Y" on: each zoom step also fits the six value windows.
    form.charts().AutoYCB->setChecked(true);
    const double autoY = steps(31, [&](int i) { return std::pair(lo, hi - span * 0.5 * (i % 30) / 30.0); });
    form.charts().AutoYCB->setChecked(false);
    form.charts().CrossMouseCB->setChecked(true);
    const auto moves = [&]() {
        const QRect r = form.charts().Chart[1]->plotRect();
        std::vector<double> t;
        for (int i = 0; i < 121; ++i) {
            const auto t1 = Clock::now();
            form.charts().Chart0MouseMove(1, r.left() + 20 + (i * 7) % (r.width() - 40), r.center().y());
            QCoreApplication::processEvents();  // the paints it asked for
            t.push_back(msSince(t1));
        }
        return median(t);
    };
    const double cursor10 = moves();
    form.charts().ShowAll();
    form.charts().replotCharts(true);
    const double cursorFull = moves();

    print("first_paint", firstPaint, "ms");
    print("peak_rss", peak, "MB");
    print("zoom_step", std::max(zoomFull, zoom10), "ms");
    print("zoom_step_full", zoomFull, "ms");
    print("zoom_step_10min", zoom10, "ms");
    print("scroll_step", std::max(scrollFull, scroll10), "ms");
    print("scroll_step_full", scrollFull, "ms");
    print("scroll_step_10min", scroll10, "ms");
    print("autoy_zoom_step", autoY, "ms");
    print("cursor_move", std::max(cursorFull, cursor10), "ms");
    print("cursor_move_full", cursorFull, "ms");
    print("cursor_move_10min", cursor10, "ms");
    print("activity_compute", activityCompute, "ms");
    print("activity_zoom_step", activityZoom, "ms");
    print("activity_zoom_added", activityAdded, "ms");
    print("activity_chart_step", activityChart, "ms");
    std::fflush(stdout);
    form.close();
    QDir::setCurrent(previous);
}

// A day at `rate` Hz recorded through the window's charts: the cost of following
// the live view (one sample appended and the charts replotted, as a share of a
// core at that rate), then paused, the whole day's zoom steps.
void liveDayFigures(int rate) {
    QTemporaryDir scratch;
    MainFormOptions options;
    options.exeDir = scratch.path();
    TMainForm form(options);
    form.resize(909, 569);
    form.show();
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    kordel::ChartView& view = form.charts();
    const long perDay = 86400L * rate;
    const double day0 = 39223.0;  // 2007-05-22
    const auto sample = [&](long i) {
        const double x = day0 + static_cast<double>(i) / rate / 86400.0;
        view.appendSample(x, {20000.0 + (i % 170) * 0.01, -1500.0 - (i % 130) * 0.01, 44000.0 + (i % 70) * 0.01, 25.3, 30.1});
    };
    const long followed = 600;
    for (long i = 0; i < perDay - followed; ++i) sample(i);  // no event loop turn: no replot yet
    view.replotCharts(true);
    std::vector<double> t;
    for (long i = perDay - followed; i < perDay; ++i) {
        const auto t1 = Clock::now();
        sample(i);
        view.replotCharts(true);
        t.push_back(msSince(t1));
    }
    const double perSample = median(t);
    view.PauseButton->setEnabled(true);
    view.PauseButton->click();
    view.ShowAll();
    view.replotCharts(true);
    TZoomler* bar = view.XZoomlerBar();
    const double lo = bar->Min(), hi = bar->Max(), span = hi - lo;
    std::vector<double> z;
    for (int i = 0; i < 31; ++i) {
        const auto t1 = Clock::now();
        bar->SetWindow(lo, hi - span * 0.9 * (i % 30) / 30.0);
        view.XZoomlerChanged();
        view.replotCharts(true);
        z.push_back(msSince(t1));
    }
    print("live_day_samples", static_cast<double>(view.liveRecord() ? view.liveRecord()->size() : 0), "");
    print("live_follow_step", perSample, "ms");
    print("live_follow_cpu", perSample * rate / 10.0, "% of a core");
    print("live_paused_zoom_step", median(z), "ms");
    std::fflush(stdout);
    form.close();
}

// The peak resident memory since the last resetPeak(), from the kernel's own count.
void resetPeak() {
    const int fd = ::open("/proc/self/clear_refs", O_WRONLY | O_CLOEXEC);
    if (fd >= 0) {
        if (::write(fd, "5", 1) != 1) std::fputs("cannot reset the peak memory\n", stderr);
        ::close(fd);
    }
}

// A field of /proc/self/status ("VmHWM", "VmRSS"), in MB.
double statusMb(std::string_view field) {
    std::ifstream in("/proc/self/status");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return static_cast<double>(kordel::kilobyteField(text, field).value_or(0)) / 1048576.0;  // given in bytes
}

double peakSinceResetMb() { return statusMb("VmHWM"); }

double currentRssMb() { return statusMb("VmRSS"); }

// Every file once, then every file twice: time, the memory the load added, the record.
void overlapFigures(const std::string& dir) {
    for (const bool twice : {false, true}) {
        const std::vector<std::string> paths = twice ? std::vector<std::string>{dir, dir} : std::vector<std::string>{dir};
        std::vector<double> t;
        double peak = 0, record = 0;
        for (int run = 0; run < 3; ++run) {
            const double before = currentRssMb();
            resetPeak();
            const auto t0 = Clock::now();
            const kordel::RecordLoadResult r = kordel::RecordLoader().load(paths);
            t.push_back(msSince(t0));
            peak = std::max(peak, peakSinceResetMb() - before);
            record = static_cast<double>(r.record.memoryBytes()) / 1048576.0;
        }
        print(twice ? "load_overlap" : "load_once", median(t), "ms");
        print(twice ? "overlap_peak" : "load_peak", peak, "MB");
        print(twice ? "overlap_record" : "once_record", record, "MB");
    }
}

// A day at `rate` Hz added sample by sample, and a replay of three hours after it.
void growingFigures(int rate) {
    auto channels = kordel::Record::dataFileChannels();
    channels.push_back({"F", "nT", 2});
    const std::int64_t day0 = static_cast<std::int64_t>(kordel::toDateNumber(2007, 5, 1)) * 86'400'000;
    const long perDay = 86400L * rate;
    auto sample = [](long i, std::array<std::int32_t, 6>& raw) {
        const long s = i / 10;
        const long slow = (s % 43200) < 21600 ? s % 21600 : 21600 - s % 21600;
        raw = {static_cast<std::int32_t>(2000000 + slow / 4 + i % 61), static_cast<std::int32_t>(150000 - slow / 8),
               static_cast<std::int32_t>(4400000 + slow / 16 - i % 37), 250, 300, 0};
        raw[5] = static_cast<std::int32_t>(std::llround(
            std::sqrt(double(raw[0]) * raw[0] + double(raw[1]) * raw[1] + double(raw[2]) * raw[2])));
    };
    auto stamp = [&](long i) { return day0 + i * 1000 / rate; };
    std::array<std::int32_t, 6> raw{};

    kordel::Record live(channels);
    live.finish();
    auto t0 = Clock::now();
    for (long i = 0; i < perDay; ++i) {
        sample(i, raw);
        live.add(stamp(i), raw);
    }
    const double growMs = msSince(t0);
    std::vector<double> env;
    for (int run = 0; run < 11; ++run) {
        const auto t1 = Clock::now();
        for (std::size_t c = 0; c < live.channelCount(); ++c) {
            kordel::envelope(live, c, live.timeMs(0), live.timeMs(live.size() - 1), 1000);
        }
        env.push_back(msSince(t1));
    }
    print("grow_day", growMs, "ms");
    print("grow_per_sample", growMs * 1000.0 / static_cast<double>(perDay), "us");
    print("grow_bytes_per_sample", static_cast<double>(live.memoryBytes()) / static_cast<double>(live.size()), "B");
    print("grow_envelope_day", median(env), "ms");

    // 06:00–09:00 missing live, its lines arriving after the day's last one.
    kordel::Record station(channels);
    station.finish();
    const long from = 6L * 3600 * rate, to = 9L * 3600 * rate;
    for (long i = 0; i < perDay; ++i) {
        if (i >= from && i < to) continue;
        sample(i, raw);
        station.add(stamp(i), raw);
    }
    t0 = Clock::now();
    for (long i = from; i < to; ++i) {
        sample(i, raw);
        station.add(stamp(i), raw);
    }
    station.settle();
    const double replayMs = msSince(t0);
    if (station.size() != static_cast<std::size_t>(perDay) || !station.gapsAfter().empty()) {
        std::fputs("the replay did not fill the outage\n", stderr);
    }
    print("replay_3h", replayMs, "ms");
    print("replay_per_sample", replayMs * 1000.0 / static_cast<double>(to - from), "us");
    std::fflush(stdout);
}

int usage() {
    std::fputs("usage: bench_longrecord --days N --rate HZ [--dir DIR] [--keep] [--no-window]\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    int days = 1, rate = 10;
    std::string dir;
    bool keep = false, window = true;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--days" && i + 1 < argc) days = std::atoi(argv[++i]);
        else if (a == "--rate" && i + 1 < argc) rate = std::atoi(argv[++i]);
        else if (a == "--dir" && i + 1 < argc) dir = argv[++i];
        else if (a == "--keep") keep = true;
        else if (a == "--no-window") window = false;
        else return usage();
    }
    if (days < 1 || rate < 1 || rate > 1000) return usage();
    const bool generated = dir.empty();
    if (generated) {
        dir = (std::filesystem::temp_directory_path() / ("kordel-longrecord-" + std::to_string(days) + "d" +
                                                        std::to_string(rate) + "hz"))
                  .string();
        std::filesystem::create_directories(dir);
        std::mt19937 rng(7);
        for (int d = 0; d < days; ++d) {
            char name[32];
            std::snprintf(name, sizeof name, "200705%02d000000.pc", d + 1);
            const auto path = std::filesystem::path(dir) / name;
            if (!std::filesystem::exists(path)) writeDay(path, d, rate, rng);
        }
    }
    const std::vector<std::string> files = kordel::RecordLoader::dataFilesIn(dir);
    if (files.empty()) {
        std::fprintf(stderr, "no data files in %s\n", dir.c_str());
        return 1;
    }

    if (window) windowFigures(dir);
    if (window) liveDayFigures(rate);

    std::vector<double> loads;
    kordel::RecordLoadResult result;
    const double cpuBefore = cpuMs();
    for (int run = 0; run < 3; ++run) {
        result = kordel::RecordLoadResult{};
        const auto t0 = Clock::now();
        result = kordel::RecordLoader().load({dir});
        loads.push_back(msSince(t0));
        if (result.status != kordel::RecordLoadResult::Status::Loaded) {
            std::fprintf(stderr, "%s\n", result.message.c_str());
            return 1;
        }
    }
    const double loadCpu = (cpuMs() - cpuBefore) / 3;
    kordel::Record& record = result.record;
    const std::int64_t first = record.timeMs(0), last = record.timeMs(record.size() - 1);
    const std::int64_t mid = first + (last - first) / 2;

    auto timeEnvelope = [&](std::int64_t from, std::int64_t to) {
        std::vector<double> t;
        for (int run = 0; run < 21; ++run) {
            const auto t0 = Clock::now();
            std::size_t points = 0;
            for (std::size_t c = 0; c < record.channelCount(); ++c) {
                points += kordel::envelope(record, c, from, to, 1000).x.size();
            }
            t.push_back(msSince(t0));
            if (points == 0) std::fputs("empty envelope\n", stderr);
        }
        return median(t);
    };
    auto timeStats = [&](std::int64_t from, std::int64_t to) {
        std::vector<double> t;
        for (int run = 0; run < 21; ++run) {
            const auto t0 = Clock::now();
            std::size_t n = 0;
            for (std::size_t c = 0; c < record.channelCount(); ++c) {
                n += kordel::windowStatistics(record, c, from, to).value_or(kordel::WindowStatistics{}).count;
            }
            t.push_back(msSince(t0));
            if (n == 0) std::fputs("no statistics\n", stderr);
        }
        return median(t);
    };
    const double envFull = timeEnvelope(first, last);
    const double env10 = timeEnvelope(mid, mid + 600'000);
    const double statsFull = timeStats(first, last);
    const double stats10 = timeStats(mid, mid + 600'000);

    std::mt19937_64 rng(11);
    std::uniform_int_distribution<std::int64_t> when(mid, mid + 600'000);
    std::vector<double> lookups;
    for (int run = 0; run < 2001; ++run) {
        const std::int64_t t = when(rng);
        const auto t0 = Clock::now();
        const auto i = record.nearest(t, mid, mid + 600'000);
        lookups.push_back(msSince(t0) * 1000.0);
        if (!i) std::fputs("no sample under the cursor\n", stderr);
    }
    const auto t0 = Clock::now();
    kordel::addTotalField(record);
    const double fieldMs = msSince(t0);

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    // After the peak is taken: the yardstick holds a whole file and its doubles.
    // The parser alone on one file, against the yardstick.
    std::vector<double> ours, plain;
    std::vector<std::vector<double>> columns(11);
    for (int run = 0; run < 5; ++run) {
        auto t0 = Clock::now();
        plainParse(files.front(), columns);
        plain.push_back(msSince(t0));
        kordel::RecordLoadOptions one;
        one.threads = 1;
        t0 = Clock::now();
        const auto r = kordel::RecordLoader(one).load({files.front()});
        ours.push_back(msSince(t0));
        if (r.record.size() != columns[0].size()) {
            std::fprintf(stderr, "parsed %zu samples, yardstick %zu\n", r.record.size(), columns[0].size());
        }
    }

    // Exporting the first day as IAGA-2002 (every sample) against reading it.
    std::vector<double> exports;
    std::size_t exportedBytes = 0;
    for (int run = 0; run < 5; ++run) {
        kordel::RecordLoadResult day = kordel::RecordLoader().load({files.front()});
        const auto t0 = Clock::now();
        const kordel::TextExport ex(std::move(day.record), "", kordel::ExportSettings{});
        exportedBytes = 0;
        const kordel::IoStatus written = ex.write(ex.whole(), [&](std::string_view bytes) {
            exportedBytes += bytes.size();
            return kordel::IoStatus{};
        });
        if (!written) {
            std::fprintf(stderr, "export: %s\n", written.message().c_str());
            return 1;
        }
        exports.push_back(msSince(t0));
    }

    std::printf("files %zu\nsamples %zu\n", files.size(), record.size());
    print("load", median(loads), "ms");
    print("load_cpu", loadCpu, "ms");
    print("peak_rss_all", static_cast<double>(usage.ru_maxrss) / 1024.0, "MB");
    print("record", static_cast<double>(record.memoryBytes()) / 1048576.0, "MB");
    print("parse_ratio", median(ours) / median(plain), "x");
    print("parse_one_file", median(ours), "ms");
    print("parse_plain", median(plain), "ms");
    print("export_iaga_day", median(exports), "ms");
    print("export_iaga_MB", static_cast<double>(exportedBytes) / 1048576.0, "MB");
    print("envelope_full", envFull, "ms");
    print("envelope_10min", env10, "ms");
    print("lookup", median(lookups), "us");
    print("stats_full", statsFull, "ms");
    print("stats_10min", stats10, "ms");
    print("total_field", fieldMs, "ms");
    std::fflush(stdout);
    overlapFigures(dir);
    growingFigures(rate);
    if (generated && !keep) {
        std::filesystem::remove_all(dir);
    }
    return 0;
}
