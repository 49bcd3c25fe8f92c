// The flags of one folder edited by hand: the exact bytes written, a change
// another writer made in between kept, the user's folder when the data folder
// is closed, and nothing changed in memory when the file cannot be written.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "../files/scratchdir.h"
#include "exchange/exportarguments.h"
#include "processing/folderflags.h"

namespace kordel {
namespace {

std::int64_t at(const char* iso) { return *parseIsoUtc(iso); }

using test::fileBytes;

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

constexpr const char* kHeader =
    "# Kordel-K5 flags of the data files in this folder; the data files are never changed.\n"
    "# START END COMPONENTS KIND(spike|step|remove|keep) SOURCE SET COMMENT: times of the recording's clock,\n"
    "# both inclusive; SET and the edit log's times are UT. Lines \"edit WHEN WHO WHAT\" are the edit log.\n";

Flag carParked() {
    return {at("2007-05-15T10:00:00"), at("2007-05-15T10:00:05"), {"Bx", "By"}, FlagKind::Remove, "alice",
            at("2026-12-08T19:40:00Z"), "car parked"};
}

Flag autoSpike() {
    return {at("2007-05-15T09:00:00.100"), at("2007-05-15T09:00:00.300"), {"Bz"}, FlagKind::Spike, "auto",
            at("2026-12-08T08:00:00Z"), "Hampel fence"};
}

Flag laterStep() {
    return {at("2007-05-15T11:00:00"), at("2007-05-15T11:00:00"), {"Bx"}, FlagKind::Step, "auto",
            at("2026-12-08T08:00:00Z"), ""};
}

TEST(FolderFlags, AddThenRemoveWritesTheFileExactly) {
    test::ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    FlagSet before;
    before.flags = {autoSpike()};
    ASSERT_TRUE(writeFlagFile(dir.file("kordel-flags.txt"), before).ok());

    FolderFlags flags = FolderFlags::open(dir.path().string(), dir.file("user"));
    ASSERT_TRUE(flags.readStatus().ok());
    EXPECT_EQ(flags.place().path, dir.file("kordel-flags.txt"));
    EXPECT_FALSE(flags.place().fallback);
    ASSERT_EQ(flags.set().flags, before.flags);

    ASSERT_TRUE(flags.add(carParked(), "alice", at("2026-12-08T19:40:00Z")).ok());
    ASSERT_TRUE(flags.remove({autoSpike()}, "bob", at("2026-12-08T19:41:30.250Z")).ok());
    const std::string expected =
        std::string(kHeader) +
        "2007-05-15T10:00:00.000 2007-05-15T10:00:05.000 Bx,By remove alice 2026-12-08T19:40:00.000Z car parked\n"
        "edit 2026-12-08T19:40:00.000Z alice added remove 2007-05-15T10:00:00.000 2007-05-15T10:00:05.000 Bx,By: "
        "car parked\n"
        "edit 2026-12-08T19:41:30.250Z bob removed spike 2007-05-15T09:00:00.100 2007-05-15T09:00:00.300 Bz: "
        "Hampel fence\n";
    EXPECT_EQ(fileBytes(flags.place().path), expected);
    // Memory is what the file holds.
    const FlagParseResult read = parseFlagFile(expected);
    EXPECT_EQ(flags.set().flags, read.set.flags);
    EXPECT_EQ(flags.set().log, read.set.log);
}

TEST(FolderFlags, EachChangeIsOneEditLineSayingWhatChanged) {
    Flag noComment = carParked();
    noComment.comment = "";
    const struct {
        const char* name;
        std::vector<Flag> in;      // in the file when the change is made
        std::vector<Flag> add;     // one flag to add, or
        std::vector<Flag> remove;  // the flags to remove
        std::vector<Flag> out;
        const char* what;
    } rows[] = {
        {"add", {autoSpike()}, {carParked()}, {}, {autoSpike(), carParked()},
         "added remove 2007-05-15T10:00:00.000 2007-05-15T10:00:05.000 Bx,By: car parked"},
        {"add without comment", {}, {noComment}, {}, {noComment},
         "added remove 2007-05-15T10:00:00.000 2007-05-15T10:00:05.000 Bx,By"},
        {"remove one", {autoSpike(), laterStep()}, {}, {laterStep()}, {autoSpike()},
         "removed step 2007-05-15T11:00:00.000 2007-05-15T11:00:00.000 Bx"},
        {"remove two", {autoSpike(), laterStep()}, {}, {laterStep(), autoSpike()}, {},
         "removed step 2007-05-15T11:00:00.000 2007-05-15T11:00:00.000 Bx; "
         "spike 2007-05-15T09:00:00.100 2007-05-15T09:00:00.300 Bz: Hampel fence"},
        {"remove one gone", {autoSpike()}, {}, {laterStep()}, {autoSpike()},
         "removed 0 of 1 flags (1 no longer in the file)"},
        {"remove one of two gone", {laterStep()}, {}, {autoSpike(), laterStep()}, {},
         "removed 1 of 2 flags (1 no longer in the file): step 2007-05-15T11:00:00.000 2007-05-15T11:00:00.000 Bx"},
    };
    for (const auto& r : rows) {
        test::ScratchDir dir;
        ASSERT_TRUE(dir.ok());
        FlagSet in;
        in.flags = r.in;
        ASSERT_TRUE(writeFlagFile(dir.file("kordel-flags.txt"), in).ok());
        FolderFlags flags = FolderFlags::open(dir.path().string(), dir.file("user"));
        const std::int64_t now = at("2026-12-08T20:00:00Z");
        const IoStatus s = r.add.empty() ? flags.remove(r.remove, "anna", now) : flags.add(r.add[0], "anna", now);
        ASSERT_TRUE(s.ok()) << r.name << ": " << s.message();
        EXPECT_EQ(flags.set().flags, r.out) << r.name;
        ASSERT_EQ(flags.set().log.size(), 1u) << r.name;
        EXPECT_EQ(flags.set().log[0], (FlagEdit{now, "anna", r.what})) << r.name;
        EXPECT_EQ(parseFlagFile(fileBytes(flags.place().path)).set.log, flags.set().log) << r.name;
    }
}

TEST(FolderFlags, AChangeAnotherWriterMadeSinceOpeningIsKept) {
    test::ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    const std::string path = dir.file("kordel-flags.txt");
    FolderFlags flags = FolderFlags::open(dir.path().string(), dir.file("user"));
    ASSERT_TRUE(flags.readStatus().ok());  // no file yet: no flags
    EXPECT_TRUE(flags.set().empty());

    // The exporter flags spikes while the folder is open here.
    FlagSet theirs;
    theirs.add({autoSpike(), laterStep()}, "auto", at("2026-12-08T08:00:00Z"), "kordel-export --flag-spikes");
    ASSERT_TRUE(writeFlagFile(path, theirs).ok());

    ASSERT_TRUE(flags.add(carParked(), "alice", at("2026-12-08T19:40:00Z")).ok());
    const std::vector<Flag> all = {autoSpike(), carParked(), laterStep()};
    EXPECT_EQ(flags.set().flags, all);
    ASSERT_EQ(flags.set().log.size(), 2u);
    EXPECT_EQ(flags.set().log[0].what, "kordel-export --flag-spikes");
    EXPECT_EQ(parseFlagFile(fileBytes(path)).set.flags, all);
}

TEST(FolderFlags, LinesNotReadAreReported) {
    test::ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    writeBytes(dir.file("kordel-flags.txt"), "# flags\nnonsense\n");
    FolderFlags flags = FolderFlags::open(dir.path().string(), dir.file("user"));
    ASSERT_TRUE(flags.readStatus().ok());
    const std::vector<std::string> expected = {
        "line 2: a flag needs start, end, components, kind, source and the time it was set"};
    EXPECT_EQ(flags.problems(), expected);
    // A change writes the file anew: the line someone wrote by hand is not lost.
    ASSERT_TRUE(flags.add(carParked(), "alice", at("2026-12-08T19:40:00Z")).ok());
    EXPECT_TRUE(fileBytes(dir.file("kordel-flags.txt")).ends_with("# Lines that could not be read, kept as they were:\nnonsense\n"));
}

TEST(FolderFlags, AClosedDataFolderKeepsTheFlagsInTheUserFolder) {
    test::ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    // A folder under a regular file can be neither made nor written, even by root.
    writeBytes(dir.file("plain"), "x");
    const std::string dataFolder = dir.file("plain") + "/data";
    FolderFlags flags = FolderFlags::open(dataFolder, dir.file("user"));
    ASSERT_TRUE(flags.readStatus().ok());
    EXPECT_TRUE(flags.place().fallback);
    EXPECT_EQ(flags.place().path, dir.file("user") + "/" + folderKey(dataFolder) + "/kordel-flags.txt");
    ASSERT_TRUE(flags.add(carParked(), "alice", at("2026-12-08T19:40:00Z")).ok());
    EXPECT_EQ(parseFlagFile(fileBytes(flags.place().path)).set.flags, std::vector<Flag>{carParked()});
}

TEST(FolderFlags, AChangeThatCannotBeMadeLeavesMemoryAsItWas) {
    const struct {
        const char* name;
        bool removeFolderAfterOpening;  // the file can no longer be read
        const char* before;  // the message: before the file's path,
        const char* after;   // and after it
    } rows[] = {
        // /proc takes no new folder, even from root.
        {"write", false, "The flags were not changed: Cannot create ", ": No such file or directory"},
        {"read", true, "Cannot open ", ": Not a directory"},
    };
    for (const auto& r : rows) {
        test::ScratchDir dir;
        ASSERT_TRUE(dir.ok());
        std::string dataFolder = dir.file("data");
        std::string userFolder = dir.file("user");
        if (r.removeFolderAfterOpening) {
            std::filesystem::create_directory(dataFolder);
            FlagSet some;
            some.flags = {autoSpike()};
            ASSERT_TRUE(writeFlagFile(dataFolder + "/kordel-flags.txt", some).ok());
        } else {
            writeBytes(dir.file("plain"), "x");
            dataFolder = dir.file("plain") + "/data";
            userFolder = "/proc/kordel-no-such-folder";
        }
        FolderFlags flags = FolderFlags::open(dataFolder, userFolder);
        ASSERT_TRUE(flags.readStatus().ok()) << r.name;
        const FlagSet before = flags.set();
        if (r.removeFolderAfterOpening) {
            std::filesystem::remove_all(dataFolder);
            writeBytes(dataFolder, "now a plain file");
        }
        const IoStatus added = flags.add(carParked(), "alice", at("2026-12-08T19:40:00Z"));
        ASSERT_FALSE(added.ok()) << r.name;
        EXPECT_EQ(added.message(), r.before + flags.place().path + r.after) << r.name;
        const IoStatus removed = flags.remove(before.flags, "alice", at("2026-12-08T19:40:00Z"));
        EXPECT_FALSE(removed.ok()) << r.name;
        EXPECT_EQ(flags.set().flags, before.flags) << r.name;
        EXPECT_EQ(flags.set().log, before.log) << r.name;
    }
}

}  // namespace
}  // namespace kordel
