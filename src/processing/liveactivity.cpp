#include "processing/liveactivity.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>

#include "processing/boxmeans.h"
#include "processing/rateofchange.h"
#include "processing/standardvalues.h"

namespace kordel {

namespace {

// The minute filter reaches 45 s and the one-second filter 10 s more on
// either side of a minute (minutefilter.h, secondfilter.h).
constexpr std::int64_t kFilterReachMs = 55'000;
constexpr std::int64_t kMinutesPerHour = 60;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

}  // namespace

LiveActivity::LiveActivity(const LiveActivitySettings& settings, Clock clock)
    : settings_(settings), clock_(std::move(clock)), monitor_(settings.alerts) {}

void LiveActivity::addSample(std::int64_t timeMs, double bx, double by) {
    now_.lastValidLineMs = clock_();
    now_.timeMs = *now_.lastValidLineMs;
    const std::int64_t minute = floorDiv(timeMs, kMinuteMs);
    if (lastSampleMs_ && timeMs < *lastSampleMs_) {
        if (*lastSampleMs_ - timeMs < kSetBackMs) {
            report(true);
            return;
        }
        nextMinute_.reset();
    }
    lastSampleMs_ = timeMs;
    if (!nextMinute_ || minute - *nextMinute_ > kKeptDays * kMinutesPerDay) restart(minute);
    if (minute > *nextMinute_) {
        finishMinutes(minute);
        computeState();
    }
    times_.push_back(timeMs);
    bx_.push_back(bx);
    by_.push_back(by);
    report(true);
}

void LiveActivity::addLine() {
    now_.lastValidLineMs = clock_();
    now_.timeMs = *now_.lastValidLineMs;
    report(true);
}

void LiveActivity::tick() {
    now_.timeMs = clock_();
    report(false);
}

void LiveActivity::restart(std::int64_t minute) {
    times_.clear();
    bx_.clear();
    by_.clear();
    nextMinute_ = minute;
    firstMinute_ = minute;
    x_.clear();
    y_.clear();
    finalDays_.clear();
    curveDay_.reset();
    curveQuietDays_.clear();
    curve_ = {};
    interval_.reset();
    now_.k.reset();
    now_.provisional = false;
    now_.level.reset();
    now_.dbdtMax10MinNt.reset();
}

void LiveActivity::finishMinutes(std::int64_t endMinute) {
    const std::int64_t next = *nextMinute_;
    const auto count = static_cast<std::size_t>(endMinute - next);
    std::vector<double> x(count, std::numeric_limits<double>::quiet_NaN()), y = x;
    if (!times_.empty()) {
        // Only the first minutes can hold a buffered sample within the filters' reach.
        const std::int64_t reached = floorDiv(times_.back() + kFilterReachMs, kMinuteMs) + 1;
        const auto made = static_cast<std::size_t>(std::clamp<std::int64_t>(reached - next, 0, endMinute - next));
        if (made > 0) {
            const StandardValues standard(times_);
            if (standard.clock().kind == SampleClock::Kind::Other) {
                const std::size_t least = boxMinimumSamples(kMinuteMs, standard.clock().intervalMs);
                boxMeans(standard.times(), bx_, next * kMinuteMs, kMinuteMs, least, std::span(x).first(made));
                boxMeans(standard.times(), by_, next * kMinuteMs, kMinuteMs, least, std::span(y).first(made));
            } else {
                const auto values = standard.minutes(StandardValues::Columns{bx_, by_}, next * kMinuteMs, made);
                std::copy(values[0].begin(), values[0].end(), x.begin());
                std::copy(values[1].begin(), values[1].end(), y.begin());
            }
        }
    }
    appendMinutes(next, x, y);
    nextMinute_ = endMinute;
    // Keep what the next minute's filters reach; stamps are whole seconds, so
    // samples sharing one stay together.
    const std::int64_t keepFrom = (endMinute - 1) * kMinuteMs;
    const auto drop = static_cast<std::size_t>(std::lower_bound(times_.begin(), times_.end(), keepFrom) - times_.begin());
    times_.erase(times_.begin(), times_.begin() + static_cast<std::ptrdiff_t>(drop));
    bx_.erase(bx_.begin(), bx_.begin() + static_cast<std::ptrdiff_t>(drop));
    by_.erase(by_.begin(), by_.begin() + static_cast<std::ptrdiff_t>(drop));
}

void LiveActivity::appendMinutes(std::int64_t firstMinute, const std::vector<double>& x, const std::vector<double>& y) {
    if (x_.empty()) firstMinute_ = firstMinute;
    x_.insert(x_.end(), x.begin(), x.end());
    y_.insert(y_.end(), y.begin(), y.end());
    dropOldDays();
}

void LiveActivity::dropOldDays() {
    const std::int64_t end = firstMinute_ + static_cast<std::int64_t>(x_.size());
    const std::int64_t keepFrom = (dayOfMinute(end - 1) - kKeptDays + 1) * kMinutesPerDay;
    if (firstMinute_ < keepFrom) {
        const auto drop = static_cast<std::ptrdiff_t>(std::min<std::int64_t>(keepFrom - firstMinute_, end - firstMinute_));
        x_.erase(x_.begin(), x_.begin() + drop);
        y_.erase(y_.begin(), y_.begin() + drop);
        firstMinute_ += drop;
    }
    finalDays_.erase(finalDays_.begin(), finalDays_.lower_bound(dayOfMinute(firstMinute_)));
}

void LiveActivity::newDay(std::int64_t day) {
    curveDay_ = day;
    // Days whose day after has ended are final: their K no longer changes.
    const HorizontalMinutes m = minutes();
    for (std::int64_t d = std::max(dayOfMinute(firstMinute_), day - kKeptDays); d <= day - 2; ++d) {
        if (!finalDays_.contains(d)) finalDays_.emplace(d, computeKDay(m, settings_.k, d, *nextMinute_));
    }
    std::vector<KDay> days;
    days.reserve(finalDays_.size());
    for (const auto& [d, kDay] : finalDays_) days.push_back(kDay);
    std::vector<std::int64_t> quiet = quietDaysFor(day, days);
    if (quiet != curveQuietDays_) {
        curve_ = quiet.empty() ? QuietDayCurve{} : quietDayCurve(m, quiet);
        curveQuietDays_ = std::move(quiet);
    }
}

void LiveActivity::computeState() {
    const std::int64_t end = *nextMinute_;
    const std::int64_t last = end - 1;
    if (x_.empty() || last < firstMinute_) return;
    const std::int64_t day = dayOfMinute(last);
    if (curveDay_ != day) newDay(day);
    const HorizontalMinutes m = minutes();

    const std::int64_t dayStart = day * kMinutesPerDay;
    const auto j = static_cast<std::size_t>((last - dayStart) / kMinutesPerInterval);
    const KValue k = computeKDay(m, settings_.k, day, end).k[j];
    interval_ = dayStart + static_cast<std::int64_t>(j) * kMinutesPerInterval;
    now_.k = k.present() ? std::optional<int>(k.k) : std::nullopt;
    now_.provisional = k.status == KValue::Status::Provisional;

    now_.level = hourActivity(m, curve_, floorDiv(last, kMinutesPerHour), settings_.levels, end).level;

    // The ten rates of the last ten minutes need the minute before them too.
    const std::int64_t from = std::max(firstMinute_, end - static_cast<std::int64_t>(kRateWindowMinutes) - 1);
    const auto offset = static_cast<std::size_t>(from - firstMinute_);
    const auto n = static_cast<std::size_t>(end - from);
    const std::vector<double> rates =
        rateOfChange({from, std::span(x_).subspan(offset, n), std::span(y_).subspan(offset, n)});
    std::optional<double> largest;
    for (const double r : rates) {
        if (!std::isnan(r)) largest = std::max(largest.value_or(r), r);
    }
    now_.dbdtMax10MinNt = largest;
}

void LiveActivity::report(bool fromSample) {
    const std::vector<AlertKind> raised = monitor_.update(now_);
    // A new interval is news only with a K in it (a K that stays missing says nothing new).
    const Key key{now_.k ? interval_ : std::nullopt, now_.k, now_.provisional, now_.level,
                  monitor_.active(AlertKind::Dead)};
    // The first state goes out with the first sample (or the first silence).
    if (reported_ ? key != reportedKey_ : fromSample || key.dead) {
        reported_ = true;
        reportedKey_ = key;
        if (stateHandler_) stateHandler_(now_);
    }
    for (const AlertKind kind : raised) {
        if (alertHandler_) alertHandler_(now_, kind);
    }
}

}  // namespace kordel
