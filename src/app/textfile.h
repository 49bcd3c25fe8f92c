#pragma once
// Whole writes to files that are opened and closed for every event (log entries,
// recorded lines): nothing stays open between events, so the bytes are with the
// operating system when the call returns and a file the user deleted is created
// again rather than written into while unlinked.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/iostatus.h"

namespace kordel {

// Appends `bytes` to the file at `path`, creating it when missing. Every byte is
// written or the call fails; a short write, a failing flush or close is a failure,
// and a failed write is taken back: the file keeps its size from before the call.
IoStatus appendToFile(const std::string& path, std::string_view bytes);

// Writes every byte to the open file `fd` (retrying short writes and
// interruptions); `path` names the file in the error text.
IoStatus writeAll(int fd, std::string_view bytes, const std::string& path);

// Cuts the open file `fd` back to `size` bytes (taking back a failed write).
void truncateTo(int fd, std::uint64_t size);

// Creates the file empty, truncating an existing one.
IoStatus truncateFile(const std::string& path);

// The size of a regular file, or nothing when there is none at `path`.
std::optional<std::uint64_t> fileSize(const std::string& path);

}  // namespace kordel

namespace kordel {

// Asks the operating system to put the file's bytes on the disk (fdatasync), so
// a power cut loses nothing that was written before; `path` may also name a
// folder, whose new entries are then kept. A missing file is no error.
IoStatus syncFile(const std::string& path);

}  // namespace kordel
