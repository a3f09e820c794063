#include "atmosphere/transfer_jacobian.h"

#include <algorithm>

#include "atmosphere/level_absorption.h"

namespace seasky {

namespace {

constexpr double kLayerDepth = 0.1;  // km: the opacity adds 0.1 km of each grid layer's kappa

// One sub-frequency's part, with weight w, of the derivatives out[q * L + i]
// of a result whose sensitivity to the absorption at level i is dKappa[i] (and
// to its temperature, besides through the absorption, dT[i] when kDirect):
// the absorption's slopes kappa[i] (the level's T, P, rho) and cloud[i].
template <bool kDirect>
void AddLevels(std::vector<double>& out, int L, double w, const std::vector<double>& dKappa, const double* dT,
               const LevelDual* kappa, const double* cloud) {
    for (int i = 0; i < L; ++i) {
        const double k = dKappa[i] * w;
        if constexpr (kDirect) out[i] += k * kappa[i].d[0] + dT[i] * w;
        else out[i] += k * kappa[i].d[0];
        out[L + i] += k * kappa[i].d[1];
        out[2 * L + i] += k * kappa[i].d[2];
        out[3 * L + i] += k * cloud[i];
    }
}

}  // namespace

void TransferDerivatives::Begin(const TransferGrid& grid, const double* H, int levels, TransferJacobian* jacobians,
                                int count) {
    jacobians_ = jacobians;
    levels_ = levels;
    for (int b = 0; b < count; ++b) {
        TransferJacobian& jac = jacobians[b];
        jac.levels = levels;
        jac.down.assign(static_cast<std::size_t>(kProfileQuantities) * levels, 0.0);
        jac.up.assign(jac.down.size(), 0.0);
        jac.opacity.assign(jac.down.size(), 0.0);
        jac.downAngle = jac.upAngle = 0.0;
    }
    const int n = grid.size();
    lines_.assign(n, GridLine{});
    for (int t = 0; t < n; ++t) {
        const int j = grid.interval[t];
        if (j < 0) continue;
        const double x0 = H[j], x1 = H[j + 1];
        GridLine& line = lines_[t];
        line.j = j;
        if (x0 != x1) {
            line.upper = (grid.height[t] - x0) / (x1 - x0);
            line.lower = 1.0 - line.upper;
        } else {
            line.lower = line.upper = 0.5;
        }
    }
    for (int e = 0; e < 2; ++e) {
        gradT_[e].resize(levels);
        gradKappa_[e].resize(levels);
    }
    // The opacity sums 0.1 km of kappa per grid layer.
    opacityKappa_.assign(levels, 0.0);
    for (const GridLine& line : lines_) {
        if (line.j < 0) continue;
        opacityKappa_[line.j] += kLayerDepth * line.lower;
        opacityKappa_[line.j + 1] += kLayerDepth * line.upper;
    }
}

void TransferDerivatives::LevelAbsorption(const ProfileView& p, const double* frequencies, int m, double* kappa) {
    slopes_.resize(static_cast<std::size_t>(m) * p.levelCount);
    cloudSlope_.resize(slopes_.size());
    LevelAbsorptionWithDerivatives(p, frequencies, m, kappa, slopes_.data(), cloudSlope_.data());
}

void TransferDerivatives::BackToLevels(ObserverEnd end) {
    const int e = end == ObserverEnd::Bottom ? 0 : 1;
    std::vector<double>& gradT = gradT_[e];
    std::vector<double>& gradKappa = gradKappa_[e];
    std::fill(gradT.begin(), gradT.end(), 0.0);
    std::fill(gradKappa.begin(), gradKappa.end(), 0.0);
    const int n = static_cast<int>(lines_.size());
    for (int t = 0; t < n; ++t) {
        const GridLine& line = lines_[t];
        if (line.j < 0) continue;
        gradT[line.j] += sensitivity_.temperature[t] * line.lower;
        gradT[line.j + 1] += sensitivity_.temperature[t] * line.upper;
        gradKappa[line.j] += sensitivity_.absorption[t] * line.lower;
        gradKappa[line.j + 1] += sensitivity_.absorption[t] * line.upper;
    }
    angle_[e] = sensitivity_.angle;
}

void TransferDerivatives::Add(int passband, int g, double w, const bool wanted[2]) {
    TransferJacobian& jac = jacobians_[passband];
    const int L = levels_;
    const LevelDual* kappa = slopes_.data() + static_cast<std::size_t>(g) * L;
    const double* cloud = cloudSlope_.data() + static_cast<std::size_t>(g) * L;
    for (int e = 0; e < 2; ++e) {
        if (!wanted[e]) continue;
        AddLevels<true>(e == 0 ? jac.down : jac.up, L, w, gradKappa_[e], gradT_[e].data(), kappa, cloud);
        (e == 0 ? jac.downAngle : jac.upAngle) += angle_[e] * w;
    }
    AddLevels<false>(jac.opacity, L, w, opacityKappa_, nullptr, kappa, cloud);
}

}  // namespace seasky
