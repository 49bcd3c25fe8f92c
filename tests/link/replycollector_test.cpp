// The reply collector: counts, log texts, the twelfth-byte rule, and what the
// status and date-and-time replies say.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/replycollector.h"

using namespace kordel;
using Outcome = CollectResult::Outcome;

namespace {

std::string bytes(std::initializer_list<int> values) {
    std::string s;
    for (const int v : values) s += static_cast<char>(v);
    return s;
}

// A status reply: averaging interval, mode, GPS and save target in bytes 7, 9,
// 10 and 11; the rest as the instrument fills it.
std::string status(int average, int mode, int gps, int target) {
    return bytes({0x53, 1, 2, 3, 4, 5, average, 8, mode, gps, target});
}

ReplyCollector collected(ReplyKind kind, const std::string& reply) {
    ReplyCollector c;
    std::uint16_t count = 0;
    EXPECT_EQ(c.collect(kind, count, reply).outcome, Outcome::Complete);
    return c;
}

}  // namespace

TEST(ReplyCollector, EachEventIsLoggedWithTheCountSoFar) {
    struct Step {
        std::string bytes;
        Outcome outcome;
        std::string log;
        std::uint16_t countAfter;
    };
    struct Case {
        const char* what;
        ReplyKind kind;
        std::vector<Step> steps;
    };
    const std::vector<Case> cases = {
        {"status as 4 + 7 bytes",
         ReplyKind::Status,
         {{bytes({0x53, 0, 0, 0}), Outcome::Waiting, "From Kordel: 53 00 00 00 , i83=4", 4},
          {bytes({0, 0, 10, 0, 0x81, 1, 0}), Outcome::Complete, "From Kordel: 00 00 0A 00 81 01 00 , i83=11", 0}}},
        {"save target in pieces",
         ReplyKind::SaveTarget,
         {{bytes({0x0A, 0x1F}), Outcome::Waiting, "From Kordel: 0A 1F , i82=2", 2},
          {std::string(8, '\0'), Outcome::Waiting, "From Kordel: 00 00 00 00 00 00 00 00 , i82=10", 10},
          {bytes({0xFF}), Outcome::Complete, "From Kordel: FF , i82=11", 0}}},
        {"date and time as 6 + 2 bytes",
         ReplyKind::DateTime,
         {{bytes({0x31, 0x05, 0x22, 0x10, 0x20, 0x30}), Outcome::Waiting,
           "From Kordel: Datetime= 31 05 22 10 20 30 , i51=6", 6},
          {bytes({0x07, 0x20}), Outcome::Complete, "From Kordel: Datetime= 07 20 , i51=8", 0}}},
        {"date and time of 10 bytes in one event",
         ReplyKind::DateTime,
         {{bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), Outcome::TooLong,
           "From Kordel: Datetime= 01 02 03 04 05 06 07 08 09 0A , i51=10", 0}}},
        {"date and time of 6 + 5 bytes",
         ReplyKind::DateTime,
         {{bytes({1, 2, 3, 4, 5, 6}), Outcome::Waiting, "From Kordel: Datetime= 01 02 03 04 05 06 , i51=6", 6},
          {bytes({7, 8, 9, 10, 11}), Outcome::TooLong, "From Kordel: Datetime= 07 08 09 0A 0B , i51=11", 0}}},
        {"status of 12 bytes in one event",
         ReplyKind::Status,
         {{std::string(12, '\x01'), Outcome::Overrun, "", 0}}},
        {"status whose second event brings the twelfth byte",
         ReplyKind::Status,
         {{std::string(4, '\x01'), Outcome::Waiting, "From Kordel: 01 01 01 01 , i83=4", 4},
          {std::string(8, '\x02'), Outcome::Overrun, "", 4}}},
        {"date and time whose second event brings the twelfth byte",
         ReplyKind::DateTime,
         {{std::string(6, '\x01'), Outcome::Waiting, "From Kordel: Datetime= 01 01 01 01 01 01 , i51=6", 6},
          {std::string(6, '\x02'), Outcome::Overrun, "", 6}}},
        {"save target of many bytes",
         ReplyKind::SaveTarget,
         {{std::string(10240, '\x03'), Outcome::Overrun, "", 0}}},
    };
    for (const Case& c : cases) {
        ReplyCollector collector;
        std::uint16_t count = 0;
        int n = 0;
        for (const Step& s : c.steps) {
            const CollectResult r = collector.collect(c.kind, count, s.bytes);
            ++n;
            EXPECT_EQ(r.outcome, s.outcome) << c.what << ", event " << n;
            EXPECT_EQ(r.logText, s.log) << c.what << ", event " << n;
            EXPECT_EQ(count, s.countAfter) << c.what << ", event " << n;
        }
    }
}

TEST(ReplyCollector, BytesUpToTheTwelfthAreStoredEvenWhenTheEventOverruns) {
    // The buffer is shared and never cleared: what an overrun brought stays in it.
    ReplyCollector c;
    std::uint16_t count = 0;
    c.collect(ReplyKind::Status, count, bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}));
    for (int n = 1; n <= 11; ++n) {
        EXPECT_EQ(c.byte(n), n);
    }
    count = 0;
    c.collect(ReplyKind::DateTime, count, bytes({0x21, 0x22}));
    EXPECT_EQ(c.byte(1), 0x21);
    EXPECT_EQ(c.byte(2), 0x22);
    EXPECT_EQ(c.byte(3), 3);
}

TEST(ReplyCollector, ReplyLengths) {
    EXPECT_EQ(replyLength(ReplyKind::DateTime), 8);
    EXPECT_EQ(replyLength(ReplyKind::SaveTarget), 11);
    EXPECT_EQ(replyLength(ReplyKind::Status), 11);
}

TEST(ReplyCollector, TheDateTextReadsTheBcdBytesAsDigits) {
    struct Case {
        std::string reply;
        const char* text;
    };
    const std::vector<Case> cases = {
        {bytes({0x31, 0x05, 0x22, 0x10, 0x20, 0x30, 0x07, 0x20}), "2007-05-22  10:20:30"},
        // Only the low five bits of the month and six of the day count.
        {bytes({0x31, 0x85, 0x22, 0x10, 0x20, 0x30, 0x07, 0x20}), "2007-05-22  10:20:30"},
        {bytes({0x31, 0xF2, 0xF1, 0x23, 0x59, 0x59, 0x99, 0x19}), "1999-12-31  23:59:59"},
        {bytes({0x00, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x20}), "2000-01-01  00:00:00"},
        // Bytes that are no BCD are shown as they are.
        {bytes({0x00, 0x1F, 0x3F, 0xAB, 0xCD, 0xEF, 0xFF, 0xFF}), "FFFF-1F-3F  AB:CD:EF"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(dateTimeText(collected(ReplyKind::DateTime, c.reply)), c.text);
    }
}

TEST(ReplyCollector, TheStatusReplySaysModeGpsAverageAndSaveTarget) {
    struct Case {
        std::string reply;
        const char* mode;
        bool off;
        const char* gps;
        const char* average;
        const char* target;
        bool flash;
    };
    const std::vector<Case> cases = {
        {status(10, 0x81, 1, 0), "Mode Var", false, "GPS is on.", "Average =10", "Save data: PC", false},
        {status(1, 0x05, 2, 2), "Mode OFF", true, "GPS is off.", "Average =1", "Save data: PC+Flash", true},
        {status(0, 0x80, 0, 1), "Mode Total", false, "GPS is off.", "Average =0", "Save data: PC+Flash", true},
        {status(255, 0x82, 1, 0), "Mode Comp", false, "GPS is on.", "Average =255", "Save data: PC", false},
        {status(60, 0x83, 0xFF, 0xFF), "Mode Record", false, "GPS is off.", "Average =60", "Save data: PC+Flash",
         true},
        // Bit 7 decides OFF; with it set, only bits 0 and 1 give the mode.
        {status(0x10, 0x7F, 1, 0), "Mode OFF", true, "GPS is on.", "Average =16", "Save data: PC", false},
        {status(2, 0x00, 1, 0), "Mode OFF", true, "GPS is on.", "Average =2", "Save data: PC", false},
        {status(2, 0xFD, 1, 0), "Mode Var", false, "GPS is on.", "Average =2", "Save data: PC", false},
    };
    for (const Case& c : cases) {
        const StatusInfo s = decodeStatus(collected(ReplyKind::Status, c.reply));
        const unsigned mode = static_cast<unsigned char>(c.reply[8]);
        EXPECT_EQ(s.modeText, c.mode) << mode;
        EXPECT_EQ(s.modeOff, c.off) << mode;
        EXPECT_EQ(s.gpsText, c.gps) << mode;
        EXPECT_EQ(s.averageText, c.average) << mode;
        EXPECT_EQ(s.saveTargetText, c.target) << mode;
        EXPECT_EQ(s.saveToFlash, c.flash) << mode;
    }
}
