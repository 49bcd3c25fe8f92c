#include "exchange/iaga2002.h"

#include <charconv>
#include <cmath>

#include "app/fixedformats.h"
#include "exchange/fixedtext.h"

namespace kordel {

namespace {

std::string padRight(std::string_view text, std::size_t width) {
    std::string s(text.substr(0, width));
    s.resize(width, ' ');
    return s;
}

constexpr std::size_t kFlushAt = std::size_t{1} << 20;

// Day of the year, 1 for 1 January.
int dayOfYear(const CivilDateTime& t) {
    return static_cast<int>(toDateNumber(t.year, t.month, t.day) - toDateNumber(t.year, 1, 1)) + 1;
}

void appendDigits(std::string& out, int value, int width) {
    char buf[12];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    for (auto n = r.ptr - buf; n < width; ++n) out += '0';
    out.append(buf, r.ptr);
}

}  // namespace

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

void appendIagaDataRecord(std::string& out, std::int64_t timeMs, const std::array<double, 4>& values) {
    const CivilDateTime t = fromDateTimeNumber(static_cast<double>(timeMs) / Record::kMsPerDay);
    appendDigits(out, t.year, 4);
    out += '-';
    appendDigits(out, t.month, 2);
    out += '-';
    appendDigits(out, t.day, 2);
    out += ' ';
    appendDigits(out, t.hour, 2);
    out += ':';
    appendDigits(out, t.minute, 2);
    out += ':';
    appendDigits(out, t.second, 2);
    out += '.';
    appendDigits(out, t.millisecond, 3);
    out += ' ';
    appendDigits(out, dayOfYear(t), 3);
    out += "   ";
    for (double v : values) {
        // Nine characters hold −99999.99 to 99999.99; the format has no room for more.
        const bool fits = std::isfinite(v) && std::fabs(v) < 99999.995;
        out += ' ';
        appendFixed(out, fits ? std::llround(v * 100.0) : 9999900, 2, 9);
    }
    out += "\r\n";
}

IoStatus writeIaga2002(const IagaFileHeader& header, const Record& record, std::size_t first, std::size_t last,
                       const std::array<std::size_t, 4>& channels, const TextSink& sink) {
    std::string out = iagaHeaderBlock(header);
    out.reserve(kFlushAt + 256);
    for (std::size_t i = first; i < last; ++i) {
        std::array<double, 4> v{};
        for (std::size_t k = 0; k < 4; ++k) v[k] = record.value(channels[k], i);
        appendIagaDataRecord(out, record.timeMs(i), v);
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
