#include "exchange/standardinput.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include "app/fd.h"
#include "app/textfile.h"

namespace kordel {

StandardInputCopy::~StandardInputCopy() {
    if (!path_.empty()) ::unlink(path_.c_str());
    if (!folder_.empty()) ::rmdir(folder_.c_str());
}

IoStatus StandardInputCopy::copyFrom(int fd) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/kordel-stdin-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        return IoStatus::fromErrno("Cannot copy standard input into " + pattern, errno);
    }
    folder_ = pattern;
    const std::string path = folder_ + "/input";
    Fd out(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!out.valid()) return IoStatus::fromErrno("Cannot create " + path, errno);
    path_ = path;
    std::vector<char> buffer(std::size_t{1} << 20);
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            return IoStatus::fromErrno(std::string("Cannot read ") + kShownName, errno);
        }
        if (IoStatus s = writeAll(out.get(), std::string_view(buffer.data(), static_cast<std::size_t>(n)), path); !s) {
            return s;
        }
    }
    return out.close(path);
}

std::string StandardInputCopy::shown(std::string text) const {
    if (path_.empty()) return text;
    for (std::size_t at = text.find(path_); at != std::string::npos; at = text.find(path_, at + 1)) {
        text.replace(at, path_.size(), kShownName);
    }
    return text;
}

}  // namespace kordel
