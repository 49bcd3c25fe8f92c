#include "record/timeaxis.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "app/fixedformats.h"

namespace kordel {

namespace {

constexpr std::int64_t kSecond = 1000;
constexpr std::int64_t kMinute = 60 * kSecond;
constexpr std::int64_t kHour = 60 * kMinute;
constexpr std::int64_t kDay = 24 * kHour;

// Every step below a day divides a day, so ticks counted from midnight land
// on the same times every day.
constexpr std::array<std::int64_t, 30> kSteps{
    100,         200,         500,         kSecond,      2 * kSecond,  5 * kSecond,  10 * kSecond, 15 * kSecond,
    30 * kSecond, kMinute,    2 * kMinute, 5 * kMinute,  10 * kMinute, 15 * kMinute, 30 * kMinute, kHour,
    2 * kHour,   3 * kHour,   6 * kHour,   12 * kHour,   kDay,         2 * kDay,     7 * kDay,     14 * kDay,
    28 * kDay,   56 * kDay,   91 * kDay,   182 * kDay,   364 * kDay,   728 * kDay};

std::int64_t floorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

TimeLabelFormat formatForSpan(std::int64_t span) {
    if (span <= kMinute) return TimeLabelFormat::Tenths;
    if (span <= 6 * kHour) return TimeLabelFormat::Seconds;
    return TimeLabelFormat::Minutes;
}

std::int64_t smallestStep(TimeLabelFormat f) {
    switch (f) {
        case TimeLabelFormat::Tenths: return 100;
        case TimeLabelFormat::Seconds: return kSecond;
        case TimeLabelFormat::Minutes: return kMinute;
        case TimeLabelFormat::DateOnly: return kDay;
    }
    return kSecond;
}

}  // namespace

std::string isoDate(const CivilDateTime& t) {
    char year[8] = {};
    const auto end = std::to_chars(year, year + sizeof year - 1, t.year).ptr;
    const std::string y(year, end);
    return std::string(y.size() < 4 ? 4 - y.size() : 0, '0') + y + "-" + TwoDigits(t.month) + "-" + TwoDigits(t.day);
}

std::string timeAxisLabel(std::int64_t ms, TimeLabelFormat format, bool withDate) {
    const CivilDateTime t = fromDateTimeNumber(static_cast<double>(ms) / kDay);
    const std::string date = isoDate(t);
    std::string time;
    switch (format) {
        case TimeLabelFormat::DateOnly: return date;
        case TimeLabelFormat::Minutes: time = TwoDigits(t.hour) + ":" + TwoDigits(t.minute); break;
        case TimeLabelFormat::Seconds: time = formatTime(t); break;
        case TimeLabelFormat::Tenths: time = formatTime(t) + "." + std::to_string(t.millisecond / 100); break;
    }
    return withDate ? date + "\n" + time : time;
}

TimeAxisTicks timeAxisTicks(double from, double to, int maxTicks) {
    TimeAxisTicks out;
    if (!std::isfinite(from) || !std::isfinite(to) || to <= from || std::fabs(from) > 3.0e6 ||
        std::fabs(to) > 3.0e6) {
        return out;
    }
    maxTicks = std::max(maxTicks, 2);
    const auto fromMs = static_cast<std::int64_t>(std::llround(from * kDay));
    const auto toMs = static_cast<std::int64_t>(std::llround(to * kDay));
    const std::int64_t span = toMs - fromMs;
    out.format = formatForSpan(span);
    out.withDate = span > kDay || floorDiv(fromMs, kDay) != floorDiv(toMs, kDay);
    const std::int64_t minStep = smallestStep(out.format);
    out.stepMs = kSteps.back();
    for (const std::int64_t step : kSteps) {
        if (step >= minStep && span / step + 1 <= maxTicks) {
            out.stepMs = step;
            break;
        }
    }
    if (out.stepMs >= kDay) {
        out.format = TimeLabelFormat::DateOnly;
    }
    for (std::int64_t t = floorDiv(fromMs + out.stepMs - 1, out.stepMs) * out.stepMs; t <= toMs; t += out.stepMs) {
        // Within a day the first label still names the date, so a zoom of
        // minutes says which day it is; a midnight always does.
        const bool dated = out.withDate || out.ticks.empty() || t % kDay == 0;
        out.ticks.push_back({static_cast<double>(t) / kDay, timeAxisLabel(t, out.format, dated)});
    }
    return out;
}

}  // namespace kordel
