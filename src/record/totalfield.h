#pragma once
// The total field F = √(Bx² + By² + Bz²), in nT with Bx's decimals. A sample
// with any component missing has no F.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "record/record.h"

namespace kordel {

// F of sample i from the channels x, y, z, scaled by x's decimals; kMissing when
// a component is missing or F does not fit.
std::int32_t totalFieldRaw(const Record& record, std::size_t i, std::size_t x, std::size_t y, std::size_t z);

// The same from the scaled values of one sample.
std::int32_t totalFieldRaw(const Record& record, std::int32_t rx, std::int32_t ry, std::int32_t rz, std::size_t x,
                           std::size_t y, std::size_t z);

// The column of F for every sample.
std::vector<std::int32_t> totalFieldColumn(const Record& record, std::size_t x, std::size_t y, std::size_t z);

// Adds channel "F" computed from Bx, By, Bz (or X, Y, Z of an IAGA-2002
// record) and returns its index; a growing record then computes it for each
// sample add() is given without it. A record that already has an "F" keeps it (an
// IAGA-2002 file's own F is not recomputed); a record without those three
// components (H, D, Z) gets none: nullopt.
std::optional<std::size_t> addTotalField(Record& record);
// F of one sample given in its unit, rounded to `decimals` (the live charts'
// F, as the record's column holds it).
double totalFieldValue(double x, double y, double z, int decimals = 2);
// F from the given channels, added whatever their names.
std::size_t addTotalField(Record& record, std::size_t x, std::size_t y, std::size_t z);

}  // namespace kordel
