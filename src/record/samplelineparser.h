#pragma once
// Reads a data line straight into the record's compact form: the time in
// milliseconds since the date-time epoch and the five values as scaled
// integers, without building fields or doubles on the way. The rules are the
// data file reader's: fields separated by spaces, "year month day hour minute
// seconds Bx By Bz Ts Te [v12 [v13]]", v12 and v13 must be numbers, fields past
// the 13th are ignored; the seconds' fraction gives the milliseconds, truncated.
// A value that does not fit the scaled form (beyond ±21 474 836.47 nT) makes
// the line an error line.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace kordel {

// Lines 1–3 of a data file may be header lines: there a line that does not
// read as data is skipped unseen, while one that reads is a sample like any
// other (neither daily nor converted files have headers). From line 4 on a
// line that does not read is an error line.
inline constexpr long kHeaderLines = 3;
constexpr bool skippedAsHeader(long lineNumber, bool readsAsData) {
    return lineNumber <= kHeaderLines && !readsAsData;
}

// A decimal number scaled by 10^decimals and rounded half away from zero;
// nullopt when the text is not a number or the result does not fit (the
// missing marker's value included).
std::optional<std::int32_t> parseScaled(std::string_view text, int decimals);

class SampleLineParser {
public:
    static constexpr int kValues = 5;

    // False for an error line; `timeMs` and `raw` are then unspecified.
    bool parse(std::string_view line, std::int64_t& timeMs, std::array<std::int32_t, kValues>& raw);

private:
    bool toTime(int year, int month, int day, int hour, int minute, int second, int ms, std::int64_t& timeMs);

    // Days since the epoch of the last date read: consecutive lines share it.
    int lastYear_ = -1, lastMonth_ = -1, lastDay_ = -1;
    std::int64_t lastDays_ = 0;
};

}  // namespace kordel
