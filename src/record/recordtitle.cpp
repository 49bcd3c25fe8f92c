#include "record/recordtitle.h"

namespace kordel {

std::string viewerTitle(const std::vector<std::string>& names) {
    const std::string prefix = "Kordel File viewer: ";
    if (names.empty()) return prefix;
    if (names.size() == 1) return prefix + names.front();
    return prefix + names.front() + " \u2026 " + names.back() + " (" + std::to_string(names.size()) + " files)";
}

}  // namespace kordel
