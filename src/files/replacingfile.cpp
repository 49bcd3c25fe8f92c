#include "files/replacingfile.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/textfile.h"

namespace kordel {

namespace {

// Long names leave room for the temporary name's dot and suffix (the file
// system's limit is 255 bytes a name).
constexpr std::size_t kKeptNameLength = 200;

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A name no other writer uses: pid, time and a counter, and O_EXCL when it is
// created, so two exports into one folder never share a temporary file.
std::string temporaryName(const std::string& finalPath, unsigned attempt) {
    static std::atomic<unsigned> counter{0};
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const unsigned long long mix = (static_cast<unsigned long long>(::getpid()) << 40) ^
                                   static_cast<unsigned long long>(now.tv_nsec) ^
                                   (static_cast<unsigned long long>(counter++) << 20) ^ attempt;
    char hex[20] = {};
    const auto end = std::to_chars(hex, hex + sizeof hex, mix, 16).ptr;
    const std::size_t slash = finalPath.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : finalPath.substr(0, slash + 1);
    const std::string name = finalPath.substr(slash == std::string::npos ? 0 : slash + 1).substr(0, kKeptNameLength);
    return folder + "." + name + "." + std::string(hex, end) + ".part";
}

}  // namespace

int ownDescriptorOf(std::string_view path) {
    if (path == "/dev/stdout") return STDOUT_FILENO;
    if (path == "/dev/stderr") return STDERR_FILENO;
    for (std::string_view prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        if (!path.starts_with(prefix)) continue;
        const std::string_view digits = path.substr(prefix.size());
        int fd = -1;
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), fd);
        if (ec == std::errc() && end == digits.data() + digits.size() && !digits.empty()) return fd;
    }
    return -1;
}

ReplacingFile::~ReplacingFile() { abandon(); }

IoStatus ReplacingFile::open(const std::string& path) {
    abandon();
    path_ = path;
    streamed_ = false;
    if (const int own = ownDescriptorOf(path); own >= 0) {
        fd_ = Fd(::fcntl(own, F_DUPFD_CLOEXEC, 3));
        streamed_ = true;
        return fd_.valid() ? IoStatus() : IoStatus::fromErrno("Cannot open " + path, errno);
    }
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        // A pipe's writer waits here for its reader, as the shell's would.
        fd_ = Fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
        streamed_ = true;
        return fd_.valid() ? IoStatus() : IoStatus::fromErrno("Cannot open " + path, errno);
    }
    finalPath_ = path;
    struct stat link {};
    if (exists && ::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        // A link to the output stays a link: the file it names is replaced.
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            finalPath_ = resolved;
            std::free(resolved);
        }
    }
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::string temporary = temporaryName(finalPath_, attempt);
        Fd fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666));
        if (!fd.valid()) {
            if (errno == EEXIST) continue;
            return IoStatus::fromErrno("Cannot create " + path, errno);
        }
        temporary_ = temporary;
        fd_ = std::move(fd);
        if (exists) (void)::fchmod(fd_.get(), st.st_mode & 07777);
        return {};
    }
    return IoStatus::failure("Cannot create " + path + ": no free temporary name in its folder");
}

IoStatus ReplacingFile::append(std::string_view bytes) {
    if (!fd_.valid()) return IoStatus::failure("Cannot write " + path_ + ": file not open");
    return writeAll(fd_.get(), bytes, path_);
}

IoStatus ReplacingFile::commit() {
    if (!fd_.valid()) return IoStatus::failure("Cannot write " + path_ + ": file not open");
    if (streamed_) return fd_.close(path_);
    IoStatus status;
    if (::fsync(fd_.get()) != 0) status = IoStatus::fromErrno("Cannot write " + path_ + " to the disk", errno);
    if (IoStatus closed = fd_.close(path_); status.ok()) status = closed;
    if (status.ok() && ::rename(temporary_.c_str(), finalPath_.c_str()) != 0) {
        status = IoStatus::fromErrno("Cannot replace " + path_, errno);
    }
    if (!status.ok()) {
        abandon();
        return status;
    }
    temporary_.clear();
    // The new name is kept on the disk once its folder is.
    return syncFile(folderOf(finalPath_));
}

void ReplacingFile::abandon() {
    fd_.reset();
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

}  // namespace kordel
