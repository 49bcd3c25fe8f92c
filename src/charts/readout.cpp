#include "charts/readout.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "app/fixedformats.h"
#include "record/timeaxis.h"

namespace kordel {

std::string formatReadoutValue(double value) {
    if (std::isnan(value)) {
        return "NAN";
    }
    if (std::isinf(value)) {
        return value > 0 ? "INF" : "-INF";
    }
    if (value == 0) {
        return "0";
    }
    // 15 significant digits, correctly rounded: "d.dddddddddddddde±x".
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    const std::string text(buf, res.ptr);
    const bool negative = text.front() == '-';
    const std::size_t first = negative ? 1 : 0;
    const std::size_t e = text.find('e');
    std::string digits;
    for (std::size_t i = first; i < e; ++i) {
        if (text[i] != '.') {
            digits.push_back(text[i]);
        }
    }
    const int exponent = std::atoi(text.c_str() + e + 1);
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }
    std::string out = negative ? "-" : "";
    if (exponent >= -5 && exponent <= 14) {
        if (exponent >= 0) {
            const auto intDigits = static_cast<std::size_t>(exponent) + 1;
            if (digits.size() <= intDigits) {
                out += digits;
                out.append(intDigits - digits.size(), '0');
            } else {
                out += digits.substr(0, intDigits);
                out += '.';
                out += digits.substr(intDigits);
            }
        } else {
            out += "0.";
            out.append(static_cast<std::size_t>(-exponent - 1), '0');
            out += digits;
        }
        return out;
    }
    out += digits.substr(0, 1);
    if (digits.size() > 1) {
        out += '.';
        out += digits.substr(1);
    }
    out += 'E';
    out += std::to_string(exponent);
    return out;
}

std::string fixedField(const std::string& text, std::size_t width) {
    std::string out = text.substr(0, width);
    out.resize(width, ' ');
    return out;
}

std::string cutField(const std::string& text, std::size_t width) { return text.substr(0, width); }

std::string formatCursorTime(double dateTime) {
    const CivilDateTime t = fromDateTimeNumber(dateTime);
    return isoDate(t) + " " + formatTime(t);
}

std::string formatReadout(const std::string& timeText, const std::array<double, 5>& v) {
    std::string out = "Time: " + timeText + "      ";
    out += "X: " + fixedField(formatReadoutValue(v[0]));
    out += "Y: " + fixedField(formatReadoutValue(v[1]));
    out += "Z: " + fixedField(formatReadoutValue(v[2]));
    out += "Ts: " + fixedField(formatReadoutValue(v[3]));
    out += "Te: " + cutField(formatReadoutValue(v[4]));
    return out;
}

namespace {

// `text` (UTF-8) padded with spaces or cut to exactly `width` characters.
std::string fixedCharacters(const std::string& text, std::size_t width = 15) {
    std::string out;
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t len = 1;
        while (i + len < text.size() && (static_cast<unsigned char>(text[i + len]) & 0xC0) == 0x80) ++len;
        if (chars == width) break;
        out.append(text, i, len);
        ++chars;
        i += len;
    }
    out.append(width - chars, ' ');
    return out;
}

}  // namespace

std::string formatReadout(const std::string& timeText, const std::array<double, 5>& v, double totalField) {
    const std::string nT = " nT";
    const std::string degrees = " \u00B0C";
    std::string out = "Time: " + timeText + "      ";
    out += "X: " + fixedCharacters(formatReadoutValue(v[0]) + nT);
    out += "Y: " + fixedCharacters(formatReadoutValue(v[1]) + nT);
    out += "Z: " + fixedCharacters(formatReadoutValue(v[2]) + nT);
    out += "Ts: " + fixedCharacters(formatReadoutValue(v[3]) + degrees);
    out += "Te: " + formatReadoutValue(v[4]) + degrees;
    out += "      F: " + formatReadoutValue(totalField) + nT;
    return out;
}

std::string formatNamedReadout(const std::string& timeText, const std::vector<NamedValue>& values) {
    std::string out = "Time: " + timeText + "      ";
    for (std::size_t k = 0; k < values.size(); ++k) {
        const NamedValue& v = values[k];
        std::string value = std::isnan(v.value) ? std::string("-") : formatReadoutValue(v.value);
        if (!std::isnan(v.value) && !v.unit.empty()) value += " " + v.unit;
        out += v.name + ": " + (k + 1 < values.size() ? fixedCharacters(value) : value);
    }
    return out;
}

std::string formatLatestSample(int hour, int minute, int second, const std::array<double, 5>& v,
                               double totalField) {
    const std::string nT = " nT";
    const std::string degrees = " \u00B0C";
    std::string out = formatTime(hour, minute, second);
    out += "  X: " + formatFixed(v[0], 2) + nT;
    out += "  Y: " + formatFixed(v[1], 2) + nT;
    out += "  Z: " + formatFixed(v[2], 2) + nT;
    out += "  Ts: " + formatFixed(v[3], 1) + degrees;
    out += "  Te: " + formatFixed(v[4], 1) + degrees;
    out += "  F: " + formatFixed(totalField, 2) + nT;
    return out;
}

long long secondOf(double dateTime) {
    if (!std::isfinite(dateTime) || std::fabs(dateTime) > 3.0e6) {
        // Outside the dates the program knows (fromDateTimeNumber's bound): order kept.
        return dateTime > 0 ? (1LL << 62) : -(1LL << 62);
    }
    const long long ms = std::llround(dateTime * 86400000.0);
    return ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
}

}  // namespace kordel
