#pragma once
// The arithmetic of the charts' axes, said without the toolkit: fixed bounds,
// the vertical bars' mirrored windows, the fitting of the bars to the data,
// the time window that the keys move, the left axis that runs from 2 % to
// 98 % of the plotting height, and the label steps of both axes.

namespace kordel {

// An axis's bounds, always min <= max.
struct AxisRange {
    double min = 0;
    double max = 0;

    double size() const { return max - min; }
    friend bool operator==(const AxisRange&, const AxisRange&) = default;
};

// A fixed axis from two bounds: a lower bound above the upper one is swapped.
AxisRange orderedRange(double a, double b);

// The left axis of a vertical bar's chart: the bar's values grow downwards and
// the axis's upwards, so the window is mirrored within the range: the bounds
// are Min + Max - Finish and Min + Max - Start (1..100 with 30..70 gives 31..71).
AxisRange mirroredWindow(double min, double max, double start, double finish);

// A bar's four values (its range and its window).
struct BarValues {
    double min = 0;
    double max = 0;
    double start = 0;
    double finish = 0;

    friend bool operator==(const BarValues&, const BarValues&) = default;
};

// FitZoomBars for one value bar: range and window both lo..hi; lo equal to hi
// is widened by 1 each way.
BarValues fitValueBar(double lo, double hi);

// The time bar fitted to the series' smallest and largest X, as they are.
BarValues fitTimeBar(double lo, double hi);

// The factor a wheel turn of `notches` (positive away from the user) applies
// to a window: 80 % a notch. Turned fast, each notch of a quick series
// (`streak` notches before it, each within kQuickNotchMs of the one before)
// zooms further, up to 0.8^4 a notch; with Ctrl a notch is 4×. So a week
// comes down to an hour in at most eight quick notches, or four with Ctrl.
inline constexpr long long kQuickNotchMs = 150;
double wheelZoomFactor(double notches, bool ctrl, int streak);

// The keys that move the time window (ScrollByKey).
enum class ScrollKey { PageUp, PageDown, Left, Right, Home, End };

// A bar's window, Start and Finish as they are (not ordered).
struct TimeWindow {
    double start = 0;
    double finish = 0;

    friend bool operator==(const TimeWindow&, const TimeWindow&) = default;
};

// The new time window for a key: a page (the window's width w) or a third of
// it, or to either end; then clamped keeping the width: below Min it becomes
// Min..Min + w, otherwise above Max it becomes Max - w..Max.
TimeWindow scrollWindow(ScrollKey key, double min, double max, double start, double finish);

// The left axis runs from 2 % to 98 % of the plotting height. The chart widget
// maps the whole plotting height, so it is given the span that puts `shown`
// at those fractions; `shownPart` is the way back.
inline constexpr double kValueAxisStart = 0.02;
inline constexpr double kValueAxisEnd = 0.98;
AxisRange valueAxisSpan(const AxisRange& shown);
AxisRange shownPart(const AxisRange& span);

// A range the chart widget can draw: equal bounds (which it would refuse) are
// pulled apart by a hair, relative to their size, so the axis shows them.
AxisRange drawableRange(const AxisRange& r);

// Label steps. The value axis takes the step of 1, 2 or 5 times a power of ten
// closest to `rough` (the range over the wanted number of ticks), and never
// less than the channel's increment (0.01 or 0.1). The time axis takes the smallest
// step of the ladder 1, 2, 5, 10, 15, 30 s; 1, 2, 5, 10, 15, 30 min; 1, 2, 3,
// 6, 12 h; 1, 2, 5, 7, 14 days; then whole multiples of 30 days, that is not
// smaller than `rough` (days), so the smallest step is one second.
inline constexpr double kOneSecond = 1.0 / 86400.0;  // 1.15740740740741e-05 day
double valueTickStep(double rough, double increment);
double timeTickStep(double rough);

}  // namespace kordel
