// Absorption at the profile's own levels for a set of frequencies (the second
// stage of the radiative transfer), optionally with its derivatives.
//
// Given:   a profile (heights are not used here; temperature K, pressure mb,
//          vapour density and cloud water g/m^3 per level) and m frequencies
//          (GHz, > 0).
// Returns: kappa[k * levelCount + i], the total absorption (gas + cloud liquid
//          water), Np/km, of level i at frequency k; with derivatives also
//          slopes[k * levelCount + i], the same absorption as a dual number whose
//          directions 0, 1, 2 are its derivatives with respect to the level's
//          air temperature (per K), pressure (per mb) and vapour density (per
//          g/m^3), and cloudSlope[k * levelCount + i], its derivative with
//          respect to the level's cloud water (per g/m^3).
//
// Notes:
//  - The frequency-independent terms of the gas models (their powers and
//    exponentials of temperature, their pressure and humidity factors) are
//    formed once per level for all m frequencies, a block of levels at a time,
//    and the line sums run over the block's levels side by side (AddGasLevel).
//    Cloud water counts only where it is above 0.
//  - The derivatives by forward-mode automatic differentiation of the same
//    models (common/dual.h): the values are those of LevelAbsorption bit for bit.
//    Cloud water: the absorption is linear in it, so its derivative is
//    CloudLiquidAbsorption(1, T, F) wherever liquid cloud may be (233.15 K and
//    warmer, a cloud-free level included) and 0 in colder air.
#pragma once

#include "common/dual.h"
#include "common/records.h"

namespace seasky {

void LevelAbsorption(const ProfileView& profile, const double* frequencies, int m, double* kappa);

void LevelAbsorptionWithDerivatives(const ProfileView& profile, const double* frequencies, int m, double* kappa,
                                    LevelDual* slopes, double* cloudSlope);

}  // namespace seasky
