#include "link/activityfeed.h"

#include <chrono>
#include <cmath>
#include <new>
#include <utility>

#include "app/fixedformats.h"

namespace kordel {

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;
// Days from 30 December 1899 to 1 January 1970.
constexpr std::int64_t kUnixEpochDay = 25'569;

std::optional<int> digits(const std::string& s, std::size_t from, std::size_t count) {
    if (s.size() < from + count) return std::nullopt;
    int v = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        if (s[i] < '0' || s[i] > '9') return std::nullopt;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

}  // namespace

ActivityFeed::ActivityFeed(const LiveActivitySettings& settings, std::int64_t utcOffsetMs, LiveActivity::Clock clock,
                           QObject* parent)
    : QObject(parent), live_(settings, std::move(clock)), utcOffsetMs_(utcOffsetMs) {
    live_.onState([this](const ActivityNow& now) { emit stateChanged(now); });
    live_.onAlert([this](const ActivityNow& now, AlertKind kind) { emit alertRaised(now, kind); });
    tick_.setInterval(kTickMs);
    connect(&tick_, &QTimer::timeout, this, [this] { guarded([this] { live_.tick(); }); });
}

template <typename F>
void ActivityFeed::guarded(F&& f) {
    try {
        f();
        failureSaid_ = false;
    } catch (const std::bad_alloc&) {
        if (!std::exchange(failureSaid_, true)) {
            emit failed(QStringLiteral("not enough memory for the station's activity; recording goes on"));
        }
    }
}

void ActivityFeed::start() {
    guarded([this] { live_.tick(); });
    tick_.start();
}

void ActivityFeed::dailyFileStarted(const std::string& name) { fileName_ = name; }

void ActivityFeed::sampleDecoded(const DecodedSample& sample, bool) {
    const auto t = sampleTimeMs(fileName_, sample, utcOffsetMs_);
    guarded([&] {
        if (t) live_.addSample(*t, sample.bx, sample.by);
        else live_.addLine();
    });
}

std::int64_t ActivityFeed::systemUtcMs() {
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch());
    return kUnixEpochDay * kMsPerDay + static_cast<std::int64_t>(ms.count());
}

std::optional<std::int64_t> ActivityFeed::sampleTimeMs(const std::string& fileName, const DecodedSample& sample,
                                                       std::int64_t utcOffsetMs) {
    const auto year = digits(fileName, 0, 4), month = digits(fileName, 4, 2);
    if (!year || !month || *month < 1 || *month > 12) return std::nullopt;
    if (sample.day < 1 || sample.day > daysInMonth(*year, *month)) return std::nullopt;
    const auto day = static_cast<std::int64_t>(std::llround(toDateNumber(*year, *month, sample.day)));
    const std::int64_t second = (sample.hour * 60 + sample.minute) * 60 + sample.second;
    return day * kMsPerDay + second * 1000 - utcOffsetMs;
}

}  // namespace kordel
