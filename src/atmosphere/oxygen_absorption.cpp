#include "atmosphere/oxygen_absorption.h"

#include <cmath>

#include "common/constants.h"

namespace seasky {

double OxygenAbsorption(double T, double P, double rho, double F) {
    const double theta = 300.0 / T;
    const double theta1 = theta - 1.0;
    const double b = std::pow(theta, 0.8);
    const double e = rho * T / 217.0;  // water-vapour partial pressure, mb
    const double pd = P - e;           // dry-air partial pressure, mb
    // Width scale in GHz: dry air broadens with theta^0.8, vapour 1.1 times as strongly.
    const double d = 0.001 * (pd * b + 1.1 * e * theta);

    const double F2 = F * F;
    const double w0 = 0.56 * d;
    double sum = 1.6e-17 * F2 * w0 / (theta * (F2 + w0 * w0));

    for (const OxygenLine& line : OxygenLineTable) {
        const double gamma = line.width * d;
        const double y = 0.001 * P * b * (line.y + line.v * theta1);
        const double s = line.strength * std::exp(-line.be * theta1);
        const double dm = F - line.frequency;
        const double dp = F + line.frequency;
        const double g1 = (gamma + dm * y) / (dm * dm + gamma * gamma);
        const double g2 = (gamma - dp * y) / (dp * dp + gamma * gamma);
        const double ratio = F / line.frequency;
        sum += s * (g1 + g2) * (ratio * ratio);
    }
    return 5.034e11 * sum * pd * (theta * theta * theta) / kPi;
}

}  // namespace seasky
