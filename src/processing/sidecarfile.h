#pragma once
// The small text files this program keeps beside a folder of data files (the
// flags, the temperature correction): where they live and how they are
// written. The recording itself is never touched.
//
// Place: in the data folder when it can be written; otherwise in the user's
// data folder, under a folder whose name is the data folder's absolute path
// made into one plain file name (so two data folders never share one file,
// and no byte of the path can climb out of the user's folder).
//
// Writing: the whole text goes to a temporary file in the same folder, is
// synced, and then renamed over the old file: a reader sees the old text or
// the new one, never a part. Reading: only a regular file, at most
// kMaxSidecarBytes.

#include <cstddef>
#include <string>
#include <string_view>

#include "app/iostatus.h"

namespace kordel {

inline constexpr std::size_t kMaxSidecarBytes = 64u * 1024 * 1024;

struct SidecarPlace {
    std::string path;       // the file to read and write
    bool fallback = false;  // true: in the user's data folder, the data folder being read-only
};

// Where `fileName` of `dataFolder` lives. `userDataFolder` is where the
// program keeps its own files (created on the first write).
SidecarPlace sidecarPlace(const std::string& dataFolder, std::string_view fileName, const std::string& userDataFolder);

// The data folder's absolute path as one plain file name: "/" as "%2F", "%"
// as "%25"; a path too long for a name keeps its end and a hash of the whole.
std::string folderKey(const std::string& absoluteFolder);

// Replaces (or creates) the file at `path` with `bytes`, through a temporary
// file beside it, synced and renamed; the folder is created when missing.
IoStatus writeSidecar(const std::string& path, std::string_view bytes);

// The whole file; `missing` set (and success) when nothing is there.
IoStatus readSidecar(const std::string& path, std::string& bytes, bool& missing);

// The lines of a sidecar file's text that carry content, one at a time: CR LF
// or LF ended (the last one may lack it), blank lines and '#' comments passed
// over; number() is the current line's number in the file, for messages.
class ContentLines {
public:
    explicit ContentLines(std::string_view text) : text_(text) {}
    bool next(std::string_view& line) {
        while (!text_.empty()) {
            ++number_;
            const std::size_t nl = text_.find('\n');
            line = text_.substr(0, nl);
            text_.remove_prefix(nl == std::string_view::npos ? text_.size() : nl + 1);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            if (!line.empty() && line.front() != '#') return true;
        }
        return false;
    }
    std::size_t number() const { return number_; }

private:
    std::string_view text_;
    std::size_t number_ = 0;
};

}  // namespace kordel
