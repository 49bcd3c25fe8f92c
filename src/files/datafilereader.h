#pragma once
// Reads a data file (*.pc recorded here, *.fl from the flash conversion) into
// five value columns against date-time X. Every line is "year month day hour
// minute seconds Bx By Bz Ts Te [v12 [v13]]", fields separated by spaces. Lines
// 1–3 may be header lines: there, a line that does not read is skipped
// silently. From line 4 on, a line that does not read is handed to the caller,
// who chooses to skip it or to stop. Running out of memory fails the read.
//
// The file is read in large blocks and parsed in place; a line longer than
// kMaxLineLength is an error line, so no input makes memory grow without bound.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/iostatus.h"

namespace kordel {

struct SeriesData {
    std::vector<double> x;                  // date-time numbers
    std::array<std::vector<double>, 5> y;   // Bx, By, Bz, Ts, Te

    void clear() {
        x.clear();
        for (auto& v : y) v.clear();
    }
    std::size_t size() const { return x.size(); }
};

// Up to 13 fields of a data line; only the space character separates.
std::vector<std::string_view> SplitDataLine(std::string_view line);

struct DataLine {
    double x = 0;
    std::array<double, 5> values{};
};

// Converts one data line; false when it is an error line (fewer than eleven
// fields, a field that is not a number, an impossible date or time).
bool parseDataLine(std::string_view line, DataLine& out);

class DataFileReader {
public:
    static constexpr std::size_t kMaxLineLength = 4096;
    static constexpr std::size_t kBlockSize = 1 << 20;

    // `blockSize`: bytes read at a time (smaller ones let tests cross many
    // block boundaries); more than the longest line with its CR LF.
    explicit DataFileReader(std::size_t blockSize = kBlockSize)
        : blockSize_(blockSize < kMaxLineLength + 3 ? kMaxLineLength + 3 : blockSize) {}

    enum class Outcome { Finished, Cancelled, Failed };

    struct Callbacks {
        // An error line: `lineNumber` counts from 1 for the first line of the
        // file; return true to skip it, false to stop.
        std::function<bool(long lineNumber, std::string_view line)> onErrorLine;
        // The whole percentage of the file read, called only when it changes:
        // the bytes of the lines before this one, from the first data line on
        // and without line ends, against the file's size.
        std::function<void(int percent)> onProgress;
    };

    // Appends the good lines of `path` to `data`. On Failed, `error()` tells why.
    Outcome read(const std::string& path, SeriesData& data, const Callbacks& callbacks);

    const std::string& error() const { return error_; }

    // Points reserved up front for a file of `fileSize` bytes: enough for its
    // lines, but never more than kMaxReserve.
    static constexpr std::size_t kMaxReserve = std::size_t{1} << 22;
    static std::size_t pointsToReserve(std::uint64_t fileSize);

private:
    Outcome readLines(const std::string& path, SeriesData& data, const Callbacks& callbacks);

    std::size_t blockSize_;
    std::string error_;
};

}  // namespace kordel
