// The cursor read-out: value texts (15 significant digits, the exponent rule),
// the fields, the time text, and which sample a cursor position shows.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/fixedformats.h"
#include "charts/readout.h"

using namespace kordel;

namespace {

double at(int day, int hour, int minute, int second, int ms = 0) {
    return toDateTimeNumber({2007, 5, day, hour, minute, second, ms});
}

std::optional<std::size_t> pick(const std::vector<double>& x, double axisMin, double axisMax, double cursor) {
    return pickCursorSample(
        x.size(), [&](std::size_t i) { return x[i]; }, axisMin, axisMax, cursor);
}

}  // namespace

TEST(ReadoutValue, FifteenSignificantDigitsWithoutTrailingZerosOrAPointWhenWhole) {
    EXPECT_EQ(formatReadoutValue(0), "0");
    EXPECT_EQ(formatReadoutValue(-0.0), "0");
    EXPECT_EQ(formatReadoutValue(1), "1");
    EXPECT_EQ(formatReadoutValue(-1), "-1");
    EXPECT_EQ(formatReadoutValue(100), "100");
    EXPECT_EQ(formatReadoutValue(1.5), "1.5");
    EXPECT_EQ(formatReadoutValue(44000.50), "44000.5");
    EXPECT_EQ(formatReadoutValue(19797.89), "19797.89");
    EXPECT_EQ(formatReadoutValue(-52428.8), "-52428.8");
    EXPECT_EQ(formatReadoutValue(25.3), "25.3");
    EXPECT_EQ(formatReadoutValue(0.1 + 0.2), "0.3");
    EXPECT_EQ(formatReadoutValue(1.0 / 3), "0.333333333333333");
    EXPECT_EQ(formatReadoutValue(2.0 / 3), "0.666666666666667");
    EXPECT_EQ(formatReadoutValue(-1.0 / 3), "-0.333333333333333");
    EXPECT_EQ(formatReadoutValue(123.456789012345678), "123.456789012346");
}

TEST(ReadoutValue, ExponentFormBelowOneHundredThousandthAndPastFifteenIntegerDigits) {
    EXPECT_EQ(formatReadoutValue(1e-6), "1E-6");
    EXPECT_EQ(formatReadoutValue(-2.5e-7), "-2.5E-7");
    EXPECT_EQ(formatReadoutValue(9.99999999999999e-6), "9.99999999999999E-6");
    EXPECT_EQ(formatReadoutValue(1.23456789012345e-100), "1.23456789012345E-100");
    // 0.00001 and more: fixed point.
    EXPECT_EQ(formatReadoutValue(0.00001), "0.00001");
    EXPECT_EQ(formatReadoutValue(0.0000123), "0.0000123");
    EXPECT_EQ(formatReadoutValue(0.000099999), "0.000099999");
    // Rounded to 15 digits first: this one is 0.00001 then.
    EXPECT_EQ(formatReadoutValue(9.9999999999999999e-6), "0.00001");
    // At most 15 digits before the point: fixed point.
    EXPECT_EQ(formatReadoutValue(123456789012345.0), "123456789012345");
    EXPECT_EQ(formatReadoutValue(100000000000000.0), "100000000000000");
    EXPECT_EQ(formatReadoutValue(12345678901234.5), "12345678901234.5");
    // Sixteen digits: exponent form, rounded to 15 digits.
    EXPECT_EQ(formatReadoutValue(1234567890123456.0), "1.23456789012346E15");
    EXPECT_EQ(formatReadoutValue(1e15), "1E15");
    EXPECT_EQ(formatReadoutValue(999999999999999.9), "1E15");
    EXPECT_EQ(formatReadoutValue(1.5e20), "1.5E20");
    EXPECT_EQ(formatReadoutValue(-1e300), "-1E300");
}

TEST(ReadoutValue, NotANumberAndInfinities) {
    EXPECT_EQ(formatReadoutValue(std::nan("")), "NAN");
    EXPECT_EQ(formatReadoutValue(HUGE_VAL), "INF");
    EXPECT_EQ(formatReadoutValue(-HUGE_VAL), "-INF");
}

TEST(ReadoutText, FourFieldsOfExactlyFifteenAndTeUnpadded) {
    const std::string text = formatReadout("10:46:12", {19797.89, 1450.85, 44027.72, 25.4, 30.1});
    EXPECT_EQ(text,
              "Time: 10:46:12      "
              "X: 19797.89       "
              "Y: 1450.85        "
              "Z: 44027.72       "
              "Ts: 25.4           "
              "Te: 30.1");
    EXPECT_EQ(text.substr(20, 3), "X: ");
    EXPECT_EQ(text.substr(38, 3), "Y: ");
    EXPECT_EQ(text.substr(56, 3), "Z: ");
    EXPECT_EQ(text.substr(74, 4), "Ts: ");
    EXPECT_EQ(text.substr(93, 4), "Te: ");
    EXPECT_EQ(text.back(), '1');
}

TEST(ReadoutText, TinyValuesInExponentFormAndLongTextsCutToFifteen) {
    const std::string text = formatReadout("00:00:00", {1e-6, -1.23456789012345e-100, 0, -1, -1.23456789012345e-100});
    EXPECT_EQ(text,
              "Time: 00:00:00      "
              "X: 1E-6           "
              "Y: -1.234567890123"
              "Z: 0              "
              "Ts: -1             "
              "Te: -1.234567890123");
    EXPECT_EQ(formatReadout("00:00:00", {0, 0, 0, 0, 1e-6}).substr(93), "Te: 1E-6");
}

TEST(ReadoutText, FieldsPadAndCut) {
    EXPECT_EQ(fixedField("12.5"), "12.5           ");
    EXPECT_EQ(fixedField("12345678901234567"), "123456789012345");
    EXPECT_EQ(fixedField(""), std::string(15, ' '));
    EXPECT_EQ(cutField("12.5"), "12.5");
    EXPECT_EQ(cutField("12345678901234567"), "123456789012345");
}

TEST(ReadoutTime, TheIsoDateThenTheBottomAxisFormatWithoutTimeZone) {
    EXPECT_EQ(formatCursorTime(at(22, 10, 46, 12)), "2007-05-22 10:46:12");
    EXPECT_EQ(formatCursorTime(at(22, 0, 0, 0)), "2007-05-22 00:00:00");
    EXPECT_EQ(formatCursorTime(at(23, 23, 59, 59)), "2007-05-23 23:59:59");
    EXPECT_EQ(formatCursorTime(toTimeNumber(14, 5, 9)), "1899-12-30 14:05:09");  // a time without a date
    EXPECT_EQ(formatCursorTime(at(22, 10, 0, 0, 999)), "2007-05-22 10:00:00");    // cut to the second
    EXPECT_EQ(formatCursorTime(at(22, 10, 0, 0, 999) + 0.6 / 86400000.0), "2007-05-22 10:00:01");  // rounded to the ms first
}

TEST(ReadoutSecond, TheSecondOfADateTimeAsItsTextShowsIt) {
    EXPECT_EQ(secondOf(at(22, 10, 0, 1)), secondOf(at(22, 10, 0, 1, 999)));
    EXPECT_EQ(secondOf(at(22, 10, 0, 1)) + 1, secondOf(at(22, 10, 0, 2)));
    EXPECT_NE(secondOf(at(22, 10, 0, 1)), secondOf(at(23, 10, 0, 1)));
    EXPECT_EQ(secondOf(0), 0);
    EXPECT_EQ(secondOf(-0.5 / 86400), -1);
}

TEST(CursorSample, OnAFileOfTwoDaysTheSameClockTimeOfTheOtherDayIsNotTaken) {
    std::vector<double> x;
    for (int day : {22, 23}) {
        for (int s = 0; s < 300; s += 10) x.push_back(at(day, 10, s / 60, s % 60));
    }
    const double cursor = at(23, 10, 0, 10, 400);
    const auto i = pick(x, x.front(), x.back(), cursor);
    ASSERT_TRUE(i);
    EXPECT_EQ(*i, 31u);  // day 23, 10:00:10; not day 22's 10:00:10 (index 1)
    EXPECT_EQ(x[*i], at(23, 10, 0, 10));
    // Between the days: the last sample of the first day.
    EXPECT_EQ(pick(x, x.front(), x.back(), at(22, 22, 0, 0)), 29u);
}

TEST(CursorSample, WithALineEveryTenSecondsAPositionBetweenSamplesShowsTheNearest) {
    std::vector<double> x;
    for (int s = 0; s < 600; s += 10) x.push_back(at(22, 10, s / 60, s % 60));
    EXPECT_EQ(pick(x, x.front(), x.back(), at(22, 10, 0, 5)), 0u);  // halfway: the earlier
    EXPECT_EQ(pick(x, x.front(), x.back(), at(22, 10, 0, 14, 999)), 1u);
    EXPECT_EQ(pick(x, x.front(), x.back(), at(22, 10, 0, 15, 1)), 2u);
    EXPECT_EQ(pick(x, x.front(), x.back(), at(22, 10, 0, 10)), 1u);
    EXPECT_EQ(pick(x, x.front(), x.back(), at(22, 10, 9, 50, 500)), 59u);
}

TEST(CursorSample, AtTenHertzTheSampleNearestToTheMillisecondIsShown) {
    std::vector<double> x;
    for (int ms = 0; ms < 2000; ms += 100) x.push_back(at(22, 10, 0, ms / 1000, ms % 1000));
    EXPECT_EQ(pick(x, x.front(), x.back(), at(22, 10, 0, 0, 340)), 3u);
    EXPECT_EQ(pick(x, x.front(), x.back(), at(22, 10, 0, 0, 960)), 10u);
    EXPECT_EQ(pick(x, x.front(), x.back(), at(22, 10, 0, 1, 880)), 19u);
    // Of samples at the same time, the first.
    const std::vector<double> same = {at(22, 10, 0, 0), at(22, 10, 0, 1), at(22, 10, 0, 1), at(22, 10, 0, 3)};
    EXPECT_EQ(pick(same, same.front(), same.back(), at(22, 10, 0, 1, 200)), 1u);
    EXPECT_EQ(pick(same, same.front(), same.back(), at(22, 10, 0, 0, 900)), 1u);
}

TEST(CursorSample, OnlyVisibleSamplesCountAndBeforeThemTheFirstVisibleIsShown) {
    std::vector<double> x;
    for (int s = 0; s < 600; s += 10) x.push_back(at(22, 10, s / 60, s % 60));
    // The axis begins at 10:01:55: the first visible sample is 10:02:00 (index 12).
    const double lo = at(22, 10, 1, 55), hi = at(22, 10, 3, 0);
    EXPECT_EQ(pick(x, lo, hi, at(22, 10, 1, 57)), 12u);
    // After the last visible sample: the last visible one, not a later one.
    EXPECT_EQ(pick(x, lo, at(22, 10, 2, 45), at(22, 10, 2, 44)), 16u);
    // The bounds themselves are visible.
    EXPECT_EQ(pick(x, at(22, 10, 2, 0), at(22, 10, 2, 0), at(22, 10, 2, 0)), 12u);
}

TEST(CursorSample, NothingWhenNoSampleIsVisible) {
    const std::vector<double> x = {at(22, 10, 0, 0), at(22, 10, 0, 10)};
    EXPECT_FALSE(pick(x, at(22, 11, 0, 0), at(22, 12, 0, 0), at(22, 11, 30, 0)));
    EXPECT_FALSE(pick({}, 0, 1, 0.5));
    EXPECT_FALSE(pick(x, at(22, 10, 0, 1), at(22, 10, 0, 9), at(22, 10, 0, 5)));
}
