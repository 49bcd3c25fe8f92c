#include "processing/activitybars.h"

#include <algorithm>
#include <map>

namespace kordel {

std::vector<ActivityBar> activityBars(const std::vector<KDay>& days, const std::vector<HourlyActivity>& hours) {
    // The highest level of each interval, by the interval's first minute.
    std::map<std::int64_t, ActivityLevel> levels;
    for (const HourlyActivity& h : hours) {
        if (!h.level) continue;
        const std::int64_t hourMinute = h.hour * 60;
        const std::int64_t start = hourMinute - (((hourMinute % kMinutesPerInterval) + kMinutesPerInterval) % kMinutesPerInterval);
        auto [it, added] = levels.emplace(start, *h.level);
        if (!added) it->second = std::max(it->second, *h.level);
    }
    std::vector<ActivityBar> bars;
    bars.reserve(days.size() * kIntervalsPerDay);
    for (const KDay& day : days) {
        for (int i = 0; i < kIntervalsPerDay; ++i) {
            const KValue& v = day.k[static_cast<std::size_t>(i)];
            if (!v.present()) continue;
            ActivityBar bar;
            bar.startMinute = day.day * kMinutesPerDay + i * kMinutesPerInterval;
            bar.k = v.k;
            bar.provisional = v.status == KValue::Status::Provisional;
            if (const auto it = levels.find(bar.startMinute); it != levels.end()) bar.level = it->second;
            bars.push_back(bar);
        }
    }
    return bars;
}

std::vector<ActivityBar> activityBarsOf(const HorizontalMinutes& minutes, const KIndexSettings& settings,
                                        const LevelThresholds& thresholds, std::int64_t nowMinute) {
    if (minutes.size() == 0) return {};
    const std::vector<KDay> days = computeKIndices(minutes, settings, nowMinute);
    return activityBars(days, hourlyActivity(minutes, days, thresholds, nowMinute));
}

std::string activityBadgeText(std::optional<int> k, bool provisional, std::optional<ActivityLevel> level) {
    std::string text = "Activity: ";
    const std::string kText = k ? "K " + std::to_string(*k) + (provisional ? "*" : "") : std::string();
    if (level) {
        text += levelName(*level);
        if (k) text += " (" + kText + ")";
    } else if (k) {
        text += kText;
    } else {
        text += "-";
    }
    return text;
}

}  // namespace kordel
