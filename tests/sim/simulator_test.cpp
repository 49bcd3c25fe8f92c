// The simulated instrument's device lines, replies, command handling, clock and
// faults, driven directly without a port.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/simdeviceline.h"
#include "sim/simfieldmodel.h"
#include "sim/siminstrumentclock.h"
#include "sim/simulatedinstrument.h"

namespace kordel {
namespace {

const CivilDateTime kMay15{2007, 5, 15, 12, 30, 0, 0};

double numberIn(const std::string& field) {
    const auto v = parseNumber(field.substr(field.find_first_not_of(' ')));
    EXPECT_TRUE(v.has_value()) << field;
    return v.value_or(0);
}

std::string bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) {
        s += static_cast<char>(v);
    }
    return s;
}

struct LineCase {
    const char* name;
    CivilDateTime time;
    FieldValues values;
    LineFault fault;
    const char* expected;
};

TEST(SimDeviceLine, LayoutByteForByte) {
    const std::vector<LineCase> cases = {
        {"station values", kMay15, {20000.0, 1500.0, 44000.0, 25.3, 27.1}, LineFault::None,
         "2007 05 15 12 30 00.00 20000.00  1500.00 44000.00  25.3  27.1\r\n"},
        {"negative and small values", kMay15, {-62.5, 62.5, -6250.0, 55.0, 40.0}, LineFault::None,
         "2007 05 15 12 30 00.00   -62.50    62.50 -6250.00  55.0  40.0\r\n"},
        {"halves rounded away from zero", {2008, 2, 29, 23, 59, 59, 999}, {1.125, -1.125, 0.0, 0.25, -0.25},
         LineFault::None, "2008 02 29 23 59 59.00     1.13    -1.13     0.00   0.3  -0.3\r\n"},
        {"values held at what fits", {2007, 1, 2, 3, 4, 5, 0}, {123456.0, -20000.0, 99999.99, 1234.0, -150.0},
         LineFault::None, "2007 01 02 03 04 05.00 99999.99 -9999.99 99999.99 999.9 -99.9\r\n"},
        {"day 32", kMay15, {20000.0, 1500.0, 44000.0, 25.3, 27.1}, LineFault::Day32,
         "2007 05 32 12 30 00.00 20000.00  1500.00 44000.00  25.3  27.1\r\n"},
        {"hour 24", kMay15, {20000.0, 1500.0, 44000.0, 25.3, 27.1}, LineFault::Hour24,
         "2007 05 15 24 30 00.00 20000.00  1500.00 44000.00  25.3  27.1\r\n"},
        {"blank after a value", kMay15, {20000.0, 1500.0, 44000.0, 25.3, 27.1}, LineFault::BlankAfterValue,
         "2007 05 15 12 30 00.00 20000.00  1500.00 44000.00 25.3   27.1\r\n"},
        {"blank after a value that fills its columns", kMay15, {20000.0, 1500.0, 44000.0, -10.5, 27.1},
         LineFault::BlankAfterValue, "2007 05 15 12 30 00.00 20000.00  1500.00 44000.00 -10.   27.1\r\n"},
    };
    for (const LineCase& c : cases) {
        const std::string line = buildDeviceLine(c.time, c.values, c.fault);
        EXPECT_EQ(line, c.expected) << c.name;
        EXPECT_EQ(line.size(), 63u) << c.name;
    }
}

TEST(SimDeviceLine, ColumnsAsTheReceiverReadsThem) {
    const std::string line = buildDeviceLine({2007, 5, 15, 9, 8, 7, 0}, {19876.54, -1500.25, 43999.99, 21.5, 28.4});
    // Columns counted from 1, as the receiver counts them.
    const auto col = [&line](int first, int last) {
        return line.substr(static_cast<std::size_t>(first - 1), static_cast<std::size_t>(last - first + 1));
    };
    EXPECT_EQ(col(1, 4), "2007");
    EXPECT_EQ(col(6, 7), "05");
    EXPECT_EQ(col(9, 10), "15");
    EXPECT_EQ(col(12, 13), "09");
    EXPECT_EQ(col(15, 16), "08");
    EXPECT_EQ(col(18, 19), "07");
    EXPECT_EQ(col(24, 31), "19876.54");
    EXPECT_EQ(col(33, 40), "-1500.25");
    EXPECT_EQ(col(42, 49), "43999.99");
    EXPECT_EQ(col(51, 55), " 21.5");
    EXPECT_EQ(col(57, 61), " 28.4");
    for (int separator : {5, 8, 11, 14, 17, 23, 32, 41, 50, 56}) {
        EXPECT_EQ(line[static_cast<std::size_t>(separator - 1)], ' ') << "column " << separator;
    }
    EXPECT_EQ(col(62, 63), "\r\n");
}

TEST(SimDeviceLine, TheReceiverTakesGoodLinesAndRefusesBadOnes) {
    const FieldValues v{19876.54, -1500.25, 43999.99, 21.5, 28.4};
    const CivilDateTime t{2007, 5, 15, 9, 8, 7, 0};
    DecodedSample sample;
    ASSERT_TRUE(DecodeDeviceLine(buildDeviceLine(t, v), sample));
    EXPECT_EQ(sample.day, 15);
    EXPECT_EQ(sample.hour, 9);
    EXPECT_EQ(sample.minute, 8);
    EXPECT_EQ(sample.second, 7);
    EXPECT_DOUBLE_EQ(sample.bx, 19876.54);
    EXPECT_DOUBLE_EQ(sample.by, -1500.25);
    EXPECT_DOUBLE_EQ(sample.bz, 43999.99);
    EXPECT_DOUBLE_EQ(sample.ts, 21.5);
    EXPECT_DOUBLE_EQ(sample.te, 28.4);
    for (LineFault fault : {LineFault::Day32, LineFault::Hour24, LineFault::BlankAfterValue}) {
        EXPECT_FALSE(DecodeDeviceLine(buildDeviceLine(t, v, fault), sample)) << static_cast<int>(fault);
    }
}

struct ReplyCase {
    const char* name;
    InstrumentSettings settings;
    std::string expected;
};

InstrumentSettings settingsOf(InstrumentMode mode, int average, bool gps, SaveTarget target) {
    InstrumentSettings s;
    s.mode = mode;
    s.averageSeconds = average;
    s.gps = gps;
    s.saveTarget = target;
    return s;
}

TEST(SimReplies, StatusReplyBytes) {
    const std::vector<ReplyCase> cases = {
        {"mode OFF", settingsOf(InstrumentMode::Off, 1, false, SaveTarget::Pc),
         bytes({0x53, 0, 0, 0, 0, 0, 1, 0, 0x00, 0, 0})},
        {"mode Var", settingsOf(InstrumentMode::Var, 10, false, SaveTarget::Pc),
         bytes({0x53, 0, 0, 0, 0, 0, 10, 0, 0x81, 0, 0})},
        {"GPS on", settingsOf(InstrumentMode::Total, 1, true, SaveTarget::Pc),
         bytes({0x53, 0, 0, 0, 0, 0, 1, 0, 0x80, 1, 0})},
        {"save target PC+Flash", settingsOf(InstrumentMode::Comp, 60, false, SaveTarget::PcFlash),
         bytes({0x53, 0, 0, 0, 0, 0, 60, 0, 0x82, 0, 1})},
        {"mode Record, longest averaging", settingsOf(InstrumentMode::Record, 255, true, SaveTarget::PcFlash),
         bytes({0x53, 0, 0, 0, 0, 0, 255, 0, 0x83, 1, 1})},
    };
    for (const ReplyCase& c : cases) {
        SimulatedInstrument instrument(c.settings, kMay15);
        EXPECT_EQ(instrument.feed("=S_____;"), c.expected) << c.name;
    }
}

TEST(SimReplies, DateTimeReplyInBcd) {
    SimulatedInstrument instrument({}, {2007, 5, 22, 10, 20, 30, 0});
    EXPECT_EQ(instrument.feed("=1_____;"), bytes({0x31, 0x05, 0x22, 0x10, 0x20, 0x30, 0x07, 0x20}));
    instrument.advanceClock(86'400'000LL * 365 * 5);  // 2012-05-20, two leap days later
    EXPECT_EQ(instrument.feed("=1_____;"), bytes({0x31, 0x05, 0x20, 0x10, 0x20, 0x30, 0x12, 0x20}));
}

TEST(SimReplies, SaveTargetSwitchesAndAnswersWithElevenBytes) {
    SimulatedInstrument instrument(settingsOf(InstrumentMode::Var, 1, false, SaveTarget::Pc), kMay15);
    EXPECT_EQ(instrument.feed(bytes({'=', 'R', 0x01, '_', '_', '_', '_', ';'})),
              bytes({0x52, 0, 0, 0, 0, 0, 1, 0, 0x81, 0, 1}));
    EXPECT_EQ(instrument.settings().saveTarget, SaveTarget::PcFlash);
    EXPECT_EQ(instrument.feed("=S_____;").back(), 1);
    // Another value is not a target: the reply tells the one that stays.
    EXPECT_EQ(instrument.feed(bytes({'=', 'R', 0x07, '_', '_', '_', '_', ';'})).back(), 1);
    EXPECT_EQ(instrument.feed(bytes({'=', 'R', 0x00, '_', '_', '_', '_', ';'})),
              bytes({0x52, 0, 0, 0, 0, 0, 1, 0, 0x81, 0, 0}));
    EXPECT_EQ(instrument.settings().saveTarget, SaveTarget::Pc);
}

TEST(SimCommands, FramesInAnyChunksAndAfterNoise) {
    const std::string status = statusReply(InstrumentSettings{}, 'S');
    struct Case {
        const char* name;
        std::vector<std::string> chunks;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"one piece", {"=S_____;"}, status},
        {"byte by byte", {"=", "S", "_", "_", "_", "_", "_", ";"}, status},
        {"noise before", {"xx\r\n", "=S_____;"}, status},
        {"two commands at once", {"=S_____;=S_____;"}, status + status},
        {"broken frame, then a good one", {"=S__=S_____;"}, status},
        {"unknown command", {"=Q_____;"}, ""},
        {"set commands have no reply", {"=2", bytes({0x05, 0x22, 0x10, 0x20, 0x30}), ";"}, ""},
        {"frame cut short", {"=S____;"}, ""},
    };
    for (const Case& c : cases) {
        SimulatedInstrument instrument({}, kMay15);
        std::string replies;
        for (const std::string& chunk : c.chunks) {
            replies += instrument.feed(chunk);
        }
        EXPECT_EQ(replies, c.expected) << c.name;
    }
}

std::string setTime(int month, int day, int hour, int minute, int second) {
    return bytes({'=', '2', month, day, hour, minute, second, ';'});
}
std::string setYear(int yearInCentury, int century) {
    return bytes({'=', '3', yearInCentury, century, '_', '_', '_', ';'});
}

TEST(SimCommands, SetTimeChangesTheClockItStreams) {
    SimulatedInstrument instrument({}, {2026, 1, 2, 3, 4, 5, 0});
    EXPECT_EQ(instrument.takeDueLine().substr(0, 19), "2026 01 02 03 04 05");

    instrument.feed(setTime(0x05, 0x22, 0x10, 0x20, 0x30));
    instrument.advanceClock(500);
    instrument.feed(setYear(0x07, 0x20));
    EXPECT_EQ(instrument.msUntilSample(), 500);
    instrument.advanceClock(500);
    EXPECT_EQ(instrument.takeDueLine().substr(0, 19), "2007 05 22 10 20 31");
    instrument.advanceClock(1000);
    EXPECT_EQ(instrument.takeDueLine().substr(0, 19), "2007 05 22 10 20 32");
    EXPECT_EQ(instrument.feed("=1_____;"), bytes({0x31, 0x05, 0x22, 0x10, 0x20, 0x32, 0x07, 0x20}));
}

TEST(SimCommands, SetTimeWithBadValuesIsIgnored) {
    const std::vector<std::string> refused = {
        setTime(0x13, 0x01, 0x00, 0x00, 0x00),  // month 13
        setTime(0x00, 0x01, 0x00, 0x00, 0x00),  // month 0
        setTime(0x05, 0x32, 0x00, 0x00, 0x00),  // day 32
        setTime(0x05, 0x1A, 0x00, 0x00, 0x00),  // not BCD
        setTime(0x05, 0x01, 0x24, 0x00, 0x00),  // hour 24
        setTime(0x05, 0x01, 0x00, 0x60, 0x00),  // minute 60
        setTime(0x05, 0x01, 0x00, 0x00, 0x60),  // second 60
        setYear(0x0A, 0x20),                    // not BCD
    };
    for (const std::string& command : refused) {
        SimulatedInstrument instrument({}, kMay15);
        instrument.feed(command);
        EXPECT_EQ(instrument.clock().now(), kMay15) << HexByte(static_cast<std::uint8_t>(command[2]));
    }
}

TEST(SimCommands, LeapDaySetBeforeItsYear) {
    // The computer sends the date first, then the year: 29 February arrives while
    // the instrument is still in a year without one.
    SimulatedInstrument instrument({}, {2007, 6, 1, 0, 0, 0, 0});
    instrument.feed(setTime(0x02, 0x29, 0x08, 0x00, 0x00));
    instrument.advanceClock(500);
    instrument.feed(setYear(0x08, 0x20));
    EXPECT_EQ(instrument.clock().now(), (CivilDateTime{2008, 2, 29, 8, 0, 0, 500}));
}

TEST(SimStream, OneLinePerSampleIntervalWhileNotOff) {
    InstrumentSettings s;
    s.sampleIntervalMs = 500;
    SimulatedInstrument instrument(s, {2007, 5, 15, 23, 59, 59, 200});
    EXPECT_EQ(instrument.msUntilSample(), 300);
    EXPECT_EQ(instrument.takeDueLine(), "");
    std::vector<std::string> stamps;
    for (int i = 0; i < 3; ++i) {
        instrument.advanceClock(instrument.msUntilSample());
        const std::string line = instrument.takeDueLine();
        ASSERT_EQ(line.size(), 63u);
        stamps.push_back(line.substr(0, 22));
        EXPECT_EQ(instrument.takeDueLine(), "") << "one line per sample";
    }
    EXPECT_EQ(stamps, (std::vector<std::string>{"2007 05 15 23 59 59.00", "2007 05 16 00 00 00.00",
                                                "2007 05 16 00 00 00.00"}));
    EXPECT_EQ(instrument.linesMade(), 3);

    s.mode = InstrumentMode::Off;
    SimulatedInstrument off(s, kMay15);
    off.advanceClock(10'000);
    EXPECT_EQ(off.takeDueLine(), "");
    EXPECT_FALSE(off.streaming());
}

TEST(SimStream, ValuesLookLikeAMidLatitudeStation) {
    SimulatedInstrument instrument({}, {2007, 5, 15, 0, 0, 0, 0});
    for (int i = 0; i < 24 * 6; ++i) {
        const std::string line = instrument.takeDueLine();
        ASSERT_EQ(line.size(), 63u);
        const double bx = numberIn(line.substr(23, 8));
        const double by = numberIn(line.substr(32, 8));
        const double bz = numberIn(line.substr(41, 8));
        const double ts = numberIn(line.substr(50, 5));
        const double te = numberIn(line.substr(56, 5));
        EXPECT_NEAR(bx, 20000, 50);
        EXPECT_NEAR(by, 1500, 50);
        EXPECT_NEAR(bz, 44000, 50);
        EXPECT_GE(ts, 20);
        EXPECT_LE(ts, 30);
        EXPECT_GE(te, 20);
        EXPECT_LE(te, 30);
        instrument.advanceClock(600'000);
    }
}

TEST(SimFaults, BytesDroppedAndAdded) {
    SimFaults drop;
    drop.dropByteEvery = 10;
    SimulatedInstrument dropping({}, kMay15, drop);
    const std::string whole = buildDeviceLine(kMay15, FieldModel().sample(kMay15, 1));
    std::string expected;
    for (std::size_t i = 0; i < whole.size(); ++i) {
        if ((i + 1) % 10 != 0) {
            expected += whole[i];
        }
    }
    EXPECT_EQ(dropping.takeDueLine(), expected);

    SimFaults add;
    add.addByteEvery = 30;
    SimulatedInstrument adding({}, kMay15, add);
    EXPECT_EQ(adding.takeDueLine(), whole.substr(0, 30) + "*" + whole.substr(30, 30) + "*" + whole.substr(60));
    // The count runs on over lines: the next star comes after byte 90, the 27th of line 2.
    adding.advanceClock(1000);
    EXPECT_EQ(adding.takeDueLine()[27], '*');
}

TEST(SimFaults, BadLinesInTurn) {
    SimFaults f;
    f.badLineEvery = 2;
    SimulatedInstrument instrument({}, kMay15, f);
    std::vector<std::string> lines;
    for (int i = 0; i < 8; ++i) {
        lines.push_back(instrument.takeDueLine());
        instrument.advanceClock(1000);
    }
    EXPECT_EQ(lines[0].substr(8, 5), "15 12");
    EXPECT_EQ(lines[1].substr(8, 5), "32 12");
    EXPECT_EQ(lines[2].substr(8, 5), "15 12");
    EXPECT_EQ(lines[3].substr(8, 5), "15 24");
    EXPECT_EQ(lines[5][54], ' ') << "a blank after Ts";
    EXPECT_NE(lines[5][50], ' ');
    EXPECT_EQ(lines[7].substr(8, 5), "32 12") << "and again from the start";
    for (const std::string& line : lines) {
        EXPECT_EQ(line.size(), 63u);
    }
}

TEST(SimFaults, ShortReplies) {
    SimFaults f;
    f.shortReplies = true;
    SimulatedInstrument instrument({}, kMay15, f);
    EXPECT_EQ(instrument.feed("=S_____;"), statusReply({}, 'S').substr(0, 8));
    EXPECT_EQ(instrument.feed("=1_____;"), dateTimeReply(kMay15).substr(0, 5));
    EXPECT_EQ(instrument.feed(bytes({'=', 'R', 1, '_', '_', '_', '_', ';'})).size(), 8u);
}

TEST(SimClock, CalendarArithmetic) {
    struct Case {
        CivilDateTime start;
        std::int64_t advanceMs;
        CivilDateTime expected;
    };
    const std::vector<Case> cases = {
        {{2007, 2, 28, 23, 59, 59, 0}, 1000, {2007, 3, 1, 0, 0, 0, 0}},
        {{2008, 2, 28, 23, 59, 59, 0}, 1000, {2008, 2, 29, 0, 0, 0, 0}},
        {{2007, 12, 31, 23, 59, 59, 500}, 600, {2008, 1, 1, 0, 0, 0, 100}},
        {{2099, 12, 31, 0, 0, 0, 0}, 86'400'000, {2100, 1, 1, 0, 0, 0, 0}},
        {{2007, 5, 15, 12, 0, 0, 0}, -5000, {2007, 5, 15, 12, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        InstrumentClock clock(c.start);
        clock.advance(c.advanceMs);
        EXPECT_EQ(clock.now(), c.expected) << formatDate(c.start) << " + " << c.advanceMs;
        EXPECT_EQ(InstrumentClock::fromMs(InstrumentClock::toMs(c.expected)), c.expected);
    }
}

TEST(SimBcd, BothWays) {
    EXPECT_EQ(toBcd(59), 0x59);
    EXPECT_EQ(toBcd(7), 0x07);
    EXPECT_EQ(fromBcd(0x59), 59);
    EXPECT_EQ(fromBcd(0x99), 99);
    EXPECT_EQ(fromBcd(0x1A), -1);
    EXPECT_EQ(fromBcd(0xA1), -1);
}

}  // namespace
}  // namespace kordel
