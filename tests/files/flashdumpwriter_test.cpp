#include "files/flashdumpwriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "scratchdir.h"

namespace kordel {
namespace {

using Block = FlashDumpWriter::Block;

TEST(FlashDumpWriter, HeaderHoldsMarkerBcdTimePositionAndRawFields) {
    FlashDumpOptions o;
    o.start = {2007, 5, 15, 12, 30, 0, 0};
    o.intervalCode = 2;
    o.tsRaw = 0x1234;
    o.teRaw = 0x0266;
    o.vinRaw = 399;
    o.vbat = 0x0E74;
    const Block b = FlashDumpWriter(o).block(0);
    const std::uint8_t expected[32] = {0xC0, 0x07, 0x05, 0x15, 0x12, 0x30, 0x00,       //
                                       0x55, 0x45, 0x12, 0x34, 'N',                     //
                                       0x03, 0x71, 0x23, 0x45, 0x67, 'E',               //
                                       0x02, 0x00, 0x34, 0x12, 0x66, 0x02, 0x8F, 0x01,  //
                                       0x0E, 0x74, 0x00, 0x00, 0x00, 0x00};
    for (std::size_t i = 0; i < 32; ++i) {
        EXPECT_EQ(b[i], expected[i]) << "byte " << i;
    }
}

TEST(FlashDumpWriter, RecordsCarry24BitValuesAndTheCounterOfTheIntervalCode) {
    FlashDumpOptions o;
    o.blocks = 2;
    o.intervalCode = 0;
    o.sample = [](std::uint64_t n) {
        return n == 0 ? DumpSample{10000, -8388608, -1} : DumpSample{static_cast<std::int32_t>(n), 0, 8388607};
    };
    const FlashDumpWriter w(o);
    const Block b0 = w.block(0);
    const std::uint8_t rec0[16] = {0x10, 0x27, 0x00, 0x00, 0x00, 0x80, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0};
    for (std::size_t i = 0; i < 16; ++i) {
        EXPECT_EQ(b0[32 + i], rec0[i]) << "byte " << i;
    }
    for (std::size_t r = 0; r < 30; ++r) {
        EXPECT_EQ(b0[32 + r * 16 + 15], r % 10);
    }
    const Block b1 = w.block(1);
    EXPECT_EQ(b1[32], 30);  // record 30 is the first of block 1
    EXPECT_EQ(b1[32 + 6], 0xFF);
    EXPECT_EQ(b1[32 + 8], 0x7F);
    EXPECT_EQ(b1[6], 0x03);  // ten records a second: 3 s a block
}

TEST(FlashDumpWriter, BlockTimesFollowTheIntervalCodeAcrossTheCalendar) {
    struct Case {
        std::uint8_t code;
        CivilDateTime start;
        std::size_t index;
        CivilDateTime expected;
    };
    const Case cases[] = {
        {2, {2007, 5, 15, 23, 59, 30, 0}, 1, {2007, 5, 16, 0, 0, 0, 0}},
        {1, {2007, 5, 15, 12, 0, 0, 0}, 4, {2007, 5, 15, 12, 1, 0, 0}},
        {3, {2008, 2, 28, 23, 0, 0, 0}, 12, {2008, 2, 29, 0, 0, 0, 0}},
        {4, {2007, 12, 31, 23, 30, 0, 0}, 1, {2008, 1, 1, 0, 0, 0, 0}},
        {7, {2007, 2, 28, 23, 59, 50, 0}, 1, {2007, 3, 1, 0, 0, 20, 0}},
    };
    for (const auto& c : cases) {
        FlashDumpOptions o;
        o.intervalCode = c.code;
        o.start = c.start;
        o.blocks = c.index + 1;
        EXPECT_EQ(FlashDumpWriter(o).blockTime(c.index), c.expected) << int(c.code);
    }
}

TEST(FlashDumpWriter, GapBadBlocksAndErasedTail) {
    FlashDumpOptions o;
    o.blocks = 6;
    o.gapBlock = 2;
    o.gapSeconds = -3600;
    o.badFirst = 4;
    o.badCount = 1;
    o.erasedBlocks = 2;
    const FlashDumpWriter w(o);
    EXPECT_EQ(w.blockCount(), 8u);
    EXPECT_EQ(w.block(1)[4], 0x12);
    EXPECT_EQ(w.block(1)[5], 0x30);
    EXPECT_EQ(w.block(2)[4], 0x11);
    EXPECT_EQ(w.block(2)[5], 0x31);
    EXPECT_EQ(w.block(4)[4], FlashDumpWriter::kBadHour);
    EXPECT_EQ(w.block(4)[0], 0xC0);
    for (std::uint8_t byte : w.block(6)) {
        ASSERT_EQ(byte, 0xFF);
    }
    const std::string all = w.build();
    ASSERT_EQ(all.size(), 8u * 512u);
    const Block b3 = w.block(3);
    EXPECT_EQ(all.substr(3 * 512, 512), std::string(reinterpret_cast<const char*>(b3.data()), 512));
}

TEST(FlashDumpWriter, WritesTheSameBytesToAFile) {
    FlashDumpOptions o;
    o.blocks = 300;
    o.erasedBlocks = 1;
    const FlashDumpWriter w(o);
    const test::ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    const std::string path = dir.file("dump.b01");
    ASSERT_TRUE(w.writeTo(path).ok());
    std::ifstream in(path, std::ios::binary);
    const std::string read((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(read, w.build());
}

TEST(FlashDumpWriter, ReportsAFileThatCannotBeCreated) {
    const FlashDumpWriter w(FlashDumpOptions{});
    const IoStatus s = w.writeTo("/nonexistent-dir/x.bin");
    EXPECT_FALSE(s.ok());
    EXPECT_EQ(s.message(), "Cannot create /nonexistent-dir/x.bin: No such file or directory");
}

}  // namespace
}  // namespace kordel
