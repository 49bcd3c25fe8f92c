#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/fixedformats.h"
#include "files/datafilereader.h"

using namespace kordel;
namespace fs = std::filesystem;

namespace {

const std::string kHeader = "h1\r\nh2\r\nh3\r\n";

class ReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = (fs::temp_directory_path() /
                 ("kordel-read-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".pc"))
                    .string();
    }
    void TearDown() override { fs::remove(path_); }

    DataFileReader::Outcome read(const std::string& contents, bool answer = true) {
        std::ofstream(path_, std::ios::binary) << contents;
        DataFileReader::Callbacks cb;
        cb.onErrorLine = [this, answer](long n, std::string_view line) {
            errorLines.emplace_back(n, std::string(line));
            return answer;
        };
        cb.onProgress = [this](int p) { progress.push_back(p); };
        return reader_.read(path_, data, cb);
    }

    std::string path_;
    DataFileReader reader_;
    SeriesData data;
    std::vector<std::pair<long, std::string>> errorLines;
    std::vector<int> progress;
};

}  // namespace

TEST(SplitDataLine, OnlySpacesSeparateAndAtMost13FieldsAreTaken) {
    const auto f = SplitDataLine("  2007  05 22\t10 x");
    EXPECT_EQ(f, (std::vector<std::string_view>{"2007", "05", "22\t10", "x"}));
    EXPECT_TRUE(SplitDataLine("   ").empty());
    EXPECT_EQ(SplitDataLine("1 2 3 4 5 6 7 8 9 10 11 12 13 14 15").size(), 13u);
}

TEST(ParseDataLine, GoodAndErrorLines) {
    struct Case {
        const char* line;
        bool ok;
    };
    const Case cases[] = {
        {"2007 05 22 10 20 30.00 20000.00  1500.25 44000.50  25.3  30.1", true},
        {"2007 05 22 10 20 30 1 2 3 4 5", true},
        {"2007 05 22 10 20 30 1 2 3 4 5 6 7", true},
        {"2007 05 22 10 20 30 1 2 3 4 5 6 x", false},  // a 12th/13th field must be a number
        {"2007 05 22 10 20 30 1 2 3 4 5 6 7 x y", true}, // past the 13th: ignored
        {"2007 05 22 10 20 30 1 2 3 4", false},        // fewer than eleven fields
        {"2007 05 22 24 20 30 1 2 3 4 5", false},
        {"2007 05 22 10 60 30 1 2 3 4 5", false},
        {"2007 05 22 10 20 60 1 2 3 4 5", false},
        {"2007 02 30 10 20 30 1 2 3 4 5", false},
        {"2008 02 29 10 20 30 1 2 3 4 5", true},
        {"2007 05 -1 10 20 30 1 2 3 4 5", false},
        {"2007 05 22 10 20 30 1,5 2 3 4 5", false},
        {"", false},
    };
    for (const auto& c : cases) {
        DataLine out;
        EXPECT_EQ(parseDataLine(c.line, out), c.ok) << c.line;
    }
}

TEST(ParseDataLine, SecondsFractionGivesMilliseconds) {
    DataLine a, b, c;
    ASSERT_TRUE(parseDataLine("2007 05 22 10 20 30.5 1 2 3 4 5", a));
    ASSERT_TRUE(parseDataLine("2007 05 22 10 20 30 1 2 3 4 5", b));
    ASSERT_TRUE(parseDataLine("2007 05 22 10 20 30.123 1 2 3 4 5", c));
    EXPECT_EQ(fromDateTimeNumber(a.x), (CivilDateTime{2007, 5, 22, 10, 20, 30, 500}));
    EXPECT_EQ(fromDateTimeNumber(b.x), (CivilDateTime{2007, 5, 22, 10, 20, 30, 0}));
    EXPECT_EQ(fromDateTimeNumber(c.x), (CivilDateTime{2007, 5, 22, 10, 20, 30, 123}));
    const std::pair<const char*, CivilDateTime> more[] = {
        {"59.9999999999", {2007, 5, 22, 10, 20, 59, 999}},
        {"59.99999999999999999", {2007, 5, 22, 10, 20, 59, 999}},
        {"3.05e1", {2007, 5, 22, 10, 20, 30, 500}},
    };
    for (const auto& [seconds, expected] : more) {
        DataLine d;
        ASSERT_TRUE(parseDataLine(std::string("2007 05 22 10 20 ") + seconds + " 1 2 3 4 5", d)) << seconds;
        EXPECT_EQ(fromDateTimeNumber(d.x), expected) << seconds;
    }
    EXPECT_EQ(a.values, (std::array<double, 5>{1, 2, 3, 4, 5}));
}

TEST_F(ReaderTest, HeadersAreSkippedAndDataLinesRead) {
    ASSERT_EQ(read(kHeader + "2007 05 22 23 59 59 1 2 3 4 5\r\n2007 05 23 00 00 00 6 7 8 9 10\r\n"),
              DataFileReader::Outcome::Finished);
    ASSERT_EQ(data.size(), 2u);
    EXPECT_NEAR(data.x[1] - data.x[0], 1.0 / 86400.0, 1e-9);  // across midnight, one continuous line
    EXPECT_EQ(data.y[4], (std::vector<double>{5, 10}));
    EXPECT_TRUE(errorLines.empty());
}

TEST_F(ReaderTest, AmongTheFirstThreeLinesDataLinesArePlottedAndOthersSkippedSilently) {
    const std::string d = "2007 05 22 10 20 30 1 2 3 4 5\r\n";
    struct Case {
        std::string text;
        std::size_t points;
    };
    const Case cases[] = {
        {d + d + d, 3},             // a file without header lines, as recorded
        {d + "h2\r\n" + d + d, 3},  // line 2 is no data line
        {kHeader + d, 1},
        {"h1\r\nh2", 0},
    };
    for (const auto& c : cases) {
        data.clear();
        ASSERT_EQ(read(c.text), DataFileReader::Outcome::Finished);
        EXPECT_EQ(data.size(), c.points) << c.text;
    }
    EXPECT_TRUE(errorLines.empty());
}

TEST_F(ReaderTest, ErrorLinesAreNumberedAndSkippedOnOk) {
    ASSERT_EQ(read(kHeader + "2007 05 22 24 00 00 1 2 3 4 5\r\n2007 05 22 10 00 00 1 2 3 4 5\r\nbad\r\n"),
              DataFileReader::Outcome::Finished);
    EXPECT_EQ(errorLines, (std::vector<std::pair<long, std::string>>{{4, "2007 05 22 24 00 00 1 2 3 4 5"}, {6, "bad"}}));
    EXPECT_EQ(data.size(), 1u);
}

TEST_F(ReaderTest, CancelStopsAtTheErrorLineAndKeepsWhatWasRead) {
    ASSERT_EQ(read(kHeader + "2007 05 22 10 00 00 1 2 3 4 5\r\nbad\r\n2007 05 22 10 00 01 1 2 3 4 5\r\n", false),
              DataFileReader::Outcome::Cancelled);
    EXPECT_EQ(data.size(), 1u);
}

TEST_F(ReaderTest, AMissingFileFails) {
    DataFileReader::Callbacks cb;
    EXPECT_EQ(reader_.read(path_ + ".missing", data, cb), DataFileReader::Outcome::Failed);
    EXPECT_EQ(reader_.error(), "Cannot open " + path_ + ".missing: No such file or directory");
}

TEST_F(ReaderTest, AnEndlessLineIsOneErrorLineNotUnboundedMemory) {
    ASSERT_EQ(read(kHeader + std::string(3'000'000, '7') + "\r\n2007 05 22 10 00 00 1 2 3 4 5\r\n"),
              DataFileReader::Outcome::Finished);
    ASSERT_EQ(errorLines.size(), 1u);
    EXPECT_EQ(errorLines[0].first, 4);
    EXPECT_EQ(errorLines[0].second.size(), DataFileReader::kMaxLineLength + 1);
    EXPECT_EQ(data.size(), 1u);
}

TEST_F(ReaderTest, ProgressIsReportedOnlyWhenTheWholePercentChanges) {
    std::string text = kHeader;
    for (int i = 0; i < 1000; ++i) text += "2007 05 22 10 00 00 1 2 3 4 5\r\n";
    ASSERT_EQ(read(text), DataFileReader::Outcome::Finished);
    ASSERT_FALSE(progress.empty());
    for (std::size_t i = 1; i < progress.size(); ++i) EXPECT_GT(progress[i], progress[i - 1]);
    EXPECT_LE(progress.back(), 100);
}

TEST_F(ReaderTest, LongLinesReadTheSameWhereverABlockEnds) {
    // The longest line allowed, one character more, and an overlong line with
    // a CR inside, read with block boundaries falling at every place in them.
    const std::size_t max = DataFileReader::kMaxLineLength;
    const std::string good = "2007 05 22 10 00 00 1 2 3 4 5";
    const std::string longest = good + std::string(max - good.size(), ' ');
    const std::string tooLong = longest + " ";
    const std::string withCr = longest + "\r" + "tail";
    std::ofstream(path_, std::ios::binary) << kHeader + longest + "\r\n" + tooLong + "\r\n" + withCr + "\r\n";
    const std::vector<std::pair<long, std::string>> expected = {{5, tooLong}, {6, longest + "\r"}};
    for (std::size_t block = max + 3; block < max + 3 + 2 * 64; ++block) {
        SCOPED_TRACE(block);
        errorLines.clear();
        data.clear();
        DataFileReader::Callbacks cb;
        cb.onErrorLine = [this](long n, std::string_view line) {
            errorLines.emplace_back(n, std::string(line));
            return true;
        };
        ASSERT_EQ(DataFileReader(block).read(path_, data, cb), DataFileReader::Outcome::Finished);
        EXPECT_EQ(data.size(), 1u);
        EXPECT_EQ(errorLines, expected);
    }
}

TEST_F(ReaderTest, ProgressCountsFromTheFirstDataLineAndAnErrorLineOnce) {
    // 9 header bytes, then 31 + 5 + 31: the percentages before lines 5 and 6
    // are 29 / 76 and (29 + 3) / 76 of the file.
    const std::string d = "2007 05 22 10 00 00 1 2 3 4 5\r\n";
    ASSERT_EQ(read("h\r\nh\r\nh\r\n" + d + "bad\r\n" + d), DataFileReader::Outcome::Finished);
    EXPECT_EQ(progress, (std::vector<int>{38, 42}));
}

TEST_F(ReaderTest, RunningOutOfMemoryIsAFileError) {
    EXPECT_EQ(DataFileReader::pointsToReserve(300'000'000'000ULL), DataFileReader::kMaxReserve);
    std::ofstream(path_, std::ios::binary) << kHeader << "2007 05 22 10 00 00 1 2 3 4 5\r\nbad\r\n";
    DataFileReader::Callbacks cb;
    cb.onErrorLine = [](long, std::string_view) -> bool { throw std::bad_alloc(); };
    EXPECT_EQ(reader_.read(path_, data, cb), DataFileReader::Outcome::Failed);
    EXPECT_EQ(reader_.error(), "Cannot read " + path_ + ": not enough memory for its points");
    EXPECT_EQ(data.size(), 1u);
}
