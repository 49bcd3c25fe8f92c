#include "files/flashconverter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <vector>

#include "expected.h"
#include "files/flashdumpwriter.h"
#include "scratchdir.h"

namespace kordel {
namespace {

using test::dataLine;
using test::fileName;
using test::plusSeconds;
using test::timeText;
using Result = FlashConverter::Result;

class Recorder final : public FileSummaryListener {
public:
    void onLog(const std::string& text) override { logs.push_back(text); }
    void onMessage(const std::string& text) override { messages.push_back(text); }
    void onFailure(const std::string& text) override { failures.push_back(text); }
    void onProgress(int percent) override { progress.push_back(percent); }

    std::vector<std::string> logs, messages, failures;
    std::vector<int> progress;
};

using test::fileBytes;

void writeAll(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good());
}

// The files of a directory and their contents, the dump excepted.
std::map<std::string, std::string> outputFiles(const test::ScratchDir& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
        const std::string name = e.path().filename().string();
        if (name != "dump.b01") {
            files[name] = fileBytes(e.path().string());
        }
    }
    return files;
}

std::string summaryHead(const std::string& input, const CivilDateTime& t, const std::string& ts,
                        const std::string& te, const std::string& vin, int vbat, const std::string& firstFile,
                        const std::string& latitude = "55451234N", const std::string& longitude = "0371234567E") {
    return "Data from KORDEL-K5.\r\n\r\nInput file: " + input + "\r\n\r\nDate: " + TwoDigits(t.day) + "-" +
           TwoDigits(t.month) + "-" + std::to_string(t.year) + "\r\nTime: " + TwoDigits(t.hour) + ":" +
           TwoDigits(t.minute) + ":" + TwoDigits(t.second) + "\r\nLatitude: " + latitude + "\r\nLongitude: " +
           longitude + "\r\nTs: " + ts + "\r\nTe: " + te + "\r\nVIN: " + vin + "\r\nVBAT: " + std::to_string(vbat) +
           "\r\n\r\nName files : \r\n" + firstFile + "\r\n";
}

// The defaults of FlashDumpOptions give these summary values.
std::string defaultSummaryHead(const std::string& input, const CivilDateTime& t, const std::string& firstFile) {
    return summaryHead(input, t, "51.2", "20.4", "12.0", 3700, firstFile);
}

DumpSample sampleOf(std::uint64_t n) {
    const auto k = static_cast<std::int32_t>(n);
    return DumpSample{k * 37 - 500, -k * 11 + 3, (k % 7) * 100001 - 300000};
}

struct Conversion {
    Result result{};
    Recorder rec;
    std::map<std::string, std::string> files;
    std::string input;
};

std::unique_ptr<Conversion> convert(const test::ScratchDir& dir, const std::string& dump) {
    auto c = std::make_unique<Conversion>();
    c->input = dir.file("dump.b01");
    writeAll(c->input, dump);
    FlashConverter converter(c->rec, dir.path().string());
    c->result = converter.run(c->input);
    c->files = outputFiles(dir);
    return c;
}

FlashDumpOptions optionsWith(std::uint8_t code, std::size_t blocks, CivilDateTime start) {
    FlashDumpOptions o;
    o.intervalCode = code;
    o.blocks = blocks;
    o.start = start;
    o.sample = sampleOf;
    return o;
}

// ---- the clock and the files of uninterrupted dumps ----

int recordsPerSecond(std::uint8_t code) { return code == 0 ? 10 : code == 1 ? 2 : 1; }
int secondsPerRecord(std::uint8_t code) { return code == 3 ? 10 : code == 4 ? 60 : 1; }

TEST(FlashConverter, UninterruptedDumpsFollowTheIntervalCodeAndSplitAtMidnight) {
    struct Case {
        std::uint8_t code;
        std::size_t blocks;
        CivilDateTime start;
    };
    const Case cases[] = {
        {0, 3, {2007, 5, 15, 12, 30, 0, 0}},
        {1, 2, {2007, 5, 15, 12, 30, 0, 0}},
        {2, 3, {2007, 5, 15, 12, 30, 0, 0}},
        {3, 2, {2007, 5, 15, 12, 30, 0, 0}},
        {4, 2, {2007, 5, 15, 12, 30, 0, 0}},
        {2, 2, {2007, 5, 15, 23, 59, 30, 0}},   // 20070516000000.fl
        {3, 1, {2007, 5, 15, 23, 59, 55, 0}},   // 20070516000005.fl
        {2, 1, {2007, 2, 28, 23, 59, 59, 0}},   // 1 March 2007
        {2, 1, {2008, 2, 28, 23, 59, 59, 0}},   // 29 February 2008
        {2, 1, {2007, 12, 31, 23, 59, 59, 0}},  // 20080101000000.fl
        {4, 100, {2007, 5, 15, 0, 0, 0, 0}},    // midnight twice: three files
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "code " << int(c.code) << " from " << timeText(c.start));
        const test::ScratchDir dir;
        ASSERT_TRUE(dir.ok());
        const FlashDumpOptions o = optionsWith(c.code, c.blocks, c.start);
        const auto conv = convert(dir, FlashDumpWriter(o).build());
        ASSERT_EQ(conv->result, Result::Converted);

        std::map<std::string, std::string> expected;
        std::string current = fileName(c.start);
        std::string summary = defaultSummaryHead(conv->input, c.start, current);
        expected[current];
        const std::size_t records = c.blocks * 30;
        for (std::size_t n = 0; n < records; ++n) {
            const long long s = static_cast<long long>(n) / recordsPerSecond(c.code) * secondsPerRecord(c.code);
            const CivilDateTime t = plusSeconds(c.start, s);
            if (fileName(t).substr(0, 8) != current.substr(0, 8)) {
                current = fileName(t);
                summary += current + "\r\n";
            }
            const DumpSample v = sampleOf(n);
            expected[current] += dataLine(t, v.bx, v.by, v.bz, o.tsRaw, o.teRaw);
        }
        // The last record's step may carry the clock past midnight.
        const long long end = static_cast<long long>(records) / recordsPerSecond(c.code) * secondsPerRecord(c.code);
        const CivilDateTime after = plusSeconds(c.start, end);
        if (fileName(after).substr(0, 8) != current.substr(0, 8)) {
            current = fileName(after);
            summary += current + "\r\n";
            expected[current];
        }
        expected[std::to_string(c.start.year) + TwoDigits(c.start.month) + TwoDigits(c.start.day) +
                 TwoDigits(c.start.hour) + ".INF"] = summary;
        EXPECT_EQ(conv->files, expected);
        EXPECT_EQ(conv->rec.logs, std::vector<std::string>{"Bin To Text: " + conv->input});
        EXPECT_TRUE(conv->rec.messages.empty());
        EXPECT_TRUE(conv->rec.failures.empty());
    }
}

TEST(FlashConverter, MidnightFileNamesAndTheFirstLinesAfterThem) {
    struct Case {
        std::uint8_t code;
        CivilDateTime start;
        std::string newFile;
        std::string firstTime;
    };
    const Case cases[] = {
        {2, {2007, 5, 15, 23, 59, 30, 0}, "20070516000000.fl", "2007 05 16 00 00 00"},
        {3, {2007, 5, 15, 23, 59, 55, 0}, "20070516000005.fl", "2007 05 16 00 00 05"},
        {2, {2007, 2, 28, 23, 59, 59, 0}, "20070301000000.fl", "2007 03 01 00 00 00"},
        {2, {2008, 2, 28, 23, 59, 59, 0}, "20080229000000.fl", "2008 02 29 00 00 00"},
        {2, {2007, 12, 31, 23, 59, 59, 0}, "20080101000000.fl", "2008 01 01 00 00 00"},
    };
    for (const auto& c : cases) {
        const test::ScratchDir dir;
        const auto conv = convert(dir, FlashDumpWriter(optionsWith(c.code, 2, c.start)).build());
        ASSERT_EQ(conv->result, Result::Converted);
        ASSERT_EQ(conv->files.count(c.newFile), 1u) << c.newFile;
        EXPECT_EQ(conv->files[c.newFile].substr(0, 19), c.firstTime);
    }
}

TEST(FlashConverter, IntervalCodeFiveOrMoreNeverMovesTheClock) {
    const test::ScratchDir dir;
    const CivilDateTime start{2007, 5, 15, 12, 30, 0, 0};
    const FlashDumpOptions o = optionsWith(7, 2, start);
    const auto conv = convert(dir, FlashDumpWriter(o).build());
    ASSERT_EQ(conv->result, Result::Converted);
    const CivilDateTime second = plusSeconds(start, 30);
    std::string fl;
    for (std::uint64_t n = 0; n < 30; ++n) {
        fl += dataLine(start, sampleOf(n).bx, sampleOf(n).by, sampleOf(n).bz, o.tsRaw, o.teRaw);
    }
    const std::string gap = "Error Time: From: " + timeText(start) + " To: " + timeText(second);
    fl += dataLine(start, sampleOf(29).bx, sampleOf(29).by, sampleOf(29).bz, o.tsRaw, o.teRaw);
    for (std::uint64_t n = 30; n < 60; ++n) {
        fl += dataLine(second, sampleOf(n).bx, sampleOf(n).by, sampleOf(n).bz, o.tsRaw, o.teRaw);
    }
    const std::map<std::string, std::string> expected{
        {"20070515123000.fl", fl},
        {"2007051512.INF", defaultSummaryHead(conv->input, start, "20070515123000.fl") + gap + "\r\n"}};
    EXPECT_EQ(conv->files, expected);
    EXPECT_EQ(conv->rec.logs, (std::vector<std::string>{"Bin To Text: " + conv->input, gap}));
}

// ---- time gaps ----

TEST(FlashConverter, TimeGapsWriteAGapLineAndStartAFileOnlyOnAnotherDay) {
    struct Case {
        const char* what;
        long long gapSeconds;
        bool newFile;
    };
    const Case cases[] = {
        {"within the day", 3600, false},
        {"to another day", 86400 + 120, true},
        {"to the same day of another month", 31LL * 86400, false},
        {"backwards", -7200, false},
        {"backwards to the day before", -13LL * 3600, true},
    };
    const CivilDateTime start{2007, 5, 15, 12, 30, 0, 0};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const test::ScratchDir dir;
        FlashDumpOptions o = optionsWith(2, 3, start);
        o.gapBlock = 2;
        o.gapSeconds = c.gapSeconds;
        o.teRaw = 700;
        const auto conv = convert(dir, FlashDumpWriter(o).build());
        ASSERT_EQ(conv->result, Result::Converted);

        const CivilDateTime clock = plusSeconds(start, 60);
        const CivilDateTime block = plusSeconds(start, 60 + c.gapSeconds);
        std::string first;
        for (std::uint64_t n = 0; n < 60; ++n) {
            first += dataLine(plusSeconds(start, static_cast<long long>(n)), sampleOf(n).bx, sampleOf(n).by,
                              sampleOf(n).bz, o.tsRaw, o.teRaw);
        }
        first += dataLine(clock, sampleOf(59).bx, sampleOf(59).by, sampleOf(59).bz, o.tsRaw, o.teRaw);
        std::string rest;
        for (std::uint64_t n = 60; n < 90; ++n) {
            rest += dataLine(plusSeconds(block, static_cast<long long>(n) - 60), sampleOf(n).bx, sampleOf(n).by,
                             sampleOf(n).bz, o.tsRaw, o.teRaw);
        }
        const std::string gap = "Error Time: From: " + timeText(clock) + " To: " + timeText(block);
        std::string summary = summaryHead(conv->input, start, "51.2", "37.6", "12.0", 3700, "20070515123000.fl") +
                              gap + "\r\n";
        std::map<std::string, std::string> expected;
        if (c.newFile) {
            expected["20070515123000.fl"] = first;
            expected[fileName(block)] = rest;
            summary += fileName(block) + "\r\n";
        } else {
            expected["20070515123000.fl"] = first + rest;
        }
        expected["2007051512.INF"] = summary;
        EXPECT_EQ(conv->files, expected);
        EXPECT_EQ(conv->rec.logs, (std::vector<std::string>{"Bin To Text: " + conv->input, gap}));
    }
}

TEST(FlashConverter, AFileStartedAgainInOneDumpGoesOnAndAnotherRunReplacesIt) {
    // Interval code 4: 30 minutes a block. Block 0 runs from 23:50 past midnight,
    // block 1 goes back to 23:50 and crosses the same midnight again.
    const CivilDateTime start{2007, 5, 15, 23, 50, 0, 0};
    FlashDumpOptions o = optionsWith(4, 3, start);
    o.gapBlock = 1;
    o.gapSeconds = -1800;
    std::map<std::string, std::string> expected;
    const CivilDateTime blockTimes[] = {start, start, plusSeconds(start, 1800)};
    for (std::uint64_t n = 0; n < 90; ++n) {
        const CivilDateTime t = plusSeconds(blockTimes[n / 30], static_cast<long long>(n % 30) * 60);
        expected[t.day == 15 ? "20070515235000.fl" : "20070516000000.fl"] +=
            dataLine(t, sampleOf(n).bx, sampleOf(n).by, sampleOf(n).bz, o.tsRaw, o.teRaw);
        if (n == 29) {  // the gap line, at the clock before the jump back
            expected["20070516000000.fl"] += dataLine(plusSeconds(start, 1800), sampleOf(n).bx, sampleOf(n).by,
                                                      sampleOf(n).bz, o.tsRaw, o.teRaw);
        }
    }
    EXPECT_EQ(expected["20070515235000.fl"].size() / 63 + expected["20070516000000.fl"].size() / 63, 91u);
    expected["2007051523.INF"] =
        defaultSummaryHead("@", start, "20070515235000.fl") +
        "20070516000000.fl\r\nError Time: From: 2007 05 16 00 20 00 To: 2007 05 15 23 50 00\r\n"
        "20070515235000.fl\r\n20070516000000.fl\r\n";
    const test::ScratchDir dir;
    for (int run = 0; run < 2; ++run) {  // converting it again gives the same files
        SCOPED_TRACE(run);
        const auto conv = convert(dir, FlashDumpWriter(o).build());
        ASSERT_EQ(conv->result, Result::Converted);
        std::string& inf = expected["2007051523.INF"];
        if (const auto at = inf.find('@'); at != std::string::npos) {
            inf.replace(at, 1, conv->input);
        }
        EXPECT_EQ(conv->files, expected);
    }
}

// ---- bad blocks ----

std::string linesOfBlocks(const FlashDumpOptions& o, const CivilDateTime& from, std::size_t firstBlock,
                          std::size_t count) {
    std::string s;
    for (std::size_t n = firstBlock * 30; n < (firstBlock + count) * 30; ++n) {
        const DumpSample v = sampleOf(n);
        s += dataLine(plusSeconds(from, static_cast<long long>(n - firstBlock * 30)), v.bx, v.by, v.bz, o.tsRaw,
                      o.teRaw);
    }
    return s;
}

TEST(FlashConverter, ErasedTailsAreReportedAsBadBlockRuns) {
    for (std::size_t erased : {1u, 2u, 5u}) {
        SCOPED_TRACE(erased);
        const test::ScratchDir dir;
        const CivilDateTime start{2007, 5, 15, 12, 30, 0, 0};
        FlashDumpOptions o = optionsWith(2, 2, start);
        o.erasedBlocks = erased;
        const auto conv = convert(dir, FlashDumpWriter(o).build());
        ASSERT_EQ(conv->result, Result::Converted);
        const std::string t = timeText(plusSeconds(start, 30));  // compared at the second block
        std::vector<std::string> logs{"Bin To Text: " + conv->input, "!Error Block > " + t,
                                      "!buf512[0..5]= FF FF FF FF FF FF "};
        std::string summary = defaultSummaryHead(conv->input, start, "20070515123000.fl") + "Error Block > " + t +
                              "\r\n!buf512[0..5]= FF FF FF FF FF FF \r\n";
        if (erased >= 2) {
            logs.push_back("MaxErrorBlock = " + std::to_string(erased));
            summary += "MaxErrorBlock = " + std::to_string(erased) + "\r\n";
        }
        const std::map<std::string, std::string> expected{
            {"20070515123000.fl", linesOfBlocks(o, start, 0, 2)}, {"2007051512.INF", summary}};
        EXPECT_EQ(conv->files, expected);
        EXPECT_EQ(conv->rec.logs, logs);
    }
}

TEST(FlashConverter, ADumpPaddedWithZerosEndsInOneRunOfBadBlocks) {
    const test::ScratchDir dir;
    const CivilDateTime start{2007, 5, 15, 12, 30, 0, 0};
    const FlashDumpOptions o = optionsWith(2, 1, start);
    const auto conv = convert(dir, FlashDumpWriter(o).build() + std::string(4 * 512, '\0'));
    ASSERT_EQ(conv->result, Result::Converted);
    EXPECT_EQ(conv->rec.logs, (std::vector<std::string>{"Bin To Text: " + conv->input,
                                                        "!Error Block > 2007 05 15 12 30 00",
                                                        "!buf512[0..5]= 00 00 00 00 00 00 ", "MaxErrorBlock = 4"}));
    EXPECT_EQ(conv->files["20070515123000.fl"], linesOfBlocks(o, start, 0, 1));
    EXPECT_EQ(conv->files.size(), 2u);
}

TEST(FlashConverter, HeaderBytesOutOfRangeOrNotDecimalMakeABadBlock) {
    struct Case {
        std::size_t byte;
        std::uint8_t value;
    };
    // 0x24 as the hour, 0x60 as the minute, 0x1A as the day (passes the range
    // check but is no decimal number), 0x9A as the year, 0x13 as the month.
    // Month or day 0x00 (a block of zeros) is no date either.
    const Case cases[] = {{4, 0x24}, {5, 0x60}, {3, 0x1A}, {1, 0x9A}, {2, 0x13}, {6, 0x5F}, {2, 0x00}, {3, 0x00}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "byte " << c.byte << " = " << HexByte(c.value));
        const test::ScratchDir dir;
        const CivilDateTime start{2007, 5, 15, 12, 30, 0, 0};
        const FlashDumpOptions o = optionsWith(2, 3, start);
        const FlashDumpWriter w(o);
        std::string dump = w.build();
        dump[512 + c.byte] = static_cast<char>(c.value);
        const auto conv = convert(dir, dump);
        ASSERT_EQ(conv->result, Result::Converted);

        const auto b1 = w.block(1);
        std::string h;
        for (std::size_t i = 0; i < 6; ++i) {
            h += HexByte(i == c.byte ? c.value : b1[i]) + " ";
        }
        // Block 1 is skipped, so the clock stands after block 0 when block 2 comes;
        // the time named in the report is the one compared at block 0.
        const std::string t = timeText(plusSeconds(start, 30));
        const std::string compared = timeText(start);
        const std::string gap = "Error Time: From: " + t + " To: " + timeText(plusSeconds(start, 60));
        const std::vector<std::string> logs{"Bin To Text: " + conv->input, "!Error Block > " + compared,
                                            "!buf512[0..5]= " + h, gap};
        EXPECT_EQ(conv->rec.logs, logs);
        std::string fl = linesOfBlocks(o, start, 0, 1);
        fl += dataLine(plusSeconds(start, 30), sampleOf(29).bx, sampleOf(29).by, sampleOf(29).bz, o.tsRaw, o.teRaw);
        fl += linesOfBlocks(o, plusSeconds(start, 60), 2, 1);
        const std::map<std::string, std::string> expected{
            {"20070515123000.fl", fl},
            {"2007051512.INF", defaultSummaryHead(conv->input, start, "20070515123000.fl") + "Error Block > " +
                                   compared + "\r\n!buf512[0..5]= " + h + "\r\n" + gap + "\r\n"}};
        EXPECT_EQ(conv->files, expected);
    }
}

TEST(FlashConverter, ARunOfBadBlocksInTheMiddleIsReportedInOrder) {
    const test::ScratchDir dir;
    const CivilDateTime start{2007, 5, 15, 23, 55, 0, 0};
    FlashDumpOptions o = optionsWith(3, 4, start);  // 300 s a block
    o.badFirst = 1;
    o.badCount = 2;
    const FlashDumpWriter w(o);
    const auto conv = convert(dir, w.build());
    ASSERT_EQ(conv->result, Result::Converted);
    // Block 0 carries the clock past midnight to 00:00:00; block 3 stands at 00:10:00
    // of the 16th, which the clock reaches only through the gap.
    const CivilDateTime midnight{2007, 5, 16, 0, 0, 0, 0};
    const CivilDateTime block3 = plusSeconds(start, 900);
    const std::string h = "C0 07 05 16 24 00 ";
    const std::string gap = "Error Time: From: " + timeText(midnight) + " To: " + timeText(block3);
    const std::vector<std::string> logs{"Bin To Text: " + conv->input, "!Error Block > " + timeText(start),
                                        "!buf512[0..5]= " + h, "MaxErrorBlock = 2", gap};
    EXPECT_EQ(conv->rec.logs, logs);
    std::string first;
    std::string second;
    for (std::uint64_t n = 0; n < 30; ++n) {
        const CivilDateTime t = plusSeconds(start, static_cast<long long>(n) * 10);
        (t.day == 15 ? first : second) += dataLine(t, sampleOf(n).bx, sampleOf(n).by, sampleOf(n).bz, o.tsRaw, o.teRaw);
    }
    second += dataLine(midnight, sampleOf(29).bx, sampleOf(29).by, sampleOf(29).bz, o.tsRaw, o.teRaw);
    for (std::uint64_t n = 90; n < 120; ++n) {
        second += dataLine(plusSeconds(block3, static_cast<long long>(n - 90) * 10), sampleOf(n).bx, sampleOf(n).by,
                           sampleOf(n).bz, o.tsRaw, o.teRaw);
    }
    const std::map<std::string, std::string> expected{
        {"20070515235500.fl", first},
        {"20070516000000.fl", second},
        {"2007051523.INF", defaultSummaryHead(conv->input, start, "20070515235500.fl") +
                               "20070516000000.fl\r\nError Block > " + timeText(start) + "\r\n!buf512[0..5]= " + h +
                               "\r\nMaxErrorBlock = 2\r\n" + gap + "\r\n"}};
    EXPECT_EQ(conv->files, expected);
}

// ---- the first block ----

TEST(FlashConverter, AFirstBlockHourOf25IsLoggedAndItsRecordsKeepTheClock) {
    const test::ScratchDir dir;
    FlashDumpOptions o = optionsWith(2, 1, {2007, 5, 15, 12, 30, 0, 0});
    std::string dump = FlashDumpWriter(o).build();
    dump[4] = 0x25;
    const auto conv = convert(dir, dump);
    ASSERT_EQ(conv->result, Result::Converted);
    EXPECT_EQ(conv->rec.logs, (std::vector<std::string>{"Bin To Text: " + conv->input,
                                                        "Error time in blok! Correct time: 2007 05 15 25 30 00<==" +
                                                            std::string("2007 05 15 25 30 00")}));
    ASSERT_EQ(conv->files.count("20070515253000.fl"), 1u);
    const std::string& fl = conv->files["20070515253000.fl"];
    EXPECT_EQ(fl.substr(0, 19), "2007 05 15 25 30 00");
    EXPECT_EQ(fl.substr(fl.size() - 63, 19), "2007 05 15 25 30 29");
}

TEST(FlashConverter, DumpsWithoutAMarkerOrAReadableFirstTimeWriteNothing) {
    FlashDumpOptions o = optionsWith(2, 2, {2007, 5, 15, 12, 30, 0, 0});
    const std::string good = FlashDumpWriter(o).build();
    std::string noMarker = good;
    noMarker[0] = static_cast<char>(0xC1);
    std::string dayNotDecimal = good;
    dayNotDecimal[3] = 0x1A;
    std::string minuteNotDecimal = good;
    minuteNotDecimal[5] = static_cast<char>(0xA0);
    const auto withByte = [&good](std::size_t at, char value) {
        std::string d = good;
        d[at] = value;
        return d;
    };
    struct Case {
        const char* what;
        std::string dump;
        Result result;
        const char* tail;
    };
    const Case cases[] = {
        {"empty", "", Result::NoMarker, "[0]<>$C0!"},
        {"no marker", noMarker, Result::NoMarker, "[0]<>$C0!"},
        {"marker only", std::string(1, static_cast<char>(0xC0)), Result::BadFirstTime,
         "\r\n bad time in first block!"},
        {"day 0x1A", dayNotDecimal, Result::BadFirstTime, "\r\n bad time in first block!"},
        {"minute 0xA0", minuteNotDecimal, Result::BadFirstTime, "\r\n bad time in first block!"},
        {"month 0x00", withByte(2, 0x00), Result::BadFirstTime, "\r\n bad time in first block!"},
        {"month 0x13", withByte(2, 0x13), Result::BadFirstTime, "\r\n bad time in first block!"},
        {"day 0x00", withByte(3, 0x00), Result::BadFirstTime, "\r\n bad time in first block!"},
        {"day 0x32", withByte(3, 0x32), Result::BadFirstTime, "\r\n bad time in first block!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const test::ScratchDir dir;
        const auto conv = convert(dir, c.dump);
        EXPECT_EQ(conv->result, c.result);
        EXPECT_TRUE(conv->files.empty());
        EXPECT_EQ(conv->rec.messages, std::vector<std::string>{"File \r\n" + conv->input + c.tail});
        EXPECT_EQ(conv->rec.logs, std::vector<std::string>{"Bin To Text: " + conv->input});
        EXPECT_EQ(conv->rec.progress, std::vector<int>{0});
    }
}

TEST(FlashConverter, AMissingDumpIsReportedAndNothingElseHappens) {
    const test::ScratchDir dir;
    Recorder rec;
    FlashConverter converter(rec, dir.path().string());
    const std::string name = dir.file("none.b01");
    EXPECT_EQ(converter.run(name), Result::InputMissing);
    EXPECT_EQ(rec.messages, std::vector<std::string>{"File \r\n" + name + "\r\n not found!"});
    EXPECT_EQ(rec.logs, std::vector<std::string>{"Bin To Text: " + name});
    EXPECT_TRUE(rec.progress.empty());
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

// ---- values ----

TEST(FlashConverter, FieldValuesAreNegatedScaledAndRoundedHalfAwayFromZero) {
    struct Case {
        std::uint8_t b0, b1, b2;
        const char* text;
    };
    const Case cases[] = {
        {0x10, 0x27, 0x00, "  -62.50"}, {0x00, 0x00, 0x80, "52428.80"}, {0xFF, 0xFF, 0x7F, "-52428.79"},
        {0x00, 0x00, 0x00, "    0.00"}, {0x14, 0x00, 0x00, "   -0.13"}, {0xEC, 0xFF, 0xFF, "    0.13"},
        {0x04, 0x00, 0x00, "   -0.03"}, {0x01, 0x00, 0x00, "   -0.01"}, {0xFF, 0xFF, 0xFF, "    0.01"},
    };
    for (const auto& c : cases) {
        const test::ScratchDir dir;
        FlashDumpOptions o = optionsWith(2, 1, {2007, 5, 15, 12, 30, 0, 0});
        o.sample = [](std::uint64_t) { return DumpSample{}; };
        std::string dump = FlashDumpWriter(o).build();
        for (std::size_t field = 0; field < 3; ++field) {
            dump[32 + field * 3] = static_cast<char>(c.b0);
            dump[33 + field * 3] = static_cast<char>(c.b1);
            dump[34 + field * 3] = static_cast<char>(c.b2);
        }
        const auto conv = convert(dir, dump);
        const std::string& fl = conv->files["20070515123000.fl"];
        const std::string v = c.text;
        EXPECT_EQ(fl.substr(0, fl.find("\r\n")),
                  "2007 05 15 12 30 00.00 " + v + " " + v + " " + v + "  55.0  40.0")
            << c.text;
    }
}

TEST(FlashConverter, DataLineTemperaturesUseTheirOwnScaling) {
    struct Case {
        std::uint16_t raw;
        const char* text;
    };
    const Case cases[] = {{768, " 55.0"}, {614, " 40.0"}, {0, "-20.0"}, {204, " -0.1"},
                          {205, "  0.0"}, {65535, "6379.9"}, {1024, " 80.0"}, {3, "-19.7"},
                          {64, "-13.8"}, {192, " -1.3"}};  // -13.75 and -1.25: halves away from zero
    for (const auto& c : cases) {
        const test::ScratchDir dir;
        FlashDumpOptions o = optionsWith(2, 1, {2007, 5, 15, 12, 30, 0, 0});
        o.sample = [](std::uint64_t) { return DumpSample{}; };
        o.tsRaw = c.raw;
        o.teRaw = c.raw;
        const auto conv = convert(dir, FlashDumpWriter(o).build());
        const std::string& fl = conv->files["20070515123000.fl"];
        EXPECT_EQ(fl.substr(0, fl.find("\r\n")), std::string("2007 05 15 12 30 00.00     0.00     0.00     0.00 ") +
                                                     c.text + " " + c.text)
            << c.raw;
    }
}

TEST(FlashConverter, SummaryValuesComeFromTheFirstBlock) {
    struct Case {
        std::uint16_t ts, te, vin, vbat;
        char latLetter, lonLetter;
        std::string head;
    };
    const CivilDateTime start{2007, 5, 15, 12, 30, 0, 0};
    const Case cases[] = {
        {512, 768, 399, 3700, 'N', 'E', summaryHead("@", start, "0.0", "51.2", "12.0", 3700, "20070515123000.fl")},
        {460, 0, 1, 0, 0, 0,
         summaryHead("@", start, "-10.4", "-102.4", "4788.0", 0, "20070515123000.fl", "55451234", "0371234567")},
        {65535, 511, 0, 65535, 'S', 0,
         summaryHead("@", start, "13004.6", "-0.2", "not available", 65535, "20070515123000.fl", "55451234S",
                     "0371234567")},
        {513, 512, 9576, 1, 'N', 'W',
         summaryHead("@", start, "0.2", "0.0", "0.5", 1, "20070515123000.fl", "55451234N", "0371234567W")},
    };
    for (const auto& c : cases) {
        const test::ScratchDir dir;
        FlashDumpOptions o = optionsWith(2, 1, start);
        o.tsRaw = c.ts;
        o.teRaw = c.te;
        o.vinRaw = c.vin;
        o.vbat = c.vbat;
        o.latitudeLetter = c.latLetter;
        o.longitudeLetter = c.lonLetter;
        const auto conv = convert(dir, FlashDumpWriter(o).build());
        ASSERT_EQ(conv->result, Result::Converted);
        std::string head = c.head;
        head.replace(head.find('@'), 1, conv->input);
        // One block within the day: exactly the 15 lines.
        EXPECT_EQ(conv->files["2007051512.INF"], head);
        EXPECT_EQ(std::count(head.begin(), head.end(), '\n'), 15);
    }
}

// ---- short last blocks ----

TEST(FlashConverter, AnIncompleteLastRecordIsSkippedAndLogged) {
    struct Case {
        std::size_t lastBlockBytes;
        std::size_t records;
        std::size_t present;  // bytes of the record the dump cuts short (0: none)
    };
    const Case cases[] = {{40, 0, 8}, {48, 1, 0}, {60, 1, 12}, {511, 29, 15}, {33, 0, 1}, {32, 0, 0}, {7, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lastBlockBytes);
        const test::ScratchDir dir;
        const CivilDateTime start{2007, 5, 15, 12, 30, 0, 0};
        const FlashDumpOptions o = optionsWith(2, 2, start);
        const std::string dump = FlashDumpWriter(o).build().substr(0, 512 + c.lastBlockBytes);
        const auto conv = convert(dir, dump);
        ASSERT_EQ(conv->result, Result::Converted);
        std::string fl = linesOfBlocks(o, start, 0, 1);
        for (std::uint64_t n = 30; n < 30 + c.records; ++n) {
            fl += dataLine(plusSeconds(start, static_cast<long long>(n)), sampleOf(n).bx, sampleOf(n).by,
                           sampleOf(n).bz, o.tsRaw, o.teRaw);
        }
        EXPECT_EQ(conv->files["20070515123000.fl"], fl);
        std::vector<std::string> logs{"Bin To Text: " + conv->input};
        if (c.present != 0) {
            logs.push_back("Incomplete record skipped at " + timeText(plusSeconds(start, 30 + static_cast<long long>(c.records))) +
                           ": " + std::to_string(c.present) + " of 16 bytes");
        }
        EXPECT_EQ(conv->rec.logs, logs);
    }
}

// ---- progress and failures ----

TEST(FlashConverter, ProgressIsReportedWhenThePercentageChanges) {
    const test::ScratchDir dir;
    const auto three = convert(dir, FlashDumpWriter(optionsWith(2, 3, {2007, 5, 15, 12, 30, 0, 0})).build());
    // 0 before the first block, then after each further read.
    EXPECT_EQ(three->rec.progress, (std::vector<int>{0, 67, 100}));

    const test::ScratchDir dir2;
    const auto many = convert(dir2, FlashDumpWriter(optionsWith(2, 1000, {2007, 5, 15, 12, 30, 0, 0})).build());
    EXPECT_EQ(many->rec.progress.size(), 101u);
    for (std::size_t i = 0; i < many->rec.progress.size(); ++i) {
        EXPECT_EQ(many->rec.progress[i], static_cast<int>(i));
    }
}

TEST(FlashConverter, AnOutputDirectoryThatCannotBeWrittenStopsTheConversion) {
    const test::ScratchDir dir;
    const std::string input = dir.file("dump.b01");
    writeAll(input, FlashDumpWriter(optionsWith(2, 1, {2007, 5, 15, 12, 30, 0, 0})).build());
    Recorder rec;
    FlashConverter converter(rec, dir.file("missing"));
    EXPECT_EQ(converter.run(input), Result::Failed);
    EXPECT_EQ(rec.failures, std::vector<std::string>{"Cannot create " + dir.file("missing") +
                                                     "/2007051512.INF: No such file or directory"});
}

TEST(FlashConverter, ExistingOutputFilesAreReplaced) {
    const test::ScratchDir dir;
    writeAll(dir.file("20070515123000.fl"), std::string(100000, 'x'));
    writeAll(dir.file("2007051512.INF"), std::string(100000, 'y'));
    const auto conv = convert(dir, FlashDumpWriter(optionsWith(2, 1, {2007, 5, 15, 12, 30, 0, 0})).build());
    EXPECT_EQ(conv->files["20070515123000.fl"].size(), 30u * 63u);
    EXPECT_EQ(conv->files["2007051512.INF"], defaultSummaryHead(conv->input, {2007, 5, 15, 12, 30, 0, 0},
                                                                 "20070515123000.fl"));
}

TEST(FlashConverter, AdvanceClockFollowsItsRollOverRules) {
    struct Case {
        ConversionClock from;
        int step;
        ConversionClock to;
        bool midnight;
    };
    const Case cases[] = {
        {{2007, 5, 15, 12, 30, 59}, 1, {2007, 5, 15, 12, 31, 0}, false},
        {{2007, 5, 15, 12, 59, 55}, 10, {2007, 5, 15, 13, 0, 5}, false},
        {{2007, 5, 15, 23, 59, 30}, 60, {2007, 5, 16, 0, 0, 30}, true},
        {{2007, 4, 30, 23, 59, 59}, 1, {2007, 5, 1, 0, 0, 0}, true},
        {{2007, 5, 31, 23, 59, 59}, 1, {2007, 6, 1, 0, 0, 0}, true},
        {{2007, 2, 28, 23, 59, 59}, 1, {2007, 3, 1, 0, 0, 0}, true},
        {{2008, 2, 28, 23, 59, 59}, 1, {2008, 2, 29, 0, 0, 0}, true},
        {{2008, 2, 29, 23, 59, 59}, 1, {2008, 3, 1, 0, 0, 0}, true},
        {{2007, 12, 31, 23, 59, 59}, 1, {2008, 1, 1, 0, 0, 0}, true},
    };
    for (const auto& c : cases) {
        ConversionClock t = c.from;
        EXPECT_EQ(FlashConverter::advanceClock(t, c.step), c.midnight);
        EXPECT_EQ(t, c.to) << FlashConverter::timeText(c.from);
    }
}

}  // namespace
}  // namespace kordel
