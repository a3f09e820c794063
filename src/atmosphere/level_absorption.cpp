#include "atmosphere/level_absorption.h"

#include "atmosphere/cloud_absorption.h"
#include "atmosphere/gas_absorption.h"

namespace seasky {

void LevelAbsorption(const ProfileView& p, const double* frequencies, int m, double* kappa) {
    const int count = p.levelCount;
    GasAbsorptionRecord gas[kLevelBlock];
    // A block of levels at a time: their gas terms once, then every frequency.
    for (int first = 0; first < count; first += kLevelBlock) {
        const int n = count - first < kLevelBlock ? count - first : kLevelBlock;
        GasLevels levels;
        for (int i = first; i < first + n; ++i) AddGasLevel(levels, p.airTemperature[i], p.pressure[i], p.absoluteHumidity[i]);
        for (int k = 0; k < m; ++k) {
            const double f = frequencies[k];
            GasAbsorption(levels, f, gas);
            for (int j = 0; j < n; ++j) {
                const int i = first + j;
                const double W = p.cloudWater[i];
                const double c = W > 0.0 ? CloudLiquidAbsorption(W, p.airTemperature[i], f) : 0.0;
                kappa[static_cast<long>(k) * count + i] = gas[j].total + c;
            }
        }
    }
}

}  // namespace seasky
