#pragma once
// A file written through a fixed buffer: the converted data files receive
// millions of short lines, and one system call per line would cost more than
// the conversion itself. Every write, flush and close is checked; a short write
// is a failure. Memory stays the size of the buffer however much is written.

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

    int fd_ = -1;
    std::string path_;
    std::string buffer_;
    std::size_t used_ = 0;
};

}  // namespace kordel
