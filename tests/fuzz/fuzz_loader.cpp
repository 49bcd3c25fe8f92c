// The record loader (several files, parsed on one to three threads, read in
// blocks of any size down to the longest line) against a plain reading of
// each whole file line by line with a fresh line parser per line: the same
// samples, the same repeats dropped, the same error lines counted and the
// first of them kept per file, wherever the block boundaries fall.
//
// Input, from its end: the block size, threads, error lines kept, the number
// of files and whether the folder is opened instead of the files; from its
// front: each file's bytes (libFuzzer's escaped random-length strings, the last
// file the rest). Each file is its bytes repeated over a few blocks.
#include <fuzzer/FuzzedDataProvider.h>

#include <map>
#include <span>
#include <tuple>

#include "fuzzsupport.h"
#include "record/recordloader.h"
#include "record/samplelineparser.h"

using namespace kordel;
namespace fs = std::filesystem;

namespace {

using Values = std::array<std::int32_t, SampleLineParser::kValues>;
using Sample = std::pair<std::int64_t, Values>;

struct PlainFile {
    std::vector<Sample> samples;
    std::vector<std::pair<long, std::string>> errors;  // line number, text as shown
    std::optional<std::int64_t> firstTime;
    std::size_t repeats = 0;  // lines that came twice in a row
};

bool digits(std::string_view s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
}

// Variants of a line that read as the line itself: ten leading zeros before
// one of its date and time fields, and its seconds written to the millisecond
// ("59.9999999999" as "59.999", "30.5" as "30.500": the fraction's first three
// digits are the milliseconds, the others do not count).
void checkSameReadings(std::string_view line, bool good, std::int64_t t, const Values& raw) {
    auto same = [&](const std::string& variant) {
        SampleLineParser parser;
        std::int64_t t2 = 0;
        Values raw2{};
        FUZZ_CHECK(parser.parse(variant, t2, raw2) == good);
        FUZZ_CHECK(!good || (t2 == t && raw2 == raw));
    };
    std::size_t pos = 0;
    for (int field = 0; field < 6; ++field) {
        while (pos < line.size() && line[pos] == ' ') ++pos;
        const std::size_t start = pos;
        while (pos < line.size() && line[pos] != ' ') ++pos;
        const std::string_view word = line.substr(start, pos - start);
        const std::string before(line.substr(0, start)), after(line.substr(pos));
        if (field < 5) {
            if (!digits(word)) return;
            same(before + std::string(10, '0') + std::string(word) + after);
            continue;
        }
        const std::size_t point = word.find('.');
        const std::string_view whole = word.substr(0, point);
        const std::string_view fraction = point == std::string_view::npos ? "" : word.substr(point + 1);
        if (!digits(whole) || (point != std::string_view::npos && !digits(fraction))) return;
        std::string ms(fraction.substr(0, 3));
        ms.resize(3, '0');
        same(before + std::string(whole) + "." + ms + after);
    }
}

// Lines end at LF, a CR before it dropped; the last line may end in CR alone
// or in nothing. A line that reads (and is no longer than the longest) is a
// sample; lines 1-3 that do not read are headers; the others are error lines.
PlainFile readPlain(std::string_view content) {
    PlainFile r;
    long number = 0;
    bool firstChecked = false, goodChecked = false;  // the first line, the first sample's line
    for (std::size_t start = 0; start < content.size();) {
        const std::size_t nl = content.find('\n', start);
        const std::size_t end = nl == std::string_view::npos ? content.size() : nl;
        std::string_view line = content.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        SampleLineParser parser;
        std::int64_t t = 0;
        Values raw{};
        const bool good = line.size() <= RecordLoader::kMaxLineLength && parser.parse(line, t, raw);
        if (line.size() <= RecordLoader::kMaxLineLength && (!firstChecked || (good && !goodChecked))) {
            firstChecked = true;
            goodChecked = good;
            checkSameReadings(line, good, t, raw);
        }
        if (good) {
            r.samples.emplace_back(t, raw);
            if (!r.firstTime) r.firstTime = t;
        } else if (!skippedAsHeader(number, good)) {
            r.errors.emplace_back(number, std::string(line.substr(0, RecordLoader::kMaxShownLength)));
        }
    }
    // As the loader takes a file: a line twice in a row is one sample (the
    // second counted as a repeat), then lines sharing a stamp are spread.
    std::vector<Sample> kept;
    for (const Sample& sample : r.samples) {
        if (kept.empty() || !(kept.back() == sample)) kept.push_back(sample);
    }
    std::vector<std::int64_t> times;
    for (const Sample& sample : kept) times.push_back(sample.first);
    Record::spreadSharedStamps(std::span<std::int64_t>(times));
    for (std::size_t i = 0; i < kept.size(); ++i) kept[i].first = times[i];
    r.repeats = r.samples.size() - kept.size();
    r.samples = std::move(kept);
    return r;
}

const char* const kNames[] = {"20070522000000.pc", "20070523000000.PC", "dump.fl", "z.Fl"};
constexpr std::size_t kOrderedBelow = std::size_t{1} << 16;  // the loader looks this far for a first sample

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const unsigned blockChoice = input.ConsumeIntegralInRange<unsigned>(0, 8192);
    const std::size_t block = blockChoice == 8192 ? std::size_t{1} << 20 : RecordLoader::kMaxLineLength + 3 + blockChoice;
    RecordLoadOptions options;
    options.readBlockBytes = block;
    options.threads = input.ConsumeIntegralInRange<unsigned>(1, 3);
    options.keptErrorLines = input.ConsumeIntegralInRange<std::size_t>(0, 8);
    options.memoryLimitBytes = std::uint64_t{1} << 40;
    const std::size_t fileCount = input.ConsumeIntegralInRange<std::size_t>(1, 4);
    const bool wholeFolder = input.ConsumeBool();

    const auto dir = fuzz::scratch() / "record";
    fs::create_directories(dir);
    fuzz::emptyFolder(dir);
    fuzz::writeFile(dir / "kordel.log", "not a data file\n");
    std::map<std::string, PlainFile> plain;  // by file name
    std::vector<std::string> paths;
    bool ordered = true;  // every file short enough for the loader to find its first sample
    for (std::size_t k = 0; k < fileCount; ++k) {
        const std::string body = k + 1 == fileCount ? input.ConsumeRemainingBytesAsString()
                                                    : input.ConsumeRandomLengthString(20000);
        // Over two blocks (just past one for the largest), so that the block
        // boundaries fall at many places in the body.
        const std::size_t want = block > 65536 ? block + body.size() : 2 * block;
        std::string content;
        while (!body.empty() && content.size() < want) content += body;
        fuzz::writeFile(dir / kNames[k], content);
        ordered = ordered && content.size() < kOrderedBelow;
        plain[kNames[k]] = readPlain(content);
        // The same file twice: its samples are dropped as repeats, its error lines count twice.
        paths.push_back((dir / kNames[k]).string());
        if (!wholeFolder && body.size() % 7 == 3) paths.push_back(paths.back());
    }
    if (wholeFolder) paths = {dir.string()};

    std::vector<int> progress;
    options.onProgress = [&](int percent) { progress.push_back(percent); };
    const RecordLoadResult result = RecordLoader(options).load(paths);

    FUZZ_CHECK(result.status == RecordLoadResult::Status::Loaded);
    FUZZ_CHECK(result.failures.empty());
    for (std::size_t i = 0; i < progress.size(); ++i) {
        FUZZ_CHECK(progress[i] >= 1 && progress[i] <= 100 && (i == 0 || progress[i] > progress[i - 1]));
    }

    // The files read: the ones given (or the folder's data files), earliest first sample first.
    std::vector<std::string> names;
    for (const auto& f : result.files) names.push_back(fs::path(f).filename().string());
    std::vector<std::string> expected;
    for (const auto& p : paths) {
        if (!wholeFolder) expected.push_back(fs::path(p).filename().string());
    }
    if (wholeFolder) {
        for (const auto& [name, file] : plain) expected.push_back(name);
    }
    std::vector<std::string> sortedNames = names;
    std::sort(sortedNames.begin(), sortedNames.end());
    std::sort(expected.begin(), expected.end());
    FUZZ_CHECK(sortedNames == expected);
    for (std::size_t i = 0; ordered && i + 1 < names.size(); ++i) {
        const auto& a = plain[names[i]].firstTime;
        const auto& b = plain[names[i + 1]].firstTime;
        FUZZ_CHECK(!b || (a && *a <= *b));
    }

    // The samples: every one read, in time order, exact repeats once.
    std::vector<Sample> all;
    std::size_t errorCount = 0, inARow = 0;
    for (const auto& name : names) {
        all.insert(all.end(), plain[name].samples.begin(), plain[name].samples.end());
        errorCount += plain[name].errors.size();
        inARow += plain[name].repeats;
    }
    std::sort(all.begin(), all.end());
    const std::size_t readCount = all.size();
    all.erase(std::unique(all.begin(), all.end()), all.end());
    const Record& record = result.record;
    FUZZ_CHECK(record.size() == all.size());
    FUZZ_CHECK(result.repeatsDropped == inARow + readCount - all.size());
    std::vector<Sample> got(record.size());
    for (std::size_t i = 0; i < record.size(); ++i) {
        FUZZ_CHECK(i == 0 || record.timeMs(i - 1) <= record.timeMs(i));
        got[i].first = record.timeMs(i);
        for (std::size_t c = 0; c < got[i].second.size(); ++c) got[i].second[c] = record.column(c)[i];
    }
    std::sort(got.begin(), got.end());
    FUZZ_CHECK(got == all);

    // The error lines: all counted; the first few kept, each file's from its first on.
    FUZZ_CHECK(result.errorLineCount == errorCount);
    FUZZ_CHECK(result.errorLines.size() == std::min(errorCount, options.keptErrorLines));
    std::string runFile;
    std::size_t inRun = 0;
    for (std::size_t i = 0; i < result.errorLines.size(); ++i) {
        const ErrorLine& e = result.errorLines[i];
        const std::string name = fs::path(e.file).filename().string();
        FUZZ_CHECK(plain.count(name) == 1);
        const auto& errors = plain[name].errors;
        if (name != runFile || inRun == errors.size()) {
            FUZZ_CHECK(inRun == (runFile.empty() ? 0 : plain[runFile].errors.size()));  // the run before is whole
            runFile = name;
            inRun = 0;
        }
        FUZZ_CHECK(inRun < errors.size());
        FUZZ_CHECK(e.lineNumber == errors[inRun].first && e.text == errors[inRun].second);
        ++inRun;
    }
    return 0;
}
