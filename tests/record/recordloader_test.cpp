// Data files loaded into one record: order, overlap, repeats, error lines, refusal.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <stop_token>
#include <thread>

#include "../files/scratchdir.h"
#include "app/fixedformats.h"
#include "record/recordloader.h"
#include "record/recordtitle.h"
#include "record/samplelineparser.h"

namespace kordel {
namespace {

constexpr const char* kHeader = "header one\r\nheader two\r\nheader three\r\n";

void write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::int64_t ms(int day, int h, int m, int s, int milli = 0) {
    return static_cast<std::int64_t>(toDateNumber(2007, 5, day)) * 86'400'000 + ((h * 60LL + m) * 60 + s) * 1000 + milli;
}

TEST(SampleLineParser, ReadsTheDataLineRules) {
    struct Case {
        const char* line;
        bool ok;
        std::int64_t time;
        std::array<std::int32_t, 5> raw;
    };
    const std::vector<Case> cases{
        {"2007 05 15 12 30 00.00   -62.50    62.50 -6250.00  55.0  40.0", true, ms(15, 12, 30, 0), {-6250, 6250, -625000, 550, 400}},
        {"  2007  5 15 12 30 30.5 1 2 3 4 5", true, ms(15, 12, 30, 30, 500), {100, 200, 300, 40, 50}},
        {"2007 05 15 23 59 59.9999 0.005 -0.005 1.004 0.05 -0.05", true, ms(15, 23, 59, 59, 999), {1, -1, 100, 1, -1}},
        {"2007 05 15 12 30 3e1 1e2 2 3 4 5 6 7 junk junk", true, ms(15, 12, 30, 30), {10000, 200, 300, 40, 50}},
        {"2007 05 15 24 00 00 1 2 3 4 5", false, 0, {}},
        {"2007 05 15 12 60 00 1 2 3 4 5", false, 0, {}},
        {"2007 05 15 12 00 60 1 2 3 4 5", false, 0, {}},
        {"2007 02 30 12 00 00 1 2 3 4 5", false, 0, {}},
        {"2007 05 15 12 00 -1 1 2 3 4 5", false, 0, {}},
        {"2007 05 15 12 00 00 1 2 3 4", false, 0, {}},
        {"2007 05 15 12 00 00 1 2 3 4 5 x", false, 0, {}},
        {"2007 05 15 12 00 00 1\t2 3 4 5 6", false, 0, {}},
        {"2007 05 15 12 00 00 99999999.99 2 3 4 5", false, 0, {}},
        {"", false, 0, {}},
        // Device lines in their columns (read by columns) and near misses.
        {"2007 05 15 12 30 59.99 20000.00  1500.00 44000.00  25.0  30.0", true, ms(15, 12, 30, 59, 990), {2000000, 150000, 4400000, 250, 300}},
        {"2007 05 15 12 30 00.00 -1234.56   -0.01    -0.00  -5.5  -0.1", true, ms(15, 12, 30, 0), {-123456, -1, 0, -55, -1}},
        {"2007 05 15 24 30 00.00 20000.00  1500.00 44000.00  25.0  30.0", false, 0, {}},
        {"2007 02 29 12 30 00.00 20000.00  1500.00 44000.00  25.0  30.0", false, 0, {}},
        {"2007 05 15 12 30 00.00 20000.00  1500.00 44000.00  25.0 +30.0", true, ms(15, 12, 30, 0), {2000000, 150000, 4400000, 250, 300}},
        {"2007 05 15 12 30 00.00 2000-.00  1500.00 44000.00  25.0  30.0", false, 0, {}},
        {"2007 05 15 12 30 00.00     -.50  1500.00 44000.00  25.0  30.0", true, ms(15, 12, 30, 0), {-50, 150000, 4400000, 250, 300}},
        {"2007 05 15 12 30 00.00 20000.00  1500.00 44000.00 25.0 30.0 7", true, ms(15, 12, 30, 0), {2000000, 150000, 4400000, 250, 300}},
    };
    for (const auto& c : cases) {
        // A trailing space moves a device line off its columns: the field reader must agree.
        for (const std::string& line : {std::string(c.line), std::string(c.line) + " "}) {
            std::int64_t t = 0;
            std::array<std::int32_t, 5> raw{};
            ASSERT_EQ(SampleLineParser().parse(line, t, raw), c.ok) << '"' << line << '"';
            if (c.ok) {
                EXPECT_EQ(t, c.time) << line;
                EXPECT_EQ(raw, c.raw) << line;
            }
        }
    }
}

TEST(RecordLoader, MergesFilesInAnyOrderWithOverlapsAndRepeats) {
    test::ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    // b overlaps a by interleaving (.5 s) and by repeating a's last two samples exactly.
    write(dir.file("a.pc"), std::string(kHeader) +
                                "2007 05 15 10 00 00.00 1.00 2.00 3.00 4.0 5.0\r\n"
                                "2007 05 15 10 00 01.00 1.01 2.00 3.00 4.0 5.0\r\n"
                                "2007 05 15 10 00 02.00 1.02 2.00 3.00 4.0 5.0\r\n"
                                "2007 05 15 10 00 03.00 1.03 2.00 3.00 4.0 5.0\r\n");
    write(dir.file("b.fl"), std::string(kHeader) +
                                "2007 05 15 10 00 01.50 7.00 2.00 3.00 4.0 5.0\r\n"
                                "2007 05 15 10 00 02.00 1.02 2.00 3.00 4.0 5.0\r\n"
                                "2007 05 15 10 00 03.00 1.03 2.00 3.00 4.0 5.0\r\n"
                                "not a data line\r\n"
                                "2007 05 15 10 00 04.00 1.04 2.00 3.00 4.0 5.0");
    write(dir.file("c.pc"), std::string(kHeader) + "2007 05 14 23 59 59.00 0.99 2.00 3.00 4.0 5.0\r\n");
    RecordLoader loader;
    for (const auto& order : {std::vector<std::string>{dir.file("a.pc"), dir.file("b.fl"), dir.file("c.pc")},
                              std::vector<std::string>{dir.file("b.fl"), dir.file("c.pc"), dir.file("a.pc")},
                              std::vector<std::string>{dir.path().string()}}) {
        const RecordLoadResult r = loader.load(order);
        ASSERT_EQ(r.status, RecordLoadResult::Status::Loaded);
        const std::vector<std::int64_t> times{ms(14, 23, 59, 59), ms(15, 10, 0, 0), ms(15, 10, 0, 1), ms(15, 10, 0, 1, 500),
                                              ms(15, 10, 0, 2), ms(15, 10, 0, 3), ms(15, 10, 0, 4)};
        const std::vector<std::int32_t> bx{99, 100, 101, 700, 102, 103, 104};
        EXPECT_EQ(std::vector<std::int64_t>(r.record.times().begin(), r.record.times().end()), times);
        EXPECT_EQ(std::vector<std::int32_t>(r.record.column(0).begin(), r.record.column(0).end()), bx);
        EXPECT_EQ(r.repeatsDropped, 2u);
        EXPECT_EQ(r.errorLineCount, 1u);
        ASSERT_EQ(r.errorLines.size(), 1u);
        EXPECT_EQ(r.errorLines[0].lineNumber, 7);
        EXPECT_EQ(r.errorLines[0].text, "not a data line");
        EXPECT_TRUE(r.failures.empty());
        EXPECT_EQ(r.files, (std::vector<std::string>{dir.file("c.pc"), dir.file("a.pc"), dir.file("b.fl")}));
    }
}

TEST(RecordLoader, LinesOneToThreeFollowTheReadersRule) {
    // A line among 1–3 that reads as data is a sample; the others are skipped
    // unseen; from line 4 on a bad line is an error line.
    constexpr const char* kData = "2007 05 15 10 00 00.00 1.00 2.00 3.00 4.0 5.0";
    constexpr const char* kLater = "2007 05 15 10 00 01.00 1.01 2.00 3.00 4.0 5.0";
    struct Case {
        std::string text;
        std::size_t samples;
        std::vector<long> errorLines;
    };
    const std::vector<Case> cases{
        {std::string(kHeader) + kLater + "\r\n", 1, {}},
        {std::string(kData) + "\r\nheader\r\nheader\r\n" + kLater + "\r\n", 2, {}},
        {std::string("header\r\nheader\r\n") + kData + "\r\n" + kLater + "\r\n", 2, {}},
        {std::string(kData) + "\r\n" + kLater + "\r\nheader\r\nbad\r\n", 2, {4}},
        {"a\nb\nc\nd\n", 0, {4}},
    };
    test::ScratchDir dir;
    for (const auto& c : cases) {
        write(dir.file("h.pc"), c.text);
        const RecordLoadResult r = RecordLoader().load({dir.file("h.pc")});
        EXPECT_EQ(r.record.size(), c.samples) << c.text;
        std::vector<long> lines;
        for (const auto& e : r.errorLines) lines.push_back(e.lineNumber);
        EXPECT_EQ(lines, c.errorLines) << c.text;
    }
}

TEST(RecordTitle, OneFileOrTheFirstAndLastOfSeveral) {
    EXPECT_EQ(viewerTitle({"/data/20070515000000.pc"}), "Kordel File viewer: /data/20070515000000.pc");
    EXPECT_EQ(viewerTitle({"20070515000000.pc", "20070516000000.pc", "20070517000000.fl"}),
              "Kordel File viewer: 20070515000000.pc \xE2\x80\xA6 20070517000000.fl (3 files)");
}

TEST(RecordLoader, ReportsAnUnreadableFileAndLoadsTheOthers) {
    test::ScratchDir dir;
    write(dir.file("a.pc"), std::string(kHeader) + "2007 05 15 10 00 00.00 1.00 2.00 3.00 4.0 5.0\r\n");
    const RecordLoadResult r = RecordLoader().load({dir.file("a.pc"), dir.file("gone.pc")});
    EXPECT_EQ(r.record.size(), 1u);
    ASSERT_EQ(r.failures.size(), 1u);
    EXPECT_NE(r.failures[0].find("gone.pc"), std::string::npos);
}

TEST(RecordLoader, RefusesARecordLargerThanTheMemoryAllowed) {
    test::ScratchDir dir;
    std::string text = kHeader;
    for (int i = 0; i < 2000; ++i) text += "2007 05 15 10 00 00.00 1.00 2.00 3.00 4.0 5.0\r\n";
    write(dir.file("a.pc"), text);
    RecordLoadOptions small;
    small.memoryLimitBytes = 100'000;
    const RecordLoadResult r = RecordLoader(small).load({dir.file("a.pc")});
    EXPECT_EQ(r.status, RecordLoadResult::Status::Refused);
    EXPECT_EQ(r.record.size(), 0u);
    EXPECT_NE(r.message.find("memory"), std::string::npos);
}

TEST(RecordLoader, ReportsProgressAsTheTextIsRead) {
    test::ScratchDir dir;
    std::vector<std::string> files;
    for (int d = 1; d <= 3; ++d) {
        std::string text = kHeader;
        for (int i = 0; i < 500; ++i) {
            text += "2007 05 0" + std::to_string(d) + " 10 00 00.00 1.00 2.00 3.00 4.0 5.0\r\n";
        }
        files.push_back(dir.file("d" + std::to_string(d) + ".pc"));
        write(files.back(), text);
    }
    RecordLoadOptions watched;
    std::vector<int> shown;
    watched.onProgress = [&](int percent) { shown.push_back(percent); };
    const RecordLoadResult all = RecordLoader(watched).load(files);
    EXPECT_EQ(all.status, RecordLoadResult::Status::Loaded);
    ASSERT_FALSE(shown.empty());
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
    EXPECT_EQ(std::adjacent_find(shown.begin(), shown.end()), shown.end());  // only changes
    EXPECT_EQ(shown.back(), 100);

}

TEST(RecordLoader, AStoppedLoadLeavesNoRecord) {
    test::ScratchDir dir;
    std::vector<std::string> files;
    for (int d = 1; d <= 4; ++d) {
        std::string text = kHeader;
        for (int s = 0; s < 3000; ++s) {
            text += "2007 05 0" + std::to_string(d) + " 10 " + (s / 60 < 10 ? "0" : "") + std::to_string(s / 60) + " " +
                    (s % 60 < 10 ? "0" : "") + std::to_string(s % 60) + ".00 1.00 2.00 3.00 4.0 5.0\r\n";
        }
        files.push_back(dir.file("d" + std::to_string(d) + ".pc"));
        write(files.back(), text);
    }
    enum class How { NotStopped, TokenBefore, CancelledCallback, TokenAtFirstProgress, TokenFromAnotherThread };
    struct Case {
        const char* what;
        How how;
        RecordLoadResult::Status status;
        std::size_t samples;
    };
    const std::vector<Case> cases{
        {"not stopped", How::NotStopped, RecordLoadResult::Status::Loaded, 12000},
        {"stop asked before", How::TokenBefore, RecordLoadResult::Status::Cancelled, 0},
        {"cancelled() says so", How::CancelledCallback, RecordLoadResult::Status::Cancelled, 0},
        {"stop asked at the first progress", How::TokenAtFirstProgress, RecordLoadResult::Status::Cancelled, 0},
        {"stop asked from another thread", How::TokenFromAnotherThread, RecordLoadResult::Status::Cancelled, 0},
    };
    for (const auto& c : cases) {
        std::stop_source source;
        RecordLoadOptions options;
        options.stop = source.get_token();
        if (c.how == How::TokenBefore) source.request_stop();
        if (c.how == How::CancelledCallback) options.cancelled = [] { return true; };
        if (c.how == How::TokenAtFirstProgress) options.onProgress = [&](int) { source.request_stop(); };
        RecordLoadResult r;
        if (c.how == How::TokenFromAnotherThread) {
            // The window's way: the load on a worker, Cancel on the window's thread.
            std::jthread worker([&] { r = RecordLoader(options).load(files); });
            source.request_stop();
        } else {
            r = RecordLoader(options).load(files);
        }
        // A stop asked from another thread may come after the last file: then the load is whole.
        if (c.how == How::TokenFromAnotherThread && r.status == RecordLoadResult::Status::Loaded) {
            EXPECT_EQ(r.record.size(), 12000u) << c.what;
            continue;
        }
        EXPECT_EQ(r.status, c.status) << c.what;
        EXPECT_EQ(r.record.size(), c.samples) << c.what;
        if (c.status == RecordLoadResult::Status::Cancelled) {
            EXPECT_TRUE(r.files.empty() && r.errorLines.empty() && r.failures.empty()) << c.what;
        }
    }
}

TEST(RecordLoader, LinesSharingAStampAreSpreadAndAnOverlappingCopyAddsNothing) {
    // A converted file at four samples a second (whole seconds only), and a
    // second file repeating it and going on for half a second more.
    std::string a = kHeader, b = kHeader;
    for (int s = 0; s < 2; ++s) {
        for (int k = 0; k < 4; ++k) {
            const std::string line = "2007 05 15 10 00 0" + std::to_string(s) + ".00 1.0" + std::to_string(s * 4 + k) +
                                     " 2.00 3.00 4.0 5.0\r\n";
            a += line;
            b += line;
        }
    }
    b += "2007 05 15 10 00 02.00 2.00 2.00 3.00 4.0 5.0\r\n2007 05 15 10 00 02.00 2.01 2.00 3.00 4.0 5.0\r\n";
    test::ScratchDir dir;
    write(dir.file("a.fl"), a);
    write(dir.file("b.fl"), b);
    const RecordLoadResult r = RecordLoader().load({dir.file("b.fl"), dir.file("a.fl")});
    ASSERT_EQ(r.status, RecordLoadResult::Status::Loaded);
    const std::int64_t t0 = ms(15, 10, 0, 0);
    std::vector<std::int64_t> times;
    for (const std::int64_t t : r.record.times()) times.push_back(t - t0);
    EXPECT_EQ(times, (std::vector<std::int64_t>{0, 250, 500, 750, 1000, 1250, 1500, 1750, 2000, 2500}));
    EXPECT_EQ(std::vector<std::int32_t>(r.record.column(0).begin(), r.record.column(0).end()),
              (std::vector<std::int32_t>{100, 101, 102, 103, 104, 105, 106, 107, 200, 201}));
    EXPECT_EQ(r.repeatsDropped, 8u);
}

TEST(RecordLoader, AnOverlongLineIsOneErrorLine) {
    test::ScratchDir dir;
    write(dir.file("a.pc"), std::string(kHeader) + std::string(3 << 20, '7') + "\r\n" +
                                "2007 05 15 10 00 00.00 1.00 2.00 3.00 4.0 5.0\r\n");
    const RecordLoadResult r = RecordLoader().load({dir.file("a.pc")});
    EXPECT_EQ(r.record.size(), 1u);
    EXPECT_EQ(r.errorLineCount, 1u);
    ASSERT_EQ(r.errorLines.size(), 1u);
    EXPECT_EQ(r.errorLines[0].lineNumber, 4);
    EXPECT_EQ(r.errorLines[0].text.size(), RecordLoader::kMaxShownLength);
}

}  // namespace
}  // namespace kordel
