#pragma once
// The fixed number and date formats of the program. Every conversion between
// numbers or dates and text goes through here, so that files, the log and the
// screen read the same whatever the user's regional settings: "." as decimal
// separator, a space between thousands, dates "dd/mm/yyyy", times "HH:mm:ss".
// Nothing here consults the C library's locale or any other locale.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kordel {

struct CivilDateTime {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;

    friend bool operator==(const CivilDateTime&, const CivilDateTime&) = default;
};

// A small non-negative integer as decimal text, "0" in front of a single digit.
std::string TwoDigits(int n);

// A byte as two uppercase hexadecimal digits. A BCD byte read this way shows its
// two decimal digits ("22" for 0x22).
std::string HexByte(std::uint8_t b);

std::string formatDate(int year, int month, int day);      // "dd/mm/yyyy"
std::string formatTime(int hour, int minute, int second);  // "HH:mm:ss"
std::string formatDate(const CivilDateTime& t);
std::string formatTime(const CivilDateTime& t);

// Fixed point with exactly `decimals` digits after ".", halves rounded away
// from zero on the decimal value of the double. No thousands separator.
std::string formatFixed(double value, int decimals);

// `formatFixed` right-aligned in at least `width` characters (wider values are
// not cut).
std::string formatFixedWidth(double value, int decimals, int width);

// The chart label pattern "#,##0.##" / "#,##0.#": thousands separated by a
// space, at most `maxDecimals` decimals, no trailing zeros, no point when whole.
std::string formatGrouped(double value, int maxDecimals);

// Reads a plain decimal number ("-12.5", "3", "1e-3") with "." as separator.
// The whole text must be the number.
std::optional<double> parseNumber(std::string_view text);

// Reads an unsigned decimal integer made only of digits.
std::optional<long long> parseInteger(std::string_view text);

// Two-digit years are read as the year in the hundred years that begin 50 years
// before `currentYear` (in 2007: 57 is 1957, 56 is 2056).
int expandTwoDigitYear(int twoDigitYear, int currentYear);

bool isLeapYear(int year);
int daysInMonth(int year, int month);

// Date-time numbers: days since 30 December 1899, the time of day as fraction.
double toDateTimeNumber(const CivilDateTime& t);
double toDateNumber(int year, int month, int day);
double toTimeNumber(int hour, int minute, int second, int millisecond = 0);
// Rounded to the nearest millisecond, as the charts and the read-out need it.
CivilDateTime fromDateTimeNumber(double value);

}  // namespace kordel
