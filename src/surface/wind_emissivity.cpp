#include "surface/wind_emissivity.h"

#include <cmath>
#include <type_traits>

#include "common/interpolate.h"
#include "surface/sea_water_permittivity.h"
#include "surface/flat_sea_emissivity.h"

namespace seasky {

namespace {

const WindEmissivityCoefficients& NodeCoefficients(FrequencyCode code) {
    for (const WindEmissivityNodeEntry& node : kWindEmissivityNodes)
        if (node.code == code) return node.coefficients;
    return kWindEmissivityNodes[0].coefficients;  // not a node: never asked for
}

}  // namespace

WindEmissivityCoefficients WindEmissivityNode(FrequencyCode code) { return NodeCoefficients(code); }

WindEmissivityCoefficients InterpolateWindEmissivityCoefficients(FrequencyCode code) {
    FrequencyCode lo = 675;
    FrequencyCode hi = 8900;
    if (code >= 675 && code <= 1069) {
        lo = 675;
        hi = 1070;
    } else if (code >= 1070 && code <= 1869) {
        lo = 1070;
        hi = 1870;
    } else if (code >= 1870 && code <= 3699) {
        lo = 1870;
        hi = 3700;
    } else if (code >= 3700 && code <= 8900) {
        lo = 3700;
        hi = 8900;
    }
    const WindEmissivityCoefficients& a = NodeCoefficients(lo);
    const WindEmissivityCoefficients& b = NodeCoefficients(hi);
    const double x0 = lo;
    const double x1 = hi;
    const double x = code;
    WindEmissivityCoefficients result{};
    for (int k = 0; k < 5; ++k) {
        result.v[k] = LinearInterpolate(x0, a.v[k], x1, b.v[k], x);
        result.h[k] = LinearInterpolate(x0, a.h[k], x1, b.h[k], x);
    }
    return result;
}

namespace {

template <class Real>
BasicWindTemperatureScaling<Real> ScalingOf(FrequencyCode code, const ComplexOf<Real>& epsActual, const Real& s) {
    // The reference angle is fixed: its sin^2 and cos are formed once.
    static const IncidenceGeometry reference = IncidenceGeometryOfDegrees(kWindReferenceAngle);
    if constexpr (std::is_same_v<Real, double>) {
        return {FlatSurfaceEmissivity(epsActual, reference),
                FlatSurfaceEmissivity(SeaWaterPermittivity(kWindReferenceTemperature, s, code), reference)};
    } else {
        const BasicIncidenceGeometry<Real> fixed{Real(reference.sin2), Real(reference.cos)};
        return {FlatSurfaceEmissivity(epsActual, fixed),
                FlatSurfaceEmissivity(SeaWaterPermittivity(Real(kWindReferenceTemperature), s, code), fixed)};
    }
}

template <class Real>
BasicEmissivityPair<Real> Base(FrequencyCode code, const Real& theta, const BasicWindTemperatureScaling<Real>& scaling,
                               const BasicWindSpeedPowers<Real>& w) {
    using std::pow;
    const WindEmissivityCoefficients c = InterpolateWindEmissivityCoefficients(code);

    // Increments at the reference angle and temperature: sum of c_k w^k, k = 1..5.
    Real pV = 0.0;
    Real pH = 0.0;
    for (int k = 0; k < 5; ++k) {
        pV = pV + c.v[k] * w.power[k];
        pH = pH + c.h[k] * w.power[k];
    }

    // Carried to the actual water temperature by the ratio of the flat-sea
    // emissivities at the reference angle.
    const Real rV = scaling.actual.v / scaling.reference.v * pV;
    const Real rH = scaling.actual.h / scaling.reference.h * pH;

    // Carried to the actual angle around the polarisation mean M: at nadir both
    // increments are M, at 55.2 degrees they are rV and rH.
    const Real m = (rV + rH) * 0.5;
    const Real x = theta * kInverseWindReferenceAngle;
    return {m + pow(x, kWindAngleExponentV) * (rV - m), m + pow(x, kWindAngleExponentH) * (rH - m)};
}

template <class Real>
BasicEmissivityPair<Real> Increment(FrequencyCode code, const Real& theta,
                                    const BasicWindTemperatureScaling<Real>& scaling,
                                    const BasicWindSpeedPowers<Real>& w) {
    if (!(w.w > kWindPolynomialLimit)) return Base(code, theta, scaling, w);
    // Beyond the fitted range: the straight line through the values A at 19 m/s
    // and B at 20 m/s, with intercept a = 20 A - 19 B and slope b = (A - a) / 19.
    const BasicEmissivityPair<Real> a19 = Base(code, theta, scaling, WindSpeedPowersOf(Real(19.0)));
    const BasicEmissivityPair<Real> b20 = Base(code, theta, scaling, WindSpeedPowersOf(Real(20.0)));
    constexpr double kInverse19 = 0.05263157894736842;
    const Real aV = (20.0 * a19.v - 19.0 * b20.v) * 1.0;
    const Real aH = (20.0 * a19.h - 19.0 * b20.h) * 1.0;
    const Real bV = (a19.v - aV) * kInverse19;
    const Real bH = (a19.h - aH) * kInverse19;
    return {aV + bV * w.w, aH + bH * w.w};
}

}  // namespace

WindTemperatureScaling WindTemperatureScalingOf(FrequencyCode code, std::complex<double> epsActual, double s) {
    return ScalingOf<double>(code, epsActual, s);
}

BasicWindTemperatureScaling<CombineDual> WindTemperatureScalingOf(FrequencyCode code,
                                                                  const DualComplex<kCombineInputs>& epsActual,
                                                                  const CombineDual& s) {
    return ScalingOf<CombineDual>(code, epsActual, s);
}

EmissivityPair WindEmissivityBase(FrequencyCode code, double theta, const WindTemperatureScaling& scaling,
                                  const WindSpeedPowers& w) {
    return Base<double>(code, theta, scaling, w);
}

EmissivityPair WindEmissivity(FrequencyCode code, double theta, const WindTemperatureScaling& scaling,
                              const WindSpeedPowers& w) {
    return Increment<double>(code, theta, scaling, w);
}

BasicEmissivityPair<CombineDual> WindEmissivity(FrequencyCode code, const CombineDual& theta,
                                                const BasicWindTemperatureScaling<CombineDual>& scaling,
                                                const BasicWindSpeedPowers<CombineDual>& w) {
    return Increment<CombineDual>(code, theta, scaling, w);
}

EmissivityPair WindEmissivityBase(FrequencyCode code, double theta, double t, double s, double w) {
    return WindEmissivityBase(code, theta, WindTemperatureScalingOf(code, SeaWaterPermittivity(t, s, code), s),
                              WindSpeedPowersOf(w));
}

EmissivityPair WindEmissivity(FrequencyCode code, double theta, double t, double s, double w) {
    return WindEmissivity(code, theta, WindTemperatureScalingOf(code, SeaWaterPermittivity(t, s, code), s),
                          WindSpeedPowersOf(w));
}

}  // namespace seasky
