#include "sim/simfieldmodel.h"

#include <cmath>

namespace kordel {

namespace {

constexpr double kTwoPi = 6.283185307179586;

std::uint64_t splitMix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

}  // namespace

double FieldModel::noise(std::uint64_t n, std::uint64_t channel, double sigma) const {
    // The sum of four uniform values is close enough to normal for a display;
    // its standard deviation is sqrt(4 / 12).
    std::uint64_t state = splitMix(seed_ * 0x100000001B3ULL ^ (n * 8 + channel));
    double sum = 0;
    for (int i = 0; i < 4; ++i) {
        state = splitMix(state);
        sum += static_cast<double>(state >> 11) / 9007199254740992.0 - 0.5;
    }
    return sum * sigma / 0.5773502691896258;
}

FieldValues FieldModel::sample(const CivilDateTime& t, std::uint64_t n) const {
    const double secondOfDay =
        ((t.hour * 60.0 + t.minute) * 60.0 + t.second) + t.millisecond / 1000.0;
    // 0 at midnight, pi at noon.
    const double phase = kTwoPi * secondOfDay / 86400.0;
    FieldValues v;
    // The daytime dip of the horizontal field and swing of the east component.
    v.bx = 20000.0 + 25.0 * std::cos(phase) + noise(n, 0, 0.15);
    v.by = 1500.0 + 18.0 * std::sin(phase) + noise(n, 1, 0.15);
    v.bz = 44000.0 + 12.0 * std::cos(phase) + noise(n, 2, 0.15);
    // Coolest before dawn, warmest in the afternoon; the electronics run warmer.
    v.ts = 25.0 - 3.0 * std::cos(phase - kTwoPi / 12.0) + noise(n, 3, 0.02);
    v.te = 27.0 - 2.0 * std::cos(phase - kTwoPi / 12.0) + noise(n, 4, 0.02);
    return v;
}

}  // namespace kordel
