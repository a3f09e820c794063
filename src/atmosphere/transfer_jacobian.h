// The derivatives of a passband's transfer through the atmosphere with respect
// to every profile level's air temperature, pressure, water-vapour density and
// cloud water, and with respect to the view angle.
//
// Given:   a profile (at least two levels) and a passband with its view angle
//          (as for AtmosphereTransfers).
// Returns: the transfer itself (the same numbers as AtmosphereTransfers) and
//          d(down brightness), d(up brightness) and d(opacity) per unit of each
//          level quantity (K/K, K/mb, K/(g/m^3); opacity Np per unit), and the
//          brightness derivatives per degree of view angle.
//
// Notes:
//  - Exact, by the chain rule through the stages: the absorption at each level
//    by forward-mode automatic differentiation of the gas and cloud models (dual
//    numbers, the same operations as the models themselves); the resampling onto
//    the grid by the weights of its straight lines; the transfer by its
//    per-layer sensitivities dB/dT and dB/dkappa (layer_transfer.h); the beam and
//    band means as the sums they are. No finite differences.
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
#pragma once

#include <vector>

#include "atmosphere/atmosphere_radiation.h"

namespace seasky {

// The profile quantities, in the order of the derivative arrays.
inline constexpr int kProfileQuantities = 4;  // air temperature, pressure, humidity, cloud water

struct TransferJacobian {
    int levels = 0;
    // [quantity * levels + level], in file order of the levels.
    std::vector<double> down;     // d downwelling brightness / d x, K per unit
    std::vector<double> up;       // d upwelling brightness / d x, K per unit
    std::vector<double> opacity;  // d opacity (summed from the ground) / d x, Np per unit
    double downAngle = 0.0;       // d downwelling brightness / d view angle, K per degree
    double upAngle = 0.0;         // d upwelling brightness / d view angle, K per degree
};

AtmosphereTransferResult AtmosphereTransferJacobian(const ProfileView& profile, const PassbandRequest& passband,
                                                    TransferJacobian& jacobian);

}  // namespace seasky
