// IAGA-2002 records as written and as read, including a file written by hand
// after the format's published sample.

#include <gtest/gtest.h>

#include <cmath>

#include "app/fixedformats.h"
#include "exchange/iaga2002.h"
#include "exchange/iagareader.h"

namespace kordel {
namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t end = text.find("\r\n", pos);
        EXPECT_NE(end, std::string::npos) << "record without CR LF";
        if (end == std::string::npos) break;
        out.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return out;
}

std::int64_t ms(int y, int mo, int d, int h, int mi, int s, int milli = 0) {
    return static_cast<std::int64_t>(toDateNumber(y, mo, d)) * 86'400'000 + ((h * 60LL + mi) * 60 + s) * 1000 + milli;
}

TEST(Iaga2002, HeaderRecordsAreSeventyCharactersEndingInABar) {
    IagaFileHeader h;
    h.station = {"Institute of a very long name that does not fit into forty-four characters", "Hilltop", "HLT",
                 "48.150", "11.580", "520"};
    h.digitalSampling = "0.1 second";
    h.dataIntervalType = "average 1-minute (00:00-01:00)";
    h.comments = {"short", std::string(150, 'x'), "a comment of several words that goes on past the sixty-five "
                                                  "characters one record holds, so it wraps at a space"};
    const auto records = lines(iagaHeaderBlock(h));
    ASSERT_EQ(records.size(), 12u + 1 + 3 + 2 + 1);
    for (const auto& r : records) {
        EXPECT_EQ(r.size(), 70u) << r;
        EXPECT_EQ(r.back(), '|') << r;
    }
    EXPECT_EQ(records[0], " Format                 IAGA-2002                                    |");
    EXPECT_EQ(records[1], " Source of Data         Institute of a very long name that does not  |");
    EXPECT_EQ(records[3], " IAGA CODE              HLT                                          |");
    EXPECT_EQ(records[10], " Data Interval Type     average 1-minute (00:00-01:00)               |");
    EXPECT_EQ(records[11], " Data Type              variation                                    |");
    EXPECT_EQ(records[12], " # short                                                             |");
    EXPECT_EQ(records[16], " # a comment of several words that goes on past the sixty-five       |");
    EXPECT_EQ(records[17], " # characters one record holds, so it wraps at a space               |");
    EXPECT_EQ(records.back(), "DATE       TIME         DOY     HLTX      HLTY      HLTZ      HLTF   |");
}

TEST(Iaga2002, DataRecordsHaveTheirColumns) {
    struct Case {
        std::int64_t t;
        std::array<double, 4> v;
        const char* record;
    };
    const double nan = std::nan("");
    const std::vector<Case> cases{
        {ms(2007, 5, 15, 12, 30, 0), {20000.0, 1500.0, 44000.0, 48355.45},
         "2007-05-15 12:30:00.000 135     20000.00   1500.00  44000.00  48355.45"},
        {ms(2008, 12, 31, 23, 59, 59, 900), {-62.5, 62.5, -6250.0, nan},
         "2008-12-31 23:59:59.900 366       -62.50     62.50  -6250.00  99999.00"},
        {ms(2007, 1, 1, 0, 0, 0, 5), {-99999.99, 123456.0, 0.004, -0.005},
         "2007-01-01 00:00:00.005 001     99999.00  99999.00      0.00     -0.01"},
        {ms(2007, 1, 1, 0, 0, 0, 5), {-88888.0, 88887.99, 88888.0, -88887.994},
         "2007-01-01 00:00:00.005 001     99999.00  88887.99  99999.00 -88887.99"},
    };
    for (const auto& c : cases) {
        std::string out;
        appendIagaDataRecord(out, c.t, c.v);
        EXPECT_EQ(out, std::string(c.record) + "\r\n");
    }
}

// Written by hand in the layout of the format's published sample: an HDZF
// observatory file with D in minutes of arc, comments, a "not observed" and a
// missing value, LF line ends and a blank line at the end.
constexpr const char* kHandWritten =
    " Format                 IAGA-2002                                    |\n"
    " Source of Data         Geophysical Survey of Somewhere              |\n"
    " Station Name           Hilltop                                      |\n"
    " IAGA CODE              HLT                                          |\n"
    " Geodetic Latitude      48.150                                       |\n"
    " Geodetic Longitude     11.580                                       |\n"
    " Elevation              520                                          |\n"
    " Reported               HDZF                                         |\n"
    " Sensor Orientation     HDZ                                          |\n"
    " Digital Sampling       0.2 seconds                                  |\n"
    " Data Interval Type     Filtered 1-minute (00:15-01:45)              |\n"
    " Data Type              Provisional                                  |\n"
    " # D is given in minutes of arc.                                     |\n"
    " # Missing values are 99999.00, elements not observed 88888.00.      |\n"
    "DATE       TIME         DOY     HLTH      HLTD      HLTZ      HLTF   |\n"
    "2007-05-15 00:00:00.000 135     21034.50    143.25  43761.10  48555.30\n"
    "2007-05-15 00:01:00.000 135     21034.70   -143.26  43761.00  88888.00\n"
    "2007-05-15 00:02:00.000 135     99999.00    143.27  43760.90  48555.10\n"
    "2007-05-15 00:03:00.000 135     21035.00    143.28  43760.80  48555.00\n"
    "\n";

TEST(Iaga2002Reader, ReadsAHandWrittenFileAfterThePublishedSample) {
    const IagaReadResult r = parseIaga2002(kHandWritten, "hlt20070515pmin.min");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.elements, "HDZF");
    EXPECT_EQ(r.station.code, "HLT");
    EXPECT_EQ(r.station.name, "Hilltop");
    EXPECT_EQ(r.station.latitude, "48.150");
    EXPECT_EQ(r.errorLineCount, 0u);
    ASSERT_EQ(r.record.channelCount(), 4u);
    EXPECT_EQ(r.record.channel(1).name, "D");
    EXPECT_EQ(r.record.channel(1).unit, "arcmin");
    EXPECT_EQ(r.record.channel(0).unit, "nT");
    const std::int32_t M = Record::kMissing;
    const std::vector<std::array<std::int32_t, 4>> expected{{2103450, 14325, 4376110, 4855530},
                                                            {2103470, -14326, 4376100, M},
                                                            {M, 14327, 4376090, 4855510},
                                                            {2103500, 14328, 4376080, 4855500}};
    ASSERT_EQ(r.record.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(r.record.timeMs(i), ms(2007, 5, 15, 0, static_cast<int>(i), 0));
        for (std::size_t c = 0; c < 4; ++c) EXPECT_EQ(r.record.column(c)[i], expected[i][c]) << i << "," << c;
    }
}

TEST(Iaga2002Reader, RecognisesTheFormatByItsFirstRecordAndSkipsBadRecords) {
    EXPECT_TRUE(looksLikeIaga2002(" Format                 IAGA-2002                                    |"));
    EXPECT_TRUE(looksLikeIaga2002(" FORMAT                 iaga-2002 |"));
    EXPECT_FALSE(looksLikeIaga2002("2007 05 15 12 30 00.00 1 2 3 4 5"));
    EXPECT_FALSE(looksLikeIaga2002(" Format                 IAGA-1999                                    |"));
    EXPECT_FALSE(parseIaga2002("2007 05 15 12 30 00.00 1 2 3 4 5\n", "x.pc").ok);

    std::string text = kHandWritten;
    text += "2007-05-15 00:04:00.000 135     21035.00    143.28  bad      48555.00\n";
    text += "2007-02-30 00:05:00.000 061     21035.00    143.28  43760.80  48555.00\n";
    const IagaReadResult r = parseIaga2002(text, "f");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.record.size(), 4u);
    EXPECT_EQ(r.errorLineCount, 2u);
    ASSERT_EQ(r.errorLines.size(), 2u);
    EXPECT_EQ(r.errorLines[0].lineNumber, 21);
}

}  // namespace
}  // namespace kordel
