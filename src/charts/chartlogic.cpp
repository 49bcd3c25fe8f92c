#include "charts/chartlogic.h"

#include <algorithm>
#include <cmath>

namespace kordel {

AxisRange orderedRange(double a, double b) { return a <= b ? AxisRange{a, b} : AxisRange{b, a}; }

AxisRange mirroredWindow(double min, double max, double start, double finish) {
    return orderedRange(min + max - finish, min + max - start);
}

BarValues fitValueBar(double lo, double hi) {
    if (lo == hi) {
        lo -= 1;
        hi += 1;
    }
    return {lo, hi, lo, hi};
}

BarValues fitTimeBar(double lo, double hi) { return {lo, hi, lo, hi}; }

TimeWindow scrollWindow(ScrollKey key, double min, double max, double start, double finish) {
    const double w = finish - start;
    double s = start;
    double f = finish;
    switch (key) {
    case ScrollKey::PageUp:
        s = start - w;
        f = finish - w;
        break;
    case ScrollKey::PageDown:
        s = start + w;
        f = finish + w;
        break;
    case ScrollKey::Left:
        s = start - w / 3;
        f = finish - w / 3;
        break;
    case ScrollKey::Right:
        s = start + w / 3;
        f = finish + w / 3;
        break;
    case ScrollKey::Home:
        s = min;
        f = min + w;
        break;
    case ScrollKey::End:
        s = max - w;
        f = max;
        break;
    }
    if (s < min) {
        s = min;
        f = min + w;
    } else if (f > max) {
        s = max - w;
        f = max;
    }
    return {s, f};
}

AxisRange valueAxisSpan(const AxisRange& shown) {
    const double fraction = kValueAxisEnd - kValueAxisStart;
    const double span = shown.size() / fraction;
    return {shown.min - span * kValueAxisStart, shown.max + span * (1 - kValueAxisEnd)};
}

AxisRange shownPart(const AxisRange& span) {
    const double size = span.size();
    return {span.min + size * kValueAxisStart, span.max - size * (1 - kValueAxisEnd)};
}

AxisRange drawableRange(const AxisRange& r) {
    // The widget refuses spans below about 1e-280 and wider than 1e250.
    const double magnitude = std::max(std::fabs(r.min), std::fabs(r.max));
    const double hair = std::max(magnitude * 1e-12, 1e-12);
    if (!(r.size() >= hair)) {
        const double mid = r.min / 2 + r.max / 2;
        return {mid - hair, mid + hair};
    }
    return r;
}

double valueTickStep(double rough, double increment) {
    if (!(rough > 0) || !std::isfinite(rough)) {
        return increment;
    }
    // 1, 2 or 5 times a power of ten: every tick is then a whole number of
    // the channel's increment, and its label is its exact value.
    const double magnitude = std::pow(10.0, std::floor(std::log10(rough)));
    const double wanted = rough / magnitude;  // 1 <= wanted < 10
    double mantissa = 1;
    for (double m : {2.0, 5.0, 10.0}) {
        if (std::fabs(m - wanted) < std::fabs(mantissa - wanted)) {
            mantissa = m;
        }
    }
    return std::max(mantissa * magnitude, increment);
}

double timeTickStep(double rough) {
    static constexpr double kLadder[] = {
        1,     2,     5,     10,    15,     30,                                  // seconds
        60,    120,   300,   600,   900,    1800,                                // minutes
        3600,  7200,  10800, 21600, 43200,                                       // hours
        86400, 2 * 86400.0, 5 * 86400.0, 7 * 86400.0, 14 * 86400.0, 30 * 86400.0 // days
    };
    if (!(rough > 0) || !std::isfinite(rough)) {
        return kOneSecond;
    }
    const double seconds = rough * 86400.0;
    for (double step : kLadder) {
        if (step >= seconds * (1 - 1e-9)) {
            return step / 86400.0;
        }
    }
    return std::ceil(rough / 30.0) * 30.0;
}

double wheelZoomFactor(double notches, bool ctrl, int streak) {
    const double perNotch = ctrl ? 0.25 : std::pow(0.8, 1 + std::clamp(streak, 0, 3));
    return std::pow(perNotch, notches);
}

}  // namespace kordel
