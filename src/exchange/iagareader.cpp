#include "exchange/iagareader.h"

#include <unistd.h>

#include <cctype>
#include <charconv>

#include "app/fd.h"
#include "app/fixedformats.h"
#include "files/safepath.h"
#include "record/samplelineparser.h"

namespace kordel {

namespace {

constexpr std::size_t kKeptErrors = 100;

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

std::string upper(std::string_view s) {
    std::string u(s);
    for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

std::vector<std::string_view> words(std::string_view s) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
        const std::size_t start = i;
        while (i < s.size() && s[i] != ' ' && s[i] != '\t') ++i;
        if (i > start) out.push_back(s.substr(start, i - start));
    }
    return out;
}

bool readInt(std::string_view s, int& v) {
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

// "YYYY-MM-DD" and "hh:mm:ss[.sss]" into ms since the date-time epoch.
bool readDateTime(std::string_view date, std::string_view time, std::int64_t& ms) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0;
    if (date.size() != 10 || date[4] != '-' || date[7] != '-' || !readInt(date.substr(0, 4), y) ||
        !readInt(date.substr(5, 2), mo) || !readInt(date.substr(8, 2), d)) {
        return false;
    }
    if (time.size() < 8 || time[2] != ':' || time[5] != ':' || !readInt(time.substr(0, 2), h) ||
        !readInt(time.substr(3, 2), mi)) {
        return false;
    }
    const auto thousandths = parseScaled(time.substr(6), 3);
    if (!thousandths || *thousandths < 0 || *thousandths >= 60000) return false;
    if (y < 1 || y > 9999 || mo < 1 || mo > 12 || d < 1 || d > daysInMonth(y, mo) || h > 23 || mi > 59 || h < 0 ||
        mi < 0) {
        return false;
    }
    ms = static_cast<std::int64_t>(toDateNumber(y, mo, d)) * Record::kMsPerDay + (h * 60LL + mi) * 60000 +
         *thousandths;
    return true;
}

struct HeaderState {
    IagaReadResult& out;
    std::string reported;
    bool columnsSeen = false;
};

void readHeaderRecord(std::string_view line, HeaderState& st) {
    const std::string_view label = trim(line.substr(0, std::min<std::size_t>(line.size(), 24)));
    std::string_view value = line.size() > 24 ? line.substr(24) : std::string_view{};
    if (const auto bar = value.rfind('|'); bar != std::string_view::npos) value = value.substr(0, bar);
    value = trim(value);
    const std::string key = upper(label);
    IagaStation& s = st.out.station;
    if (key == "SOURCE OF DATA") s.source = value;
    else if (key == "STATION NAME") s.name = value;
    else if (key == "IAGA CODE" || key == "IAGA CODE:") s.code = value;
    else if (key == "GEODETIC LATITUDE") s.latitude = value;
    else if (key == "GEODETIC LONGITUDE") s.longitude = value;
    else if (key == "ELEVATION") s.elevation = value;
    else if (key == "REPORTED") st.reported = upper(value);
}

// Element letters from the column header: each column is the code followed by
// the element ("NAQX"); a column without the code gives its last letter.
std::string elementsFromColumns(std::string_view line, const std::string& code) {
    std::string letters;
    const auto w = words(line.substr(0, line.find('|')));
    for (std::size_t k = 3; k < w.size(); ++k) {
        std::string col = upper(w[k]);
        if (!code.empty() && col.size() > code.size() && col.compare(0, code.size(), upper(code)) == 0) {
            col = col.substr(code.size());
        }
        letters += col.back();
    }
    return letters;
}

void addError(IagaReadResult& r, const std::string& name, long number, std::string_view line) {
    if (r.errorLines.size() < kKeptErrors) {
        r.errorLines.push_back({name, number, std::string(line.substr(0, RecordLoader::kMaxShownLength))});
    }
    ++r.errorLineCount;
}

std::vector<ChannelInfo> channelsFor(const std::string& elements) {
    std::vector<ChannelInfo> channels;
    for (char e : elements) {
        const bool angle = e == 'D' || e == 'I';
        channels.push_back({std::string(1, e), angle ? "arcmin" : "nT", 2});
    }
    return channels;
}

}  // namespace

bool looksLikeIaga2002(std::string_view firstRecord) {
    if (firstRecord.size() < 2 || firstRecord[0] != ' ') return false;
    const std::string u = upper(firstRecord.substr(0, std::min<std::size_t>(firstRecord.size(), 80)));
    return trim(u).starts_with("FORMAT") && u.find("IAGA-2002") != std::string::npos;
}

bool isIaga2002File(const std::string& path) {
    int opened = -1;
    if (!openRegularForReading(path, opened)) return false;
    const Fd fd(opened);
    std::string first(80, '\0');
    const ssize_t n = ::read(fd.get(), first.data(), first.size());
    first.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return looksLikeIaga2002(first.substr(0, first.find('\n')));
}

IagaReadResult parseIaga2002(std::string_view text, const std::string& name) {
    IagaReadResult r;
    HeaderState st{r, {}, false};
    std::size_t pos = 0;
    long number = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (number == 1 && !looksLikeIaga2002(line)) {
            r.error = name + " is not an IAGA-2002 file (its first record does not name the format)";
            return r;
        }
        if (!st.columnsSeen) {
            if (line.starts_with("DATE")) {
                st.columnsSeen = true;
                r.elements = elementsFromColumns(line, r.station.code);
                if (r.elements.size() != 4) r.elements = st.reported;
                if (r.elements.size() != 4) {
                    r.error = name + ": the column header does not name four elements";
                    return r;
                }
                r.record = Record(channelsFor(r.elements));
            } else if (!line.starts_with(" #")) {
                readHeaderRecord(line, st);
            }
            continue;
        }
        if (trim(line).empty()) continue;
        const auto w = words(line);
        std::int64_t t = 0;
        std::array<std::int32_t, 4> raw{};
        bool ok = w.size() >= 7 && readDateTime(w[0], w[1], t);
        for (std::size_t k = 0; ok && k < 4; ++k) {
            const auto v = parseScaled(w[3 + k], 2);
            ok = v.has_value();
            if (ok) raw[k] = (*v >= 8888800 || *v <= -8888800) ? Record::kMissing : *v;
        }
        if (!ok) {
            addError(r, name, number, line);
            continue;
        }
        r.record.append(t, raw);
    }
    if (!st.columnsSeen) {
        r.error = name + ": no column header record (DATE TIME DOY …) was found";
        return r;
    }
    r.record.finish();
    r.ok = true;
    return r;
}

IagaReadResult readIaga2002(const std::string& path) {
    std::string text;
    if (const IoStatus read = readRegularFile(path, text); !read) {
        IagaReadResult r;
        r.error = read.message();
        return r;
    }
    return parseIaga2002(text, path);
}

}  // namespace kordel
