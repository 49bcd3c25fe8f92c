#include "processing/datalevel.h"

#include <algorithm>

#include "app/fixedformats.h"

namespace kordel {

namespace {

struct Range {
    std::int64_t from, to;
};

bool names(const Flag& f, const std::string& component) {
    return std::find(f.components.begin(), f.components.end(), component) != f.components.end();
}

std::vector<Range> rangesOf(std::span<const Flag> flags, const std::string& component, bool keep) {
    std::vector<Range> r;
    for (const Flag& f : flags) {
        const bool leaves = f.kind == FlagKind::Spike || f.kind == FlagKind::Remove;
        if ((keep ? f.kind == FlagKind::Keep : leaves) && names(f, component)) r.push_back({f.startMs, f.endMs});
    }
    std::sort(r.begin(), r.end(), [](const Range& a, const Range& b) { return a.from < b.from; });
    // Their union: overlapping ranges joined, so each time lies in at most one.
    std::vector<Range> joined;
    for (const Range& x : r) {
        if (!joined.empty() && x.from <= joined.back().to) {
            joined.back().to = std::max(joined.back().to, x.to);
        } else {
            joined.push_back(x);
        }
    }
    return joined;
}

bool covered(const std::vector<Range>& joined, std::int64_t t) {
    auto it = std::upper_bound(joined.begin(), joined.end(), t, [](std::int64_t v, const Range& r) { return v < r.from; });
    return it != joined.begin() && std::prev(it)->to >= t;
}

}  // namespace

std::string_view dataLevelName(DataLevel level) {
    switch (level) {
        case DataLevel::Raw: return "raw";
        case DataLevel::Cleaned: return "cleaned";
        case DataLevel::Corrected: return "corrected";
    }
    return "raw";
}

std::optional<DataLevel> parseDataLevel(std::string_view text) {
    for (const DataLevel l : {DataLevel::Raw, DataLevel::Cleaned, DataLevel::Corrected}) {
        if (text == dataLevelName(l)) return l;
    }
    return std::nullopt;
}

std::size_t leaveOutFlagged(Record& record, std::span<const Flag> flags) {
    std::size_t leftOut = 0;
    const auto times = record.times();
    for (std::size_t c = 0; c < record.channelCount(); ++c) {
        const std::string& name = record.channel(c).name;
        const std::vector<Range> out = rangesOf(flags, name, false);
        if (out.empty()) continue;
        const std::vector<Range> keep = rangesOf(flags, name, true);
        std::vector<std::int32_t> column(record.column(c).begin(), record.column(c).end());
        for (const Range& r : out) {
            for (std::size_t i = record.lowerBound(r.from); i < times.size() && times[i] <= r.to; ++i) {
                if (column[i] == Record::kMissing || covered(keep, times[i])) continue;
                column[i] = Record::kMissing;
                ++leftOut;
            }
        }
        record.replaceColumn(c, std::move(column));
    }
    return leftOut;
}

void applyDataLevel(Record& record, DataLevel level, std::span<const Flag> flags,
                    const TemperatureCorrection* correction) {
    if (level == DataLevel::Raw) return;
    leaveOutFlagged(record, flags);
    if (level == DataLevel::Corrected && correction) applyTemperatureCorrection(record, *correction);
}

std::string dataLevelText(DataLevel level, std::size_t leftOut, const TemperatureCorrection* correction) {
    if (level == DataLevel::Raw) return "Data level raw: as recorded, flags not applied.";
    std::string text = "Data level " + std::string(dataLevelName(level)) +
                       ": samples under spike or remove flags left out, written as 99999.00 (" +
                       std::to_string(leftOut) + " in the inputs).";
    if (level == DataLevel::Corrected && correction) {
        text += " Temperature correction taken off:";
        for (const auto& c : correction->components) {
            text += " " + c.component + " " + formatFixed(c.ts, 3) + " nT/C x (Ts - " + formatFixed(c.tsReference, 1) +
                    " C)";
            if (c.usesTe) text += " + " + formatFixed(c.te, 3) + " nT/C x (Te - " + formatFixed(c.teReference, 1) + " C)";
            text += ";";
        }
        text.back() = '.';
    }
    return text;
}

}  // namespace kordel
