// Complex relative permittivity of sea water: the two-relaxation (double-Debye)
// model of Meissner and Wentz, with a separate fit of the ionic conductivity.
//
// Given:   water temperature t (degrees C, -3 to 37 validated), salinity s (per
//          mille, 0 to 45), frequency code (GHz x 100, > 0; the model works at
//          code x 0.01 GHz, 6.75 to 89 validated).
// Returns: eps = e' + i e'' with e'' > 0 (convention 1/(1 - i f/nu) for the
//          relaxations, +i for the conduction loss).
//
// Notes:
//  - eps = (eps_s - eps_1)/(1 - i f/nu1) + (eps_1 - eps_inf)/(1 - i f/nu2)
//    + eps_inf + i 17.9751 sigma / f; each of eps_s, eps_1, eps_inf, nu1, nu2 is a
//    pure-water fit in t times a salinity factor; sigma (S/m) is the conductivity
//    at salinity 35, times a salinity ratio, times a temperature correction that
//    is exactly 1 at 15 degrees C.
//  - Misprint: the paper's coefficient table gives b9 (the t^3 term of the nu1
//    salinity factor) as +0.35594e-6; the authors state the correct value is
//    -0.35594e-6, which their own code uses and which is used here. With the
//    printed sign e'' is wrong by up to 67 % at S = 35, 30 degrees C.
//  - Within the validated ranges no denominator reaches zero; code 0 divides by
//    zero in the conduction term.
//  - PermittivityVariant::AuthorsCode2012 is the form of the model in the
//    authors' public code (RSS_RTM_2012, routine dielectric_meissner_wentz),
//    which differs from the published one in four places: b0 = -0.0033330
//    (published -0.0033333); the nu2 salinity factor 1 + s (b11 + b12 (t + 30)/2)
//    (published 1 + s (b11 + b12 t); the two agree at t = 30 degrees C); above
//    30 degrees C the nu1 salinity factor continues as the straight line
//    1 + s (9.1873715e-4 + 1.5012396e-4 (t - 30)), the value and slope of its
//    polynomial at 30 degrees C; and t is held at -30.16 degrees C below that
//    (where nu1 and nu2 would go to zero). The frequency is then given in GHz.
//
// Reference: T. Meissner and F. J. Wentz, "The complex dielectric constant of
// pure and sea water from microwave satellite observations", IEEE Trans.
// Geosci. Remote Sens. 42(9), 1836-1849, 2004, and "The emissivity of the ocean
// surface between 6 and 90 GHz over a large range of wind speeds and Earth
// incidence angles", IEEE Trans. Geosci. Remote Sens. 50(8), 3004-3026, 2012,
// Table 7 (coefficients) and its erratum of the sign of b9. The authors' code:
// Remote-Sensing-Systems/RSS-Ocean-Surface-Emissivity-Model (GitHub, MIT
// licence), RSS_RTM_module.f90, and its release notes 1 and 2.
#pragma once

#include <complex>

#include "common/constants.h"
#include "common/dual.h"

namespace seasky {

// Coefficients of the relaxation model. a0..a10 describe pure water, b0..b14 the
// salinity dependence of each pure-water quantity.
struct PermittivityCoefficients {
    double a0, a1, a2;       // intermediate permittivity e1 of pure water: a0 + a1 t + a2 t^2
    double a3, a4, a5;       // first relaxation frequency nu1: (45 + t) / (a3 + a4 t + a5 t^2), GHz
    double a6, a7;           // high-frequency permittivity of pure water: a6 + a7 t
    double a8, a9, a10;      // second relaxation frequency nu2: (45 + t) / (a8 + a9 t + a10 t^2), GHz
    double b0, b1, b2;       // static permittivity: exponent b0 s + b1 s^2 + b2 t s
    double b3, b4, b5;       // intermediate permittivity: exponent b3 s + b4 s^2 + b5 t s
    double b6, b7, b8, b9, b10;  // nu1: factor 1 + s (b6 + b7 t + b8 t^2 + b9 t^3 + b10 t^4)
    double b11, b12;         // nu2: factor 1 + s (b11 + b12 t)
    double b13, b14;         // high-frequency permittivity: factor 1 + s (b13 + b14 t)
};

inline constexpr PermittivityCoefficients kPermittivityCoefficients{
    5.723, 0.022379, -0.00071237,
    5.0478, -0.070315, 0.00060059,
    3.6143, 0.028841,
    0.13652, 0.0014825, 0.00024166,
    -0.0033333, 4.74868e-6, 0.0,
    -0.00628908, 0.000176032, -9.22144e-5,
    // b9 is negative. The coefficient table of Meissner and Wentz (2012, IEEE TGRS
    // 50(8), Table 7) prints it as +0.35594e-6; the model authors state that the
    // sign was misprinted and give -0.35594e-6, the value their own code uses.
    0.0023232, -7.9208e-5, 3.6764e-6, -3.5594e-7, 8.9795e-9,
    -0.0199723, 0.000181176,
    -0.00204265, 0.000157883,
};

// The coefficients of the authors' code: the published ones with b0 = -0.0033330.
inline constexpr PermittivityCoefficients kAuthorsCodePermittivityCoefficients = [] {
    PermittivityCoefficients k = kPermittivityCoefficients;
    k.b0 = -0.0033330;
    return k;
}();

// The form of the model: as published (the default of the project), or as the
// authors' public code of 2012 computes it (see the notes above).
enum class PermittivityVariant {
    Published,
    AuthorsCode2012,
};

// 1 / (2 pi e0) for the conductivity sigma in S/m and the frequency in GHz: the
// conductivity adds 17.9751 sigma / f to the imaginary part of the permittivity.
inline constexpr double kConductivityFactor = 17.9751;

// Permittivity e' + i e'' (e'' > 0) of sea water at water temperature t (degrees C),
// salinity s (per mille) and frequency code (GHz x 100; the frequency used is
// code x 0.01 GHz, so code must be positive).
std::complex<double> SeaWaterPermittivity(double t, double s, FrequencyCode code);
// The same with derivatives with respect to t and s (forward mode).
DualComplex<kCombineInputs> SeaWaterPermittivity(const CombineDual& t, const CombineDual& s, FrequencyCode code);

// The permittivity of the given form at the frequency f in GHz (> 0, used as
// given); with PermittivityVariant::Published and f = code x 0.01 the same
// numbers as the functions above.
std::complex<double> SeaWaterPermittivity(double t, double s, double frequencyGHz, PermittivityVariant variant);
DualComplex<kCombineInputs> SeaWaterPermittivity(const CombineDual& t, const CombineDual& s, double frequencyGHz,
                                                 PermittivityVariant variant);

}  // namespace seasky
