#include "atmosphere/water_vapour_absorption.h"

#include <cmath>

namespace seasky {

double WaterVapourAbsorption(double T, double P, double rho, double F) {
    if (rho == 0.0) return 0.0;
    const double e = rho * T / 217.0;  // water-vapour partial pressure, mb
    const double pd = P - e;           // dry-air partial pressure, mb
    const double n = 3.335e16 * rho;   // number density scale of the vapour
    const double theta = 300.0 / T;
    const double F2 = F * F;

    const double theta3 = theta * theta * theta;
    const double continuum = (5.4e-10 * pd * theta3 + 1.8e-8 * e * std::pow(theta, 7.5)) * e * F2;

    double sum = 0.0;
    for (const WaterVapourLine& line : WaterVapourLineTable) {
        const double gamma = line.w3 * pd * std::pow(theta, line.x) + line.ws * e * std::pow(theta, line.xs);
        const double s = line.s1 * std::pow(theta, 2.5) * std::exp(line.b2 * (1.0 - theta));
        // Line shape at 750 GHz detuning, subtracted so each line is cut off smoothly there.
        const double base = gamma / (562500.0 + gamma * gamma);
        double r = 0.0;
        const double dm = F - line.frequency;
        if (std::fabs(dm) < 750.0) r += gamma / (dm * dm + gamma * gamma) - base;
        const double dp = F + line.frequency;
        if (std::fabs(dp) < 750.0) r += gamma / (dp * dp + gamma * gamma) - base;
        const double ratio = F / line.frequency;
        sum += s * r * (ratio * ratio);
    }
    return 3.183e-5 * n * sum + continuum;
}

}  // namespace seasky
