// Total emissivity of the wind-roughened sea: flat-sea emissivity plus the
// isotropic wind increment plus the wind-direction increment.
#pragma once

#include "common/constants.h"
#include "common/records.h"
#include "surface/wind_direction_signal.h"

namespace seasky {

// The frequency code of a frequency given in hundredths of a GHz: truncated toward
// zero, never rounded (1869.9999 gives 1869).
FrequencyCode TruncateToFrequencyCode(double hundredthsOfGHz);

// Emissivities (V, H) of the sea surface. x is the frequency in GHz times 100
// (turned into the frequency code by truncation), theta the incidence angle and
// phi the azimuth angle (degrees), t the water temperature (degrees C), s the
// salinity (per mille) and w the wind speed (m/s). Not clamped to any range.
// rows: how the wind-direction table is read (see wind_direction_signal.h).
EmissivityPair SurfaceEmissivity(double x, double theta, double phi, double t, double s, double w,
                                 DirectionRows rows = DirectionRows::VerticalHorizontal);

}  // namespace seasky
