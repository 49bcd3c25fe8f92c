#pragma once
// The flash dump that `kordel-sim --write-dump` writes: the instrument's block
// layout filled with the simulated station's values, so that a dump converts
// into data that looks like the lines the instrument streams.

#include "app/fixedformats.h"
#include "files/flashdumpwriter.h"
#include "sim/simoptions.h"

namespace kordel {

// Bx, By, Bz as the 24-bit values the instrument stores (nT = -raw / 160).
DumpSample toDumpSample(const FieldValues& v);
// A temperature as its raw header value (degrees = raw / 10.24 - 20).
std::uint16_t toRawTemperature(double degrees);

// Writer options for `dump`, the first record at `start` (a year in 2000..2099).
FlashDumpOptions simDumpOptions(const SimDumpOptions& dump, const CivilDateTime& start);

inline const CivilDateTime kSimDumpDefaultStart{2007, 5, 15, 12, 30, 0, 0};

}  // namespace kordel
