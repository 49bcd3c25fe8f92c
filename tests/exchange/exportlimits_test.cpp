// What an export must not write: values a reader takes for the format's
// markers, header text that breaks its records, years of five digits or none,
// and files with nothing in them.

#include <gtest/gtest.h>

#include "app/fixedformats.h"
#include "exchange/exportarguments.h"
#include "exchange/iaga2002.h"
#include "exchange/iagareader.h"
#include "exchange/textexport.h"

namespace kordel {
namespace {

constexpr std::int32_t M = Record::kMissing;

std::int64_t at(int y, int mo, int d, int h, int mi) {
    return static_cast<std::int64_t>(toDateNumber(y, mo, d)) * Record::kMsPerDay + (h * 60LL + mi) * 60'000;
}

std::string textOf(const IagaFileHeader& h, const Record& r) {
    std::string out;
    EXPECT_TRUE(writeIaga2002(h, r, 0, r.size(), {0, 1, 2, 3}, [&](std::string_view b) {
        out += b;
        return IoStatus{};
    }));
    return out;
}

TEST(IagaLimits, MarkerValuesAreWrittenAsMissingAndCounted) {
    Record r({{"X", "nT", 2}, {"Y", "nT", 2}, {"Z", "nT", 2}, {"F", "nT", 2}});
    const std::array<std::int32_t, 4> first{8888799, -8888799, 8888800, -8888800};
    const std::array<std::int32_t, 4> second{9999999, -9999999, 9999900, M};
    r.append(at(2007, 5, 15, 0, 0), first);
    r.append(at(2007, 5, 15, 0, 1), second);
    r.finish();
    IagaFileHeader h;
    h.station.code = "ABC";
    h.station.name = "Hill\r\nDATE       TIME";  // a header that tries to start data records
    const std::string text = textOf(h, r);
    EXPECT_NE(text.find("\r\n Station Name           Hill  DATE       TIME                        |\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("\r\n # 5 value(s) of magnitude 88888 or more written as 99999.00         |\r\n"
                        " # (missing): the format keeps such values for its markers.          |\r\n"),
              std::string::npos);
    EXPECT_TRUE(text.ends_with("2007-05-15 00:00:00.000 135     88887.99 -88887.99  99999.00  99999.00\r\n"
                               "2007-05-15 00:01:00.000 135     99999.00  99999.00  99999.00  99999.00\r\n"));
    // Read back, every value is what was written: the kept ones, and missing.
    const IagaReadResult back = parseIaga2002(text, "round trip");
    ASSERT_TRUE(back.ok) << back.error;
    ASSERT_EQ(back.record.size(), 2u);
    EXPECT_EQ(back.record.column(0)[0], 8888799);
    EXPECT_EQ(back.record.column(1)[0], -8888799);
    for (std::size_t c = 0; c < 4; ++c) EXPECT_EQ(back.record.column(c)[1], M);

    Record quiet({{"X", "nT", 2}, {"Y", "nT", 2}, {"Z", "nT", 2}, {"F", "nT", 2}});
    quiet.append(at(2007, 5, 15, 0, 0), std::array<std::int32_t, 4>{8888799, -8888799, 0, M});
    quiet.finish();
    EXPECT_EQ(textOf(h, Record(quiet)).find("88888 or more"), std::string::npos);  // said only when it happens
}

TEST(ExportLimits, YearsOutsideOneToNineThousandAndNothingSelected) {
    struct Case {
        std::vector<std::int64_t> times;  // instrument clock
        const char* offset;
        std::optional<std::int64_t> from, to;
        std::size_t outside;
        std::string nothing;
    };
    const std::vector<Case> cases{
        {{at(1, 1, 1, 0, 30), at(2007, 5, 15, 12, 0)}, "+01:00", {}, {}, 1, ""},
        {{at(2007, 5, 15, 12, 0), at(9999, 12, 31, 23, 30)}, "-01:00", {}, {}, 1, ""},
        {{at(1, 1, 1, 0, 30)}, "+01:00", {}, {}, 1,
         "no samples between 0000-12-31T23:30:00.000Z and 0000-12-31T23:30:00.000Z"},
        {{at(2007, 5, 15, 12, 0)}, "+00:00", at(2008, 1, 1, 0, 0), at(2008, 1, 2, 0, 0), 0,
         "no samples between 2008-01-01T00:00:00.000Z and 2008-01-02T00:00:00.000Z"},
        {{at(2007, 5, 15, 12, 0)}, "+02:00", at(2007, 5, 15, 10, 0), at(2007, 5, 15, 10, 1), 0, ""},
        {{}, "+00:00", {}, {}, 0, "no samples in the input"},
    };
    for (const Case& c : cases) {
        Record r(Record::dataFileChannels());
        for (const std::int64_t t : c.times) r.append(t, std::array<std::int32_t, 5>{100, 200, 300, 10, 20});
        r.finish();
        ExportSettings s;
        s.utcOffsetMs = *parseUtcOffset(c.offset);
        s.fromMs = c.from;
        s.toMs = c.to;
        const TextExport ex(r, "", s);
        EXPECT_EQ(ex.samplesOutsideYears(), c.outside) << c.nothing;
        EXPECT_EQ(ex.nothingToWrite(), c.nothing);
        if (c.outside == 0) {
            EXPECT_EQ(noSamplesSelected(r, s), c.nothing);
        }
    }
}

}  // namespace
}  // namespace kordel
