#include "record/samplelineparser.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "app/fixedformats.h"

namespace kordel {

namespace {

constexpr std::array<std::int64_t, 10> kPow10{1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000,
                                              1000000000};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A plain decimal "[-+]digits[.digits]" scaled by 10^decimals. False when the
// text has another form (an exponent, …) or too many digits for the fast way.
bool scaledPlain(std::string_view s, int decimals, std::int64_t& out, bool truncate = false) {
    std::size_t i = 0;
    const bool negative = i < s.size() && s[i] == '-';
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
    std::int64_t whole = 0;
    int wholeDigits = 0;
    for (; i < s.size() && isDigit(s[i]); ++i, ++wholeDigits) {
        if (wholeDigits == 12) return false;
        whole = whole * 10 + (s[i] - '0');
    }
    std::int64_t frac = 0;
    int fracDigits = 0;
    bool roundUp = false;
    if (i < s.size() && s[i] == '.') {
        for (++i; i < s.size() && isDigit(s[i]); ++i, ++fracDigits) {
            if (fracDigits < decimals) {
                frac = frac * 10 + (s[i] - '0');
            } else if (fracDigits == decimals) {
                roundUp = !truncate && s[i] >= '5';
            }
        }
    }
    if (i != s.size() || wholeDigits + fracDigits == 0) return false;
    const int taken = fracDigits < decimals ? fracDigits : decimals;
    std::int64_t v = whole * kPow10[static_cast<std::size_t>(decimals)] +
                     frac * kPow10[static_cast<std::size_t>(decimals - taken)] + (roundUp ? 1 : 0);
    out = negative ? -v : v;
    return true;
}

bool fits(std::int64_t v) {
    return v > std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max();
}

// One field: skips spaces, then the characters up to the next space.
bool nextField(std::string_view line, std::size_t& pos, std::string_view& field) {
    while (pos < line.size() && line[pos] == ' ') ++pos;
    if (pos == line.size()) return false;
    const std::size_t start = pos;
    while (pos < line.size() && line[pos] != ' ') ++pos;
    field = line.substr(start, pos - start);
    return true;
}

bool readWord(std::string_view s, int& v) {
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    long long n = 0;
    const auto res = std::from_chars(s.data(), s.data() + s.size(), n);
    if (res.ec != std::errc() || res.ptr != s.data() + s.size() || n < 0 || n > 65535) return false;
    v = static_cast<int>(n);
    return true;
}

// Seconds and milliseconds (fraction truncated) of the seconds field.
bool readSeconds(std::string_view s, int& second, int& ms) {
    std::int64_t thousandths = 0;
    if (!scaledPlain(s, 3, thousandths, true) || (!s.empty() && s.front() == '-')) {
        // Rare forms ("3e1"): the general reader, truncated as written.
        const auto n = parseNumber(s);
        if (!n || !std::isfinite(*n) || *n < 0 || *n >= 65536) return false;
        thousandths = static_cast<std::int64_t>(*n * 1000.0 + 1e-6);
    }
    if (thousandths < 0 || thousandths >= 65536000) return false;
    second = static_cast<int>(thousandths / 1000);
    ms = static_cast<int>(thousandths % 1000);
    return true;
}

}  // namespace

std::optional<std::int32_t> parseScaled(std::string_view text, int decimals) {
    std::int64_t v = 0;
    if (decimals < 0 || decimals > 6) return std::nullopt;
    if (!scaledPlain(text, decimals, v)) {
        const auto n = parseNumber(text);
        if (!n || !std::isfinite(*n)) return std::nullopt;
        const double scaled = std::round(*n * static_cast<double>(kPow10[static_cast<std::size_t>(decimals)]));
        if (!(std::fabs(scaled) < 9.0e18)) return std::nullopt;
        v = static_cast<std::int64_t>(scaled);
    }
    if (!fits(v)) return std::nullopt;
    return static_cast<std::int32_t>(v);
}

bool SampleLineParser::parse(std::string_view line, std::int64_t& timeMs,
                             std::array<std::int32_t, kValues>& raw) {
    std::size_t pos = 0;
    std::string_view f;
    int ymdhm[5];
    for (int& v : ymdhm) {
        if (!nextField(line, pos, f) || !readWord(f, v)) return false;
    }
    int second = 0, ms = 0;
    if (!nextField(line, pos, f) || !readSeconds(f, second, ms)) return false;
    static constexpr int kDecimals[kValues] = {2, 2, 2, 1, 1};
    for (int k = 0; k < kValues; ++k) {
        if (!nextField(line, pos, f)) return false;
        const auto v = parseScaled(f, kDecimals[k]);
        if (!v) return false;
        raw[static_cast<std::size_t>(k)] = *v;
    }
    for (int extra = 0; extra < 2 && nextField(line, pos, f); ++extra) {
        const auto v = parseNumber(f);
        if (!v || !std::isfinite(*v)) return false;
    }
    const int year = ymdhm[0], month = ymdhm[1], day = ymdhm[2], hour = ymdhm[3], minute = ymdhm[4];
    if (hour > 23 || minute > 59 || second > 59) return false;
    if (year != lastYear_ || month != lastMonth_ || day != lastDay_) {
        if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month)) {
            return false;
        }
        lastYear_ = year;
        lastMonth_ = month;
        lastDay_ = day;
        lastDays_ = static_cast<std::int64_t>(toDateNumber(year, month, day));
    }
    timeMs = lastDays_ * 86'400'000 + ((hour * 60LL + minute) * 60LL + second) * 1000LL + ms;
    return true;
}

}  // namespace kordel
