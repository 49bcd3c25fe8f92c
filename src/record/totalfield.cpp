#include "record/totalfield.h"

#include <cmath>
#include <limits>
#include <thread>
#include <tuple>

namespace kordel {

std::int32_t totalFieldRaw(const Record& record, std::size_t i, std::size_t x, std::size_t y, std::size_t z) {
    return totalFieldRaw(record, record.column(x)[i], record.column(y)[i], record.column(z)[i], x, y, z);
}

namespace {

// One sample's F from its raw values and the channels' scales; the one
// arithmetic of every F, so a column made at once and a sample added later agree.
std::int32_t fieldOf(std::int32_t rx, std::int32_t ry, std::int32_t rz, double sx, double sy, double sz) {
    const auto value = [](std::int32_t raw, double scale) {
        return raw == Record::kMissing ? std::numeric_limits<double>::quiet_NaN() : raw / scale;
    };
    const double bx = value(rx, sx);
    const double by = value(ry, sy);
    const double bz = value(rz, sz);
    const double f = std::sqrt(bx * bx + by * by + bz * bz) * sx;
    if (std::isnan(f) || f >= 2147483647.0) {
        return Record::kMissing;
    }
    return static_cast<std::int32_t>(std::llround(f));
}

}  // namespace

std::int32_t totalFieldRaw(const Record& record, std::int32_t rx, std::int32_t ry, std::int32_t rz, std::size_t x,
                           std::size_t y, std::size_t z) {
    return fieldOf(rx, ry, rz, record.scale(x), record.scale(y), record.scale(z));
}

std::vector<std::int32_t> totalFieldColumn(const Record& record, std::size_t x, std::size_t y, std::size_t z) {
    const double sx = record.scale(x), sy = record.scale(y), sz = record.scale(z);
    const auto cx = record.column(x), cy = record.column(y), cz = record.column(z);
    std::vector<std::int32_t> column(record.size());
    const auto fill = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) column[i] = fieldOf(cx[i], cy[i], cz[i], sx, sy, sz);
    };
    // A month at 10 Hz is 26 million square roots: two halves, one on a thread of its own.
    constexpr std::size_t kOneThread = 1'000'000;
    if (column.size() < kOneThread) {
        fill(0, column.size());
    } else {
        const std::size_t half = column.size() / 2;
        std::jthread other(fill, half, column.size());
        fill(0, half);
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
