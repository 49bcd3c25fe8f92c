#include "app/clock.h"

#include <chrono>
#include <ctime>

namespace kordel {

namespace {

ClockFunction& installedClock() {
    static ClockFunction clock;
    return clock;
}

CivilDateTime systemNow() {
    const auto now = std::chrono::system_clock::now();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
    const std::time_t secs = static_cast<std::time_t>(ms.count() / 1000);
    std::tm tm{};
    localtime_r(&secs, &tm);
    CivilDateTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    t.millisecond = static_cast<int>(ms.count() % 1000);
    return t;
}

}  // namespace

CivilDateTime localNow() {
    const ClockFunction& clock = installedClock();
    return clock ? clock() : systemNow();
}

void setClock(ClockFunction clock) { installedClock() = std::move(clock); }

}  // namespace kordel
