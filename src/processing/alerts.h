#pragma once
// Activity alerts of a recording station, and the message that carries them.
//
// Three conditions are watched: the K of the current interval has reached a set
// value, the hourly level has reached a set level (amber or red), and no valid
// line has arrived for a set number of minutes (a dead feed). Each alert is
// raised once when its condition starts to hold; while it holds nothing more
// is raised, and it is raised again only after it has cleared. Feeding the
// monitor every sample therefore costs nothing but the comparisons.
//
// The message (retained on the broker, logged, handed to an alert command)
// and the command's environment carry the same names:
//   time (ISO 8601 UT), station, k, provisional, level, dbdt_max_10min, alert
//   KORDEL_TIME, KORDEL_STATION, KORDEL_K, KORDEL_LEVEL, KORDEL_DBDT, KORDEL_ALERT
// A value that is not known is null in the message and empty in the
// environment; dB/dt is in nT/min with one decimal.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "processing/activitylevel.h"

namespace kordel {

enum class AlertKind : std::uint8_t { K, Level, Dead };

// "k", "level", "dead".
std::string_view alertName(AlertKind kind);

struct AlertSettings {
    int k = 5;
    ActivityLevel level = ActivityLevel::Amber;
    int deadMinutes = 5;
};

// The station's activity as it stands at `timeMs` (ms since 30 December 1899 UT).
struct ActivityNow {
    std::int64_t timeMs = 0;
    std::optional<int> k;  // of the current three-hour interval
    bool provisional = false;
    std::optional<ActivityLevel> level;
    std::optional<double> dbdtMax10MinNt;
    std::optional<std::int64_t> lastValidLineMs;  // none before the first line
};

class AlertMonitor {
public:
    explicit AlertMonitor(AlertSettings settings) : settings_(settings) {}

    // The alerts this state raises, in the order k, level, dead.
    std::vector<AlertKind> update(const ActivityNow& now);
    // Whether the condition of `kind` held at the last update.
    bool active(AlertKind kind) const { return active_[static_cast<std::size_t>(kind)]; }

private:
    AlertSettings settings_;
    std::array<bool, 3> active_{};
    // The feed counts as dead from here when no line has come at all.
    std::optional<std::int64_t> watchingSinceMs_;
};

// "2026-12-08T13:45:00Z" (seconds cut, not rounded).
std::string isoUtc(std::int64_t ms);

// One line of JSON, no line break; `alert` null when the message only reports.
std::string activityMessage(const ActivityNow& now, std::string_view station, std::optional<AlertKind> alert);

// The environment of the alert command, as name/value pairs.
std::vector<std::pair<std::string, std::string>> alertEnvironment(const ActivityNow& now, std::string_view station,
                                                                  AlertKind alert);

}  // namespace kordel
