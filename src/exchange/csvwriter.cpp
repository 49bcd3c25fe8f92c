#include "exchange/csvwriter.h"

#include "app/fixedformats.h"
#include "exchange/fixedtext.h"

namespace kordel {

namespace {

void appendIso(std::string& out, std::int64_t timeMs) {
    const CivilDateTime t = fromDateTimeNumber(static_cast<double>(timeMs) / Record::kMsPerDay);
    appendFixed(out, t.year, 0, 4);
    out += '-';
    out += TwoDigits(t.month);
    out += '-';
    out += TwoDigits(t.day);
    out += 'T';
    out += TwoDigits(t.hour);
    out += ':';
    out += TwoDigits(t.minute);
    out += ':';
    out += TwoDigits(t.second);
    out += '.';
    out += static_cast<char>('0' + t.millisecond / 100);
    out += static_cast<char>('0' + t.millisecond / 10 % 10);
    out += static_cast<char>('0' + t.millisecond % 10);
    out += 'Z';
}

}  // namespace

std::string isoUtcText(std::int64_t timeMs) {
    std::string s;
    appendIso(s, timeMs);
    return s;
}

std::string csvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string q = "\"";
    for (char c : text) {
        if (c == '"') q += '"';
        q += c;
    }
    return q + "\"";
}

IoStatus writeCsv(const Record& record, std::size_t first, std::size_t last, const std::vector<std::size_t>& channels,
                  const TextSink& sink) {
    std::string out = "time";
    for (std::size_t c : channels) out += "," + csvField(record.channel(c).name);
    out += "\r\n";
    for (std::size_t i = first; i < last; ++i) {
        appendIso(out, record.timeMs(i));
        for (std::size_t c : channels) {
            out += ',';
            const std::int32_t raw = record.column(c)[i];
            if (raw != Record::kMissing) appendFixed(out, raw, record.channel(c).decimals);
        }
        out += "\r\n";
        if (out.size() >= (std::size_t{1} << 20)) {
            if (IoStatus s = sink(out); !s) return s;
            out.clear();
        }
    }
    return sink(out);
}

}  // namespace kordel
