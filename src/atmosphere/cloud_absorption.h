// Absorption of suspended cloud liquid water in the Rayleigh limit, with the
// single-Debye permittivity of pure water (Klein-Swift temperature polynomials).
#pragma once

namespace seasky {

// Liquid water content W (g/m^3), temperature T (K), frequency F (GHz) -> Np/km.
// Linear in W; positive wherever the static permittivity exceeds 4.9 (T above ~214 K).
double CloudLiquidAbsorption(double W, double T, double F);

}  // namespace seasky
