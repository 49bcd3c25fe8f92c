// Data files loaded into one record: order, overlap, repeats, error lines, refusal.

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <stop_token>
#include <thread>

#include "../files/scratchdir.h"
#include "app/fixedformats.h"
#include "files/safepath.h"
#include "record/memorybudget.h"
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
        // Integer fields of ten digits and more, as the data file reader takes them.
        {"0000000002007 0000000005 15 12 30 30.5 1 2 3 4 5", true, ms(15, 12, 30, 30, 500), {100, 200, 300, 40, 50}},
        {"2007 05 15 12 0000000000030 30.5 1 2 3 4 5", true, ms(15, 12, 30, 30, 500), {100, 200, 300, 40, 50}},
        {"2007 05 15 12 0000000065536 30.5 1 2 3 4 5", false, 0, {}},
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
    // Only regular files are read: a FIFO would block in open(), /dev/zero never end.
    const std::string fifo = dir.file("fifo.pc");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const RecordLoadResult r = RecordLoader().load({dir.file("a.pc"), dir.file("gone.pc"), fifo, "/dev/zero"});
    EXPECT_EQ(r.record.size(), 1u);
    EXPECT_EQ(r.failures, (std::vector<std::string>{"Cannot open " + dir.file("gone.pc") + ": No such file or directory",
                                                    fifo + " is not a regular file", "/dev/zero is not a regular file"}));
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

std::string dataLine(int i, std::size_t width);

TEST(MemoryBudget, ReadsTheSystemsLimits) {
    EXPECT_EQ(kilobyteField("MemTotal:  8000 kB\nMemAvailable:    1234 kB\n", "MemAvailable"), 1234u * 1024);
    EXPECT_EQ(kilobyteField("Name:\tx\nVmSize:\t  204800 kB\n", "VmSize"), 204800u * 1024);
    EXPECT_EQ(kilobyteField("MemAvailableX: 5 kB\n", "MemAvailable"), std::nullopt);
    EXPECT_EQ(kilobyteField("MemAvailable: 5 MB\n", "MemAvailable"), std::nullopt);
    EXPECT_EQ(cgroupV2Path("12:memory:/x\n0::/user.slice/app.scope\n"), "/user.slice/app.scope");
    EXPECT_EQ(cgroupV2Path("0::/\n"), "/");
    EXPECT_EQ(cgroupV2Path("0::/../sibling\n"), std::nullopt);
    EXPECT_EQ(cgroupV2Path("4:memory:/docker/x\n"), std::nullopt);
    EXPECT_EQ(cgroupRoom("1073741824\n", "73741824\n"), 1'000'000'000u);
    EXPECT_EQ(cgroupRoom("1000\n", "2000\n"), 0u);
    EXPECT_EQ(cgroupRoom("max\n", "2000\n"), std::nullopt);
    // A month of daily files at 10 Hz: every sample costs its columns with F and the sort's temporaries.
    const std::uint64_t samples = 26'784'000;
    EXPECT_GE(estimatedLoadBytes(samples * 58, 5'000'000, 2), samples * (8 + 6 * 4 + 4 + 8));
}

// Under an address-space limit (in a child, so the test binary keeps its own)
// the room is what the limit leaves, and a load that does not fit is refused
// with a message: the child is never aborted.
TEST(MemoryBudget, AnAddressSpaceLimitIsHeededWithoutAbort) {
    test::ScratchDir dir;
    std::string text;
    for (int i = 0; i < 100'000; ++i) text += dataLine(i % 86'000, 0) + "\r\n";
    write(dir.file("a.pc"), text);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const std::optional<std::uint64_t> before = availableMemoryBytes();
        std::string status;
        int code = readRegularFile("/proc/self/status", status) ? 0 : 1;
        const std::uint64_t room = std::uint64_t{24} << 20;
        const rlimit limit{*kilobyteField(status, "VmSize") + room, RLIM_INFINITY};
        code |= ::setrlimit(RLIMIT_AS, &limit) == 0 ? 0 : 2;
        const std::optional<std::uint64_t> after = availableMemoryBytes();
        if (!before || !after || *after > room || *after >= *before) code |= 4;
        RecordLoadOptions options;
        options.totalField = true;
        const RecordLoadResult r = RecordLoader(options).load({dir.file("a.pc")});
        if (r.status != RecordLoadResult::Status::Refused || !r.message.starts_with("Not enough memory for the record of 1 file(s)")) code |= 8;
        std::_Exit(code);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
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
    // The same line twice in a row is one sample delivered twice, not two to spread.
    b += "2007 05 15 10 00 02.00 2.00 2.00 3.00 4.0 5.0\r\n2007 05 15 10 00 02.00 2.00 2.00 3.00 4.0 5.0\r\n"
         "2007 05 15 10 00 02.00 2.01 2.00 3.00 4.0 5.0\r\n";
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
    EXPECT_EQ(r.repeatsDropped, 9u);
}

std::string dataLine(int i, std::size_t width) {
    const std::string line = "2007 05 15 " + std::to_string(10 + i / 3600) + " " + std::to_string(i / 60 % 60) + " " +
                             std::to_string(i % 60) + " 1.00 2.00 3.00 4.0 5.0";
    return std::string(width > line.size() ? width - line.size() : 0, ' ') + line;
}

// Lines end wherever the 1 MiB read blocks fall, and the last one may end in CR alone.
TEST(RecordLoader, ReadsEveryLineWhateverItsEnd) {
    constexpr std::size_t kBlock = std::size_t{1} << 20;
    // The longest line the loader takes, its CR the last byte of the first block.
    std::string atBoundary;
    int n = 0;
    const std::size_t longStart = kBlock - 1 - RecordLoader::kMaxLineLength;
    while (longStart - atBoundary.size() >= 2100) atBoundary += dataLine(n++, 2000) + "\r\n";
    atBoundary += dataLine(n++, longStart - atBoundary.size() - 2) + "\r\n";
    atBoundary += dataLine(n++, RecordLoader::kMaxLineLength) + "\r\n";
    atBoundary += dataLine(n++, 0) + "\r\n";
    ASSERT_EQ(atBoundary[kBlock - 1], '\r');
    struct Case {
        std::string text;
        std::size_t samples;
    };
    const std::vector<Case> cases{
        {dataLine(0, 0) + "\r\n" + dataLine(1, 0) + "\r", 2},
        {dataLine(0, 0) + "\r\n" + dataLine(1, 0) + "\n", 2},
        {dataLine(0, 0) + "\n" + dataLine(1, 0), 2},
        {atBoundary, static_cast<std::size_t>(n)},
    };
    test::ScratchDir dir;
    for (const auto& c : cases) {
        write(dir.file("e.pc"), c.text);
        const RecordLoadResult r = RecordLoader().load({dir.file("e.pc")});
        EXPECT_EQ(r.record.size(), c.samples) << c.text.size();
        EXPECT_EQ(r.errorLineCount, 0u) << c.text.size();
    }
}

// Overlapping files (a folder opened twice, a copy beside the original) cost
// no more than their samples: the room reserved for the repeats is given back.
TEST(RecordLoader, OverlappingFilesCostNoMoreThanTheirSamples) {
    test::ScratchDir dir;
    for (const char* name : {"a.pc", "b.pc"}) {
        std::string text(kHeader);
        for (int i = 0; i < 20000; ++i) text += dataLine(name[0] == 'a' ? i : i + 10000, 0) + "\r\n";
        write(dir.file(name), text);
    }
    const RecordLoadResult once = RecordLoader().load({dir.path().string()});
    const RecordLoadResult twice = RecordLoader().load({dir.path().string(), dir.path().string()});
    ASSERT_EQ(once.record.size(), 30000u);
    ASSERT_EQ(twice.record.size(), 30000u);
    EXPECT_EQ(twice.repeatsDropped, once.repeatsDropped + 40000);
    EXPECT_LE(twice.record.memoryBytes(), once.record.memoryBytes() + once.record.memoryBytes() / 100);
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
