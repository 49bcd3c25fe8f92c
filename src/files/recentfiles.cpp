#include "files/recentfiles.h"

#include <algorithm>

namespace kordel {

void RecentFiles::add(const std::string& name) {
    remove(name);
    items_.insert(items_.begin(), name);
    if (items_.size() > kMaxEntries) {
        items_.resize(kMaxEntries);
    }
}

void RecentFiles::remove(const std::string& name) {
    items_.erase(std::remove(items_.begin(), items_.end(), name), items_.end());
}

void RecentFiles::assign(const std::vector<std::string>& names) {
    items_.clear();
    for (const auto& n : names) {
        if (!n.empty() && std::find(items_.begin(), items_.end(), n) == items_.end() &&
            items_.size() < kMaxEntries) {
            items_.push_back(n);
        }
    }
}

char RecentFiles::accelerator(std::size_t index) {
    return index < 9 ? static_cast<char>('1' + index) : static_cast<char>('A' + (index - 9));
}

}  // namespace kordel
