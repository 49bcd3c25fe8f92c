// The line assembler and the daily recorder over any chunking of any bytes,
// with recording runs stopped and started again: every byte of a run from its
// first valid device line on is written once and in order, into files named
// by 14 digits and ".pc", and nowhere but the output folder.
#include <fuzzer/FuzzedDataProvider.h>

#include <map>

#include "files/dailyrecorder.h"
#include "fuzzsupport.h"

using namespace kordel;

namespace {

// Where the bytes of a run start to count: the first piece (ended by LF, or
// 63 bytes long) that is a valid device line. npos when there is none.
std::size_t firstValidLine(std::string_view run) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < run.size(); ++i) {
        if (run[i] == '\n' || i + 1 - start == kDeviceLineLength) {
            const std::string_view piece = run.substr(start, i + 1 - start);
            DecodedSample s;
            if (isDeviceLine(piece) && DecodeDeviceLine(piece, s)) return start;
            start = i + 1;
        }
    }
    return std::string_view::npos;
}

struct Starts : RecorderListener {
    explicit Starts(const fuzz::fs::path& dir) : dir(dir) {}
    // Each daily file started, with its size then: the bytes written while it
    // was current follow that offset.
    void onDailyFileStarted(const std::string& name) override {
        std::error_code ec;
        const auto size = fuzz::fs::file_size(dir / name, ec);
        FUZZ_CHECK(!ec);
        started.emplace_back(name, static_cast<std::size_t>(size));
    }
    void onSample(const DecodedSample&, bool) override {}
    void onLog(const std::string&) override {}
    void onFileError(const std::string&) override { FUZZ_CHECK(!"a file error on a sound disk"); }
    fuzz::fs::path dir;
    std::vector<std::pair<std::string, std::size_t>> started;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::fs::path out = fuzz::scratch() / "out";
    fuzz::fs::create_directories(out);
    fuzz::emptyFolder(out);

    FuzzedDataProvider input(data, size);
    Starts starts(out);
    DailyRecorder recorder(out.string(), starts);
    std::vector<std::string> runs(1);
    recorder.startRun();
    while (input.remaining_bytes() > 0) {
        // Chunk lengths come from the input's end, the bytes from its front.
        const auto op = input.ConsumeIntegral<std::uint8_t>();
        if (op == 0xFF) {
            recorder.stopRun();
            recorder.startRun();
            runs.emplace_back();
            continue;
        }
        const std::string chunk = input.ConsumeBytesAsString(op % 100 + 1u);
        recorder.feed(chunk);
        runs.back() += chunk;
    }
    recorder.stopRun();

    std::string expected;
    for (const std::string& run : runs) {
        if (const std::size_t from = firstValidLine(run); from != std::string::npos) {
            expected.append(run, from);
        }
    }

    FUZZ_CHECK(fuzz::entries(fuzz::scratch(), true) == std::vector<std::string>{"out"});
    std::map<std::string, std::string> files;
    for (const std::string& name : fuzz::entries(out)) {
        FUZZ_CHECK(fuzz::isDigitName(name, 14, ".pc"));
        files[name] = fuzz::readFile(out / name);
    }
    // The written bytes in the order they were written: each start's share of
    // its file runs to the next start of the same name, or to the file's end.
    std::string written;
    for (std::size_t i = 0; i < starts.started.size(); ++i) {
        const auto& [name, from] = starts.started[i];
        std::size_t to = files[name].size();
        for (std::size_t j = i + 1; j < starts.started.size(); ++j) {
            if (starts.started[j].first == name) {
                to = starts.started[j].second;
                break;
            }
        }
        FUZZ_CHECK(from <= to && to <= files[name].size());
        written.append(files[name], from, to - from);
    }
    std::size_t total = 0;
    for (const auto& [name, bytes] : files) total += bytes.size();
    FUZZ_CHECK(total == written.size());
    FUZZ_CHECK(written == expected);
    return 0;
}
