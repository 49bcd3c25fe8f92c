#pragma once
// A record exported as IAGA-2002 or CSV: the clock's offset from UT taken off,
// the time range cut, means formed when asked, and the result written whole or
// as one file per UT day named as the format recommends (lower-case code,
// yyyymmdd, "v", "sec"/"min", "." and "sec"/"min", or ".csv").
//
// A record read from data files (Bx, By, Bz, Ts, Te) is reported as X, Y, Z and
// the computed F; an IAGA-2002 record keeps its own four elements and F.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "exchange/iaga2002.h"
#include "record/record.h"

namespace kordel {

enum class ExportFormat { Iaga2002, Csv };
enum class ExportInterval { Native, Second, Minute };

struct ExportSettings {
    ExportFormat format = ExportFormat::Iaga2002;
    ExportInterval interval = ExportInterval::Native;
    std::optional<std::int64_t> fromMs;  // UT, inclusive
    std::optional<std::int64_t> toMs;    // UT, exclusive
    std::int64_t utcOffsetMs = 0;        // the instrument clock minus UT
    IagaStation station;
    std::string programName = "kordel-export";
    std::string programVersion;
};

struct ExportPart {
    std::string fileName;  // recommended name (per-day parts)
    std::size_t first = 0;
    std::size_t last = 0;
};

class TextExport {
public:
    // `elements`: empty for a record of data files, else the IAGA-2002 file's four letters.
    TextExport(Record record, std::string elements, ExportSettings settings);

    // The samples (or means) that will be written.
    const Record& data() const { return means_ ? *means_ : record_; }
    ExportPart whole() const { return {{}, first_, last_}; }
    std::vector<ExportPart> days() const;

    IoStatus write(const ExportPart& part, const TextSink& sink) const;

    // Selected samples that the clock offset moved before the year 1 or past
    // 9999: they are left out (the formats have four digits for the year).
    std::size_t samplesOutsideYears() const { return outsideYears_; }
    // "no samples between <from> and <to>" when nothing is to be written (no
    // file should then be made), else empty.
    std::string nothingToWrite() const;

    IagaFileHeader iagaHeader() const;
    // "+02:00"
    static std::string offsetText(std::int64_t offsetMs);

private:
    std::vector<std::size_t> csvChannels() const;
    void keepWritableYears();

    Record record_;
    std::optional<Record> means_;
    std::string elements_;
    bool fromDataFiles_;
    ExportSettings settings_;
    std::size_t first_ = 0, last_ = 0;
    std::size_t outsideYears_ = 0;
    std::int64_t typicalMs_ = 0;
    std::array<std::size_t, 4> iagaChannels_{0, 1, 2, 3};
};

// TextExport::nothingToWrite() for a record drawn rather than written (a
// picture): `record` in the instrument's clock, `settings` as for TextExport.
std::string noSamplesSelected(const Record& record, const ExportSettings& settings);

// Writes `part` of `ex` into the file at `path`, created or replaced whole
// (see ReplacingFile): a failed write leaves no part of it under that name.
IoStatus writeExportFile(const TextExport& ex, const ExportPart& part, const std::string& path);

}  // namespace kordel
