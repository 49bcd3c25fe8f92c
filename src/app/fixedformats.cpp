#include "app/fixedformats.h"

#include <array>
#include <charconv>
#include <cmath>
#include <system_error>

namespace kordel {

namespace {

void appendTwo(std::string& out, int n) {
    out.push_back(static_cast<char>('0' + (n / 10) % 10));
    out.push_back(static_cast<char>('0' + n % 10));
}

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
long long daysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void civilFromDays(long long z, int& year, int& month, int& day) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long y = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(y + (month <= 2));
}

const long long kEpochDays = daysFromCivil(1899, 12, 30);

}  // namespace

std::string TwoDigits(int n) {
    if (n >= 0 && n < 10) {
        return std::string{'0', static_cast<char>('0' + n)};
    }
    std::array<char, 16> buf{};
    auto res = std::to_chars(buf.data(), buf.data() + buf.size(), n);
    return std::string(buf.data(), res.ptr);
}

std::string HexByte(std::uint8_t b) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return std::string{kDigits[b >> 4], kDigits[b & 0x0F]};
}

std::string formatDate(int year, int month, int day) {
    std::string out;
    out.reserve(10);
    appendTwo(out, day);
    out.push_back('/');
    appendTwo(out, month);
    out.push_back('/');
    std::array<char, 16> buf{};
    auto res = std::to_chars(buf.data(), buf.data() + buf.size(), year);
    const std::string y(buf.data(), res.ptr);
    if (year >= 0 && y.size() < 4) {
        out.append(4 - y.size(), '0');
    }
    out += y;
    return out;
}

std::string formatTime(int hour, int minute, int second) {
    std::string out;
    out.reserve(8);
    appendTwo(out, hour);
    out.push_back(':');
    appendTwo(out, minute);
    out.push_back(':');
    appendTwo(out, second);
    return out;
}

std::string formatDate(const CivilDateTime& t) { return formatDate(t.year, t.month, t.day); }
std::string formatTime(const CivilDateTime& t) { return formatTime(t.hour, t.minute, t.second); }

std::string formatFixed(double value, int decimals) {
    if (!std::isfinite(value)) {
        return std::isnan(value) ? "NAN" : (value > 0 ? "INF" : "-INF");
    }
    // Exact decimal expansion first, then round half away from zero on it:
    // to_chars' own rounding would follow the binary value's ties differently.
    std::array<char, 400> buf{};
    auto res = std::to_chars(buf.data(), buf.data() + buf.size(), std::fabs(value),
                             std::chars_format::fixed, decimals + 30);
    std::string digits(buf.data(), res.ptr);
    const auto point = digits.find('.');
    std::string intPart = digits.substr(0, point);
    std::string frac = point == std::string::npos ? std::string() : digits.substr(point + 1);
    frac.resize(static_cast<std::size_t>(decimals) + 1, '0');
    const bool roundUp = frac.back() >= '5';
    frac.pop_back();
    std::string all = intPart + frac;
    if (roundUp) {
        int i = static_cast<int>(all.size()) - 1;
        while (i >= 0 && all[static_cast<std::size_t>(i)] == '9') {
            all[static_cast<std::size_t>(i)] = '0';
            --i;
        }
        if (i < 0) {
            all.insert(all.begin(), '1');
        } else {
            ++all[static_cast<std::size_t>(i)];
        }
    }
    const std::size_t intLen = all.size() - static_cast<std::size_t>(decimals);
    std::string out = all.substr(0, intLen);
    if (decimals > 0) {
        out += '.';
        out += all.substr(intLen);
    }
    const bool zero = out.find_first_not_of("0.") == std::string::npos;
    if (std::signbit(value) && !zero) {
        out.insert(out.begin(), '-');
    }
    return out;
}

std::string formatFixedWidth(double value, int decimals, int width) {
    std::string s = formatFixed(value, decimals);
    if (static_cast<int>(s.size()) < width) {
        s.insert(0, static_cast<std::size_t>(width) - s.size(), ' ');
    }
    return s;
}

std::string formatGrouped(double value, int maxDecimals) {
    std::string s = formatFixed(value, maxDecimals);
    if (!std::isfinite(value)) {
        return s;
    }
    bool negative = !s.empty() && s.front() == '-';
    if (negative) {
        s.erase(s.begin());
    }
    std::string intPart = s;
    std::string frac;
    if (const auto p = s.find('.'); p != std::string::npos) {
        intPart = s.substr(0, p);
        frac = s.substr(p + 1);
        while (!frac.empty() && frac.back() == '0') {
            frac.pop_back();
        }
    }
    std::string grouped;
    const std::size_t n = intPart.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) {
            grouped.push_back(' ');
        }
        grouped.push_back(intPart[i]);
    }
    std::string out = negative ? "-" : "";
    out += grouped;
    if (!frac.empty()) {
        out += '.';
        out += frac;
    }
    return out;
}

std::optional<double> parseNumber(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (*first == '+') {
        ++first;
        if (first == last || *first == '-') {
            return std::nullopt;
        }
    }
    double value = 0;
    auto res = std::from_chars(first, last, value, std::chars_format::general);
    if (res.ec != std::errc() || res.ptr != last) {
        return std::nullopt;
    }
    return value;
}

std::optional<long long> parseInteger(std::string_view text) {
    if (text.empty() || text.size() > 18) {
        return std::nullopt;
    }
    long long v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        v = v * 10 + (c - '0');
    }
    return v;
}

int expandTwoDigitYear(int twoDigitYear, int currentYear) {
    const int windowStart = currentYear - 50;
    int year = (windowStart / 100) * 100 + twoDigitYear;
    if (year < windowStart) {
        year += 100;
    }
    return year;
}

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) {
        return 0;
    }
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

double toDateNumber(int year, int month, int day) {
    return static_cast<double>(daysFromCivil(year, static_cast<unsigned>(month),
                                             static_cast<unsigned>(day)) -
                               kEpochDays);
}

double toTimeNumber(int hour, int minute, int second, int millisecond) {
    const long long ms = ((hour * 60LL + minute) * 60LL + second) * 1000LL + millisecond;
    return static_cast<double>(ms) / 86400000.0;
}

double toDateTimeNumber(const CivilDateTime& t) {
    return toDateNumber(t.year, t.month, t.day) +
           toTimeNumber(t.hour, t.minute, t.second, t.millisecond);
}

CivilDateTime fromDateTimeNumber(double value) {
    CivilDateTime t;
    if (!std::isfinite(value) || std::fabs(value) > 3.0e6) {
        return t;
    }
    const long long totalMs = std::llround(value * 86400000.0);
    long long days = totalMs / 86400000LL;
    long long msOfDay = totalMs % 86400000LL;
    if (msOfDay < 0) {
        msOfDay += 86400000LL;
        --days;
    }
    civilFromDays(days + kEpochDays, t.year, t.month, t.day);
    t.hour = static_cast<int>(msOfDay / 3600000LL);
    t.minute = static_cast<int>(msOfDay / 60000LL % 60);
    t.second = static_cast<int>(msOfDay / 1000LL % 60);
    t.millisecond = static_cast<int>(msOfDay % 1000LL);
    return t;
}

}  // namespace kordel
