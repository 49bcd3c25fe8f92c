#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/fixedformats.h"
#include "link/deviceline.h"
#include "link/lineassembler.h"

using namespace kordel;

namespace {

// "YYYY MM DD hh mm ss.00 " then Bx, By, Bz in 8 columns, Ts, Te in 5, CR LF.
std::string line(const std::string& date, const std::string& bx = "20000.00", const std::string& ts = " 25.3") {
    std::string s = date + " " + bx + " " + " 1500.25" + " " + "44000.50" + " " + ts + " " + " 30.1" + "\r\n";
    EXPECT_EQ(s.size(), 63u) << s;
    return s;
}

}  // namespace

TEST(DeviceLine, AValidLineIsReadIntoTheSample) {
    DecodedSample s;
    ASSERT_TRUE(DecodeDeviceLine(line("2007 05 22 10 20 30.00"), s));
    EXPECT_EQ(s.day, 22);
    EXPECT_EQ(s.hour, 10);
    EXPECT_EQ(s.minute, 20);
    EXPECT_EQ(s.second, 30);
    EXPECT_DOUBLE_EQ(s.timeOfDay, (10 * 3600 + 20 * 60 + 30) / 86400.0);
    EXPECT_EQ(s.bx, 20000.0);
    EXPECT_EQ(s.by, 1500.25);
    EXPECT_EQ(s.bz, 44000.5);
    EXPECT_EQ(s.ts, 25.3);
    EXPECT_EQ(s.te, 30.1);
}

TEST(DeviceLine, TheSamplesDateTimeIsTheLinesHundredthsIncluded) {
    const struct {
        const char* date;
        std::optional<double> expected;
    } cases[] = {
        {"2007 05 22 10 20 30.00", toDateNumber(2007, 5, 22) + toTimeNumber(10, 20, 30)},
        {"2007 05 22 10 20 30.25", toDateNumber(2007, 5, 22) + toTimeNumber(10, 20, 30, 250)},
        {"2008 02 29 23 59 59.99", toDateNumber(2008, 2, 29) + toTimeNumber(23, 59, 59, 990)},
        {"2007 05 22 10 20 30 xx", toDateNumber(2007, 5, 22) + toTimeNumber(10, 20, 30)},  // no hundredths
        {"2007 13 22 10 20 30.00", std::nullopt},  // no such month
        {"2007 02 29 10 20 30.00", std::nullopt},  // no such day
        {"2007 05 00 10 20 30.00", std::nullopt},
    };
    for (const auto& c : cases) {
        DecodedSample s;
        ASSERT_TRUE(DecodeDeviceLine(line(c.date), s)) << c.date;
        EXPECT_EQ(sampleDateTime(s), c.expected) << c.date;
    }
}

// `text` put into the line from column `first` (counted from 1).
std::string withColumns(std::string s, std::size_t first, const std::string& text) {
    s.replace(first - 1, text.size(), text);
    return s;
}

TEST(DeviceLine, ValidityRule) {
    const std::string good = line("2007 05 22 10 20 30.00");
    struct Case {
        std::string line;
        bool valid;
        const char* why;
    };
    const std::vector<Case> cases = {
        {line("2007 05 00 10 20 30.00"), true, "day 00 passes"},
        {line("2007 05 31 23 59 59.00"), true, "largest values"},
        {line("2007 05 32 10 20 30.00"), false, "day 32"},
        {line("2007 05 22 24 20 30.00"), false, "hour 24"},
        {line("2007 05 22 10 60 30.00"), false, "minute 60"},
        {line("2007 05 22 10 20 60.00"), false, "second 60"},
        {line("2007 05 22 -1 20 30.00"), false, "negative hour"},
        {line("2007 05 22 10 20 30.00", "20000.00", "25.3 "), false, "blank after a value"},
        {line("2007 05 22 10 20 30.00", "   -1e+3", " 25.3"), true, "sign and exponent"},
        {line("2007 05 22 10 20 30.00", "    +5.5", " 25.3"), true, "plus sign"},
        {line("2007 05 22 10 20 30.00", "  1,5000", " 25.3"), false, "comma separator"},
        {line("2007 05 22 10 20 30.00", "     inf", " 25.3"), false, "inf is no number"},
        {line("2007 05 22 10 20 30.00", "        ", " 25.3"), false, "empty field"},
        {line("2007x05y22z10:20:30XXX"), true, "separators and columns 20-23 not examined"},
        {line("20A7 05 22 10 20 30.00"), false, "year not digits"},
        {line("2007 /5 22 10 20 30.00"), false, "month not digits"},
        {line("2007 05  5 10 20 30.00"), true, "leading blank in day"},
        {withColumns(good, 33, " 15x0.25"), false, "By unreadable"},
        {withColumns(good, 42, "        "), false, "Bz empty"},
        {withColumns(good, 57, "30.1 "), false, "Te with a blank after it"},
        {withColumns(good, 62, " "), false, "no CR before the LF"},
    };
    for (const auto& c : cases) {
        DecodedSample s;
        EXPECT_EQ(isDeviceLine(c.line) && DecodeDeviceLine(c.line, s), c.valid) << c.why;
    }
}

TEST(DeviceLine, AnInvalidLineUpdatesTheValuesButNotTheTimeOfDay) {
    DecodedSample s;
    ASSERT_TRUE(DecodeDeviceLine(line("2007 05 22 10 20 30.00"), s));
    const double t = s.timeOfDay;
    ASSERT_FALSE(DecodeDeviceLine(line("2007 05 22 24 21 31.00", "21000.00"), s));
    EXPECT_EQ(s.timeOfDay, t);
    EXPECT_EQ(s.bx, 21000.0);
    EXPECT_EQ(s.hour, 24);
    EXPECT_EQ(s.minute, 21);
    // A negative hour is stored unsigned, as the instrument's 16-bit field.
    ASSERT_FALSE(DecodeDeviceLine(line("2007 05 22 -1 20 30.00"), s));
    EXPECT_EQ(s.hour, 65535);
}

TEST(LineAssembler, PiecesEndAtLfOrAfter63Bytes) {
    const std::string good = line("2007 05 22 10 20 30.00");
    struct Case {
        std::vector<std::string> chunks;
        std::vector<std::size_t> pieceLengths;
        const char* what;
    };
    const std::vector<Case> cases = {
        {{good + good}, {63, 63}, "two lines in one chunk"},
        {{good.substr(0, 1), good.substr(1, 30), good.substr(31)}, {63}, "a line over three chunks"},
        {{good.substr(20) + good}, {43, 63}, "started mid-line: caught at the next LF"},
        {{good.substr(0, 40) + good.substr(41) + good}, {62, 63}, "a lost byte costs one line"},
        {{good.substr(0, 40) + "X" + good.substr(40) + good}, {63, 1, 63}, "an added byte costs one line"},
        // 130 bytes of garbage: two full pieces, then 4 bytes run into the line,
        // which is cut at 63 and its last 4 bytes end at its LF.
        {{std::string(130, 'Z') + good}, {63, 63, 63, 4}, "garbage without LF"},
    };
    for (const auto& c : cases) {
        LineAssembler a;
        std::vector<std::size_t> lengths;
        for (const auto& chunk : c.chunks) {
            a.feed(chunk, [&](std::string_view p) { lengths.push_back(p.size()); });
        }
        EXPECT_EQ(lengths, c.pieceLengths) << c.what;
    }
}
