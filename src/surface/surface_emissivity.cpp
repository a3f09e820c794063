#include "surface/surface_emissivity.h"

#include "surface/sea_water_permittivity.h"
#include "surface/flat_sea_emissivity.h"
#include "surface/wind_direction_signal.h"
#include "surface/wind_emissivity.h"

namespace seasky {

FrequencyCode TruncateToFrequencyCode(double hundredthsOfGHz) { return static_cast<FrequencyCode>(hundredthsOfGHz); }

EmissivityPair SurfaceEmissivity(double x, double theta, double phi, double t, double s, double w,
                                 DirectionRows rows) {
    const FrequencyCode code = TruncateToFrequencyCode(x);
    // SpecularEmissivity, WindEmissivity and WindDirectionSignal at this code, with
    // the permittivity of the water and the wind powers formed once for all three.
    const std::complex<double> eps = SeaWaterPermittivity(t, s, code);
    const WindSpeedPowers powers = WindSpeedPowersOf(w);
    const EmissivityPair flat = FlatSurfaceEmissivity(eps, IncidenceGeometryOfDegrees(theta));
    const EmissivityPair wind = WindEmissivity(code, theta, WindTemperatureScalingOf(code, eps, s), powers);
    const DirectionalEmissivity direction = WindDirectionSignal(code, theta, phi, powers, rows);
    return {(flat.v + wind.v) + direction.V, (flat.h + wind.h) + direction.H};
}

}  // namespace seasky
