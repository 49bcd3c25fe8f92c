// The command frames, byte for byte.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/commandframes.h"

using namespace kordel;

namespace {

// The frame's bytes as hexadecimal pairs separated by blanks.
std::string hex(const std::string& frame) {
    static const char* const digits = "0123456789ABCDEF";
    std::string out;
    for (const char c : frame) {
        const auto b = static_cast<unsigned char>(c);
        if (!out.empty()) out += ' ';
        out += digits[b >> 4];
        out += digits[b & 0x0F];
    }
    return out;
}

}  // namespace

TEST(CommandFrames, EveryFrameIsEightBytesAsTheInstrumentReadsThem) {
    struct Case {
        const char* what;
        std::string frame;
        const char* bytes;
    };
    const std::vector<Case> cases = {
        {"status request", statusRequestFrame(), "3D 53 5F 5F 5F 5F 5F 3B"},
        {"date-and-time request", dateTimeRequestFrame(), "3D 31 5F 5F 5F 5F 5F 3B"},
        {"set date and time 22 May 10:20:30", setDateTimeFrame({2007, 5, 22, 10, 20, 30, 0}),
         "3D 32 05 22 10 20 30 3B"},
        {"set date and time 31 Dec 23:59:59", setDateTimeFrame({1999, 12, 31, 23, 59, 59, 999}),
         "3D 32 12 31 23 59 59 3B"},
        {"set date and time 1 Jan 00:00:00", setDateTimeFrame({2000, 1, 1, 0, 0, 0, 0}), "3D 32 01 01 00 00 00 3B"},
        {"set year 2007", setYearFrame(2007), "3D 33 07 20 5F 5F 5F 3B"},
        {"set year 2000", setYearFrame(2000), "3D 33 00 20 5F 5F 5F 3B"},
        {"set year 1999", setYearFrame(1999), "3D 33 99 19 5F 5F 5F 3B"},
        {"save target PC", saveTargetFrame(false), "3D 52 00 5F 5F 5F 5F 3B"},
        {"save target PC+Flash", saveTargetFrame(true), "3D 52 01 5F 5F 5F 5F 3B"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.frame.size(), kCommandFrameLength) << c.what;
        EXPECT_EQ(hex(c.frame), c.bytes) << c.what;
    }
    EXPECT_EQ(statusRequestFrame(), "=S_____;");
    EXPECT_EQ(dateTimeRequestFrame(), "=1_____;");
}

TEST(CommandFrames, BcdPutsTheTensDigitInTheHighFourBits) {
    const std::vector<std::pair<int, int>> cases = {{0, 0x00}, {5, 0x05}, {10, 0x10}, {59, 0x59}, {99, 0x99},
                                                    {100, 0x00}, {2007, 0x07}};
    for (const auto& [value, byte] : cases) {
        EXPECT_EQ(bcdByte(value), byte) << value;
    }
}
