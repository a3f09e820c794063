// Collision-induced absorption of dry air (Rosenkranz nitrogen continuum).
#pragma once

namespace seasky {

// Absorption coefficient in Np/km at air temperature T (K), total pressure P (mb)
// and frequency F (GHz).
double NitrogenAbsorption(double T, double P, double F);

}  // namespace seasky
