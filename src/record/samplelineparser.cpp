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
bool scaledPlain(std::string_view s, int decimals, std::int64_t& out) {
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
                roundUp = s[i] >= '5';
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

bool readWord(std::string_view s, int& v) {
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    long long n = 0;
    const auto res = std::from_chars(s.data(), s.data() + s.size(), n);
    if (res.ec != std::errc() || res.ptr != s.data() + s.size() || n < 0 || n > 65535) return false;
    v = static_cast<int>(n);
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

namespace {

// The line's fields read in one pass: each reader starts at a field's first
// character and stops at the space after it. The fast paths take the forms
// the instrument writes; anything else goes through the general readers.
class FieldCursor {
public:
    explicit FieldCursor(std::string_view line) : p_(line.data()), end_(line.data() + line.size()) {}

    bool next() {
        while (p_ != end_ && *p_ == ' ') ++p_;
        return p_ != end_;
    }
    std::string_view field() {
        const char* start = p_;
        while (p_ != end_ && *p_ != ' ') ++p_;
        return {start, static_cast<std::size_t>(p_ - start)};
    }
    // An unsigned integer in 0..65535 ("+" allowed in front).
    bool word(int& v) {
        if (!next()) return false;
        const char* start = p_;
        if (*p_ == '+') ++p_;
        int n = 0, digits = 0;
        for (; p_ != end_ && isDigit(*p_) && digits < 9; ++p_, ++digits) n = n * 10 + (*p_ - '0');
        if (p_ != end_ && *p_ != ' ') {
            // "-0", leading zeros past nine digits and the like: the data file reader's rule.
            p_ = start;
            return readWord(field(), v);
        }
        v = n;
        return digits > 0 && n <= 65535;
    }
    // A decimal scaled by 10^decimals: digits, ".", digits, as written by the instrument.
    bool scaled(int decimals, std::int64_t& v, bool truncate) {
        if (!next()) return false;
        const char* start = p_;
        const bool negative = *p_ == '-';
        if (*p_ == '-' || *p_ == '+') ++p_;
        std::int64_t whole = 0;
        int digits = 0;
        for (; p_ != end_ && isDigit(*p_) && digits < 12; ++p_, ++digits) whole = whole * 10 + (*p_ - '0');
        std::int64_t frac = 0;
        int fracDigits = 0;
        bool roundUp = false;
        if (p_ != end_ && *p_ == '.') {
            for (++p_; p_ != end_ && isDigit(*p_); ++p_, ++fracDigits) {
                if (fracDigits < decimals) frac = frac * 10 + (*p_ - '0');
                else if (fracDigits == decimals) roundUp = !truncate && *p_ >= '5';
            }
        }
        if ((p_ != end_ && *p_ != ' ') || digits + fracDigits == 0 || digits == 12) {
            p_ = start;
            return slowScaled(field(), decimals, v, truncate);
        }
        const int taken = fracDigits < decimals ? fracDigits : decimals;
        v = whole * kPow10[static_cast<std::size_t>(decimals)] + frac * kPow10[static_cast<std::size_t>(decimals - taken)] +
            (roundUp ? 1 : 0);
        if (negative) v = -v;
        return true;
    }

private:
    static bool slowScaled(std::string_view f, int decimals, std::int64_t& v, bool truncate) {
        if (truncate) {
            const auto n = parseNumber(f);
            if (!n || !std::isfinite(*n) || std::fabs(*n) >= 1e12) return false;
            // Truncated as written; the small guard keeps 30.123 from becoming 30.122.
            v = static_cast<std::int64_t>(*n * static_cast<double>(kPow10[static_cast<std::size_t>(decimals)]) +
                                          (*n < 0 ? -1e-6 : 1e-6));
            return true;
        }
        const auto r = parseScaled(f, decimals);
        if (!r) return false;
        v = *r;
        return true;
    }

    const char* p_;
    const char* end_;
};

}  // namespace

namespace {

// The device line's columns (a recorded *.pc line, and the usual *.fl line):
// "YYYY MM DD hh mm ss.ff" then Bx, By, Bz right-aligned in 8 with two
// decimals and Ts, Te in 5 with one, one space between. A line of exactly this
// shape reads the same by columns as by fields, without searching for them.
constexpr std::size_t kDeviceLineChars = 61;

bool twoDigits(const char* p, int& v) {
    const unsigned a = static_cast<unsigned>(p[0] - '0'), b = static_cast<unsigned>(p[1] - '0');
    v = static_cast<int>(a * 10 + b);
    return a <= 9 && b <= 9;
}

// Spaces, an optional "-", then digits up to the point at intWidth, then `decimals` digits.
bool columnValue(const char* f, int intWidth, int decimals, std::int32_t& out) {
    int i = 0;
    while (i < intWidth && f[i] == ' ') ++i;
    const bool negative = i < intWidth && f[i] == '-';
    if (negative) ++i;
    if (i == intWidth || f[intWidth] != '.') return false;
    std::int32_t v = 0;
    for (; i < intWidth; ++i) {
        const unsigned d = static_cast<unsigned>(f[i] - '0');
        if (d > 9) return false;
        v = v * 10 + static_cast<std::int32_t>(d);
    }
    for (int k = 1; k <= decimals; ++k) {
        const unsigned d = static_cast<unsigned>(f[intWidth + k] - '0');
        if (d > 9) return false;
        v = v * 10 + static_cast<std::int32_t>(d);
    }
    out = negative ? -v : v;
    return true;
}

bool deviceColumns(std::string_view line, int ymdhms[6], int& ms, std::array<std::int32_t, 5>& raw) {
    const char* p = line.data();
    if (line.size() != kDeviceLineChars) return false;
    for (std::size_t sep : {4u, 7u, 10u, 13u, 16u, 22u, 31u, 40u, 49u, 55u}) {
        if (p[sep] != ' ') return false;
    }
    int century = 0;
    if (!twoDigits(p, century) || !twoDigits(p + 2, ymdhms[0])) return false;
    ymdhms[0] += century * 100;
    int hundredths = 0;
    if (!twoDigits(p + 5, ymdhms[1]) || !twoDigits(p + 8, ymdhms[2]) || !twoDigits(p + 11, ymdhms[3]) ||
        !twoDigits(p + 14, ymdhms[4]) || !twoDigits(p + 17, ymdhms[5]) || p[19] != '.' ||
        !twoDigits(p + 20, hundredths)) {
        return false;
    }
    ms = hundredths * 10;
    return columnValue(p + 23, 5, 2, raw[0]) && columnValue(p + 32, 5, 2, raw[1]) &&
           columnValue(p + 41, 5, 2, raw[2]) && columnValue(p + 50, 3, 1, raw[3]) && columnValue(p + 56, 3, 1, raw[4]);
}

}  // namespace

bool SampleLineParser::toTime(int year, int month, int day, int hour, int minute, int second, int ms,
                              std::int64_t& timeMs) {
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

bool SampleLineParser::parse(std::string_view line, std::int64_t& timeMs,
                             std::array<std::int32_t, kValues>& raw) {
    int ymdhms[6];
    int milli = 0;
    if (deviceColumns(line, ymdhms, milli, raw)) {
        return toTime(ymdhms[0], ymdhms[1], ymdhms[2], ymdhms[3], ymdhms[4], ymdhms[5], milli, timeMs);
    }
    FieldCursor cur(line);
    int ymdhm[5];
    for (int& v : ymdhm) {
        if (!cur.word(v)) return false;
    }
    std::int64_t thousandths = 0;
    if (!cur.scaled(3, thousandths, true) || thousandths < 0 || thousandths >= 65536000) return false;
    const int second = static_cast<int>(thousandths / 1000);
    const int ms = static_cast<int>(thousandths % 1000);
    static constexpr int kDecimals[kValues] = {2, 2, 2, 1, 1};
    for (int k = 0; k < kValues; ++k) {
        std::int64_t v = 0;
        if (!cur.scaled(kDecimals[k], v, false) || !fits(v)) return false;
        raw[static_cast<std::size_t>(k)] = static_cast<std::int32_t>(v);
    }
    for (int extra = 0; extra < 2 && cur.next(); ++extra) {
        const auto v = parseNumber(cur.field());
        if (!v || !std::isfinite(*v)) return false;
    }
    return toTime(ymdhm[0], ymdhm[1], ymdhm[2], ymdhm[3], ymdhm[4], second, ms, timeMs);
}

}  // namespace kordel
