#include "sim/siminstrumentclock.h"

#include <chrono>

namespace kordel {

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;

}  // namespace

InstrumentClock::InstrumentClock(const CivilDateTime& start) : base_(start) {}

std::int64_t InstrumentClock::toMs(const CivilDateTime& t) {
    using namespace std::chrono;
    const year_month_day first{year{t.year}, month{static_cast<unsigned>(t.month)}, day{1}};
    const sys_days d = sys_days{first} + days{t.day - 1};
    const std::int64_t dayMs = static_cast<std::int64_t>(d.time_since_epoch().count()) * kMsPerDay;
    return dayMs + ((static_cast<std::int64_t>(t.hour) * 60 + t.minute) * 60 + t.second) * 1000 +
           t.millisecond;
}

CivilDateTime InstrumentClock::fromMs(std::int64_t ms) {
    using namespace std::chrono;
    std::int64_t dayCount = ms / kMsPerDay;
    std::int64_t inDay = ms % kMsPerDay;
    if (inDay < 0) {
        inDay += kMsPerDay;
        --dayCount;
    }
    const year_month_day ymd{sys_days{days{dayCount}}};
    CivilDateTime t;
    t.year = static_cast<int>(ymd.year());
    t.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    t.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    t.hour = static_cast<int>(inDay / 3'600'000);
    t.minute = static_cast<int>(inDay / 60'000 % 60);
    t.second = static_cast<int>(inDay / 1000 % 60);
    t.millisecond = static_cast<int>(inDay % 1000);
    return t;
}

std::int64_t InstrumentClock::nowMs() const { return toMs(base_) + elapsedMs_; }

CivilDateTime InstrumentClock::now() const { return fromMs(nowMs()); }

void InstrumentClock::advance(std::int64_t ms) {
    if (ms > 0) {
        elapsedMs_ += ms;
    }
}

void InstrumentClock::setDateTime(int month, int day, int hour, int minute, int second) {
    base_ = CivilDateTime{now().year, month, day, hour, minute, second, 0};
    elapsedMs_ = 0;
}

void InstrumentClock::setYear(int year) {
    const CivilDateTime current = now();
    if (current.year == base_.year) {
        // Still in the year of the last setting: put the year under that setting,
        // so that a 29 February set just before is taken as it was meant.
        base_.year = year;
        return;
    }
    base_ = current;
    base_.year = year;
    elapsedMs_ = 0;
}

}  // namespace kordel
