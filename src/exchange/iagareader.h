#pragma once
// Reads IAGA-2002 files into a record of four channels named by the file's
// element letters (H, D, Z, F for an HDZF file), two decimals each; D and I in
// minutes of arc. A file is recognised by its first record (" Format", then
// "IAGA-2002"), whatever its name. Values of 88888 or more (88888.00 "not
// observed", 99999.00 missing) are missing samples. Data records are read by
// their fields, so records padded differently still read; a record that does
// not read is an error line, counted and skipped.

#include <string>
#include <string_view>
#include <vector>

#include "exchange/iaga2002.h"
#include "record/record.h"
#include "record/recordloader.h"

namespace kordel {

bool looksLikeIaga2002(std::string_view firstRecord);
// Reads the first record of the file at `path`.
bool isIaga2002File(const std::string& path);

struct IagaReadResult {
    bool ok = false;
    std::string error;         // why the file could not be read
    IagaStation station;
    std::string elements;      // four letters, "XYZF", "HDZF", …
    Record record;             // finished
    std::size_t errorLineCount = 0;
    std::vector<ErrorLine> errorLines;  // the first 100
};

IagaReadResult readIaga2002(const std::string& path);
// The same from text in memory; `name` is used in error lines.
IagaReadResult parseIaga2002(std::string_view text, const std::string& name);

}  // namespace kordel
