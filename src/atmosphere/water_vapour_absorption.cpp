#include "atmosphere/water_vapour_absorption.h"

#include <cmath>

#include "common/vector_math.h"

namespace seasky {

namespace {

constexpr int kLines = kWaterVapourLineCount;

}  // namespace

WaterVapourLevel WaterVapourLevelOf(double T, double P, double rho) {
    WaterVapourLevel level;
    if (rho == 0.0) return level;
    level.dry = false;
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
    level.continuum = (5.4e-10 * pd * theta3 + 1.8e-8 * e * theta75) * e;
    level.lineScale = 3.183e-5 * n;
    for (int i = 0; i < kLines; ++i) {
        const WaterVapourLine& line = WaterVapourLineTable[i];
        const double gamma = line.w3 * pd * x[i] + line.ws * e * x[kLines + i];
        level.width[i] = gamma;
        level.widthSquared[i] = gamma * gamma;
        level.intensity[i] = line.s1 * theta25 * x[2 * kLines + i];
        // Line shape at 750 GHz detuning, subtracted so that each line is cut off
        // smoothly there.
        level.cutOff[i] = gamma / (562500.0 + gamma * gamma);
    }
    return level;
}

double WaterVapourAbsorption(const WaterVapourLevel& level, double F) {
    if (level.dry) return 0.0;
    const double F2 = F * F;
    double sum = 0.0;
    for (int i = 0; i < kLines; ++i) {
        const double fi = WaterVapourLineTable[i].frequency;
        const double gamma = level.width[i];
        const double base = level.cutOff[i];
        double r = 0.0;
        const double dm = F - fi;
        if (std::fabs(dm) < 750.0) r += gamma / (dm * dm + level.widthSquared[i]) - base;
        const double dp = F + fi;
        if (std::fabs(dp) < 750.0) r += gamma / (dp * dp + level.widthSquared[i]) - base;
        const double ratio = F / fi;
        sum += level.intensity[i] * r * (ratio * ratio);
    }
    return level.lineScale * sum + level.continuum * F2;
}

double WaterVapourAbsorption(double T, double P, double rho, double F) {
    return WaterVapourAbsorption(WaterVapourLevelOf(T, P, rho), F);
}

}  // namespace seasky
