#include "record/recordloader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cerrno>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>

#include "app/fd.h"
#include "app/iostatus.h"
#include "files/safepath.h"
#include "record/memorybudget.h"
#include "record/samplelineparser.h"
#include "record/totalfield.h"

namespace kordel {

namespace {

// What one file gave.
struct FileChunk {
    Record samples{Record::dataFileChannels()};
    std::size_t errorCount = 0;
    std::size_t repeats = 0;  // lines that came twice in a row, kept once
    std::vector<ErrorLine> errors;
    std::string failure;
};

std::uint64_t fileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

// Calls onLine(lineNumber, line) for every line of the file, CR LF or LF ended
// (the last one also CR or nothing), in blocks of `blockBytes`. A line longer
// than `maxLine` is handed over cut short. `abort`, when given, is looked at
// after each block: the read ends early when it is set.
template <typename OnLine>
std::string forEachLine(const std::string& path, std::size_t maxLine, std::size_t blockBytes, OnLine onLine,
                        std::size_t byteLimit = 0, std::atomic<std::uint64_t>* bytesRead = nullptr,
                        const std::atomic<bool>* abort = nullptr) {
    // Only a regular file: a FIFO would block in open(), /dev/zero never end.
    int fd = -1;
    if (const IoStatus opened = openRegularForReading(path, fd); !opened) {
        return opened.message();
    }
    Fd file(fd);
    std::vector<char> buffer(std::max(blockBytes, maxLine + 3));
    std::size_t held = 0, total = 0;
    long lineNumber = 0;
    bool skipping = false;  // inside an overlong line already handed over
    for (bool eof = false; !eof;) {
        const ssize_t n = ::read(file.get(), buffer.data() + held, buffer.size() - held);
        if (n < 0) {
            if (errno == EINTR) continue;
            return IoStatus::fromErrno("Cannot read " + path, errno).message();
        }
        eof = n == 0;
        held += static_cast<std::size_t>(n);
        total += static_cast<std::size_t>(n);
        if (bytesRead) bytesRead->fetch_add(static_cast<std::uint64_t>(n), std::memory_order_relaxed);
        const std::string_view chunk(buffer.data(), held);
        std::size_t start = 0;
        for (std::size_t nl; (nl = chunk.find('\n', start)) != std::string_view::npos; start = nl + 1) {
            if (skipping) {
                skipping = false;
                continue;
            }
            std::string_view line = chunk.substr(start, nl - start);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            if (!onLine(++lineNumber, line)) return {};
        }
        std::string_view rest = chunk.substr(start);
        if (eof) {
            if (!rest.empty() && !skipping) {
                // The last line may end in CR alone, as the line before it would in CR LF.
                if (rest.back() == '\r') rest.remove_suffix(1);
                onLine(++lineNumber, rest);
            }
        } else if (rest.size() > maxLine + 1) {  // the longest line and its CR may end in the next block
            if (!skipping) onLine(++lineNumber, rest);  // longer than any data line: an error line
            skipping = true;
            held = 0;
        } else {
            std::copy(rest.begin(), rest.end(), buffer.begin());
            held = rest.size();
        }
        if (byteLimit != 0 && total >= byteLimit) break;
        if (abort && abort->load(std::memory_order_relaxed)) break;
    }
    return {};
}

FileChunk parseFile(const std::string& path, std::size_t keptErrors, std::size_t blockBytes,
                    std::atomic<std::uint64_t>& bytesRead, const std::atomic<bool>& abort) {
    FileChunk chunk;
    chunk.samples.reserve(static_cast<std::size_t>(fileSize(path) / 58 + 16));
    SampleLineParser parser;
    std::array<std::int32_t, SampleLineParser::kValues> raw{};
    std::int64_t t = 0;
    bool held = false;
    std::int64_t heldTime = 0;
    std::array<std::int32_t, SampleLineParser::kValues> heldRaw{};
    chunk.failure = forEachLine(path, RecordLoader::kMaxLineLength, blockBytes, [&](long number, std::string_view line) {
        const bool good = line.size() <= RecordLoader::kMaxLineLength && parser.parse(line, t, raw);
        if (good && held && t == heldTime && raw == heldRaw) {
            // The same line twice in a row is one sample delivered twice, as a
            // growing record takes it: only lines that share a stamp with other
            // values are spread over their second.
            ++chunk.repeats;
        } else if (good) {
            chunk.samples.append(t, raw);
            held = true;
            heldTime = t;
            heldRaw = raw;
        } else if (!skippedAsHeader(number, good)) {
            if (chunk.errors.size() < keptErrors) {
                chunk.errors.push_back({path, number, std::string(line.substr(0, RecordLoader::kMaxShownLength))});
            }
            ++chunk.errorCount;
        }
        return true;
    }, 0, &bytesRead, &abort);
    chunk.samples.spreadSharedStamps();
    return chunk;
}

// The time of a file's first good data line, to order the files before parsing.
std::optional<std::int64_t> firstTime(const std::string& path, std::size_t blockBytes) {
    std::optional<std::int64_t> found;
    SampleLineParser parser;
    std::array<std::int32_t, SampleLineParser::kValues> raw{};
    forEachLine(
        path, RecordLoader::kMaxLineLength, blockBytes,
        [&](long, std::string_view line) {
            std::int64_t t = 0;
            if (line.size() <= RecordLoader::kMaxLineLength && parser.parse(line, t, raw)) {
                found = t;
                return false;
            }
            return true;
        },
        std::size_t{1} << 16);
    return found;
}

std::string megabytes(std::uint64_t bytes) { return std::to_string((bytes + (1u << 19)) >> 20) + " MB"; }

// Runs the parsers on up to `threads` threads and hands their chunks to `take`
// in file order; parsers stay at most a few files ahead of the consumer, so
// memory holds the record and a few files. `poll` runs on the calling thread
// about every 50 ms and after each file; when it returns false the parsers
// stop after their current file and the call returns false.
template <typename Take, typename Poll>
bool parseInOrder(const std::vector<std::string>& files, unsigned threads, std::size_t keptErrors,
                  std::size_t blockBytes, std::atomic<std::uint64_t>& bytesRead, const std::atomic<bool>& abort,
                  Take take, Poll poll) {
    const std::size_t n = files.size();
    const std::size_t ahead = threads + 1;
    std::vector<std::optional<FileChunk>> slots(n);
    std::mutex m;
    std::condition_variable cv;
    std::size_t next = 0, taken = 0;
    bool stopped = false;  // the consumer failed: parse nothing more
    auto worker = [&] {
        for (;;) {
            std::size_t idx;
            {
                std::unique_lock lock(m);
                cv.wait(lock, [&] { return stopped || next >= n || next < taken + ahead; });
                if (stopped || next >= n) return;
                idx = next++;
            }
            FileChunk chunk;
            try {
                chunk = parseFile(files[idx], keptErrors, blockBytes, bytesRead, abort);
            } catch (const std::bad_alloc&) {
                chunk = FileChunk{};
                chunk.failure = "Not enough memory for " + files[idx];
            } catch (const std::exception& e) {
                chunk = FileChunk{};
                chunk.failure = "Cannot read " + files[idx] + ": " + e.what();
            }
            std::lock_guard lock(m);
            slots[idx] = std::move(chunk);
            cv.notify_all();
        }
    };
    std::vector<std::jthread> pool;
    for (unsigned i = 0; i < std::max(1u, threads) && i < n; ++i) {
        try {
            pool.emplace_back(worker);
        } catch (const std::system_error&) {
            break;  // an address-space limit may leave room for fewer threads
        }
    }
    if (pool.empty() && n > 0) throw std::bad_alloc();
    auto stop = [&] {
        {
            std::lock_guard lock(m);
            stopped = true;
        }
        cv.notify_all();
        pool.clear();  // joins: each worker ends after its current file
    };
    for (std::size_t k = 0; k < n; ++k) {
        FileChunk chunk;
        bool ready = false;
        while (!ready) {
            {
                std::unique_lock lock(m);
                ready = cv.wait_for(lock, std::chrono::milliseconds(50), [&] { return slots[k].has_value(); });
                if (ready) {
                    chunk = std::move(*slots[k]);
                    slots[k].reset();
                }
            }
            if (!poll()) {
                stop();
                return false;
            }
        }
        try {
            take(chunk);
        } catch (...) {
            stop();
            throw;
        }
        {
            std::lock_guard lock(m);
            taken = k + 1;
        }
        cv.notify_all();
    }
    return true;
}

}  // namespace

std::vector<std::string> RecordLoader::dataFilesIn(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        std::string ext = entry.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if ((ext == ".pc" || ext == ".fl") && entry.is_regular_file(ec)) {
            files.push_back(entry.path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::string> RecordLoader::expand(const std::vector<std::string>& paths) {
    std::vector<std::string> files;
    for (const auto& p : paths) {
        std::error_code ec;
        if (std::filesystem::is_directory(p, ec)) {
            const auto inside = dataFilesIn(p);
            files.insert(files.end(), inside.begin(), inside.end());
        } else {
            files.push_back(p);
        }
    }
    return files;
}

namespace {

RecordLoadResult cancelledResult() {
    RecordLoadResult r;
    r.status = RecordLoadResult::Status::Cancelled;
    return r;
}

}  // namespace

RecordLoadResult RecordLoader::load(const std::vector<std::string>& paths) const {
    RecordLoadResult result;
    std::vector<std::string> files = expand(paths);
    std::uint64_t textBytes = 0, largest = 0;
    for (const auto& f : files) {
        const std::uint64_t size = fileSize(f);
        textBytes += size;
        largest = std::max(largest, size);
    }
    const std::uint64_t needed = estimatedLoadBytes(textBytes, largest, options_.threads);
    const std::optional<std::uint64_t> limit =
        options_.memoryLimitBytes != 0 ? std::optional(options_.memoryLimitBytes) : availableMemoryBytes();
    if (limit && needed > *limit) {
        result.status = RecordLoadResult::Status::Refused;
        result.message = "Not enough memory for the record of " + std::to_string(files.size()) + " file(s) (" +
                         megabytes(textBytes) + " of text): it needs about " + megabytes(needed) + ", and " +
                         megabytes(*limit) + " are available. Open fewer files.";
        return result;
    }
    // In the order of their first samples; files without any keep their place at the end.
    std::vector<std::pair<std::int64_t, std::string>> ordered;
    for (auto& f : files) {
        ordered.emplace_back(firstTime(f, options_.readBlockBytes).value_or(INT64_MAX), std::move(f));
    }
    std::stable_sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    files.clear();
    for (auto& [t, f] : ordered) files.push_back(std::move(f));
    result.files = files;

    // Set once the load is to stop: the parsers look at it after each block they read.
    std::atomic<bool> abort{false};
    const std::stop_callback onStop(options_.stop, [&abort] { abort.store(true); });
    const auto cancelled = [&] {
        return abort.load() || options_.stop.stop_requested() || (options_.cancelled && options_.cancelled());
    };
    try {
        result.record.reserve(static_cast<std::size_t>(textBytes / 58 + 16));
        std::atomic<std::uint64_t> bytesRead{0};
        int shown = 0;
        auto poll = [&] {
            if (options_.onProgress && textBytes > 0) {
                const int percent = static_cast<int>(std::min<std::uint64_t>(100, bytesRead.load() * 100 / textBytes));
                if (percent != shown) {
                    shown = percent;
                    options_.onProgress(percent);
                }
            }
            if (cancelled()) {
                abort.store(true);
                return false;
            }
            return true;
        };
        auto take = [&](FileChunk& chunk) {
            if (!chunk.failure.empty()) result.failures.push_back(chunk.failure);
            result.errorLineCount += chunk.errorCount;
            for (auto& e : chunk.errors) {
                if (result.errorLines.size() < options_.keptErrorLines) result.errorLines.push_back(std::move(e));
            }
            result.repeatsDropped += chunk.repeats + result.record.merge(std::move(chunk.samples));
        };
        const bool complete = parseInOrder(files, options_.threads, options_.keptErrorLines, options_.readBlockBytes,
                                           bytesRead, abort, take, poll);
        if (!complete || cancelled()) {
            return cancelledResult();
        }
        result.repeatsDropped += result.record.finish();
        if (options_.totalField) addTotalField(result.record);
        result.record.releaseSpareRoom();
        if (cancelled()) {
            return cancelledResult();
        }
    } catch (const std::bad_alloc&) {
        result = RecordLoadResult{};
        result.status = RecordLoadResult::Status::Refused;
        result.message = "Not enough memory for the record of " + std::to_string(files.size()) + " file(s).";
    }
    return result;
}

}  // namespace kordel
