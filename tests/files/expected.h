#pragma once
// Expected output of the flash dump converter, built by the tests from the
// values they put into a dump, by routes of their own: the field values come
// from exact binary products rounded by llround and written as integer digits,
// times from date-time numbers.

#include <cmath>
#include <cstdint>
#include <string>

#include "app/fixedformats.h"

namespace kordel::test {

// `t` moved by `seconds` (any sign) on the calendar.
inline CivilDateTime plusSeconds(const CivilDateTime& t, long long seconds) {
    const long long ofDay = (t.hour * 60LL + t.minute) * 60LL + t.second + seconds;
    long long days = ofDay / 86400;
    long long rest = ofDay % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    CivilDateTime out = fromDateTimeNumber(toDateNumber(t.year, t.month, t.day) + static_cast<double>(days));
    out.hour = static_cast<int>(rest / 3600);
    out.minute = static_cast<int>(rest / 60 % 60);
    out.second = static_cast<int>(rest % 60);
    return out;
}

// `scaled` ÷ 10^decimals in fixed point, right-aligned in `width`: integer
// digits, never the program's number formatting.
inline std::string scaledText(long long scaled, int decimals, std::size_t width) {
    std::string digits = std::to_string(scaled < 0 ? -scaled : scaled);
    while (digits.size() < static_cast<std::size_t>(decimals) + 1) {
        digits.insert(digits.begin(), '0');
    }
    digits.insert(digits.end() - decimals, '.');
    const std::string s = (scaled < 0 ? "-" : "") + digits;
    return s.size() < width ? std::string(width - s.size(), ' ') + s : s;
}

// Bx/By/Bz text: −raw ÷ 160 with two decimals, right-aligned in 8. −raw × 0.625
// is exact in a double: the value in hundredths, which llround rounds half
// away from zero.
inline std::string fieldText(std::int32_t raw) {
    return scaledText(std::llround(-static_cast<double>(raw) * 0.625), 2, 8);
}

// Ts/Te text on a data line: raw ÷ 10.24 − 20, in tenths raw × 250 ÷ 256 − 200
// (exact in a double), rounded half away from zero.
inline std::string dataTemperatureText(std::uint16_t raw) {
    return scaledText(std::llround(raw * (250.0 / 256.0) - 200.0), 1, 5);
}

inline std::string timeText(const CivilDateTime& t) {
    return std::to_string(t.year) + " " + TwoDigits(t.month) + " " + TwoDigits(t.day) + " " + TwoDigits(t.hour) +
           " " + TwoDigits(t.minute) + " " + TwoDigits(t.second);
}

inline std::string fileName(const CivilDateTime& t) {
    return std::to_string(t.year) + TwoDigits(t.month) + TwoDigits(t.day) + TwoDigits(t.hour) +
           TwoDigits(t.minute) + TwoDigits(t.second) + ".fl";
}

inline std::string dataLine(const CivilDateTime& t, std::int32_t bx, std::int32_t by, std::int32_t bz,
                            std::uint16_t ts, std::uint16_t te) {
    return timeText(t) + ".00 " + fieldText(bx) + " " + fieldText(by) + " " + fieldText(bz) + " " +
           dataTemperatureText(ts) + " " + dataTemperatureText(te) + "\r\n";
}

}  // namespace kordel::test
