#include "link/deviceline.h"

#include <charconv>

#include "app/fixedformats.h"

namespace kordel {

namespace {

std::string_view column(std::string_view line, std::size_t first, std::size_t last) {
    return line.substr(first - 1, last - first + 1);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool allDigits(std::string_view s) {
    for (char c : s) {
        if (!isDigit(c)) {
            return false;
        }
    }
    return !s.empty();
}

std::string_view skipBlanks(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') {
        ++i;
    }
    return s.substr(i);
}

// Fields are stored in unsigned variables of the given width: a negative
// number wraps around and then fails its range test.
template <typename T>
T wrapUnsigned(long long v) {
    return static_cast<T>(static_cast<unsigned long long>(v));
}

}  // namespace

bool isDeviceLine(std::string_view piece) {
    return piece.size() == kDeviceLineLength && piece[61] == '\r' && piece[62] == '\n';
}

bool readIntegerField(std::string_view field, long long& value) {
    std::string_view s = skipBlanks(field);
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    if (!allDigits(s) || s.size() > 18) {
        return false;
    }
    long long v = 0;
    for (char c : s) {
        v = v * 10 + (c - '0');
    }
    value = negative ? -v : v;
    return true;
}

bool readDecimalField(std::string_view field, double& value) {
    const std::string_view s = skipBlanks(field);
    // Check the shape first: from_chars alone would also take "inf" and "nan".
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        ++i;
    }
    const std::size_t numberStart = i;
    std::size_t digits = 0;
    while (i < s.size() && isDigit(s[i])) {
        ++i;
        ++digits;
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isDigit(s[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) {
        return false;
    }
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
            ++i;
        }
        std::size_t expDigits = 0;
        while (i < s.size() && isDigit(s[i])) {
            ++i;
            ++expDigits;
        }
        if (expDigits == 0) {
            return false;
        }
    }
    if (i != s.size()) {
        return false;  // something follows the number inside its columns
    }
    double v = 0;
    const char* first = s.data() + numberStart;
    const auto res = std::from_chars(first, s.data() + s.size(), v);
    if (res.ec != std::errc() || res.ptr != s.data() + s.size()) {
        return false;
    }
    value = numberStart > 0 && s[0] == '-' ? -v : v;
    return true;
}

bool DecodeDeviceLine(std::string_view line, DecodedSample& sample) {
    if (line.size() < kDeviceLineLength) {
        return false;
    }
    bool ok = true;
    ok &= readDecimalField(column(line, 24, 31), sample.bx);
    ok &= readDecimalField(column(line, 33, 40), sample.by);
    ok &= readDecimalField(column(line, 42, 49), sample.bz);
    ok &= readDecimalField(column(line, 51, 55), sample.ts);
    ok &= readDecimalField(column(line, 57, 61), sample.te);
    long long v = 0;
    if (readIntegerField(column(line, 12, 13), v)) {
        sample.hour = wrapUnsigned<std::uint16_t>(v);
    } else {
        ok = false;
    }
    if (readIntegerField(column(line, 15, 16), v)) {
        sample.minute = wrapUnsigned<std::uint16_t>(v);
    } else {
        ok = false;
    }
    if (readIntegerField(column(line, 18, 19), v)) {
        sample.second = wrapUnsigned<std::uint16_t>(v);
    } else {
        ok = false;
    }
    if (readIntegerField(column(line, 9, 10), v)) {
        sample.day = wrapUnsigned<std::uint8_t>(v);
    } else {
        ok = false;
    }
    ok = ok && sample.day <= 31 && sample.hour <= 23 && sample.minute <= 59 && sample.second <= 59;
    ok = ok && allDigits(column(line, 1, 4)) && allDigits(column(line, 6, 7));
    if (ok) {
        sample.timeOfDay = (sample.hour * 3600.0 + sample.minute * 60.0 + sample.second) / 86400.0;
        long long year = 0, month = 0, hundredths = 0;
        readIntegerField(column(line, 1, 4), year);
        readIntegerField(column(line, 6, 7), month);
        sample.year = static_cast<std::uint16_t>(year);
        sample.month = static_cast<std::uint8_t>(month);
        const std::string_view fraction = column(line, 21, 22);
        sample.hundredths = line[19] == '.' && allDigits(fraction) && readIntegerField(fraction, hundredths)
                                ? static_cast<std::uint8_t>(hundredths)
                                : 0;
    }
    return ok;
}

std::optional<double> sampleDateTime(const DecodedSample& s) {
    if (s.month < 1 || s.month > 12 || s.day < 1 || s.day > daysInMonth(s.year, s.month)) {
        return std::nullopt;
    }
    return toDateNumber(s.year, s.month, s.day) + toTimeNumber(s.hour, s.minute, s.second, s.hundredths * 10);
}

}  // namespace kordel
