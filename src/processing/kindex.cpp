#include "processing/kindex.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "processing/harmonicfit.h"

namespace kordel {

namespace {

// Mayaud's ratios of the class limits to L9, in hundredths: the limits are
// computed as l9 · h / 100 so that whole limits come out whole (70, not
// 70.000000000000014, for L9 = 500).
constexpr std::array<int, 9> kMayaudHundredths = {1, 2, 4, 8, 14, 24, 40, 66, 100};

constexpr int kHarmonics = 4;  // 24, 12, 8 and 6 hours
constexpr std::size_t kTerms = 2 + 2 * kHarmonics;
constexpr std::int64_t kSpan = 3 * kMinutesPerDay;  // the day with its two neighbours
constexpr int kHours = static_cast<int>(kSpan / 60);
constexpr int kBlocks = static_cast<int>(kSpan / kMinutesPerInterval);
constexpr std::int64_t kMinutesPerHour = 60;
// A widened hourly mean needs this many minutes, the fit this many means.
constexpr std::int64_t kMinMinutesInWindow = 10;
constexpr std::size_t kMinHours = 2 * kTerms;

// n = K^3.3 minutes, the widening that grows with the disturbance.
constexpr std::array<std::int64_t, 10> kWidening = {0, 1, 10, 37, 97, 202, 369, 617, 962, 1415};

// m: the widening by local time of the hour's middle (minutes of the local day).
std::int64_t nightWidening(std::int64_t localMinute) {
    if (localMinute < 180 || localMinute >= 1260) return 120;
    if (localMinute < 360 || localMinute >= 1080) return 60;
    return 0;
}

// The basis functions at each minute of the three days: 1, the trend in days
// from the middle, then the day's harmonics. The same for every day, since the
// three days always begin at a UT midnight.
const std::vector<double>& basisTable() {
    static const std::vector<double> table = [] {
        std::vector<double> t(static_cast<std::size_t>(kSpan) * kTerms);
        for (std::int64_t i = 0; i < kSpan; ++i) {
            double* row = &t[static_cast<std::size_t>(i) * kTerms];
            row[0] = 1.0;
            row[1] = static_cast<double>(i - kSpan / 2) / kMinutesPerDay;
            dayHarmonics(static_cast<double>(i % kMinutesPerDay) / kMinutesPerDay, kHarmonics, row + 2);
        }
        return t;
    }();
    return table;
}

struct Window {
    std::int64_t from, to;  // minutes of the three days, [from, to)
    double weight;
};

// One component over the three days: its values (less a reference, so the
// sums keep their digits), prefix sums of values, counts and basis functions
// over the present minutes, and the residual after the latest curve.
struct Component {
    std::vector<double> value, sum, basisSum, residual;
    std::vector<std::int64_t> count;

    Component()
        : value(kSpan), sum(kSpan + 1), basisSum(static_cast<std::size_t>(kSpan + 1) * kTerms), residual(kSpan),
          count(kSpan + 1) {}

    void load(std::span<const double> source, std::int64_t sourceFirst, std::int64_t windowFirst,
              std::int64_t nowMinute) {
        const std::int64_t sourceEnd = sourceFirst + static_cast<std::int64_t>(source.size());
        double reference = std::numeric_limits<double>::quiet_NaN();
        for (std::int64_t i = 0; i < kSpan; ++i) {
            const std::int64_t m = windowFirst + i;
            double v = std::numeric_limits<double>::quiet_NaN();
            if (m >= sourceFirst && m < sourceEnd && m < nowMinute) v = source[static_cast<std::size_t>(m - sourceFirst)];
            if (!std::isfinite(v)) v = std::numeric_limits<double>::quiet_NaN();
            if (std::isnan(reference) && !std::isnan(v)) reference = v;
            value[static_cast<std::size_t>(i)] = v;
        }
        const std::vector<double>& basis = basisTable();
        for (std::int64_t i = 0; i < kSpan; ++i) {
            const auto u = static_cast<std::size_t>(i);
            double& v = value[u];
            const bool present = !std::isnan(v);
            if (present) v -= reference;
            sum[u + 1] = sum[u] + (present ? v : 0.0);
            count[u + 1] = count[u] + (present ? 1 : 0);
            const double* b = &basis[u * kTerms];
            const double* prev = &basisSum[u * kTerms];
            double* next = &basisSum[(u + 1) * kTerms];
            for (std::size_t j = 0; j < kTerms; ++j) next[j] = prev[j] + (present ? b[j] : 0.0);
        }
        residual = value;
    }

    // The curve whose widened means best fit the widened means of the values.
    std::optional<LeastSquares::Coefficients> fit(const std::array<Window, kHours>& windows) const {
        LeastSquares ls(kTerms);
        std::array<double, kTerms> meanBasis{};
        for (const Window& w : windows) {
            const auto a = static_cast<std::size_t>(w.from), b = static_cast<std::size_t>(w.to);
            const std::int64_t n = count[b] - count[a];
            if (n < kMinMinutesInWindow) continue;
            for (std::size_t j = 0; j < kTerms; ++j) {
                meanBasis[j] = (basisSum[b * kTerms + j] - basisSum[a * kTerms + j]) / static_cast<double>(n);
            }
            ls.add(meanBasis, (sum[b] - sum[a]) / static_cast<double>(n), w.weight);
        }
        if (ls.observations() < kMinHours) return std::nullopt;
        return ls.solve();
    }

    void subtract(const LeastSquares::Coefficients& c, std::int64_t from, std::int64_t to) {
        const std::vector<double>& basis = basisTable();
        for (std::int64_t i = from; i < to; ++i) {
            const auto u = static_cast<std::size_t>(i);
            residual[u] = value[u] - evaluate(c, std::span<const double>(&basis[u * kTerms], kTerms));
        }
    }
};

// The larger range of the two residuals over [from, to), and the number of
// minutes where both components are present.
struct BlockRange {
    double range = 0;
    std::int64_t present = 0;
};

BlockRange blockRange(const Component& x, const Component& y, std::int64_t from, std::int64_t to) {
    double lo[2] = {HUGE_VAL, HUGE_VAL}, hi[2] = {-HUGE_VAL, -HUGE_VAL};
    BlockRange r;
    for (std::int64_t i = from; i < to; ++i) {
        const auto u = static_cast<std::size_t>(i);
        const double vx = x.residual[u], vy = y.residual[u];
        if (std::isnan(vx) || std::isnan(vy)) continue;
        ++r.present;
        lo[0] = std::min(lo[0], vx);
        hi[0] = std::max(hi[0], vx);
        lo[1] = std::min(lo[1], vy);
        hi[1] = std::max(hi[1], vy);
    }
    if (r.present > 0) r.range = std::max(hi[0] - lo[0], hi[1] - lo[1]);
    return r;
}

class DayComputation {
public:
    DayComputation(const HorizontalMinutes& minutes, const KIndexSettings& settings, std::int64_t nowMinute)
        : minutes_(minutes), limits_(kClassLimits(settings.k9LowerLimitNt)), now_(nowMinute) {
        // Local time leads UT by 4 minutes per degree east.
        const double shift = std::fmod(settings.longitudeDeg, 360.0) * 4.0;
        longitudeMinutes_ = std::isfinite(shift) ? static_cast<std::int64_t>(std::lround(shift)) : 0;
    }

    KDay compute(std::int64_t day) {
        KDay out;
        out.day = day;
        const std::int64_t first = (day - 1) * kMinutesPerDay;
        if (day * kMinutesPerDay >= now_) return out;
        x_.load(minutes_.x, minutes_.firstMinute, first, now_);
        y_.load(minutes_.y, minutes_.firstMinute, first, now_);

        std::array<int, kBlocks> k{};
        rangesToK(0, kBlocks, k);
        for (int pass = 0; pass < 2; ++pass) {
            const std::array<Window, kHours> windows = widenedHours(k);
            const auto cx = x_.fit(windows);
            const auto cy = y_.fit(windows);
            if (!cx || !cy) return out;  // the regular variation is not known: no K
            // The first curve serves the K of all three days (the widening of
            // the second); the second only the day itself.
            const std::int64_t from = pass == 0 ? 0 : kMinutesPerDay, to = pass == 0 ? kSpan : 2 * kMinutesPerDay;
            x_.subtract(*cx, from, to);
            y_.subtract(*cy, from, to);
            if (pass == 0) rangesToK(0, kBlocks, k);
        }
        finalValues(day, out);
        return out;
    }

private:
    // K of blocks [from, to) of the three days from the current residuals; a
    // block without data counts as quiet for the widening.
    void rangesToK(int from, int to, std::array<int, kBlocks>& k) const {
        for (int b = from; b < to; ++b) {
            const BlockRange r = blockRange(x_, y_, b * kMinutesPerInterval, (b + 1) * kMinutesPerInterval);
            k[static_cast<std::size_t>(b)] = r.present > 0 ? kOfRange(r.range, limits_) : 0;
        }
    }

    std::array<Window, kHours> widenedHours(const std::array<int, kBlocks>& k) const {
        std::array<Window, kHours> w{};
        for (int h = 0; h < kHours; ++h) {
            const std::int64_t start = h * kMinutesPerHour;
            const std::int64_t n = kWidening[static_cast<std::size_t>(k[static_cast<std::size_t>(h / 3)])];
            std::int64_t local = (start % kMinutesPerDay + 30 + longitudeMinutes_) % kMinutesPerDay;
            if (local < 0) local += kMinutesPerDay;
            const std::int64_t widen = n + nightWidening(local);
            w[static_cast<std::size_t>(h)] = {std::max<std::int64_t>(0, start - widen),
                                              std::min(kSpan, start + kMinutesPerHour + widen),
                                              60.0 / (60.0 + 2.0 * static_cast<double>(n))};
        }
        return w;
    }

    void finalValues(std::int64_t day, KDay& out) const {
        int sum = 0;
        bool complete = true;
        for (int j = 0; j < kIntervalsPerDay; ++j) {
            KValue& v = out.k[static_cast<std::size_t>(j)];
            const std::int64_t start = day * kMinutesPerDay + j * kMinutesPerInterval;
            if (start < now_) {
                const std::int64_t elapsed = std::min(kMinutesPerInterval, now_ - start);
                const std::int64_t from = kMinutesPerDay + j * kMinutesPerInterval;
                const BlockRange r = blockRange(x_, y_, from, from + elapsed);
                if (r.present > 0 && (elapsed - r.present) * 10 <= elapsed) {
                    v.k = kOfRange(r.range, limits_);
                    v.status = elapsed < kMinutesPerInterval ? KValue::Status::Provisional : KValue::Status::Final;
                }
            }
            complete = complete && v.present();
            sum += v.k;
            out.sumProvisional = out.sumProvisional || v.status == KValue::Status::Provisional;
        }
        if (complete) out.sum = sum;
        else out.sumProvisional = false;
    }

    const HorizontalMinutes& minutes_;
    std::array<double, 9> limits_;
    std::int64_t now_;
    std::int64_t longitudeMinutes_ = 0;
    Component x_, y_;
};

}  // namespace

std::array<double, 9> kClassLimits(double l9Nt) {
    std::array<double, 9> limits{};
    for (std::size_t i = 0; i < limits.size(); ++i) limits[i] = kMayaudHundredths[i] * l9Nt / 100.0;
    return limits;
}

int kOfRange(double rangeNt, const std::array<double, 9>& limits) {
    return static_cast<int>(std::upper_bound(limits.begin(), limits.end(), rangeNt) - limits.begin());
}

std::vector<KDay> computeKIndices(const HorizontalMinutes& minutes, const KIndexSettings& settings,
                                  std::int64_t nowMinute) {
    std::vector<KDay> days;
    if (minutes.size() == 0) return days;
    const std::int64_t firstDay = dayOfMinute(minutes.firstMinute);
    const std::int64_t lastDay = dayOfMinute(minutes.endMinute() - 1);
    days.reserve(static_cast<std::size_t>(lastDay - firstDay + 1));
    DayComputation computation(minutes, settings, nowMinute);
    for (std::int64_t d = firstDay; d <= lastDay; ++d) days.push_back(computation.compute(d));
    return days;
}

KDay computeKDay(const HorizontalMinutes& minutes, const KIndexSettings& settings, std::int64_t day,
                 std::int64_t nowMinute) {
    DayComputation computation(minutes, settings, nowMinute);
    return computation.compute(day);
}

}  // namespace kordel
