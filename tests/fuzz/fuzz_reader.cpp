// The data file reader, reading in blocks, against a plain reading of the
// whole file line by line: the same points and the same error lines (with
// their numbers), stopping at the same one, wherever the block boundaries fall.
#include <fuzzer/FuzzedDataProvider.h>

#include "files/datafilereader.h"
#include "fuzzsupport.h"

using namespace kordel;

namespace {

using ErrorLines = std::vector<std::pair<long, std::string>>;
constexpr std::size_t kShown = DataFileReader::kMaxLineLength + 1;

struct Plain {
    SeriesData data;
    ErrorLines errors;
    bool cancelled = false;
};

bool digits(std::string_view s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
}

// A line reads as the same line with its seconds written to the millisecond
// ("59.9999999999" as "59.999", "30" as "30.000"): the fraction's first three
// digits are the milliseconds, the others do not count.
void checkSecondsToTheMillisecond(std::string_view line) {
    const auto fields = SplitDataLine(line);
    if (fields.size() < 6) return;
    const std::string_view seconds = fields[5];
    const std::size_t point = seconds.find('.');
    const std::string_view whole = seconds.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? "" : seconds.substr(point + 1);
    if (!digits(whole) || (point != std::string_view::npos && !digits(fraction))) return;
    const std::size_t at = static_cast<std::size_t>(seconds.data() - line.data());
    std::string ms(fraction.substr(0, 3));
    ms.resize(3, '0');
    const std::string same = std::string(line.substr(0, at)) + std::string(whole) + "." + ms +
                             std::string(line.substr(at + seconds.size()));
    DataLine a, b;
    const bool readsA = parseDataLine(line, a);
    FUZZ_CHECK(readsA == parseDataLine(same, b));
    FUZZ_CHECK(!readsA || (a.x == b.x && a.values == b.values));
}

// Lines end at LF (a CR before it is dropped); the last may lack its LF.
// Lines 1-3 are headers; a line longer than the longest allowed is an error.
Plain readPlain(std::string_view content, std::size_t stopAt) {
    Plain r;
    long number = 0;
    for (std::size_t start = 0; start < content.size();) {
        const std::size_t nl = content.find('\n', start);
        const std::size_t end = nl == std::string_view::npos ? content.size() : nl;
        std::string_view line = content.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (number <= 3) continue;
        if (line.size() <= DataFileReader::kMaxLineLength) checkSecondsToTheMillisecond(line);
        DataLine d;
        if (line.size() <= DataFileReader::kMaxLineLength && parseDataLine(line, d)) {
            r.data.x.push_back(d.x);
            for (int k = 0; k < 5; ++k) r.data.y[k].push_back(d.values[k]);
            continue;
        }
        r.errors.emplace_back(number, std::string(line.substr(0, kShown)));
        if (r.errors.size() == stopAt) {
            r.cancelled = true;
            break;
        }
    }
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::size_t block = DataFileReader::kMaxLineLength + 3 + input.ConsumeIntegralInRange<std::size_t>(0, 4096);
    const std::size_t stopAt = input.ConsumeIntegral<std::uint8_t>();  // the error line answered Cancel; 0: none
    const std::string body = input.ConsumeRemainingBytesAsString();
    // Header lines that are no data lines, then the body over a few blocks, so
    // that the boundaries fall at many places in it.
    std::string content = "Kordel-K5\r\nheader\r\n\r\n";
    while (!body.empty() && content.size() < 2 * block) content += body;
    const auto path = fuzz::scratch() / "data.pc";
    fuzz::writeFile(path, content);

    SeriesData got;
    ErrorLines errors;
    int lastPercent = 0;
    DataFileReader::Callbacks callbacks;
    callbacks.onErrorLine = [&](long number, std::string_view line) {
        errors.emplace_back(number, std::string(line));
        return errors.size() != stopAt;
    };
    callbacks.onProgress = [&](int percent) {
        FUZZ_CHECK(percent > lastPercent && percent <= 100);
        lastPercent = percent;
    };
    const auto outcome = DataFileReader(block).read(path.string(), got, callbacks);

    const Plain plain = readPlain(content, stopAt);
    FUZZ_CHECK(outcome == (plain.cancelled ? DataFileReader::Outcome::Cancelled : DataFileReader::Outcome::Finished));
    FUZZ_CHECK(errors == plain.errors);
    FUZZ_CHECK(got.x == plain.data.x);
    FUZZ_CHECK(got.y == plain.data.y);
    return 0;
}
