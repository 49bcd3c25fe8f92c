#include "files/safepath.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "scratchdir.h"

namespace kordel {
namespace {

using test::ScratchDir;

TEST(SafePath, OnlyOnePlainNameIsJoinedToTheFolder) {
    struct Row {
        std::string name;
        std::optional<std::string> path;
    };
    const Row rows[] = {
        {"abc20070515vsec.sec", "/out/abc20070515vsec.sec"},
        {"20261208000000.pc", "/out/20261208000000.pc"},
        {"..x", "/out/..x"},
        {"", std::nullopt},
        {".", std::nullopt},
        {"..", std::nullopt},
        {"../victim/x20070515vsec.sec", std::nullopt},
        {"/etc/passwd", std::nullopt},
        {std::string("x\0y", 3), std::nullopt},
        {"a\nb", std::nullopt},
        {"a\rb", std::nullopt},
        {"a\x7f", std::nullopt},
        {std::string(255, 'a'), "/out/" + std::string(255, 'a')},
        {std::string(256, 'a'), std::nullopt},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(pathInside("/out", row.name), row.path) << row.name;
        EXPECT_EQ(pathInside("/out/", row.name), row.path) << row.name;
    }
    EXPECT_EQ(pathInside("", "a.pc"), std::optional<std::string>("a.pc"));
}

TEST(SafePath, OnlyRegularFilesAreOpenedOrAppendedTo) {
    ScratchDir dir;
    const std::string root = dir.path().string();
    const std::string file = dir.file("day.pc");
    const std::string fifo = dir.file("fifo.pc");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    {
        FILE* f = std::fopen(file.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
    }
    int fd = -1;
    EXPECT_TRUE(openRegularForReading(file, fd).ok());
    EXPECT_GE(fd, 0);
    ::close(fd);

    const struct {
        std::string path;
        std::string message;
    } refused[] = {
        {fifo, fifo + " is not a regular file"},
        {"/dev/zero", "/dev/zero is not a regular file"},
        {root, root + " is not a regular file"},
        {root + "/missing.pc", "Cannot open " + root + "/missing.pc: No such file or directory"},
    };
    for (const auto& row : refused) {
        const IoStatus status = openRegularForReading(row.path, fd);
        EXPECT_EQ(status.message(), row.message);
        EXPECT_EQ(fd, -1);
    }
    EXPECT_TRUE(checkRegularOrMissing(file).ok());
    EXPECT_TRUE(checkRegularOrMissing(root + "/new.pc").ok());
    EXPECT_EQ(checkRegularOrMissing(fifo).message(), fifo + " is not a regular file");
}

}  // namespace
}  // namespace kordel
