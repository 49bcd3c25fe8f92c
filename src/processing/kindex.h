#pragma once
// The local K index of the station, by the FMI method (Sucksdorff, Pirjola &
// Häkkinen 1991, one of the computer methods IAGA accepted; described with the
// others by Menvielle et al. 1995).
//
// Promise: for every UT day that holds a minute of the input, eight K values
// (0–9), one per three-hour UT interval 00–03, 03–06, … 21–24, and the day's
// ΣK. Input: minute values of the two horizontal components in nT (X and Y).
//
// The method, per day, on the day with the day before and the day after:
//   1. a first K per three-hour interval from the larger of the two ranges
//      (largest minus smallest minute value) of X and Y;
//   2. for every hour, the mean of the hour widened on both sides by
//      n + m minutes: n = K^3.3 from the K of the hour's interval (a disturbed
//      interval looks further away for its regular variation), m by the local
//      time of the hour (120 min around local midnight, 60 min in the three
//      hours before and after, none by day, where the regular variation
//      changes fastest);
//   3. these hourly means smoothed into the regular daily variation, which is
//      taken off the minute values; the ranges of what remains give new K;
//   4. steps 2 and 3 once more with the new K; the ranges after the second
//      curve give the day's K.
// The smoothing of step 3 here is a weighted least-squares fit of a mean, a
// trend and the 24-, 12-, 8- and 6-hour harmonics over the three days, each
// model value averaged over the same widened window as the mean it is fitted
// to, so that a purely harmonic daily variation is taken off exactly; an hour
// weighs 60 / (60 + 2n), so the disturbed hours, whose windows reach far,
// bend the curve least.
//
// Classes: the lower limits of K = 1 … 9 are Mayaud's ratios 0.01, 0.02,
// 0.04, 0.08, 0.14, 0.24, 0.40, 0.66 and 1.00 of the station's K9 lower limit
// L9 (500 nT: 5/10/20/40/70/120/200/330/500 nT), not rounded; a range equal to
// a limit is in the upper class.
//
// Missing and provisional: a K is missing (never 0) when more than 10 % of
// its 180 minutes are missing, and a day with a missing K has no ΣK. The
// interval that holds `nowMinute` is not over: its K is computed from the
// minutes so far and marked provisional; it becomes final once the interval
// has ended. Intervals that begin at or after `nowMinute` are missing.
//
// Cost: about 0.3 million floating-point operations per day, whatever the
// disturbance (prefix sums make every widened mean O(1)); a year of minute
// values takes well under a second. Memory: a few hundred kB of scratch.

#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "processing/horizontalminutes.h"

namespace kordel {

inline constexpr int kIntervalsPerDay = 8;
inline constexpr std::int64_t kMinutesPerInterval = 180;

// Lower limits of the classes K = 1 … 9 in nT for the K9 lower limit `l9Nt`.
std::array<double, 9> kClassLimits(double l9Nt);

// The K of a range in nT.
int kOfRange(double rangeNt, const std::array<double, 9>& limits);

struct KIndexSettings {
    double k9LowerLimitNt = 500;  // L9 of the station
    double longitudeDeg = 0;      // east positive; sets the local time
};

struct KValue {
    enum class Status : std::uint8_t { Missing, Final, Provisional };
    Status status = Status::Missing;
    int k = 0;  // meaningful unless missing

    bool present() const { return status != Status::Missing; }
    friend bool operator==(const KValue&, const KValue&) = default;
};

struct KDay {
    std::int64_t day = 0;  // days since 30 December 1899 (UT)
    std::array<KValue, kIntervalsPerDay> k{};
    // ΣK when all eight are present; provisional when one of them is.
    std::optional<int> sum;
    bool sumProvisional = false;
};

// Every UT day holding a minute of `minutes`, in ascending order.
std::vector<KDay> computeKIndices(const HorizontalMinutes& minutes, const KIndexSettings& settings,
                                  std::int64_t nowMinute = std::numeric_limits<std::int64_t>::max());

// The K of the one UT day `day`, as computeKIndices gives it, from whatever of
// the day before, the day and the day after `minutes` holds; for a live
// monitor that needs today's K every minute and not the days before again.
KDay computeKDay(const HorizontalMinutes& minutes, const KIndexSettings& settings, std::int64_t day,
                 std::int64_t nowMinute = std::numeric_limits<std::int64_t>::max());

}  // namespace kordel
