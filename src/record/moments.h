#pragma once
// Count, mean and sum of squared deviations (M2) of a set of values: what the
// standard deviation needs, kept so that it never cancels. Sums of values and
// of their squares about a far-off point (one spike of 99 999.99 nT before a
// quiet day) lose every digit of a small spread; M2 about each part's own mean
// does not.
//
// Parts are summarised one by one (two passes over the part: the mean, then
// the deviations) and joined with the pairwise formula of Chan, Golub and
// LeVeque ("Updating formulae and a pairwise algorithm for computing sample
// variances", 1979):
//     δ = mean_b − mean_a,  n = n_a + n_b,
//     mean = mean_a + δ·n_b/n,  M2 = M2_a + M2_b + δ²·n_a·n_b/n.

#include <cstddef>
#include <cstdint>

namespace kordel {

struct Moments {
    std::size_t count = 0;
    double mean = 0;
    double m2 = 0;  // Σ (value − mean)²

    void merge(const Moments& b) {
        if (b.count == 0) return;
        if (count == 0) {
            *this = b;
            return;
        }
        const double na = static_cast<double>(count), nb = static_cast<double>(b.count);
        const double n = na + nb;
        const double delta = b.mean - mean;
        mean += delta * nb / n;
        m2 += b.m2 + delta * delta * na * nb / n;
        count += b.count;
    }
};

// The moments of the present values of column[first, last) (those not equal
// to `missing`), for a range of at most a block: the sum of its values is
// exact in 64 bits, so the mean is rounded once.
template <typename Column>
Moments momentsOf(const Column& column, std::size_t first, std::size_t last, std::int32_t missing) {
    Moments m;
    std::int64_t sum = 0;
    for (std::size_t i = first; i < last; ++i) {
        if (column[i] == missing) continue;
        sum += column[i];
        ++m.count;
    }
    if (m.count == 0) return m;
    m.mean = static_cast<double>(sum) / static_cast<double>(m.count);
    for (std::size_t i = first; i < last; ++i) {
        if (column[i] == missing) continue;
        const double d = column[i] - m.mean;
        m.m2 += d * d;
    }
    return m;
}

}  // namespace kordel
