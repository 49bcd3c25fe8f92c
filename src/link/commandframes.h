#pragma once
// The 8-byte commands the program writes to the instrument: "=", a command
// character, five parameter bytes ("_" where a position carries none) and ";".
// Clock values travel as BCD, the tens digit in the high four bits (59 is
// sent as 0x59). Each frame is a std::string of exactly 8 bytes, any of which
// may be 0x00.

#include <cstdint>
#include <string>

#include "app/fixedformats.h"

namespace kordel {

inline constexpr std::size_t kCommandFrameLength = 8;

// A value 0..99 as one BCD byte; other values are taken modulo 100.
std::uint8_t bcdByte(int value);

// "=S_____;": the instrument answers with its 11-byte status.
std::string statusRequestFrame();
// "=1_____;": the instrument answers with its 8-byte date and time.
std::string dateTimeRequestFrame();
// "=2" month day hour minute second ";": sets the instrument's clock.
std::string setDateTimeFrame(const CivilDateTime& t);
// "=3" year-within-century century "___;": sets the instrument's year.
std::string setYearFrame(int year);
// "=R" 0x00 (PC) or 0x01 (PC+Flash) "____;": where the instrument saves data.
std::string saveTargetFrame(bool flash);

}  // namespace kordel
