// A record exported: read back, CSV bytes, means at their boundaries, UT days.

#include <gtest/gtest.h>

#include "app/fixedformats.h"
#include "exchange/csvwriter.h"
#include "exchange/exportarguments.h"
#include "exchange/iagareader.h"
#include "exchange/textexport.h"
#include "record/totalfield.h"

namespace kordel {
namespace {

constexpr std::int32_t M = Record::kMissing;

std::int64_t ms(int d, int h, int mi, int s, int milli = 0) {
    return static_cast<std::int64_t>(toDateNumber(2007, 5, d)) * 86'400'000 + ((h * 60LL + mi) * 60 + s) * 1000 + milli;
}

Record dataRecord(const std::vector<std::pair<std::int64_t, std::array<std::int32_t, 5>>>& samples) {
    Record r(Record::dataFileChannels());
    for (const auto& [t, v] : samples) r.append(t, v);
    r.finish();
    return r;
}

std::string written(const TextExport& ex, const ExportPart& part) {
    std::string out;
    EXPECT_TRUE(ex.write(part, [&](std::string_view b) {
        out += b;
        return IoStatus{};
    }));
    return out;
}

TEST(TextExport, IagaExportReadsBackWithTheSameValues) {
    const Record source = dataRecord({{ms(15, 12, 0, 0, 0), {2000012, 150034, 4400056, 251, 302}},
                                      {ms(15, 12, 0, 0, 100), {-6250, 6250, -625000, 550, 400}},
                                      {ms(15, 12, 0, 0, 200), {M, 150000, 4400000, 250, 300}},
                                      {ms(15, 12, 0, 0, 300), {5000000, -5000000, 1, 250, 300}}});
    ExportSettings s;
    s.station.code = "ABC";
    const TextExport ex(source, "", s);
    const IagaReadResult back = parseIaga2002(written(ex, ex.whole()), "round trip");
    ASSERT_TRUE(back.ok) << back.error;
    EXPECT_EQ(back.elements, "XYZF");
    ASSERT_EQ(back.record.size(), source.size());
    for (std::size_t i = 0; i < source.size(); ++i) {
        EXPECT_EQ(back.record.timeMs(i), source.timeMs(i));
        for (std::size_t c = 0; c < 3; ++c) EXPECT_EQ(back.record.column(c)[i], source.column(c)[i]) << i;
        EXPECT_EQ(back.record.column(3)[i], totalFieldRaw(source, i, 0, 1, 2)) << i;
    }
}

TEST(TextExport, CsvHasTheHeaderTimesAndDecimalsOfTheSource) {
    const Record source = dataRecord({{ms(15, 12, 30, 0), {-6250, 6250, -625000, 550, 400}},
                                      {ms(15, 12, 30, 0, 100), {M, 150000, 4400000, 250, M}}});
    ExportSettings s;
    s.format = ExportFormat::Csv;
    const TextExport ex(source, "", s);
    EXPECT_EQ(written(ex, ex.whole()),
              "time,Bx,By,Bz,F,Ts,Te\r\n"
              "2007-05-15T12:30:00.000Z,-62.50,62.50,-6250.00,6250.62,55.0,40.0\r\n"
              "2007-05-15T12:30:00.100Z,,1500.00,44000.00,,25.0,\r\n");
    EXPECT_EQ(csvField("a,b"), "\"a,b\"");
    EXPECT_EQ(csvField("say \"x\""), "\"say \"\"x\"\"\"");
}

TEST(TextExport, UtcOffsetAcrossMidnightMakesTwoUtDays) {
    // The clock runs two hours ahead of UT: its 01:00 and 03:00 on 16 May are
    // 23:00 on 15 May and 01:00 on 16 May UT.
    const Record source = dataRecord({{ms(16, 1, 0, 0), {100, 200, 300, 10, 20}},
                                      {ms(16, 1, 0, 1), {100, 200, 300, 10, 20}},
                                      {ms(16, 1, 0, 2), {100, 200, 300, 10, 20}},
                                      {ms(16, 3, 0, 0), {101, 200, 300, 10, 20}},
                                      {ms(16, 3, 0, 1), {101, 200, 300, 10, 20}}});
    ExportSettings s;
    s.station.code = "ABC";
    s.utcOffsetMs = *parseUtcOffset("+02:00");
    const TextExport ex(source, "", s);
    const auto days = ex.days();
    ASSERT_EQ(days.size(), 2u);
    EXPECT_EQ(days[0].fileName, "abc20070515vsec.sec");
    EXPECT_EQ(days[1].fileName, "abc20070516vsec.sec");
    EXPECT_NE(written(ex, days[0]).find("\r\n2007-05-15 23:00:02.000 135 "), std::string::npos);
    EXPECT_NE(written(ex, days[1]).find("\r\n2007-05-16 01:00:00.000 136 "), std::string::npos);
    EXPECT_NE(written(ex, days[1]).find(" # Instrument clock offset from UT +02:00 applied: times are UT."),
              std::string::npos);

    s.interval = ExportInterval::Minute;
    s.format = ExportFormat::Csv;
    const auto minuteDays = TextExport(source, "", s).days();
    ASSERT_EQ(minuteDays.size(), 2u);
    EXPECT_EQ(minuteDays[1].fileName, "abc20070516vmin.csv");
}

TEST(ExportArguments, TimesOffsetsAndSizes) {
    EXPECT_EQ(parseIsoUtc("2007-05-15T12:00:00"), ms(15, 12, 0, 0));
    EXPECT_EQ(parseIsoUtc("2007-05-15T12:00:00.250Z"), ms(15, 12, 0, 0, 250));
    EXPECT_EQ(parseIsoUtc("2007-05-15"), ms(15, 0, 0, 0));
    for (const char* bad : {"2007-05-15 12:00:00", "2007-02-30", "2007-05-15T24:00:00", "2007-05-15T12:00:60",
                            "15/05/2007", "2007-05-15T12:00:0x", ""}) {
        EXPECT_FALSE(parseIsoUtc(bad).has_value()) << bad;
    }
    EXPECT_EQ(parseUtcOffset("+02:00"), 7'200'000);
    EXPECT_EQ(parseUtcOffset("-05:30"), -19'800'000);
    EXPECT_EQ(parseUtcOffset("00:00"), 0);
    for (const char* bad : {"+2:00", "+24:00", "+02:60", "2", ""}) EXPECT_FALSE(parseUtcOffset(bad)) << bad;
    EXPECT_EQ(parsePictureSize("1200x900"), (std::pair{1200, 900}));
    for (const char* bad : {"1200", "x900", "0x5", "1200x", "99999x2"}) EXPECT_FALSE(parsePictureSize(bad)) << bad;
}

}  // namespace
}  // namespace kordel
