#include "atmosphere/cloud_absorption.h"

#include <complex>

#include "common/constants.h"

namespace seasky {

namespace {

template <class Real>
Real Absorption(double W, const Real& T, double F) {
    using Complex = ComplexOf<Real>;
    const double lambda = 30.0 / F;  // wavelength, cm
    const double f = F * 1e9;        // Hz
    const Real t = T - 273.16;       // degrees C (relative to the triple point)
    const Real epsS = 87.134 - 0.1949 * t - 0.01276 * t * t + 0.0002491 * t * t * t;
    const double epsInf = 4.9;
    // Relaxation time, s: the polynomial is 2*pi times it.
    const Real tau = (1.1109e-10 - 3.824e-12 * t + 6.938e-14 * t * t - 5.096e-16 * t * t * t) / (2.0 * kPi);
    const Real x = 2.0 * kPi * f * tau;
    const Real epsRe = epsInf + (epsS - epsInf) / (1.0 + x * x);
    const Real epsIm = x * (epsS - epsInf) / (1.0 + x * x);
    const Complex eps(epsRe, epsIm);
    // Clausius-Mossotti factor of a small sphere.
    const Complex K = (eps - Real(1.0)) / (eps + Real(2.0));
    return K.imag() * (0.6 * kPi / lambda) * W;
}

}  // namespace

double CloudLiquidAbsorption(double W, double T, double F) { return Absorption<double>(W, T, F); }

LevelDual CloudLiquidAbsorption(double W, const LevelDual& T, double F) { return Absorption<LevelDual>(W, T, F); }

}  // namespace seasky
