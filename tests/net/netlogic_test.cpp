// The network's plain logic: broker addresses, station codes and topics, the
// journal scan over daily file bytes, the position file and the window of
// lines waiting for the broker's acknowledgement.

#include <gtest/gtest.h>

#include "net/brokeraddress.h"
#include "net/journal.h"

using namespace kordel;

namespace {

// A valid device line with CR LF, second `s` of 10:20, Bx = s.
std::string deviceLine(int s) {
    std::string text = "2026 12 08 10 20 " + std::string(s < 10 ? "0" : "") + std::to_string(s) + ".00 ";
    std::string bx = std::to_string(s) + ".00";
    text += std::string(8 - bx.size(), ' ') + bx + "     1.00     2.00  25.3  30.1";
    return text + "\r\n";
}

}  // namespace

TEST(BrokerUrl, ReadsHostPortAndTls) {
    struct Case {
        const char* url;
        const char* host;
        int port;  // 0: refused
        bool tls;
    };
    const Case cases[] = {
        {"mqtt://broker.example.org", "broker.example.org", 1883, false},
        {"mqtts://10.0.0.5", "10.0.0.5", 8883, true},
        {"mqtt://127.0.0.1:18830", "127.0.0.1", 18830, false},
        {"mqtts://[::1]:8884", "::1", 8884, true},
        {"mqtt://[fe80::1]", "fe80::1", 1883, false},
        {"http://host", "", 0, false},
        {"mqtt://", "", 0, false},
        {"mqtt://host:", "", 0, false},
        {"mqtt://host:0", "", 0, false},
        {"mqtt://host:65536", "", 0, false},
        {"mqtt://host:12x", "", 0, false},
        {"mqtt://host/path", "", 0, false},
        {"mqtt://user@host", "", 0, false},
        {"mqtt://[::1]x", "", 0, false},
        {"MQTT://host", "", 0, false},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto a = parseBrokerUrl(c.url, error);
        if (c.port == 0) {
            EXPECT_FALSE(a.has_value()) << c.url;
            EXPECT_FALSE(error.empty()) << c.url;
            continue;
        }
        ASSERT_TRUE(a.has_value()) << c.url << ": " << error;
        EXPECT_EQ(a->host, c.host);
        EXPECT_EQ(a->port, c.port);
        EXPECT_EQ(a->tls, c.tls);
    }
    std::string error;
    EXPECT_EQ(brokerUrlText(*parseBrokerUrl("mqtts://[::1]", error)), "mqtts://[::1]:8883");
}

TEST(StationCode, LettersDigitsDashAndUnderscoreMakeOneTopicLevel) {
    for (const char* good : {"A", "HUT-7", "obs_north", "x1", "0123456789"}) {
        EXPECT_TRUE(isValidStationCode(good)) << good;
    }
    for (const char* bad : {"", "a/b", "+", "#", "a b", "été", "..", "a\nb"}) {
        EXPECT_FALSE(isValidStationCode(bad)) << bad;
    }
    EXPECT_TRUE(isValidStationCode(std::string(64, 'a')));
    EXPECT_FALSE(isValidStationCode(std::string(65, 'a')));
    EXPECT_EQ(lineTopic("HUT-7"), "kordel/HUT-7/line");
    EXPECT_EQ(stateTopic("HUT-7"), "kordel/HUT-7/state");
}

TEST(Journal, DailyFilesFollowInNameOrder) {
    const std::vector<std::string> names = {"20261208102030.pc", "kordel.log", "20261207235959.pc",
                                            "2026120810203.pc", "20261209000000.pc", "x0261208102030.pc"};
    EXPECT_EQ(nextDailyFile(names, ""), "20261207235959.pc");
    EXPECT_EQ(nextDailyFile(names, "20261207235959.pc"), "20261208102030.pc");
    EXPECT_EQ(nextDailyFile(names, "20261208102030.pc"), "20261209000000.pc");
    EXPECT_EQ(nextDailyFile(names, "20261209000000.pc"), "");
}

TEST(Journal, PositionFileReadsOnlyWhatItWrote) {
    const JournalPosition p{"20261208102030.pc", 1234};
    EXPECT_EQ(formatJournalPosition(p), "20261208102030.pc 1234\n");
    EXPECT_EQ(parseJournalPosition("20261208102030.pc 1234\n"), p);
    for (const char* bad : {"", "20261208102030.pc", "20261208102030.pc -1\n", "20261208102030.pc 12a\n",
                            "../etc/passwd 0\n", "20261208102030.pc \n", "20261208102030.pc 123",
                            "20261208102030.pc 1234\r\n", "20261208102030.pc 01234\n"}) {
        EXPECT_FALSE(parseJournalPosition(bad).has_value()) << bad;
    }
}

TEST(Journal, ScanFindsValidLinesAndSkipsDamagedPieces) {
    const std::string l1 = deviceLine(1), l2 = deviceLine(2), l3 = deviceLine(3);
    std::string invalid = deviceLine(4);
    invalid.replace(11, 2, "24");  // hour 24
    // A short piece cut by a lost byte, a 63-byte piece out of step, an invalid
    // line, and a line that has not ended yet.
    const std::string bytes = l1 + "2026 12 08 10\r\n" + l2 + std::string(63, 'x') + invalid + l3 + l1.substr(0, 30);
    struct Case {
        std::size_t maxLines;
        std::vector<std::string> lines;
        std::vector<std::uint64_t> ends;
        std::uint64_t next;
    };
    const std::uint64_t start = 1000;
    const std::uint64_t endL1 = start + 63, endL2 = endL1 + 15 + 63, endL3 = endL2 + 63 + 63 + 63;
    const Case cases[] = {
        {10, {l1.substr(0, 61), l2.substr(0, 61), l3.substr(0, 61)}, {endL1, endL2, endL3}, endL3},
        {2, {l1.substr(0, 61), l2.substr(0, 61)}, {endL1, endL2}, endL2},
        {0, {}, {}, start},
    };
    for (const Case& c : cases) {
        std::vector<JournalLine> out;
        EXPECT_EQ(scanJournal(bytes, start, c.maxLines, out), c.next) << c.maxLines;
        ASSERT_EQ(out.size(), c.lines.size());
        for (std::size_t i = 0; i < out.size(); ++i) {
            EXPECT_EQ(out[i].text, c.lines[i]);
            EXPECT_EQ(out[i].end, c.ends[i]);
        }
    }
}

TEST(Journal, ALongStretchWithoutLineEndsKeepsOnlyWhatCouldStartALine) {
    const std::string noise(5000, 'z');
    std::vector<JournalLine> out;
    EXPECT_EQ(scanJournal(noise, 0, 10, out), 5000 - 62);
    // The line that follows is found from there.
    const std::string tail = noise.substr(0, 62) + deviceLine(7);  // the lines found point into it
    EXPECT_EQ(scanJournal(tail, 4938, 10, out), 4938 + 62 + 63);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].text, deviceLine(7).substr(0, 61));
}

TEST(AckWindowTest, CommitsTheLongestAcknowledgedRunFromTheOldest) {
    AckWindow w(3);
    w.setCommitted({"20261208102030.pc", 0});
    w.sent(11, {"20261208102030.pc", 63});
    w.sent(12, {"20261208102030.pc", 126});
    w.sent(13, {"20261209000000.pc", 63});
    EXPECT_TRUE(w.full());
    EXPECT_FALSE(w.acknowledged(12));  // the oldest is still out
    EXPECT_EQ(w.committed(), (JournalPosition{"20261208102030.pc", 0}));
    EXPECT_FALSE(w.acknowledged(99));  // an id of no line
    EXPECT_TRUE(w.acknowledged(11));
    EXPECT_EQ(w.committed(), (JournalPosition{"20261208102030.pc", 126}));
    EXPECT_EQ(w.inFlight(), 1u);
    EXPECT_FALSE(w.full());
    EXPECT_TRUE(w.acknowledged(13));
    EXPECT_EQ(w.committed(), (JournalPosition{"20261209000000.pc", 63}));
    EXPECT_EQ(w.inFlight(), 0u);
}

TEST(Journal, StateFileIsTakenOnlyWhole) {
    const JournalState state{{"20261208102030.pc", 630}, {{"20261209000000.pc", 0}, {"20261207000000.pc", 126}}};
    const std::string text = "20261208102030.pc 630\n20261209000000.pc 0\n20261207000000.pc 126\n";
    EXPECT_EQ(formatJournalState(state), text);
    EXPECT_EQ(parseJournalState(text), state);
    // Cut anywhere, or with a CR LF, it is not a state: nothing is read from it.
    for (std::size_t cut = 0; cut < text.size(); ++cut) {
        const std::string part = text.substr(0, cut);
        const auto parsed = parseJournalState(part);
        if (parsed) {
            EXPECT_TRUE(part.ends_with('\n')) << part;
            EXPECT_EQ(formatJournalState(*parsed), part);
        }
    }
    for (const char* bad : {"", "\n", "20261208102030.pc 630\r\n", "20261208102030.pc 630\n\n",
                            "20261208102030.pc 630\nkordel.log 0\n"}) {
        EXPECT_FALSE(parseJournalState(bad).has_value()) << bad;
    }
}

TEST(Journal, PlanStartsWhereNothingIsLost) {
    const std::vector<DailyFileInfo> files = {{"20261208000000.pc", 6300, 100},
                                              {"20261207000000.pc", 630, 300},  // written after the save at 200
                                              {"20261206000000.pc", 630, 50},
                                              {"20261209000000.pc", 126, 150},
                                              {"kordel.log", 10, 400}};
    struct Case {
        const char* what;
        std::optional<JournalState> saved;
        bool damaged;
        std::vector<DailyFileInfo> files;
        JournalState expected;
        std::size_t notes;
    };
    const Case cases[] = {
        {"first start: the end of the newest file", std::nullopt, false, files, {{"20261209000000.pc", 126}, {}}, 0},
        {"first start without files: before the first", std::nullopt, false, {}, {{"00000000000000.pc", 0}, {}}, 0},
        {"damaged: every file from the oldest", std::nullopt, true, files,
         {{"00000000000000.pc", 0},
          {{"20261206000000.pc", 0}, {"20261207000000.pc", 0}, {"20261208000000.pc", 0}, {"20261209000000.pc", 0}}},
         0},
        {"saved: the later files, and an earlier one written since", JournalState{{"20261208000000.pc", 630}, {}}, false,
         files, {{"20261208000000.pc", 630}, {{"20261207000000.pc", 0}, {"20261209000000.pc", 0}}}, 1},
        {"saved queue kept first, no file twice",
         JournalState{{"20261208000000.pc", 630}, {{"20261207000000.pc", 63}}}, false, files,
         {{"20261208000000.pc", 630}, {{"20261207000000.pc", 63}, {"20261209000000.pc", 0}}}, 0},
        {"a position past the file's end: the file again", JournalState{{"20261209000000.pc", 999}, {}}, false, files,
         {{"20261209000000.pc", 0}, {{"20261207000000.pc", 0}}}, 2},
    };
    for (const Case& c : cases) {
        std::vector<std::string> notes;
        EXPECT_EQ(planJournal(c.saved, c.damaged, c.files, 200, notes), c.expected) << c.what;
        EXPECT_EQ(notes.size(), c.notes) << c.what;
    }
}
