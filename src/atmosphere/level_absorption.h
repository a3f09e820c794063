// Absorption at the profile's own levels for a set of frequencies (the second
// stage of the radiative transfer).
//
// Given:   a profile (heights are not used here; temperature K, pressure mb,
//          vapour density and cloud water g/m^3 per level) and m frequencies
//          (GHz, > 0).
// Returns: kappa[k * levelCount + i], the total absorption (gas + cloud liquid
//          water), Np/km, of level i at frequency k.
//
// Notes: the frequency-independent terms of the gas models (their powers and
// exponentials of temperature, their pressure and humidity factors) are formed
// once per level for all m frequencies, a block of levels at a time, and the
// line sums run over the block's levels side by side (AddGasLevel). Cloud water
// counts only where it is above 0.
#pragma once

#include "common/records.h"

namespace seasky {

void LevelAbsorption(const ProfileView& profile, const double* frequencies, int m, double* kappa);

}  // namespace seasky
