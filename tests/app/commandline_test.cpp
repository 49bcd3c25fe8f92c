#include <gtest/gtest.h>

#include "app/commandline.h"

using kordel::CommandLine;
using kordel::parseCommandLine;

TEST(CommandLine, FirstPlainArgumentIsTheDataFileAndOptionValuesNeverAre) {
    auto cl = parseCommandLine({"day.pc"});
    EXPECT_EQ(cl.dataFile, "day.pc");
    EXPECT_FALSE(cl.port);

    cl = parseCommandLine({"--port", "/dev/ttyUSB0", "day.pc", "other.pc"});
    EXPECT_EQ(cl.port, "/dev/ttyUSB0");
    EXPECT_EQ(cl.dataFile, "day.pc");

    cl = parseCommandLine({"--port", "/dev/ttyUSB0"});
    EXPECT_FALSE(cl.dataFile);

    cl = parseCommandLine({"--port=/dev/pts/3", "--", "--odd-name.pc"});
    EXPECT_EQ(cl.port, "/dev/pts/3");
    EXPECT_EQ(cl.dataFile, "--odd-name.pc");

    cl = parseCommandLine({"--verbose", "--port"});
    EXPECT_FALSE(cl.dataFile);
    EXPECT_EQ(cl.problems.size(), 2u);
}

TEST(CommandLine, SeveralFilesAndFoldersAreKeptInOrder) {
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> files;
    } cases[] = {
        {{"a.pc", "b.fl", "days"}, {"a.pc", "b.fl", "days"}},
        {{"--port", "x.pc", "a.pc", "b.pc"}, {"a.pc", "b.pc"}},
        {{"a.pc", "--", "--b.pc"}, {"a.pc", "--b.pc"}},
        {{}, {}},
    };
    for (const auto& c : cases) {
        const CommandLine cl = parseCommandLine(c.args);
        EXPECT_EQ(cl.dataFiles, c.files);
        EXPECT_EQ(cl.dataFile.has_value(), !c.files.empty());
    }
}
