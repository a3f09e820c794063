// Water-vapour absorption: 15 lines with a 750 GHz cut-off, plus the self- and
// foreign-broadened continuum.
//
// Given:   air temperature T (K, > 0), total pressure P (mb, >= 0), water-vapour
//          density rho (g/m^3, >= 0), frequency F (GHz, > 0; validated
//          0 < F <= 1000).
// Returns: absorption coefficient, Np/km; exactly 0 for rho = 0.
//
// Notes:
//  - theta = 300/T, e = rho T / 217 (vapour pressure, mb), pd = P - e. Line i
//    has width W3_i pd theta^X_i + WS_i e theta^XS_i (GHz) and intensity
//    S1_i theta^2.5 exp(B2_i (1 - theta)); each of its two detunings F -+ f_i
//    contributes a Lorentzian minus its value at 750 GHz while within 750 GHz,
//    nothing beyond. Continuum (5.4e-10 pd theta^3 + 1.8e-8 e theta^7.5) e F^2.
//  - The frequency-independent part is formed once per level
//    (AddWaterVapourLevel). Its 32 powers of theta are taken as exp(x ln theta)
//    and its 15 exponentials in one call of the vectorised exponential: within
//    1e-15 relative of the power function.
//
// Reference: P. W. Rosenkranz, "Water vapor microwave continuum absorption: a
// comparison of measurements and models", Radio Science 33(4), 919-928, 1998,
// and its correction, Radio Science 34(4), 1025, 1999.
#pragma once

#include <array>

#include "atmosphere/level_block.h"
#include "common/dual.h"

namespace seasky {

struct WaterVapourLine {
    double frequency;  // f_i, GHz
    double s1;         // line intensity at 300 K
    double b2;         // temperature coefficient of the intensity
    double w3;         // air-broadened width, GHz/mb at 300 K
    double x;          // temperature exponent of w3
    double ws;         // self-broadened width, GHz/mb at 300 K
    double xs;         // temperature exponent of ws
};

// The lines in summation order.
inline constexpr std::array<WaterVapourLine, 15> WaterVapourLineTable{{
    {22.2351, 1.313585e-14, 2.144, 0.002697, 0.7, 0.012987, 1.2},
    {183.3101, 2.279e-12, 0.668, 0.00281, 0.64, 0.01491, 0.85},
    {321.2256, 8.058e-14, 6.179, 0.0023, 0.67, 0.0108, 0.54},
    {325.1529, 2.701e-12, 1.541, 0.00278, 0.68, 0.0135, 0.74},
    {380.1974, 2.444e-11, 1.048, 0.00287, 0.54, 0.01541, 0.89},
    {439.1508, 2.185e-12, 3.595, 0.0021, 0.63, 0.009, 0.52},
    {443.0183, 4.637e-13, 5.048, 0.00186, 0.6, 0.00788, 0.5},
    {448.0011, 2.568e-11, 1.405, 0.00263, 0.66, 0.01275, 0.67},
    {470.889, 8.392e-13, 3.597, 0.00215, 0.66, 0.00983, 0.65},
    {474.6891, 3.272e-12, 2.379, 0.00236, 0.65, 0.01095, 0.64},
    {488.4911, 6.676e-13, 2.852, 0.0026, 0.69, 0.01313, 0.72},
    {556.936, 1.535e-09, 0.159, 0.00321, 0.69, 0.0132, 1.0},
    {620.7008, 1.711e-11, 2.391, 0.00244, 0.71, 0.0114, 0.68},
    {752.0332, 1.014e-09, 0.396, 0.00306, 0.68, 0.01253, 0.84},
    {916.1712, 4.238e-11, 1.441, 0.00267, 0.7, 0.01275, 0.78},
}};

inline constexpr int kWaterVapourLineCount = static_cast<int>(WaterVapourLineTable.size());

// What the water-vapour absorption of up to kLevelBlock levels shares between
// frequencies, level by level side by side. Real is double, or a dual number
// carrying derivatives with respect to a level's T, P and rho.
template <class Real>
struct BasicWaterVapourLevels {
    int count = 0;
    bool dry[kLevelBlock] = {};        // rho == 0: the absorption is exactly 0
    Real lineScale[kLevelBlock] = {};  // 3.183e-5 x 3.335e16 rho
    Real continuum[kLevelBlock] = {};  // continuum / F^2
    Real width[kWaterVapourLineCount][kLevelBlock] = {};         // gamma_i, GHz
    Real widthSquared[kWaterVapourLineCount][kLevelBlock] = {};  // gamma_i^2
    Real intensity[kWaterVapourLineCount][kLevelBlock] = {};     // s_i
    Real cutOff[kWaterVapourLineCount][kLevelBlock] = {};        // gamma_i / (750^2 + gamma_i^2)
};
using WaterVapourLevels = BasicWaterVapourLevels<double>;

// Adds a level (at most kLevelBlock).
void AddWaterVapourLevel(WaterVapourLevels& levels, double T, double P, double rho);
// With derivatives. At rho = 0 the absorption is exactly 0 and its derivative
// with respect to rho is the right-hand one: the line and continuum terms are
// linear in rho there (the derivative of the path rho > 0 at rho = 0).
void AddWaterVapourLevel(BasicWaterVapourLevels<LevelDual>& levels, const LevelDual& T, const LevelDual& P,
                         const LevelDual& rho);

// The absorption of each level at frequency F (GHz), Np/km: out[i], i < count.
void WaterVapourAbsorption(const WaterVapourLevels& levels, double F, double* out);
void WaterVapourAbsorption(const BasicWaterVapourLevels<LevelDual>& levels, double F, LevelDual* out);

// The same for one level and one frequency: air temperature T (K), total
// pressure P (mb), water-vapour density rho (g/m^3), frequency F (GHz).
double WaterVapourAbsorption(double T, double P, double rho, double F);

}  // namespace seasky
