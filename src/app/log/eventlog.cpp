#include "app/log/eventlog.h"

#include "app/clock.h"
#include "app/textfile.h"

namespace kordel {

std::string EventLog::formatEntry(const CivilDateTime& when, std::string_view text) {
    std::string line = formatDate(when);
    line += ' ';
    line += formatTime(when);
    line += ": ";
    line += text;
    line += "\r\n";
    return line;
}

IoStatus EventLog::write(std::string_view text) const {
    IoStatus status = appendToFile(path_, formatEntry(localNow(), text));
    if (!status) {
        return status;
    }
    sync_.written(path_);
    return sync_.syncIfDue();
}

IoStatus EventLog::syncIfDue() const { return sync_.syncIfDue(); }

IoStatus EventLog::syncNow() const { return sync_.syncNow(); }

IoStatus EventLog::clear() const { return truncateFile(path_); }

bool EventLog::viewable() const {
    const auto size = fileSize(path_);
    return size && *size < kViewLimit;
}

}  // namespace kordel
