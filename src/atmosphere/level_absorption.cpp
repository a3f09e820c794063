#include "atmosphere/level_absorption.h"

#include "atmosphere/cloud_absorption.h"
#include "atmosphere/gas_absorption.h"

namespace seasky {

void LevelAbsorption(const ProfileView& p, const double* frequencies, int m, double* kappa) {
    const int count = p.levelCount;
    for (int i = 0; i < count; ++i) {
        const double T = p.airTemperature[i];
        const double W = p.cloudWater[i];
        const GasLevel level = GasLevelOf(T, p.pressure[i], p.absoluteHumidity[i]);
        for (int k = 0; k < m; ++k) {
            const double f = frequencies[k];
            const double c = W > 0.0 ? CloudLiquidAbsorption(W, T, f) : 0.0;
            kappa[static_cast<long>(k) * count + i] = GasAbsorption(level, f).total + c;
        }
    }
}

}  // namespace seasky
