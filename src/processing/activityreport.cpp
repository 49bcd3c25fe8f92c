#include "processing/activityreport.h"

#include <charconv>
#include <cstdint>

#include "app/fixedformats.h"

namespace kordel {

namespace {

std::string intText(std::int64_t v) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

// The 24 hours of `day` among `hours` (which run ascending), or none.
const HourlyActivity* hoursOf(std::int64_t day, const std::vector<HourlyActivity>& hours) {
    if (hours.empty()) return nullptr;
    const std::int64_t offset = day * 24 - hours.front().hour;
    if (offset < 0 || offset + 24 > static_cast<std::int64_t>(hours.size())) return nullptr;
    return &hours[static_cast<std::size_t>(offset)];
}

const HourlyActivity* hourAt(const HourlyActivity* dayHours, int h) { return dayHours ? dayHours + h : nullptr; }

void textLine(std::string& out, const KDay& d) {
    out += isoDate(d.day);
    out += ' ';
    for (const KValue& v : d.k) {
        out += ' ';
        out += v.present() ? intText(v.k) : "-";
        if (v.status == KValue::Status::Provisional) out += '*';
    }
    out += "  ";
    out += d.sum ? intText(*d.sum) : "-";
    if (d.sum && d.sumProvisional) out += '*';
    out += '\n';
}

void csvHeader(std::string& out) {
    out += "date";
    for (int j = 0; j < kIntervalsPerDay; ++j) out += ",k_" + TwoDigits(j * 3);
    out += ",sum_k,provisional";
    for (int h = 0; h < 24; ++h) out += ",level_" + TwoDigits(h);
    out += '\n';
}

void csvLine(std::string& out, const KDay& d, const HourlyActivity* dayHours) {
    out += isoDate(d.day);
    std::string provisional;
    for (int j = 0; j < kIntervalsPerDay; ++j) {
        const KValue& v = d.k[static_cast<std::size_t>(j)];
        out += ',';
        if (v.present()) out += intText(v.k);
        if (v.status == KValue::Status::Provisional) provisional = "k_" + TwoDigits(j * 3);
    }
    out += ',';
    if (d.sum) out += intText(*d.sum);
    out += ',' + provisional;
    for (int h = 0; h < 24; ++h) {
        out += ',';
        const HourlyActivity* a = hourAt(dayHours, h);
        if (a && a->level) out += levelName(*a->level);
    }
    out += '\n';
}

void jsonLine(std::string& out, const KDay& d, const HourlyActivity* dayHours) {
    out += "{\"date\":\"" + isoDate(d.day) + "\",\"k\":[";
    for (std::size_t j = 0; j < d.k.size(); ++j) {
        if (j > 0) out += ',';
        out += d.k[j].present() ? intText(d.k[j].k) : "null";
    }
    out += "],\"provisional\":[";
    for (std::size_t j = 0; j < d.k.size(); ++j) {
        if (j > 0) out += ',';
        out += d.k[j].status == KValue::Status::Provisional ? "true" : "false";
    }
    out += "],\"sum_k\":";
    out += d.sum ? intText(*d.sum) : "null";
    out += ",\"sum_k_provisional\":";
    out += d.sum && d.sumProvisional ? "true" : "false";
    out += ",\"disturbance_nt\":[";
    for (int h = 0; h < 24; ++h) {
        if (h > 0) out += ',';
        const HourlyActivity* a = hourAt(dayHours, h);
        out += a && a->disturbanceNt ? formatFixed(*a->disturbanceNt, 1) : "null";
    }
    out += "],\"level\":[";
    for (int h = 0; h < 24; ++h) {
        if (h > 0) out += ',';
        const HourlyActivity* a = hourAt(dayHours, h);
        out += a && a->level ? '"' + std::string(levelName(*a->level)) + '"' : std::string("null");
    }
    out += "]}";
}

}  // namespace

std::string isoDate(std::int64_t day) {
    const CivilDateTime d = fromDateTimeNumber(static_cast<double>(day));
    return intText(d.year) + '-' + TwoDigits(d.month) + '-' + TwoDigits(d.day);
}

std::string activityReport(const std::vector<KDay>& days, const std::vector<HourlyActivity>& hours,
                           ActivityFormat format) {
    std::string out;
    out.reserve(days.size() * (format == ActivityFormat::Text ? 40 : 400) + 64);
    if (format == ActivityFormat::Csv) csvHeader(out);
    if (format == ActivityFormat::Json) out += "{\"days\":[\n";
    for (std::size_t i = 0; i < days.size(); ++i) {
        const KDay& d = days[i];
        switch (format) {
        case ActivityFormat::Text: textLine(out, d); break;
        case ActivityFormat::Csv: csvLine(out, d, hoursOf(d.day, hours)); break;
        case ActivityFormat::Json:
            jsonLine(out, d, hoursOf(d.day, hours));
            out += i + 1 < days.size() ? ",\n" : "\n";
            break;
        }
    }
    if (format == ActivityFormat::Json) out += "]}\n";
    return out;
}

}  // namespace kordel
