#pragma once
// Weighted linear least squares for the smooth curves of the activity
// computations: a curve is a sum of basis functions (a mean, a trend, the
// 24-, 12-, 8- and 6-hour harmonics of the day) whose coefficients best fit
// some observations of it.
//
// Observations are added one at a time as the basis values they see (for a
// mean over a window, the same mean of each basis function) and a weight; the
// normal equations are accumulated as they come, so an observation costs
// p² operations and the solution p³ (p ≤ kMaxTerms). Solved by Gaussian
// elimination with partial pivoting; a system the observations do not
// determine (too few of them, or all alike) has no solution.

#include <array>
#include <cstddef>
#include <optional>
#include <span>

namespace kordel {

class LeastSquares {
public:
    static constexpr std::size_t kMaxTerms = 10;
    using Coefficients = std::array<double, kMaxTerms>;

    explicit LeastSquares(std::size_t terms);

    std::size_t terms() const { return terms_; }
    std::size_t observations() const { return count_; }
    // `basis` holds terms() values.
    void add(std::span<const double> basis, double value, double weight = 1.0);
    // The coefficients (the first terms() of them), or nothing when the
    // observations leave the curve undetermined.
    std::optional<Coefficients> solve() const;

private:
    std::size_t terms_;
    std::size_t count_ = 0;
    std::array<std::array<double, kMaxTerms>, kMaxTerms> normal_{};
    Coefficients right_{};
};

// The value of the curve at the basis values `basis`.
double evaluate(const LeastSquares::Coefficients& c, std::span<const double> basis);

// Basis values of the day's harmonics at `dayFraction` (time of UT day / 1 day):
// cos and sin of 1 … `harmonics` times 2π·dayFraction, written into out[0 …].
void dayHarmonics(double dayFraction, int harmonics, double* out);

}  // namespace kordel
