#include "atmosphere/water_vapour_absorption.h"

#include <cmath>

#include "common/vector_math.h"

namespace seasky {

namespace {

constexpr int kLines = kWaterVapourLineCount;

}  // namespace

void AddWaterVapourLevel(WaterVapourLevels& levels, double T, double P, double rho) {
    const int j = levels.count++;
    if (rho == 0.0) {
        // Dry air absorbs nothing; the lane holds harmless values (a unit width)
        // so that the shared arithmetic stays finite, and its result is 0.
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
    const double e = rho * T / 217.0;  // water-vapour partial pressure, mb
    const double pd = P - e;           // dry-air partial pressure, mb
    const double n = 3.335e16 * rho;   // number density scale of the vapour
    const double theta = 300.0 / T;
    const double logTheta = std::log(theta);

    // theta^X_i, theta^XS_i, exp(B2_i (1 - theta)), theta^2.5 and theta^7.5 from
    // one call of the vector exponential.
    double x[3 * kLines + 2];
    for (int i = 0; i < kLines; ++i) {
        const WaterVapourLine& line = WaterVapourLineTable[i];
        x[i] = line.x * logTheta;
        x[kLines + i] = line.xs * logTheta;
        x[2 * kLines + i] = line.b2 * (1.0 - theta);
    }
    x[3 * kLines] = 2.5 * logTheta;
    x[3 * kLines + 1] = 7.5 * logTheta;
    ExpArray(x, x, 3 * kLines + 2);
    const double theta25 = x[3 * kLines];
    const double theta75 = x[3 * kLines + 1];

    const double theta3 = theta * theta * theta;
    levels.continuum[j] = (5.4e-10 * pd * theta3 + 1.8e-8 * e * theta75) * e;
    levels.lineScale[j] = 3.183e-5 * n;
    for (int i = 0; i < kLines; ++i) {
        const WaterVapourLine& line = WaterVapourLineTable[i];
        const double gamma = line.w3 * pd * x[i] + line.ws * e * x[kLines + i];
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
SEASKY_CLONES void WaterVapourAbsorption(const WaterVapourLevels& levels, double F, double* out) {
    const double F2 = F * F;
    double sum[kLevelBlock] = {};
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
            const double gamma = levels.width[i][j];
            const double base = levels.cutOff[i][j];
            double r = 0.0;
            if (lower) r += gamma / (dm2 + levels.widthSquared[i][j]) - base;
            if (upper) r += gamma / (dp2 + levels.widthSquared[i][j]) - base;
            sum[j] += levels.intensity[i][j] * r * ratio2;
        }
    }
    for (int j = 0; j < levels.count; ++j)
        out[j] = levels.dry[j] ? 0.0 : levels.lineScale[j] * sum[j] + levels.continuum[j] * F2;
}

double WaterVapourAbsorption(double T, double P, double rho, double F) {
    WaterVapourLevels levels;
    AddWaterVapourLevel(levels, T, P, rho);
    double out[kLevelBlock];
    WaterVapourAbsorption(levels, F, out);
    return out[0];
}

}  // namespace seasky
