#include "atmosphere/nitrogen_absorption.h"

#include <cmath>

namespace seasky {

double NitrogenAbsorption(double T, double P, double F) {
    const double theta = 300.0 / T;
    // The continuum falls to half its low-frequency strength far above 450 GHz.
    const double fr = F / 450.0;
    const double g = 0.5 + 0.5 / (1.0 + fr * fr);
    return 1.29 * 6.5e-14 * g * (P * P) * (F * F) * std::pow(theta, 3.6);
}

}  // namespace seasky
