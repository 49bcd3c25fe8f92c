#include "net/stationcopy.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "app/fd.h"
#include "files/replacingfile.h"
#include "files/safepath.h"
#include "link/deviceline.h"

namespace kordel {

namespace {

constexpr std::uint64_t kLine = kDeviceLineLength;

std::vector<std::string> dailyFilesIn(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            if (isDailyFileName(entry->d_name)) {
                names.emplace_back(entry->d_name);
            }
        }
        ::closedir(dir);
    }
    return names;
}

}  // namespace

StationCopy::StationCopy(std::string folder, LogFunction log) : folder_(std::move(folder)), log_(std::move(log)) {}

std::string StationCopy::formatState(const std::optional<JournalPosition>& last, const LineCoverage& coverage) {
    return (last ? "last " + formatJournalPosition(*last) : std::string("last none\n")) + coverage.format();
}

bool StationCopy::parseState(std::string_view text, std::optional<JournalPosition>& last, LineCoverage& coverage) {
    const auto lf = text.find('\n');
    if (lf == std::string_view::npos || !text.starts_with("last ")) {
        return false;
    }
    const std::string_view first = text.substr(5, lf - 4);
    if (first == "none\n") {
        last.reset();
    } else if (const auto p = parseJournalPosition(first)) {
        last = *p;
    } else {
        return false;
    }
    const auto runs = LineCoverage::parse(text.substr(lf + 1));
    if (!runs) {
        return false;
    }
    coverage = *runs;
    return true;
}

IoStatus StationCopy::load() {
    if (::mkdir(folder_.c_str(), 0755) != 0 && errno != EEXIST) {
        return IoStatus::fromErrno("Cannot make the folder " + folder_, errno);
    }
    struct stat st {};
    if (::stat(folder_.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return IoStatus::failure(folder_ + " is not a folder");
    }
    const std::string statePath = *pathInside(folder_, kStateName);
    const std::vector<std::string> present = dailyFilesIn(folder_);
    if (::lstat(statePath.c_str(), &st) != 0) {
        if (!present.empty()) {
            return IoStatus::failure(folder_ + " holds daily files but no " + kStateName +
                                     ": they are not a copy this collector made; move them away or choose another folder");
        }
        dirty_ = true;
        save();  // a crash before the first save then finds the state
        return saveFailureLogged_ ? IoStatus::failure("Cannot write " + statePath) : IoStatus();
    }
    std::string text;
    if (const IoStatus read = readRegularFile(statePath, text); !read) {
        return read;
    }
    if (!parseState(text, last_, coverage_)) {
        return IoStatus::failure(statePath + " is damaged; move it and the copy's daily files away to start afresh");
    }
    // The files agree with the state: lines written after the last save are
    // cut off (they are asked for again); a file shorter than the state says
    // (lost in a power cut) makes the state forget what it lacks.
    for (const std::string& name : present) {
        const std::string path = *pathInside(folder_, name);
        struct stat fs {};
        if (::lstat(path.c_str(), &fs) != 0 || !S_ISREG(fs.st_mode)) {
            continue;
        }
        const std::uint64_t expected = coverage_.lineCount(name) * kLine;
        const auto size = static_cast<std::uint64_t>(fs.st_size);
        if (size == expected) {
            continue;
        }
        if (size < expected) {
            coverage_.keepFirst(name, size / kLine);
            last_.reset();
            dirty_ = true;
        }
        const std::uint64_t keep = coverage_.lineCount(name) * kLine;
        if (::truncate(path.c_str(), static_cast<off_t>(keep)) != 0) {
            return IoStatus::fromErrno("Cannot cut " + path + " back to what " + kStateName + " names", errno);
        }
        log_(name + ": " + std::to_string((size - keep) / kLine) + " line(s) after the saved state cut off; asked for again");
    }
    save();
    return {};
}

IoStatus StationCopy::insertLine(const std::string& path, std::uint64_t at, const std::string& bytes) {
    std::string text;
    if (const IoStatus read = readRegularFile(path, text); !read) {
        return read;
    }
    if (at > text.size()) {
        return IoStatus::failure(path + " is shorter than its state says");
    }
    text.insert(static_cast<std::size_t>(at), bytes);
    return replaceFile(path, text);
}

bool StationCopy::add(const JournalEntry& e) {
    const auto path = pathInside(folder_, e.file);
    if (!isDailyFileName(e.file) || !path || coverage_.contains(e.file, e.offset)) {
        return false;
    }
    const std::string bytes = e.line + "\r\n";
    const std::uint64_t before = coverage_.linesBefore(e.file, e.offset);
    IoStatus status;
    if (before == coverage_.lineCount(e.file)) {
        int fd = -1;
        status = openRegularForWriting(*path, O_APPEND, fd);
        Fd file(fd);
        if (status) {
            const ssize_t n = ::write(fd, bytes.data(), bytes.size());
            if (n != static_cast<ssize_t>(bytes.size())) {
                const int err = n < 0 ? errno : ENOSPC;
                if (n > 0) {
                    // No part of a line stays behind.
                    struct stat st {};
                    if (::fstat(fd, &st) == 0) {
                        [[maybe_unused]] const int cut = ::ftruncate(fd, st.st_size - n);
                    }
                }
                status = IoStatus::fromErrno("Cannot write " + *path, err);
            } else {
                status = file.close(*path);
            }
        }
    } else {
        status = insertLine(*path, before * kLine, bytes);
    }
    if (!status) {
        lost_ = true;
        if (!std::exchange(writeFailureLogged_, true)) {
            log_("Error: " + status.message() + "; lines are lost from the copy until writing works again");
        }
        return false;
    }
    if (std::exchange(writeFailureLogged_, false)) {
        log_("writing the copy works again");
    }
    coverage_.insert(e.file, e.offset);
    last_ = JournalPosition{e.file, e.offset + kLine};
    dirty_ = true;
    return true;
}

void StationCopy::save() {
    if (!dirty_) {
        return;
    }
    const std::string path = *pathInside(folder_, kStateName);
    const IoStatus status = replaceFile(path, formatState(last_, coverage_));
    if (status) {
        dirty_ = false;
        if (std::exchange(saveFailureLogged_, false)) {
            log_("state saved again in " + path);
        }
    } else if (!std::exchange(saveFailureLogged_, true)) {
        log_("Error: cannot save the state: " + status.message() + "; after a restart more lines are asked for again");
    }
}

}  // namespace kordel
