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
    if (text.ends_with('\n')) {
        text.remove_suffix(1);
    }
    const auto space = text.find(' ');
    if (space == std::string_view::npos) {
        return std::nullopt;
    }
    JournalPosition p;
    p.file = std::string(text.substr(0, space));
    const std::string_view number = text.substr(space + 1);
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), p.offset);
    if (!isDailyFileName(p.file) || number.empty() || ec != std::errc() || end != number.data() + number.size()) {
        return std::nullopt;
    }
    return p;
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
