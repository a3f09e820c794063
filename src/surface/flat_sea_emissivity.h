// Emissivity of a flat (specular) sea surface: one minus the Fresnel power
// reflectivity of water of permittivity eps seen from vacuum.
//
// Given:   the permittivity eps = e' + i e'' (e'' > 0, from SeaWaterPermittivity),
//          or the frequency code, water temperature (degrees C) and salinity
//          (per mille) it is made from; the incidence angle (degrees for
//          SpecularEmissivity, radians for FlatSurfaceReflectivity).
// Returns: (R_V, R_H) or (1 - R_V, 1 - R_H), dimensionless.
//
// Notes: q = sqrt(eps - sin^2 theta) (principal root, first quadrant for
// e'' > 0); r_V = (eps cos - q)/(eps cos + q), r_H = (cos - q)/(cos + q);
// R = |r|^2. At nadir both polarisations equal |(sqrt(eps) - 1)/(sqrt(eps) + 1)|^2
// (to the last bit: they are formed by different expressions). Over 0-65 degrees
// the V emissivity rises and the H emissivity falls with the angle.
//
// Reference: the Fresnel equations, e.g. M. Born and E. Wolf, Principles of
// Optics, 7th ed., Cambridge University Press, 1999, sec. 1.5.2; F. T. Ulaby,
// R. K. Moore and A. K. Fung, Microwave Remote Sensing, vol. I, 1981, sec. 2-8.
#pragma once

#include <complex>

#include "common/constants.h"
#include "common/dual.h"
#include "common/records.h"

namespace seasky {

// How the incidence angle enters the Fresnel coefficients: sin^2 and cos.
template <class Real>
struct BasicIncidenceGeometry {
    Real sin2 = 0.0;
    Real cos = 0.0;
};
using IncidenceGeometry = BasicIncidenceGeometry<double>;

// The geometry of an angle in radians (sin raised to the power 2, cos).
IncidenceGeometry IncidenceGeometryOf(double angle);
// The geometry of an angle in degrees, turned into radians as theta x pi x (1/180).
IncidenceGeometry IncidenceGeometryOfDegrees(double theta);

// Power reflectivities (R_V, R_H) of a flat surface of permittivity eps
// (e' + i e'', e'' >= 0) seen from vacuum at the incidence angle in radians.
EmissivityPair FlatSurfaceReflectivity(std::complex<double> eps, double angle);
EmissivityPair FlatSurfaceReflectivity(std::complex<double> eps, const IncidenceGeometry& geometry);

// Emissivities (1 - R_V, 1 - R_H) of a flat surface of permittivity eps.
EmissivityPair FlatSurfaceEmissivity(std::complex<double> eps, const IncidenceGeometry& geometry);

// The same with derivatives (forward mode): the geometry of an angle in degrees,
// and the emissivities of a permittivity carrying derivatives.
BasicIncidenceGeometry<CombineDual> IncidenceGeometryOfDegrees(const CombineDual& theta);
BasicEmissivityPair<CombineDual> FlatSurfaceEmissivity(const DualComplex<kCombineInputs>& eps,
                                                       const BasicIncidenceGeometry<CombineDual>& geometry);

// Flat-sea emissivities (V, H) at frequency code (GHz x 100), incidence angle theta
// (degrees), water temperature t (degrees C) and salinity s (per mille).
EmissivityPair SpecularEmissivity(FrequencyCode code, double theta, double t, double s);

}  // namespace seasky
