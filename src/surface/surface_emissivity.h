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
#include "common/records.h"
#include "surface/wind_direction_signal.h"

namespace seasky {

// The parts of one evaluation.
struct SurfaceEmissivityTerms {
    FrequencyCode code = 0;            // the surface code all three terms used
    EmissivityPair specular;           // flat sea
    EmissivityPair wind;               // isotropic wind increment
    DirectionalEmissivity direction;   // wind-direction terms (V and H are added)
    EmissivityPair total;              // (specular + wind) + direction
};

SurfaceEmissivityTerms SurfaceEmissivityParts(double x, double theta, double phi, double t, double s, double w,
                                              DirectionRows rows = DirectionRows::VerticalHorizontal);

// rows: how the wind-direction table is read (see wind_direction_signal.h).
EmissivityPair SurfaceEmissivity(double x, double theta, double phi, double t, double s, double w,
                                 DirectionRows rows = DirectionRows::VerticalHorizontal);

}  // namespace seasky
