#include "processing/harmonicfit.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace kordel {

LeastSquares::LeastSquares(std::size_t terms) : terms_(terms < kMaxTerms ? terms : kMaxTerms) {}

void LeastSquares::add(std::span<const double> basis, double value, double weight) {
    for (std::size_t r = 0; r < terms_; ++r) {
        const double wr = weight * basis[r];
        for (std::size_t c = r; c < terms_; ++c) normal_[r][c] += wr * basis[c];
        right_[r] += wr * value;
    }
    ++count_;
}

std::optional<LeastSquares::Coefficients> LeastSquares::solve() const {
    const std::size_t p = terms_;
    if (count_ < p) return std::nullopt;
    std::array<std::array<double, kMaxTerms + 1>, kMaxTerms> m{};
    double largest = 0;
    for (std::size_t r = 0; r < p; ++r) {
        for (std::size_t c = 0; c < p; ++c) m[r][c] = c >= r ? normal_[r][c] : normal_[c][r];
        m[r][p] = right_[r];
        largest = std::max(largest, std::abs(m[r][r]));
    }
    // A pivot this much smaller than the diagonal means the basis functions
    // are not told apart by the observations.
    const double tiny = largest * 1e-12;
    for (std::size_t col = 0; col < p; ++col) {
        std::size_t pivot = col;
        for (std::size_t r = col + 1; r < p; ++r) {
            if (std::abs(m[r][col]) > std::abs(m[pivot][col])) pivot = r;
        }
        if (!(std::abs(m[pivot][col]) > tiny)) return std::nullopt;
        std::swap(m[pivot], m[col]);
        for (std::size_t r = col + 1; r < p; ++r) {
            const double f = m[r][col] / m[col][col];
            for (std::size_t c = col; c <= p; ++c) m[r][c] -= f * m[col][c];
        }
    }
    Coefficients x{};
    for (std::size_t r = p; r-- > 0;) {
        double s = m[r][p];
        for (std::size_t c = r + 1; c < p; ++c) s -= m[r][c] * x[c];
        x[r] = s / m[r][r];
    }
    for (std::size_t r = 0; r < p; ++r) {
        if (!std::isfinite(x[r])) return std::nullopt;
    }
    return x;
}

double evaluate(const LeastSquares::Coefficients& c, std::span<const double> basis) {
    double s = 0;
    for (std::size_t j = 0; j < basis.size() && j < c.size(); ++j) s += c[j] * basis[j];
    return s;
}

void dayHarmonics(double dayFraction, int harmonics, double* out) {
    for (int k = 1; k <= harmonics; ++k) {
        const double a = 2 * std::numbers::pi * k * dayFraction;
        *out++ = std::cos(a);
        *out++ = std::sin(a);
    }
}

}  // namespace kordel
