#include "net/journal.h"

#include <algorithm>
#include <charconv>

#include "link/deviceline.h"

namespace kordel {

bool isDailyFileName(std::string_view name) {
    if (name.size() != 17 || !name.ends_with(".pc")) {
        return false;
    }
    return std::all_of(name.begin(), name.begin() + 14, [](char c) { return c >= '0' && c <= '9'; });
}

std::string nextDailyFile(const std::vector<std::string>& names, std::string_view current) {
    std::string best;
    for (const std::string& n : names) {
        if (isDailyFileName(n) && n > current && (best.empty() || n < best)) {
            best = n;
        }
    }
    return best;
}

std::string formatJournalPosition(const JournalPosition& p) {
    return p.file + ' ' + std::to_string(p.offset) + '\n';
}

std::optional<JournalPosition> parseJournalPosition(std::string_view text) {
    if (!text.ends_with('\n')) {
        return std::nullopt;
    }
    text.remove_suffix(1);
    const auto space = text.find(' ');
    if (space == std::string_view::npos) {
        return std::nullopt;
    }
    JournalPosition p;
    p.file = std::string(text.substr(0, space));
    const std::string_view number = text.substr(space + 1);
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), p.offset);
    // One way to write each offset: no leading zeros.
    if (!isDailyFileName(p.file) || number.empty() || ec != std::errc() || end != number.data() + number.size() ||
        (number.size() > 1 && number.front() == '0')) {
        return std::nullopt;
    }
    return p;
}

std::string formatJournalState(const JournalState& state) {
    std::string text = formatJournalPosition(state.committed);
    for (const JournalPosition& p : state.next) {
        text += formatJournalPosition(p);
    }
    return text;
}

std::optional<JournalState> parseJournalState(std::string_view text) {
    JournalState state;
    bool first = true;
    while (!text.empty()) {
        const auto lf = text.find('\n');
        if (lf == std::string_view::npos) {
            return std::nullopt;
        }
        const auto p = parseJournalPosition(text.substr(0, lf + 1));
        if (!p) {
            return std::nullopt;
        }
        if (first) {
            state.committed = *p;
            first = false;
        } else {
            state.next.push_back(*p);
        }
        text.remove_prefix(lf + 1);
    }
    if (first) {
        return std::nullopt;
    }
    return state;
}

namespace {

bool queued(const JournalState& state, std::string_view name) {
    return state.committed.file == name ||
           std::any_of(state.next.begin(), state.next.end(), [name](const JournalPosition& p) { return p.file == name; });
}

}  // namespace

JournalState planJournal(const std::optional<JournalState>& saved, bool damaged, std::vector<DailyFileInfo> files,
                         std::int64_t savedAtNs, std::vector<std::string>& notes) {
    std::erase_if(files, [](const DailyFileInfo& f) { return !isDailyFileName(f.name); });
    std::sort(files.begin(), files.end(), [](const DailyFileInfo& a, const DailyFileInfo& b) { return a.name < b.name; });
    JournalState state;
    if (saved) {
        state = *saved;
    } else if (damaged || files.empty()) {
        state.committed = {std::string(kBeforeFirstDailyFile), 0};
    } else {
        state.committed = {files.back().name, files.back().size};
        return state;
    }
    for (const DailyFileInfo& f : files) {
        if (f.name == state.committed.file && state.committed.offset > f.size) {
            // Past the end of the file: not this file's position. Its lines
            // go out again rather than being skipped.
            notes.push_back(f.name + " is shorter than the saved position " + std::to_string(state.committed.offset) +
                            "; sending it from its start");
            state.committed.offset = 0;
        }
    }
    for (const DailyFileInfo& f : files) {
        if (queued(state, f.name)) {
            continue;
        }
        if (f.name > state.committed.file) {
            state.next.push_back({f.name, 0});
        } else if (saved && f.modifiedNs > savedAtNs) {
            notes.push_back(f.name + " sorts before " + state.committed.file +
                            " (the instrument's clock set back?) and was written since; sending it");
            state.next.push_back({f.name, 0});
        }
    }
    return state;
}

std::uint64_t scanJournal(std::string_view bytes, std::uint64_t start, std::size_t maxLines,
                          std::vector<JournalLine>& out) {
    std::size_t segment = 0;  // first byte after the previous LF
    std::size_t taken = 0;
    while (taken < maxLines) {
        const std::size_t lf = bytes.find('\n', segment);
        if (lf == std::string_view::npos) {
            break;
        }
        if (lf + 1 - segment >= kDeviceLineLength) {
            const std::string_view candidate = bytes.substr(lf + 1 - kDeviceLineLength, kDeviceLineLength);
            DecodedSample scratch;
            if (isDeviceLine(candidate) && DecodeDeviceLine(candidate, scratch)) {
                out.push_back({candidate.substr(0, kDeviceLineLength - 2), start + lf + 1});
                ++taken;
            }
        }
        segment = lf + 1;
    }
    const std::size_t keep = kDeviceLineLength - 1;
    if (taken < maxLines && bytes.size() - segment > keep) {
        segment = bytes.size() - keep;
    }
    return start + segment;
}

bool AckWindow::acknowledged(int mid) {
    const auto it = std::find_if(entries_.begin(), entries_.end(), [mid](const Entry& e) { return e.mid == mid; });
    if (it == entries_.end()) {
        return false;
    }
    it->acked = true;
    bool moved = false;
    while (!entries_.empty() && entries_.front().acked) {
        committed_ = entries_.front().end;
        entries_.pop_front();
        moved = true;
    }
    return moved;
}

}  // namespace kordel
