// Humidity of air in the forms radiosondes and reanalyses deliver it, converted
// to the water-vapour density (absolute humidity) of a profile level; and the
// geometric height of a geopotential.
//
// Given:   temperatures in K, pressures and vapour pressures in hPa (mb),
//          relative humidity in per cent (over water), mixing ratio and
//          specific humidity in kg/kg, geopotential in m^2/s^2.
// Returns: vapour pressure e (hPa), absolute humidity (g/m^3), height (m).
//
// Notes:
//  - Saturation over liquid water (also below 0 degrees C, as radiosondes
//    report relative humidity and dew point): Bolton (1980), eq. (10),
//    e_s(T) = 6.112 exp(17.67 t / (t + 243.5)) hPa with t = T - 273.15 K;
//    above the Goff-Gratch formula (the WMO reference over water) by 0.05 %
//    at 20 degrees C, 0.14 % at 0 and 0.4 % at -30 degrees C.
//  - The gases are ideal, with the constants of the batch scene conversions
//    (batch/units.h): R_d = 287.05 J/(kg K) and eps = R_d / R_v = 0.62198, so
//    that R_v = 461.51 J/(kg K). Then w = eps e / (p - e), q = eps e /
//    (p - (1 - eps) e), and rho_v = e / (R_v T).
//  - Geopotential to geometric height: the U.S. Standard Atmosphere 1976
//    model, a spherical Earth of radius r0 = 6356766 m with the standard
//    gravity g0 = 9.80665 m/s^2 at its surface, falling off as 1/r^2: the
//    geopotential height H = Phi / g0 and z = r0 H / (r0 - H) (its eq. 18
//    solved for z). Latitude-dependent gravity is not modelled: at 45 degrees
//    it differs from g0 by 0.01 %, 1 m at 10 km.
//
// References: D. Bolton, "The computation of equivalent potential
// temperature", Monthly Weather Review 108, 1046-1053, 1980; U.S. Standard
// Atmosphere, 1976, NOAA/NASA/USAF, Washington D.C., section 1.2.
#pragma once

namespace seasky {

inline constexpr double kStandardGravity = 9.80665;        // g0, m/s^2
inline constexpr double kStandardEarthRadius = 6356766.0;  // r0, m

// e_s(T), hPa, over liquid water.
double SaturationVapourPressure(double T);

// e, hPa, of a dew point Td (K).
double VapourPressureFromDewPoint(double Td);

// e, hPa, of a relative humidity rh (per cent, over water) at temperature T (K).
double VapourPressureFromRelativeHumidity(double rh, double T);

// e, hPa, of a mixing ratio w (kg of vapour per kg of dry air) at pressure p (hPa).
double VapourPressureFromMixingRatio(double w, double p);

// e, hPa, of a specific humidity q (kg of vapour per kg of moist air) at pressure p (hPa).
double VapourPressureFromSpecificHumidity(double q, double p);

// The water-vapour density rho_v, g/m^3, of a vapour pressure e (hPa) at temperature T (K).
double AbsoluteHumidity(double e, double T);

// The geometric height z, m, of a geopotential Phi (m^2/s^2).
double GeometricHeightFromGeopotential(double phi);

}  // namespace seasky
