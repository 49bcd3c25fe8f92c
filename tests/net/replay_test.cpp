// Replay from the journal without a broker: the messages' text, which lines a
// request asks for, which lines a watcher holds, the station's bounded answers
// read from daily files in a scratch folder, and the collector's copy of them.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <fcntl.h>
#include <sys/stat.h>

#include "files/safepath.h"
#include "net/replay.h"
#include "net/replayserver.h"
#include "net/stationcopy.h"

using namespace kordel;

namespace {

// A valid device line without CR LF (61 characters), second `s` of 10:20, Bx = s.
std::string text(int s, const char* day = "08") {
    std::string t = std::string("2026 12 ") + day + " 10 20 " + (s < 10 ? "0" : "") + std::to_string(s) + ".00 ";
    const std::string bx = std::to_string(s) + ".00";
    return t + std::string(8 - bx.size(), ' ') + bx + "     1.00     2.00  25.3  30.1";
}

std::string line(int s, const char* day = "08") { return text(s, day) + "\r\n"; }

std::string entry(const std::string& file, std::uint64_t offset, int s, const char* day = "08") {
    return file + ' ' + std::to_string(offset) + ' ' + text(s, day) + '\n';
}

std::string read(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(readRegularFile(path, bytes)) << path;
    return bytes;
}

void write(const std::string& path, const std::string& bytes, std::int64_t modifiedSeconds = 0) {
    int fd = -1;
    ASSERT_TRUE(openRegularForWriting(path, O_TRUNC, fd));
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
    if (modifiedSeconds != 0) {
        const struct timespec times[2] = {{modifiedSeconds, 0}, {modifiedSeconds, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }
}

}  // namespace

TEST(JournalEntries, ReadOnlyWholeEntriesOfValidLines) {
    struct Case {
        std::string text;
        std::size_t entries;  // 0 with `ok` false: refused
        bool ok;
    };
    const Case cases[] = {
        {entry("20261208102000.pc", 0, 1) + entry("20261208102000.pc", 63, 2), 2, true},
        {"", 0, true},
        {entry("20261208102000.pc", 0, 1).substr(0, 80), 0, false},           // no LF
        {"20261208102000.txt 0 " + text(1) + "\n", 0, false},                 // not a daily file
        {"../../etc/passwd00.pc 0 " + text(1) + "\n", 0, false},              // a path
        {"20261208102000.pc 063 " + text(1) + "\n", 0, false},                // leading zero
        {"20261208102000.pc -1 " + text(1) + "\n", 0, false},
        {"20261208102000.pc 0 " + text(1).substr(1) + "\n", 0, false},        // 60 characters
        {"20261208102000.pc 0 " + text(1, "32") + "\n", 0, false},            // day 32
        {"20261208102000.pc 0 " + text(1) + "\r\n", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<JournalEntry> out;
        EXPECT_EQ(parseJournalEntries(c.text, out), c.ok);
        if (c.ok) {
            EXPECT_EQ(out.size(), c.entries);
        }
    }
    std::string built;
    appendJournalEntry(built, "20261208102000.pc", 126, text(3));
    EXPECT_EQ(built, entry("20261208102000.pc", 126, 3));
    std::vector<JournalEntry> out;
    ASSERT_TRUE(parseJournalEntries(built, out));
    EXPECT_EQ(out, (std::vector<JournalEntry>{{"20261208102000.pc", 126, text(3)}}));
}

TEST(ReplayMessages, RequestsAndAnswersReadAsWritten) {
    const ReplayRequest since{"a1", 3, ReplayRequest::Kind::Since, "20261208100000", {}};
    const ReplayRequest after{"w-7_x", 12, ReplayRequest::Kind::After, "", {"20261207235959.pc", 630}};
    EXPECT_EQ(formatReplayRequest(since), "a1 3 since 20261208100000\n");
    EXPECT_EQ(formatReplayRequest(after), "w-7_x 12 after 20261207235959.pc 630\n");
    EXPECT_EQ(parseReplayRequest(formatReplayRequest(since)), since);
    EXPECT_EQ(parseReplayRequest(formatReplayRequest(after)), after);
    for (const char* bad : {"a1 3 since 20261208100000", "a1 3 since 2026120810000\n", "a/b 3 since 20261208100000\n",
                            "a+ 3 since 20261208100000\n", "a1 03 since 20261208100000\n", "a1 3 upto 20261208100000\n",
                            "a1 3 after ../x.pc 0\n", "a1 3 after 20261207235959.pc\n", "a1 3 after 20261207235959.pc 1 2\n",
                            "0123456789abcdef0123456789abcdefX 1 since 20261208100000\n", ""}) {
        EXPECT_FALSE(parseReplayRequest(bad)) << bad;
    }

    EXPECT_EQ(formatReplayEnd(4, ReplayAnswer::Kind::End), "4 end\n");
    EXPECT_EQ(formatReplayEnd(4, ReplayAnswer::Kind::Cut), "4 cut\n");
    EXPECT_EQ(formatReplayEnd(4, ReplayAnswer::Kind::Busy), "4 busy\n");
    EXPECT_EQ(formatReplayEnd(4, ReplayAnswer::Kind::Unknown), "4 unknown\n");
    const auto lines = parseReplayAnswer(replayAnswerHeader(9) + entry("20261208102000.pc", 0, 1));
    ASSERT_TRUE(lines);
    EXPECT_EQ(lines->number, 9u);
    EXPECT_EQ(lines->kind, ReplayAnswer::Kind::Lines);
    EXPECT_EQ(lines->entries.size(), 1u);
    const auto end = parseReplayAnswer("9 end\n");
    ASSERT_TRUE(end);
    EXPECT_EQ(end->kind, ReplayAnswer::Kind::End);
    for (const char* bad : {"9\n", "9 end", "9 done\n", "9 end\nx\n", "x end\n"}) {
        EXPECT_FALSE(parseReplayAnswer(bad)) << bad;
    }
    EXPECT_EQ(lineTimeKey(text(7)), "20261208102007");
}

TEST(ReplayPlan, SinceTakesTheDaysFromTheTimeOnAndAfterTheFilesWrittenSince) {
    const std::vector<DailyFileInfo> files = {
        {"20261206120000.pc", 630, 100}, {"20261207000000.pc", 630, 200}, {"20261208000000.pc", 630, 300},
        // Begun after the clock was set back: sorts first, written last.
        {"20261205090000.pc", 126, 400}, {"kordel-mqtt-X.position", 9, 500}};
    const auto since = planReplay({"a", 1, ReplayRequest::Kind::Since, "20261207153000", {}}, files);
    ASSERT_TRUE(since);
    EXPECT_EQ(*since, (std::vector<ReplaySegment>{{"20261207000000.pc", 0, 630}, {"20261208000000.pc", 0, 630}}));

    const auto after = planReplay({"a", 2, ReplayRequest::Kind::After, "", {"20261207000000.pc", 504}}, files);
    ASSERT_TRUE(after);
    EXPECT_EQ(*after, (std::vector<ReplaySegment>{{"20261207000000.pc", 504, 630},
                                                  {"20261208000000.pc", 0, 630},
                                                  {"20261205090000.pc", 0, 126}}));
    // An offset past the end (the file was replaced) reads nothing of it.
    const auto past = planReplay({"a", 3, ReplayRequest::Kind::After, "", {"20261205090000.pc", 9999}}, files);
    ASSERT_TRUE(past);
    EXPECT_EQ(*past, (std::vector<ReplaySegment>{{"20261205090000.pc", 126, 126}}));
    EXPECT_FALSE(planReplay({"a", 4, ReplayRequest::Kind::After, "", {"20261201000000.pc", 0}}, files));
}

TEST(LineCoverage, HoldsEachPlaceOnceAndCountsTheLinesBeforeIt) {
    LineCoverage c;
    const std::string f = "20261208102000.pc";
    struct Step {
        std::uint64_t offset;
        bool added;
    };
    // 0 and 63 follow each other; 200 lies past a damaged piece; 137 joins 200.
    const Step steps[] = {{0, true}, {63, true}, {0, false}, {200, true}, {63, false}, {137, true}, {200, false}};
    for (const Step& s : steps) {
        EXPECT_EQ(c.insert(f, s.offset), s.added) << s.offset;
    }
    EXPECT_EQ(c.format(), f + " 0 126\n" + f + " 137 263\n");
    EXPECT_EQ(c.linesBefore(f, 0), 0u);
    EXPECT_EQ(c.linesBefore(f, 126), 2u);
    EXPECT_EQ(c.linesBefore(f, 200), 3u);
    EXPECT_EQ(c.lineCount(f), 4u);
    EXPECT_EQ(c.lineCount("20261209000000.pc"), 0u);
    EXPECT_TRUE(c.contains(f, 137));
    EXPECT_FALSE(c.contains(f, 126));

    const auto again = LineCoverage::parse(c.format());
    ASSERT_TRUE(again);
    EXPECT_EQ(again->format(), c.format());
    for (const std::string& bad : {f + " 0 126", f + " 0 100\n", f + " 126 0\n", f + " 0 126\n" + f + " 126 189\n",
                                  std::string("x.pc 0 63\n"), f + " 00 63\n"}) {
        EXPECT_FALSE(LineCoverage::parse(bad)) << bad;
    }
    c.keepFirst(f, 3);
    EXPECT_EQ(c.format(), f + " 0 126\n" + f + " 137 200\n");
    c.keepFirst(f, 0);
    EXPECT_EQ(c.format(), "");
}

TEST(RateLimit, ABurstThenOneAnInterval) {
    RateLimit limit(2, 1000);
    const std::pair<std::int64_t, bool> steps[] = {{0, true},    {10, true},   {20, false},  {999, false},
                                                   {1000, true}, {1001, false}, {5000, true}, {5000, true},
                                                   {5000, false}};
    for (const auto& [now, taken] : steps) {
        EXPECT_EQ(limit.take(now), taken) << now;
    }
}

TEST(ReplayServer, AnswersFromTheFilesSkippingDamageAndBoundsWhatOthersCanAsk) {
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    const std::string a = "20261208102000.pc";
    const std::string b = "20261207102000.pc";  // written later, after the clock was set back
    write(folder + '/' + a, line(0) + "garbage\n" + line(1) + line(1) + "2026 12 08 10", 1000);
    write(folder + '/' + b, line(5, "07") + line(6, "07"), 2000);
    ReplayServer server(folder, "ST1");
    std::vector<ReplayServer::Message> now;
    ASSERT_TRUE(server.request("w1 1 after " + a + " 0\n", 0, now));
    EXPECT_TRUE(now.empty());
    ReplayServer::Message m;
    ASSERT_TRUE(server.step(m));
    EXPECT_EQ(m.topic, "kordel/ST1/replay/w1");
    // Two lines with the same bytes are two entries, at their own offsets.
    EXPECT_EQ(m.payload, "1\n" + entry(a, 0, 0) + entry(a, 71, 1) + entry(a, 134, 1) + entry(b, 0, 5, "07") +
                             entry(b, 63, 6, "07"));
    ASSERT_TRUE(server.step(m));
    EXPECT_EQ(m.payload, "1 end\n");
    EXPECT_FALSE(server.step(m));

    ASSERT_TRUE(server.request("w1 2 since 20261208102001\n", 0, now));
    ASSERT_TRUE(server.step(m));
    EXPECT_EQ(m.payload, "2\n" + entry(a, 71, 1) + entry(a, 134, 1));
    ASSERT_TRUE(server.step(m));
    EXPECT_EQ(m.payload, "2 end\n");

    ASSERT_TRUE(server.request("w2 1 after 20261101000000.pc 0\n", 0, now));
    ASSERT_EQ(now.size(), 1u);
    EXPECT_EQ(now[0].topic, "kordel/ST1/replay/w2");
    EXPECT_EQ(now[0].payload, "1 unknown\n");

    // The span limit: what is left is for a request after the last line.
    ReplayServer small(folder, "ST1", 2);
    ASSERT_TRUE(small.request("w1 3 after " + a + " 0\n", 0, now));
    ASSERT_TRUE(small.step(m));
    EXPECT_EQ(m.payload, "3\n" + entry(a, 0, 0) + entry(a, 71, 1));
    ASSERT_TRUE(small.step(m));
    EXPECT_EQ(m.payload, "3 cut\n");
    EXPECT_FALSE(small.running());

    // At most kMaxReplays at once; a new request of the same id replaces its own.
    now.clear();
    ReplayServer busy(folder, "ST1");
    for (int i = 0; i < ReplayServer::kMaxReplays; ++i) {
        ASSERT_TRUE(busy.request("w" + std::to_string(i) + " 1 since 20261201000000\n", i * 2000, now));
    }
    ASSERT_TRUE(busy.request("w0 2 since 20261201000000\n", 10'000, now));
    EXPECT_TRUE(now.empty());
    ASSERT_TRUE(busy.request("w9 1 since 20261201000000\n", 20'000, now));
    ASSERT_EQ(now.size(), 1u);
    EXPECT_EQ(now[0].payload, "1 busy\n");

    // More than the rate: dropped unanswered, and counted.
    now.clear();
    ReplayServer flooded(folder, "ST1");
    int taken = 0;
    for (int i = 0; i < 100; ++i) {
        taken += flooded.request("x 1 since 20261201000000\n", 0, now) ? 1 : 0;
    }
    EXPECT_EQ(taken, ReplayServer::kRequestBurst);
    EXPECT_FALSE(flooded.request("not a request", 60'000, now));
    EXPECT_EQ(flooded.takeDropped(), 100 - ReplayServer::kRequestBurst + 1);
    EXPECT_EQ(flooded.takeDropped(), 0);
}

TEST(StationCopy, KeepsEachLineOnceInTheFilesOrderAndStartsAgainFromItsState) {
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString() + "/ST1";
    const std::string a = "20261208102000.pc";
    std::vector<std::string> log;
    {
        StationCopy copy(folder, [&](const std::string& t) { log.push_back(t); });
        ASSERT_TRUE(copy.load());
        EXPECT_EQ(read(folder + "/kordel-collect.state"), "last none\n");
        EXPECT_TRUE(copy.add({a, 0, text(0)}));
        EXPECT_TRUE(copy.add({a, 134, text(2)}));
        EXPECT_FALSE(copy.add({a, 134, text(2)}));  // again: kept once
        EXPECT_TRUE(copy.add({a, 71, text(1)}));    // a gap filled late goes in its place
        EXPECT_FALSE(copy.add({"../x.pc", 0, text(3)}));
        EXPECT_FALSE(copy.add({"20261208102000.pc.tmp", 0, text(3)}));
        EXPECT_EQ(read(folder + '/' + a), line(0) + line(1) + line(2));
        copy.save();
        EXPECT_EQ(read(folder + "/kordel-collect.state"),
                  "last " + a + " 134\n" + a + " 0 63\n" + a + " 71 197\n");
    }
    // A crash after a line was written and before the state followed: the
    // line is cut off, to come again.
    write(folder + '/' + a, line(0) + line(1) + line(2) + line(3));
    write(folder + "/20261209000000.pc", line(4, "09"));
    {
        StationCopy copy(folder, [&](const std::string& t) { log.push_back(t); });
        ASSERT_TRUE(copy.load());
        EXPECT_EQ(read(folder + '/' + a), line(0) + line(1) + line(2));
        EXPECT_EQ(read(folder + "/20261209000000.pc"), "");
        ASSERT_TRUE(copy.last());
        EXPECT_EQ(*copy.last(), (JournalPosition{a, 134}));
        EXPECT_TRUE(copy.add({a, 197, text(3)}));
        EXPECT_EQ(read(folder + '/' + a), line(0) + line(1) + line(2) + line(3));
    }
    EXPECT_EQ(log, (std::vector<std::string>{a + ": 1 line(s) after the saved state cut off; asked for again",
                                             "20261209000000.pc: 1 line(s) after the saved state cut off; asked for again"}));

    // Daily files without a state are not this collector's: refused.
    const std::string foreign = dir.path().toStdString() + "/ST2";
    ASSERT_EQ(::mkdir(foreign.c_str(), 0755), 0);
    write(foreign + '/' + a, line(0));
    StationCopy other(foreign, [](const std::string&) {});
    const IoStatus refused = other.load();
    EXPECT_FALSE(refused);
    EXPECT_EQ(refused.message(), foreign + " holds daily files but no kordel-collect.state: they are not a copy this "
                                           "collector made; move them away or choose another folder");
    {
        // A file that cannot be written: said once, and the lines are to be
        // asked for again.
        std::vector<std::string> failures;
        StationCopy copy(folder, [&](const std::string& t) { failures.push_back(t); });
        ASSERT_TRUE(copy.load());
        const std::string blocked = "20261210000000.pc";
        ASSERT_EQ(::mkdir((folder + '/' + blocked).c_str(), 0755), 0);
        EXPECT_FALSE(copy.add({blocked, 0, text(1, "10")}));
        EXPECT_FALSE(copy.add({blocked, 63, text(2, "10")}));
        EXPECT_TRUE(copy.takeLost());
        EXPECT_FALSE(copy.takeLost());
        EXPECT_EQ(copy.coverage().lineCount(blocked), 0u);
        // The line added above without a save after it is cut off first.
        EXPECT_EQ(failures, (std::vector<std::string>{a + ": 1 line(s) after the saved state cut off; asked for again",
                                                      "Error: " + folder + '/' + blocked +
                                                      " is not a regular file; lines are lost from the copy until "
                                                      "writing works again"}));
        ASSERT_EQ(::rmdir((folder + '/' + blocked).c_str()), 0);
    }
    write(folder + "/kordel-collect.state", "last 20261208102000.pc 13");
    StationCopy damaged(folder, [](const std::string&) {});
    EXPECT_EQ(damaged.load().message(),
              folder + "/kordel-collect.state is damaged; move it and the copy's daily files away to start afresh");
}
