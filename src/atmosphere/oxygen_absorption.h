// Oxygen absorption: 40 lines with first-order line coupling and the
// non-resonant (Debye) term.
//
// Given:   air temperature T (K, > 0), total pressure P (mb, >= 0), water-vapour
//          density rho (g/m^3, >= 0), frequency F (GHz, > 0; validated
//          0 < F <= 1000).
// Returns: absorption coefficient, Np/km.
//
// Notes:
//  - theta = 300/T, e = rho T / 217 (vapour pressure, mb), pd = P - e; width
//    scale d = 0.001 (pd theta^0.8 + 1.1 e theta) GHz; each line k has width
//    W_k d, coupling 0.001 P theta^0.8 (Y_k + V_k (theta - 1)) and strength
//    S_k exp(-BE_k (theta - 1)), in a Van Vleck-Weisskopf shape with coupling;
//    result 5.034e11 sum pd theta^3 / pi.
//  - Not limited below: line coupling can make it slightly negative far from the
//    lines at low pressure. Zero pressure and humidity at exactly a line
//    frequency divide by zero (the validated inputs exclude it only through the
//    frequency range; the profile reader accepts P = 0).
//  - The frequency-independent part is formed once per level (AddOxygenLevel):
//    the 40 strengths and theta^0.8 = exp(0.8 ln theta) through the vectorised
//    exponential, within 1e-15 relative of the straightforward form.
//
// Reference: P. W. Rosenkranz, "Absorption of microwaves by atmospheric gases",
// ch. 2 of M. A. Janssen (ed.), Atmospheric Remote Sensing by Microwave
// Radiometry, Wiley, 1993; line parameters after H. J. Liebe, P. W. Rosenkranz
// and G. A. Hufford, "Atmospheric 60-GHz oxygen spectrum: new laboratory
// measurements and line parameters", J. Quant. Spectrosc. Radiat. Transfer
// 48(5/6), 629-643, 1992.
#pragma once

#include <array>

#include "atmosphere/level_block.h"
#include "common/dual.h"

namespace seasky {

struct OxygenLine {
    double frequency;  // f_k, GHz
    double strength;   // S_k at 300 K
    double be;         // temperature exponent of the strength
    double width;      // pressure-broadened width, MHz/mb at 300 K
    double y;          // first-order coupling, per 1000 mb
    double v;          // temperature coefficient of the coupling, per 1000 mb
};

// The lines in summation order.
inline constexpr std::array<OxygenLine, 40> OxygenLineTable{{
    {118.7503, 2.936e-15, 0.009, 1.63, -0.0233, 0.0079},
    {56.2648, 8.079e-16, 0.015, 1.646, 0.2408, -0.0978},
    {62.4863, 2.48e-15, 0.083, 1.468, -0.3486, 0.0844},
    {58.4466, 2.228e-15, 0.084, 1.449, 0.5227, -0.1273},
    {60.3061, 3.351e-15, 0.212, 1.382, -0.543, 0.0699},
    {59.591, 3.292e-15, 0.212, 1.36, 0.5877, -0.0776},
    {59.1642, 3.721e-15, 0.391, 1.319, -0.397, 0.2309},
    {60.4348, 3.891e-15, 0.391, 1.297, 0.3237, -0.2825},
    {58.3239, 3.64e-15, 0.626, 1.266, -0.1348, 0.0436},
    {61.1506, 4.005e-15, 0.626, 1.248, 0.0311, -0.0584},
    {57.6125, 3.227e-15, 0.915, 1.221, 0.0725, 0.6056},
    {61.8002, 3.715e-15, 0.915, 1.207, -0.1663, -0.6619},
    {56.9682, 2.627e-15, 1.26, 1.181, 0.2832, 0.6451},
    {62.4112, 3.156e-15, 1.26, 1.171, -0.3629, -0.6759},
    {56.3634, 1.982e-15, 1.66, 1.144, 0.397, 0.6547},
    {62.998, 2.477e-15, 1.665, 1.139, -0.4599, -0.6675},
    {55.7838, 1.391e-15, 2.119, 1.11, 0.4695, 0.6135},
    {63.5685, 1.808e-15, 2.115, 1.108, -0.5199, -0.6139},
    {55.2214, 9.124e-16, 2.624, 1.079, 0.5187, 0.2952},
    {64.1278, 1.23e-15, 2.625, 1.078, -0.5597, -0.2895},
    {54.6712, 5.603e-16, 3.194, 1.05, 0.5903, 0.2654},
    {64.6789, 7.842e-16, 3.194, 1.05, -0.6246, -0.259},
    {54.13, 3.228e-16, 3.814, 1.02, 0.6656, 0.375},
    {65.2241, 4.689e-16, 3.814, 1.02, -0.6942, -0.368},
    {53.5957, 1.748e-16, 4.484, 1.0, 0.7086, 0.5085},
    {65.7648, 2.632e-16, 4.484, 1.0, -0.7325, -0.5002},
    {53.0669, 8.898e-17, 5.224, 0.97, 0.7348, 0.6206},
    {66.3021, 1.389e-16, 5.224, 0.97, -0.7546, -0.6091},
    {52.5424, 4.264e-17, 6.004, 0.94, 0.7702, 0.6526},
    {66.8368, 6.899e-17, 6.004, 0.94, -0.7864, -0.6393},
    {52.0214, 1.924e-17, 6.844, 0.92, 0.8083, 0.664},
    {67.3696, 3.229e-17, 6.844, 0.92, -0.821, -0.6475},
    {51.5034, 8.191e-18, 7.744, 0.89, 0.8439, 0.6729},
    {67.9009, 1.423e-17, 7.744, 0.89, -0.8529, -0.6545},
    {368.4984, 6.46e-16, 0.048, 1.92, 0.0, 0.0},
    {424.7631, 7.047e-15, 0.044, 1.92, 0.0, 0.0},
    {487.2494, 3.011e-15, 0.049, 1.92, 0.0, 0.0},
    {715.3932, 1.826e-15, 0.145, 1.81, 0.0, 0.0},
    {773.8397, 1.152e-14, 0.141, 1.81, 0.0, 0.0},
    {834.1453, 3.971e-15, 0.145, 1.81, 0.0, 0.0},
}};

inline constexpr int kOxygenLineCount = static_cast<int>(OxygenLineTable.size());

// What the oxygen absorption of up to kLevelBlock levels shares between
// frequencies, level by level side by side. Real is double, or a dual number
// carrying derivatives with respect to a level's T, P and rho.
template <class Real>
struct BasicOxygenLevels {
    int count = 0;
    Real theta[kLevelBlock] = {};             // 300 / T
    Real dryPressure[kLevelBlock] = {};       // pd = P - e, mb
    Real thetaCubed[kLevelBlock] = {};        // theta^3
    Real nonResonantWidth[kLevelBlock] = {};  // w0 = 0.56 d, GHz
    Real width[kOxygenLineCount][kLevelBlock] = {};         // W_k d, GHz
    Real widthSquared[kOxygenLineCount][kLevelBlock] = {};  // (W_k d)^2
    Real coupling[kOxygenLineCount][kLevelBlock] = {};      // y_k
    Real strength[kOxygenLineCount][kLevelBlock] = {};      // S_k exp(-BE_k (theta - 1))
};
using OxygenLevels = BasicOxygenLevels<double>;

// Adds a level (at most kLevelBlock).
void AddOxygenLevel(OxygenLevels& levels, double T, double P, double rho);
void AddOxygenLevel(BasicOxygenLevels<LevelDual>& levels, const LevelDual& T, const LevelDual& P,
                    const LevelDual& rho);

// The absorption of each level at frequency F (GHz), Np/km: out[i], i < count.
void OxygenAbsorption(const OxygenLevels& levels, double F, double* out);
void OxygenAbsorption(const BasicOxygenLevels<LevelDual>& levels, double F, LevelDual* out);

// The same for one level and one frequency: air temperature T (K), total
// pressure P (mb), water-vapour density rho (g/m^3), frequency F (GHz).
double OxygenAbsorption(double T, double P, double rho, double F);

}  // namespace seasky
