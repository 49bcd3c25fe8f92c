#include "files/flashdumpwriter.h"

#include "app/fd.h"

#include "app/textfile.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace kordel {

namespace {

constexpr long long kSecondsPerDay = 86400;

long long floorDiv(long long a, long long b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// `t` moved by `seconds`, with the calendar's days, months and leap years.
CivilDateTime addSeconds(const CivilDateTime& t, long long seconds) {
    const long long ofDay = (t.hour * 60LL + t.minute) * 60LL + t.second + seconds;
    const long long days = floorDiv(ofDay, kSecondsPerDay);
    const long long rest = ofDay - days * kSecondsPerDay;
    // Whole days are exact in a double, so the date comes back unrounded.
    CivilDateTime out = fromDateTimeNumber(toDateNumber(t.year, t.month, t.day) + static_cast<double>(days));
    out.hour = static_cast<int>(rest / 3600);
    out.minute = static_cast<int>(rest / 60 % 60);
    out.second = static_cast<int>(rest % 60);
    out.millisecond = 0;
    return out;
}

void put16Low(std::uint8_t* out, std::uint16_t v) {
    out[0] = static_cast<std::uint8_t>(v & 0xFF);
    out[1] = static_cast<std::uint8_t>(v >> 8);
}

}  // namespace

FlashDumpWriter::FlashDumpWriter(FlashDumpOptions options) : options_(std::move(options)) {}

std::size_t FlashDumpWriter::blockCount() const { return options_.blocks + options_.erasedBlocks; }

int FlashDumpWriter::secondsPerBlock(std::uint8_t intervalCode) {
    switch (intervalCode) {
        case 0: return 3;
        case 1: return 15;
        case 2: return 30;
        case 3: return 300;
        case 4: return 1800;
        default: return 30;
    }
}

std::uint8_t FlashDumpWriter::counterByte(std::uint8_t intervalCode, std::uint64_t record) {
    switch (intervalCode) {
        case 0: return static_cast<std::uint8_t>(record % 10);
        case 1: return static_cast<std::uint8_t>(record % 2);
        default: return 0;
    }
}

DumpSample FlashDumpWriter::defaultSample(std::uint64_t record) {
    const auto n = static_cast<std::int32_t>(record % 100000);
    return DumpSample{10000 + n, -20000 - 3 * (n % 1000), 3200000 - 7 * n};
}

std::uint8_t FlashDumpWriter::toBcd(int value) {
    return static_cast<std::uint8_t>(((value / 10) % 10) << 4 | (value % 10));
}

void FlashDumpWriter::put24(std::uint8_t* out, std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    out[0] = static_cast<std::uint8_t>(u & 0xFF);
    out[1] = static_cast<std::uint8_t>((u >> 8) & 0xFF);
    out[2] = static_cast<std::uint8_t>((u >> 16) & 0xFF);
}

CivilDateTime FlashDumpWriter::blockTime(std::size_t index) const {
    long long seconds = static_cast<long long>(index) * secondsPerBlock(options_.intervalCode);
    if (options_.gapBlock != 0 && index >= options_.gapBlock) {
        seconds += options_.gapSeconds;
    }
    return addSeconds(options_.start, seconds);
}

FlashDumpWriter::Block FlashDumpWriter::block(std::size_t index) const {
    Block b{};
    if (index >= options_.blocks) {
        b.fill(0xFF);
        return b;
    }
    const CivilDateTime t = blockTime(index);
    b[0] = kMarker;
    b[1] = toBcd(t.year - 2000);
    b[2] = toBcd(t.month);
    b[3] = toBcd(t.day);
    b[4] = toBcd(t.hour);
    b[5] = toBcd(t.minute);
    b[6] = toBcd(t.second);
    for (std::size_t i = 0; i < options_.latitude.size(); ++i) {
        b[7 + i] = options_.latitude[i];
    }
    b[11] = static_cast<std::uint8_t>(options_.latitudeLetter);
    for (std::size_t i = 0; i < options_.longitude.size(); ++i) {
        b[12 + i] = options_.longitude[i];
    }
    b[17] = static_cast<std::uint8_t>(options_.longitudeLetter);
    b[18] = options_.intervalCode;
    put16Low(&b[20], options_.tsRaw);
    put16Low(&b[22], options_.teRaw);
    put16Low(&b[24], options_.vinRaw);
    b[26] = static_cast<std::uint8_t>(options_.vbat >> 8);
    b[27] = static_cast<std::uint8_t>(options_.vbat & 0xFF);
    if (index >= options_.badFirst && index < options_.badFirst + options_.badCount) {
        b[4] = kBadHour;
    }
    for (std::size_t r = 0; r < kRecordsPerBlock; ++r) {
        const std::uint64_t n = static_cast<std::uint64_t>(index) * kRecordsPerBlock + r;
        const DumpSample s = options_.sample ? options_.sample(n) : defaultSample(n);
        std::uint8_t* rec = &b[kHeaderSize + r * kRecordSize];
        put24(rec, s.bx);
        put24(rec + 3, s.by);
        put24(rec + 6, s.bz);
        rec[15] = counterByte(options_.intervalCode, n);
    }
    return b;
}

std::string FlashDumpWriter::build() const {
    std::string out;
    out.reserve(byteCount());
    for (std::size_t i = 0; i < blockCount(); ++i) {
        const Block b = block(i);
        out.append(reinterpret_cast<const char*>(b.data()), b.size());
    }
    return out;
}

IoStatus FlashDumpWriter::writeTo(const std::string& path) const {
    Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!fd.valid()) {
        return IoStatus::fromErrno("Cannot create " + path, errno);
    }
    // Blocks are gathered into a modest buffer so that large dumps are written
    // quickly without holding the dump in memory.
    constexpr std::size_t kBlocksPerWrite = 128;
    std::string buffer;
    buffer.reserve(kBlocksPerWrite * kBlockSize);
    IoStatus status;
    for (std::size_t i = 0; i < blockCount() && status.ok(); ++i) {
        const Block b = block(i);
        buffer.append(reinterpret_cast<const char*>(b.data()), b.size());
        if (buffer.size() >= kBlocksPerWrite * kBlockSize || i + 1 == blockCount()) {
            status = writeAll(fd.get(), buffer, path);
            buffer.clear();
        }
    }
    if (IoStatus closed = fd.close(path); status.ok()) {
        status = closed;
    }
    return status;
}

}  // namespace kordel
