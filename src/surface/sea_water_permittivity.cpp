#include "surface/sea_water_permittivity.h"

#include <cmath>

namespace seasky {

namespace {

// Below this water temperature (degrees C) the authors' code holds t, which keeps
// both relaxation frequencies away from zero.
constexpr double kAuthorsCodeLowestTemperature = -30.16;
// Above this water temperature (degrees C) the authors' code continues the nu1
// salinity factor as a straight line: its value and slope per degree there.
constexpr double kAuthorsCodeNu1Temperature = 30.0;
constexpr double kAuthorsCodeNu1Value = 9.1873715e-4;
constexpr double kAuthorsCodeNu1Slope = 1.5012396e-4;

// Salinity factor of the first relaxation frequency.
template <class Real>
Real Nu1SalinityFactor(const Real& t, const Real& s, const PermittivityCoefficients& k, PermittivityVariant variant) {
    if (variant == PermittivityVariant::AuthorsCode2012 && t > kAuthorsCodeNu1Temperature)
        return 1.0 + s * (kAuthorsCodeNu1Value + kAuthorsCodeNu1Slope * (t - kAuthorsCodeNu1Temperature));
    return 1.0 + s * (k.b6 + k.b7 * t + k.b8 * t * t + k.b9 * t * t * t + k.b10 * t * t * t * t);
}

// Salinity factor of the second relaxation frequency.
template <class Real>
Real Nu2SalinityFactor(const Real& t, const Real& s, const PermittivityCoefficients& k, PermittivityVariant variant) {
    if (variant == PermittivityVariant::AuthorsCode2012) return 1.0 + s * (k.b11 + 0.5 * k.b12 * (t + 30.0));
    return 1.0 + s * (k.b11 + k.b12 * t);
}

// The model on doubles or on dual numbers (the same operations), at f GHz.
template <class Real>
ComplexOf<Real> Permittivity(const Real& tIn, const Real& s, double f, PermittivityVariant variant) {
    using std::exp;
    using Complex = ComplexOf<Real>;
    const bool authorsCode = variant == PermittivityVariant::AuthorsCode2012;
    const PermittivityCoefficients& k = authorsCode ? kAuthorsCodePermittivityCoefficients : kPermittivityCoefficients;
    const Real t = authorsCode && tIn < kAuthorsCodeLowestTemperature ? Real(kAuthorsCodeLowestTemperature) : tIn;

    // Static permittivity: the pure-water fit, reduced by the dissolved salt.
    const Real epsS0 = (37088.6 - 82.168 * t) / (t + 421.854);
    const Real epsS = epsS0 * exp(k.b0 * s + k.b1 * s * s + k.b2 * t * s);
    // Intermediate permittivity, between the two relaxations.
    const Real eps1 = (k.a0 + k.a1 * t + k.a2 * t * t) * exp(k.b3 * s + k.b4 * s * s + k.b5 * t * s);
    // First relaxation frequency, GHz.
    const Real nu1 = (45.0 + t) / (k.a3 + k.a4 * t + k.a5 * t * t) * Nu1SalinityFactor(t, s, k, variant);
    // High-frequency permittivity.
    const Real epsInf = (k.a6 + k.a7 * t) * (1.0 + s * (k.b13 + k.b14 * t));
    // Second relaxation frequency, GHz.
    const Real nu2 = (45.0 + t) / (k.a8 + k.a9 * t + k.a10 * t * t) * Nu2SalinityFactor(t, s, k, variant);

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
    return Permittivity<double>(t, s, FrequencyOfCode(code), PermittivityVariant::Published);
}

DualComplex<kCombineInputs> SeaWaterPermittivity(const CombineDual& t, const CombineDual& s, FrequencyCode code) {
    return Permittivity<CombineDual>(t, s, FrequencyOfCode(code), PermittivityVariant::Published);
}

std::complex<double> SeaWaterPermittivity(double t, double s, double frequencyGHz, PermittivityVariant variant) {
    return Permittivity<double>(t, s, frequencyGHz, variant);
}

DualComplex<kCombineInputs> SeaWaterPermittivity(const CombineDual& t, const CombineDual& s, double frequencyGHz,
                                                 PermittivityVariant variant) {
    return Permittivity<CombineDual>(t, s, frequencyGHz, variant);
}

}  // namespace seasky
