// The export tool run as a program: outputs, exit codes, options.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <algorithm>
#include <vector>

#include "../files/scratchdir.h"

namespace kordel {
namespace {

using test::fileBytes;

void write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

struct Outcome {
    int status = -1;
    std::string out, err;
};

Outcome run(const test::ScratchDir& dir, const std::string& args, const std::string& env = {}) {
    const std::string out = dir.file("stdout.txt"), err = dir.file("stderr.txt");
    const std::string cmd =
        "cd '" + dir.path().string() + "' && " + env + " '" KORDEL_EXPORT "' " + args + " >'" + out + "' 2>'" + err + "'";
    const int rc = std::system(cmd.c_str());
    Outcome r{WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, fileBytes(out), fileBytes(err)};
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return r;
}

constexpr const char* kDay =
    "h1\r\nh2\r\nh3\r\n"
    "2007 05 16 01 59 59.90 20000.00  1500.00 44000.00  25.0  30.0\r\n"
    "2007 05 16 02 00 00.00 20000.01  1500.00 44000.00  25.0  30.0\r\n"
    "garbage\r\n";

TEST(KordelExport, OneFilePerUtDayWithTheClockOffsetTakenOff) {
    test::ScratchDir dir;
    write(dir.file("a.pc"), kDay);
    const Outcome r = run(dir, "--utc-offset +02:00 --station-code abc --output-dir out a.pc");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "kordel-export: a.pc:6: error line skipped: garbage\nkordel-export: 1 error line(s) skipped\n");
    const std::string first = fileBytes(dir.file("out/abc20070515vsec.sec"));
    const std::string second = fileBytes(dir.file("out/abc20070516vsec.sec"));
    EXPECT_NE(first.find("\r\n2007-05-15 23:59:59.900 135     20000.00   1500.00  44000.00  48355.45\r\n"),
              std::string::npos);
    EXPECT_TRUE(second.ends_with("\r\n2007-05-16 00:00:00.000 136     20000.01   1500.00  44000.00  48355.46\r\n"));
}

TEST(KordelExport, CsvToStandardOutputWithinTheTimeRange) {
    test::ScratchDir dir;
    write(dir.file("a.pc"), kDay);
    const Outcome r = run(dir, "--format csv --from 2007-05-16T02:00:00 --to 2007-05-16T03:00:00 a.pc");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "time,Bx,By,Bz,F,Ts,Te\r\n2007-05-16T02:00:00.000Z,20000.01,1500.00,44000.00,48355.46,25.0,30.0\r\n");
}

TEST(KordelExport, ExitCodes) {
    test::ScratchDir dir;
    write(dir.file("a.pc"), kDay);
    write(dir.file("slow.pc"), "h1\r\nh2\r\nh3\r\n"
                               "2007 05 16 02 00 00.00 20000.00  1500.00 44000.00  25.0  30.0\r\n"
                               "2007 05 16 02 00 30.00 20000.00  1500.00 44000.00  25.0  30.0\r\n"
                               "2007 05 16 02 01 00.00 20000.00  1500.00 44000.00  25.0  30.0\r\n");
    write(dir.file("clean.pc"), std::string(kDay).substr(0, std::string(kDay).find("garbage")));
    write(dir.file("year1.pc"), "h1\r\nh2\r\nh3\r\n0001 01 01 00 30 00.00 20000.00  1500.00 44000.00  25.0  30.0\r\n"
                                "2007 05 16 02 00 00.00 20000.01  1500.00 44000.00  25.0  30.0\r\n");
    write(dir.file("b.min"), " Format                 IAGA-2002                                    |\n"
                             "DATE       TIME         DOY     ABCX      ABCY      ABCZ      ABCF   |\n");
    write(dir.file("c.min"), " Format                 IAGA-2002                                    |\n"
                             "DATE       TIME         DOY     ABCH      ABCD      ABCZ      ABCF   |\n");
    ASSERT_EQ(::mkfifo(dir.file("fifo.pc").c_str(), 0600), 0);
    struct Case {
        const char* args;
        int status;
        const char* errorStart;
    };
    const std::vector<Case> cases{
        {"a.pc --format png", 2, "kordel-export: a picture needs --output FILE"},
        {"a.pc --format svg --output-dir out", 2, "kordel-export: a picture needs --output FILE"},
        {"a.pc --format png --size 12 --output x.png", 2, "kordel-export: --size needs WxH in pixels"},
        {"a.pc --format xml", 2, "kordel-export: --format must be iaga2002, csv, png, svg or pdf"},
        {"a.pc b.min", 2, "kordel-export: IAGA-2002 files (b.min) and data files (a.pc) do not mix"},
        {"b.min c.min", 2, "kordel-export: c.min reports HDZF, the other IAGA-2002 inputs XYZF"},
        {"a.pc --utc-offset 2", 2, "kordel-export: --utc-offset needs +HH:MM or -HH:MM"},
        {"a.pc --from yesterday", 2, "kordel-export: --from needs an ISO 8601 UT time"},
        {"", 2, "kordel-export: no INPUT given"},
        {"a.pc missing.pc --output o.sec", 1, "kordel-export: Cannot read missing.pc: no such file"},
        {"a.pc fifo.pc --output o.sec", 1, "kordel-export: fifo.pc is not a regular file"},
        {"a.pc --output no/such/dir/o.sec", 1, "kordel-export: a.pc:6: error line skipped"},
        {"a.pc --interval week", 2, "kordel-export: --interval must be native, second, minute, hour or day"},
        {"a.pc --interval hour --filter mean", 2, "kordel-export: --filter goes with --interval second or minute"},
        {"slow.pc --interval minute", 1, "kordel-export: filtered one-minute values need samples at most 1 second"},
        {"clean.pc --from 2030-01-01T00:00:00 --to 2030-01-02T00:00:00 --output none.sec", 1,
         "kordel-export: no samples between 2030-01-01T00:00:00.000Z and 2030-01-02T00:00:00.000Z\n"},
        {"missing.pc --output none.sec", 1,
         "kordel-export: Cannot read missing.pc: no such file\nkordel-export: no samples in the input\n"},
        {"--format png --output none.png clean.pc --to 2000-01-01T00:00:00", 1,
         "kordel-export: no samples between 2007-05-16T01:59:59.900Z and 2000-01-01T00:00:00.000Z\n"},
        {"year1.pc --utc-offset +01:00 --format csv", 1,
         "kordel-export: 1 sample(s) not written: the UTC offset +01:00 moves them outside the years 1 to 9999\n"},
        {"- - <clean.pc", 2, "kordel-export: standard input (-) can be read only once\n"},
        {"- --output /dev/full <clean.pc", 1, "kordel-export: Cannot write /dev/full: No space left on device\n"},
    };
    for (const auto& c : cases) {
        const Outcome r = run(dir, c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
        EXPECT_TRUE(r.err.starts_with(c.errorStart)) << c.args << "\n" << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.png")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("none.sec")));  // nothing to write, no file
    EXPECT_FALSE(std::filesystem::exists(dir.file("none.png")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("o.sec")));  // what could be read is written
}

// "-" reads standard input and writes standard output; /dev/stdout is the
// same stream (written as it is, not replaced by a renamed file).
TEST(KordelExport, StandardStreams) {
    test::ScratchDir dir;
    write(dir.file("a.pc"), kDay);
    const std::string csv =
        "time,Bx,By,Bz,F,Ts,Te\r\n2007-05-16T01:59:59.900Z,20000.00,1500.00,44000.00,48355.45,25.0,30.0\r\n"
        "2007-05-16T02:00:00.000Z,20000.01,1500.00,44000.00,48355.46,25.0,30.0\r\n";
    const std::string skipped = "kordel-export: standard input:6: error line skipped: garbage\n"
                                "kordel-export: 1 error line(s) skipped\n";
    struct Case {
        const char* args;
        std::string err;
    };
    const std::vector<Case> cases{
        {"--format csv - <a.pc", skipped},
        {"--format csv --output - - <a.pc", skipped},
        {"--format csv --output /dev/stdout - <a.pc", skipped},
        {"--format csv --output - a.pc", "kordel-export: a.pc:6: error line skipped: garbage\n"
                                         "kordel-export: 1 error line(s) skipped\n"},
    };
    for (const Case& c : cases) {
        const Outcome r = run(dir, c.args);
        EXPECT_EQ(r.status, 0) << c.args;
        EXPECT_EQ(r.out, csv) << c.args;
        EXPECT_EQ(r.err, c.err) << c.args;
    }
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) left.push_back(e.path().filename());
    EXPECT_EQ(left, std::vector<std::string>{"a.pc"});  // no file named "-", no temporary file
}

// An input's IAGA CODE names the day files only when it is a code: nothing a
// file says can put a file outside --output-dir or break a header record.
TEST(KordelExport, InputStationCodeNeverLeavesTheOutputFolder) {
    struct Case {
        std::string code;
        std::string err;
        const char* file;  // the one file in out/
    };
    const std::vector<Case> cases{
        {"nQa", "", "nqa20070515vmin.min"},
        {"../victim/x", "kordel-export: the input's IAGA CODE \"../victim/x\" is not three letters or digits: XXX used\n",
         "xxx20070515vmin.min"},
        {"/tmp", "kordel-export: the input's IAGA CODE \"/tmp\" is not three letters or digits: XXX used\n",
         "xxx20070515vmin.min"},
        {"ab\x01", "kordel-export: the input's IAGA CODE \"ab\\x01\" is not three letters or digits: XXX used\n",
         "xxx20070515vmin.min"},
    };
    for (const Case& c : cases) {
        test::ScratchDir dir;
        std::filesystem::create_directory(dir.file("victim"));
        write(dir.file("in.min"), " Format                 IAGA-2002                                    |\n"
                                  " IAGA CODE              " + c.code + "\n"
                                  " Station Name           Hill\rtop\n"
                                  "DATE       TIME         DOY     ABCX      ABCY      ABCZ      ABCF   |\n"
                                  "2007-05-15 00:00:00.000 135     20000.00   1500.00  44000.00  48355.45\n"
                                  "2007-05-15 00:01:00.000 135     20000.00   1500.00  44000.00  48355.45\n");
        const Outcome r = run(dir, "--output-dir out in.min");
        EXPECT_EQ(r.status, 0) << c.code;
        EXPECT_EQ(r.err, c.err) << c.code;
        std::vector<std::string> made;
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path())) made.push_back(e.path().lexically_relative(dir.path()));
        std::sort(made.begin(), made.end());
        EXPECT_EQ(made, (std::vector<std::string>{"in.min", "out", std::string("out/") + c.file, "victim"})) << c.code;
        EXPECT_NE(fileBytes(dir.file(std::string("out/") + c.file)).find("\r\n Station Name           Hill top "),
                  std::string::npos) << c.code;
    }
}

// Pictures are drawn without a display (the tool picks the off-screen platform itself).
TEST(KordelExport, PicturesInEachFormat) {
    test::ScratchDir dir;
    write(dir.file("clean.pc"), std::string(kDay).substr(0, std::string(kDay).find("garbage")));
    struct Case {
        const char* args;
        const char* file;
        std::string signature;  // at the start of the file
    };
    const std::vector<Case> cases{
        {"--format png --size 640x480 --output p.png", "p.png", std::string("\x89PNG\r\n\x1a\n", 8)},
        {"--format PNG --output q.png", "q.png", std::string("\x89PNG\r\n\x1a\n", 8)},
        {"--format svg --output p.svg", "p.svg", "<?xml"},
        {"--format pdf --output p.pdf", "p.pdf", "%PDF-"},
    };
    for (const auto& c : cases) {
        // Nothing on standard error: cron mails whatever a job prints there.
        const Outcome r = run(dir, std::string("--station-code abc ") + c.args + " clean.pc",
                              "env -u QT_QPA_PLATFORM -u XDG_RUNTIME_DIR");
        EXPECT_EQ(r.status, 0) << c.args;
        EXPECT_EQ(r.err, "") << c.args;
        const std::string bytes = fileBytes(dir.file(c.file));
        EXPECT_TRUE(bytes.starts_with(c.signature)) << c.args;
        EXPECT_GT(bytes.size(), 1000u) << c.args;
    }
    EXPECT_NE(fileBytes(dir.file("p.svg")).find("<svg"), std::string::npos);
    // The PNG header's width and height, big-endian at bytes 16 and 20.
    const std::string png = fileBytes(dir.file("p.png")), wide = fileBytes(dir.file("q.png"));
    const auto at = [](const std::string& b, int i) {
        return (static_cast<unsigned char>(b[i]) << 24) | (static_cast<unsigned char>(b[i + 1]) << 16) |
               (static_cast<unsigned char>(b[i + 2]) << 8) | static_cast<unsigned char>(b[i + 3]);
    };
    ASSERT_GT(wide.size(), 24u);
    EXPECT_EQ(at(png, 16), 640);
    EXPECT_EQ(at(png, 20), 480);
    EXPECT_EQ(at(wide, 16), 1200);
    EXPECT_EQ(at(wide, 20), 900);
}

// An hour at 1 Hz (12:00:00–12:59:59 of 16 May 2007), 20000.00 1500.00 44000.00 throughout.
std::string hourAtOneHertz() {
    std::string text = "h1\r\nh2\r\nh3\r\n";
    char line[80];
    for (int s = 0; s < 3600; ++s) {
        std::snprintf(line, sizeof line, "2007 05 16 12 %02d %02d.00 20000.00  1500.00 44000.00  25.0  30.0\r\n",
                      s / 60, s % 60);
        text += line;
    }
    return text;
}

TEST(KordelExport, StandardValuesNamedStampedAndLabelled) {
    test::ScratchDir dir;
    write(dir.file("a.pc"), hourAtOneHertz());
    struct Case {
        const char* args;
        const char* file;
        const char* intervalType;  // the header's "Data Interval Type"
        const char* record;        // one data record of the file
    };
    const std::vector<Case> cases{
        {"--interval second", "abc20070516vsec.sec", "1-second",
         "2007-05-16 12:00:00.000 136     20000.00   1500.00  44000.00  48355.45"},
        // The first minute lacks the 45 s before it.
        {"--interval minute", "abc20070516vmin.min", "filtered 1-minute (00:15-01:45)",
         "2007-05-16 12:00:00.000 136     99999.00  99999.00  99999.00  99999.00"},
        {"--interval minute", "abc20070516vmin.min", "filtered 1-minute (00:15-01:45)",
         "2007-05-16 12:01:00.000 136     20000.00   1500.00  44000.00  48355.45"},
        {"--interval minute --filter mean", "abc20070516vmin.min", "average 1-minute (00:00-00:59)",
         "2007-05-16 12:00:00.000 136     20000.00   1500.00  44000.00  48355.45"},
        {"--interval hour", "abc20070516vhor.hor", "1-hour (00-59)",
         "2007-05-16 12:29:30.000 136     20000.00   1500.00  44000.00  48355.45"},
        {"--interval day", "abc200705vday.day", "1-day (00:00-23:59)",  // 59 of 1440 minutes
         "2007-05-16 11:59:30.000 136     99999.00  99999.00  99999.00  99999.00"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(dir.file("out"));
        const Outcome r = run(dir, std::string("--station-code abc --output-dir out ") + c.args + " a.pc");
        EXPECT_EQ(r.status, 0) << c.args << "\n" << r.err;
        const std::string text = fileBytes(dir.file(std::string("out/") + c.file));
        EXPECT_NE(text.find(" Digital Sampling       1 second "), std::string::npos) << c.args;
        EXPECT_NE(text.find(std::string(" Data Interval Type     ") + c.intervalType + " "), std::string::npos) << c.args;
        EXPECT_NE(text.find(std::string("\r\n") + c.record + "\r\n"), std::string::npos) << c.args;
    }
}

TEST(KordelExport, IntervalValuesOnlyForDaysThatHoldSamples) {
    // Two lines a year apart: two day files of 86,400 seconds, nothing between.
    test::ScratchDir dir;
    write(dir.file("a.pc"), "h1\r\nh2\r\nh3\r\n"
                            "2007 05 16 02 00 00.00 20000.00  1500.00 44000.00  25.0  30.0\r\n"
                            "2008 05 16 02 00 00.00 20000.01  1500.00 44000.00  25.0  30.0\r\n");
    const Outcome r = run(dir, "--station-code abc --interval second --output-dir out a.pc");
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(dir.file("out"))) files.push_back(e.path().filename());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"abc20070516vsec.sec", "abc20080516vsec.sec"}));
    const std::string second = fileBytes(dir.file("out/abc20080516vsec.sec"));
    std::size_t records = 0;
    for (std::size_t at = second.find("\n2008-05-16 "); at != std::string::npos; at = second.find("\n2008-05-16 ", at + 1)) {
        ++records;
    }
    EXPECT_EQ(records, 86400u);
    EXPECT_NE(second.find("\r\n2008-05-16 02:00:00.000 137     20000.01   1500.00  44000.00  48355.46\r\n"),
              std::string::npos);
}

TEST(KordelExport, HelpListsEveryOption) {
    test::ScratchDir dir;
    const Outcome r = run(dir, "--help");
    EXPECT_EQ(r.status, 0);
    for (const char* option : {"--format", "--output <", "--output-dir", "--interval", "--from", "--to ", "--utc-offset",
                               "--filter", "--station-code", "--station-name", "--source", "--latitude", "--longitude",
                               "--elevation", "--size", "--help"}) {
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
    }
}

}  // namespace
}  // namespace kordel

namespace kordel {
namespace {

// Twenty minutes at 1 Hz with a little noise, a 30 nT spike on Bx at
// 02:10:00 and a sensor temperature that climbs each minute.
std::string twentyMinutesWithASpike() {
    std::string text = "h1\r\nh2\r\nh3\r\n";
    char line[96];
    for (int i = 0; i < 1200; ++i) {
        const double noise = ((i * 7919) % 21 - 10) * 0.01;
        const double bx = 20000 + noise + (i == 600 ? 30 : 0);
        std::snprintf(line, sizeof line, "2007 05 16 %02d %02d %02d.00 %8.2f %8.2f %8.2f %5.1f  30.0\r\n", 2 + i / 3600,
                      i / 60 % 60, i % 60, bx, 1500 - noise, 44000 + noise, 20 + (i % 60) * 0.1);
        text += line;
    }
    return text;
}

TEST(KordelExport, SpikeFlagsBesideTheDataAndTheLevels) {
    test::ScratchDir dir;
    write(dir.file("a.pc"), twentyMinutesWithASpike());
    const std::string spikeFlag = "2007-05-16T02:10:00.000 2007-05-16T02:10:00.000 Bx spike auto ";
    for (const char* replaced : {"0", "1"}) {
        const Outcome r = run(dir, "--flag-spikes a.pc", "USER=anna");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, std::string("./kordel-flags.txt: 1 spike and 0 step flags (") + replaced +
                             " earlier automatic flags replaced)\n");
    }
    const std::string flags = fileBytes(dir.file("kordel-flags.txt"));
    EXPECT_NE(flags.find("\n" + spikeFlag), std::string::npos);
    EXPECT_EQ(flags.find(spikeFlag), flags.rfind(spikeFlag));  // the second run replaced the first's flag
    EXPECT_NE(flags.find(" anna kordel-export --flag-spikes: 1 spike and 0 step flags from 2007-05-16T02:00:00.000 to "
                         "2007-05-16T02:19:59.000, 1 earlier automatic flags replaced\n"),
              std::string::npos);
    EXPECT_EQ(fileBytes(dir.file("a.pc")), twentyMinutesWithASpike());  // the recording untouched

    const std::string span = "--format csv --from 2007-05-16T02:09:59 --to 2007-05-16T02:10:01 a.pc";
    const struct {
        const char* args;
        int status;
        const char* out;
        const char* err;
    } cases[] = {
        {"--level raw", 0, "2007-05-16T02:10:00.000Z,20029.93,1500.07,43999.93,48367.78,20.0,30.0\r\n", ""},
        {"", 0, "2007-05-16T02:10:00.000Z,,1500.07,43999.93,,20.0,30.0\r\n", ""},
        {"--level corrected", 1, "",
         "kordel-export: no temperature correction is stored for these inputs: run kordel-export "
         "--estimate-temperature, or give --temperature-coefficients BX,BY,BZ\n"},
        {"--temperature-coefficients 0.5,0,0", 0, "2007-05-16T02:10:00.000Z,,1500.07,43999.93,,20.0,30.0\r\n", ""},
        {"--level cleaned --temperature-coefficients 0.5,0,0", 2, "", nullptr},
    };
    for (const auto& c : cases) {
        const Outcome r = run(dir, std::string(c.args) + " " + span);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
        if (c.status == 0) {
            EXPECT_TRUE(r.out.ends_with(c.out)) << c.args << "\n" << r.out;
        }
        if (c.err) {
            EXPECT_EQ(r.err, c.err) << c.args;
        }
    }
    const Outcome corrected = run(dir, "--temperature-coefficients 0.5,0,0 --from 2007-05-16T02:10:30 --to "
                                       "2007-05-16T02:10:31 a.pc");
    EXPECT_NE(corrected.out.find(
                  " # Data level corrected: samples under spike or remove flags left    |\r\n"
                  " # out, written as 99999.00 (1 in the inputs). Temperature           |\r\n"
                  " # correction taken off: Bx 0.500 nT/C x (Ts - 22.9 C); By 0.000     |\r\n"),
              std::string::npos)
        << corrected.out;
    // 02:10:30: Bx 19999.90 at Ts 23.0 °C, 0.05 above the mean Ts (22.95): 0.025 nT taken off.
    EXPECT_TRUE(corrected.out.ends_with("2007-05-16 02:10:30.000 136     19999.88   1500.10  43999.90  48355.32\r\n"))
        << corrected.out;

    const Outcome estimate = run(dir, "--estimate-temperature a.pc");
    EXPECT_EQ(estimate.status, 1);
    EXPECT_EQ(estimate.err,
              "kordel-export: the temperature correction needs at least 3 days with temperatures and field, each "
              "with recorded days on either side; these inputs give 0\n");
}

}  // namespace
}  // namespace kordel
