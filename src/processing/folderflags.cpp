#include "processing/folderflags.h"

#include <algorithm>

namespace kordel {

std::string flagSummary(const Flag& flag) {
    std::string components;
    for (const auto& c : flag.components) components += (components.empty() ? "" : ",") + c;
    std::string s = std::string(flagKindName(flag.kind)) + ' ' + isoTime(flag.startMs, false) + ' ' +
                    isoTime(flag.endMs, false) + ' ' + components;
    if (!flag.comment.empty()) s += ": " + flag.comment;
    return s;
}

FolderFlags FolderFlags::open(const std::string& dataFolder, const std::string& userDataFolder) {
    FolderFlags f;
    f.place_ = sidecarPlace(dataFolder, kFlagFileName, userDataFolder);
    FlagParseResult read;
    f.readStatus_ = readFlagFile(f.place_.path, read);
    if (f.readStatus_) {
        f.set_ = std::move(read.set);
        f.problems_ = std::move(read.problems);
    }
    return f;
}

template <class Change>
IoStatus FolderFlags::update(const std::string& who, std::int64_t nowMs, Change change) {
    FlagParseResult fresh;
    if (IoStatus s = readFlagFile(place_.path, fresh); !s) return s;
    const std::string what = change(fresh.set);
    fresh.set.log.push_back({nowMs, flagField(who), what});
    const std::string bytes = formatFlagFile(fresh.set);
    if (IoStatus s = writeSidecar(place_.path, bytes); !s) {
        return IoStatus::failure("The flags were not changed: " + s.message());
    }
    // Kept as the file now reads, so memory and file agree field for field.
    set_ = parseFlagFile(bytes).set;
    problems_ = std::move(fresh.problems);
    return {};
}

IoStatus FolderFlags::add(Flag flag, const std::string& who, std::int64_t nowMs) {
    return update(who, nowMs, [&](FlagSet& set) {
        const std::string what = "added " + flagSummary(flag);
        set.flags.push_back(std::move(flag));
        std::stable_sort(set.flags.begin(), set.flags.end(),
                         [](const Flag& a, const Flag& b) { return a.startMs < b.startMs; });
        return what;
    });
}

IoStatus FolderFlags::remove(const std::vector<Flag>& flags, const std::string& who, std::int64_t nowMs) {
    return update(who, nowMs, [&](FlagSet& set) {
        std::string removed;
        std::size_t count = 0;
        for (const Flag& f : flags) {
            const auto it = std::find(set.flags.begin(), set.flags.end(), f);
            if (it == set.flags.end()) continue;
            set.flags.erase(it);
            removed += (count++ == 0 ? "" : "; ") + flagSummary(f);
        }
        if (count == flags.size() && count > 0) return "removed " + removed;
        return "removed " + std::to_string(count) + " of " + std::to_string(flags.size()) + " flags (" +
               std::to_string(flags.size() - count) + " no longer in the file)" + (count > 0 ? ": " + removed : "");
    });
}

}  // namespace kordel
