#include "files/datafilereader.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

#include "app/fd.h"
#include "app/fixedformats.h"
#include "record/samplelineparser.h"

namespace kordel {

namespace {

bool readInt(std::string_view s, long long& v) {
    if (s.empty()) {
        return false;
    }
    const char* first = s.data();
    if (*first == '+') {
        ++first;
    }
    const auto res = std::from_chars(first, s.data() + s.size(), v);
    return res.ec == std::errc() && res.ptr == s.data() + s.size();
}

bool readDouble(std::string_view s, double& v) {
    const auto n = parseNumber(s);
    if (!n || !std::isfinite(*n)) {
        return false;
    }
    v = *n;
    return true;
}

bool inWord(long long v) { return v >= 0 && v <= 65535; }

// The seconds field: whole seconds, and the milliseconds its fraction holds,
// truncated. Written as digits with an optional fraction (as every file is),
// it is read from its digits, so 59.9999999999 stays 59 s 999 ms; other forms
// of a number (an exponent) go through a double.
bool readSeconds(std::string_view s, long long& second, long long& ms) {
    std::string_view digits = s.substr(0, s.find('.'));
    std::string_view fraction = digits.size() < s.size() ? s.substr(digits.size() + 1) : std::string_view();
    const auto allDigits = [](std::string_view t) {
        return std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!digits.empty() && digits.front() == '+') {
        digits.remove_prefix(1);
    }
    if (!digits.empty() && digits.size() <= 6 && allDigits(digits) && allDigits(fraction)) {
        second = 0;
        for (char c : digits) second = second * 10 + (c - '0');
        ms = 0;
        for (std::size_t i = 0; i < 3; ++i) ms = ms * 10 + (i < fraction.size() ? fraction[i] - '0' : 0);
        return inWord(second);
    }
    double seconds = 0;
    if (!readDouble(s, seconds) || seconds < 0 || seconds >= 65536) {
        return false;
    }
    second = static_cast<long long>(seconds);
    // The small guard keeps 30.123 from becoming 122 ms through the binary
    // fraction; the fraction is below one, so never more than 999 ms.
    ms = std::min(999LL, static_cast<long long>((seconds - static_cast<double>(second)) * 1000.0 + 1e-6));
    return true;
}

}  // namespace

namespace {

// Up to 13 fields into `fields`; returns how many. No allocation: the reader
// calls this for every line of a file.
std::size_t splitInto(std::string_view line, std::array<std::string_view, 13>& fields) {
    std::size_t count = 0;
    std::size_t i = 0;
    while (i < line.size() && count < fields.size()) {
        while (i < line.size() && line[i] == ' ') {
            ++i;
        }
        if (i == line.size()) {
            break;
        }
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ') {
            ++i;
        }
        fields[count++] = line.substr(start, i - start);
    }
    return count;
}

}  // namespace

std::vector<std::string_view> SplitDataLine(std::string_view line) {
    std::array<std::string_view, 13> fields;
    const std::size_t n = splitInto(line, fields);
    return {fields.begin(), fields.begin() + static_cast<std::ptrdiff_t>(n)};
}

bool parseDataLine(std::string_view line, DataLine& out) {
    std::array<std::string_view, 13> f;
    const std::size_t fieldCount = splitInto(line, f);
    if (fieldCount < 11) {
        return false;
    }
    long long ymdhm[5];
    for (int i = 0; i < 5; ++i) {
        if (!readInt(f[i], ymdhm[i]) || !inWord(ymdhm[i])) {
            return false;
        }
    }
    long long second = 0;
    long long ms = 0;
    if (!readSeconds(f[5], second, ms)) {
        return false;
    }
    for (std::size_t i = 6; i < fieldCount; ++i) {
        double v = 0;
        if (!readDouble(f[i], v)) {
            return false;
        }
        if (i <= 10) {
            out.values[i - 6] = v;
        }
    }
    const long long year = ymdhm[0], month = ymdhm[1], day = ymdhm[2], hour = ymdhm[3], minute = ymdhm[4];
    if (hour > 23 || minute > 59 || second > 59 || ms > 999) {
        return false;
    }
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > daysInMonth(static_cast<int>(year), static_cast<int>(month))) {
        return false;
    }
    out.x = toDateNumber(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day)) +
            toTimeNumber(static_cast<int>(hour), static_cast<int>(minute), static_cast<int>(second),
                         static_cast<int>(ms));
    return true;
}

DataFileReader::Outcome DataFileReader::read(const std::string& path, SeriesData& data,
                                             const Callbacks& callbacks) {
    error_.clear();
    try {
        return readLines(path, data, callbacks);
    } catch (const std::bad_alloc&) {
        // A file too large for the memory at hand is a file error like any
        // other, reported by the caller; the program goes on.
        error_ = "Cannot read " + path + ": not enough memory for its points";
        return Outcome::Failed;
    }
}

std::size_t DataFileReader::pointsToReserve(std::uint64_t fileSize) {
    // A data line is about 63 bytes; reserving for all of them at once spares
    // the columns growing (and being copied) step by step, up to a cap, so
    // that the size of a huge file never turns into one huge allocation.
    return static_cast<std::size_t>(std::min<std::uint64_t>(fileSize / 60, kMaxReserve));
}

DataFileReader::Outcome DataFileReader::readLines(const std::string& path, SeriesData& data,
                                                  const Callbacks& callbacks) {
    Fd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (file.get() < 0 || ::fstat(file.get(), &st) != 0) {
        error_ = IoStatus::fromErrno("Cannot open " + path, errno).message();
        return Outcome::Failed;
    }
    if (S_ISDIR(st.st_mode)) {
        error_ = IoStatus::fromErrno("Cannot open " + path, EISDIR).message();
        return Outcome::Failed;
    }
    const double fileSize = st.st_size > 0 ? static_cast<double>(st.st_size) : 1.0;
    const std::size_t expected = data.size() + pointsToReserve(static_cast<std::uint64_t>(st.st_size));
    data.x.reserve(expected);
    for (auto& column : data.y) {
        column.reserve(expected);
    }

    std::vector<char> buffer(blockSize_);
    std::size_t held = 0;        // bytes in buffer not yet consumed
    long lineNumber = 0;
    double bytesRead = 0;
    int shownPercent = 0;
    bool overlong = false;       // inside a line that is already too long
    std::string overlongStart;
    bool eof = false;

    // `tooLong`: only the beginning of an overlong line is at hand. An overlong
    // line is an error line shown by its first kMaxLineLength + 1 characters,
    // wherever the block boundaries fall.
    auto handleLine = [&](std::string_view line, bool tooLong) -> bool {
        ++lineNumber;
        if (!tooLong && !line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        tooLong = tooLong || line.size() > kMaxLineLength;
        if (tooLong) {
            line = line.substr(0, kMaxLineLength + 1);
        }
        DataLine parsed;
        const bool good = !tooLong && parseDataLine(line, parsed);
        if (skippedAsHeader(lineNumber, good)) {
            return true;  // not counted in the progress either
        }
        if (good) {
            data.x.push_back(parsed.x);
            for (int k = 0; k < 5; ++k) {
                data.y[k].push_back(parsed.values[k]);
            }
        } else if (!callbacks.onErrorLine || !callbacks.onErrorLine(lineNumber, line)) {
            return false;
        }
        const int percent = static_cast<int>(std::lround(bytesRead / fileSize * 100.0));
        if (percent != shownPercent && callbacks.onProgress) {
            shownPercent = percent;
            callbacks.onProgress(percent);
        }
        bytesRead += static_cast<double>(line.size());
        return true;
    };

    while (!eof) {
        const ssize_t n = ::read(file.get(), buffer.data() + held, buffer.size() - held);
        if (n < 0) {
            if (errno == EINTR) continue;
            error_ = IoStatus::fromErrno("Cannot read " + path, errno).message();
            return Outcome::Failed;
        }
        eof = n == 0;
        held += static_cast<std::size_t>(n);
        std::string_view chunk(buffer.data(), held);
        std::size_t start = 0;
        for (;;) {
            const std::size_t nl = chunk.find('\n', start);
            if (nl == std::string_view::npos) break;
            std::string_view line = chunk.substr(start, nl - start);
            if (overlong) {
                overlong = false;
                const std::string shown = overlongStart;
                overlongStart.clear();
                if (!handleLine(shown, true)) {
                    return Outcome::Cancelled;
                }
            } else if (!handleLine(line, false)) {
                return Outcome::Cancelled;
            }
            start = nl + 1;
        }
        std::string_view rest = chunk.substr(start);
        if (eof) {
            if (overlong || !rest.empty()) {
                const std::string_view last = overlong ? std::string_view(overlongStart) : rest;
                if (!handleLine(last, overlong)) {
                    return Outcome::Cancelled;
                }
            }
            break;
        }
        // The longest line and its CR may still end well in the next block.
        if (rest.size() > kMaxLineLength + 1) {
            // A line without end in sight: keep its beginning for the message, drop the rest.
            if (!overlong) {
                overlong = true;
                overlongStart.assign(rest.substr(0, kMaxLineLength + 1));
            }
            held = 0;
        } else {
            std::copy(rest.begin(), rest.end(), buffer.begin());
            held = rest.size();
        }
    }
    return Outcome::Finished;
}

}  // namespace kordel
