#pragma once
// An output that appears whole or not at all. The bytes go to a new file under
// a temporary name in the target's own folder (so the rename cannot cross file
// systems); commit() puts them on the disk, renames the file over the target
// and syncs the folder. Until then the target keeps its old contents, and a
// failed or abandoned output removes its temporary file: an export that fails
// mid-day leaves no day file cut short under its final name.
//
// A target that is not a regular file (a pipe, a terminal, /dev/null,
// /dev/stdout) is written directly, without a temporary name: renaming over it
// would replace the special file instead of feeding it. /dev/stdout,
// /dev/stderr and /dev/fd/N name the process's own descriptors, which are used
// as they stand (a shell's "2>>log" appends, its "| reader" is a pipe).
//
// Each append is one write (callers pass pieces of about a megabyte); a replaced
// file keeps the permission bits of the one it replaces.

#include <string>
#include <string_view>

#include "app/fd.h"
#include "app/iostatus.h"

namespace kordel {

class ReplacingFile {
public:
    ReplacingFile() = default;
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Starts the output to `path`: "Cannot create <path>: …" when its folder
    // does not take a new file, "Cannot open <path>: …" for a special file.
    IoStatus open(const std::string& path);
    IoStatus append(std::string_view bytes);
    // Completes the output; a failure leaves the target as it was before open().
    IoStatus commit();
    // Drops what was written (a regular target keeps its old contents).
    void abandon();

    // True when the target is written directly (it is not a regular file).
    bool streamed() const { return streamed_; }

private:
    Fd fd_;
    std::string path_;       // the target as the caller named it (for messages)
    std::string finalPath_;  // where the rename puts the file (a symbolic link's target)
    std::string temporary_;  // empty when streamed or when nothing is pending
    bool streamed_ = false;
};

// The descriptor that /dev/stdout, /dev/stderr, /dev/fd/N or /proc/self/fd/N
// stands for, or -1 for any other path.
int ownDescriptorOf(std::string_view path);

}  // namespace kordel
