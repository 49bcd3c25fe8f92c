#pragma once
// Checks for names and paths that come from outside the program: a station
// code read from a file, a daily file name received over the network, a file
// a user points at. A name built from such bytes is only used when it is one
// plain file name (it cannot climb out of, or replace, the folder it is joined
// to), and only regular files are read or appended to (a FIFO would block in
// open(), /dev/zero would be read forever).

#include <optional>
#include <string>
#include <string_view>

#include "app/iostatus.h"

namespace kordel {

// True for one plain, printable file name: not empty, not "." or "..", at most
// 255 bytes, no '/', no NUL and no other control character (bytes < 0x20, 0x7F).
bool isPlainFileName(std::string_view name);

// `folder` + "/" + `name` when `name` is a plain file name, otherwise nothing.
// An empty folder means the current directory (the name alone is returned).
std::optional<std::string> pathInside(const std::string& folder, std::string_view name);

// "<path> is not a regular file" when the path names something other than a
// regular file (a folder, a FIFO, a device, a socket); success when it is a
// regular file or when nothing is there yet (to be created).
IoStatus checkRegularOrMissing(const std::string& path);

// Opens an existing regular file to read, never blocking in open() on a FIFO:
// the descriptor, or "<path> is not a regular file" / "Cannot open <path>: …".
// The descriptor is returned in blocking mode.
IoStatus openRegularForReading(const std::string& path, int& fdOut);

// Opens a regular file to write with `flags` (O_APPEND, O_TRUNC, …) added to
// O_WRONLY | O_CREAT, creating it when missing, never blocking in open() on a
// FIFO: the descriptor, or "<path> is not a regular file" / "Cannot open <path>: …".
IoStatus openRegularForWriting(const std::string& path, int flags, int& fdOut);

// The whole of a regular file, opened as openRegularForReading does; `text`
// is left empty on failure ("Cannot read <path>: …" for a failed read).
IoStatus readRegularFile(const std::string& path, std::string& text);

// The text every refusal of a non-regular file uses.
std::string notRegularFileMessage(const std::string& path);

}  // namespace kordel
