#include "processing/alerts.h"

#include <charconv>
#include <cmath>

#include "app/fixedformats.h"

namespace kordel {

namespace {

constexpr std::int64_t kMsPerMinute = 60'000;
constexpr std::int64_t kMsPerDay = 86'400'000;

std::string intText(std::int64_t v) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string kText(const ActivityNow& now) { return now.k ? intText(*now.k) : std::string(); }
std::string levelText(const ActivityNow& now) { return now.level ? std::string(levelName(*now.level)) : std::string(); }
std::string dbdtText(const ActivityNow& now) {
    return now.dbdtMax10MinNt && std::isfinite(*now.dbdtMax10MinNt) ? formatFixed(*now.dbdtMax10MinNt, 1)
                                                                      : std::string();
}

// A JSON string; station codes are plain, but nothing unescaped gets through.
void appendJsonString(std::string& out, std::string_view s) {
    out += '"';
    for (const char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            constexpr char hex[] = "0123456789abcdef";
            out += "\\u00";
            out += hex[(c >> 4) & 0xF];
            out += hex[c & 0xF];
        } else {
            out += c;
        }
    }
    out += '"';
}

void appendOrNull(std::string& out, const std::string& value, bool quoted) {
    if (value.empty()) out += "null";
    else if (quoted) appendJsonString(out, value);
    else out += value;
}

}  // namespace

std::string_view alertName(AlertKind kind) {
    switch (kind) {
    case AlertKind::K: return "k";
    case AlertKind::Level: return "level";
    case AlertKind::Dead: return "dead";
    }
    return "k";
}

std::vector<AlertKind> AlertMonitor::update(const ActivityNow& now) {
    if (!watchingSinceMs_) watchingSinceMs_ = now.timeMs;
    const std::int64_t lastLine = now.lastValidLineMs.value_or(*watchingSinceMs_);
    const std::array<bool, 3> holds = {
        now.k && *now.k >= settings_.k,
        now.level && *now.level >= settings_.level,
        now.timeMs - lastLine >= static_cast<std::int64_t>(settings_.deadMinutes) * kMsPerMinute,
    };
    std::vector<AlertKind> raised;
    for (std::size_t i = 0; i < holds.size(); ++i) {
        if (holds[i] && !active_[i]) raised.push_back(static_cast<AlertKind>(i));
        active_[i] = holds[i];
    }
    return raised;
}

std::string isoUtc(std::int64_t ms) {
    const std::int64_t day = ms >= 0 ? ms / kMsPerDay : -((-ms + kMsPerDay - 1) / kMsPerDay);
    const std::int64_t secondOfDay = (ms - day * kMsPerDay) / 1000;
    const CivilDateTime d = fromDateTimeNumber(static_cast<double>(day));
    std::string out = intText(d.year) + '-' + TwoDigits(d.month) + '-' + TwoDigits(d.day) + 'T';
    out += TwoDigits(static_cast<int>(secondOfDay / 3600)) + ':' + TwoDigits(static_cast<int>(secondOfDay / 60 % 60)) +
           ':' + TwoDigits(static_cast<int>(secondOfDay % 60)) + 'Z';
    return out;
}

std::string activityMessage(const ActivityNow& now, std::string_view station, std::optional<AlertKind> alert) {
    std::string out = "{\"time\":";
    appendJsonString(out, isoUtc(now.timeMs));
    out += ",\"station\":";
    appendJsonString(out, station);
    out += ",\"k\":";
    appendOrNull(out, kText(now), false);
    out += ",\"provisional\":";
    out += now.provisional ? "true" : "false";
    out += ",\"level\":";
    appendOrNull(out, levelText(now), true);
    out += ",\"dbdt_max_10min\":";
    appendOrNull(out, dbdtText(now), false);
    out += ",\"alert\":";
    appendOrNull(out, alert ? std::string(alertName(*alert)) : std::string(), true);
    out += '}';
    return out;
}

std::vector<std::pair<std::string, std::string>> alertEnvironment(const ActivityNow& now, std::string_view station,
                                                                  AlertKind alert) {
    return {
        {"KORDEL_ALERT", std::string(alertName(alert))},
        {"KORDEL_STATION", std::string(station)},
        {"KORDEL_TIME", isoUtc(now.timeMs)},
        {"KORDEL_K", kText(now)},
        {"KORDEL_LEVEL", levelText(now)},
        {"KORDEL_DBDT", dbdtText(now)},
    };
}

}  // namespace kordel
