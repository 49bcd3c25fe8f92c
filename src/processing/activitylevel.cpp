#include "processing/activitylevel.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "app/fixedformats.h"
#include "processing/harmonicfit.h"

namespace kordel {

namespace {

constexpr int kHarmonics = 4;
constexpr std::size_t kTerms = 1 + 2 * kHarmonics;
constexpr std::int64_t kMinutesPerHour = 60;
constexpr std::int64_t kFallbackDays = 31;

std::int64_t dayNumber(int year, int month, int day) {
    return static_cast<std::int64_t>(std::llround(toDateNumber(year, month, day)));
}

bool allFinal(const KDay& d) {
    return std::all_of(d.k.begin(), d.k.end(), [](const KValue& v) { return v.status == KValue::Status::Final; });
}

std::optional<std::vector<double>> smoothedCurve(const std::vector<double>& average) {
    LeastSquares ls(kTerms);
    std::array<double, kTerms> basis{};
    basis[0] = 1.0;
    for (std::int64_t m = 0; m < kMinutesPerDay; ++m) {
        const double v = average[static_cast<std::size_t>(m)];
        if (std::isnan(v)) continue;
        dayHarmonics(static_cast<double>(m) / kMinutesPerDay, kHarmonics, &basis[1]);
        ls.add(basis, v);
    }
    const auto c = ls.solve();
    if (!c) return std::nullopt;
    std::vector<double> curve(kMinutesPerDay);
    for (std::int64_t m = 0; m < kMinutesPerDay; ++m) {
        dayHarmonics(static_cast<double>(m) / kMinutesPerDay, kHarmonics, &basis[1]);
        curve[static_cast<std::size_t>(m)] = evaluate(*c, basis);
    }
    return curve;
}

}  // namespace

QuietDayCurve quietDayCurve(const HorizontalMinutes& minutes, const std::vector<std::int64_t>& days) {
    std::vector<double> sx(kMinutesPerDay, 0.0), sy(kMinutesPerDay, 0.0);
    std::vector<int> n(kMinutesPerDay, 0);
    for (const std::int64_t d : days) {
        for (std::int64_t m = 0; m < kMinutesPerDay; ++m) {
            const std::int64_t t = d * kMinutesPerDay + m;
            if (!minutes.present(t)) continue;
            const auto i = static_cast<std::size_t>(t - minutes.firstMinute);
            const auto u = static_cast<std::size_t>(m);
            sx[u] += minutes.x[i];
            sy[u] += minutes.y[i];
            ++n[u];
        }
    }
    for (std::size_t u = 0; u < sx.size(); ++u) {
        sx[u] = n[u] > 0 ? sx[u] / n[u] : std::nan("");
        sy[u] = n[u] > 0 ? sy[u] / n[u] : std::nan("");
    }
    auto cx = smoothedCurve(sx);
    auto cy = smoothedCurve(sy);
    if (!cx || !cy) return {};
    return {std::move(*cx), std::move(*cy)};
}

std::string_view levelName(ActivityLevel level) {
    switch (level) {
    case ActivityLevel::Green: return "green";
    case ActivityLevel::Yellow: return "yellow";
    case ActivityLevel::Amber: return "amber";
    case ActivityLevel::Red: return "red";
    }
    return "green";
}

std::optional<ActivityLevel> parseLevel(std::string_view name) {
    for (const ActivityLevel l : {ActivityLevel::Green, ActivityLevel::Yellow, ActivityLevel::Amber, ActivityLevel::Red}) {
        if (levelName(l) == name) return l;
    }
    return std::nullopt;
}

ActivityLevel levelOf(double disturbanceNt, const LevelThresholds& t) {
    if (disturbanceNt >= t.redNt) return ActivityLevel::Red;
    if (disturbanceNt >= t.amberNt) return ActivityLevel::Amber;
    if (disturbanceNt >= t.yellowNt) return ActivityLevel::Yellow;
    return ActivityLevel::Green;
}

std::optional<LevelThresholds> parseLevelThresholds(std::string_view text) {
    double v[3];
    std::size_t from = 0;
    for (int i = 0; i < 3; ++i) {
        const std::size_t comma = i < 2 ? text.find(',', from) : text.size();
        if (comma == std::string_view::npos) return std::nullopt;
        const auto n = parseNumber(text.substr(from, comma - from));
        if (!n || !(*n > 0)) return std::nullopt;
        v[i] = *n;
        from = comma + 1;
    }
    if (!(v[0] < v[1] && v[1] < v[2])) return std::nullopt;
    return LevelThresholds{v[0], v[1], v[2]};
}

std::vector<std::int64_t> quietDaysFor(std::int64_t day, const std::vector<KDay>& kDays, std::size_t count) {
    const CivilDateTime date = fromDateTimeNumber(static_cast<double>(day));
    const std::int64_t monthStart = dayNumber(date.year, date.month, 1);
    const std::int64_t previousStart =
        date.month == 1 ? dayNumber(date.year - 1, 12, 1) : dayNumber(date.year, date.month - 1, 1);
    const auto candidates = [&kDays](std::int64_t from, std::int64_t to) {
        std::vector<const KDay*> c;
        for (const KDay& d : kDays) {
            if (d.day >= from && d.day < to && d.sum && allFinal(d)) c.push_back(&d);
        }
        return c;
    };
    std::vector<const KDay*> c = candidates(previousStart, monthStart);
    if (c.empty()) c = candidates(day - kFallbackDays, day);
    // Quietest first; of equal ΣK the one with the smaller largest K, then the earlier.
    const auto largest = [](const KDay* d) {
        return std::max_element(d->k.begin(), d->k.end(), [](const KValue& a, const KValue& b) { return a.k < b.k; })->k;
    };
    std::stable_sort(c.begin(), c.end(), [&largest](const KDay* a, const KDay* b) {
        if (*a->sum != *b->sum) return *a->sum < *b->sum;
        return largest(a) < largest(b);
    });
    if (c.size() > count) c.resize(count);
    std::vector<std::int64_t> days;
    for (const KDay* d : c) days.push_back(d->day);
    std::sort(days.begin(), days.end());
    return days;
}

HourlyActivity hourActivity(const HorizontalMinutes& minutes, const QuietDayCurve& curve, std::int64_t hour,
                            const LevelThresholds& thresholds, std::int64_t nowMinute) {
    HourlyActivity a;
    a.hour = hour;
    const std::int64_t start = hour * kMinutesPerHour;
    if (!curve.valid() || start >= nowMinute) return a;
    const std::int64_t dayStart = dayOfMinute(start) * kMinutesPerDay;
    const std::int64_t elapsed = std::min(kMinutesPerHour, nowMinute - start);
    std::int64_t present = 0;
    double largest = 0;
    for (std::int64_t t = start; t < start + elapsed; ++t) {
        if (!minutes.present(t)) continue;
        const auto i = static_cast<std::size_t>(t - minutes.firstMinute);
        const auto u = static_cast<std::size_t>(t - dayStart);
        largest = std::max(largest, std::hypot(minutes.x[i] - curve.x[u], minutes.y[i] - curve.y[u]));
        ++present;
    }
    if (present > 0 && (elapsed - present) * 10 <= elapsed) {
        a.disturbanceNt = largest;
        a.level = levelOf(largest, thresholds);
    }
    return a;
}

std::vector<HourlyActivity> hourlyActivity(const HorizontalMinutes& minutes, const std::vector<KDay>& kDays,
                                           const LevelThresholds& thresholds, std::int64_t nowMinute) {
    std::vector<HourlyActivity> hours;
    if (minutes.size() == 0) return hours;
    const std::int64_t firstDay = dayOfMinute(minutes.firstMinute);
    const std::int64_t lastDay = dayOfMinute(minutes.endMinute() - 1);
    hours.reserve(static_cast<std::size_t>(lastDay - firstDay + 1) * 24);
    std::vector<std::int64_t> curveDays;
    QuietDayCurve curve;
    for (std::int64_t day = firstDay; day <= lastDay; ++day) {
        const std::vector<std::int64_t> quiet = quietDaysFor(day, kDays);
        if (quiet != curveDays) {
            curveDays = quiet;
            curve = quiet.empty() ? QuietDayCurve{} : quietDayCurve(minutes, quiet);
        }
        for (std::int64_t h = 0; h < 24; ++h) hours.push_back(hourActivity(minutes, curve, day * 24 + h, thresholds, nowMinute));
    }
    return hours;
}

}  // namespace kordel
