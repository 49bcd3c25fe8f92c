#include "record/memorybudget.h"

#include <fstream>
#include <sstream>
#include <string>

#include "record/record.h"

namespace kordel {

namespace {
// A data line is 61 characters and CR LF; a little less keeps the estimate high.
constexpr std::uint64_t kBytesPerLine = 58;
}  // namespace

std::optional<std::uint64_t> availableMemoryBytes() {
    std::ifstream in("/proc/meminfo");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("MemAvailable:", 0) == 0) {
            std::istringstream fields(line.substr(13));
            fields.imbue(std::locale::classic());
            std::uint64_t kb = 0;
            if (fields >> kb) {
                return kb * 1024;
            }
        }
    }
    return std::nullopt;
}

std::uint64_t estimatedLoadBytes(std::uint64_t textBytes, std::uint64_t largestFileBytes, unsigned threads) {
    const std::uint64_t perSample = bytesPerSample(5) + 1;  // +1: block summaries, gaps
    const std::uint64_t record = textBytes / kBytesPerLine * perSample;
    // Each parser holds one file's samples and a read buffer; a few wait to be appended.
    const std::uint64_t inFlight = (threads + 2) * (largestFileBytes / kBytesPerLine * perSample + (1u << 20));
    return record + inFlight;
}

}  // namespace kordel
