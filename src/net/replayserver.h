#pragma once
// The station's side of replay (see net/replay.h for the messages): answers
// watchers' requests from the daily files, a bounded amount at a time.
//
// What a remote party can make the station do is bounded: requests are taken
// at most kRequestBurst at once and one per kRequestIntervalMs after that (the
// rest are dropped unanswered and counted); at most kMaxReplays run at once
// (another is answered "busy"; a new request of the same id replaces that
// id's running one); one answer holds at most kMaxReplayLines lines (then
// "cut"); one step reads at most kReadBudget bytes of the files and makes at
// most one message of kMaxBatchEntries lines. The caller paces the steps (the
// publisher: one message every kStepMs, and only while its own live lines are
// all handed over), so live lines never wait behind a replay.
//
// File names come from the station's own folder listing; a name received is
// only compared with it.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "net/replay.h"

namespace kordel {

// The daily files in `folder` ("" for the working directory), with size and
// last change where `withStat`.
std::vector<DailyFileInfo> listDailyFiles(const std::string& folder, bool withStat);

class ReplayServer {
public:
    static constexpr int kMaxReplays = 4;
    static constexpr std::uint64_t kMaxReplayLines = 200'000;
    static constexpr int kRequestBurst = 5;
    static constexpr std::int64_t kRequestIntervalMs = 2000;
    static constexpr std::size_t kReadBudget = 1 << 20;
    static constexpr int kStepMs = 20;

    struct Message {
        std::string topic;
        std::string payload;
    };

    // `maxLines`: the span limit of one answer (tests make it small).
    ReplayServer(std::string folder, std::string station, std::uint64_t maxLines = kMaxReplayLines);

    // A message on kordel/<CODE>/replay/request. Answers due at once (busy,
    // unknown) go to `out`. False when it was dropped: not a request, or over
    // the rate.
    bool request(std::string_view payload, std::int64_t nowMs, std::vector<Message>& out);
    // The next answer message of the running replays, in turn; false when none runs.
    bool step(Message& out);
    bool running() const { return !replays_.empty(); }
    // Forgets the running replays (the broker went away: the watchers ask again).
    void clear() { replays_.clear(); }
    // Requests dropped since the last call.
    int takeDropped() { return std::exchange(dropped_, 0); }

private:
    struct Replay {
        std::string id;
        std::string topic;
        std::uint64_t number = 0;
        std::string since;  // "" or the time key lines must reach
        std::vector<ReplaySegment> segments;
        std::size_t segment = 0;
        std::uint64_t offset = 0;
        std::uint64_t sent = 0;
    };
    bool fill(Replay& replay, std::string& payload);

    std::string folder_;
    std::string topicPrefix_;
    std::vector<Replay> replays_;
    std::size_t turn_ = 0;
    RateLimit rate_{kRequestBurst, kRequestIntervalMs};
    int dropped_ = 0;
    std::uint64_t maxLines_;
    std::vector<JournalLine> scratch_;
    std::string buffer_;
};

}  // namespace kordel
