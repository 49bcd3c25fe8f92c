#include "processing/sidecarfile.h"

#include "files/replacingfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>

#include "app/fd.h"
#include "app/textfile.h"
#include "files/safepath.h"

namespace kordel {

namespace {

constexpr std::size_t kMaxName = 255;

std::uint64_t fnv1a(std::string_view s) {
    std::uint64_t h = 1469598103934665603ull;
    for (const unsigned char c : s) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

// True when a file can be created in `folder` (it exists, is a folder, and
// the system lets us write there: a read-only mount says EROFS even to root).
bool canWriteIn(const std::string& folder) {
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && ::access(folder.c_str(), W_OK) == 0;
}

}  // namespace

std::string folderKey(const std::string& absoluteFolder) {
    std::string key;
    for (const char c : absoluteFolder) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '/' || c == '%' || u < 0x20 || u == 0x7F) {
            static constexpr char hex[] = "0123456789ABCDEF";
            key += '%';
            key += hex[u >> 4];
            key += hex[u & 15];
        } else {
            key += c;
        }
    }
    if (key.size() > kMaxName) {
        char tail[24];
        std::snprintf(tail, sizeof tail, "~%016llx", static_cast<unsigned long long>(fnv1a(absoluteFolder)));
        key = key.substr(key.size() - (kMaxName - 17)) + tail;
    }
    return key;
}

SidecarPlace sidecarPlace(const std::string& dataFolder, std::string_view fileName, const std::string& userDataFolder) {
    const std::string folder = dataFolder.empty() ? std::string(".") : dataFolder;
    if (canWriteIn(folder)) return {folder + "/" + std::string(fileName), false};
    std::error_code ec;
    std::string absolute = std::filesystem::absolute(folder, ec).lexically_normal().string();
    if (absolute.size() > 1 && absolute.back() == '/') absolute.pop_back();
    return {userDataFolder + "/" + folderKey(absolute) + "/" + std::string(fileName), true};
}

IoStatus writeSidecar(const std::string& path, std::string_view bytes) {
    const std::filesystem::path target(path);
    std::error_code ec;
    std::filesystem::create_directories(target.has_parent_path() ? target.parent_path() : ".", ec);
    return replaceFile(path, bytes);
}

IoStatus readSidecar(const std::string& path, std::string& bytes, bool& missing) {
    bytes.clear();
    struct stat st {};
    missing = ::lstat(path.c_str(), &st) != 0 && errno == ENOENT;
    if (missing) return {};
    int raw = -1;
    if (IoStatus s = openRegularForReading(path, raw); !s) return s;
    Fd fd(raw);
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return IoStatus::fromErrno("Cannot read " + path, errno);
        if (n == 0) break;
        if (bytes.size() + static_cast<std::size_t>(n) > kMaxSidecarBytes) {
            return IoStatus::failure("Cannot read " + path + ": larger than " +
                                     std::to_string(kMaxSidecarBytes / (1024 * 1024)) + " MB");
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return {};
}

}  // namespace kordel
