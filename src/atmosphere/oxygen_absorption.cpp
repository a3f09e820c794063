#include "atmosphere/oxygen_absorption.h"

#include <cmath>

#include "common/constants.h"
#include "common/vector_math.h"

namespace seasky {

OxygenLevel OxygenLevelOf(double T, double P, double rho) {
    OxygenLevel level;
    const double theta = 300.0 / T;
    const double theta1 = theta - 1.0;
    // theta^0.8 and the 40 line strengths from one call of the vector exponential.
    double x[kOxygenLineCount + 1];
    x[0] = 0.8 * std::log(theta);
    for (int k = 0; k < kOxygenLineCount; ++k) x[k + 1] = -OxygenLineTable[k].be * theta1;
    ExpArray(x, x, kOxygenLineCount + 1);
    const double b = x[0];
    const double e = rho * T / 217.0;  // water-vapour partial pressure, mb
    const double pd = P - e;           // dry-air partial pressure, mb
    // Width scale in GHz: dry air broadens with theta^0.8, vapour 1.1 times as strongly.
    const double d = 0.001 * (pd * b + 1.1 * e * theta);
    level.theta = theta;
    level.dryPressure = pd;
    level.thetaCubed = theta * theta * theta;
    level.nonResonantWidth = 0.56 * d;
    for (int k = 0; k < kOxygenLineCount; ++k) {
        const OxygenLine& line = OxygenLineTable[k];
        const double gamma = line.width * d;
        level.width[k] = gamma;
        level.widthSquared[k] = gamma * gamma;
        level.coupling[k] = 0.001 * P * b * (line.y + line.v * theta1);
        level.strength[k] = line.strength * x[k + 1];
    }
    return level;
}

double OxygenAbsorption(const OxygenLevel& level, double F) {
    const double F2 = F * F;
    const double w0 = level.nonResonantWidth;
    double sum = 1.6e-17 * F2 * w0 / (level.theta * (F2 + w0 * w0));
    for (int k = 0; k < kOxygenLineCount; ++k) {
        const double fk = OxygenLineTable[k].frequency;
        const double gamma = level.width[k];
        const double y = level.coupling[k];
        const double dm = F - fk;
        const double dp = F + fk;
        const double g1 = (gamma + dm * y) / (dm * dm + level.widthSquared[k]);
        const double g2 = (gamma - dp * y) / (dp * dp + level.widthSquared[k]);
        const double ratio = F / fk;
        sum += level.strength[k] * (g1 + g2) * (ratio * ratio);
    }
    return 5.034e11 * sum * level.dryPressure * level.thetaCubed / kPi;
}

double OxygenAbsorption(double T, double P, double rho, double F) {
    return OxygenAbsorption(OxygenLevelOf(T, P, rho), F);
}

}  // namespace seasky
