#pragma once
// The device line: the instrument's sample record, 63 bytes of ASCII in fixed
// columns (counted from 1):
//   1–4 year, 6–7 month, 9–10 day, 12–13 hour, 15–16 minute, 18–19 second,
//   24–31 Bx, 33–40 By, 42–49 Bz (nT, 8 wide), 51–55 Ts, 57–61 Te (5 wide),
//   62 CR, 63 LF.
// Separator columns and 20–23 are not examined.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace kordel {

inline constexpr std::size_t kDeviceLineLength = 63;

// The last decoded line's values. Every field read goes in, also from a line that
// is then judged invalid; the time of day is taken from valid lines only.
struct DecodedSample {
    std::uint16_t year = 0;      // of a valid line
    std::uint8_t month = 0;      // of a valid line
    std::uint8_t hundredths = 0;  // columns 21–22 of a valid line, when they are digits
    std::uint8_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    double timeOfDay = 0;  // fraction of a day, no date
    double bx = 0;
    double by = 0;
    double bz = 0;
    double ts = 0;
    double te = 0;
};

// True when `piece` is 63 bytes ending in CR LF: a device line to decode.
bool isDeviceLine(std::string_view piece);

// Reads the fields of a device line into `sample` and judges it. Valid: all nine
// numeric fields read completely, day ≤ 31, hour ≤ 23, minute ≤ 59, second ≤ 59,
// and year and month are decimal digits (they go into a file name). A field that
// does not read leaves its value in `sample` as it was.
bool DecodeDeviceLine(std::string_view line, DecodedSample& sample);

// The date-time number (days since 30 December 1899) of a valid line's date and
// time, hundredths included; none when the date is no calendar date.
std::optional<double> sampleDateTime(const DecodedSample& sample);

// Field readers of the device line: optional leading blanks, then the number,
// and nothing after it inside the field.
bool readIntegerField(std::string_view field, long long& value);
bool readDecimalField(std::string_view field, double& value);

}  // namespace kordel
