// Emissivity of a flat (specular) sea surface: one minus the Fresnel power
// reflectivity of the water with the permittivity of SeaWaterPermittivity.
#pragma once

#include <complex>

#include "common/constants.h"
#include "common/records.h"

namespace seasky {

// How the incidence angle enters the Fresnel coefficients: sin^2 and cos.
struct IncidenceGeometry {
    double sin2 = 0.0;
    double cos = 0.0;
};

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

// Flat-sea emissivities (V, H) at frequency code (GHz x 100), incidence angle theta
// (degrees), water temperature t (degrees C) and salinity s (per mille).
EmissivityPair SpecularEmissivity(FrequencyCode code, double theta, double t, double s);

}  // namespace seasky
