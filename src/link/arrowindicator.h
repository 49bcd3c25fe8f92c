#pragma once
// The reception indicator: an arrow that grows by one dash every tenth receive
// event (">" at the 1st, "->" at the 10th … "----->" at the 50th) and starts
// again after 51 events, so the user sees that bytes are coming in.

#include <cstdint>
#include <optional>
#include <string>

namespace kordel {

class ArrowIndicator {
public:
    // One receive event: the new text, or nothing when the text stays.
    std::optional<std::string> step();
    std::uint8_t counter() const { return counter_; }

private:
    std::uint8_t counter_ = 1;
};

}  // namespace kordel
