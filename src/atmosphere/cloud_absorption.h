// Absorption of suspended cloud liquid water in the Rayleigh (small droplet)
// limit.
//
// Given:   liquid water content W (g/m^3, > 0), air temperature T (K; liquid
//          cloud is accepted from 233.15 K), frequency F (GHz, > 0).
// Returns: absorption coefficient, Np/km: Im((eps - 1)/(eps + 2)) x 0.6 pi / lambda
//          x W, lambda = 30/F cm, with the single-Debye permittivity of pure water
//          eps = 4.9 + (eps_s - 4.9)/(1 - i x), x = 2 pi f tau.
//
// Notes:
//  - eps_s and 2 pi tau are the Klein-Swift temperature polynomials in
//    t = T - 273.16 (the triple point, not 273.15): eps_s = 87.134 - 0.1949 t
//    - 0.01276 t^2 + 0.0002491 t^3, 2 pi tau = 1.1109e-10 - 3.824e-12 t
//    + 6.938e-14 t^2 - 5.096e-16 t^3 s. Fresh water: no salinity, no conductivity.
//  - Linear in W; positive wherever eps_s exceeds 4.9 (T above about 214 K).
//    Below 233.15 K supercooled liquid does not persist, and the polynomials
//    are outside their fitted range: the validation table refuses such levels.
//
// Reference: L. A. Klein and C. T. Swift, "An improved model for the dielectric
// constant of sea water at microwave frequencies", IEEE Trans. Antennas Propag.
// AP-25(1), 104-111, 1977 (the pure-water Debye parameters); the Rayleigh
// absorption of a cloud of small spheres, e.g. F. T. Ulaby, R. K. Moore and
// A. K. Fung, Microwave Remote Sensing, vol. I, Addison-Wesley, 1981, sec. 5-7.
#pragma once

#include "common/dual.h"

namespace seasky {

// The coldest air, K, in which cloud water is taken as liquid: below it
// supercooled droplets do not persist (and the permittivity fit ends).
inline constexpr double kLiquidCloudTemperature = 233.15;

// Liquid water content W (g/m^3), temperature T (K), frequency F (GHz) -> Np/km.
// Linear in W; positive wherever the static permittivity exceeds 4.9 (T above ~214 K).
double CloudLiquidAbsorption(double W, double T, double F);

// The same with its derivatives with respect to the level's T (forward mode);
// the derivative with respect to W is CloudLiquidAbsorption(1, T, F), the
// coefficient being linear in W.
LevelDual CloudLiquidAbsorption(double W, const LevelDual& T, double F);

}  // namespace seasky
