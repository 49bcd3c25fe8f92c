#include "app/textfile.h"

#include "app/fd.h"
#include "files/safepath.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kordel {

namespace {

IoStatus openWriteClose(const std::string& path, int flags, std::string_view bytes) {
    // Only a regular file: a FIFO named like the day's file must not hold the recording in open().
    int opened = -1;
    if (IoStatus status = openRegularForWriting(path, flags, opened); !status) {
        return status;
    }
    Fd fd(opened);
    struct stat before {};
    const bool sized = ::fstat(fd.get(), &before) == 0;
    IoStatus status = writeAll(fd.get(), bytes, path);
    if (!status && sized) {
        // A full disk takes part of a line and then fails: that fragment
        // would glue itself to the next line written, so it goes again.
        truncateTo(fd.get(), static_cast<std::uint64_t>(before.st_size));
    }
    if (IoStatus closed = fd.close(path); status.ok()) {
        status = closed;
    }
    return status;
}

}  // namespace

IoStatus writeAll(int fd, std::string_view bytes, const std::string& path) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return IoStatus::fromErrno("Cannot write " + path, errno);
        }
        if (n == 0) {
            return IoStatus::fromErrno("Cannot write " + path, ENOSPC);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return {};
}

void truncateTo(int fd, std::uint64_t size) {
    int rc = 0;
    do {
        rc = ::ftruncate(fd, static_cast<off_t>(size));
    } while (rc != 0 && errno == EINTR);
    // A failure here (a device rather than a file) leaves nothing to take back.
}

IoStatus appendToFile(const std::string& path, std::string_view bytes) {
    return openWriteClose(path, O_APPEND, bytes);
}

IoStatus truncateFile(const std::string& path) { return openWriteClose(path, O_TRUNC, {}); }

std::optional<std::uint64_t> fileSize(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(st.st_size);
}

}  // namespace kordel

namespace kordel {

IoStatus syncFile(const std::string& path) {
    // Read-only is enough to sync, and opens a folder as well as a file; a FIFO
    // put in the file's place must not block here either.
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd.valid()) {
        return errno == ENOENT ? IoStatus() : IoStatus::fromErrno("Cannot open " + path, errno);
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        return IoStatus::failure(notRegularFileMessage(path));
    }
    // The data and the size that finds it; other metadata (times) may wait.
    if (::fdatasync(fd.get()) != 0) {
        return IoStatus::fromErrno("Cannot write " + path + " to the disk", errno);
    }
    return fd.close(path);
}

}  // namespace kordel
