#pragma once
// The station's activity as it happens: fed with every valid recorded sample,
// it keeps the current K (provisional for the unfinished three-hour interval),
// the level of the hour in progress, dB/dt's largest value over the last ten
// minutes, and raises the alerts of alerts.h. The station recorder and the
// program (recording or watching) share it; it knows nothing of ports, files,
// brokers or windows.
//
// What it computes is what kordel-activity computes from the saved files, one
// minute at a time:
//   - minute values: the standard ones (standardvalues.h: the one-second
//     filter for faster data, then the INTERMAGNET Gaussian minute filter;
//     plain minute means for samples on no grid those filters know). Minute M
//     is made when the first sample of minute M + 1 arrives, the filters
//     reaching 55 s past M at most;
//   - K by the FMI method (kindex.h) of the interval holding the latest minute,
//     with the day before for the regular variation; provisional until its
//     last minute is in;
//   - the level of the hour holding the latest minute against the quiet-day
//     curve of the quietest days of the previous month (activitylevel.h): it
//     needs days the monitor has seen whole (with their day after), so a fresh
//     monitor has no level for its first days; it is null until then;
//   - dB/dt per minute and its largest value over the last ten minutes
//     (rateofchange.h).
//
// Times: samples carry their own UT time (the instrument's clock turned to
// UT), in ms since 30 December 1899. The dead feed and the time of every
// report are measured by `Clock`, the station computer's UT in the same units:
// the computer notices silence, the instrument cannot. Tests put in their own.
//
// Reports, always in this order within one call: the state (when the K's
// interval, the K, its provisional mark, the level or the feed's being dead
// changed, and once at the first sample), then each alert the new state
// raises (alerts.h: once when its condition starts to hold, again only after
// it cleared). A handler must not feed the monitor again.
//
// A sample earlier than the one before (the instrument's clock set back) is
// left out of the minute values until the time has caught up, when the step
// back was less than kSetBackMs; a longer step back starts the minute values
// afresh. Either way it counts as a line for the dead feed, and the alerts
// keep their states.
//
// Memory: the minute values of the last kKeptDays days (about 1.4 MB), the
// samples of the last two minutes (at 10 Hz about 30 kB) and a K per kept day.
// Cost: per sample a few appends; per minute the filters over two minutes of
// samples and the K of one day (about a millisecond); per UT day the K of
// the day before yesterday and one quiet-day curve.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "processing/activitylevel.h"
#include "processing/alerts.h"
#include "processing/kindex.h"

namespace kordel {

struct LiveActivitySettings {
    KIndexSettings k;
    LevelThresholds levels;
    AlertSettings alerts;
};

class LiveActivity {
public:
    // The previous month and the 31 days of the fallback, whichever reaches
    // further back from the last day of a month, and today.
    static constexpr std::int64_t kKeptDays = 63;
    static constexpr std::int64_t kMinuteMs = 60'000;
    static constexpr std::int64_t kSetBackMs = 3'600'000;

    // UT ms since 30 December 1899, now.
    using Clock = std::function<std::int64_t()>;
    using StateHandler = std::function<void(const ActivityNow&)>;
    using AlertHandler = std::function<void(const ActivityNow&, AlertKind)>;

    LiveActivity(const LiveActivitySettings& settings, Clock clock);

    void onState(StateHandler handler) { stateHandler_ = std::move(handler); }
    void onAlert(AlertHandler handler) { alertHandler_ = std::move(handler); }

    // One valid sample: its UT time and the horizontal components in nT.
    void addSample(std::int64_t timeMs, double bx, double by);
    // A valid line whose time cannot be placed: a sign of life all the same.
    void addLine();
    // Looks at the clock: a feed silent for the set minutes raises the dead
    // alert. To be called every few seconds, samples or not.
    void tick();

    // The state as last reported (time: when it was computed).
    const ActivityNow& current() const { return now_; }
    bool feedDead() const { return monitor_.active(AlertKind::Dead); }
    // The minute values made so far (the last kKeptDays days); valid until
    // the next sample.
    HorizontalMinutes minutes() const { return {firstMinute_, x_, y_}; }
    std::size_t keptMinutes() const { return x_.size(); }
    std::size_t bufferedSamples() const { return times_.size(); }

private:
    void restart(std::int64_t minute);
    // Makes the minute values of [nextMinute_, endMinute) from the buffered samples.
    void finishMinutes(std::int64_t endMinute);
    void appendMinutes(std::int64_t firstMinute, const std::vector<double>& x, const std::vector<double>& y);
    void dropOldDays();
    void newDay(std::int64_t day);
    void computeState();
    void report(bool fromSample);

    LiveActivitySettings settings_;
    Clock clock_;
    StateHandler stateHandler_;
    AlertHandler alertHandler_;
    AlertMonitor monitor_;

    // Samples not yet past every minute they reach.
    std::vector<std::int64_t> times_;
    std::vector<double> bx_, by_;
    std::optional<std::int64_t> nextMinute_;  // the first minute not yet made
    std::optional<std::int64_t> lastSampleMs_;  // the latest sample's time

    std::int64_t firstMinute_ = 0;  // of x_[0]
    std::vector<double> x_, y_;     // minute values, NaN where missing
    std::map<std::int64_t, KDay> finalDays_;  // K of days whose day after has ended
    std::optional<std::int64_t> curveDay_;
    std::vector<std::int64_t> curveQuietDays_;
    QuietDayCurve curve_;

    ActivityNow now_;
    bool reported_ = false;
    struct Key {
        std::optional<std::int64_t> interval;
        std::optional<int> k;
        bool provisional = false;
        std::optional<ActivityLevel> level;
        bool dead = false;
        friend bool operator==(const Key&, const Key&) = default;
    };
    Key reportedKey_;
    std::optional<std::int64_t> interval_;  // the K's interval (minute of its start)
};

}  // namespace kordel
