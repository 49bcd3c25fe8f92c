#include "exchange/intervalvalues.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "processing/boxmeans.h"
#include "processing/standardmeans.h"
#include "processing/standardvalues.h"

namespace kordel {

namespace {

constexpr std::int64_t kMsPerMinute = 60'000;
// Samples this far beyond a day still reach its values through the filters
// (the minute filter's ±45 s over the one-second filter's ±10 s).
constexpr std::int64_t kReachMs = 70'000;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::int64_t dayOf(std::int64_t t) { return t / Record::kMsPerDay - (t % Record::kMsPerDay < 0 ? 1 : 0); }

// First index j ≥ 0 with start + j·step ≥ t.
std::int64_t firstAtOrAfter(std::int64_t start, std::int64_t step, std::int64_t t) {
    return t <= start ? 0 : (t - start + step - 1) / step;
}

// Values of 88888 or more either way read as the IAGA-2002 markers (not
// observed, missing): they are made missing here, so every day's file says the
// same in its header.
constexpr double kMarkerFrom = 88888.0;

std::int32_t rawOf(double v, double scale) {
    if (!std::isfinite(v) || std::fabs(v) >= kMarkerFrom) return Record::kMissing;
    const double r = std::round(v * scale);
    return std::fabs(r) < 2.1e9 ? static_cast<std::int32_t>(r) : Record::kMissing;
}

}  // namespace

std::int64_t intervalLengthMs(ExportInterval interval) {
    switch (interval) {
        case ExportInterval::Native: return 0;
        case ExportInterval::Second: return 1000;
        case ExportInterval::Minute: return kMsPerMinute;
        case ExportInterval::Hour: return 60 * kMsPerMinute;
        case ExportInterval::Day: return Record::kMsPerDay;
    }
    return 0;
}

IntervalValues::IntervalValues(const Record& record, std::size_t first, std::size_t last, ExportInterval interval,
                               ExportFilter filter, std::optional<std::int64_t> fromMs,
                               std::optional<std::int64_t> toMs)
    : record_(record),
      first_(first),
      last_(last),
      interval_(interval),
      // Hours and days are always means of the standard minutes.
      filter_(interval == ExportInterval::Second || interval == ExportInterval::Minute ? filter
                                                                                      : ExportFilter::Standard),
      fromMs_(fromMs.value_or(-Record::kTimeLimitMs)),
      toMs_(toMs.value_or(Record::kTimeLimitMs)) {}

std::vector<std::int64_t> IntervalValues::daysHoldingSamples(std::size_t first, std::size_t last) const {
    std::vector<std::int64_t> days;
    first = std::max(first, first_);
    last = std::min(last, last_);
    for (std::size_t i = first; i < last;) {
        const std::int64_t day = dayOf(record_.timeMs(i));
        days.push_back(day);
        i = record_.lowerBoundFrom(i, (day + 1) * Record::kMsPerDay);
    }
    return days;
}

Record IntervalValues::valuesOfDay(std::int64_t day, const std::vector<std::size_t>& wanted) const {
    const std::size_t nc = record_.channelCount();
    std::vector<ChannelInfo> infos;
    for (std::size_t c = 0; c < nc; ++c) infos.push_back(record_.channel(c));
    Record out(infos);

    const std::int64_t dayStart = day * Record::kMsPerDay;
    const std::size_t lo = std::clamp(record_.lowerBound(dayStart - kReachMs), first_, last_);
    const std::size_t hi = std::clamp(record_.lowerBound(dayStart + Record::kMsPerDay + kReachMs), lo, last_);
    const auto times = record_.times().subspan(lo, hi - lo);
    const StandardValues standard(times);

    // Seconds and minutes: only those whose start is selected; hours and a
    // day: from the day's minutes.
    const std::int64_t step = interval_ == ExportInterval::Second ? 1000 : kMsPerMinute;
    const std::int64_t dayEnd = dayStart + Record::kMsPerDay;
    const bool wholeDay = interval_ == ExportInterval::Hour || interval_ == ExportInterval::Day;
    const std::int64_t j0 = wholeDay ? 0 : firstAtOrAfter(dayStart, step, fromMs_);
    const std::int64_t j1 = wholeDay ? Record::kMsPerDay / step
                                     : std::max(j0, firstAtOrAfter(dayStart, step, std::min(toMs_, dayEnd)));
    const std::int64_t firstMs = dayStart + j0 * step;
    const auto count = static_cast<std::size_t>(j1 - j0);

    // The wanted channels' values, NaN where missing.
    std::vector<std::size_t> channels;
    for (const std::size_t c : wanted) {
        if (c < nc && std::find(channels.begin(), channels.end(), c) == channels.end()) channels.push_back(c);
    }
    StandardValues::Columns values(channels.size(), std::vector<double>(times.size()));
    for (std::size_t k = 0; k < channels.size(); ++k) {
        const auto column = record_.column(channels[k]).subspan(lo, times.size());
        const double unit = 1.0 / record_.scale(channels[k]);
        for (std::size_t i = 0; i < times.size(); ++i) {
            values[k][i] = column[i] == Record::kMissing ? kNaN : column[i] * unit;
        }
    }
    StandardValues::Columns results;
    if (filter_ == ExportFilter::Mean) {
        const std::size_t needed = boxMinimumSamples(step, standard.clock().intervalMs);
        for (const auto& v : values) {
            results.emplace_back(count);
            boxMeans(standard.times(), v, firstMs, step, needed, results.back());
        }
    } else if (interval_ == ExportInterval::Second) {
        results = standard.seconds(values, firstMs, count);
    } else {
        results = standard.minutes(values, firstMs, count);
        for (auto& m : results) {
            if (interval_ == ExportInterval::Hour) m = hourlyMeans(m);
            if (interval_ == ExportInterval::Day) m = {dailyMean(m)};
        }
    }
    std::vector<std::vector<double>> made(nc);
    for (std::size_t k = 0; k < channels.size(); ++k) made[channels[k]] = std::move(results[k]);

    // Where each value stands, and which are selected.
    std::int64_t spacing = step;
    std::int64_t centre = 0;
    if (interval_ == ExportInterval::Hour) {
        spacing = intervalLengthMs(ExportInterval::Hour);
        centre = kHourlyStampMs;
    } else if (interval_ == ExportInterval::Day) {
        spacing = Record::kMsPerDay;
        centre = kDailyStampMs;
    }
    std::size_t rows = 0;
    for (const auto& m : made) rows = std::max(rows, m.size());
    out.reserve(rows);
    std::vector<std::int32_t> raw(nc);
    for (std::size_t j = 0; j < rows; ++j) {
        const std::int64_t start = firstMs + spacing * static_cast<std::int64_t>(j);
        if (start < fromMs_ || start >= toMs_) continue;
        for (std::size_t c = 0; c < nc; ++c) raw[c] = made[c].empty() ? Record::kMissing : rawOf(made[c][j], record_.scale(c));
        out.append(start + centre, raw);
    }
    out.finish();
    return out;
}

std::string IntervalValues::intervalType() const {
    const bool mean = filter_ == ExportFilter::Mean;
    switch (interval_) {
        case ExportInterval::Second: return mean ? "average 1-second" : "1-second";
        case ExportInterval::Minute: return mean ? "average 1-minute (00:00-00:59)" : "filtered 1-minute (00:15-01:45)";
        case ExportInterval::Hour: return "1-hour (00-59)";
        case ExportInterval::Day: return "1-day (00:00-23:59)";
        case ExportInterval::Native: break;
    }
    return {};
}

std::string IntervalValues::methodText() const {
    if (filter_ == ExportFilter::Mean) {
        return "Plain means of the samples in each interval, stamped at its start.";
    }
    std::string text;
    if (interval_ == ExportInterval::Second) {
        text = "One-second values by a symmetric windowed-sinc filter (Blackman window, cut-off 0.32 Hz, 20 s wide) "
               "centred on the second.";
    } else {
        text = "One-minute values by the INTERMAGNET Gaussian filter centred on the minute (91 taps at 1 s, 19 at "
               "5 s, 11 at 10 s; faster data first filtered to one-second values).";
        if (interval_ == ExportInterval::Hour) text += " Hourly means of the minutes 00-59, stamped at HH:29:30.";
        if (interval_ == ExportInterval::Day) text += " Daily means of the 1440 minutes, stamped at 11:59:30.";
    }
    return text + " A value needs 90 % of the filter's weight (" +
           (interval_ == ExportInterval::Hour  ? "and of the hour's minutes"
            : interval_ == ExportInterval::Day ? "and of the day's minutes"
                                               : "weights renormalised") +
           "), else 99999.00; so are values of magnitude 88888 or more.";
}

}  // namespace kordel
