// Clear-air absorption: nitrogen continuum + oxygen + water vapour.
#pragma once

namespace seasky {

struct GasAbsorptionRecord {
    double total = 0.0;        // (nitrogen + oxygen) + water vapour, Np/km
    double oxygen = 0.0;       // OxygenAbsorption, Np/km
    double waterVapour = 0.0;  // WaterVapourAbsorption, Np/km
};

// Frequency F (GHz), air temperature T (K), pressure P (mb), vapour density rho (g/m^3).
GasAbsorptionRecord GasAbsorption(double F, double T, double P, double rho);

}  // namespace seasky
