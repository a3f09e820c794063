#include "surface/wind_vector.h"

#include <cmath>

#include "common/constants.h"

namespace seasky {

SurfaceWind SurfaceWindOf(double u, double v, double lookAzimuth) {
    SurfaceWind w;
    w.speed = std::hypot(u, v);
    if (w.speed == 0.0) return w;
    // Where the wind comes from, degrees clockwise from north.
    const double from = std::atan2(-u, -v) / kDegreesToRadians;
    double relative = std::fmod(from - lookAzimuth, 360.0);
    if (relative < 0.0) relative += 360.0;
    // fmod of a tiny negative value plus 360 can round to 360 itself.
    w.azimuth = relative >= 360.0 ? 0.0 : relative;
    return w;
}

}  // namespace seasky
