#include "surface/sea_water_permittivity.h"

#include <cmath>

namespace seasky {

std::complex<double> SeaWaterPermittivity(double t, double s, FrequencyCode code) {
    const PermittivityCoefficients& k = kPermittivityCoefficients;
    const double f = FrequencyOfCode(code);  // GHz

    // Static permittivity: the pure-water fit, reduced by the dissolved salt.
    const double epsS0 = (37088.6 - 82.168 * t) / (t + 421.854);
    const double epsS = epsS0 * std::exp(k.b0 * s + k.b1 * s * s + k.b2 * t * s);
    // Intermediate permittivity, between the two relaxations.
    const double eps1 = (k.a0 + k.a1 * t + k.a2 * t * t) * std::exp(k.b3 * s + k.b4 * s * s + k.b5 * t * s);
    // First relaxation frequency, GHz.
    const double nu1 = (45.0 + t) / (k.a3 + k.a4 * t + k.a5 * t * t) *
                       (1.0 + s * (k.b6 + k.b7 * t + k.b8 * t * t + k.b9 * t * t * t + k.b10 * t * t * t * t));
    // High-frequency permittivity.
    const double epsInf = (k.a6 + k.a7 * t) * (1.0 + s * (k.b13 + k.b14 * t));
    // Second relaxation frequency, GHz.
    const double nu2 = (45.0 + t) / (k.a8 + k.a9 * t + k.a10 * t * t) * (1.0 + s * (k.b11 + k.b12 * t));

    // Ionic conductivity, S/m: the value at salinity 35, the salinity ratio at
    // 15 degrees C and its temperature correction (exactly 1 at 15 degrees C).
    const double sigma35 = 2.903602 + 0.08607 * t + 0.0004738817 * t * t - 2.991e-6 * t * t * t +
                           4.3047e-9 * t * t * t * t;
    const double r15 = s * (37.5109 + 5.45216 * s + 0.014409 * s * s) / (1004.75 + 182.283 * s + s * s);
    const double alpha0 = (6.9431 + 3.2841 * s - 0.099486 * s * s) / (84.85 + 69.024 * s + s * s);
    const double alpha1 = 49.843 - 0.2276 * s + 0.00198 * s * s;
    const double rt = 1.0 + alpha0 * (t - 15.0) / (alpha1 + t);
    const double sigma = sigma35 * r15 * rt;

    // Two Debye relaxations, each a real numerator over 1 - i f / nu, the
    // high-frequency permittivity and the conductivity loss on the imaginary part.
    const std::complex<double> relax1 = (epsS - eps1) / std::complex<double>(1.0, -(f / nu1));
    const std::complex<double> relax2 = (eps1 - epsInf) / std::complex<double>(1.0, -(f / nu2));
    return relax1 + relax2 + epsInf + std::complex<double>(0.0, kConductivityFactor * sigma / f);
}

}  // namespace seasky
