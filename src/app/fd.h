#pragma once
// A file descriptor that closes itself on every way out. Where the close can
// tell of a failed write (a file written to), `close` is called on the normal
// way and its result checked; the destructor closes what an earlier failure
// left open.

#include <cerrno>
#include <string>
#include <unistd.h>
#include <utility>

#include "app/iostatus.h"

namespace kordel {

class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

    // Closes the descriptor; "Cannot close <path>: …" when the system says so.
    IoStatus close(const std::string& path) {
        if (fd_ < 0) {
            return {};
        }
        const int result = ::close(std::exchange(fd_, -1));
        return result == 0 ? IoStatus() : IoStatus::fromErrno("Cannot close " + path, errno);
    }
    // Closes without a report (a file only read, or one whose failure was reported).
    void reset() {
        if (fd_ >= 0) {
            ::close(std::exchange(fd_, -1));
        }
    }

private:
    int fd_ = -1;
};

}  // namespace kordel
