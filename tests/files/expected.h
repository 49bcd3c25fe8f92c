#pragma once
// Expected output of the flash dump converter, built by the tests from the
// values they put into a dump, by routes of their own: the field values come
// from exact binary products rounded by the shared fixed-point formatter, times
// from date-time numbers.

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

// Bx/By/Bz text: −raw ÷ 160 with two decimals, right-aligned in 8.
inline std::string fieldText(std::int32_t raw) {
    // −raw × 0.625 is exact in a double: the value in hundredths.
    std::string h = formatFixed(-static_cast<double>(raw) * 0.625, 0);
    std::string sign;
    if (!h.empty() && h.front() == '-') {
        sign = "-";
        h.erase(h.begin());
    }
    while (h.size() < 3) {
        h.insert(h.begin(), '0');
    }
    std::string s = sign + h.substr(0, h.size() - 2) + "." + h.substr(h.size() - 2);
    return s.size() < 8 ? std::string(8 - s.size(), ' ') + s : s;
}

// Ts/Te text on a data line: raw ÷ 10.24 − 20 (raw × 25 ÷ 256 − 20, exact).
inline std::string dataTemperatureText(std::uint16_t raw) {
    return formatFixedWidth(raw * (25.0 / 256.0) - 20.0, 1, 5);
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
