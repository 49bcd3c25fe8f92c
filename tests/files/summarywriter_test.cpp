#include "files/summarywriter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "files/outputfile.h"
#include "filesizelimit.h"
#include "scratchdir.h"

namespace kordel {
namespace {

using test::fileBytes;

TEST(SummaryWriter, WritesTheHeaderThenAppendsEventLines) {
    const test::ScratchDir dir;
    SummaryHeader h;
    h.stem = "2007051512";
    h.inputName = "/data/k5/may.b07";
    h.time = {2007, 5, 3, 9, 5, 7, 0};
    h.latitude = "55451234N";
    h.longitude = "0371234567";
    h.tsRaw = 460;
    h.teRaw = 768;
    h.vinRaw = 399;
    h.vbat = 3712;
    h.firstDataFile = "20070503090507.fl";
    SummaryWriter w;
    const std::string path = dir.file(SummaryWriter::fileName(h.stem));
    ASSERT_TRUE(w.begin(path, h).ok());
    EXPECT_TRUE(w.isOpen());
    const std::string head =
        "Data from KORDEL-K5.\r\n\r\nInput file: /data/k5/may.b07\r\n\r\nDate: 03-05-2007\r\nTime: 09:05:07\r\n"
        "Latitude: 55451234N\r\nLongitude: 0371234567\r\nTs: -10.4\r\nTe: 51.2\r\nVIN: 12.0\r\nVBAT: 3712\r\n\r\n"
        "Name files : \r\n20070503090507.fl\r\n";
    // The header lines are on disk before the first event.
    EXPECT_EQ(fileBytes(path), head);
    ASSERT_TRUE(w.addLine("20070504000000.fl").ok());
    ASSERT_TRUE(w.addLine("MaxErrorBlock = 3").ok());
    ASSERT_TRUE(w.end().ok());
    EXPECT_FALSE(w.isOpen());
    EXPECT_EQ(fileBytes(path), head + "20070504000000.fl\r\nMaxErrorBlock = 3\r\n");
    EXPECT_EQ(path.substr(path.size() - 14), "2007051512.INF");
}

TEST(SummaryWriter, ValueTexts) {
    struct Case {
        std::uint16_t raw;
        const char* temperature;
        const char* supply;
    };
    const Case cases[] = {{0, "-102.4", "not available"}, {1, "-102.2", "4788.0"}, {512, "0.0", "9.4"},
                          {768, "51.2", "6.2"},  {399, "-22.6", "12.0"}, {65535, "13004.6", "0.1"},
                          {511, "-0.2", "9.4"},  {9576, "1812.8", "0.5"}};
    for (const auto& c : cases) {
        EXPECT_EQ(SummaryWriter::temperatureText(c.raw), c.temperature) << c.raw;
        EXPECT_EQ(SummaryWriter::supplyText(c.raw), c.supply) << c.raw;
    }
}

TEST(SummaryWriter, FailuresCarryTheSystemText) {
    SummaryWriter w;
    EXPECT_EQ(w.addLine("x").message(), "Cannot write : file not open");
    const IoStatus full = w.begin("/dev/full", SummaryHeader{});
    EXPECT_EQ(full.message(), "Cannot write /dev/full: No space left on device");
    EXPECT_FALSE(w.isOpen());
    EXPECT_EQ(w.begin("/nonexistent-dir/a.INF", SummaryHeader{}).message(),
              "Cannot create /nonexistent-dir/a.INF: No such file or directory");
}

TEST(OutputFile, ReportsAFullDiskAtFlushAndClose) {
    OutputFile f;
    ASSERT_TRUE(f.create("/dev/full").ok());
    EXPECT_TRUE(f.append("2007 05 15\r\n").ok());  // still in the buffer
    EXPECT_EQ(f.close().message(), "Cannot write /dev/full: No space left on device");
    EXPECT_FALSE(f.isOpen());

    ASSERT_TRUE(f.create("/dev/full").ok());
    const std::string big(OutputFile::kBufferSize + 10, 'x');
    EXPECT_EQ(f.append(big).message(), "Cannot write /dev/full: No space left on device");
}

TEST(OutputFile, AWriteCutShortByAFullDiskIsTakenBack) {
    const test::ScratchDir dir;
    OutputFile f;
    ASSERT_TRUE(f.create(dir.file("a.fl")).ok());
    ASSERT_TRUE(f.append(std::string(100, 'a')).ok());
    ASSERT_TRUE(f.flush().ok());
    {
        const test::FileSizeLimit full(150);
        ASSERT_TRUE(full.ok());
        ASSERT_TRUE(f.append(std::string(100, 'b')).ok());
        EXPECT_EQ(f.close().message(), "Cannot write " + dir.file("a.fl") + ": File too large");
    }
    EXPECT_EQ(fileBytes(dir.file("a.fl")), std::string(100, 'a'));
    ASSERT_TRUE(f.openToAppend(dir.file("a.fl")).ok());  // and goes on from there
    ASSERT_TRUE(f.append("c").ok());
    ASSERT_TRUE(f.close().ok());
    EXPECT_EQ(fileBytes(dir.file("a.fl")), std::string(100, 'a') + "c");
}

TEST(OutputFile, KeepsEveryByteAcrossBufferBoundaries) {
    const test::ScratchDir dir;
    OutputFile f;
    ASSERT_TRUE(f.create(dir.file("a.fl")).ok());
    std::string expected;
    for (int i = 0; i < 5000; ++i) {
        const std::string line = std::to_string(i) + std::string(static_cast<std::size_t>(i % 97), '.') + "\r\n";
        expected += line;
        ASSERT_TRUE(f.append(line).ok());
    }
    const std::string big(OutputFile::kBufferSize * 2 + 3, 'z');
    expected += big;
    ASSERT_TRUE(f.append(big).ok());
    ASSERT_TRUE(f.close().ok());
    EXPECT_EQ(fileBytes(dir.file("a.fl")), expected);
}

}  // namespace
}  // namespace kordel
