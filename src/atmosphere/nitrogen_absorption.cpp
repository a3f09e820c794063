#include "atmosphere/nitrogen_absorption.h"

#include <cmath>

#include "common/vector_math.h"

namespace seasky {

NitrogenLevel NitrogenLevelOf(double T, double P) {
    const double theta = 300.0 / T;
    double power = 3.6 * std::log(theta);
    ExpArray(&power, &power, 1);
    return {P * P, power};
}

double NitrogenAbsorption(const NitrogenLevel& level, double F) {
    const double fr = F / 450.0;
    const double g = 0.5 + 0.5 / (1.0 + fr * fr);
    return 1.29 * 6.5e-14 * g * level.pressureSquared * (F * F) * level.temperatureFactor;
}

double NitrogenAbsorption(double T, double P, double F) { return NitrogenAbsorption(NitrogenLevelOf(T, P), F); }

}  // namespace seasky
