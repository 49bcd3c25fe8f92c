// The device line decoder on any bytes: a line it calls valid has every field
// in range, names a daily file of 14 digits, and its values are those a plain
// reading of the field's text gives.
#include <cmath>
#include <cstdint>

#include "app/fixedformats.h"
#include "files/dailyrecorder.h"
#include "fuzzsupport.h"
#include "link/deviceline.h"

using namespace kordel;

namespace {

std::string_view trimmed(std::string_view line, std::size_t first, std::size_t last) {
    std::string_view f = line.substr(first - 1, last - first + 1);
    while (!f.empty() && f.front() == ' ') f.remove_prefix(1);
    return f;
}

void checkValue(std::string_view line, std::size_t first, std::size_t last, double decoded) {
    std::string_view text = trimmed(line, first, last);
    const bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    const auto plain = parseNumber(text);
    FUZZ_CHECK(plain && std::isfinite(*plain));
    FUZZ_CHECK((negative ? -*plain : *plain) == decoded);
}

void checkInteger(std::string_view line, std::size_t first, std::size_t last, long long decoded) {
    std::string_view text = trimmed(line, first, last);
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '+' || negative)) text.remove_prefix(1);
    const auto plain = parseInteger(text);
    // A negative number wraps to a large one and fails its range: only -0 is left.
    FUZZ_CHECK(plain && *plain == decoded && (!negative || decoded == 0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    DecodedSample s;
    const bool devline = isDeviceLine(line);
    FUZZ_CHECK(devline == (size == 63 && line[61] == '\r' && line[62] == '\n'));
    if (!DecodeDeviceLine(line, s)) {
        FUZZ_CHECK(s.timeOfDay == 0);  // taken from valid lines only
        return 0;
    }
    FUZZ_CHECK(s.day <= 31 && s.hour <= 23 && s.minute <= 59 && s.second <= 59);
    FUZZ_CHECK(s.timeOfDay >= 0 && s.timeOfDay < 1);
    FUZZ_CHECK(fuzz::isDigitName(DailyRecorder::dailyFileName(line, s), 14, ".pc"));
    checkValue(line, 24, 31, s.bx);
    checkValue(line, 33, 40, s.by);
    checkValue(line, 42, 49, s.bz);
    checkValue(line, 51, 55, s.ts);
    checkValue(line, 57, 61, s.te);
    checkInteger(line, 9, 10, s.day);
    checkInteger(line, 12, 13, s.hour);
    checkInteger(line, 15, 16, s.minute);
    checkInteger(line, 18, 19, s.second);
    return 0;
}
