#include "exchange/exportcleaning.h"

#include <algorithm>
#include <filesystem>

#include "exchange/exportinput.h"
#include "processing/datalevel.h"
#include "processing/sidecarfile.h"
#include "processing/spikedetector.h"
#include "processing/stepdetector.h"

namespace kordel {

namespace {

std::string folderOf(const std::string& input) {
    std::error_code ec;
    if (std::filesystem::is_directory(input, ec)) return input;
    const std::filesystem::path parent = std::filesystem::path(input).parent_path();
    return parent.empty() ? "." : parent.string();
}

SidecarPlace placeOf(const std::string& folder, std::string_view name, const CleaningContext& context,
                     std::vector<std::string>& messages) {
    SidecarPlace place = sidecarPlace(folder, name, context.userDataFolder);
    if (place.fallback) {
        messages.push_back(folder + " cannot be written: its " + std::string(name) + " is kept as " + place.path);
    }
    return place;
}

// The inputs that lie in `folder`.
std::vector<std::string> inputsIn(const std::vector<std::string>& inputs, const std::string& folder) {
    std::vector<std::string> in;
    for (const auto& i : inputs) {
        if (folderOf(i) == folder) in.push_back(i);
    }
    return in;
}

bool readFlags(const std::string& path, FlagSet& set, std::vector<std::string>& messages) {
    FlagParseResult read;
    if (IoStatus s = readFlagFile(path, read); !s) {
        messages.push_back(s.message());
        return false;
    }
    for (const auto& p : read.problems) messages.push_back(path + ": " + p + " (line skipped)");
    set = std::move(read.set);
    return true;
}

}  // namespace

std::vector<std::string> inputFolders(const std::vector<std::string>& inputs) {
    std::vector<std::string> folders;
    for (const auto& i : inputs) {
        const std::string f = folderOf(i);
        if (std::find(folders.begin(), folders.end(), f) == folders.end()) folders.push_back(f);
    }
    return folders;
}

CleaningOutcome flagSpikes(const std::vector<std::string>& inputs, const CleaningContext& context) {
    CleaningOutcome out;
    for (const std::string& folder : inputFolders(inputs)) {
        ExportInput input = readExportInputs(inputsIn(inputs, folder));
        out.messages.insert(out.messages.end(), input.messages.begin(), input.messages.end());
        if (input.status != ExportInput::Status::Read) out.ok = false;
        const Record& r = input.record;
        if (r.empty() || r.channelCount() < 3) continue;
        const SidecarPlace place = placeOf(folder, kFlagFileName, context, out.messages);
        FlagSet set;
        if (!readFlags(place.path, set, out.messages)) {
            out.ok = false;  // an unreadable file is never overwritten
            continue;
        }
        const std::int64_t from = r.timeMs(0), to = r.timeMs(r.size() - 1);
        const std::size_t replaced = set.removeIf([&](const Flag& f) {
            return f.source == "auto" && (f.kind == FlagKind::Spike || f.kind == FlagKind::Step) && f.endMs >= from &&
                   f.startMs <= to;
        });
        std::vector<Flag> steps = detectSteps(r, {}, context.nowMs);
        std::vector<Flag> spikes = detectSpikes(r, {}, steps, context.nowMs);
        const std::size_t nSpikes = spikes.size(), nSteps = steps.size();
        steps.insert(steps.end(), std::make_move_iterator(spikes.begin()), std::make_move_iterator(spikes.end()));
        const std::string what = "kordel-export --flag-spikes: " + std::to_string(nSpikes) + " spike and " +
                                 std::to_string(nSteps) + " step flags from " + isoTime(from, false) + " to " +
                                 isoTime(to, false) + ", " + std::to_string(replaced) +
                                 " earlier automatic flags replaced";
        set.add(std::move(steps), context.who, context.nowMs, what);
        if (IoStatus s = writeFlagFile(place.path, set); !s) {
            out.messages.push_back(s.message());
            out.ok = false;
            continue;
        }
        out.lines.push_back(place.path + ": " + std::to_string(nSpikes) + " spike and " + std::to_string(nSteps) +
                            " step flags (" + std::to_string(replaced) + " earlier automatic flags replaced)");
    }
    return out;
}

LevelInputs levelInputs(const std::vector<std::string>& inputs, const CleaningContext& context) {
    LevelInputs out;
    for (const std::string& folder : inputFolders(inputs)) {
        const SidecarPlace flagPlace = sidecarPlace(folder, kFlagFileName, context.userDataFolder);
        FlagSet set;
        if (!readFlags(flagPlace.path, set, out.messages)) out.ok = false;
        out.flags.insert(out.flags.end(), set.flags.begin(), set.flags.end());
        if (out.stored) continue;
        const SidecarPlace place = sidecarPlace(folder, kTemperatureFileName, context.userDataFolder);
        bool missing = false;
        if (IoStatus s = readTemperatureFile(place.path, out.stored, missing); !s) {
            out.messages.push_back(s.message());
            out.ok = false;
        }
    }
    return out;
}

CleaningOutcome estimateTemperature(const std::vector<std::string>& inputs, const CleaningContext& context) {
    CleaningOutcome out;
    ExportInput input = readExportInputs(inputs);
    out.messages = input.messages;
    if (input.status != ExportInput::Status::Read) out.ok = false;
    if (input.status == ExportInput::Status::Usage || input.record.empty()) return out.ok = false, out;
    LevelInputs level = levelInputs(inputs, context);
    out.messages.insert(out.messages.end(), level.messages.begin(), level.messages.end());
    if (!level.ok) return out.ok = false, out;
    leaveOutFlagged(input.record, level.flags);
    const TemperatureEstimate e = estimateTemperatureCorrection(input.record, context.nowMs);
    if (!e.correction) {
        out.messages.push_back(e.problem);
        out.ok = false;
        return out;
    }
    for (const auto& c : e.correction->components) out.lines.push_back(coefficientLine(c, e.correction->days.size()));
    for (const std::string& folder : inputFolders(inputs)) {
        const SidecarPlace place = placeOf(folder, kTemperatureFileName, context, out.messages);
        if (IoStatus s = writeTemperatureFile(place.path, *e.correction); !s) {
            out.messages.push_back(s.message());
            out.ok = false;
        }
    }
    return out;
}

AppliedLevel applyExportLevel(Record& record, DataLevel level, const std::vector<std::string>& inputs,
                              const CleaningContext& context, const std::optional<std::array<double, 3>>& given) {
    AppliedLevel out;
    if (level == DataLevel::Raw) {
        out.levelText = dataLevelText(level, 0, nullptr);
        return out;
    }
    LevelInputs in = levelInputs(inputs, context);
    out.messages = std::move(in.messages);
    if (!in.ok) return out.ok = false, out;
    const std::size_t leftOut = leaveOutFlagged(record, in.flags);
    std::optional<TemperatureCorrection> correction;
    if (level == DataLevel::Corrected) {
        const auto ts = record.findChannel("Ts");
        if (!ts) {
            out.messages.push_back("the corrected level needs the sensor temperature Ts, which these inputs lack");
            return out.ok = false, out;
        }
        if (given) {
            double sum = 0;
            std::size_t n = 0;
            for (std::size_t i = 0; i < record.size(); ++i) {
                if (!record.isMissing(*ts, i)) sum += record.value(*ts, i), ++n;
            }
            const double reference = n ? sum / static_cast<double>(n) : 0.0;
            correction.emplace();
            correction->source = "given";
            const char* names[3] = {"Bx", "By", "Bz"};
            for (std::size_t c = 0; c < 3; ++c) correction->components.push_back({names[c], (*given)[c], 0.0, reference});
        } else if (in.stored) {
            correction = in.stored;
        } else {
            out.messages.push_back("no temperature correction is stored for these inputs: run kordel-export "
                                   "--estimate-temperature, or give --temperature-coefficients BX,BY,BZ");
            return out.ok = false, out;
        }
        applyTemperatureCorrection(record, *correction);
    }
    out.levelText = dataLevelText(level, leftOut, correction ? &*correction : nullptr);
    return out;
}

}  // namespace kordel
