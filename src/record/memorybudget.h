#pragma once
// How much memory a record may take: what the system reports available now.
// A load asks before it starts, so a record too large is refused with a
// message rather than running the machine out of memory.

#include <cstdint>
#include <optional>

namespace kordel {

// Bytes the system can give without swapping (MemAvailable); nullopt when it
// does not say.
std::optional<std::uint64_t> availableMemoryBytes();

// Bytes a record of the data files with `textBytes` of text in all needs while
// it loads: its columns and summaries, and the pieces in flight.
std::uint64_t estimatedLoadBytes(std::uint64_t textBytes, std::uint64_t largestFileBytes, unsigned threads);

}  // namespace kordel
