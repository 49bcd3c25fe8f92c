#pragma once
// Robust linear regression: Huber's M-estimator (Huber 1964; k = 1.345, 95 %
// efficiency on Gaussian errors) by iteratively reweighted least squares
// (Holland & Welsch, "Robust regression using iteratively reweighted
// least-squares", 1977). The residual scale is 1.4826 × their MAD, renewed at
// each iteration; residuals within k scales weigh 1, beyond it k·s/|r|.
//
// y ≈ b0 + b1·x1 (+ b2·x2): an intercept and one or two regressors. Cost:
// O(points) per iteration, at most 50 iterations.

#include <array>
#include <optional>
#include <span>

namespace kordel {

struct RegressionPoint {
    double y = 0;
    std::array<double, 2> x{};
};

// The coefficients {b0, b1, b2} (b2 = 0 with one regressor); none when the
// regressors do not vary (the normal equations are singular).
std::optional<std::array<double, 3>> huberRegression(std::span<const RegressionPoint> points, int regressors);

}  // namespace kordel
