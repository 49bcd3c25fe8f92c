#pragma once
// IAGA-2002, the geomagnetic community's text exchange format, as this program
// writes it: every record 70 characters and CR LF; twelve header records
// (" " + label in 23 + value in 44 + " |"), comment records (" # " + text in 65
// + " |"), one column-header record, then data records
// "YYYY-MM-DD hh:mm:ss.sss DOY" + three spaces + four values, each a space and
// the value with two decimals right-aligned in 9. A missing value is 99999.00.
// Values of magnitude 88888 or more read as the format's markers ("not
// observed", missing), so they are written as missing too, and a comment
// record of the file says how many were. Control characters in header text
// become spaces.
// Times are UT.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/iostatus.h"
#include "record/record.h"

namespace kordel {

inline constexpr std::size_t kIagaRecordLength = 70;
inline constexpr double kIagaMissing = 99999.00;
inline constexpr double kIagaNotObserved = 88888.00;

// Where written text goes, in pieces of about a megabyte.
using TextSink = std::function<IoStatus(std::string_view)>;

struct IagaStation {
    std::string source;     // "Source of Data"
    std::string name;       // "Station Name"
    std::string code;       // "IAGA CODE", three capital letters
    std::string latitude;   // degrees, as text
    std::string longitude;
    std::string elevation;  // metres
};

struct IagaFileHeader {
    IagaStation station;
    std::string reported = "XYZF";
    std::string sensorOrientation = "XYZ";
    std::string digitalSampling;    // "0.1 second"
    std::string dataIntervalType;   // "1-second (00:00-00:01)", …
    std::string dataType = "variation";
    std::vector<std::string> comments;  // each wrapped into as many records as it needs
};

// Three ASCII letters or digits, any case: what an IAGA CODE may be (it names
// the exported files, so nothing else is taken from an input).
bool isIagaCode(std::string_view code);

// One header record; a value longer than its 44 characters is cut.
std::string iagaHeaderRecord(std::string_view label, std::string_view value);
// The comment records of one text, wrapped at spaces into 65-character pieces.
std::vector<std::string> iagaCommentRecords(std::string_view text);
// "DATE       TIME         DOY  " + per element "   " + code+letter in 7, then "|".
std::string iagaColumnHeader(std::string_view code, std::string_view elements);
// Header, comment and column-header records, each with CR LF.
std::string iagaHeaderBlock(const IagaFileHeader& header);
// Appends one data record with CR LF; a NaN value, or one of magnitude 88888
// or more, is written as missing.
void appendIagaDataRecord(std::string& out, std::int64_t timeMs, const std::array<double, 4>& values);

// The header block, then a data record for each sample in [first, last) with
// the four given channels.
IoStatus writeIaga2002(const IagaFileHeader& header, const Record& record, std::size_t first, std::size_t last,
                       const std::array<std::size_t, 4>& channels, const TextSink& sink);

// "0.1 second", "1 second", "60 seconds" from an interval in ms.
std::string samplingText(std::int64_t intervalMs);

}  // namespace kordel
