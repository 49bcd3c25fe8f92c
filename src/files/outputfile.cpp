#include "files/outputfile.h"

#include "app/textfile.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace kordel {

OutputFile::OutputFile() : buffer_(kBufferSize, '\0') {}

OutputFile::~OutputFile() {
    // A file still open here belongs to a conversion that already failed and
    // reported why; what is buffered is still put on disk.
    (void)close();
}

IoStatus OutputFile::create(const std::string& path) { return open(path, true); }

IoStatus OutputFile::openToAppend(const std::string& path) { return open(path, false); }

IoStatus OutputFile::open(const std::string& path, bool truncate) {
    if (IoStatus s = close(); !s) {
        return s;
    }
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (truncate ? O_TRUNC : 0), 0644);
    if (fd_ < 0) {
        return IoStatus::fromErrno((truncate ? "Cannot create " : "Cannot open ") + path, errno);
    }
    path_ = path;
    const off_t end = ::lseek(fd_, 0, SEEK_END);
    if (end < 0) {
        const int err = errno;
        ::close(fd_);
        fd_ = -1;
        return IoStatus::fromErrno("Cannot open " + path, err);
    }
    size_ = static_cast<std::uint64_t>(end);
    return {};
}

IoStatus OutputFile::writeOut(std::string_view bytes) {
    IoStatus status = writeAll(fd_, bytes, path_);
    if (status) {
        size_ += bytes.size();
    } else {
        // A full disk may have taken part of the bytes: the file goes back to
        // where the last whole write left it.
        truncateTo(fd_, size_);
    }
    return status;
}

IoStatus OutputFile::appendSlow(std::string_view bytes) {
    if (IoStatus s = flush(); !s) {
        return s;
    }
    if (bytes.size() >= buffer_.size()) {
        return writeOut(bytes);
    }
    bytes.copy(buffer_.data(), bytes.size());
    used_ = bytes.size();
    return {};
}

char* OutputFile::reserve(std::size_t n, IoStatus& status) {
    if (used_ + n > buffer_.size()) {
        status = flush();
        if (!status) {
            return nullptr;
        }
    }
    return buffer_.data() + used_;
}

IoStatus OutputFile::flush() {
    if (used_ == 0) {
        return {};
    }
    const std::size_t n = used_;
    used_ = 0;
    if (fd_ < 0) {
        return IoStatus::failure("Cannot write " + path_ + ": file not open");
    }
    return writeOut(std::string_view(buffer_.data(), n));
}

IoStatus OutputFile::close() {
    if (fd_ < 0) {
        used_ = 0;
        return {};
    }
    IoStatus status = flush();
    if (::close(fd_) != 0 && status.ok()) {
        status = IoStatus::fromErrno("Cannot close " + path_, errno);
    }
    fd_ = -1;
    return status;
}

}  // namespace kordel
