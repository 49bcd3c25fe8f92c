#include "files/safepath.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/fd.h"

namespace kordel {

bool isPlainFileName(std::string_view name) {
    if (name.empty() || name.size() > 255 || name == "." || name == "..") {
        return false;
    }
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || byte < 0x20 || byte == 0x7F) {
            return false;
        }
    }
    return true;
}

std::optional<std::string> pathInside(const std::string& folder, std::string_view name) {
    if (!isPlainFileName(name)) {
        return std::nullopt;
    }
    if (folder.empty()) {
        return std::string(name);
    }
    std::string path = folder;
    if (path.back() != '/') {
        path += '/';
    }
    path += name;
    return path;
}

std::string notRegularFileMessage(const std::string& path) { return path + " is not a regular file"; }

IoStatus checkRegularOrMissing(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return errno == ENOENT ? IoStatus() : IoStatus::fromErrno("Cannot open " + path, errno);
    }
    return S_ISREG(st.st_mode) ? IoStatus() : IoStatus::failure(notRegularFileMessage(path));
}

namespace {

// O_NONBLOCK keeps open() from waiting for the other end of a FIFO; the type is
// checked on the descriptor itself, so a file swapped in between is seen.
IoStatus openRegular(const std::string& path, int flags, int& fdOut) {
    fdOut = -1;
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0644);
    if (fd < 0) {
        const int err = errno;
        // A FIFO without a reader refuses a writer (ENXIO): say what it is.
        if (err == ENXIO || err == EISDIR) {
            if (IoStatus regular = checkRegularOrMissing(path); !regular) return regular;
        }
        return IoStatus::fromErrno("Cannot open " + path, err);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return IoStatus::fromErrno("Cannot open " + path, err);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return IoStatus::failure(notRegularFileMessage(path));
    }
    const int status = ::fcntl(fd, F_GETFL);
    if (status >= 0) {
        (void)::fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
    }
    fdOut = fd;
    return {};
}

}  // namespace

IoStatus openRegularForReading(const std::string& path, int& fdOut) { return openRegular(path, O_RDONLY, fdOut); }

IoStatus openRegularForWriting(const std::string& path, int flags, int& fdOut) {
    return openRegular(path, flags | O_WRONLY | O_CREAT, fdOut);
}

IoStatus readRegularFile(const std::string& path, std::string& text) {
    text.clear();
    int opened = -1;
    if (IoStatus status = openRegularForReading(path, opened); !status) {
        return status;
    }
    Fd fd(opened);
    struct stat st {};
    if (::fstat(fd.get(), &st) == 0 && st.st_size > 0) {
        text.reserve(static_cast<std::size_t>(st.st_size));
    }
    char block[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd.get(), block, sizeof block);
        if (n == 0) {
            return {};
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int err = errno;
            text.clear();
            return IoStatus::fromErrno("Cannot read " + path, err);
        }
        text.append(block, static_cast<std::size_t>(n));
    }
}

}  // namespace kordel
