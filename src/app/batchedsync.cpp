#include "app/batchedsync.h"

#include <algorithm>

#include "app/textfile.h"

namespace kordel {

void BatchedSync::written(const std::string& path) {
    if (dirty_.empty()) {
        oldest_ = clock_();
    }
    if (std::find(dirty_.begin(), dirty_.end(), path) == dirty_.end()) {
        dirty_.push_back(path);
    }
}

IoStatus BatchedSync::syncIfDue() {
    if (dirty_.empty() || clock_() - oldest_ < kMaxAge) {
        return {};
    }
    return syncNow();
}

IoStatus BatchedSync::syncNow() {
    IoStatus first;
    for (const std::string& path : dirty_) {
        IoStatus s = syncFile(path);
        if (!s && first.ok()) {
            first = std::move(s);
        }
    }
    if (!dirty_.empty()) {
        ++syncs_;
    }
    dirty_.clear();
    return first;
}

}  // namespace kordel
