#pragma once
// Builds flash dumps in the instrument's block layout, for the simulated
// instrument and for tests of the converter.
//
// A dump is a run of 512-byte blocks. Each block has a 32-byte header (the 0xC0
// marker, the block time as BCD bytes, the position, the interval code and the
// raw Ts/Te/VIN/VBAT fields) and 30 sample records of 16 bytes (Bx, By, Bz as
// 24-bit two's complement, least significant byte first; byte 15 the counter).
//
// Timing follows the instrument: record n (counted over all data blocks from 0)
// carries the counter byte the interval code expects, and every data block's
// header holds the time at which its first record was taken:
//
//   interval code  samples         counter byte of record n   seconds per block
//   0              10 per second   n mod 10                   3
//   1              2 per second    n mod 2                    15
//   2              1 per second    0                          30
//   3              one per 10 s    0                          300
//   4              one per 60 s    0                          1800
//   5 or more      (no clock)      0                          30
//
// Options add the faults the converter must cope with: a time gap from a given
// block on, a run of bad blocks (their hour byte reads 0x24, which no valid
// header holds) and an erased tail of blocks that are all 0xFF.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "app/fixedformats.h"
#include "app/iostatus.h"

namespace kordel {

// Raw 24-bit field values of one sample record (-8388608 … 8388607).
struct DumpSample {
    std::int32_t bx = 0;
    std::int32_t by = 0;
    std::int32_t bz = 0;
};

struct FlashDumpOptions {
    // Data blocks (bad blocks included), followed by `erasedBlocks` blocks of 0xFF.
    std::size_t blocks = 1;
    std::uint8_t intervalCode = 2;
    // Time of the first record; the year must lie in 2000 … 2099.
    CivilDateTime start{2007, 5, 15, 12, 30, 0, 0};

    // From data block `gapBlock` on (when it is not 0) every block time is
    // moved by `gapSeconds` (negative: backwards).
    std::size_t gapBlock = 0;
    long long gapSeconds = 0;

    // Data blocks badFirst … badFirst + badCount − 1 are bad.
    std::size_t badFirst = 0;
    std::size_t badCount = 0;

    std::size_t erasedBlocks = 0;

    // Position: BCD digit pairs and the letter byte (0 = none).
    std::array<std::uint8_t, 4> latitude{0x55, 0x45, 0x12, 0x34};
    char latitudeLetter = 'N';
    std::array<std::uint8_t, 5> longitude{0x03, 0x71, 0x23, 0x45, 0x67};
    char longitudeLetter = 'E';

    std::uint16_t tsRaw = 768;   // 55.0 on the data lines
    std::uint16_t teRaw = 614;   // 39.96… on the data lines
    std::uint16_t vinRaw = 399;  // 12.0 V in the summary
    std::uint16_t vbat = 3700;

    // The values of record n (over all data blocks); empty: `defaultSample`.
    std::function<DumpSample(std::uint64_t record)> sample;
};

class FlashDumpWriter {
public:
    static constexpr std::size_t kBlockSize = 512;
    static constexpr std::size_t kHeaderSize = 32;
    static constexpr std::size_t kRecordSize = 16;
    static constexpr std::size_t kRecordsPerBlock = 30;
    static constexpr std::uint8_t kMarker = 0xC0;
    // The hour byte of a bad block.
    static constexpr std::uint8_t kBadHour = 0x24;

    using Block = std::array<std::uint8_t, kBlockSize>;

    explicit FlashDumpWriter(FlashDumpOptions options);

    const FlashDumpOptions& options() const { return options_; }

    // Data blocks plus erased blocks.
    std::size_t blockCount() const;
    std::uint64_t byteCount() const { return blockCount() * kBlockSize; }

    // Block `index` of the dump (0 … blockCount() − 1).
    Block block(std::size_t index) const;

    // The time a data block's header stands for (for a bad block, the time it
    // would have held).
    CivilDateTime blockTime(std::size_t index) const;

    // The whole dump in memory (for small dumps).
    std::string build() const;

    // Writes the dump to `path`, replacing a file there, one block at a time.
    IoStatus writeTo(const std::string& path) const;

    // What the instrument's clock does per block under an interval code.
    static int secondsPerBlock(std::uint8_t intervalCode);
    static std::uint8_t counterByte(std::uint8_t intervalCode, std::uint64_t record);

    // A deterministic pattern of values that changes from record to record.
    static DumpSample defaultSample(std::uint64_t record);

    // Encoding helpers.
    static std::uint8_t toBcd(int value);  // 0 … 99
    static void put24(std::uint8_t* out, std::int32_t value);

private:
    FlashDumpOptions options_;
};

}  // namespace kordel
