#pragma once
// The horizontal minute values of a record, as the activity computations take
// them: Bx and By of our data files, X and Y of an IAGA-2002 file, or its H
// and D (D in minutes of arc turned into X = H cos D and Y = H sin D; D in nT
// taken as Y).
//
// Minute values are the standard ones (the Gaussian minute filter over the
// samples, minute data as it is). Samples the filters have no table for
// (every 2 s, every 30 s, off the whole seconds) get plain means of each UT
// minute instead, and `plainMeans` says so.
//
// Cost: what the minute filter costs, and two values of 8 bytes per minute
// from the first sample's minute to the last's.

#include <cstdint>
#include <string>
#include <vector>

#include "record/record.h"

namespace kordel {

struct HorizontalInput {
    std::int64_t firstMinute = 0;  // minutes since 30 December 1899 UT
    std::vector<double> x, y;      // nT, NaN where missing
    bool plainMeans = false;
    std::string error;  // set when the record has no horizontal components
};

HorizontalInput horizontalMinutesOf(const Record& record);

}  // namespace kordel
