// Outputs that appear whole or not at all, and special files written directly.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "files/replacingfile.h"
#include "scratchdir.h"

namespace kordel {
namespace {

using test::fileBytes;

std::vector<std::string> namesIn(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ReplacingFile, TheTargetChangesOnlyWhenTheOutputIsComplete) {
    struct Case {
        const char* name;
        bool existing;  // "old" there before
        bool commit;
        const char* after;  // the target's bytes afterwards ("" for no file)
    };
    const std::vector<Case> cases{
        {"new written", false, true, "new"},
        {"new abandoned", false, false, ""},
        {"old replaced", true, true, "new"},
        {"old kept when abandoned", true, false, "old"},
    };
    for (const Case& c : cases) {
        test::ScratchDir dir;
        const std::string target = dir.file("out.sec");
        if (c.existing) std::ofstream(target) << "old";
        {
            ReplacingFile file;
            ASSERT_TRUE(file.open(target)) << c.name;
            EXPECT_FALSE(file.streamed());
            ASSERT_TRUE(file.append("ne")) << c.name;
            ASSERT_TRUE(file.append("w")) << c.name;
            EXPECT_EQ(fileBytes(target), c.existing ? "old" : "") << c.name;  // not yet
            if (c.commit) {
                ASSERT_TRUE(file.commit()) << c.name;
            }
        }
        EXPECT_EQ(fileBytes(target), c.after) << c.name;
        // No temporary file is left behind either way.
        const std::vector<std::string> expected = *c.after != '\0' ? std::vector<std::string>{"out.sec"}
                                                                   : std::vector<std::string>{};
        EXPECT_EQ(namesIn(dir.path()), expected) << c.name;
    }
}

TEST(ReplacingFile, KeepsModeAndLinksAndStreamsSpecialFiles) {
    test::ScratchDir dir;
    const std::string target = dir.file("day.sec"), link = dir.file("latest.sec");
    std::ofstream(target) << "old";
    ::chmod(target.c_str(), 0640);
    std::filesystem::create_symlink("day.sec", link);
    ReplacingFile file;
    ASSERT_TRUE(file.open(link));
    ASSERT_TRUE(file.append("new"));
    ASSERT_TRUE(file.commit());
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(fileBytes(target), "new");
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    struct Case {
        std::string path;
        bool streamed;
        std::string error;  // of open, append or commit, whichever fails first
    };
    const std::vector<Case> cases{
        {"/dev/null", true, ""},
        {"/dev/full", true, "Cannot write /dev/full: No space left on device"},
        {"/dev/fd/99", true, "Cannot open /dev/fd/99: Bad file descriptor"},
        {dir.file("no/such/o.sec"), false, "Cannot create " + dir.file("no/such/o.sec") + ": No such file or directory"},
        {dir.path().string(), true, "Cannot open " + dir.path().string() + ": Is a directory"},
    };
    for (const Case& c : cases) {
        ReplacingFile out;
        IoStatus s = out.open(c.path);
        EXPECT_EQ(out.streamed(), c.streamed) << c.path;
        if (s) s = out.append("bytes");
        if (s) s = out.commit();
        EXPECT_EQ(s.message(), c.error) << c.path;
    }
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"day.sec", "latest.sec"}));
}

}  // namespace
}  // namespace kordel
