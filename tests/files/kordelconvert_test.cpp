// The command-line converter, run as a program.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "files/flashdumpwriter.h"
#include "scratchdir.h"

namespace kordel {
namespace {

using test::fileBytes;

struct Outcome {
    int status = -1;
    std::string err;
    std::string out;
};

// Runs the tool in `cwd` with `args` (already quoted for the shell).
Outcome run(const test::ScratchDir& cwd, const std::string& args) {
    const std::string errFile = cwd.file("stderr.txt");
    const std::string outFile = cwd.file("stdout.txt");
    const std::string cmd = "cd '" + cwd.path().string() + "' && '" KORDEL_CONVERT "' " + args + " 2>'" + errFile +
                            "' >'" + outFile + "'";
    const int rc = std::system(cmd.c_str());
    Outcome o;
    o.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    o.err = fileBytes(errFile);
    o.out = fileBytes(outFile);
    std::filesystem::remove(errFile);
    std::filesystem::remove(outFile);
    return o;
}

// The log's entries without their time stamps, which must have the log's form.
std::vector<std::string> logTexts(const std::string& log) {
    std::vector<std::string> texts;
    std::size_t pos = 0;
    while (pos < log.size()) {
        const std::size_t end = log.find("\r\n", pos);
        if (end == std::string::npos) {
            ADD_FAILURE() << "entry without CR LF";
            break;
        }
        const std::string line = log.substr(pos, end - pos);
        // "dd/mm/yyyy HH:mm:ss: "
        EXPECT_GE(line.size(), 21u);
        EXPECT_EQ(line[2], '/');
        EXPECT_EQ(line[5], '/');
        EXPECT_EQ(line[10], ' ');
        EXPECT_EQ(line[13], ':');
        EXPECT_EQ(line[16], ':');
        EXPECT_EQ(line.substr(19, 2), ": ");
        texts.push_back(line.substr(21));
        pos = end + 2;
    }
    return texts;
}

TEST(KordelConvert, ConvertsEveryDumpIntoTheOutputDirectoryAndLogsInTheCurrentOne) {
    const test::ScratchDir dir;
    FlashDumpOptions a;
    a.blocks = 2;
    a.erasedBlocks = 1;
    FlashDumpOptions b;
    b.start = {2008, 1, 2, 3, 4, 5, 0};
    ASSERT_TRUE(FlashDumpWriter(a).writeTo(dir.file("a.b01")).ok());
    ASSERT_TRUE(FlashDumpWriter(b).writeTo(dir.file("b.b02")).ok());

    const Outcome o = run(dir, "--output-dir out/x a.b01 b.b02");  // made with its parent
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.err, "");  // no terminal: no progress bar
    EXPECT_EQ(o.out, "out/x/2007051512.INF\nout/x/20070515123000.fl\nout/x/2008010203.INF\nout/x/20080102030405.fl\n");
    // The default values widen Bz to 9 characters: 64 bytes a line.
    EXPECT_EQ(fileBytes(dir.file("out/x/20070515123000.fl")).size(), 60u * 64u);
    EXPECT_EQ(fileBytes(dir.file("out/x/20080102030405.fl")).size(), 30u * 64u);
    const std::string inf = fileBytes(dir.file("out/x/2007051512.INF"));
    EXPECT_EQ(inf.substr(0, 38), "Data from KORDEL-K5.\r\n\r\nInput file: a.");
    EXPECT_EQ(inf.substr(inf.size() - 70),
              "Error Block > 2007 05 15 12 30 30\r\n!buf512[0..5]= FF FF FF FF FF FF \r\n");
    EXPECT_TRUE(std::filesystem::exists(dir.file("out/x/2008010203.INF")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("out/x/kordel.log")));
    EXPECT_EQ(logTexts(fileBytes(dir.file("kordel.log"))),
              (std::vector<std::string>{"Bin To Text: a.b01", "!Error Block > 2007 05 15 12 30 30",
                                        "!buf512[0..5]= FF FF FF FF FF FF ", "Bin To Text: b.b02"}));
}

TEST(KordelConvert, DefaultsToTheCurrentDirectoryAndAppendsToTheLog) {
    const test::ScratchDir dir;
    {
        std::ofstream log(dir.file("kordel.log"), std::ios::binary);
        log << "01/01/2007 00:00:00: earlier\r\n";
    }
    ASSERT_TRUE(FlashDumpWriter(FlashDumpOptions{}).writeTo(dir.file("a.b01")).ok());
    EXPECT_EQ(run(dir, "a.b01").status, 0);
    EXPECT_TRUE(std::filesystem::exists(dir.file("20070515123000.fl")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("2007051512.INF")));
    EXPECT_EQ(logTexts(fileBytes(dir.file("kordel.log"))), (std::vector<std::string>{"earlier", "Bin To Text: a.b01"}));
}

TEST(KordelConvert, MessageTextsGoToStderrAndTheDumpCountsAsFailed) {
    const test::ScratchDir dir;
    ASSERT_TRUE(FlashDumpWriter(FlashDumpOptions{}).writeTo(dir.file("good.b01")).ok());
    { std::ofstream(dir.file("empty.b01"), std::ios::binary); }
    const Outcome o = run(dir, "missing.b01 good.b01 empty.b01");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err,
              "kordel-convert: File missing.b01 not found!\n"
              "kordel-convert: File empty.b01[0]<>$C0!\n");
    EXPECT_TRUE(std::filesystem::exists(dir.file("20070515123000.fl")));
}

TEST(KordelConvert, AnOutputDirectoryThatCannotBeMadeFailsBeforeAnyDump) {
    const test::ScratchDir dir;
    ASSERT_TRUE(FlashDumpWriter(FlashDumpOptions{}).writeTo(dir.file("a.b01")).ok());
    { std::ofstream(dir.file("plain"), std::ios::binary) << "x"; }
    const Outcome o = run(dir, "--output-dir plain/out a.b01");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "kordel-convert: cannot create the output folder plain/out: Not a directory\n");
    EXPECT_EQ(o.out, "");
    EXPECT_FALSE(std::filesystem::exists(dir.file("kordel.log")));
}

TEST(KordelConvert, ADumpThatReplacesFilesOfAnEarlierOneSaysSo) {
    const test::ScratchDir dir;
    ASSERT_TRUE(FlashDumpWriter(FlashDumpOptions{}).writeTo(dir.file("a.b01")).ok());
    ASSERT_TRUE(FlashDumpWriter(FlashDumpOptions{}).writeTo(dir.file("b.b01")).ok());
    const Outcome o = run(dir, "a.b01 b.b01");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.err,
              "kordel-convert: b.b01 replaces 2007051512.INF, written from a.b01\n"
              "kordel-convert: b.b01 replaces 20070515123000.fl, written from a.b01\n");
    EXPECT_EQ(o.out, "2007051512.INF\n20070515123000.fl\n2007051512.INF\n20070515123000.fl\n");
}

TEST(KordelConvert, UsageErrorsExitWith2) {
    const test::ScratchDir dir;
    const std::string help = "; see kordel-convert --help\n";
    struct Case {
        const char* args;
        std::string err;
    };
    const Case cases[] = {
        {"", "kordel-convert: no flash dump named" + help},
        {"--output-dir", "kordel-convert: missing value after '--output-dir'" + help},
        {"--output-dir= a.b01", "kordel-convert: --output-dir needs a directory" + help},
        {"--output-dir out", "kordel-convert: no flash dump named" + help},
        {"--frobnicate a.b01", "kordel-convert: unknown option '--frobnicate'" + help},
    };
    for (const auto& c : cases) {
        const Outcome o = run(dir, c.args);
        EXPECT_EQ(o.status, 2) << c.args;
        EXPECT_EQ(o.err, c.err) << c.args;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("kordel.log")));
}

}  // namespace
}  // namespace kordel
