#include "sim/simdump.h"

#include <algorithm>
#include <cmath>

#include "sim/simfieldmodel.h"
#include "sim/siminstrumentclock.h"

namespace kordel {

namespace {

std::int32_t toRawField(double nT) {
    const double raw = std::clamp(std::round(-nT * 160.0), -8388608.0, 8388607.0);
    return static_cast<std::int32_t>(raw);
}

}  // namespace

DumpSample toDumpSample(const FieldValues& v) {
    return DumpSample{toRawField(v.bx), toRawField(v.by), toRawField(v.bz)};
}

std::uint16_t toRawTemperature(double degrees) {
    return static_cast<std::uint16_t>(std::clamp(std::round((degrees + 20.0) * 10.24), 0.0, 65535.0));
}

FlashDumpOptions simDumpOptions(const SimDumpOptions& dump, const CivilDateTime& start) {
    FlashDumpOptions o;
    o.blocks = static_cast<std::size_t>(std::max(0, dump.blocks));
    o.intervalCode = static_cast<std::uint8_t>(dump.intervalCode);
    o.start = start;
    o.start.millisecond = 0;
    if (dump.gapAt) {
        o.gapBlock = static_cast<std::size_t>(*dump.gapAt);
        o.gapSeconds = dump.gapSeconds;
    }
    if (dump.badBlocksFrom) {
        o.badFirst = static_cast<std::size_t>(*dump.badBlocksFrom);
        o.badCount = static_cast<std::size_t>(dump.badBlocks);
    }
    o.erasedBlocks = static_cast<std::size_t>(std::max(0, dump.erasedTail));

    const FieldModel model;
    const FieldValues first = model.sample(o.start, 0);
    o.tsRaw = toRawTemperature(first.ts);
    o.teRaw = toRawTemperature(first.te);

    // Records follow the instrument's clock: a block spans secondsPerBlock.
    const double msPerRecord = FlashDumpWriter::secondsPerBlock(o.intervalCode) * 1000.0 /
                               static_cast<double>(FlashDumpWriter::kRecordsPerBlock);
    const std::int64_t startMs = InstrumentClock::toMs(o.start);
    o.sample = [model, msPerRecord, startMs](std::uint64_t record) {
        const auto offset = static_cast<std::int64_t>(std::llround(static_cast<double>(record) * msPerRecord));
        return toDumpSample(model.sample(InstrumentClock::fromMs(startMs + offset), record));
    };
    return o;
}

}  // namespace kordel
