#include "processing/horizontalinput.h"

#include <cmath>
#include <numbers>
#include <optional>

#include "processing/boxmeans.h"
#include "processing/standardvalues.h"

namespace kordel {

namespace {

constexpr std::int64_t kMinuteMs = 60'000;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

std::vector<double> channelValues(const Record& r, std::size_t c) {
    std::vector<double> v(r.size());
    for (std::size_t i = 0; i < r.size(); ++i) v[i] = r.value(c, i);
    return v;
}

// Plain means of each UT minute, laid out from `firstMinute` for `count` minutes.
std::vector<double> minuteMeans(const Record& r, std::size_t c, std::int64_t firstMinute, std::size_t count) {
    std::vector<double> out(count, std::nan(""));
    const std::vector<double> values = channelValues(r, c);
    boxMeans(r.times(), values, firstMinute * kMinuteMs, kMinuteMs,
             boxMinimumSamples(kMinuteMs, r.typicalIntervalMs()), out);
    return out;
}

}  // namespace

HorizontalInput horizontalMinutesOf(const Record& record) {
    HorizontalInput in;
    const auto pick = [&record](const char* a, const char* b) -> std::optional<std::pair<std::size_t, std::size_t>> {
        const auto ca = record.findChannel(a), cb = record.findChannel(b);
        if (ca && cb) return std::pair{*ca, *cb};
        return std::nullopt;
    };
    auto channels = pick("Bx", "By");
    if (!channels) channels = pick("X", "Y");
    const bool polar = !channels && pick("H", "D");
    if (polar) channels = pick("H", "D");
    if (!channels || record.empty()) {
        in.error = record.empty() ? "no samples to compute activity from"
                                  : "the inputs hold neither Bx and By, X and Y, nor H and D";
        return in;
    }
    in.firstMinute = floorDiv(record.timeMs(0), kMinuteMs);
    const std::int64_t lastMinute = floorDiv(record.timeMs(record.size() - 1), kMinuteMs);
    const auto count = static_cast<std::size_t>(lastMinute - in.firstMinute + 1);

    const StandardValues standard(record.times());
    in.plainMeans = standard.clock().kind == SampleClock::Kind::Other;
    const auto minutesOf = [&](std::size_t c) {
        return in.plainMeans ? minuteMeans(record, c, in.firstMinute, count)
                             : standard.minutes(channelValues(record, c), in.firstMinute * kMinuteMs, count);
    };
    in.x = minutesOf(channels->first);
    in.y = minutesOf(channels->second);
    // D given in nT already is the eastward component near enough.
    if (polar && record.channel(channels->second).unit == "arcmin") {
        for (std::size_t i = 0; i < count; ++i) {
            const double h = in.x[i];
            const double d = in.y[i] / 60.0 * std::numbers::pi / 180.0;
            in.x[i] = h * std::cos(d);
            in.y[i] = h * std::sin(d);
        }
    }
    return in;
}

}  // namespace kordel
