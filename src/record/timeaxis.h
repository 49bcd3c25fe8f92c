#pragma once
// Tick positions and labels of a date-time axis. The label format follows the
// visible span: tenths of a second up to a minute, seconds up to six hours,
// minutes beyond; the date alone once the ticks are whole days apart. When the
// window crosses midnight or spans more than a day, every label carries the
// date (ISO 8601, "2026-12-02", on its own line above the time), so a week no
// longer repeats "03:00:00"; within a day the first label and a midnight's
// carry it. The read-out names the date at any zoom.

#include <cstdint>
#include <string>
#include <vector>

#include "app/fixedformats.h"

namespace kordel {

enum class TimeLabelFormat { Tenths, Seconds, Minutes, DateOnly };

struct TimeTick {
    double position = 0;  // date-time number
    std::string label;
};

struct TimeAxisTicks {
    std::vector<TimeTick> ticks;
    std::int64_t stepMs = 0;
    TimeLabelFormat format = TimeLabelFormat::Seconds;
    bool withDate = false;
};

// Ticks for the window [from, to] (date-time numbers), at most `maxTicks`, at
// round steps counted from midnight.
TimeAxisTicks timeAxisTicks(double from, double to, int maxTicks);

// The date of `t` as ISO 8601 writes it: "2026-12-02".
std::string isoDate(const CivilDateTime& t);

// One label: `ms` since the date-time epoch, in the given format.
std::string timeAxisLabel(std::int64_t ms, TimeLabelFormat format, bool withDate);

}  // namespace kordel
