// The flash dump kordel-sim writes: headers and records read back from the file
// hold the values that were put in.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "files/flashdumpwriter.h"
#include "sim/simdump.h"
#include "sim/simfieldmodel.h"
#include "sim/siminstrumentclock.h"

namespace kordel {
namespace {

class TempFile {
public:
    TempFile() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kordel-simdump-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            dir_ = pattern;
        }
    }
    ~TempFile() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::string path() const { return (dir_ / "dump.bin").string(); }

private:
    std::filesystem::path dir_;
};

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::uint8_t at(const std::string& dump, std::size_t block, std::size_t offset) {
    return static_cast<std::uint8_t>(dump[block * 512 + offset]);
}

std::int32_t field24(const std::string& dump, std::size_t block, std::size_t offset) {
    std::int32_t v = at(dump, block, offset) | at(dump, block, offset + 1) << 8 | at(dump, block, offset + 2) << 16;
    if (v & 0x800000) {
        v -= 16777216;
    }
    return v;
}

std::string headerTime(const std::string& dump, std::size_t block) {
    std::string t;
    for (std::size_t i = 1; i <= 6; ++i) {
        t += HexByte(at(dump, block, i));
    }
    return t;
}

TEST(SimDump, HeadersAndRecordsReadBack) {
    TempFile file;
    SimDumpOptions options;
    options.blocks = 6;
    options.intervalCode = 2;
    options.gapAt = 4;
    options.gapSeconds = 3600;
    options.badBlocksFrom = 2;
    options.badBlocks = 1;
    options.erasedTail = 2;
    const CivilDateTime start{2007, 5, 15, 23, 58, 30, 0};
    const FlashDumpWriter writer(simDumpOptions(options, start));
    ASSERT_TRUE(writer.writeTo(file.path()).ok());

    const std::string dump = readAll(file.path());
    ASSERT_EQ(dump.size(), 8u * 512);

    // Block times: 30 seconds a block from the start, an hour later from block 4;
    // block 2 is bad (hour 0x24).
    EXPECT_EQ(headerTime(dump, 0), "070515235830");
    EXPECT_EQ(headerTime(dump, 1), "070515235900");
    EXPECT_EQ(headerTime(dump, 2), "070515245930");
    EXPECT_EQ(headerTime(dump, 3), "070516000000");
    EXPECT_EQ(headerTime(dump, 4), "070516010030");
    EXPECT_EQ(headerTime(dump, 5), "070516010100");

    const FieldModel model;
    const FieldValues first = model.sample(start, 0);
    for (std::size_t b = 0; b < 6; ++b) {
        EXPECT_EQ(at(dump, b, 0), 0xC0) << b;
        EXPECT_EQ(at(dump, b, 18), 2) << "interval code";
        const int tsRaw = at(dump, b, 20) | at(dump, b, 21) << 8;
        const int teRaw = at(dump, b, 22) | at(dump, b, 23) << 8;
        EXPECT_NEAR(tsRaw / 10.24 - 20, first.ts, 0.05);
        EXPECT_NEAR(teRaw / 10.24 - 20, first.te, 0.05);
        for (std::size_t r = 0; r < 30; ++r) {
            const std::uint64_t n = b * 30 + r;
            // Interval code 2: one record a second from the start.
            const CivilDateTime taken = InstrumentClock::fromMs(InstrumentClock::toMs(start) +
                                                                static_cast<std::int64_t>(n) * 1000);
            const DumpSample put = toDumpSample(model.sample(taken, n));
            const std::size_t rec = 32 + r * 16;
            EXPECT_EQ(field24(dump, b, rec), put.bx) << "block " << b << " record " << r;
            EXPECT_EQ(field24(dump, b, rec + 3), put.by);
            EXPECT_EQ(field24(dump, b, rec + 6), put.bz);
            EXPECT_EQ(at(dump, b, rec + 15), 0) << "counter byte";
            EXPECT_NEAR(-field24(dump, b, rec) / 160.0, 20000, 50);
            EXPECT_NEAR(-field24(dump, b, rec + 3) / 160.0, 1500, 50);
            EXPECT_NEAR(-field24(dump, b, rec + 6) / 160.0, 44000, 50);
        }
    }
    for (std::size_t i = 6 * 512; i < dump.size(); ++i) {
        ASSERT_EQ(static_cast<std::uint8_t>(dump[i]), 0xFF) << "erased tail at " << i;
    }
}

TEST(SimDump, CounterBytesFollowTheIntervalCode) {
    SimDumpOptions options;
    options.blocks = 1;
    options.intervalCode = 0;
    const std::string dump = FlashDumpWriter(simDumpOptions(options, kSimDumpDefaultStart)).build();
    ASSERT_EQ(dump.size(), 512u);
    EXPECT_EQ(headerTime(dump, 0), "070515123000");
    for (std::size_t r = 0; r < 30; ++r) {
        EXPECT_EQ(at(dump, 0, 32 + r * 16 + 15), r % 10) << r;
    }
}

TEST(SimDump, RawValueScaling) {
    EXPECT_EQ(toDumpSample({62.5, -62.5, 0, 0, 0}).bx, -10000);
    EXPECT_EQ(toDumpSample({62.5, -62.5, 0, 0, 0}).by, 10000);
    EXPECT_EQ(toDumpSample({62.5, -62.5, 0, 0, 0}).bz, 0);
    EXPECT_EQ(toDumpSample({-60000, 60000, 0, 0, 0}).bx, 8388607) << "held at the 24-bit range";
    EXPECT_EQ(toDumpSample({-60000, 60000, 0, 0, 0}).by, -8388608);
    EXPECT_EQ(toRawTemperature(55.0), 768);
    EXPECT_EQ(toRawTemperature(-30.0), 0);
}

}  // namespace
}  // namespace kordel
