#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/clock.h"
#include "app/log/eventlog.h"

using namespace kordel;
namespace fs = std::filesystem;

namespace {

class EventLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("kordel-log-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        log_.setPath((dir_ / "kordel.log").string());
        setClock([this] { return now_; });
    }
    void TearDown() override {
        setClock({});
        fs::remove_all(dir_);
    }
    std::string contents() const {
        std::ifstream in(log_.path(), std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

    fs::path dir_;
    EventLog log_;
    CivilDateTime now_{2007, 2, 3, 9, 5, 7, 0};
};

}  // namespace

TEST_F(EventLogTest, EntriesAreDatedAppendedAndEndedByCrLf) {
    ASSERT_TRUE(log_.write("Start program KORDEL-K5 Version 1.4 - 22.05.2007"));
    now_ = {2007, 5, 22, 14, 5, 9, 0};
    ASSERT_TRUE(log_.write("Exit program"));
    EXPECT_EQ(contents(),
              "03/02/2007 09:05:07: Start program KORDEL-K5 Version 1.4 - 22.05.2007\r\n"
              "22/05/2007 14:05:09: Exit program\r\n");
}

TEST_F(EventLogTest, TextIsWrittenUnchanged) {
    // A quoted device line brings its own CR LF: the entry is followed by an empty line.
    ASSERT_TRUE(log_.write("Kordel: Error string (3): 2007 05 22\r\n"));
    EXPECT_EQ(contents(), "03/02/2007 09:05:07: Kordel: Error string (3): 2007 05 22\r\n\r\n");
}

TEST_F(EventLogTest, ClearEmptiesTheFileAndTheNextEntryIsItsFirstLine) {
    ASSERT_TRUE(log_.write("one"));
    ASSERT_TRUE(log_.clear());
    EXPECT_EQ(fs::file_size(log_.path()), 0u);
    ASSERT_TRUE(log_.write("two"));
    EXPECT_EQ(contents(), "03/02/2007 09:05:07: two\r\n");
}

TEST_F(EventLogTest, ADeletedLogIsCreatedAgain) {
    ASSERT_TRUE(log_.write("one"));
    fs::remove(log_.path());
    EXPECT_FALSE(log_.viewable());
    ASSERT_TRUE(log_.write("two"));
    EXPECT_EQ(contents(), "03/02/2007 09:05:07: two\r\n");
}

TEST_F(EventLogTest, OnlyFilesBelowTheLimitAreViewable) {
    const std::pair<std::uintmax_t, bool> cases[] = {{0, true}, {8'191'999, true}, {8'192'000, false}, {8'192'001, false}};
    for (auto [size, viewable] : cases) {
        { std::ofstream(log_.path(), std::ios::trunc); }
        fs::resize_file(log_.path(), size);
        EXPECT_EQ(log_.viewable(), viewable) << size;
    }
}

TEST_F(EventLogTest, AFailureCarriesTheSystemsText) {
    log_.setPath((dir_ / "missing-folder" / "kordel.log").string());
    const IoStatus s = log_.write("x");
    ASSERT_FALSE(s);
    EXPECT_EQ(s.message(), "Cannot open " + log_.path() + ": No such file or directory");
    // Only a regular file is appended to (a FIFO would hold the program in open()).
    const IoStatus full = EventLog("/dev/full").write("x");
    ASSERT_FALSE(full);
    EXPECT_EQ(full.message(), "/dev/full is not a regular file");
}

TEST(BatchedSync, WritesAreSyncedTogetherOnceTheOldestIsDueAndFailuresAreReturned) {
    const fs::path dir = fs::temp_directory_path() / ("kordel-sync-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string a = (dir / "a.pc").string(), b = (dir / "b.pc").string();
    std::ofstream(a) << "x";
    std::ofstream(b) << "y";
    auto now = std::chrono::steady_clock::time_point{};
    BatchedSync sync([&now] { return now; });
    sync.written(a);
    now += std::chrono::milliseconds(500);
    sync.written(b);
    sync.written(a);
    EXPECT_TRUE(sync.syncIfDue().ok());
    EXPECT_EQ(sync.syncCount(), 0u);  // the oldest write is 500 ms old
    now += std::chrono::milliseconds(300);
    EXPECT_TRUE(sync.syncIfDue().ok());
    EXPECT_EQ(sync.syncCount(), 1u);
    EXPECT_FALSE(sync.pending());
    sync.written((dir / "deleted.pc").string());  // a file the user removed is no failure
    EXPECT_TRUE(sync.syncNow().ok());
    sync.written("/dev/null");  // not synced: no regular file
    sync.written(a);
    EXPECT_EQ(sync.syncNow().message(), "/dev/null is not a regular file");
    EXPECT_FALSE(sync.pending());
    fs::remove_all(dir);
}
