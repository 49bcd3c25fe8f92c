// The publisher's scan of a daily file, read as it reads one (blocks from a
// position, a bounded number of lines taken at a time, on from the offset the
// scan returns), against a plain reading of the whole file piece by piece: the
// same valid lines with the same end offsets, wherever the blocks begin and
// however few lines are wanted, and the reading never stalls while a whole
// block is there. The position file: whatever reads as a state writes back as
// the very same bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include "fuzzsupport.h"
#include "link/deviceline.h"
#include "net/journal.h"

using namespace kordel;

namespace {

struct Found {
    std::string text;
    std::uint64_t end;
    bool operator==(const Found&) const = default;
};

// Every piece ends at an LF; its last 63 bytes are a line when they end in
// CR LF and decode as a valid device line.
std::vector<Found> readPlain(std::string_view content) {
    std::vector<Found> lines;
    std::size_t start = 0;
    for (std::size_t lf = content.find('\n'); lf != std::string_view::npos; lf = content.find('\n', start)) {
        const std::string_view piece = content.substr(start, lf + 1 - start);
        if (piece.size() >= kDeviceLineLength) {
            const std::string_view last = piece.substr(piece.size() - kDeviceLineLength);
            DecodedSample s;
            if (isDeviceLine(last) && DecodeDeviceLine(last, s)) {
                lines.push_back({std::string(last.substr(0, kDeviceLineLength - 2)), lf + 1});
            }
        }
        start = lf + 1;
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    // The publisher reads 64 KiB at a time; any block that holds a line will do.
    const std::size_t block = in.ConsumeIntegralInRange<std::size_t>(kDeviceLineLength, 4096);
    const std::size_t maxLines = in.ConsumeIntegralInRange<std::size_t>(1, 120);
    const std::string content = in.ConsumeRemainingBytesAsString();

    std::vector<Found> scanned;
    std::uint64_t offset = 0;
    std::vector<JournalLine> out;
    while (offset < content.size()) {
        const std::string_view bytes = std::string_view(content).substr(offset, block);
        out.clear();
        const std::uint64_t next = scanJournal(bytes, offset, maxLines, out);
        FUZZ_CHECK(next >= offset && next <= offset + bytes.size());
        FUZZ_CHECK(out.size() <= maxLines);
        for (const JournalLine& l : out) {
            FUZZ_CHECK(l.end > offset && l.end <= next);
            scanned.push_back({std::string(l.text), l.end});
        }
        if (next == offset) {
            // Only the unended tail of the file may hold the reading up.
            FUZZ_CHECK(bytes.size() < block && bytes.find('\n') == std::string_view::npos);
            break;
        }
        offset = next;
    }
    FUZZ_CHECK(scanned == readPlain(content));

    if (const auto state = parseJournalState(content)) {
        FUZZ_CHECK(formatJournalState(*state) == content);
    }
    if (const auto position = parseJournalPosition(content)) {
        FUZZ_CHECK(formatJournalPosition(*position) == content);
        FUZZ_CHECK(isDailyFileName(position->file));
    }
    return 0;
}
