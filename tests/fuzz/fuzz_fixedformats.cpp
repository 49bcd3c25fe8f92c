// The fixed formats, round trips: a number written with d decimals reads back
// within half a unit of its last digit; grouped text too, once its blanks go;
// a date and time survives the date-time number; two digits, hex bytes, dates,
// times and two-digit years read back as they were.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>

#include "app/fixedformats.h"
#include "fuzzsupport.h"

using namespace kordel;

namespace {

void checkNumber(double v, int decimals) {
    const std::string s = formatFixed(v, decimals);
    const std::size_t point = s.find('.');
    FUZZ_CHECK(decimals == 0 ? point == std::string::npos : point == s.size() - 1 - static_cast<std::size_t>(decimals));
    FUZZ_CHECK(s.find_first_not_of("-0123456789.") == std::string::npos);
    FUZZ_CHECK(s.rfind('-') == std::string::npos || s.rfind('-') == 0);
    FUZZ_CHECK(s.find_first_not_of("-0.") != std::string::npos || s[0] != '-');  // no "-0.00"
    const auto back = parseNumber(s);
    FUZZ_CHECK(back.has_value());
    const double tolerance = 0.5 * std::pow(10.0, -decimals) * (1 + 1e-9) + std::fabs(v) * 4e-16;
    FUZZ_CHECK(std::fabs(*back - v) <= tolerance);
    FUZZ_CHECK(formatFixedWidth(v, decimals, 12).size() == std::max<std::size_t>(12, s.size()));

    std::string grouped = formatGrouped(v, decimals);
    std::erase(grouped, ' ');
    const auto g = parseNumber(grouped);
    FUZZ_CHECK(g.has_value() && std::fabs(*g - v) <= tolerance);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const double v = input.ConsumeFloatingPoint<double>();
    const int decimals = input.ConsumeIntegralInRange(0, 6);
    if (std::isfinite(v) && std::fabs(v) < 1e15) checkNumber(v, decimals);

    CivilDateTime t;
    t.year = input.ConsumeIntegralInRange(1, 9999);
    t.month = input.ConsumeIntegralInRange(1, 12);
    t.day = input.ConsumeIntegralInRange(1, daysInMonth(t.year, t.month));
    t.hour = input.ConsumeIntegralInRange(0, 23);
    t.minute = input.ConsumeIntegralInRange(0, 59);
    t.second = input.ConsumeIntegralInRange(0, 59);
    t.millisecond = input.ConsumeIntegralInRange(0, 999);
    FUZZ_CHECK(fromDateTimeNumber(toDateTimeNumber(t)) == t);
    const std::string date = formatDate(t), time = formatTime(t);
    FUZZ_CHECK(date.size() == 10 && date[2] == '/' && date[5] == '/' && time.size() == 8);
    FUZZ_CHECK(parseInteger(date.substr(0, 2)) == t.day && parseInteger(date.substr(3, 2)) == t.month &&
               parseInteger(date.substr(6)) == t.year);
    FUZZ_CHECK(parseInteger(time.substr(0, 2)) == t.hour && parseInteger(time.substr(3, 2)) == t.minute &&
               parseInteger(time.substr(6)) == t.second);

    const int n = input.ConsumeIntegralInRange(0, 99);
    FUZZ_CHECK(TwoDigits(n).size() == 2 && parseInteger(TwoDigits(n)) == n);
    const auto b = input.ConsumeIntegral<std::uint8_t>();
    const std::string hex = HexByte(b);
    FUZZ_CHECK(hex.size() == 2 && std::stoi(hex, nullptr, 16) == b && hex.find_first_not_of("0123456789ABCDEF") == std::string::npos);

    const int twoDigits = input.ConsumeIntegralInRange(0, 99);
    const int now = input.ConsumeIntegralInRange(100, 9999);
    const int year = expandTwoDigitYear(twoDigits, now);
    FUZZ_CHECK(year % 100 == twoDigits && year >= now - 50 && year < now + 50);

    // Any text: a number that reads, reads again the same when written in full.
    const std::string text = input.ConsumeRemainingBytesAsString();
    if (const auto x = parseNumber(text); x && std::isfinite(*x) && std::fabs(*x) < 1e15) {
        checkNumber(*x, decimals);
    }
    return 0;
}
