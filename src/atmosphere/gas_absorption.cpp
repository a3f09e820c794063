#include "atmosphere/gas_absorption.h"

namespace seasky {

void AddGasLevel(GasLevels& levels, double T, double P, double rho) {
    levels.nitrogen[levels.count++] = NitrogenLevelOf(T, P);
    AddOxygenLevel(levels.oxygen, T, P, rho);
    AddWaterVapourLevel(levels.waterVapour, T, P, rho);
}

void GasAbsorption(const GasLevels& levels, double F, GasAbsorptionRecord* out) {
    double o[kLevelBlock];
    double w[kLevelBlock];
    OxygenAbsorption(levels.oxygen, F, o);
    WaterVapourAbsorption(levels.waterVapour, F, w);
    for (int i = 0; i < levels.count; ++i) {
        const double a = NitrogenAbsorption(levels.nitrogen[i], F);
        out[i] = {(a + o[i]) + w[i], o[i], w[i]};
    }
}

void AddGasLevel(BasicGasLevels<LevelDual>& levels, const LevelDual& T, const LevelDual& P, const LevelDual& rho) {
    levels.nitrogen[levels.count++] = NitrogenLevelOf(T, P);
    AddOxygenLevel(levels.oxygen, T, P, rho);
    AddWaterVapourLevel(levels.waterVapour, T, P, rho);
}

void GasAbsorptionTotal(const BasicGasLevels<LevelDual>& levels, double F, LevelDual* out) {
    LevelDual o[kLevelBlock];
    LevelDual w[kLevelBlock];
    OxygenAbsorption(levels.oxygen, F, o);
    WaterVapourAbsorption(levels.waterVapour, F, w);
    for (int i = 0; i < levels.count; ++i) out[i] = (NitrogenAbsorption(levels.nitrogen[i], F) + o[i]) + w[i];
}

GasAbsorptionRecord GasAbsorption(double F, double T, double P, double rho) {
    GasLevels levels;
    AddGasLevel(levels, T, P, rho);
    GasAbsorptionRecord out[kLevelBlock];
    GasAbsorption(levels, F, out);
    return out[0];
}

}  // namespace seasky
