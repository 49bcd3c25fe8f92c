#include "record/totalfield.h"

#include <cmath>

namespace kordel {

std::int32_t totalFieldRaw(const Record& record, std::size_t i, std::size_t x, std::size_t y, std::size_t z) {
    const double bx = record.value(x, i);
    const double by = record.value(y, i);
    const double bz = record.value(z, i);
    const double f = std::sqrt(bx * bx + by * by + bz * bz) * record.scale(x);
    if (std::isnan(f) || f >= 2147483647.0) {
        return Record::kMissing;
    }
    return static_cast<std::int32_t>(std::llround(f));
}

std::vector<std::int32_t> totalFieldColumn(const Record& record, std::size_t x, std::size_t y, std::size_t z) {
    std::vector<std::int32_t> column(record.size());
    for (std::size_t i = 0; i < column.size(); ++i) {
        column[i] = totalFieldRaw(record, i, x, y, z);
    }
    return column;
}

std::size_t addTotalField(Record& record) {
    if (const auto f = record.findChannel("F")) {
        return *f;
    }
    const std::size_t x = record.findChannel("Bx").value_or(0);
    const std::size_t y = record.findChannel("By").value_or(1);
    const std::size_t z = record.findChannel("Bz").value_or(2);
    ChannelInfo info{"F", record.channel(x).unit, record.channel(x).decimals};
    record.addChannel(std::move(info), totalFieldColumn(record, x, y, z));
    return record.channelCount() - 1;
}

}  // namespace kordel
