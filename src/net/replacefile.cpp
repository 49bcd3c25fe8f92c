#include "net/replacefile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "app/fd.h"

namespace kordel {

namespace {

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

IoStatus writeAll(int fd, std::string_view bytes, const std::string& path) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return IoStatus::fromErrno("Cannot write " + path, n < 0 ? errno : ENOSPC);
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return {};
}

}  // namespace

IoStatus replaceFile(const std::string& path, std::string_view bytes) {
    const std::string temp = path + ".tmp";
    Fd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644));
    if (!fd.valid()) {
        return IoStatus::fromErrno("Cannot write " + temp, errno);
    }
    IoStatus status = writeAll(fd.get(), bytes, temp);
    if (status && ::fsync(fd.get()) != 0) {
        status = IoStatus::fromErrno("Cannot write " + temp, errno);
    }
    if (status) {
        status = fd.close(temp);
    }
    if (status && ::rename(temp.c_str(), path.c_str()) != 0) {
        status = IoStatus::fromErrno("Cannot rename " + temp + " to " + path, errno);
    }
    if (!status) {
        fd.reset();
        ::unlink(temp.c_str());
        return status;
    }
    // The rename itself reaches the disk with the folder.
    Fd folder(::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid()) {
        (void)::fsync(folder.get());
    }
    return {};
}

}  // namespace kordel
