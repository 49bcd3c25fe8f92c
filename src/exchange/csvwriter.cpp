#include "exchange/csvwriter.h"

#include <climits>

#include "app/fixedformats.h"
#include "exchange/fixedtext.h"

namespace kordel {

namespace {

void putDigits(char* p, int width, int v) {
    for (char* q = p + width; q > p; v /= 10) *--q = static_cast<char>('0' + v % 10);
}

// "YYYY-MM-DDThh:mm:ss.sssZ"; the date part is worked out once a day.
class IsoTimeWriter {
public:
    void append(std::string& out, std::int64_t timeMs) {
        std::int64_t day = timeMs / Record::kMsPerDay;
        std::int64_t msOfDay = timeMs % Record::kMsPerDay;
        if (msOfDay < 0) {
            msOfDay += Record::kMsPerDay;
            --day;
        }
        if (day != day_) {
            day_ = day;
            const CivilDateTime t = fromDateTimeNumber(static_cast<double>(day));
            putDigits(text_, 4, t.year);
            text_[4] = '-';
            putDigits(text_ + 5, 2, t.month);
            text_[7] = '-';
            putDigits(text_ + 8, 2, t.day);
            text_[10] = 'T';
            text_[13] = text_[16] = ':';
            text_[19] = '.';
            text_[23] = 'Z';
        }
        const int ms = static_cast<int>(msOfDay);
        putDigits(text_ + 11, 2, ms / 3'600'000);
        putDigits(text_ + 14, 2, ms / 60'000 % 60);
        putDigits(text_ + 17, 2, ms / 1000 % 60);
        putDigits(text_ + 20, 3, ms % 1000);
        out.append(text_, sizeof text_);
    }

private:
    std::int64_t day_ = INT64_MIN;
    char text_[24] = {};
};

}  // namespace

std::string isoUtcText(std::int64_t timeMs) {
    std::string s;
    IsoTimeWriter().append(s, timeMs);
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
    IsoTimeWriter time;
    for (std::size_t i = first; i < last; ++i) {
        time.append(out, record.timeMs(i));
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
