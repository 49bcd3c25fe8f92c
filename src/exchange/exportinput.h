#pragma once
// The inputs of an export read into one record: data files (*.pc, *.fl) merged
// as the viewer merges them, or IAGA-2002 files of the same four elements.
// Folders stand for the data files and IAGA-2002 files in them. Mixing the two
// kinds, or IAGA-2002 files of different elements, is the caller's mistake
// (a usage error); an input that cannot be read is a failure, and the others
// are still read.

#include <string>
#include <vector>

#include "exchange/iaga2002.h"
#include "record/record.h"

namespace kordel {

struct ExportInput {
    enum class Status { Read, Failed, Usage };
    Status status = Status::Read;
    Record record;
    std::string elements;               // empty for data files, else the IAGA-2002 letters
    IagaStation station;                // of the first IAGA-2002 file
    std::vector<std::string> messages;  // for standard error, one line each
};

// An input "-" is standard input (any kind of stream); it may be given once.
ExportInput readExportInputs(const std::vector<std::string>& inputs);
// The same for files and folders only.
ExportInput readExportFiles(const std::vector<std::string>& inputs);

}  // namespace kordel
