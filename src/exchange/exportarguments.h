#pragma once
// The texts an export is asked with: times, the clock's offset, a picture size.

#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

namespace kordel {

// ISO 8601 UT: "2007-05-15T12:00:00", optionally with ".sss" and a final "Z",
// or a date alone ("2007-05-15", its midnight); ms since the date-time epoch.
std::optional<std::int64_t> parseIsoUtc(std::string_view text);

// "±HH:MM" (the sign may be left out for +), hours 0–23, minutes 0–59; in ms.
std::optional<std::int64_t> parseUtcOffset(std::string_view text);

// "WxH" in pixels, each 1–20000.
std::optional<std::pair<int, int>> parsePictureSize(std::string_view text);

}  // namespace kordel
