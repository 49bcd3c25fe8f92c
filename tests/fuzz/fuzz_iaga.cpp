// The IAGA-2002 reader, two ways (the input's last byte chooses):
//  - write, then read: a record of four channels written with any header text
//    reads back with the same times and values, every value below 88888.00 in
//    magnitude as it was and every other one missing (the format's markers;
//    samples of one time that became the same by it read as one),
//    the header's station name and source as written (cut to their field,
//    control characters as spaces); every written record is 70 characters; a
//    time outside the years 1-9999 is never written as another time.
//  - any text: no crash and no hang; what reads is a finished record of four
//    channels whose values are missing or below the markers, the same from the
//    file as from memory.
#include <fuzzer/FuzzedDataProvider.h>

#include "app/fixedformats.h"
#include "exchange/iaga2002.h"
#include "exchange/iagareader.h"
#include "fuzzsupport.h"
#include "record/samplelineparser.h"

using namespace kordel;

namespace {

constexpr std::int32_t kMarker = 8'888'800;  // 88888.00, "not observed"; missing above it

bool belowMarkers(std::int32_t raw) { return raw > -kMarker && raw < kMarker; }

// A header value as the reader gives it back: its first 44 characters, control
// characters as spaces, blanks trimmed at both ends.
std::string asRead(std::string_view value) {
    std::string s(value.substr(0, 44));
    for (char& c : s) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    }
    const std::size_t first = s.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// Every record 70 characters of text; every value of a data record below the
// markers, or 99999.00 (missing).
void checkRecordsOf(std::string_view text) {
    bool data = false;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find("\r\n", start);
        FUZZ_CHECK(end == start + kIagaRecordLength);
        const std::string_view record = text.substr(start, kIagaRecordLength);
        for (char c : record) FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20);
        for (std::size_t k = 0; data && k < 4; ++k) {
            std::string_view field = record.substr(31 + 10 * k, 9);
            field.remove_prefix(std::min(field.find_first_not_of(' '), field.size()));
            const auto v = parseScaled(field, 2);
            FUZZ_CHECK(v && (belowMarkers(*v) || *v == 9'999'900));
        }
        data = data || record.starts_with("DATE");
        start = end + 2;
    }
}

void roundTrip(FuzzedDataProvider& input) {
    static constexpr char kCodeChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    static constexpr char kElements[] = "XYZFHDIGE";
    IagaFileHeader header;
    for (int k = 0; k < 3; ++k) header.station.code += kCodeChars[input.ConsumeIntegralInRange<int>(0, 35)];
    header.reported.clear();
    std::vector<ChannelInfo> channels;
    for (int k = 0; k < 4; ++k) {
        const char e = kElements[input.ConsumeIntegralInRange<int>(0, 8)];
        header.reported += e;
        channels.push_back({std::string(1, e), e == 'D' || e == 'I' ? "arcmin" : "nT", 2});
    }
    header.station.name = input.ConsumeRandomLengthString(60);
    header.station.source = input.ConsumeRandomLengthString(60);
    header.comments.push_back(input.ConsumeRandomLengthString(200));

    // Times from two days before year 1 to two days after year 9999.
    const std::int64_t earliest = static_cast<std::int64_t>(toDateNumber(1, 1, 1)) * Record::kMsPerDay;
    const std::int64_t end = static_cast<std::int64_t>(toDateNumber(10000, 1, 1)) * Record::kMsPerDay;
    Record record(channels);
    std::int64_t t = input.ConsumeIntegralInRange<std::int64_t>(earliest - 2 * Record::kMsPerDay,
                                                               end + 2 * Record::kMsPerDay);
    while (input.remaining_bytes() > 0) {
        std::array<std::int32_t, 4> raw{};
        for (auto& v : raw) v = input.ConsumeIntegral<std::int32_t>();
        record.append(t, raw);
        t += input.ConsumeIntegralInRange<std::int64_t>(-1000, Record::kMsPerDay);
    }
    record.finish();

    std::string text;
    const IoStatus written = writeIaga2002(header, record, 0, record.size(), {0, 1, 2, 3}, [&](std::string_view piece) {
        text += piece;
        return IoStatus{};
    });
    // What a file can hold: the samples within the years 1-9999, each value
    // below the markers or missing; samples that became the same, once.
    std::vector<std::pair<std::int64_t, std::array<std::int32_t, 4>>> expected;
    bool outsideYears = false;
    for (std::size_t i = 0; i < record.size(); ++i) {
        const std::int64_t ti = record.timeMs(i);
        outsideYears = outsideYears || ti < earliest || ti >= end;
        if (ti < earliest || ti >= end) continue;
        std::array<std::int32_t, 4> v{};
        for (std::size_t c = 0; c < 4; ++c) v[c] = belowMarkers(record.column(c)[i]) ? record.column(c)[i] : Record::kMissing;
        bool repeat = false;
        for (std::size_t k = expected.size(); k-- > 0 && expected[k].first == ti && !repeat;) repeat = expected[k].second == v;
        if (!repeat) expected.emplace_back(ti, v);
    }
    if (!written) {
        FUZZ_CHECK(outsideYears);  // refused only for times it cannot write
        return;
    }
    checkRecordsOf(text);
    const IagaReadResult back = parseIaga2002(text, "round-trip.sec");
    FUZZ_CHECK(back.ok);
    FUZZ_CHECK(back.errorLineCount == 0);
    FUZZ_CHECK(back.elements == header.reported);
    FUZZ_CHECK(back.station.code == header.station.code);
    FUZZ_CHECK(back.station.name == asRead(header.station.name));
    FUZZ_CHECK(back.station.source == asRead(header.station.source));
    FUZZ_CHECK(back.record.size() == expected.size());
    for (std::size_t j = 0; j < expected.size(); ++j) {
        FUZZ_CHECK(back.record.timeMs(j) == expected[j].first);
        for (std::size_t c = 0; c < 4; ++c) FUZZ_CHECK(back.record.column(c)[j] == expected[j].second[c]);
    }
}

void anyText(FuzzedDataProvider& input) {
    const std::string text = input.ConsumeRemainingBytesAsString();
    const IagaReadResult r = parseIaga2002(text, "any.min");
    FUZZ_CHECK(r.ok == r.error.empty());
    FUZZ_CHECK(r.errorLines.size() == std::min<std::size_t>(r.errorLineCount, 100));
    if (r.ok) {
        FUZZ_CHECK(r.elements.size() == 4 && r.record.channelCount() == 4);
        for (std::size_t i = 0; i < r.record.size(); ++i) {
            FUZZ_CHECK(i == 0 || r.record.timeMs(i - 1) <= r.record.timeMs(i));
            for (std::size_t c = 0; c < 4; ++c) {
                const std::int32_t v = r.record.column(c)[i];
                FUZZ_CHECK(v == Record::kMissing || belowMarkers(v));
            }
        }
    }
    const auto path = fuzz::scratch() / "any.min";
    fuzz::writeFile(path, text);
    const IagaReadResult fromFile = readIaga2002(path.string());
    FUZZ_CHECK(fromFile.ok == r.ok && fromFile.record.size() == r.record.size());
    FUZZ_CHECK(fromFile.errorLineCount == r.errorLineCount);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    if (input.ConsumeBool()) {
        roundTrip(input);
    } else {
        anyText(input);
    }
    return 0;
}
