#pragma once
// A full disk at a byte chosen by the test: for the life of the object no file
// may grow past `bytes` (RLIMIT_FSIZE, with SIGXFSZ ignored). A write that
// crosses the limit takes what fits and reports how much, the next one fails,
// just as on a disk that fills up; unlike a permission, root is bound by it.

#include <csignal>
#include <sys/resource.h>

namespace kordel::test {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        ok_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool ok() const { return ok_; }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
    bool ok_ = false;
};

}  // namespace kordel::test
