// The flash converter on any dump: no crash, only files named by 14 digits
// (".fl") or 10 digits (".INF") and only in the output folder, and every line
// due on disk: one per record of every block processed plus one per time gap,
// also when the clock comes back to a time at which a file already started.
#include <algorithm>

#include "files/flashconverter.h"
#include "fuzzsupport.h"

using namespace kordel;

namespace {

struct Listener : FileSummaryListener {
    void onLog(const std::string& text) override { log.push_back(text); }
    void onMessage(const std::string&) override {}
    void onFailure(const std::string&) override { FUZZ_CHECK(!"a file failure on a sound disk"); }
    void onProgress(int percent) override { FUZZ_CHECK(percent >= 0 && percent <= 100); }
    std::vector<std::string> log;
};

bool bcd(std::uint8_t b) { return (b >> 4) <= 9 && (b & 0x0F) <= 9; }
int value(std::uint8_t b) { return (b >> 4) * 10 + (b & 0x0F); }

// The header's time bytes (1-6) hold decimal digits, within range, and a month
// and day that exist.
bool timeSound(const std::uint8_t* h, bool hourMayOverflow) {
    static constexpr int kMax[6] = {99, 12, 31, 23, 59, 59};
    for (int i = 0; i < 6; ++i) {
        if (!bcd(h[1 + i]) || (value(h[1 + i]) > kMax[i] && !(hourMayOverflow && i >= 3))) return false;
    }
    return h[2] != 0 && h[3] != 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto dump = fuzz::scratch() / "dump.bin";
    const auto out = fuzz::scratch() / "out";
    fuzz::fs::create_directories(out);
    fuzz::emptyFolder(out);
    fuzz::writeFile(dump, std::string_view(reinterpret_cast<const char*>(data), size));

    Listener listener;
    const auto result = FlashConverter(listener, out.string()).run(dump.string());
    FUZZ_CHECK(result != FlashConverter::Result::Failed);
    FUZZ_CHECK(fuzz::entries(fuzz::scratch(), true) == (std::vector<std::string>{"dump.bin", "out"}));

    // Blocks as the converter sees them: what a short last block lacks reads as zeros.
    std::vector<std::pair<std::array<std::uint8_t, 32>, std::size_t>> blocks;
    for (std::size_t at = 0; at < size; at += FlashConverter::kBlockSize) {
        std::array<std::uint8_t, 32> header{};
        const std::size_t n = std::min(size - at, FlashConverter::kBlockSize);
        std::copy_n(data + at, std::min<std::size_t>(n, 32), header.begin());
        blocks.emplace_back(header, n);
    }
    // The first block's time is not range-checked for hour, minute and second
    // (its records keep the clock's time), but its digits and date must be sound.
    const bool convertible = !blocks.empty() && blocks[0].second > 6 && blocks[0].first[0] == 0xC0 &&
                             timeSound(blocks[0].first.data(), true);
    FUZZ_CHECK((result == FlashConverter::Result::Converted) == convertible);

    std::size_t onDisk = 0;
    for (const std::string& name : fuzz::entries(out)) {
        FUZZ_CHECK(fuzz::isDigitName(name, 14, ".fl") || fuzz::isDigitName(name, 10, ".INF"));
        if (name.ends_with(".fl")) {
            const std::string text = fuzz::readFile(out / name);
            onDisk += static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
        }
    }
    if (!convertible) {
        FUZZ_CHECK(onDisk == 0);
        return 0;
    }
    std::size_t due = static_cast<std::size_t>(std::count_if(listener.log.begin(), listener.log.end(), [](const std::string& l) {
        return l.starts_with("Error Time: From: ");
    }));
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const auto& [header, n] = blocks[i];
        if ((i == 0 || timeSound(header.data(), false)) && n > FlashConverter::kHeaderSize) {
            due += (n - FlashConverter::kHeaderSize) / FlashConverter::kRecordSize;
        }
    }
    FUZZ_CHECK(onDisk == due);
    return 0;
}
