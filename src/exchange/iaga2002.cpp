#include "exchange/iaga2002.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>

#include "app/fixedformats.h"

namespace kordel {

namespace {

// Header text may come from an input file's own header: a CR, LF or other
// control character would break the record it stands in (a CR LF in a station
// name starts a record of the file's choosing), so each becomes a space.
std::string padRight(std::string_view text, std::size_t width) {
    std::string s(text.substr(0, width));
    for (char& c : s) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    }
    s.resize(width, ' ');
    return s;
}

constexpr std::size_t kFlushAt = std::size_t{1} << 20;

// Day of the year, 1 for 1 January.
int dayOfYear(const CivilDateTime& t) {
    return static_cast<int>(toDateNumber(t.year, t.month, t.day) - toDateNumber(t.year, 1, 1)) + 1;
}

}  // namespace

bool isIagaCode(std::string_view code) {
    return code.size() == 3 && std::all_of(code.begin(), code.end(), [](char c) {
               return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
           });
}

std::string iagaHeaderRecord(std::string_view label, std::string_view value) {
    return " " + padRight(label, 23) + padRight(value, 44) + " |";
}

std::vector<std::string> iagaCommentRecords(std::string_view text) {
    std::vector<std::string> records;
    while (true) {
        std::string_view piece = text.substr(0, 65);
        if (text.size() > 65) {
            const std::size_t space = piece.rfind(' ');
            if (space != std::string_view::npos && space > 0) piece = piece.substr(0, space);
        }
        records.push_back(" # " + padRight(piece, 65) + " |");
        text.remove_prefix(piece.size());
        while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
        if (text.empty()) break;
    }
    return records;
}

std::string iagaColumnHeader(std::string_view code, std::string_view elements) {
    std::string s = "DATE       TIME         DOY  ";
    for (char e : elements.substr(0, 4)) {
        s += "   " + padRight(std::string(code) + e, 7);
    }
    return padRight(s, kIagaRecordLength - 1) + "|";
}

std::string iagaHeaderBlock(const IagaFileHeader& h) {
    const std::pair<const char*, const std::string*> fields[] = {
        {"Format", nullptr},
        {"Source of Data", &h.station.source},
        {"Station Name", &h.station.name},
        {"IAGA CODE", &h.station.code},
        {"Geodetic Latitude", &h.station.latitude},
        {"Geodetic Longitude", &h.station.longitude},
        {"Elevation", &h.station.elevation},
        {"Reported", &h.reported},
        {"Sensor Orientation", &h.sensorOrientation},
        {"Digital Sampling", &h.digitalSampling},
        {"Data Interval Type", &h.dataIntervalType},
        {"Data Type", &h.dataType},
    };
    std::string out;
    for (const auto& [label, value] : fields) {
        out += iagaHeaderRecord(label, value ? std::string_view(*value) : "IAGA-2002") + "\r\n";
    }
    for (const auto& c : h.comments) {
        for (const auto& r : iagaCommentRecords(c)) out += r + "\r\n";
    }
    return out + iagaColumnHeader(h.station.code, h.reported) + "\r\n";
}

namespace {

constexpr std::int64_t kMissingHundredths = 9999900;
// From 88888.00 on (either sign) a reader takes a value for one of the format's
// markers, "not observed" or missing: such values are written as missing, so a
// file never claims a value that reads back as something else.
constexpr std::int64_t kMarkerHundredths = 8888800;

bool writable(std::int64_t hundredths) { return hundredths > -kMarkerHundredths && hundredths < kMarkerHundredths; }

// Writes `v` right-aligned in [p, p + width) with two decimals; the field holds
// −99999.99 to 99999.99 (callers pass only such values).
void putHundredths(char* p, int width, std::int64_t v) {
    const bool negative = v < 0;
    std::uint64_t a = static_cast<std::uint64_t>(negative ? -v : v);
    char* q = p + width;
    *--q = static_cast<char>('0' + a % 10);
    a /= 10;
    *--q = static_cast<char>('0' + a % 10);
    a /= 10;
    *--q = '.';
    do {
        *--q = static_cast<char>('0' + a % 10);
        a /= 10;
    } while (a != 0);
    if (negative) *--q = '-';
    while (q > p) *--q = ' ';
}

void putDigits(char* p, int width, int v) {
    for (char* q = p + width; q > p; v /= 10) *--q = static_cast<char>('0' + v % 10);
}

// The data records' date part changes once a day: kept between records.
class DataRecordWriter {
public:
    void append(std::string& out, std::int64_t timeMs, const std::array<std::int64_t, 4>& hundredths) {
        char rec[kIagaRecordLength + 2];
        std::int64_t day = timeMs / Record::kMsPerDay;
        std::int64_t msOfDay = timeMs % Record::kMsPerDay;
        if (msOfDay < 0) {
            msOfDay += Record::kMsPerDay;
            --day;
        }
        if (day != day_) setDay(day);
        std::copy(prefix_, prefix_ + 11, rec);
        const int ms = static_cast<int>(msOfDay);
        putDigits(rec + 11, 2, ms / 3'600'000);
        rec[13] = ':';
        putDigits(rec + 14, 2, ms / 60'000 % 60);
        rec[16] = ':';
        putDigits(rec + 17, 2, ms / 1000 % 60);
        rec[19] = '.';
        putDigits(rec + 20, 3, ms % 1000);
        rec[23] = ' ';
        std::copy(doy_, doy_ + 3, rec + 24);
        std::fill(rec + 27, rec + 30, ' ');
        for (std::size_t k = 0; k < 4; ++k) {
            const std::int64_t h = hundredths[k];
            rec[30 + 10 * k] = ' ';
            putHundredths(rec + 31 + 10 * k, 9, writable(h) ? h : kMissingHundredths);
        }
        rec[70] = '\r';
        rec[71] = '\n';
        out.append(rec, sizeof rec);
    }

private:
    void setDay(std::int64_t day) {
        day_ = day;
        const CivilDateTime t = fromDateTimeNumber(static_cast<double>(day));
        putDigits(prefix_, 4, t.year);
        prefix_[4] = '-';
        putDigits(prefix_ + 5, 2, t.month);
        prefix_[7] = '-';
        putDigits(prefix_ + 8, 2, t.day);
        prefix_[10] = ' ';
        putDigits(doy_, 3, dayOfYear(t));
    }

    std::int64_t day_ = INT64_MIN;
    char prefix_[11] = {};
    char doy_[3] = {};
};

std::int64_t hundredthsOf(double v) {
    return std::isfinite(v) && std::fabs(v) < 99999.995 ? std::llround(v * 100.0) : kMissingHundredths;
}

}  // namespace

void appendIagaDataRecord(std::string& out, std::int64_t timeMs, const std::array<double, 4>& values) {
    std::array<std::int64_t, 4> h{};
    for (std::size_t k = 0; k < 4; ++k) h[k] = hundredthsOf(values[k]);
    DataRecordWriter().append(out, timeMs, h);
}

namespace {

std::int64_t hundredthsAt(const Record& record, std::size_t c, std::size_t i) {
    const std::int32_t raw = record.column(c)[i];
    // Two decimals are the record's own for the field: no detour through doubles.
    return raw == Record::kMissing          ? kMissingHundredths
           : record.channel(c).decimals == 2 ? raw
                                             : hundredthsOf(record.value(c, i));
}

std::size_t markerLikeValues(const Record& record, std::size_t first, std::size_t last,
                             const std::array<std::size_t, 4>& channels) {
    std::size_t n = 0;
    for (const std::size_t c : channels) {
        for (std::size_t i = first; i < last; ++i) {
            n += record.column(c)[i] != Record::kMissing && !writable(hundredthsAt(record, c, i));
        }
    }
    return n;
}

}  // namespace

IoStatus writeIaga2002(const IagaFileHeader& header, const Record& record, std::size_t first, std::size_t last,
                       const std::array<std::size_t, 4>& channels, const TextSink& sink) {
    std::string out;
    if (const std::size_t n = markerLikeValues(record, first, last, channels); n > 0) {
        IagaFileHeader said = header;
        said.comments.push_back(std::to_string(n) + " value(s) of magnitude 88888 or more written as 99999.00 "
                                "(missing): the format keeps such values for its markers.");
        out = iagaHeaderBlock(said);
    } else {
        out = iagaHeaderBlock(header);
    }
    out.reserve(kFlushAt + 256);
    DataRecordWriter writer;
    std::array<std::int64_t, 4> h{};
    for (std::size_t i = first; i < last; ++i) {
        for (std::size_t k = 0; k < 4; ++k) h[k] = hundredthsAt(record, channels[k], i);
        writer.append(out, record.timeMs(i), h);
        if (out.size() >= kFlushAt) {
            if (IoStatus s = sink(out); !s) return s;
            out.clear();
        }
    }
    return sink(out);
}

std::string samplingText(std::int64_t intervalMs) {
    std::string n = formatGrouped(static_cast<double>(intervalMs) / 1000.0, 3);
    std::erase(n, ' ');
    return n + (intervalMs <= 1000 ? " second" : " seconds");
}

}  // namespace kordel
