#include <gtest/gtest.h>

#include "app/commandline.h"

using kordel::CommandLine;
using kordel::parseCommandLine;
using Stop = kordel::ProgramCommandLine::Stop;

namespace {

CommandLine values(const QStringList& args) {
    const auto parsed = parseCommandLine(QStringList{QStringLiteral("/usr/bin/kordel")} + args);
    EXPECT_TRUE(std::holds_alternative<CommandLine>(parsed)) << args.join(QLatin1Char(' ')).toStdString();
    return std::holds_alternative<CommandLine>(parsed) ? std::get<CommandLine>(parsed) : CommandLine{};
}

Stop stop(const QStringList& args) {
    const auto parsed = parseCommandLine(QStringList{QStringLiteral("build/src/kordel")} + args);
    EXPECT_TRUE(std::holds_alternative<Stop>(parsed)) << args.join(QLatin1Char(' ')).toStdString();
    return std::holds_alternative<Stop>(parsed) ? std::get<Stop>(parsed) : Stop{-1, {}, {}};
}

}  // namespace

TEST(CommandLine, FirstPlainArgumentIsTheDataFileAndOptionValuesNeverAre) {
    auto cl = values({"day.pc"});
    EXPECT_EQ(cl.dataFile, "day.pc");
    EXPECT_FALSE(cl.port);

    cl = values({"--port", "/dev/ttyUSB0", "day.pc", "other.pc"});
    EXPECT_EQ(cl.port, "/dev/ttyUSB0");
    EXPECT_EQ(cl.dataFile, "day.pc");

    cl = values({"--port", "/dev/ttyUSB0"});
    EXPECT_FALSE(cl.dataFile);
    EXPECT_FALSE(cl.outputDir);  // the setting, or the working directory

    cl = values({"--output-dir", "~/Kordel", "day.pc"});
    EXPECT_EQ(cl.outputDir, "~/Kordel");
    EXPECT_EQ(cl.dataFiles, std::vector<std::string>{"day.pc"});

    cl = values({"--port=/dev/pts/3", "--", "--odd-name.pc"});
    EXPECT_EQ(cl.port, "/dev/pts/3");
    EXPECT_EQ(cl.dataFile, "--odd-name.pc");

    // The toolkit's own options are left to the application object.
    cl = values({"-platform", "offscreen", "-reverse", "day.pc"});
    EXPECT_EQ(cl.dataFile, "day.pc");
}

TEST(CommandLine, UsageErrorsAreOneLineAndExitStatus2) {
    struct Case {
        QStringList args;
        QString err;
    };
    const Case cases[] = {
        // An unknown option is quoted as typed.
        {{"--verbose"}, "kordel: unknown option '--verbose'; see kordel --help\n"},
        {{"day.pc", "--verbose", "-x"}, "kordel: unknown options '--verbose', '-x'; see kordel --help\n"},
        {{"--colour=red"}, "kordel: unknown option '--colour=red'; see kordel --help\n"},
        {{"-bogus"}, "kordel: unknown option '-bogus'; see kordel --help\n"},
        {{"--port"}, "kordel: missing value after '--port'; see kordel --help\n"},
        {{"--help=yes"}, "kordel: unexpected value after '--help'; see kordel --help\n"},
    };
    for (const Case& c : cases) {
        const Stop s = stop(c.args);
        EXPECT_EQ(s.status, 2);
        EXPECT_EQ(s.out, QString());
        EXPECT_EQ(s.err, c.err);
    }
}

TEST(CommandLine, VersionAndHelpEndTheProgramWithStatus0) {
    for (const char* option : {"--version", "-v"}) {
        const Stop s = stop({QString::fromLatin1(option)});
        EXPECT_EQ(s.status, 0);
        EXPECT_EQ(s.out, QStringLiteral("kordel " KORDEL_PROJECT_VERSION "\n"));
        EXPECT_EQ(s.err, QString());
    }
    const Stop help = stop({QStringLiteral("day.pc"), QStringLiteral("-h")});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: kordel [options] [FILE|FOLDER]...\n"))) << help.out.toStdString();
    EXPECT_TRUE(help.out.contains(
        QStringLiteral("  --port <NAME>       The serial port of the instrument. (default: the first\n"
                       "                      serial port found)\n"
                       "  --output-dir <DIR>  The folder of the daily data files for this run, over the\n")))
        << help.out.toStdString();
    EXPECT_TRUE(help.out.endsWith(QStringLiteral("\nExit status:\n"
                                                 "  0  the window was closed\n"
                                                 "  2  a usage error: an unknown option, a missing or bad value\n")))
        << help.out.toStdString();
    EXPECT_FALSE(help.out.contains(QStringLiteral("platform")));
}

TEST(CommandLine, SeveralFilesAndFoldersAreKeptInOrder) {
    const struct {
        QStringList args;
        std::vector<std::string> files;
    } cases[] = {
        {{"a.pc", "b.fl", "days"}, {"a.pc", "b.fl", "days"}},
        {{"--port", "x.pc", "a.pc", "b.pc"}, {"a.pc", "b.pc"}},
        {{"a.pc", "--", "--b.pc"}, {"a.pc", "--b.pc"}},
        {{}, {}},
    };
    for (const auto& c : cases) {
        const CommandLine cl = values(c.args);
        EXPECT_EQ(cl.dataFiles, c.files);
        EXPECT_EQ(cl.dataFile.has_value(), !c.files.empty());
    }
}
