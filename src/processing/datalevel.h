#pragma once
// The levels of data a record can be shown, summarised and exported at, made
// from the recording without changing it:
//   raw        as recorded;
//   cleaned    the samples of a component under a spike or remove flag of
//              that component left out (missing), unless a keep flag of the
//              component covers them; step flags change nothing;
//   corrected  cleaned, minus the sensor's temperature correction.
// Statistics, minute values and exports made from the levelled record leave
// out what the level leaves out; a file writes those samples as missing
// (99999.00 in IAGA-2002).
//
// Units: the record's. Cost: one pass over the samples of each flagged
// component, O(samples + flags·log flags); the correction one pass over the
// field components.

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "processing/flags.h"
#include "processing/temperaturecorrection.h"
#include "record/record.h"

namespace kordel {

enum class DataLevel { Raw, Cleaned, Corrected };

std::string_view dataLevelName(DataLevel level);  // "raw", "cleaned", "corrected"
std::optional<DataLevel> parseDataLevel(std::string_view text);

// Leaves out of `record` what the flags leave out of the cleaned level;
// returns the number of values left out.
std::size_t leaveOutFlagged(Record& record, std::span<const Flag> flags);

// `record` (finished) brought to `level`. The corrected level needs a
// correction; without one it is the cleaned level.
void applyDataLevel(Record& record, DataLevel level, std::span<const Flag> flags,
                    const TemperatureCorrection* correction);

// One sentence for a file's header: which level, and what it left out or took off.
std::string dataLevelText(DataLevel level, std::size_t leftOut, const TemperatureCorrection* correction);

}  // namespace kordel
