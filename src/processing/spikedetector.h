#pragma once
// Automatic spike flags: samples that stand out from their neighbourhood for
// a moment and come back (a car passing, a lightning stroke, a damaged line
// that still decoded).
//
// The method is the Hampel identifier (Hampel 1974; Pearson, "Outliers in
// process modeling and identification", IEEE Trans. Control Systems
// Technology 10, 2002): a sample is an outlier when it lies further from the
// median of its window than a fence of k robust standard deviations, the
// standard deviation estimated as 1.4826 × the median absolute deviation
// (MAD) from that median. To keep a month of 10 Hz data within a second or
// two, the median and the MAD are taken over consecutive blocks of
// `windowMs` and drawn as straight lines between the blocks' centres (the
// slow field variation is followed, a spike moves neither); the noise being
// steadier than one block's MAD can tell, the scale of each block is the
// median of the MADs of the 15 blocks around it.
//
// An outlier becomes a spike flag when its run of consecutive outliers lasts
// at most `maxSpikeMs` and lies more than one window away from a step of the
// same component (stepdetector.h): a longer excursion is field, or a step,
// not a spike. Flags of the same time range on several components are one
// flag naming them all.
//
// Thresholds, one per field component (Bx, By, Bz; the first three channels):
//   fence    k in robust standard deviations, 4.2 by default: on Gaussian
//            noise about 3 samples in 100,000 pass it by chance, while a
//            sample 5 standard deviations off the field is still caught;
//   floorNt  the least deviation flagged, 0.1 nT by default: on a very quiet
//            record (the MAD a count or two of the 0.01 nT resolution) the
//            fence would otherwise shrink to the digitisation.
//
// Units: the record's (ms, values in nT). Cost: one pass over each
// component, two selections (nth_element) per block: O(samples); memory one
// block of values.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "processing/flags.h"
#include "record/record.h"

namespace kordel {

struct SpikeSettings {
    std::int64_t windowMs = 60'000;
    std::int64_t maxSpikeMs = 1'000;
    std::array<double, 3> fence{4.2, 4.2, 4.2};
    std::array<double, 3> floorNt{0.1, 0.1, 0.1};
};

// Spike flags of the first three channels of a finished record, source
// "auto", set at `setMs` (UT). `steps`: the step flags found in the same
// record (spikes are not looked for next to them).
std::vector<Flag> detectSpikes(const Record& record, const SpikeSettings& settings, std::span<const Flag> steps,
                               std::int64_t setMs);

// Flags that cover the same time range are merged into one naming all their
// components (in the order first met); sorted by start.
std::vector<Flag> mergeComponents(std::vector<Flag> flags);

}  // namespace kordel
