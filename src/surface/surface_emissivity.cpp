#include "surface/surface_emissivity.h"

#include "surface/flat_sea_emissivity.h"
#include "surface/sea_water_permittivity.h"
#include "surface/wind_emissivity.h"

namespace seasky {

namespace {

template <class Real>
BasicSurfaceEmissivityTerms<Real> Parts(double x, const Real& theta, const Real& phi, const Real& t, const Real& s,
                                        const Real& w, DirectionRows rows) {
    BasicSurfaceEmissivityTerms<Real> terms;
    const FrequencyCode code = TruncateToFrequencyCode(x);
    terms.code = code;
    // SpecularEmissivity, WindEmissivity and WindDirectionSignal at this code, with
    // the permittivity of the water and the wind powers formed once for all three.
    const ComplexOf<Real> eps = SeaWaterPermittivity(t, s, code);
    const BasicWindSpeedPowers<Real> powers = WindSpeedPowersOf(w);
    terms.specular = FlatSurfaceEmissivity(eps, IncidenceGeometryOfDegrees(theta));
    terms.wind = WindEmissivity(code, theta, WindTemperatureScalingOf(code, eps, s), powers);
    terms.direction = WindDirectionSignal(code, theta, phi, powers, rows);
    terms.total = {(terms.specular.v + terms.wind.v) + terms.direction.V,
                   (terms.specular.h + terms.wind.h) + terms.direction.H};
    return terms;
}

}  // namespace

SurfaceEmissivityTerms SurfaceEmissivityParts(double x, double theta, double phi, double t, double s, double w,
                                              DirectionRows rows) {
    return Parts<double>(x, theta, phi, t, s, w, rows);
}

BasicSurfaceEmissivityTerms<CombineDual> SurfaceEmissivityParts(double x, const CombineDual& theta,
                                                                const CombineDual& phi, const CombineDual& t,
                                                                const CombineDual& s, const CombineDual& w,
                                                                DirectionRows rows) {
    return Parts<CombineDual>(x, theta, phi, t, s, w, rows);
}

EmissivityPair SurfaceEmissivity(double x, double theta, double phi, double t, double s, double w,
                                 DirectionRows rows) {
    return SurfaceEmissivityParts(x, theta, phi, t, s, w, rows).total;
}

}  // namespace seasky
