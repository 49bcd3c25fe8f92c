#pragma once
// A recent-files list: most recent first, no name twice, at most ten entries.

#include <string>
#include <vector>

namespace kordel {

class RecentFiles {
public:
    static constexpr std::size_t kMaxEntries = 10;

    // Puts `name` at the top; an entry already in the list moves there.
    void add(const std::string& name);
    void remove(const std::string& name);
    // Replaces the list (as read from the settings file), keeping its order.
    void assign(const std::vector<std::string>& names);
    void clear() { items_.clear(); }

    const std::vector<std::string>& items() const { return items_; }
    bool empty() const { return items_.empty(); }

    // The menu accelerator of entry `index`: '1' … '9', then 'A'.
    static char accelerator(std::size_t index);

private:
    std::vector<std::string> items_;
};

}  // namespace kordel
