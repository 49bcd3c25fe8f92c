#pragma once
// The summary file (*.INF) of a flash dump conversion: where the data came
// from, the names of the converted data files in the order they were started,
// and the time gaps and bad blocks met. Lines end in CR LF.
//
// `begin` writes the 15 header lines and closes the file, then opens it again
// for appending; the file stays open for `addLine` until `end`.

#include <cstdint>
#include <string>
#include <string_view>

#include "app/fixedformats.h"
#include "app/fd.h"
#include "app/iostatus.h"

namespace kordel {

// What the first block of the dump tells the summary.
struct SummaryHeader {
    std::string stem;       // year, month, day, hour of the first block: "2007051512"
    std::string inputName;  // the dump's name as the user chose it
    // The first block's time: year 2000 + BCD value; the other fields as read,
    // 0 … 255 when the dump holds nonsense.
    CivilDateTime time;
    std::string latitude;
    std::string longitude;
    std::uint16_t tsRaw = 0;
    std::uint16_t teRaw = 0;
    std::uint16_t vinRaw = 0;
    std::uint16_t vbat = 0;
    std::string firstDataFile;  // "20070515123000.fl"
};

class SummaryWriter {
public:
    SummaryWriter() = default;
    ~SummaryWriter();
    SummaryWriter(const SummaryWriter&) = delete;
    SummaryWriter& operator=(const SummaryWriter&) = delete;

    // stem + ".INF"
    static std::string fileName(const std::string& stem);

    // Lines 1 to 15, each ended by CR LF.
    static std::string headerText(const SummaryHeader& header);

    // The value texts of lines 9 to 11: one decimal, halves away from zero.
    static std::string temperatureText(std::uint16_t raw);  // raw × 0.2 − 102.4
    static std::string supplyText(std::uint16_t vinRaw);    // 4788 ÷ raw; "not available" for 0

    // Creates the file at `path` (replacing one there), writes lines 1 to 15
    // and keeps the file open for appending.
    IoStatus begin(const std::string& path, const SummaryHeader& header);
    // Appends `text` and CR LF.
    IoStatus addLine(std::string_view text);
    // Closes the file. Nothing happens when none is open.
    IoStatus end();

    bool isOpen() const { return fd_.valid(); }
    const std::string& path() const { return path_; }

private:
    Fd fd_;
    std::string path_;
};

}  // namespace kordel
