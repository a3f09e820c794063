#include "atmosphere/water_vapour_absorption.h"

#include <cmath>
#include <type_traits>

#include "common/dual_math.h"

namespace seasky {

namespace {

constexpr int kLines = kWaterVapourLineCount;

template <class Real>
void AddLevel(BasicWaterVapourLevels<Real>& levels, const Real& T, const Real& P, const Real& rho) {
    using std::log;
    const int j = levels.count++;
    // Dry air absorbs exactly nothing. (With derivatives the general path is taken
    // at rho = 0 as well: its value is 0 too, and it gives the derivative with
    // respect to rho from above.)
    if (std::is_same_v<Real, double> && rho == 0.0) {
        // The lane holds harmless values (a unit width) so that the shared
        // arithmetic stays finite; its result is 0.
        levels.dry[j] = true;
        levels.lineScale[j] = 0.0;
        levels.continuum[j] = 0.0;
        for (int i = 0; i < kLines; ++i) {
            levels.width[i][j] = 1.0;
            levels.widthSquared[i][j] = 1.0;
            levels.intensity[i][j] = 0.0;
            levels.cutOff[i][j] = 0.0;
        }
        return;
    }
    levels.dry[j] = false;
    const Real e = rho * T / 217.0;  // water-vapour partial pressure, mb
    const Real pd = P - e;           // dry-air partial pressure, mb
    const Real n = 3.335e16 * rho;   // number density scale of the vapour
    const Real theta = 300.0 / T;
    const Real logTheta = log(theta);

    // theta^X_i, theta^XS_i, exp(B2_i (1 - theta)), theta^2.5 and theta^7.5 from
    // one call of the vector exponential.
    Real x[3 * kLines + 2];
    for (int i = 0; i < kLines; ++i) {
        const WaterVapourLine& line = WaterVapourLineTable[i];
        x[i] = line.x * logTheta;
        x[kLines + i] = line.xs * logTheta;
        x[2 * kLines + i] = line.b2 * (1.0 - theta);
    }
    x[3 * kLines] = 2.5 * logTheta;
    x[3 * kLines + 1] = 7.5 * logTheta;
    ExpInPlace(x, 3 * kLines + 2);
    const Real theta25 = x[3 * kLines];
    const Real theta75 = x[3 * kLines + 1];

    const Real theta3 = theta * theta * theta;
    levels.continuum[j] = (5.4e-10 * pd * theta3 + 1.8e-8 * e * theta75) * e;
    levels.lineScale[j] = 3.183e-5 * n;
    for (int i = 0; i < kLines; ++i) {
        const WaterVapourLine& line = WaterVapourLineTable[i];
        const Real gamma = line.w3 * pd * x[i] + line.ws * e * x[kLines + i];
        levels.width[i][j] = gamma;
        levels.widthSquared[i][j] = gamma * gamma;
        levels.intensity[i][j] = line.s1 * theta25 * x[2 * kLines + i];
        // Line shape at 750 GHz detuning, subtracted so that each line is cut off
        // smoothly there.
        levels.cutOff[i][j] = gamma / (562500.0 + gamma * gamma);
    }
}

// All kLevelBlock lanes are computed (lanes beyond count are not returned): a
// fixed trip count that vectorises. Whether a detuning lies within 750 GHz
// depends on the frequency alone, so the cut-off is decided once per line.
template <class Real>
inline void Absorption(const BasicWaterVapourLevels<Real>& levels, double F, Real* out) {
    const double F2 = F * F;
    Real sum[kLevelBlock] = {};
    for (int i = 0; i < kLines; ++i) {
        const double fi = WaterVapourLineTable[i].frequency;
        const double dm = F - fi;
        const double dp = F + fi;
        const bool lower = std::fabs(dm) < 750.0;
        const bool upper = std::fabs(dp) < 750.0;
        const double dm2 = dm * dm;
        const double dp2 = dp * dp;
        const double ratio = F / fi;
        const double ratio2 = ratio * ratio;
        for (int j = 0; j < kLevelBlock; ++j) {
            const Real gamma = levels.width[i][j];
            const Real base = levels.cutOff[i][j];
            Real r = 0.0;
            if (lower) r += gamma / (dm2 + levels.widthSquared[i][j]) - base;
            if (upper) r += gamma / (dp2 + levels.widthSquared[i][j]) - base;
            sum[j] += levels.intensity[i][j] * r * ratio2;
        }
    }
    for (int j = 0; j < levels.count; ++j)
        out[j] = levels.dry[j] ? Real(0.0) : Real(levels.lineScale[j] * sum[j] + levels.continuum[j] * F2);
}

}  // namespace

void AddWaterVapourLevel(WaterVapourLevels& levels, double T, double P, double rho) {
    AddLevel<double>(levels, T, P, rho);
}
void AddWaterVapourLevel(BasicWaterVapourLevels<LevelDual>& levels, const LevelDual& T, const LevelDual& P,
                         const LevelDual& rho) {
    AddLevel<LevelDual>(levels, T, P, rho);
}

SEASKY_CLONES void WaterVapourAbsorption(const WaterVapourLevels& levels, double F, double* out) {
    Absorption<double>(levels, F, out);
}
void WaterVapourAbsorption(const BasicWaterVapourLevels<LevelDual>& levels, double F, LevelDual* out) {
    Absorption<LevelDual>(levels, F, out);
}

double WaterVapourAbsorption(double T, double P, double rho, double F) {
    WaterVapourLevels levels;
    AddWaterVapourLevel(levels, T, P, rho);
    double out[kLevelBlock];
    WaterVapourAbsorption(levels, F, out);
    return out[0];
}

}  // namespace seasky
