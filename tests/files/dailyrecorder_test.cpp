#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "files/dailyrecorder.h"
#include "filesizelimit.h"

using namespace kordel;
namespace fs = std::filesystem;

namespace {

std::string line(const std::string& date, const std::string& bx = "20000.00") {
    std::string s = date + " " + bx + "  1500.25 44000.50  25.3  30.1\r\n";
    EXPECT_EQ(s.size(), 63u);
    return s;
}

struct Events : RecorderListener {
    void onDailyFileStarted(const std::string& name) override { started.push_back(name); }
    void onSample(const DecodedSample& s, bool dropOldest) override {
        samples.push_back(s);
        drops += dropOldest;
    }
    void onLog(const std::string& text) override { log.push_back(text); }
    void onFileError(const std::string& message) override { errors.push_back(message); }
    std::vector<std::string> started, log, errors;
    std::vector<DecodedSample> samples;
    int drops = 0;
};

class RecorderTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("kordel-rec-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string file(const std::string& name) const {
        std::ifstream in(dir_ / name, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir_;
    Events events_;
    std::unique_ptr<DailyRecorder> recorder_;
    DailyRecorder& rec() {
        if (!recorder_) recorder_ = std::make_unique<DailyRecorder>(dir_.string(), events_);
        return *recorder_;
    }
};

}  // namespace

TEST_F(RecorderTest, TheFirstValidLineStartsTheFileNamedByIt) {
    rec().startRun();
    const std::string a = line("2007 05 22 10 20 30.00");
    const std::string b = line("2007 05 22 10 20 31.00");
    rec().feed(a.substr(0, 10));
    rec().feed(a.substr(10) + b);
    EXPECT_EQ(events_.started, std::vector<std::string>{"20070522102030.pc"});
    EXPECT_EQ(events_.log, std::vector<std::string>{"Start Record: 20070522102030.pc"});
    EXPECT_EQ(file("20070522102030.pc"), a + b);
    EXPECT_EQ(rec().lineCount(), 2);
    EXPECT_EQ(events_.samples.size(), 2u);
    EXPECT_EQ(rec().currentDay(), 22);
}

TEST_F(RecorderTest, BytesBeforeTheFirstValidLineGoToNoFile) {
    rec().startRun();
    const std::string bad = line("2007 05 32 10 20 29.00");
    const std::string good = line("2007 05 22 10 20 30.00");
    rec().feed(good.substr(25) + bad + good);  // started mid-line, then an invalid line
    EXPECT_EQ(files(), std::vector<std::string>{"20070522102030.pc"});
    EXPECT_EQ(file("20070522102030.pc"), good);
    EXPECT_EQ(events_.log, (std::vector<std::string>{"Kordel: Damaged string (0), 38 bytes",
                                                     "Kordel: Error string (0): " + bad,
                                                     "Start Record: 20070522102030.pc"}));
    EXPECT_EQ(events_.samples.size(), 1u);
}

TEST_F(RecorderTest, DamagedPiecesAreWrittenButNeitherPlottedNorCounted) {
    rec().startRun();
    const std::string l1 = line("2007 05 22 10 20 30.00");
    const std::string l2 = line("2007 05 22 10 20 31.00");
    const std::string l3 = line("2007 05 22 10 20 32.00");
    const std::string lost = l2.substr(0, 30) + l2.substr(31);
    const std::string added = l3.substr(0, 30) + "#" + l3.substr(30);
    const std::string l4 = line("2007 05 22 10 20 33.00");
    rec().feed(l1 + lost + added + l4);
    EXPECT_EQ(file("20070522102030.pc"), l1 + lost + added + l4);  // every byte, once, in order
    EXPECT_EQ(rec().lineCount(), 2);
    ASSERT_EQ(events_.samples.size(), 2u);
    EXPECT_EQ(events_.samples[1].second, 33);
    EXPECT_EQ(events_.log, (std::vector<std::string>{"Start Record: 20070522102030.pc",
                                                     "Kordel: Damaged string (1), 62 bytes",
                                                     "Kordel: Damaged string (1), 63 bytes",
                                                     "Kordel: Damaged string (1), 1 bytes"}));
}

TEST_F(RecorderTest, AnInvalidLineIsRecordedAndNumberedByTheLineCount) {
    rec().startRun();
    const std::string l1 = line("2007 05 22 10 20 30.00");
    const std::string bad = line("2007 05 23 24 20 31.00", "21000.00");  // another day, but invalid
    rec().feed(l1 + bad);
    EXPECT_EQ(events_.started.size(), 1u);
    EXPECT_EQ(file("20070522102030.pc"), l1 + bad);
    EXPECT_EQ(events_.log.back(), "Kordel: Error string (1): " + bad);
    EXPECT_EQ(rec().lineCount(), 2);
    EXPECT_EQ(events_.samples.size(), 1u);  // written and counted, not plotted
}

TEST_F(RecorderTest, MidnightStartsTheNextDaysFile) {
    rec().startRun();
    const std::string l1 = line("2007 05 22 23 59 58.00");
    const std::string l2 = line("2007 05 22 23 59 59.00");
    const std::string l3 = line("2007 05 23 00 00 00.00");
    rec().feed(l1 + l2 + l3);
    EXPECT_EQ(files(), (std::vector<std::string>{"20070522235958.pc", "20070523000000.pc"}));
    EXPECT_EQ(file("20070522235958.pc"), l1 + l2);
    EXPECT_EQ(file("20070523000000.pc"), l3);
    EXPECT_EQ(rec().lineCount(), 1);
}

TEST_F(RecorderTest, AnExistingFileIsAppendedToNeverEmptied) {
    std::ofstream(dir_ / "20070522102030.pc", std::ios::binary) << "kept\r\n";
    rec().startRun();
    const std::string l1 = line("2007 05 22 10 20 30.00");
    rec().feed(l1);
    EXPECT_EQ(file("20070522102030.pc"), "kept\r\n" + l1);
    EXPECT_EQ(events_.log, (std::vector<std::string>{"Start Record: 20070522102030.pc",
                                                     "File exists, appending: 20070522102030.pc"}));
}

TEST_F(RecorderTest, StopAndRecordAgainStartsANewFile) {
    rec().startRun();
    rec().feed(line("2007 05 22 10 20 30.00") + line("2007 05 22 10 20 31.00").substr(0, 10));
    rec().stopRun();
    EXPECT_EQ(rec().currentDay(), 0);
    EXPECT_EQ(file("20070522102030.pc").size(), 73u);  // the unfinished piece is kept too
    rec().startRun();
    rec().feed(line("2007 05 22 10 25 00.00"));
    EXPECT_EQ(events_.started.back(), "20070522102500.pc");
}

TEST_F(RecorderTest, ARunOfGarbageOnlyLeavesNoFileAndNoError) {
    rec().startRun();
    rec().feed(std::string(200, 'Z') + "\n" + std::string(30, 'Y'));
    rec().stopRun();
    EXPECT_TRUE(files().empty());
    EXPECT_TRUE(events_.errors.empty());
    EXPECT_TRUE(events_.started.empty());
}

TEST_F(RecorderTest, APieceInHandDoesNotRunIntoTheNextRunsFirstLine) {
    const std::string l1 = line("2007 05 22 10 20 30.00");
    const std::string l2 = line("2007 05 22 10 25 00.00");
    const std::string l3 = line("2007 05 22 10 30 00.00");
    rec().startRun();
    rec().feed(l1 + l2.substr(0, 20));
    rec().stopRun();  // the piece in hand is written to the first file
    rec().startRun();
    rec().feed(l2);
    rec().feed(l3.substr(0, 20));
    rec().startRun();  // Record again without a Stop between
    rec().feed(l3);
    EXPECT_EQ(file("20070522102030.pc"), l1 + l2.substr(0, 20));
    EXPECT_EQ(file("20070522102500.pc"), l2);
    EXPECT_EQ(file("20070522103000.pc"), l3);
}

TEST_F(RecorderTest, TheLiveWindowHolds600Points) {
    rec().startRun();
    std::string bytes;
    for (int i = 0; i < 601; ++i) {
        char date[32];
        std::snprintf(date, sizeof date, "2007 05 22 10 %02d %02d.00", i / 60, i % 60);
        bytes += line(date);
    }
    rec().feed(bytes);
    EXPECT_EQ(events_.samples.size(), 601u);
    EXPECT_EQ(events_.drops, 1);  // the 601st point pushes the first one out
    EXPECT_EQ(rec().lineCount(), 601);
}

TEST_F(RecorderTest, AFileThatCannotBeWrittenIsReportedOnceUntilASuccess) {
    recorder_ = std::make_unique<DailyRecorder>((dir_ / "gone").string(), events_);
    rec().startRun();
    const std::string l1 = line("2007 05 22 10 20 30.00");
    rec().feed(l1 + line("2007 05 22 10 20 31.00") + line("2007 05 22 10 20 32.00"));
    ASSERT_EQ(events_.errors.size(), 1u);
    EXPECT_EQ(events_.errors[0], "Cannot open " + (dir_ / "gone" / "20070522102030.pc").string() +
                                     ": No such file or directory");
    EXPECT_EQ(rec().lineCount(), 0);
    EXPECT_EQ(events_.samples.size(), 3u);  // recording goes on
    fs::create_directories(dir_ / "gone");
    rec().feed(line("2007 05 22 10 20 33.00"));
    EXPECT_EQ(rec().lineCount(), 1);
    fs::remove_all(dir_ / "gone");
    rec().feed(line("2007 05 22 10 20 34.00"));
    EXPECT_EQ(events_.errors.size(), 2u);  // again, after the success in between
}

// A FIFO in the day's file's place neither holds the recording in open() nor
// takes its lines, with or without a reader at its other end.
TEST_F(RecorderTest, OnlyARegularFileIsAppendedTo) {
    const std::string fifo = (dir_ / "20070522102030.pc").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const bool reader : {false, true}) {
        const int end = reader ? ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK) : -1;
        Events events;
        DailyRecorder recorder(dir_.string(), events);
        recorder.startRun();
        recorder.feed(line("2007 05 22 10 20 30.00") + line("2007 05 22 10 20 31.00"));
        EXPECT_EQ(events.errors, std::vector<std::string>{fifo + " is not a regular file"}) << reader;
        EXPECT_EQ(events.samples.size(), 2u);  // recording goes on
        if (end >= 0) {
            char byte = 0;
            EXPECT_EQ(::read(end, &byte, 1), 0);  // nothing went into the FIFO
            ::close(end);
        }
    }
}

TEST_F(RecorderTest, AFullDiskLeavesNoFragmentAndTheRecoveryIsLogged) {
    rec().startRun();
    const std::string l1 = line("2007 05 22 10 20 30.00");
    rec().feed(l1);
    {
        const test::FileSizeLimit full(63 + 16);  // the next line fits 16 bytes only
        ASSERT_TRUE(full.ok());
        rec().feed(line("2007 05 22 10 20 31.00") + line("2007 05 22 10 20 32.00"));
        EXPECT_EQ(file("20070522102030.pc"), l1);
    }
    const std::string l4 = line("2007 05 22 10 20 33.00");
    rec().feed(l4);
    EXPECT_EQ(file("20070522102030.pc"), l1 + l4);
    EXPECT_EQ(events_.errors.size(), 1u);
    EXPECT_EQ(events_.log.back(), "Writing again: 20070522102030.pc; 2 lines could not be written");
}

TEST_F(RecorderTest, DamagedPiecesAfterTenInARowAreCountedOncePerMinute) {
    auto now = std::chrono::steady_clock::time_point{};
    rec().setClock([&now] { return now; });
    rec().startRun();
    rec().feed(line("2007 05 22 10 20 30.00"));
    const std::string damaged(62, 'x');
    // A piece every 10 s: the 11th (at 100 s) to the 17th (at 160 s) make one
    // minute's entry; the 18th to 20th are logged at the next valid line.
    for (int i = 0; i < 20; ++i) {
        rec().feed(damaged + "\n");
        now += std::chrono::seconds(10);
    }
    rec().feed(line("2007 05 22 10 22 00.00") + damaged + "\n");
    std::vector<std::string> expected{"Start Record: 20070522102030.pc"};
    for (int i = 0; i < 10; ++i) expected.push_back("Kordel: Damaged string (1), 63 bytes");
    expected.push_back("Kordel: 7 damaged pieces in the last minute");
    expected.push_back("Kordel: 3 damaged pieces in the last minute");
    expected.push_back("Kordel: Damaged string (2), 63 bytes");  // a new run of damage
    EXPECT_EQ(events_.log, expected);
}

TEST_F(RecorderTest, WrittenLinesAreSyncedInBatchesAndAtMidnightAndStop) {
    auto now = std::chrono::steady_clock::time_point{};
    rec().setClock([&now] { return now; });
    rec().startRun();
    for (int i = 0; i < 25; ++i) {  // ten lines a second: synced at 0.8 s and 1.7 s
        char date[32];
        std::snprintf(date, sizeof date, "2007 05 22 23 59 %02d.00", i);
        rec().feed(line(date));
        now += std::chrono::milliseconds(100);
    }
    EXPECT_EQ(rec().syncCount(), 2u);
    rec().syncIfDue();  // the tick: the lines since 1.8 s are 0.7 s old
    EXPECT_EQ(rec().syncCount(), 2u);
    rec().feed(line("2007 05 23 00 00 00.00"));  // the old day's file is synced whole
    EXPECT_EQ(rec().syncCount(), 3u);
    rec().stopRun();
    EXPECT_EQ(rec().syncCount(), 4u);
    EXPECT_TRUE(events_.errors.empty());
}
