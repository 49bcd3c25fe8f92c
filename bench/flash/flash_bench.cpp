// Flash dump conversion speed on a 64 MB dump (131,072 blocks, about 3.9
// million data lines):
//
//   KordelConvert   the command-line converter as a process, MB/s of dump read
//   CatSameOutput   `cat` copying as many bytes as the conversion writes, to the
//                   same disk, for the side-by-side comparison
//   WindowPath      the Flash button's path: TFlash with Tinf, offscreen
//   ConverterOnly   the converter in-process with a plain summary listener
//
// The files live in $KORDEL_BENCH_DIR (default: a folder beside the executable,
// so on the build's disk). Run: flash_bench [--benchmark_repetitions=N]

#include <QApplication>
#include <QDir>
#include <benchmark/benchmark.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "files/flashconverter.h"
#include "files/flashdumpwriter.h"
#include "files/flashform.h"
#include "files/summarywindow.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kBlocks = 131072;

fs::path workDir;
std::uint64_t dumpBytes = 0;

std::uint64_t outputBytes(const fs::path& dir) {
    std::uint64_t total = 0;
    for (const auto& e : fs::directory_iterator(dir)) {
        const auto ext = e.path().extension();
        if (ext == ".fl" || ext == ".INF") {
            total += fs::file_size(e.path());
        }
    }
    return total;
}

void clean(const fs::path& dir) {
    fs::remove_all(dir);
    fs::create_directories(dir);
}

void prepare(const char* argv0) {
    const char* env = std::getenv("KORDEL_BENCH_DIR");
    workDir = env != nullptr ? fs::path(env) : fs::absolute(fs::path(argv0)).parent_path() / "flash-bench-data";
    fs::create_directories(workDir);
    const fs::path dump = workDir / "dump.b01";
    kordel::FlashDumpOptions o;
    o.blocks = kBlocks;
    o.intervalCode = 2;
    // One gap a day's worth in, so that the run also starts a second file.
    o.gapBlock = kBlocks / 2;
    o.gapSeconds = 86400;
    if (!fs::exists(dump) || fs::file_size(dump) != kBlocks * 512) {
        if (!kordel::FlashDumpWriter(o).writeTo(dump.string()).ok()) {
            std::abort();
        }
    }
    dumpBytes = fs::file_size(dump);
    // The reference for cat: one file as large as the conversion's output.
    const fs::path out = workDir / "cli";
    clean(out);
    const std::string cmd = "cd '" + workDir.string() + "' && '" KORDEL_CONVERT "' --output-dir cli dump.b01";
    if (std::system(cmd.c_str()) != 0) {
        std::abort();
    }
    const std::string cat = "cat '" + out.string() + "'/*.fl '" + out.string() + "'/*.INF > '" +
                            (workDir / "reference.txt").string() + "'";
    if (std::system(cat.c_str()) != 0) {
        std::abort();
    }
}

void KordelConvert(benchmark::State& state) {
    const std::string cmd = "cd '" + workDir.string() + "' && '" KORDEL_CONVERT "' --output-dir cli dump.b01";
    for (auto _ : state) {
        if (std::system(cmd.c_str()) != 0) {
            state.SkipWithError("kordel-convert failed");
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * dumpBytes));
    state.counters["output_MB"] = static_cast<double>(outputBytes(workDir / "cli")) / 1e6;
}

void CatSameOutput(benchmark::State& state) {
    const std::string cmd = "cat '" + (workDir / "reference.txt").string() + "' > '" +
                            (workDir / "cat-copy.txt").string() + "'";
    for (auto _ : state) {
        if (std::system(cmd.c_str()) != 0) {
            state.SkipWithError("cat failed");
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fs::file_size(workDir / "reference.txt")));
}

void WindowPath(benchmark::State& state) {
    const fs::path dir = workDir / "window";
    clean(dir);
    const QString old = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(dir.string()));
    Tinf inf;
    TFlash flash(nullptr, &inf, [](const QString&) {});
    flash.FileName = QString::fromStdString((workDir / "dump.b01").string());
    for (auto _ : state) {
        flash.Button5Click();
    }
    QDir::setCurrent(old);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * dumpBytes));
    state.counters["output_MB"] = static_cast<double>(outputBytes(dir)) / 1e6;
}

class Quiet final : public kordel::FileSummaryListener {
public:
    void onLog(const std::string&) override {}
    void onMessage(const std::string&) override { std::abort(); }
    void onFailure(const std::string&) override { std::abort(); }
    void onProgress(int) override {}
};

void ConverterOnly(benchmark::State& state) {
    const fs::path dir = workDir / "core";
    clean(dir);
    Quiet listener;
    kordel::FlashConverter converter(listener, dir.string());
    const std::string dump = (workDir / "dump.b01").string();
    for (auto _ : state) {
        converter.run(dump);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * dumpBytes));
}

}  // namespace

BENCHMARK(KordelConvert)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(CatSameOutput)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(WindowPath)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(ConverterOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    benchmark::Initialize(&argc, argv);
    prepare(argv[0]);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
