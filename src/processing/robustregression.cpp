#include "processing/robustregression.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kordel {

namespace {

constexpr double kHuberK = 1.345;
constexpr int kMaxIterations = 50;

// Weighted least squares with an intercept, by the normal equations of the
// centred regressors (Gaussian elimination with pivoting, n ≤ 3).
std::optional<std::array<double, 3>> weightedFit(std::span<const RegressionPoint> p, std::span<const double> w,
                                                 int q) {
    const int n = q + 1;
    double a[3][4] = {};
    for (std::size_t i = 0; i < p.size(); ++i) {
        const double row[3] = {1.0, p[i].x[0], p[i].x[1]};
        for (int r = 0; r < n; ++r) {
            for (int c = 0; c < n; ++c) a[r][c] += w[i] * row[r] * row[c];
            a[r][n] += w[i] * row[r] * p[i].y;
        }
    }
    const double size = a[0][0];
    for (int col = 0; col < n; ++col) {
        int pivot = col;
        for (int r = col + 1; r < n; ++r) {
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
        }
        if (std::fabs(a[pivot][col]) <= 1e-12 * std::max(1.0, size)) return std::nullopt;
        for (int c = 0; c <= n; ++c) std::swap(a[col][c], a[pivot][c]);
        for (int r = 0; r < n; ++r) {
            if (r == col) continue;
            const double f = a[r][col] / a[col][col];
            for (int c = col; c <= n; ++c) a[r][c] -= f * a[col][c];
        }
    }
    std::array<double, 3> b{};
    for (int r = 0; r < n; ++r) b[static_cast<std::size_t>(r)] = a[r][n] / a[r][r];
    return b;
}

}  // namespace

std::optional<std::array<double, 3>> huberRegression(std::span<const RegressionPoint> points, int regressors) {
    const int q = std::clamp(regressors, 1, 2);
    if (points.size() < static_cast<std::size_t>(q + 2)) return std::nullopt;
    std::vector<double> w(points.size(), 1.0), r(points.size()), absr(points.size());
    auto b = weightedFit(points, w, q);
    for (int it = 0; b && it < kMaxIterations; ++it) {
        for (std::size_t i = 0; i < points.size(); ++i) {
            r[i] = points[i].y - (*b)[0] - (*b)[1] * points[i].x[0] - (*b)[2] * points[i].x[1];
            absr[i] = std::fabs(r[i]);
        }
        const auto mid = absr.begin() + static_cast<std::ptrdiff_t>(absr.size() / 2);
        std::nth_element(absr.begin(), mid, absr.end());
        const double s = 1.4826 * *mid;
        if (s <= 0) break;  // more than half fit exactly
        for (std::size_t i = 0; i < points.size(); ++i) {
            const double u = std::fabs(r[i]) / s;
            w[i] = u <= kHuberK ? 1.0 : kHuberK / u;
        }
        const auto next = weightedFit(points, w, q);
        if (!next) break;
        const bool settled = std::fabs((*next)[1] - (*b)[1]) + std::fabs((*next)[2] - (*b)[2]) <= 1e-7 * (1 + std::fabs((*b)[1]));
        b = next;
        if (settled) break;
    }
    return b;
}

}  // namespace kordel
