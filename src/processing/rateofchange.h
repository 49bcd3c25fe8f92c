#pragma once
// The rate of change of the horizontal field, as aurora-alert and space-weather
// services give it: dB/dt per minute is the length of the change of the
// horizontal vector from one minute to the next, √(ΔX² + ΔY²) in nT/min, and
// its largest value over the last ten minutes is what an alert looks at.
//
// Both functions cost O(n) (the sliding maximum keeps a monotone queue) and
// allocate one result.

#include <cstddef>
#include <span>
#include <vector>

#include "processing/horizontalminutes.h"

namespace kordel {

// Entry i is the change from minute i − 1 to minute i, NaN when either is
// missing (and for the first minute).
std::vector<double> rateOfChange(const HorizontalMinutes& minutes);

// Entry i is the largest of values[i − window + 1 … i] that are present (NaN
// when none is).
std::vector<double> trailingMaximum(std::span<const double> values, std::size_t window);

inline constexpr std::size_t kRateWindowMinutes = 10;

}  // namespace kordel
