#pragma once
// The cursor read-out of status bar panel 2 and the choice of the sample it
// shows, said without the toolkit.
//
//   "Time: " time "      " "X: " [15] "Y: " [15] "Z: " [15] "Ts: " [15] "Te: " value
//
// where [15] is a value's text padded with spaces and cut to exactly 15
// characters; the Te value is only cut to 15, not padded.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace kordel {

// A value as the read-out writes it: rounded to 15 significant digits, without
// trailing zeros, without a point when whole, "." as separator. Fixed point
// when the rounded magnitude is 0.00001 or more and it has at most 15 digits
// before the point; otherwise exponent form: the digits, "E", a "-" for a
// negative exponent and the exponent without leading zeros ("1E-6", "1.5E20").
// Zero is "0"; not-a-number and the infinities are "NAN", "INF", "-INF".
std::string formatReadoutValue(double value);

// `text` followed by spaces and cut to exactly `width` characters.
std::string fixedField(const std::string& text, std::size_t width = 15);
// `text` cut to at most `width` characters, not padded.
std::string cutField(const std::string& text, std::size_t width = 15);

// The cursor time as "yyyy-mm-dd hh:nn:ss" (the ISO date, then the bottom
// axis's time format): the date-time number rounded to the millisecond and then
// cut to the second; no time-zone shift.
std::string formatCursorTime(double dateTime);

// The whole read-out text for a time text and the values of Bx, By, Bz, Ts, Te.
std::string formatReadout(const std::string& timeText, const std::array<double, 5>& values);
// The same with units and the total field: each value followed by a space and
// its unit (" nT", " °C") in its field of 15 characters (counted as
// characters, not bytes), and after Te's text six spaces, "F: " and F's value
// with its unit, not padded.
std::string formatReadout(const std::string& timeText, const std::array<double, 5>& values, double totalField);

// The read-out of a record that is not of our own daily files (an
// observatory's H, D, Z, F): "Time: " and the time, six spaces, then each
// channel's name, ": ", its value and unit, in a field of 15 characters but
// the last; a missing value reads "-".
struct NamedValue {
    std::string name;
    double value = 0;
    std::string unit;
};
std::string formatNamedReadout(const std::string& timeText, const std::vector<NamedValue>& values);

// The latest live sample for the status bar, short: "HH:mm:ss", then Bx, By,
// Bz and F with two decimals and " nT", Ts and Te with one and " °C", each
// after its letter and two spaces.
std::string formatLatestSample(int hour, int minute, int second, const std::array<double, 5>& values,
                               double totalField);

// The whole second (counted from the epoch of the date-time numbers) that a
// date-time number falls in, after rounding it to the millisecond: the same
// second its "hh:nn:ss" text and its date show. Ascending X gives ascending
// seconds.
long long secondOf(double dateTime);

// Which sample the read-out shows: among the samples whose X lies in the
// visible part [axisMin, axisMax] of the time axis, the one nearest to the
// cursor's exact time, milliseconds included (the earlier one when two are
// equally near, the first of several with the same X). Nothing when no sample
// is visible. `keyAt(i)` gives the X of sample i of `count`, in ascending
// order; every look-up is a binary search, so a move costs O(log count).
template <class KeyAt>
std::optional<std::size_t> pickCursorSample(std::size_t count, KeyAt keyAt, double axisMin, double axisMax,
                                            double cursor) {
    // First index whose key is not below `x` (keys ascending).
    const auto firstNotBelow = [&](std::size_t from, std::size_t to, auto below) {
        while (from < to) {
            const std::size_t mid = from + (to - from) / 2;
            if (below(keyAt(mid))) {
                from = mid + 1;
            } else {
                to = mid;
            }
        }
        return from;
    };
    const std::size_t lo = firstNotBelow(0, count, [&](double k) { return k < axisMin; });
    const std::size_t hi = firstNotBelow(lo, count, [&](double k) { return k <= axisMax; });
    if (lo >= hi) {
        return std::nullopt;
    }
    const std::size_t j = firstNotBelow(lo, hi, [&](double k) { return k < cursor; });
    if (j == lo) {
        return lo;
    }
    const double before = keyAt(j - 1);
    if (j < hi && keyAt(j) - cursor < cursor - before) {
        return j;
    }
    return firstNotBelow(lo, j, [&](double k) { return k < before; });
}

}  // namespace kordel
