// The derivative mode of the staged transfer through the atmosphere
// (AtmosphereTransfers given jacobians): the derivatives of each passband's
// transfer with respect to every profile level's air temperature, pressure,
// water-vapour density and cloud water, and with respect to the view angle.
//
// Given:   a profile (at least two levels) and passbands with their view angles,
//          as for AtmosphereTransfers (atmosphere_radiation.h).
// Returns: per passband, the transfer itself (the same numbers as without
//          derivatives) and d(down brightness), d(up brightness) and d(opacity)
//          per unit of each level quantity (K/K, K/mb, K/(g/m^3); opacity Np per
//          unit), and the brightness derivatives per degree of view angle.
//
// Notes:
//  - Exact, by the chain rule through the stages of the transfer, which the
//    derivative mode shares with the values: (1) the resampling onto the grid by
//    the weights of its straight lines; (2) the absorption at each level with
//    its slopes by forward-mode automatic differentiation of the gas and cloud
//    models (dual numbers, the same operations as the models themselves;
//    level_absorption.h); (3) the transfer by its per-layer sensitivities dB/dT
//    and dB/dkappa (layer_transfer.h), carried back to the levels once per
//    sub-frequency and view angle; (4) the beam and band means as the sums they
//    are: each sub-frequency adds its derivatives with the weight it has in its
//    passband's mean. No finite differences.
//  - Where the model is not differentiable, the derivative is that of the branch
//    the model takes:
//      - cloud water at a level colder than 233.15 K: 0 (liquid cloud is refused
//        there); at 233.15 K and warmer, including a cloud-free level, the
//        derivative of the absorption CloudLiquidAbsorption(1, T, F) per g/m^3,
//        the cloud term being linear in W;
//      - water vapour at rho = 0: the derivative from above (the vapour terms are
//        linear in rho there);
//      - a grid height on a profile level: the line of the interval the
//        resampling takes there (the last that brackets it); two levels at one
//        height share it half and half;
//      - the grid itself (its heights follow the lowest and highest level) and
//        the number of sub-frequencies of a band do not depend on the values
//        differentiated here.
//  - Each passband's derivatives are summed over its sub-frequencies in the
//    order of its sub-bands and, within one, of rising frequency, whatever other
//    passbands are transferred with it: several passbands at once give each one
//    bit for bit the derivatives it has alone.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "atmosphere/layer_transfer.h"
#include "atmosphere/transfer_grid.h"
#include "common/dual.h"
#include "common/records.h"

namespace seasky {

// The quantities of a profile level the derivatives are taken with respect to,
// in the order of the derivative arrays (the first three are also the
// directions of the level absorption's dual numbers, level_absorption.h).
enum class LevelQuantity { temperature, pressure, humidity, cloud };
inline constexpr int kProfileQuantities = 4;
inline constexpr std::array<LevelQuantity, kProfileQuantities> kLevelQuantities{
    LevelQuantity::temperature, LevelQuantity::pressure, LevelQuantity::humidity, LevelQuantity::cloud};
constexpr int Index(LevelQuantity q) { return static_cast<int>(q); }

struct TransferJacobian {
    int levels = 0;
    // [Index(quantity) * levels + level], in file order of the levels.
    std::vector<double> down;     // d downwelling brightness / d x, K per unit
    std::vector<double> up;       // d upwelling brightness / d x, K per unit
    std::vector<double> opacity;  // d opacity (summed from the ground) / d x, Np per unit
    double downAngle = 0.0;       // d downwelling brightness / d view angle, K per degree
    double upAngle = 0.0;         // d upwelling brightness / d view angle, K per degree

    std::size_t At(LevelQuantity q, int level) const {
        return static_cast<std::size_t>(Index(q)) * static_cast<std::size_t>(levels) + static_cast<std::size_t>(level);
    }
};

// What the derivative mode adds to the stages of AtmosphereTransfers, with its
// working storage (kept between calls).
class TransferDerivatives {
public:
    // Stage 1: jacobians[0..count-1] zeroed for the profile's levels, and the
    // weights of each grid height's line.
    void Begin(const TransferGrid& grid, const double* H, int levels, TransferJacobian* jacobians, int count);

    // Stage 2: the level absorption of m frequencies (kappa as LevelAbsorption
    // gives it) with its slopes.
    void LevelAbsorption(const ProfileView& profile, const double* frequencies, int m, double* kappa);

    // Stage 3: the sensitivities one observer end's transfer fills.
    LayerSensitivities& Sensitivities() { return sensitivity_; }
    // ... carried back from the grid layers to the levels.
    void BackToLevels(ObserverEnd end);

    // Stage 4: the derivatives at frequency number g of the last LevelAbsorption,
    // for the ends wanted (bottom, top) as BackToLevels left them, added into
    // passband's jacobian with the sub-frequency's weight in its mean.
    void Add(int passband, int g, double weight, const bool wanted[2]);

private:
    // One grid height's line: the two levels and their weights.
    struct GridLine {
        int j = -1;  // -1: bracketed by no interval
        double lower = 0.0, upper = 0.0;
    };
    // d value on the grid / d (level j, level j + 1), per grid height.
    std::vector<GridLine> lines_;
    // Per end (bottom, top): dB/dT and dB/dkappa at the levels, dB/dtheta.
    std::vector<double> gradT_[2], gradKappa_[2];
    double angle_[2] = {};
    // d opacity / d kappa at the levels (the same at every frequency).
    std::vector<double> opacityKappa_;
    std::vector<LevelDual> slopes_;   // frequency x levels
    std::vector<double> cloudSlope_;  // frequency x levels
    LayerSensitivities sensitivity_;
    TransferJacobian* jacobians_ = nullptr;
    int levels_ = 0;
};

}  // namespace seasky
