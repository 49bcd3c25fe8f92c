#pragma once
// One-second values from faster samples (10 Hz and the like), centred on the
// second, as INTERMAGNET's one-second standard asks: at most 3 dB of gain or
// loss from 8 mHz to 0.2 Hz, at least 50 dB of attenuation at 0.5 Hz and
// above, no wider than 25 s, no group delay.
//
// The method: a windowed-sinc low-pass filter (the window method of FIR
// design, e.g. Oppenheim & Schafer, "Discrete-Time Signal Processing", §7.5),
// cut-off 0.32 Hz, Blackman window, 20 s wide (±10 s around the second),
// symmetric, so its phase is zero. Its coefficients are generated, not
// tabled: the weight of a sample d ms away from the second is
//     h(d) = sinc(2·fc·d) · (0.42 + 0.5·cos(π·d/10 s) + 0.08·cos(2π·d/10 s)),
// kept for every whole millisecond and divided by their sum. Designed
// response at 10 Hz: −0.01 dB at 0.2 Hz, below −75 dB from 0.5 Hz up.
//
// Missing data: as the one-minute filter's rule, a second gets a value when
// the weights of the samples present (scaled by the series' interval, so a
// complete window weighs 1) add up to at least 0.9; the value is then the
// weighted mean, those weights renormalised to 1. Else NaN.
//
// Units: times in ms, values in any unit (the output has the input's).
// Cost: per second, one multiply-add per sample within ±10 s and channel (the
// weights looked up once for all channels); a 20,001-entry table built once.

#include <cstdint>
#include <span>

namespace kordel {

inline constexpr std::int64_t kSecondFilterHalfWidthMs = 10'000;
inline constexpr double kSecondFilterCutoffHz = 0.32;

// The normalised weight of a sample `offsetMs` from the second (0 outside ±10 s).
double secondFilterWeight(std::int64_t offsetMs);

// out[j] is the value of the second firstSecondMs + 1000·j. Samples ascending
// in time, `values` NaN where missing; `intervalMs` the series' typical interval.
void filterSeconds(std::span<const std::int64_t> timesMs, std::span<const double> values, std::int64_t intervalMs,
                   std::int64_t firstSecondMs, std::span<double> out);
// The same for several channels of the same samples at once: values[c] and
// out[c] for each channel c.
void filterSeconds(std::span<const std::int64_t> timesMs, std::span<const std::span<const double>> values,
                   std::int64_t intervalMs, std::int64_t firstSecondMs, std::span<const std::span<double>> out);

}  // namespace kordel
