#pragma once
// One-minute values centred on the minute by the Gaussian filter of the
// INTERMAGNET Technical Manual (its appendix "Filter Coefficients"), as IAGA
// Resolution 12 asks of observatory minute values: 91 taps for one-second
// data, 19 for five-second and 11 for ten-second data, symmetric about the
// minute (±45 s, ±45 s and ±50 s).
//
// The tabled weights add up to a little more than 1 (1.0000019 for the 91
// taps); they are always divided by their sum, so a constant passes
// unchanged. Missing data: the manual allows a value when 90 % of the values
// or 90 % of the filter's weight is present; the weight is used here. A
// minute gets a value when the normalised weights of the samples present add
// up to at least 0.9, the value being their weighted mean (those weights
// renormalised to 1); otherwise NaN (written as 99999.00).
//
// Units: times in ms, values in any unit. Cost: per minute, one multiply-add
// per tap.

#include <cstdint>
#include <span>

namespace kordel {

// Normalised weights for data at `intervalMs` (1000, 5000 or 10000), from the
// centre outwards: element k is the weight of the samples k·interval before
// and after the minute. Empty for any other interval.
std::span<const double> minuteFilterWeights(std::int64_t intervalMs);

// out[j] is the value of the minute firstMinuteMs + 60000·j, from values on a
// regular grid: grid[i] at gridStartMs + i·intervalMs (NaN where missing;
// outside the grid counts as missing). gridStartMs a multiple of intervalMs.
void filterMinutes(std::span<const double> grid, std::int64_t gridStartMs, std::int64_t intervalMs,
                   std::int64_t firstMinuteMs, std::span<double> out);

}  // namespace kordel
