#pragma once
// The recorder's samples into the live activity monitor (processing/
// liveactivity.h), for whatever records or watches: kordel-record now, the
// program later. It turns a device line's time into UT, ticks the monitor's
// clock for the dead feed, and says what the monitor reports as signals.
//
// A device line carries day, hour, minute and second; the year and the month
// come from the name of the daily file it went into (YYYYMMDDhhmmss.pc: a new
// file starts with every new day, so the two agree). The instrument's clock
// runs `utcOffsetMs` ahead of UT. Lines before the first daily file, or with a
// day the month does not have, are left out of the activity; they still count
// as lines for the dead feed, as every valid line does.
//
// The monitor's clock is the computer's UT (or the test's); it is looked at
// with every sample and every kTickMs, so a dead feed is seen within that.
// The signals are emitted from inside the slots and the timer; a slot must not
// feed this object again.

#include <QObject>
#include <QTimer>
#include <optional>
#include <string>

#include "link/deviceline.h"
#include "processing/liveactivity.h"

namespace kordel {

class ActivityFeed : public QObject {
    Q_OBJECT
public:
    static constexpr int kTickMs = 5000;

    ActivityFeed(const LiveActivitySettings& settings, std::int64_t utcOffsetMs,
                 LiveActivity::Clock clock = systemUtcMs, QObject* parent = nullptr);

    // Starts watching: the dead feed counts from here.
    void start();

    void dailyFileStarted(const std::string& name);
    void sampleDecoded(const kordel::DecodedSample& sample, bool dropOldest);

    const LiveActivity& monitor() const { return live_; }

    // UT now, ms since 30 December 1899, by the computer's clock.
    static std::int64_t systemUtcMs();
    // The UT time of a line in the daily file `fileName`; none when the name or the day does not make a date.
    static std::optional<std::int64_t> sampleTimeMs(const std::string& fileName, const DecodedSample& sample,
                                                    std::int64_t utcOffsetMs);

signals:
    void stateChanged(const kordel::ActivityNow& now);
    // The monitor ran out of memory: said once; the recording is not touched
    // and the monitor is tried again with the next line.
    void failed(const QString& message);
    void alertRaised(const kordel::ActivityNow& now, kordel::AlertKind kind);

private:
    LiveActivity live_;
    std::int64_t utcOffsetMs_;
    std::string fileName_;
    QTimer tick_;
    bool failureSaid_ = false;

    template <typename F>
    void guarded(F&& f);
};

}  // namespace kordel
