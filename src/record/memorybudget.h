#pragma once
// How much memory a record may take, and how much a load of data files needs.
// A load asks before it starts, so a record too large is refused with a
// message rather than running the machine, the program's cgroup or its
// address-space limit out of memory. What the estimate cannot foresee (lines
// shorter than usual, another program taking memory meanwhile) is caught as
// std::bad_alloc by the load and reported the same way.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kordel {

// Bytes the program may still take: the least of what the system can give
// without swapping (MemAvailable), what the program's cgroup and each of its
// parents allows beyond what it uses (cgroup v2 memory.max − memory.current)
// and what the address-space limit leaves (RLIMIT_AS − VmSize). nullopt when
// none of them says.
std::optional<std::uint64_t> availableMemoryBytes();

// Bytes a record of the data files with `textBytes` of text in all needs while
// it loads: its columns (the five channels and F) and summaries, the
// temporaries of the sort into time order, the pieces in flight and the
// parsing threads' stacks.
std::uint64_t estimatedLoadBytes(std::uint64_t textBytes, std::uint64_t largestFileBytes, unsigned threads);

// --- the readings, apart for the tests ---
// The value of a "Name:   1234 kB" line of /proc/meminfo or /proc/self/status, in bytes.
std::optional<std::uint64_t> kilobyteField(std::string_view text, std::string_view name);
// The cgroup v2 path ("0::/path") of a /proc/self/cgroup text.
std::optional<std::string> cgroupV2Path(std::string_view procSelfCgroup);
// memory.max − memory.current (0 when over); nullopt for "max" or unreadable text.
std::optional<std::uint64_t> cgroupRoom(std::string_view memoryMax, std::string_view memoryCurrent);

}  // namespace kordel
