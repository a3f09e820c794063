#include "atmosphere/gas_absorption.h"

namespace seasky {

GasLevel GasLevelOf(double T, double P, double rho) {
    return {NitrogenLevelOf(T, P), OxygenLevelOf(T, P, rho), WaterVapourLevelOf(T, P, rho)};
}

GasAbsorptionRecord GasAbsorption(const GasLevel& level, double F) {
    const double a = NitrogenAbsorption(level.nitrogen, F);
    const double o = OxygenAbsorption(level.oxygen, F);
    const double w = WaterVapourAbsorption(level.waterVapour, F);
    return {(a + o) + w, o, w};
}

GasAbsorptionRecord GasAbsorption(double F, double T, double P, double rho) {
    return GasAbsorption(GasLevelOf(T, P, rho), F);
}

}  // namespace seasky
