#include "record/memorybudget.h"

#include <sys/resource.h>

#include <algorithm>
#include <charconv>

#include "files/safepath.h"
#include "record/record.h"

namespace kordel {

namespace {

// A data line is 61 characters and CR LF; a little less keeps the estimate high.
constexpr std::uint64_t kBytesPerLine = 58;
// What a thread's stack reserves of the address space (the usual RLIMIT_STACK).
constexpr std::uint64_t kThreadStackBytes = std::uint64_t{8} << 20;
constexpr std::uint64_t kReadBlockBytes = std::uint64_t{1} << 20;

std::optional<std::uint64_t> unsignedNumber(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.remove_suffix(1);
    std::uint64_t v = 0;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), v);
    if (res.ec != std::errc() || res.ptr != text.data() + text.size() || text.empty()) return std::nullopt;
    return v;
}

std::optional<std::string> textOf(const std::string& path) {
    std::string text;
    if (!readRegularFile(path, text)) return std::nullopt;
    return text;
}

// The least room left by the cgroup of the program and its parents.
std::optional<std::uint64_t> cgroupLimit() {
    const auto self = textOf("/proc/self/cgroup");
    auto path = self ? cgroupV2Path(*self) : std::nullopt;
    if (!path) return std::nullopt;
    std::optional<std::uint64_t> least;
    for (;;) {
        const std::string dir = "/sys/fs/cgroup" + (*path == "/" ? std::string() : *path);
        const auto max = textOf(dir + "/memory.max");
        const auto current = textOf(dir + "/memory.current");
        if (max && current) {
            if (const auto room = cgroupRoom(*max, *current)) least = least ? std::min(*least, *room) : *room;
        }
        const std::size_t slash = path->rfind('/');
        if (*path == "/" || slash == std::string::npos) break;
        path->resize(slash == 0 ? 1 : slash);
    }
    return least;
}

std::optional<std::uint64_t> addressSpaceLimit() {
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return std::nullopt;
    const auto status = textOf("/proc/self/status");
    const std::uint64_t used = status ? kilobyteField(*status, "VmSize").value_or(0) : 0;
    const std::uint64_t cap = limit.rlim_cur;
    return cap > used ? cap - used : 0;
}

}  // namespace

std::optional<std::uint64_t> kilobyteField(std::string_view text, std::string_view name) {
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.starts_with(name) || line.size() <= name.size() || line[name.size()] != ':') continue;
        line.remove_prefix(name.size() + 1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        if (!line.ends_with(" kB")) return std::nullopt;
        line.remove_suffix(3);
        const auto kb = unsignedNumber(line);
        if (!kb || *kb > UINT64_MAX / 1024) return std::nullopt;
        return *kb * 1024;
    }
    return std::nullopt;
}

std::optional<std::string> cgroupV2Path(std::string_view procSelfCgroup) {
    for (std::size_t pos = 0; pos < procSelfCgroup.size();) {
        std::size_t end = procSelfCgroup.find('\n', pos);
        if (end == std::string_view::npos) end = procSelfCgroup.size();
        const std::string_view line = procSelfCgroup.substr(pos, end - pos);
        pos = end + 1;
        // The path may name no folder above the cgroup root ("/.." in another namespace).
        if (line.starts_with("0::/") && line.find("/..") == std::string_view::npos) {
            return std::string(line.substr(3));
        }
    }
    return std::nullopt;
}

std::optional<std::uint64_t> cgroupRoom(std::string_view memoryMax, std::string_view memoryCurrent) {
    const auto max = unsignedNumber(memoryMax);
    const auto current = unsignedNumber(memoryCurrent);
    if (!max || !current) return std::nullopt;
    return *max > *current ? *max - *current : 0;
}

std::optional<std::uint64_t> availableMemoryBytes() {
    std::optional<std::uint64_t> least;
    const auto take = [&least](std::optional<std::uint64_t> v) {
        if (v) least = least ? std::min(*least, *v) : *v;
    };
    const auto meminfo = textOf("/proc/meminfo");
    take(meminfo ? kilobyteField(*meminfo, "MemAvailable") : std::nullopt);
    take(cgroupLimit());
    take(addressSpaceLimit());
    return least;
}

std::uint64_t estimatedLoadBytes(std::uint64_t textBytes, std::uint64_t largestFileBytes, unsigned threads) {
    // The record with F's column; +1: block summaries and gaps.
    const std::uint64_t perSample = bytesPerSample(6) + 1;
    // The sort into time order holds an index per sample and one permuted column (the times).
    const std::uint64_t sortTemporaries = sizeof(std::uint32_t) + sizeof(std::int64_t);
    const std::uint64_t samples = textBytes / kBytesPerLine;
    const std::uint64_t record = samples * (perSample + sortTemporaries);
    // Each parser holds one file's samples and a read buffer; a few wait to be
    // appended. Together they never hold more than the whole text's samples.
    const std::uint64_t inFlightText = std::min<std::uint64_t>(textBytes, (threads + 2) * largestFileBytes);
    const std::uint64_t inFlight =
        inFlightText / kBytesPerLine * bytesPerSample(5) + (threads + 2) * kReadBlockBytes;
    // The parsers and the summaries' helper each reserve a stack.
    const std::uint64_t stacks = (threads + 1) * kThreadStackBytes;
    return record + inFlight + stacks;
}

}  // namespace kordel
