// Clear-air absorption at one level: nitrogen continuum + oxygen + water vapour.
//
// Given:   frequency F (GHz, > 0; validated 0 < F <= 1000), air temperature T
//          (K, > 0), total pressure P (mb, >= 0), water-vapour density rho
//          (g/m^3, >= 0).
// Returns: the total (nitrogen + oxygen) + water vapour and the oxygen and
//          water-vapour parts, each in Np/km.
//
// Notes: the three models are those of nitrogen_absorption.h,
// oxygen_absorption.h and water_vapour_absorption.h (Rosenkranz 1993, 1998).
// AddGasLevel forms what a level shares between frequencies once; GasAbsorption
// of a block of levels then costs only the line shapes at one frequency, for
// the levels side by side. Both forms give the same numbers.
#pragma once

#include "atmosphere/nitrogen_absorption.h"
#include "atmosphere/oxygen_absorption.h"
#include "atmosphere/water_vapour_absorption.h"
#include "common/dual.h"

namespace seasky {

struct GasAbsorptionRecord {
    double total = 0.0;        // (nitrogen + oxygen) + water vapour, Np/km
    double oxygen = 0.0;       // OxygenAbsorption, Np/km
    double waterVapour = 0.0;  // WaterVapourAbsorption, Np/km
};

// The frequency-independent terms of the three models for up to kLevelBlock levels.
template <class Real>
struct BasicGasLevels {
    int count = 0;
    BasicNitrogenLevel<Real> nitrogen[kLevelBlock];
    BasicOxygenLevels<Real> oxygen;
    BasicWaterVapourLevels<Real> waterVapour;
};
using GasLevels = BasicGasLevels<double>;

// Adds a level (at most kLevelBlock): air temperature T (K), pressure P (mb),
// vapour density rho (g/m^3).
void AddGasLevel(GasLevels& levels, double T, double P, double rho);

// The absorption of each level at frequency F (GHz): out[i], i < count.
void GasAbsorption(const GasLevels& levels, double F, GasAbsorptionRecord* out);

// The total absorption with its derivatives with respect to each level's T, P
// and rho (the dual's three directions), Np/km: out[i], i < count.
void AddGasLevel(BasicGasLevels<LevelDual>& levels, const LevelDual& T, const LevelDual& P, const LevelDual& rho);
void GasAbsorptionTotal(const BasicGasLevels<LevelDual>& levels, double F, LevelDual* out);

// Frequency F (GHz), air temperature T (K), pressure P (mb), vapour density rho (g/m^3).
GasAbsorptionRecord GasAbsorption(double F, double T, double P, double rho);

}  // namespace seasky
