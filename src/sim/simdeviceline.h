#pragma once
// The device line as the simulated instrument sends it: 61 characters, CR, LF.
//
//   columns  1-19  "YYYY MM DD hh mm ss" (single spaces between)
//   columns 20-22  ".00"
//   columns 24-31, 33-40, 42-49  Bx, By, Bz in nT, 2 decimals, right-aligned in 8
//   columns 51-55, 57-61         Ts, Te, 1 decimal, right-aligned in 5
//   every other column up to 61 a space; 62 CR, 63 LF
//
// A value too large for its columns is held at the largest value that fits
// (99999.99 / -9999.99 nT, 999.9 / -99.9), so a line is always 63 bytes long.

#include <string>

#include "app/fixedformats.h"
#include "link/deviceline.h"

namespace kordel {

struct FieldValues {
    double bx = 0;  // nT
    double by = 0;
    double bz = 0;
    double ts = 0;  // sensor temperature
    double te = 0;  // electronics temperature
};

// Deliberate defects of one line, each of which makes the receiver refuse it.
enum class LineFault {
    None,
    Day32,            // day of month 32
    Hour24,           // hour 24
    BlankAfterValue,  // a value moved one column left, so a blank follows it
};

std::string buildDeviceLine(const CivilDateTime& t, const FieldValues& v,
                            LineFault fault = LineFault::None);

}  // namespace kordel
