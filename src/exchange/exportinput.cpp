#include "exchange/exportinput.h"

#include <algorithm>
#include <filesystem>
#include <new>
#include <unistd.h>

#include "exchange/iagareader.h"
#include "exchange/standardinput.h"
#include "files/safepath.h"
#include "record/recordloader.h"

namespace kordel {

namespace {

constexpr std::size_t kShownErrorLines = 10;

// Every file an input stands for: a folder's data and IAGA-2002 files by name.
std::vector<std::string> filesOf(const std::vector<std::string>& inputs) {
    std::vector<std::string> files;
    for (const auto& in : inputs) {
        std::error_code ec;
        if (!std::filesystem::is_directory(in, ec)) {
            files.push_back(in);
            continue;
        }
        std::vector<std::string> inside = RecordLoader::dataFilesIn(in);
        for (const auto& entry : std::filesystem::directory_iterator(in, ec)) {
            const std::string p = entry.path().string();
            if (entry.is_regular_file(ec) && std::find(inside.begin(), inside.end(), p) == inside.end() &&
                isIaga2002File(p)) {
                inside.push_back(p);
            }
        }
        std::sort(inside.begin(), inside.end());
        files.insert(files.end(), inside.begin(), inside.end());
    }
    return files;
}

void reportErrorLines(ExportInput& out, std::size_t count, const std::vector<ErrorLine>& lines) {
    for (std::size_t i = 0; i < lines.size() && i < kShownErrorLines; ++i) {
        out.messages.push_back(lines[i].file + ":" + std::to_string(lines[i].lineNumber) + ": error line skipped: " +
                               lines[i].text);
    }
    if (count > 0) out.messages.push_back(std::to_string(count) + " error line(s) skipped");
}

void readIagaFiles(const std::vector<std::string>& files, ExportInput& out) {
    std::vector<std::string> kept;
    std::size_t errorCount = 0;
    std::vector<ErrorLine> errors;
    bool first = true;
    for (const auto& f : files) {
        IagaReadResult r = readIaga2002(f);
        if (!r.ok) {
            out.messages.push_back(r.error);
            out.status = ExportInput::Status::Failed;
            continue;
        }
        if (first) {
            out.elements = r.elements;
            out.station = r.station;
            out.record = Record([&] {
                std::vector<ChannelInfo> c;
                for (std::size_t k = 0; k < r.record.channelCount(); ++k) c.push_back(r.record.channel(k));
                return c;
            }());
            first = false;
        } else if (r.elements != out.elements) {
            out.messages.push_back(f + " reports " + r.elements + ", the other IAGA-2002 inputs " + out.elements +
                                   ": only files of the same elements merge");
            out.status = ExportInput::Status::Usage;
            return;
        }
        errorCount += r.errorLineCount;
        errors.insert(errors.end(), r.errorLines.begin(), r.errorLines.end());
        out.record.appendAll(r.record);
    }
    out.record.finish();
    reportErrorLines(out, errorCount, errors);
}

}  // namespace

ExportInput readExportInputs(const std::vector<std::string>& inputs) {
    // "-" is standard input, read through a copy; its name in messages is the
    // stream's, never the copy's.
    StandardInputCopy stdinCopy;
    std::vector<std::string> given = inputs;
    if (std::count(given.begin(), given.end(), StandardInputCopy::kArgument) > 1) {
        return {ExportInput::Status::Usage, {}, {}, {}, {"standard input (-) can be read only once"}};
    }
    if (const auto dash = std::find(given.begin(), given.end(), StandardInputCopy::kArgument); dash != given.end()) {
        if (IoStatus s = stdinCopy.copyFrom(STDIN_FILENO); !s) {
            return {ExportInput::Status::Failed, {}, {}, {}, {s.message()}};
        }
        *dash = stdinCopy.path();
    }
    ExportInput out = readExportFiles(given);
    for (auto& m : out.messages) m = stdinCopy.shown(std::move(m));
    return out;
}

namespace {

ExportInput readFiles(const std::vector<std::string>& inputs) {
    ExportInput out;
    std::vector<std::string> dataFiles, iagaFiles;
    for (const auto& f : filesOf(inputs)) {
        std::error_code ec;
        const auto type = std::filesystem::status(f, ec).type();
        if (type != std::filesystem::file_type::regular) {
            out.messages.push_back(type == std::filesystem::file_type::not_found ? "Cannot read " + f + ": no such file"
                                                                                 : notRegularFileMessage(f));
            out.status = ExportInput::Status::Failed;
        } else if (isIaga2002File(f)) {
            iagaFiles.push_back(f);
        } else {
            dataFiles.push_back(f);
        }
    }
    if (!dataFiles.empty() && !iagaFiles.empty()) {
        out.messages.push_back("IAGA-2002 files (" + iagaFiles.front() + ") and data files (" + dataFiles.front() +
                               ") do not mix in one export");
        out.status = ExportInput::Status::Usage;
        return out;
    }
    if (!iagaFiles.empty()) {
        readIagaFiles(iagaFiles, out);
        return out;
    }
    RecordLoadResult r = RecordLoader().load(dataFiles);
    if (r.status == RecordLoadResult::Status::Refused) {
        out.messages.push_back(r.message);
        out.status = ExportInput::Status::Failed;
        return out;
    }
    for (const auto& failure : r.failures) out.messages.push_back(failure);
    if (!r.failures.empty()) out.status = ExportInput::Status::Failed;
    reportErrorLines(out, r.errorLineCount, r.errorLines);
    out.record = std::move(r.record);
    return out;
}

}  // namespace

ExportInput readExportFiles(const std::vector<std::string>& inputs) {
    try {
        return readFiles(inputs);
    } catch (const std::bad_alloc&) {
        // What the loader's estimate cannot foresee (an IAGA-2002 file read
        // whole, short lines): the inputs are given up, the program goes on.
        ExportInput out;
        out.status = ExportInput::Status::Failed;
        out.messages.push_back("Not enough memory for the record of " + std::to_string(inputs.size()) + " input(s).");
        return out;
    }
}

}  // namespace kordel
