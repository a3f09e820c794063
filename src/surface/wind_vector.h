// The wind of the sea-surface model from the wind vector of a reanalysis or
// forecast (u10, v10) and the look direction of the radiometer.
//
// Given:   u, v, the eastward and northward components of the 10 m wind, m/s
//          (the direction the air moves toward, as ERA5's u10 and v10);
//          lookAzimuth, degrees clockwise from north, of the horizontal
//          direction in which the radiometer looks: from the sensor toward
//          the footprint on the sea.
// Returns: the wind speed sqrt(u^2 + v^2), m/s, and the azimuth of the look
//          direction relative to the wind, degrees in [0, 360), as the
//          surface model takes it (azimuth input): 0 when the radiometer
//          looks upwind (into the wind, which blows toward it), 180 when it
//          looks downwind.
//
// Notes:
//  - The meteorological wind direction (where the wind comes from, clockwise
//    from north) is phi_w = atan2(-u, -v); the relative azimuth is
//    phi = phi_w - lookAzimuth, taken modulo 360 degrees. A wind from the
//    north (v < 0) seen by a radiometer looking north gives 0.
//  - This is the convention of Meissner and Wentz (2012), whose harmonic
//    series have their maximum in V at 0 (upwind); their authors' code states
//    it as the direction the wind blows toward minus the azimuth of the line
//    from the footprint to the sensor, which is the same angle.
//  - In calm air (u = v = 0) the direction is undefined; 0 is returned, and
//    the wind-direction signal vanishes with the wind.
//
// Reference: T. Meissner and F. J. Wentz, IEEE Trans. Geosci. Remote Sens.
// 50(8), 3004-3026, 2012, section VI.
#pragma once

namespace seasky {

struct SurfaceWind {
    double speed = 0.0;    // m/s
    double azimuth = 0.0;  // degrees, 0 = looking upwind
};

SurfaceWind SurfaceWindOf(double u, double v, double lookAzimuth);

}  // namespace seasky
