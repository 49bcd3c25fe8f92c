#include "record/totalfield.h"

#include <cmath>
#include <limits>
#include <tuple>

namespace kordel {

std::int32_t totalFieldRaw(const Record& record, std::size_t i, std::size_t x, std::size_t y, std::size_t z) {
    return totalFieldRaw(record, record.column(x)[i], record.column(y)[i], record.column(z)[i], x, y, z);
}

std::int32_t totalFieldRaw(const Record& record, std::int32_t rx, std::int32_t ry, std::int32_t rz, std::size_t x,
                           std::size_t y, std::size_t z) {
    const auto value = [&](std::int32_t raw, std::size_t c) {
        return raw == Record::kMissing ? std::numeric_limits<double>::quiet_NaN() : raw / record.scale(c);
    };
    const double bx = value(rx, x);
    const double by = value(ry, y);
    const double bz = value(rz, z);
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

std::optional<std::size_t> addTotalField(Record& record) {
    if (const auto f = record.findChannel("F")) {
        return *f;
    }
    for (const auto& [xn, yn, zn] : {std::tuple{"Bx", "By", "Bz"}, std::tuple{"X", "Y", "Z"}}) {
        const auto x = record.findChannel(xn), y = record.findChannel(yn), z = record.findChannel(zn);
        if (x && y && z) {
            return addTotalField(record, *x, *y, *z);
        }
    }
    return std::nullopt;
}

std::size_t addTotalField(Record& record, std::size_t x, std::size_t y, std::size_t z) {
    ChannelInfo info{"F", record.channel(x).unit, record.channel(x).decimals};
    record.addChannel(std::move(info), totalFieldColumn(record, x, y, z));
    const std::size_t f = record.channelCount() - 1;
    record.deriveChannel(f, [x, y, z](const Record& r, std::span<const std::int32_t> raw) {
        return totalFieldRaw(r, raw[x], raw[y], raw[z], x, y, z);
    });
    return f;
}

double totalFieldValue(double x, double y, double z, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return std::round(std::sqrt(x * x + y * y + z * z) * scale) / scale;
}

}  // namespace kordel
