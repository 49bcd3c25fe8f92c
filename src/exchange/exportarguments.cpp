#include "exchange/exportarguments.h"

#include <charconv>

#include "app/fixedformats.h"
#include "record/record.h"
#include "record/samplelineparser.h"

namespace kordel {

namespace {

bool digits(std::string_view s, std::size_t n, int& v) {
    if (s.size() != n) return false;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
    }
    std::from_chars(s.data(), s.data() + s.size(), v);
    return true;
}

}  // namespace

std::optional<std::int64_t> parseIsoUtc(std::string_view text) {
    if (!text.empty() && (text.back() == 'Z' || text.back() == 'z')) text.remove_suffix(1);
    int y = 0, mo = 0, d = 0, h = 0, mi = 0;
    if (text.size() < 10 || text[4] != '-' || text[7] != '-' || !digits(text.substr(0, 4), 4, y) ||
        !digits(text.substr(5, 2), 2, mo) || !digits(text.substr(8, 2), 2, d)) {
        return std::nullopt;
    }
    if (y < 1 || mo < 1 || mo > 12 || d < 1 || d > daysInMonth(y, mo)) return std::nullopt;
    const std::int64_t day = static_cast<std::int64_t>(toDateNumber(y, mo, d)) * Record::kMsPerDay;
    if (text.size() == 10) return day;
    const std::string_view time = text.substr(11);
    if (text[10] != 'T' || time.size() < 8 || time[2] != ':' || time[5] != ':' || !digits(time.substr(0, 2), 2, h) ||
        !digits(time.substr(3, 2), 2, mi) || h > 23 || mi > 59) {
        return std::nullopt;
    }
    const std::string_view seconds = time.substr(6);
    if (seconds.size() < 2 || seconds.find_first_not_of("0123456789.") != std::string_view::npos ||
        (seconds.size() > 2 && seconds[2] != '.')) {
        return std::nullopt;
    }
    const auto thousandths = parseScaled(seconds, 3);
    if (!thousandths || *thousandths >= 60000) return std::nullopt;
    return day + (h * 60LL + mi) * 60000 + *thousandths;
}

std::optional<std::int64_t> parseUtcOffset(std::string_view text) {
    int sign = 1;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        sign = text.front() == '-' ? -1 : 1;
        text.remove_prefix(1);
    }
    int h = 0, m = 0;
    if (text.size() != 5 || text[2] != ':' || !digits(text.substr(0, 2), 2, h) || !digits(text.substr(3), 2, m) ||
        h > 23 || m > 59) {
        return std::nullopt;
    }
    return sign * (h * 60LL + m) * 60000;
}

std::optional<std::pair<int, int>> parsePictureSize(std::string_view text) {
    const std::size_t x = text.find_first_of("xX");
    int w = 0, h = 0;
    if (x == std::string_view::npos || x == 0 || x > 5 || text.size() - x - 1 == 0 || text.size() - x - 1 > 5 ||
        !digits(text.substr(0, x), x, w) || !digits(text.substr(x + 1), text.size() - x - 1, h) || w < 1 ||
        h < 1 || w > 20000 || h > 20000) {
        return std::nullopt;
    }
    return std::pair{w, h};
}

}  // namespace kordel
