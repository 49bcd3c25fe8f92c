#pragma once
// Automatic step flags: places where a field component jumps to a new level
// and stays there (a storm's sudden commencement, a sensor knocked, a jump
// of the electronics). Steps are only marked: the samples stay in the
// cleaned level, since a step is often real, or needs a new baseline rather
// than a deletion.
//
// The method is a two-sample comparison of medians on either side of each
// point, a robust form of the moving-window step detectors of change-point
// analysis (Basseville & Nikiforov, "Detection of Abrupt Changes", 1993,
// §2.1): the samples are reduced to block means of `blockMs`; at the
// boundary after block j the level change is
//     D(j) = median of the `sideBlocks` block means after − median of the
//            `sideBlocks` before,
// and a step is where |D| exceeds the fence and is largest among its
// neighbours. A spike shorter than half the side moves neither median, so it
// is never taken for a step (a spike within one block moves that block's
// mean, which the medians outvote). The fence is k robust standard
// deviations of the block means, estimated (1.4826 × MAD / √2) from the
// differences of consecutive block means over each hour, and never less
// than a floor.
// The jump's place within its two blocks is the split that best separates
// their means; the flag runs from the last sample before it to the first
// after.
//
// Thresholds, one per field component (Bx, By, Bz):
//   fence    k, 8 by default: a jump of 10 times the samples' noise at 10 Hz
//            is 30 of the block means' standard deviations;
//   floorNt  the least jump flagged, 0.5 nT by default.
//
// Units: the record's. Cost: O(samples), memory one double per block.

#include <array>
#include <cstdint>
#include <vector>

#include "processing/flags.h"
#include "record/record.h"

namespace kordel {

struct StepSettings {
    std::int64_t blockMs = 1'000;
    std::size_t sideBlocks = 5;
    std::array<double, 3> fence{8, 8, 8};
    std::array<double, 3> floorNt{0.5, 0.5, 0.5};
};

// Step flags of the first three channels of a finished record, source "auto".
std::vector<Flag> detectSteps(const Record& record, const StepSettings& settings, std::int64_t setMs);

}  // namespace kordel
