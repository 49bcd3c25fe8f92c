// The flag file and the correction file: exact bytes, a faithful round trip,
// lines that cannot be read, and where they go when the data folder is closed.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "../files/scratchdir.h"
#include "exchange/exportarguments.h"
#include "processing/flags.h"
#include "processing/sidecarfile.h"
#include "processing/temperaturecorrection.h"

namespace kordel {
namespace {

std::int64_t at(const char* iso) { return *parseIsoUtc(iso); }

using test::fileBytes;

FlagSet sampleSet() {
    FlagSet set;
    set.add({{at("2023-03-15T10:00:00.100"), at("2023-03-15T10:00:00.300"), {"Bx", "Bz"}, FlagKind::Spike, "auto",
              at("2023-03-16T08:00:00Z"), "Hampel fence"},
             {at("2023-03-15T09:00:00"), at("2023-03-15T09:30:00"), {"By"}, FlagKind::Remove, "anna",
              at("2023-03-16T08:05:00Z"), "car parked by the hut"}},
            "auto", at("2023-03-16T08:05:00Z"), "added 1 spike, 1 remove");
    set.add({{at("2023-03-15T12:00:00"), at("2023-03-15T12:00:00.100"), {"Bx"}, FlagKind::Keep, "anna",
              at("2023-03-16T09:00:00Z"), ""}},
            "anna", at("2023-03-16T09:00:00Z"), "kept a real jump");
    return set;
}

constexpr const char* kSampleBytes =
    "# Kordel-K5 flags of the data files in this folder; the data files are never changed.\n"
    "# START END COMPONENTS KIND(spike|step|remove|keep) SOURCE SET COMMENT: times of the recording's clock,\n"
    "# both inclusive; SET and the edit log's times are UT. Lines \"edit WHEN WHO WHAT\" are the edit log.\n"
    "2023-03-15T09:00:00.000 2023-03-15T09:30:00.000 By remove anna 2023-03-16T08:05:00.000Z car parked by the hut\n"
    "2023-03-15T10:00:00.100 2023-03-15T10:00:00.300 Bx,Bz spike auto 2023-03-16T08:00:00.000Z Hampel fence\n"
    "2023-03-15T12:00:00.000 2023-03-15T12:00:00.100 Bx keep anna 2023-03-16T09:00:00.000Z \n"
    "edit 2023-03-16T08:05:00.000Z auto added 1 spike, 1 remove\n"
    "edit 2023-03-16T09:00:00.000Z anna kept a real jump\n";

TEST(FlagFile, WrittenBytesReadBackUnchanged) {
    test::ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    const std::string path = dir.file("kordel-flags.txt");
    const FlagSet set = sampleSet();
    ASSERT_TRUE(writeFlagFile(path, set).ok());
    EXPECT_EQ(fileBytes(path), kSampleBytes);
    FlagParseResult read;
    ASSERT_TRUE(readFlagFile(path, read).ok());
    EXPECT_TRUE(read.problems.empty());
    EXPECT_EQ(read.set.flags, set.flags);
    EXPECT_EQ(read.set.log, set.log);
    ASSERT_TRUE(writeFlagFile(path, read.set).ok());
    EXPECT_EQ(fileBytes(path), kSampleBytes);
    // Nothing else is left in the folder (the temporary file was renamed).
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
    EXPECT_EQ(files, 1u);
}

TEST(FlagFile, NamesAndCommentsStayInTheirFields) {
    FlagSet set;
    set.add({{0, 0, {"Bx"}, FlagKind::Remove, "jo ann\t", 0, "two\nlines"}}, "jo ann", 0, "a\rb");
    const FlagParseResult read = parseFlagFile(formatFlagFile(set));
    ASSERT_EQ(read.set.flags.size(), 1u);
    EXPECT_EQ(read.set.flags[0].source, "jo_ann_");
    EXPECT_EQ(read.set.flags[0].comment, "two lines");
    ASSERT_EQ(read.set.log.size(), 1u);
    EXPECT_EQ(read.set.log[0].who, "jo_ann");
    EXPECT_EQ(read.set.log[0].what, "a b");
}

TEST(FlagFile, LinesThatCannotBeReadAreReportedAndTheOthersKept) {
    const struct {
        const char* line;
        const char* problem;  // empty: read
    } rows[] = {
        {"2023-03-15T10:00:00.000 2023-03-15T10:00:01.000 Bx spike auto 2023-03-16T08:00:00.000Z", ""},
        {"2023-03-15T10:00:02.000 2023-03-15T10:00:01.000 Bx spike auto 2023-03-16T08:00:00.000Z",
         "start and end must be times of the recording's clock, the end not before the start"},
        {"2023-03-15T10:00:00.000Z 2023-03-15T10:00:01.000 Bx spike auto 2023-03-16T08:00:00.000Z",
         "start and end must be times of the recording's clock, the end not before the start"},
        {"2023-03-15T10:00:00.000 2023-03-15T10:00:01.000 Bx blip auto 2023-03-16T08:00:00.000Z",
         "the kind must be spike, step, remove or keep"},
        {"2023-03-15T10:00:00.000 2023-03-15T10:00:01.000 Bx spike auto 2023-03-16T08:00:00.000",
         "components, source and a UT time set are needed"},
        {"2023-03-15T10:00:00.000 2023-03-15T10:00:01.000 Bx spike",
         "a flag needs start, end, components, kind, source and the time it was set"},
        {"edit 2023-03-16T08:00:00.000Z", "an edit line needs a UT time and a name"},
        {"edit yesterday anna removed", "an edit line needs a UT time and a name"},
        {"\xff\xfe garbage", "a flag needs start, end, components, kind, source and the time it was set"},
    };
    std::string text = "# comment\n\n";
    for (const auto& r : rows) text += std::string(r.line) + "\r\n";
    const FlagParseResult read = parseFlagFile(text);
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        if (*rows[i].problem) expected.push_back("line " + std::to_string(i + 3) + ": " + rows[i].problem);
    }
    EXPECT_EQ(read.problems, expected);
    EXPECT_EQ(read.set.flags.size(), 1u);
    // Written again, the lines not read are kept as they were (a control byte
    // aside), and read again they are the same problems.
    const std::string written = formatFlagFile(read.set);
    std::string kept = "# Lines that could not be read, kept as they were:\n";
    for (const auto& r : rows) {
        if (*r.problem) kept += std::string(r.line) + "\n";
    }
    EXPECT_TRUE(written.ends_with(kept)) << written;
    const FlagParseResult again = parseFlagFile(written);
    EXPECT_EQ(again.set.unread, read.set.unread);
    EXPECT_EQ(again.problems.size(), expected.size());
    EXPECT_EQ(formatFlagFile(again.set), written);
}

TEST(SidecarFile, AClosedDataFolderKeepsItsFilesInTheUserFolderUnderItsPath) {
    const struct {
        std::string folder;
        std::string key;
    } rows[] = {
        {"/data/station 1", "%2Fdata%2Fstation 1"},
        {"/a%b/c", "%2Fa%25b%2Fc"},
        {"/x\ny", "%2Fx%0Ay"},
    };
    for (const auto& r : rows) EXPECT_EQ(folderKey(r.folder), r.key);
    const std::string longPath = "/" + std::string(400, 'd');
    const std::string key = folderKey(longPath);
    EXPECT_EQ(key.size(), 255u);
    EXPECT_NE(key, folderKey("/" + std::string(401, 'd')));

    test::ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    const SidecarPlace writable = sidecarPlace(dir.path().string(), kFlagFileName, "/home/u/.local/share/kordel");
    EXPECT_EQ(writable.path, dir.file("kordel-flags.txt"));
    EXPECT_FALSE(writable.fallback);
    // A folder that cannot take a file (here: not there at all).
    const std::string gone = dir.file("gone");
    const SidecarPlace closed = sidecarPlace(gone, kFlagFileName, dir.file("user"));
    EXPECT_TRUE(closed.fallback);
    EXPECT_EQ(closed.path, dir.file("user") + "/" + folderKey(gone) + "/kordel-flags.txt");
    ASSERT_TRUE(writeFlagFile(closed.path, sampleSet()).ok());
    EXPECT_EQ(fileBytes(closed.path), kSampleBytes);
}

TEST(TemperatureFile, WrittenBytesReadBackUnchanged) {
    TemperatureCorrection corr;
    corr.estimatedMs = at("2023-04-20T06:00:00Z");
    corr.days = {45'000, 45'001, 45'003};
    corr.components = {{"Bx", 0.3012, 0.0041, 14.87}, {"By", -0.0035, 0.002, 14.87, true, 0.0521, 0.011, 24.5},
                       {"Bz", 0.01, 0.003, 14.87}};
    const std::string bytes = formatTemperatureFile(corr);
    EXPECT_EQ(bytes,
              "# Kordel-K5 temperature correction of the field components: B - c * (T - reference).\n"
              "# COMPONENT TEMPERATURE COEFFICIENT(nT/degC) STANDARD-ERROR(nT/degC) REFERENCE(degC)\n"
              "estimated 2023-04-20T06:00:00.000Z auto\n"
              "days 2023-03-15 2023-03-16 2023-03-18\n"
              "Bx Ts 0.3012 0.0041 14.87\n"
              "By Ts -0.0035 0.0020 14.87\n"
              "By Te 0.0521 0.0110 24.50\n"
              "Bz Ts 0.0100 0.0030 14.87\n");
    std::string problem;
    const auto read = parseTemperatureFile(bytes, problem);
    ASSERT_TRUE(read) << problem;
    EXPECT_EQ(*read, corr);
    const struct {
        const char* text;
        const char* problem;
    } bad[] = {
        {"", "no coefficients"},
        {"Bx Ts 0.3\n", "line 1: expected COMPONENT (Bx, By, Bz) Ts|Te COEFFICIENT ERROR REFERENCE"},
        {"Bq Ts 0.3 0.1 15\n", "line 1: expected COMPONENT (Bx, By, Bz) Ts|Te COEFFICIENT ERROR REFERENCE"},
        {"Bx Te 0.3 0.1 15\n", "line 1: Te must follow its component's Ts line"},
        {"Bx Ts 0.3 0.1 15\nBx Ts 0.3 0.1 15\n", "line 2: Bx Ts given twice"},
        {"days 15/03/2023\n", "line 1: a day must be written as 2007-05-15"},
        {"   \nestimated now\n", "line 2: \"estimated\" needs a UT time and a source"},
    };
    for (const auto& b : bad) {
        std::string why;
        EXPECT_FALSE(parseTemperatureFile(b.text, why));
        EXPECT_EQ(why, b.problem);
    }
}

}  // namespace
}  // namespace kordel
