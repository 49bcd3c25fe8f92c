#pragma once
// The simulated instrument's own real-time clock. It starts at a given local
// date and time and is moved on by its driver (the real elapsed time, or the
// sample interval when lines go out as fast as they are read), so that tests can
// drive it step by step. The computer sets it in two commands: first month, day
// and time, then the year; between the two a day that does not exist in the old
// year (29 February) is kept as set, so that the year that follows makes it right.

#include <cstdint>

#include "app/fixedformats.h"

namespace kordel {

class InstrumentClock {
public:
    explicit InstrumentClock(const CivilDateTime& start);

    // Local date and time now, milliseconds included.
    CivilDateTime now() const;
    // Now as milliseconds since 1 January 1970 on the clock's own calendar (no
    // time zone: the clock keeps local time).
    std::int64_t nowMs() const;

    // Moves the clock on; negative steps are ignored.
    void advance(std::int64_t ms);

    // The "set date and time" command: the year stays, the milliseconds start at 0.
    void setDateTime(int month, int day, int hour, int minute, int second);
    // The "set year" command: everything else runs on.
    void setYear(int year);

    // Milliseconds since 1970 of a civil date and time; a day beyond the end of
    // its month counts on into the next one.
    static std::int64_t toMs(const CivilDateTime& t);
    static CivilDateTime fromMs(std::int64_t ms);

private:
    CivilDateTime base_;  // the date and time as last set (or the start)
    std::int64_t elapsedMs_ = 0;  // since base_
};

}  // namespace kordel
