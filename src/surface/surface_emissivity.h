// Total emissivity of the wind-roughened sea: flat-sea emissivity plus the
// isotropic wind increment plus the wind-direction increment.
//
// Given:   x, the frequency in GHz times 100 (a double, truncated here to the
//          surface code; see common/frequency.h); theta, the incidence angle
//          (degrees, 0 to 65); phi, the azimuth of the look direction relative to
//          the wind (degrees, 0 to 360); t, the water temperature (degrees C, -3 to
//          37); s, the salinity (per mille, 0 to 45); w, the wind speed (m/s, 0 to
//          20 validated, extended linearly above).
// Returns: the emissivities (V, H), dimensionless, summed as
//          (flat + isotropic wind) + direction; not clamped.
//
// Notes: the three terms are SpecularEmissivity (flat_sea_emissivity.h on
// sea_water_permittivity.h), WindEmissivity (wind_emissivity.h) and the V and H
// terms of WindDirectionSignal (wind_direction_signal.h), all at the same code.
// x = 1869.9999 gives code 1869, not 1870 (truncation, not rounding).
//
// Reference: T. Meissner and F. J. Wentz, IEEE Trans. Geosci. Remote Sens.
// 50(8), 3004-3026, 2012 (the model whose parts are summed here).
#pragma once

#include "common/constants.h"
#include "common/dual.h"
#include "common/records.h"
#include "surface/wind_direction_signal.h"

namespace seasky {

// The parts of one evaluation.
template <class Real>
struct BasicSurfaceEmissivityTerms {
    FrequencyCode code = 0;                        // the surface code all three terms used
    BasicEmissivityPair<Real> specular;            // flat sea
    BasicEmissivityPair<Real> wind;                // isotropic wind increment
    BasicDirectionalEmissivity<Real> direction;    // wind-direction terms (V and H are added)
    BasicEmissivityPair<Real> total;               // (specular + wind) + direction
};
using SurfaceEmissivityTerms = BasicSurfaceEmissivityTerms<double>;

SurfaceEmissivityTerms SurfaceEmissivityParts(double x, double theta, double phi, double t, double s, double w,
                                              DirectionRows rows = DirectionRows::VerticalHorizontal);

// The same with derivatives with respect to theta, phi, t, s and w (forward
// mode: the same operations on dual numbers, so the same values). Where a
// coefficient table changes bracket (in the frequency code, not differentiated)
// nothing is one-sided; the branches in theta (exactly 0) and w (above 20 m/s)
// give the derivative of the branch taken.
BasicSurfaceEmissivityTerms<CombineDual> SurfaceEmissivityParts(double x, const CombineDual& theta,
                                                                const CombineDual& phi, const CombineDual& t,
                                                                const CombineDual& s, const CombineDual& w,
                                                                DirectionRows rows);

// rows: how the wind-direction table is read (see wind_direction_signal.h).
EmissivityPair SurfaceEmissivity(double x, double theta, double phi, double t, double s, double w,
                                 DirectionRows rows = DirectionRows::VerticalHorizontal);

}  // namespace seasky
