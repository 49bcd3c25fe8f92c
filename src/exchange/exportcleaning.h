#pragma once
// The cleaning steps of an export, over the folders its inputs lie in: the
// flags and the temperature correction each folder keeps beside its data
// files (src/processing), found, made and applied.
//
//   - flagSpikes: the spike and step detectors run over each folder's inputs;
//     the folder's earlier automatic flags within the span examined are
//     replaced, flags set by hand are kept, and an edit line says what changed;
//   - estimateTemperature: the coefficients from all inputs together (at the
//     cleaned level), stored as each folder's correction;
//   - levelInputs: the flags of every folder and the stored correction, for
//     bringing the merged record to a level.
// A folder that cannot be written keeps its files in the user's data folder
// (sidecarfile.h); every such case is said in the messages.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "processing/datalevel.h"
#include "processing/flags.h"
#include "processing/temperaturecorrection.h"

namespace kordel {

struct CleaningContext {
    std::string userDataFolder;  // where closed folders' files go
    std::string who;             // login name for the edit log
    std::int64_t nowMs = 0;      // UT
};

// The folders the inputs lie in (a folder given stands for itself), each once, in order.
std::vector<std::string> inputFolders(const std::vector<std::string>& inputs);

struct CleaningOutcome {
    bool ok = true;
    std::vector<std::string> messages;  // for standard error
    std::vector<std::string> lines;     // for standard output
};

CleaningOutcome flagSpikes(const std::vector<std::string>& inputs, const CleaningContext& context);

CleaningOutcome estimateTemperature(const std::vector<std::string>& inputs, const CleaningContext& context);

struct LevelInputs {
    std::vector<Flag> flags;                      // of all the folders
    std::optional<TemperatureCorrection> stored;  // the first folder's correction found
    std::vector<std::string> messages;
    bool ok = true;
};
LevelInputs levelInputs(const std::vector<std::string>& inputs, const CleaningContext& context);

// `record` (read from `inputs`, in the recording's clock) brought to `level`.
// At the corrected level, `given` coefficients (nT/°C of Ts for Bx, By, Bz,
// referred to the record's mean Ts) stand before the stored correction; with
// neither, or without Ts in the record, nothing is written and the messages
// say why. `levelText` is set for the file's header.
struct AppliedLevel {
    bool ok = true;
    std::vector<std::string> messages;
    std::string levelText;
};
AppliedLevel applyExportLevel(Record& record, DataLevel level, const std::vector<std::string>& inputs,
                              const CleaningContext& context, const std::optional<std::array<double, 3>>& given);

}  // namespace kordel
