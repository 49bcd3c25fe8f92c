#pragma once
// Plausible values for the simulated instrument: the Earth's field at a
// mid-latitude station (Bx about 20 000 nT, By about 1 500 nT, Bz about
// 44 000 nT) with a daily variation of a few tens of nT that follows the local
// time of day, and noise of a fraction of a nT; temperatures between 20 and
// 30 degrees that drift slowly over the day. The noise of sample n is a
// function of n and the seed alone, so a sample can be made again in any order.

#include <cstdint>

#include "app/fixedformats.h"
#include "sim/simdeviceline.h"

namespace kordel {

class FieldModel {
public:
    explicit FieldModel(std::uint64_t seed = 5) : seed_(seed) {}

    // Sample number `n` taken at the local time `t`.
    FieldValues sample(const CivilDateTime& t, std::uint64_t n) const;

private:
    // Roughly normal noise with a standard deviation of `sigma`.
    double noise(std::uint64_t n, std::uint64_t channel, double sigma) const;

    std::uint64_t seed_;
};

}  // namespace kordel
