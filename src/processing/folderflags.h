#pragma once
// The flags of one data folder as the program edits them by hand: the folder's
// "kordel-flags.txt" (beside the data, or in the user's data folder when the
// data folder cannot be written), read once when the folder is opened.
//
// Every change re-reads the file first, since another program (the
// command-line exporter flagging spikes, a second window) may have written it
// since; the change is made to what the file holds now, one edit line saying
// who changed what and when is added, and the whole file is written under a
// temporary name and renamed. What is kept in memory is what the file then
// holds; a change that cannot be read or written leaves memory as it was.
//
// Lines of the file that cannot be read are listed by problems(); like the
// exporter, a rewrite leaves them out. A file that cannot be read at all is
// never written over.

#include <cstdint>
#include <string>
#include <vector>

#include "app/iostatus.h"
#include "processing/flags.h"
#include "processing/sidecarfile.h"

namespace kordel {

class FolderFlags {
public:
    // The flags of `dataFolder` (no file yet: none). readStatus() says whether
    // the file could be read; the place is chosen here and kept.
    static FolderFlags open(const std::string& dataFolder, const std::string& userDataFolder);

    // Adds `flag`; the edit line reads "added remove 2007-05-15T10:00:00.000
    // 2007-05-15T10:00:05.000 Bx,By: car parked". `nowMs` is UT.
    IoStatus add(Flag flag, const std::string& who, std::int64_t nowMs);
    // Removes each of `flags` once, as equal in every field. One that is no
    // longer in the file is not an error: the edit line says how many were
    // ("removed spike … Bx" or "removed 0 of 1 flags (1 no longer in the file)").
    IoStatus remove(const std::vector<Flag>& flags, const std::string& who, std::int64_t nowMs);

    const FlagSet& set() const { return set_; }
    const SidecarPlace& place() const { return place_; }
    // The last read's lines not read ("line 12: …").
    const std::vector<std::string>& problems() const { return problems_; }
    // The outcome of reading the file when it was opened.
    const IoStatus& readStatus() const { return readStatus_; }

private:
    FolderFlags() = default;
    // Re-reads the file, lets `change` edit the set read and return the edit
    // line's text, writes the file; memory follows only when all went well.
    template <class Change>
    IoStatus update(const std::string& who, std::int64_t nowMs, Change change);

    SidecarPlace place_;
    FlagSet set_;
    std::vector<std::string> problems_;
    IoStatus readStatus_;
};

// A flag as the edit log names it: "remove 2007-05-15T10:00:00.000
// 2007-05-15T10:00:05.000 Bx,By: car parked" (no ": …" without a comment).
std::string flagSummary(const Flag& flag);

}  // namespace kordel
