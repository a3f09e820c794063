#include "atmosphere/cloud_absorption.h"

#include <complex>

#include "common/constants.h"

namespace seasky {

double CloudLiquidAbsorption(double W, double T, double F) {
    const double lambda = 30.0 / F;  // wavelength, cm
    const double f = F * 1e9;        // Hz
    const double t = T - 273.16;     // degrees C (relative to the triple point)
    const double epsS = 87.134 - 0.1949 * t - 0.01276 * t * t + 0.0002491 * t * t * t;
    const double epsInf = 4.9;
    // Relaxation time, s: the polynomial is 2*pi times it.
    const double tau = (1.1109e-10 - 3.824e-12 * t + 6.938e-14 * t * t - 5.096e-16 * t * t * t) / (2.0 * kPi);
    const double x = 2.0 * kPi * f * tau;
    const double epsRe = epsInf + (epsS - epsInf) / (1.0 + x * x);
    const double epsIm = x * (epsS - epsInf) / (1.0 + x * x);
    const std::complex<double> eps(epsRe, epsIm);
    // Clausius-Mossotti factor of a small sphere.
    const std::complex<double> K = (eps - 1.0) / (eps + 2.0);
    return K.imag() * (0.6 * kPi / lambda) * W;
}

}  // namespace seasky
