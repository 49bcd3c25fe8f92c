#include <gtest/gtest.h>

#include <cmath>

#include "app/fixedformats.h"

using namespace kordel;

TEST(FixedFormats, TwoDigitsAndHexByte) {
    const std::pair<int, const char*> two[] = {{0, "00"}, {7, "07"}, {9, "09"}, {10, "10"}, {59, "59"}, {100, "100"}};
    for (auto [n, text] : two) {
        EXPECT_EQ(TwoDigits(n), text) << n;
    }
    const std::pair<int, const char*> hex[] = {{0x00, "00"}, {0x05, "05"}, {0x22, "22"}, {0xA0, "A0"}, {0xFF, "FF"}, {0x3b, "3B"}};
    for (auto [b, text] : hex) {
        EXPECT_EQ(HexByte(static_cast<std::uint8_t>(b)), text) << b;
    }
}

TEST(FixedFormats, DatesAndTimesHaveLeadingZeros) {
    EXPECT_EQ(formatDate(2007, 2, 3), "03/02/2007");
    EXPECT_EQ(formatDate(2007, 12, 31), "31/12/2007");
    EXPECT_EQ(formatDate(7, 1, 1), "01/01/0007");
    EXPECT_EQ(formatTime(9, 5, 7), "09:05:07");
    EXPECT_EQ(formatTime(14, 5, 9), "14:05:09");
    EXPECT_EQ(formatTime(0, 0, 0), "00:00:00");
}

TEST(FixedFormats, FixedPointRoundsHalvesAwayFromZero) {
    struct Case {
        double value;
        int decimals;
        const char* text;
    };
    const Case cases[] = {
        {3.25, 2, "3.25"},      {-0.125, 2, "-0.13"},    {0.125, 2, "0.13"},
        {0.005, 2, "0.01"},     {-0.004, 2, "0.00"},     {-0.0, 2, "0.00"},
        {2.5, 0, "3"},          {-2.5, 0, "-3"},         {52428.8, 2, "52428.80"},
        {-52428.79375, 2, "-52428.79"}, {9.96, 1, "10.0"}, {-20.0, 1, "-20.0"},
        {1234567.891, 1, "1234567.9"},  {0.05, 1, "0.1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatFixed(c.value, c.decimals), c.text) << c.value;
    }
    EXPECT_EQ(formatFixedWidth(-0.13, 2, 8), "   -0.13");
    EXPECT_EQ(formatFixedWidth(-52428.79, 2, 8), "-52428.79");
}

TEST(FixedFormats, GroupedLabels) {
    const std::tuple<double, int, const char*> cases[] = {
        {20000.0, 2, "20 000"}, {1234567.891, 2, "1 234 567.89"}, {0.5, 2, "0.5"},
        {-1500.25, 2, "-1 500.25"}, {999.999, 2, "1 000"}, {21.04, 1, "21"}, {0.0, 2, "0"},
        {123.0, 1, "123"}, {-0.001, 2, "0"},
    };
    for (auto [v, d, text] : cases) {
        EXPECT_EQ(formatGrouped(v, d), text) << v;
    }
}

TEST(FixedFormats, ParseNumber) {
    EXPECT_EQ(parseNumber("1.5"), 1.5);
    EXPECT_EQ(parseNumber("-12.25"), -12.25);
    EXPECT_EQ(parseNumber("+3"), 3.0);
    EXPECT_EQ(parseNumber("1e-3"), 0.001);
    for (const char* bad : {"", "1,5", "1.5 ", " 1.5", "abc", "+-1", "1.2.3", "+"}) {
        EXPECT_FALSE(parseNumber(bad).has_value()) << bad;
    }
    EXPECT_EQ(parseInteger("0042"), 42);
    EXPECT_FALSE(parseInteger("4a").has_value());
    EXPECT_FALSE(parseInteger("-1").has_value());
}

TEST(FixedFormats, TwoDigitYearsFallInTheHundredYearsFromFiftyBefore) {
    EXPECT_EQ(expandTwoDigitYear(7, 2007), 2007);
    EXPECT_EQ(expandTwoDigitYear(57, 2007), 1957);
    EXPECT_EQ(expandTwoDigitYear(56, 2007), 2056);
    EXPECT_EQ(expandTwoDigitYear(76, 2026), 1976);
    EXPECT_EQ(expandTwoDigitYear(75, 2026), 2075);
}

TEST(FixedFormats, DateTimeNumbers) {
    EXPECT_EQ(toDateNumber(1899, 12, 30), 0.0);
    EXPECT_EQ(toDateNumber(1900, 1, 1), 2.0);
    EXPECT_EQ(toDateNumber(2007, 5, 22), 39224.0);
    EXPECT_DOUBLE_EQ(toTimeNumber(12, 0, 0), 0.5);
    const CivilDateTime t{2007, 5, 22, 10, 20, 30, 500};
    EXPECT_EQ(fromDateTimeNumber(toDateTimeNumber(t)), t);
    const CivilDateTime leap{2008, 2, 29, 23, 59, 59, 0};
    EXPECT_EQ(fromDateTimeNumber(toDateTimeNumber(leap)), leap);
    EXPECT_EQ(daysInMonth(2007, 2), 28);
    EXPECT_EQ(daysInMonth(2008, 2), 29);
    EXPECT_EQ(daysInMonth(1900, 2), 28);
    EXPECT_EQ(daysInMonth(2000, 2), 29);
}
