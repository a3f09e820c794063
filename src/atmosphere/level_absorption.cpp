#include "atmosphere/level_absorption.h"

#include "atmosphere/cloud_absorption.h"
#include "atmosphere/gas_absorption.h"

namespace seasky {

namespace {

// The block loop of both forms: terms.Add(levels, i) forms the gas terms of
// level i into the block's levels, then terms.Store(levels, k, f, first, n)
// takes the block's n levels from first at frequency number k, f GHz.
template <class Terms>
void OverLevelBlocks(int count, const double* frequencies, int m, Terms& terms) {
    for (int first = 0; first < count; first += kLevelBlock) {
        const int n = count - first < kLevelBlock ? count - first : kLevelBlock;
        typename Terms::Levels levels;
        for (int i = first; i < first + n; ++i) terms.Add(levels, i);
        for (int k = 0; k < m; ++k) terms.Store(levels, k, frequencies[k], first, n);
    }
}

// The values alone.
struct ValueTerms {
    const ProfileView& p;
    double* kappa;
    GasAbsorptionRecord gas[kLevelBlock];

    using Levels = GasLevels;
    void Add(Levels& levels, int i) { AddGasLevel(levels, p.airTemperature[i], p.pressure[i], p.absoluteHumidity[i]); }
    void Store(const Levels& levels, int k, double f, int first, int n) {
        GasAbsorption(levels, f, gas);
        for (int j = 0; j < n; ++j) {
            const int i = first + j;
            const double W = p.cloudWater[i];
            const double c = W > 0.0 ? CloudLiquidAbsorption(W, p.airTemperature[i], f) : 0.0;
            kappa[static_cast<long>(k) * p.levelCount + i] = gas[j].total + c;
        }
    }
};

// The values with their derivatives: each level's T, P and rho are the dual's
// directions 0, 1 and 2.
struct DerivativeTerms {
    const ProfileView& p;
    double* kappa;
    LevelDual* slopes;
    double* cloudSlope;
    LevelDual T[kLevelBlock];
    LevelDual gas[kLevelBlock];

    using Levels = BasicGasLevels<LevelDual>;
    void Add(Levels& levels, int i) {
        const LevelDual t = LevelDual::Variable(p.airTemperature[i], 0);
        T[levels.count] = t;
        AddGasLevel(levels, t, LevelDual::Variable(p.pressure[i], 1), LevelDual::Variable(p.absoluteHumidity[i], 2));
    }
    void Store(const Levels& levels, int k, double f, int first, int n) {
        GasAbsorptionTotal(levels, f, gas);
        for (int j = 0; j < n; ++j) {
            const int i = first + j;
            const long at = static_cast<long>(k) * p.levelCount + i;
            const double W = p.cloudWater[i];
            const LevelDual value = W > 0.0 ? gas[j] + CloudLiquidAbsorption(W, T[j], f) : gas[j];
            kappa[at] = value.v;
            slopes[at] = value;
            // Liquid cloud may be added at 233.15 K and warmer (linear in W).
            cloudSlope[at] = p.airTemperature[i] >= kLiquidCloudTemperature
                                 ? CloudLiquidAbsorption(1.0, p.airTemperature[i], f)
                                 : 0.0;
        }
    }
};

}  // namespace

void LevelAbsorption(const ProfileView& p, const double* frequencies, int m, double* kappa) {
    ValueTerms terms{p, kappa, {}};
    OverLevelBlocks(p.levelCount, frequencies, m, terms);
}

void LevelAbsorptionWithDerivatives(const ProfileView& p, const double* frequencies, int m, double* kappa,
                                    LevelDual* slopes, double* cloudSlope) {
    DerivativeTerms terms{p, kappa, slopes, cloudSlope, {}, {}};
    OverLevelBlocks(p.levelCount, frequencies, m, terms);
}

}  // namespace seasky
