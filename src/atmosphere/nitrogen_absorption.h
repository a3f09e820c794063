// Collision-induced absorption of dry air (the nitrogen continuum).
//
// Given:   air temperature T (K, > 0), total pressure P (mb, >= 0), frequency
//          F (GHz, > 0; validated 0 < F <= 1000).
// Returns: absorption coefficient, Np/km:
//          1.29 x 6.5e-14 x g(F) x P^2 x F^2 x (300/T)^3.6,
//          g(F) = 0.5 + 0.5 / (1 + (F/450)^2).
//
// Notes:
//  - The continuum is taken at the total pressure. g falls from 1 at low
//    frequency to 1/2 far above 450 GHz.
//  - The frequency-independent part is formed once per level (NitrogenLevelOf)
//    and then evaluated at any number of frequencies. (300/T)^3.6 is taken as
//    exp(3.6 ln(300/T)) through the vectorised exponential: within 1e-15
//    relative of the power function.
//
// Reference: P. W. Rosenkranz, "Absorption of microwaves by atmospheric gases",
// ch. 2 of M. A. Janssen (ed.), Atmospheric Remote Sensing by Microwave
// Radiometry, Wiley, 1993, with the scale factor 1.29 and the frequency
// dependence g(F) of Rosenkranz's later public routine ABSN2.
#pragma once

#include "common/dual.h"

namespace seasky {

// What the continuum at one level shares between frequencies.
template <class Real>
struct BasicNitrogenLevel {
    Real pressureSquared = 0.0;     // P^2, mb^2
    Real temperatureFactor = 0.0;   // (300/T)^3.6
};
using NitrogenLevel = BasicNitrogenLevel<double>;

NitrogenLevel NitrogenLevelOf(double T, double P);
BasicNitrogenLevel<LevelDual> NitrogenLevelOf(const LevelDual& T, const LevelDual& P);

// Absorption coefficient of the level at frequency F (GHz), Np/km.
double NitrogenAbsorption(const NitrogenLevel& level, double F);
LevelDual NitrogenAbsorption(const BasicNitrogenLevel<LevelDual>& level, double F);

// The same for one level and one frequency.
double NitrogenAbsorption(double T, double P, double F);

}  // namespace seasky
