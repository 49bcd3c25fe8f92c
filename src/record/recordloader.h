#pragma once
// Loads data files (*.pc, *.fl) into one record: several files may be parsed
// at once, one per thread, and are merged in the order of their first samples
// (so the usual run of daily files is only appended). A file that overlaps
// those before it is merged into the record in place, costing the samples it
// overlaps and no second copy; the record's finish() then drops exact repeats.
// Each file's runs of lines sharing a stamp are spread over their second
// before the files meet (see record.h), so the same lines of two overlapping
// files fall on the same times and appear once.
//
// load() may run on a worker thread (a QThread, a std::jthread): it reports
// progress through onProgress on that thread, and stops when the stop token
// is asked to stop (from any thread) or cancelled() says so. A stopped load
// returns Status::Cancelled and an empty record: nothing half loaded.
//
// Error lines do not stop a load: they are counted and the first few kept for
// the caller to report. A file that cannot be read is reported and the others
// still load. A record whose estimated size exceeds the memory available is
// refused before anything is read; one that runs out of memory all the same
// is refused when that happens ("Not enough memory for …"), never aborted.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

#include "record/record.h"

namespace kordel {

struct ErrorLine {
    std::string file;
    long lineNumber = 0;  // from 1 for the file's first line
    std::string text;     // as read, cut at kMaxShownLength
};

struct RecordLoadOptions {
    unsigned threads = 2;
    std::uint64_t memoryLimitBytes = 0;  // 0: what the system has available
    // Adds the total field F (record/totalfield.h) once loaded, within the
    // estimate and the load's own report of a lack of memory.
    bool totalField = false;
    std::size_t keptErrorLines = 100;
    // Bytes read from a file at a time; lines continue across blocks, so only
    // the speed depends on it (at least kMaxLineLength + 3, the longest line
    // with its CR LF and a byte more). Small blocks move the boundaries onto
    // every place of a line.
    std::size_t readBlockBytes = std::size_t{1} << 20;
    // Both are called on the thread that called load(), about every 50 ms and
    // after each file: the whole percentage of the text read (only when it
    // changes), and whether the user asked to stop.
    std::function<void(int percent)> onProgress;
    std::function<bool()> cancelled;
    // Asked from any thread (the window's Cancel): the parsers stop within a
    // block of 1 MB, and the load returns Status::Cancelled.
    std::stop_token stop;
};

struct RecordLoadResult {
    enum class Status { Loaded, Refused, Cancelled };
    Status status = Status::Loaded;
    std::string message;                // why the record was refused
    Record record{Record::dataFileChannels()};  // finished; empty unless Loaded
    std::vector<std::string> failures;  // files that could not be read, with the reason
    std::size_t errorLineCount = 0;
    std::vector<ErrorLine> errorLines;  // the first keptErrorLines of them
    std::size_t repeatsDropped = 0;
    std::vector<std::string> files;     // the files read, earliest first (for the title)
};

class RecordLoader {
public:
    static constexpr std::size_t kMaxLineLength = 4096;
    static constexpr std::size_t kMaxShownLength = 200;

    explicit RecordLoader(RecordLoadOptions options = {}) : options_(options) {}

    // Files as given; folders are expanded with dataFilesIn().
    RecordLoadResult load(const std::vector<std::string>& paths) const;

    // The *.pc and *.fl files of a folder (any case of the extension), by name.
    static std::vector<std::string> dataFilesIn(const std::string& folder);
    // The paths with every folder replaced by its data files.
    static std::vector<std::string> expand(const std::vector<std::string>& paths);

private:
    RecordLoadOptions options_;
};

}  // namespace kordel
