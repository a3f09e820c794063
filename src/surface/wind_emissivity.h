// Isotropic (wind-direction independent) change of the sea emissivity with wind
// speed.
//
// Given:   frequency code (GHz x 100), incidence angle theta (degrees, 0 to 65),
//          water temperature t (degrees C), salinity s (per mille), wind speed w
//          (m/s, >= 0; 0 to 20 in a calculation).
// Returns: the increments (dE_V, dE_H) of the emissivity, dimensionless, may be
//          negative.
//
// Notes:
//  - At 55.2 degrees and 20 degrees C the increment is a fifth-degree polynomial
//    in w without constant term, with coefficients at 6.75, 10.7, 18.7, 37 and
//    89 GHz interpolated linearly in the code (extrapolated along the 6.75-89 GHz
//    line outside); it is carried to the actual temperature by the ratio of the
//    flat-sea emissivities at 55.2 degrees, E(t)/E(20 C), per polarisation, and to
//    the actual angle around the polarisation mean M by (theta/55.2)^4 (V) and
//    (theta/55.2)^1.5 (H).
//  - Above 20 m/s (outside the fitted range) it follows the straight line
//    through its values at 19 and 20 m/s.
//
// Reference: T. Meissner and F. J. Wentz, "The emissivity of the ocean surface
// between 6 and 90 GHz over a large range of wind speeds and Earth incidence
// angles", IEEE Trans. Geosci. Remote Sens. 50(8), 3004-3026, 2012 (the
// wind-induced isotropic emissivity and its incidence-angle dependence).
#pragma once

#include <complex>

#include "common/constants.h"
#include "common/dual.h"
#include "common/records.h"
#include "surface/wind_speed_powers.h"

namespace seasky {

// Polynomial coefficients of the emissivity increment at the reference angle and
// temperature: v[k - 1] and h[k - 1] multiply the k-th power of the wind speed
// (m/s), k = 1..5.
struct WindEmissivityCoefficients {
    double v[5];
    double h[5];
};

// One frequency node of the coefficient table.
struct WindEmissivityNodeEntry {
    FrequencyCode code;
    WindEmissivityCoefficients coefficients;
};

// The five frequency nodes: 6.75, 10.7, 18.7, 37.0 and 89.0 GHz.
inline constexpr WindEmissivityNodeEntry kWindEmissivityNodes[5] = {
    {675,
     {{4.96726e-05, -0.000303363, 5.60506e-05, -2.86408e-06, 4.88803e-08},
      {0.0038575, -0.000510844, 4.89469e-05, -1.50552e-06, 1.20306e-08}}},
    {1070,
     {{-0.000235464, -0.000276866, 5.73583e-05, -2.94364e-06, 4.89421e-08},
      {0.0041765, -0.000620751, 6.82607e-05, -2.47982e-06, 2.80155e-08}}},
    {1870,
     {{3.26502e-05, -0.000365935, 6.62807e-05, -3.40705e-06, 5.81231e-08},
      {0.0050633, -0.000741324, 8.54446e-05, -3.28225e-06, 4.0195e-08}}},
    {3700,
     {{-0.000703594, -0.000217673, 4.00659e-05, -1.84769e-06, 2.7683e-08},
      {0.00563832, -0.000843744, 0.000106734, -4.61253e-06, 6.67315e-08}}},
    {8900,
     {{-0.00314175, 0.000406967, -3.33273e-05, 1.2652e-06, -1.67503e-08},
      {0.00601311, -0.000700158, 0.000126075, -7.27339e-06, 1.35737e-07}}},
};

// Reference incidence angle of the polynomials, degrees, and its reciprocal.
inline constexpr double kWindReferenceAngle = 55.2;
inline constexpr double kInverseWindReferenceAngle = 0.018115942028985508;
// Reference water temperature of the polynomials, degrees C.
inline constexpr double kWindReferenceTemperature = 20.0;
// Exponents of the incidence-angle law for V and H.
inline constexpr double kWindAngleExponentV = 4.0;
inline constexpr double kWindAngleExponentH = 1.5;
// Above this wind speed (m/s) the increment follows the line through its values
// at 19 and 20 m/s.
inline constexpr double kWindPolynomialLimit = 20.0;

// Stored coefficients of the node with the given code (one of 675, 1070, 1870,
// 3700, 8900).
WindEmissivityCoefficients WindEmissivityNode(FrequencyCode code);

// Coefficients at the frequency code, interpolated linearly between the bracketing
// nodes (and extrapolated along the 675-8900 line outside 675..8900).
WindEmissivityCoefficients InterpolateWindEmissivityCoefficients(FrequencyCode code);

// Emissivity increments (V, H) of the polynomial model at wind speed w (m/s),
// without the extension above 20 m/s. theta in degrees, t in degrees C, s per mille.
EmissivityPair WindEmissivityBase(FrequencyCode code, double theta, double t, double s, double w);

// Isotropic wind increments (V, H) of the emissivity for any wind speed w >= 0.
EmissivityPair WindEmissivity(FrequencyCode code, double theta, double t, double s, double w);

// The flat-sea emissivities at the reference angle 55.2 degrees whose ratio carries
// the polynomial from 20 degrees C to the actual water temperature.
template <class Real>
struct BasicWindTemperatureScaling {
    BasicEmissivityPair<Real> actual;     // at the actual water temperature
    BasicEmissivityPair<Real> reference;  // at 20 degrees C
};
using WindTemperatureScaling = BasicWindTemperatureScaling<double>;

// The scaling for frequency code and salinity s, given the permittivity of the
// water at its actual temperature (SeaWaterPermittivity(t, s, code)).
WindTemperatureScaling WindTemperatureScalingOf(FrequencyCode code, std::complex<double> epsActual, double s);

// WindEmissivityBase and WindEmissivity with the flat-sea emissivities and the wind
// powers already formed: the same numbers, for callers that share them.
EmissivityPair WindEmissivityBase(FrequencyCode code, double theta, const WindTemperatureScaling& scaling,
                                  const WindSpeedPowers& w);
EmissivityPair WindEmissivity(FrequencyCode code, double theta, const WindTemperatureScaling& scaling,
                              const WindSpeedPowers& w);

// The same with derivatives (forward mode).
BasicWindTemperatureScaling<CombineDual> WindTemperatureScalingOf(FrequencyCode code,
                                                                  const DualComplex<kCombineInputs>& epsActual,
                                                                  const CombineDual& s);
BasicEmissivityPair<CombineDual> WindEmissivity(FrequencyCode code, const CombineDual& theta,
                                                const BasicWindTemperatureScaling<CombineDual>& scaling,
                                                const BasicWindSpeedPowers<CombineDual>& w);

}  // namespace seasky
