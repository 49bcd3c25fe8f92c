#include "link/arrowindicator.h"

namespace kordel {

std::optional<std::string> ArrowIndicator::step() {
    std::optional<std::string> text;
    if (counter_ == 1) {
        text = ">";
    } else if (counter_ % 10 == 0 && counter_ <= 50) {
        text = std::string(counter_ / 10, '-') + ">";
    }
    if (++counter_ > 51) {
        counter_ = 1;
    }
    return text;
}

}  // namespace kordel
