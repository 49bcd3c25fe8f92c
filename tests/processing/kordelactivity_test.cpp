// kordel-activity run as a program: the daily K lines, gaps, formats, usage.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>

#include "../files/scratchdir.h"
#include "app/fixedformats.h"

namespace kordel {
namespace {

using test::fileBytes;

struct Outcome {
    int status = -1;
    std::string out, err;
};

Outcome run(const test::ScratchDir& dir, const std::string& args) {
    const std::string out = dir.file("stdout.txt"), err = dir.file("stderr.txt");
    const std::string cmd =
        "cd '" + dir.path().string() + "' && '" KORDEL_ACTIVITY "' " + args + " >'" + out + "' 2>'" + err + "'";
    const int rc = std::system(cmd.c_str());
    Outcome r{WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, fileBytes(out), fileBytes(err)};
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return r;
}

// A daily data file of 15 or 16 May 2007, a sample every 10 s: a regular daily
// variation, on the 16th a bay of 80 nT in 13:00–14:00 (K 5 at L9 500), and
// samples left out from `gapFrom` for `gapSeconds`.
void writeDay(const std::string& path, int day, int gapFrom = 0, int gapSeconds = 0) {
    std::ofstream f(path, std::ios::binary);
    f << "h1\r\nh2\r\nh3\r\n";
    for (int s = 0; s < 86400; s += 10) {
        if (s >= gapFrom && s < gapFrom + gapSeconds) continue;
        const double phase = 2 * std::numbers::pi * s / 86400;
        double x = 20000 + 20 * std::cos(phase - 0.7);
        const double y = 1500 + 10 * std::sin(phase);
        if (day == 16 && s >= 13 * 3600 && s < 14 * 3600) {
            const double b = std::sin(std::numbers::pi * (s - 13 * 3600) / 3600);
            x -= 80 * b * b;
        }
        f << "2007 05 " << TwoDigits(day) << ' ' << TwoDigits(s / 3600) << ' ' << TwoDigits(s / 60 % 60) << ' '
          << TwoDigits(s % 60) << ".00 " << formatFixedWidth(x, 2, 8) << ' ' << formatFixedWidth(y, 2, 8)
          << " 44000.00  25.0  30.0\r\n";
    }
}

TEST(KordelActivity, OneLinePerUtDayMissingKAndSumAsDash) {
    const struct {
        int gapFrom, gapSeconds;
        std::string args, out;
    } cases[] = {
        {0, 0, "a.pc b.pc",
         "2007-05-15  0 0 0 0 0 0 0 0  0\n"
         "2007-05-16  0 0 0 0 5 0 0 0  5\n"},
        // 20 of the 180 minutes of 06–09 UT missing: no K, no ΣK.
        {6 * 3600 + 1800, 20 * 60, ".",
         "2007-05-15  0 0 0 0 0 0 0 0  0\n"
         "2007-05-16  0 0 - 0 5 0 0 0  -\n"},
        // The clock two hours ahead of UT moves the bay to 11:00–12:00 UT; the
        // first file's first two hours fall on the 14th, and 22–24 UT of the
        // 16th holds nothing.
        {0, 0, "--utc-offset +02:00 a.pc b.pc",
         "2007-05-14  - - - - - - - -  -\n"
         "2007-05-15  0 0 0 0 0 0 0 0  0\n"
         "2007-05-16  0 0 0 5 0 0 0 -  -\n"},
    };
    for (const auto& c : cases) {
        test::ScratchDir dir;
        writeDay(dir.file("a.pc"), 15);
        writeDay(dir.file("b.pc"), 16, c.gapFrom, c.gapSeconds);
        const Outcome r = run(dir, c.args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out, c.out) << c.args;
    }
}

TEST(KordelActivity, CsvCarriesTheHourlyLevels) {
    test::ScratchDir dir;
    writeDay(dir.file("a.pc"), 15);
    writeDay(dir.file("b.pc"), 16);
    const Outcome r = run(dir, "--format csv --levels 30,60,90 a.pc b.pc");
    EXPECT_EQ(r.status, 0) << r.err;
    // The 16th against the 15th: the bay's hour is amber (80 nT), the rest green.
    const std::string green = ",green";
    std::string levels;
    for (int h = 0; h < 24; ++h) levels += h == 13 ? std::string(",amber") : green;
    EXPECT_NE(r.out.find("\n2007-05-16,0,0,0,0,5,0,0,0,5," + levels + "\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\n2007-05-15,0,0,0,0,0,0,0,0,0,,,,,,,,,,,,,,,,,,,,,,,,,\n"), std::string::npos)
        << "no quiet days before the first day";
}

TEST(KordelActivity, UsageErrorsAndUnreadableInputs) {
    const struct {
        std::string args;
        int status;
        std::string err;
    } cases[] = {
        {"--k9 0 a.pc", 2, "kordel-activity: --k9 needs a number of nT above 0; see kordel-activity --help\n"},
        {"--format xml a.pc", 2, "kordel-activity: --format must be text, csv or json; see kordel-activity --help\n"},
        {"--levels 100,50,200 a.pc", 2,
         "kordel-activity: --levels needs three rising numbers of nT, e.g. 50,100,200; see kordel-activity --help\n"},
        {"--longitude east a.pc", 2,
         "kordel-activity: --longitude needs degrees between -360 and 360; see kordel-activity --help\n"},
        {"", 2, "kordel-activity: no INPUT given; see kordel-activity --help\n"},
    };
    test::ScratchDir dir;
    for (const auto& c : cases) {
        const Outcome r = run(dir, c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_EQ(r.err, c.err) << c.args;
        EXPECT_EQ(r.out, "");
    }
    const Outcome missing = run(dir, "nothere.pc");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("nothere.pc"), std::string::npos) << missing.err;
    EXPECT_EQ(missing.out, "");
}

}  // namespace
}  // namespace kordel
