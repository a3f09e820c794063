// Reflected-sky correction of a wind-roughened sea.
//
// Given:   frequency f (GHz, 6.75 to 89), slant-path transmittance tau of the
//          atmosphere (0 to 1), incidence angle theta (degrees, 0 to 65), wind
//          speed w (m/s, 0 to 20).
// Returns: (Omega_V, Omega_H), dimensionless: the calculation adds, per
//          polarisation, Omega x reflectivity x (sky brightness at the surface -
//          cold-space brightness) to the specularly reflected sky.
//
// Notes:
//  - The published Omega (two decimals, at 4, 7, 12 and 20 m/s on a grid of
//    5 angles x 6 frequencies x 7 transmittances) is held as one cubic in
//    u = (w - 10)/10 per grid point: the least-squares fit through Omega = 0 at
//    w = 0 and the four published values, coefficients rounded to 7 decimals
//    (generated exactly by tools/generate_sky_correction.cpp).
//  - Linear between grid nodes, first in transmittance, then frequency, then
//    angle; 6.75-6.8 GHz extrapolates along the 6.8-10.7 GHz line; a
//    transmittance above 0.95 is held at 0.95; transmittance 0 (an opaque,
//    isotropic sky) gives 0.
//
// Reference: T. Meissner and F. J. Wentz, "The emissivity of the ocean surface
// between 6 and 90 GHz over a large range of wind speeds and Earth incidence
// angles", IEEE Trans. Geosci. Remote Sens. 50(8), 3004-3026, 2012, Appendix B,
// Tables 8-12.
#pragma once

#include <array>

#include "common/dual.h"
#include "common/records.h"

namespace seasky {

// One grid point of a correction table: Omega = a0 + a1*u + a2*u^2 + a3*u^3 with
// u = (w - 10) / 10, w the wind speed in m/s.
struct SkyCorrectionRow {
    double angle;          // incidence angle, degrees
    double frequency;      // GHz
    double transmittance;  // slant-path transmittance of the atmosphere, 0 to 1
    double a0;
    double a1;
    double a2;
    double a3;
};

// The complete grid of 5 angles x 6 frequencies x 8 transmittances, each
// combination once: angle ascending, then frequency ascending, then transmittance
// descending (row index = (angle index * 6 + frequency index) * 8 + transmittance index).
inline constexpr int kSkyCorrectionAngleCount = 5;
inline constexpr int kSkyCorrectionFrequencyCount = 6;
inline constexpr int kSkyCorrectionTransmittanceCount = 8;
inline constexpr int kSkyCorrectionRowCount =
    kSkyCorrectionAngleCount * kSkyCorrectionFrequencyCount * kSkyCorrectionTransmittanceCount;
using SkyCorrectionTable = std::array<SkyCorrectionRow, kSkyCorrectionRowCount>;

// The grid nodes in table order; the rows carry exactly these doubles.
inline constexpr std::array<double, kSkyCorrectionAngleCount> SkyCorrectionAngles{0.0, 30.0, 45.0, 55.0, 65.0};
inline constexpr std::array<double, kSkyCorrectionFrequencyCount> SkyCorrectionFrequencies{
    6.8, 10.7, 18.7, 23.8, 37.0, 89.0};
inline constexpr std::array<double, kSkyCorrectionTransmittanceCount> SkyCorrectionTransmittances{
    0.95, 0.9, 0.8, 0.7, 0.6, 0.4, 0.2, 0.0};

// The cubic of one grid point at wind speed w (m/s):
// u = (w - 10) * 0.1, value ((a1*u + a0) + a2*u*u) + a3*u*u*u.
double SkyCorrectionCubic(double w, double a0, double a1, double a2, double a3);

// (Omega_V, Omega_H), dimensionless, at frequency f (GHz, 6.75 to 89), slant-path
// transmittance tau (0 to 1), incidence angle theta (degrees, 0 to 65) and wind
// speed w (m/s). Linear between grid nodes, first in transmittance, then in
// frequency, then in angle; 6.75 to 6.8 GHz extrapolates along the 6.8-10.7 GHz
// line and a transmittance above 0.95 is held at 0.95. Outside the stated ranges
// the nearest bracket is extrapolated.
EmissivityPair ReflectedSkyCorrection(double f, double tau, double theta, double w);

// The same with derivatives with respect to tau, theta and w (forward mode).
// The table is linear within each bracket of transmittance and angle, so the
// derivative there is the line's slope; at a node it is the slope of the
// bracket that starts at that node (from above), and above 0.95 the
// transmittance derivative is 0 (Omega is held).
BasicEmissivityPair<CombineDual> ReflectedSkyCorrection(double f, const CombineDual& tau, const CombineDual& theta,
                                                        const CombineDual& w);

}  // namespace seasky
