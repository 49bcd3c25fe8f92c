#include "net/replay.h"

#include <algorithm>
#include <charconv>

#include "link/deviceline.h"

namespace kordel {

namespace {

constexpr std::uint64_t kLine = kDeviceLineLength;  // 63 bytes with CR LF

// A decimal number without leading zeros, the whole of `text`.
std::optional<std::uint64_t> parseNumber(std::string_view text) {
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || (text.size() > 1 && text[0] == '0')) {
        return std::nullopt;
    }
    return value;
}

// Splits off the text up to the next blank (or all of it).
std::string_view word(std::string_view& text) {
    const auto blank = text.find(' ');
    const std::string_view w = text.substr(0, blank);
    text = blank == std::string_view::npos ? std::string_view() : text.substr(blank + 1);
    return w;
}

bool isTimeKey(std::string_view key) {
    return key.size() == 14 && std::all_of(key.begin(), key.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool isValidLineText(std::string_view line) {
    if (line.size() != kLine - 2) {
        return false;
    }
    std::string full(line);
    full += "\r\n";
    DecodedSample scratch;
    return isDeviceLine(full) && DecodeDeviceLine(full, scratch);
}

}  // namespace

void appendJournalEntry(std::string& out, std::string_view file, std::uint64_t offset, std::string_view line) {
    out += file;
    out += ' ';
    out += std::to_string(offset);
    out += ' ';
    out += line;
    out += '\n';
}

bool parseJournalEntries(std::string_view text, std::vector<JournalEntry>& out) {
    while (!text.empty()) {
        const auto lf = text.find('\n');
        if (lf == std::string_view::npos) {
            return false;
        }
        std::string_view rest = text.substr(0, lf);
        text.remove_prefix(lf + 1);
        const std::string_view file = word(rest);
        const auto offset = parseNumber(word(rest));
        if (!isDailyFileName(file) || !offset || !isValidLineText(rest)) {
            return false;
        }
        out.push_back({std::string(file), *offset, std::string(rest)});
    }
    return true;
}

bool isReplayId(std::string_view id) {
    return !id.empty() && id.size() <= 32 && std::all_of(id.begin(), id.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
           });
}

std::string formatReplayRequest(const ReplayRequest& r) {
    std::string text = r.id + ' ' + std::to_string(r.number);
    if (r.kind == ReplayRequest::Kind::Since) {
        text += " since " + r.since;
    } else {
        text += " after " + r.after.file + ' ' + std::to_string(r.after.offset);
    }
    return text + '\n';
}

std::optional<ReplayRequest> parseReplayRequest(std::string_view text) {
    if (text.size() > 200 || !text.ends_with('\n')) {
        return std::nullopt;
    }
    text.remove_suffix(1);
    ReplayRequest r;
    r.id = std::string(word(text));
    const auto number = parseNumber(word(text));
    const std::string_view kind = word(text);
    if (!isReplayId(r.id) || !number) {
        return std::nullopt;
    }
    r.number = *number;
    if (kind == "since") {
        r.kind = ReplayRequest::Kind::Since;
        r.since = std::string(text);
        return isTimeKey(r.since) ? std::optional(r) : std::nullopt;
    }
    if (kind == "after") {
        r.kind = ReplayRequest::Kind::After;
        r.after.file = std::string(word(text));
        const auto offset = parseNumber(text);
        if (!isDailyFileName(r.after.file) || !offset) {
            return std::nullopt;
        }
        r.after.offset = *offset;
        return r;
    }
    return std::nullopt;
}

std::string replayAnswerHeader(std::uint64_t number) { return std::to_string(number) + '\n'; }

std::string formatReplayEnd(std::uint64_t number, ReplayAnswer::Kind kind) {
    const char* word = "end";
    switch (kind) {
    case ReplayAnswer::Kind::Cut: word = "cut"; break;
    case ReplayAnswer::Kind::Busy: word = "busy"; break;
    case ReplayAnswer::Kind::Unknown: word = "unknown"; break;
    default: break;
    }
    return std::to_string(number) + ' ' + word + '\n';
}

std::optional<ReplayAnswer> parseReplayAnswer(std::string_view text) {
    const auto lf = text.find('\n');
    if (lf == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view head = text.substr(0, lf);
    ReplayAnswer answer;
    const auto number = parseNumber(word(head));
    if (!number) {
        return std::nullopt;
    }
    answer.number = *number;
    if (head.empty() && text.size() > lf + 1) {
        answer.kind = ReplayAnswer::Kind::Lines;
        if (!parseJournalEntries(text.substr(lf + 1), answer.entries)) {
            return std::nullopt;
        }
        return answer;
    }
    if (text.size() != lf + 1) {
        return std::nullopt;
    }
    if (head == "end") {
        answer.kind = ReplayAnswer::Kind::End;
    } else if (head == "cut") {
        answer.kind = ReplayAnswer::Kind::Cut;
    } else if (head == "busy") {
        answer.kind = ReplayAnswer::Kind::Busy;
    } else if (head == "unknown") {
        answer.kind = ReplayAnswer::Kind::Unknown;
    } else {
        return std::nullopt;
    }
    return answer;
}

std::string lineTimeKey(std::string_view line) {
    // "YYYY MM DD hh mm ss.ss ...": the digits of the date and the whole seconds.
    std::string key;
    for (const std::size_t at : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u, 11u, 12u, 14u, 15u, 17u, 18u}) {
        key += at < line.size() ? line[at] : '0';
    }
    return key;
}

std::optional<std::vector<ReplaySegment>> planReplay(const ReplayRequest& request, std::vector<DailyFileInfo> files) {
    std::erase_if(files, [](const DailyFileInfo& f) { return !isDailyFileName(f.name); });
    std::vector<ReplaySegment> plan;
    if (request.kind == ReplayRequest::Kind::Since) {
        // A daily file holds the lines of one day of the instrument's clock,
        // from the time in its name on.
        const std::string firstName = request.since.substr(0, 8) + "000000.pc";
        std::sort(files.begin(), files.end(), [](const DailyFileInfo& a, const DailyFileInfo& b) { return a.name < b.name; });
        for (const DailyFileInfo& f : files) {
            if (f.name >= firstName) {
                plan.push_back({f.name, 0, f.size});
            }
        }
        return plan;
    }
    const auto named = std::find_if(files.begin(), files.end(),
                                    [&](const DailyFileInfo& f) { return f.name == request.after.file; });
    if (named == files.end()) {
        return std::nullopt;
    }
    const DailyFileInfo start = *named;
    plan.push_back({start.name, std::min(request.after.offset, start.size), start.size});
    std::vector<DailyFileInfo> since;
    for (const DailyFileInfo& f : files) {
        if (f.name != start.name && f.modifiedNs >= start.modifiedNs) {
            since.push_back(f);
        }
    }
    std::sort(since.begin(), since.end(), [](const DailyFileInfo& a, const DailyFileInfo& b) {
        return a.modifiedNs != b.modifiedNs ? a.modifiedNs < b.modifiedNs : a.name < b.name;
    });
    for (const DailyFileInfo& f : since) {
        plan.push_back({f.name, 0, f.size});
    }
    return plan;
}

bool LineCoverage::contains(const std::string& file, std::uint64_t offset) const {
    const auto f = runs_.find(file);
    if (f == runs_.end()) {
        return false;
    }
    auto it = f->second.upper_bound(offset);
    if (it == f->second.begin()) {
        return false;
    }
    --it;
    return offset < it->second;
}

bool LineCoverage::insert(const std::string& file, std::uint64_t offset) {
    if (contains(file, offset)) {
        return false;
    }
    auto& runs = runs_[file];
    std::uint64_t start = offset;
    std::uint64_t end = offset + kLine;
    // Joins the run that ends where this line starts and the one that starts
    // where it ends.
    auto next = runs.lower_bound(offset);
    if (next != runs.begin()) {
        auto previous = std::prev(next);
        if (previous->second == offset) {
            start = previous->first;
            runs.erase(previous);
        }
    }
    if (next != runs.end() && next->first == end) {
        end = next->second;
        runs.erase(next);
    }
    runs[start] = end;
    return true;
}

std::uint64_t LineCoverage::linesBefore(const std::string& file, std::uint64_t offset) const {
    const auto f = runs_.find(file);
    if (f == runs_.end()) {
        return 0;
    }
    std::uint64_t lines = 0;
    for (const auto& [start, end] : f->second) {
        if (start >= offset) {
            break;
        }
        lines += (std::min(end, offset) - start + kLine - 1) / kLine;
    }
    return lines;
}

void LineCoverage::keepFirst(const std::string& file, std::uint64_t lines) {
    const auto f = runs_.find(file);
    if (f == runs_.end()) {
        return;
    }
    auto& runs = f->second;
    for (auto it = runs.begin(); it != runs.end();) {
        const std::uint64_t count = (it->second - it->first) / kLine;
        if (lines >= count) {
            lines -= count;
            ++it;
        } else if (lines > 0) {
            it->second = it->first + lines * kLine;
            lines = 0;
            ++it;
        } else {
            it = runs.erase(it);
        }
    }
    if (runs.empty()) {
        runs_.erase(f);
    }
}

std::string LineCoverage::format() const {
    std::string text;
    for (const auto& [file, runs] : runs_) {
        for (const auto& [start, end] : runs) {
            text += file + ' ' + std::to_string(start) + ' ' + std::to_string(end) + '\n';
        }
    }
    return text;
}

std::optional<LineCoverage> LineCoverage::parse(std::string_view text) {
    LineCoverage coverage;
    while (!text.empty()) {
        const auto lf = text.find('\n');
        if (lf == std::string_view::npos) {
            return std::nullopt;
        }
        std::string_view rest = text.substr(0, lf);
        text.remove_prefix(lf + 1);
        const std::string file(word(rest));
        const auto start = parseNumber(word(rest));
        const auto end = parseNumber(rest);
        if (!isDailyFileName(file) || !start || !end || *end <= *start || (*end - *start) % kLine != 0) {
            return std::nullopt;
        }
        auto& runs = coverage.runs_[file];
        // Runs in order, apart from each other.
        if (!runs.empty() && std::prev(runs.end())->second >= *start) {
            return std::nullopt;
        }
        runs[*start] = *end;
    }
    return coverage;
}

bool RateLimit::take(std::int64_t nowMs) {
    if (last_ == INT64_MIN) {
        last_ = nowMs;
    }
    if (nowMs > last_ && intervalMs_ > 0) {
        const std::int64_t earned = (nowMs - last_) / intervalMs_;
        if (earned > 0) {
            tokens_ = static_cast<int>(std::min<std::int64_t>(burst_, tokens_ + earned));
            last_ += earned * intervalMs_;
        }
    }
    if (tokens_ <= 0) {
        return false;
    }
    if (tokens_ == burst_) {
        last_ = nowMs;
    }
    --tokens_;
    return true;
}

}  // namespace kordel
