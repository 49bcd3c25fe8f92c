#include "net/replayserver.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "app/fd.h"
#include "files/safepath.h"
#include "link/deviceline.h"
#include "net/brokeraddress.h"

namespace kordel {

namespace {

std::int64_t nanoseconds(const struct timespec& t) { return std::int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec; }

constexpr std::size_t kBlock = 64 * 1024;

}  // namespace

std::vector<DailyFileInfo> listDailyFiles(const std::string& folder, bool withStat) {
    std::vector<DailyFileInfo> files;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) {
        return files;
    }
    while (const dirent* entry = ::readdir(dir)) {
        DailyFileInfo f;
        f.name = entry->d_name;
        if (!isDailyFileName(f.name)) {
            continue;
        }
        struct stat st {};
        if (withStat && ::fstatat(::dirfd(dir), entry->d_name, &st, 0) == 0) {
            f.size = static_cast<std::uint64_t>(st.st_size);
            f.modifiedNs = nanoseconds(st.st_mtim);
        }
        files.push_back(std::move(f));
    }
    ::closedir(dir);
    return files;
}

ReplayServer::ReplayServer(std::string folder, std::string station, std::uint64_t maxLines)
    : folder_(std::move(folder)), topicPrefix_("kordel/" + station + "/replay/"), maxLines_(maxLines) {}

bool ReplayServer::request(std::string_view payload, std::int64_t nowMs, std::vector<Message>& out) {
    const auto request = parseReplayRequest(payload);
    if (!request || !rate_.take(nowMs)) {
        ++dropped_;
        return false;
    }
    const std::string topic = topicPrefix_ + request->id;
    std::erase_if(replays_, [&](const Replay& r) { return r.id == request->id; });
    if (replays_.size() >= static_cast<std::size_t>(kMaxReplays)) {
        out.push_back({topic, formatReplayEnd(request->number, ReplayAnswer::Kind::Busy)});
        return true;
    }
    auto plan = planReplay(*request, listDailyFiles(folder_, true));
    if (!plan) {
        out.push_back({topic, formatReplayEnd(request->number, ReplayAnswer::Kind::Unknown)});
        return true;
    }
    Replay replay;
    replay.id = request->id;
    replay.topic = topic;
    replay.number = request->number;
    if (request->kind == ReplayRequest::Kind::Since) {
        replay.since = request->since;
    }
    replay.segments = std::move(*plan);
    replay.offset = replay.segments.empty() ? 0 : replay.segments.front().from;
    replays_.push_back(std::move(replay));
    return true;
}

bool ReplayServer::step(Message& out) {
    if (replays_.empty()) {
        return false;
    }
    turn_ %= replays_.size();
    Replay& replay = replays_[turn_];
    out.topic = replay.topic;
    out.payload = replayAnswerHeader(replay.number);
    const bool more = fill(replay, out.payload);
    if (out.payload.size() == replayAnswerHeader(replay.number).size()) {
        // Nothing (more) to send: the last message says how it ended.
        out.payload = formatReplayEnd(replay.number, more ? ReplayAnswer::Kind::Cut : ReplayAnswer::Kind::End);
        replays_.erase(replays_.begin() + static_cast<std::ptrdiff_t>(turn_));
        return true;
    }
    ++turn_;
    return true;
}

// Adds at most kMaxBatchEntries entries; true when the replay stopped at its
// span limit with lines left.
bool ReplayServer::fill(Replay& r, std::string& payload) {
    std::size_t count = 0;
    std::size_t budget = kReadBudget;
    while (count < kMaxBatchEntries && r.segment < r.segments.size() && budget > 0) {
        if (r.sent >= maxLines_) {
            return true;
        }
        const ReplaySegment& seg = r.segments[r.segment];
        const auto nextSegment = [&r] {
            if (++r.segment < r.segments.size()) {
                r.offset = r.segments[r.segment].from;
            }
        };
        if (r.offset >= seg.to) {
            nextSegment();
            continue;
        }
        const auto path = pathInside(folder_, seg.file);
        int fd = -1;
        if (!path || !openRegularForReading(*path, fd)) {
            nextSegment();  // gone since the listing
            continue;
        }
        const Fd file(fd);
        buffer_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, seg.to - r.offset)));
        const ssize_t n = ::pread(fd, buffer_.data(), buffer_.size(), static_cast<off_t>(r.offset));
        if (n <= 0) {
            nextSegment();
            continue;
        }
        budget -= std::min(budget, static_cast<std::size_t>(n));
        scratch_.clear();
        const std::size_t room =
            static_cast<std::size_t>(std::min<std::uint64_t>(kMaxBatchEntries - count, maxLines_ - r.sent));
        const std::uint64_t next =
            scanJournal(std::string_view(buffer_.data(), static_cast<std::size_t>(n)), r.offset, room, scratch_);
        for (const JournalLine& line : scratch_) {
            if (!r.since.empty() && lineTimeKey(line.text) < r.since) {
                continue;
            }
            appendJournalEntry(payload, seg.file, line.end - kDeviceLineLength, line.text);
            ++count;
            ++r.sent;
        }
        if (next == r.offset) {
            nextSegment();  // only a piece shorter than a line is left
        } else {
            r.offset = next;
        }
    }
    return r.sent >= maxLines_ && r.segment < r.segments.size();
}

}  // namespace kordel
