#pragma once
// Standard input as an export's input ("-"). The readers work on files (the
// loader reads several at once, sizes them first to estimate memory, and reads
// them again by blocks), so standard input is first copied into a private
// folder of its own in the temporary directory, and read from there like any
// other file. The copy and its folder go when the object does.

#include <string>

#include "app/iostatus.h"

namespace kordel {

class StandardInputCopy {
public:
    // The name a user gives for standard input, and the name messages show.
    static constexpr const char* kArgument = "-";
    static constexpr const char* kShownName = "standard input";

    StandardInputCopy() = default;
    ~StandardInputCopy();
    StandardInputCopy(const StandardInputCopy&) = delete;
    StandardInputCopy& operator=(const StandardInputCopy&) = delete;

    // Reads the descriptor `fd` to its end into the copy.
    IoStatus copyFrom(int fd);
    // The copy's path (empty before copyFrom succeeded).
    const std::string& path() const { return path_; }
    // `text` with every mention of the copy's path replaced by kShownName.
    std::string shown(std::string text) const;

private:
    std::string folder_;
    std::string path_;
};

}  // namespace kordel
