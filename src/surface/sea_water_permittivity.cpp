#include "surface/sea_water_permittivity.h"

#include <cmath>

namespace seasky {

namespace {

// The model on doubles or on dual numbers (the same operations).
template <class Real>
ComplexOf<Real> Permittivity(const Real& t, const Real& s, FrequencyCode code) {
    using std::exp;
    using Complex = ComplexOf<Real>;
    const PermittivityCoefficients& k = kPermittivityCoefficients;
    const double f = FrequencyOfCode(code);  // GHz

    // Static permittivity: the pure-water fit, reduced by the dissolved salt.
    const Real epsS0 = (37088.6 - 82.168 * t) / (t + 421.854);
    const Real epsS = epsS0 * exp(k.b0 * s + k.b1 * s * s + k.b2 * t * s);
    // Intermediate permittivity, between the two relaxations.
    const Real eps1 = (k.a0 + k.a1 * t + k.a2 * t * t) * exp(k.b3 * s + k.b4 * s * s + k.b5 * t * s);
    // First relaxation frequency, GHz.
    const Real nu1 = (45.0 + t) / (k.a3 + k.a4 * t + k.a5 * t * t) *
                       (1.0 + s * (k.b6 + k.b7 * t + k.b8 * t * t + k.b9 * t * t * t + k.b10 * t * t * t * t));
    // High-frequency permittivity.
    const Real epsInf = (k.a6 + k.a7 * t) * (1.0 + s * (k.b13 + k.b14 * t));
    // Second relaxation frequency, GHz.
    const Real nu2 = (45.0 + t) / (k.a8 + k.a9 * t + k.a10 * t * t) * (1.0 + s * (k.b11 + k.b12 * t));

    // Ionic conductivity, S/m: the value at salinity 35, the salinity ratio at
    // 15 degrees C and its temperature correction (exactly 1 at 15 degrees C).
    const Real sigma35 = 2.903602 + 0.08607 * t + 0.0004738817 * t * t - 2.991e-6 * t * t * t +
                           4.3047e-9 * t * t * t * t;
    const Real r15 = s * (37.5109 + 5.45216 * s + 0.014409 * s * s) / (1004.75 + 182.283 * s + s * s);
    const Real alpha0 = (6.9431 + 3.2841 * s - 0.099486 * s * s) / (84.85 + 69.024 * s + s * s);
    const Real alpha1 = 49.843 - 0.2276 * s + 0.00198 * s * s;
    const Real rt = 1.0 + alpha0 * (t - 15.0) / (alpha1 + t);
    const Real sigma = sigma35 * r15 * rt;

    // Two Debye relaxations, each a real numerator over 1 - i f / nu, the
    // high-frequency permittivity and the conductivity loss on the imaginary part.
    const Complex relax1 = (epsS - eps1) / Complex(Real(1.0), -(f / nu1));
    const Complex relax2 = (eps1 - epsInf) / Complex(Real(1.0), -(f / nu2));
    return relax1 + relax2 + epsInf + Complex(Real(0.0), kConductivityFactor * sigma / f);
}

}  // namespace

std::complex<double> SeaWaterPermittivity(double t, double s, FrequencyCode code) {
    return Permittivity<double>(t, s, code);
}

DualComplex<kCombineInputs> SeaWaterPermittivity(const CombineDual& t, const CombineDual& s, FrequencyCode code) {
    return Permittivity<CombineDual>(t, s, code);
}

}  // namespace seasky
