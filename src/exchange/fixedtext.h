#pragma once
// Scaled integers as fixed-point text, without a detour through doubles or
// temporary strings: the exporters write millions of values.

#include <cstdint>
#include <string>

namespace kordel {

// `scaled` / 10^decimals with exactly `decimals` digits after ".", right-aligned
// in at least `width` characters.
void appendFixed(std::string& out, std::int64_t scaled, int decimals, int width = 0);

}  // namespace kordel
