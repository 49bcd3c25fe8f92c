#pragma once
// A file written through a fixed buffer: the converted data files receive
// millions of short lines, and one system call per line would cost more than
// the conversion itself. Every write, flush and close is checked; a short write
// is a failure, and the part of it that reached the file is taken back, so the
// file ends with the last whole write (never a fragment of a line). Memory
// stays the size of the buffer however much is written.

#include <cstdint>
#include <string>
#include <string_view>

#include "app/iostatus.h"

namespace kordel {

class OutputFile {
public:
    static constexpr std::size_t kBufferSize = 1024 * 1024;

    OutputFile();
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the file empty (replacing one there). An open file is closed first.
    IoStatus create(const std::string& path);
    // Opens the file to write on at its end, creating it when missing.
    IoStatus openToAppend(const std::string& path);

    IoStatus append(std::string_view bytes) {
        if (used_ + bytes.size() > buffer_.size()) {
            return appendSlow(bytes);
        }
        bytes.copy(buffer_.data() + used_, bytes.size());
        used_ += bytes.size();
        return {};
    }

    // Room for `n` more bytes at the end of the buffer, flushing first when
    // needed (n at most kBufferSize); `commit` then counts the bytes put there.
    char* reserve(std::size_t n, IoStatus& status);
    // The same without the flush: nullptr when the buffer lacks the room.
    char* room(std::size_t n) { return used_ + n <= buffer_.size() ? buffer_.data() + used_ : nullptr; }
    void commit(std::size_t n) { used_ += n; }

    IoStatus flush();
    // Writes what is buffered and closes the file.
    IoStatus close();

    bool isOpen() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }

private:
    IoStatus appendSlow(std::string_view bytes);
    IoStatus open(const std::string& path, bool truncate);
    IoStatus writeOut(std::string_view bytes);

    int fd_ = -1;
    std::uint64_t size_ = 0;  // the file's size after the last whole write
    std::string path_;
    std::string buffer_;
    std::size_t used_ = 0;
};

}  // namespace kordel
