// The fields of the reanalysis sample files (tools/make_reanalysis_samples.cpp)
// as formulas, so that tests compute the same numbers without the files.
//
// The samples imitate ERA5 as the Copernicus data store delivers it: a
// regular latitude-longitude grid stored north to south, two validity times,
// pressure levels from 1000 to 1 hPa, and the single-level fields of a
// microwave scene over the sea. Every value is a closed formula of (time
// index, pressure or nothing, latitude, longitude) in double precision; the
// GRIB files with 64-bit IEEE packing hold exactly these doubles, the netCDF
// files their float32 roundings (static_cast<float>(x)), the 16-bit GRIB file
// the values within its packing step.
//
// The atmosphere: a dry column whose temperature falls with a constant lapse
// rate in pressure, T = T1000 (p / 1000 hPa)^kappa with kappa = R Gamma / g =
// 287.05 * 0.0065 / 9.80665 (the 6.5 K/km standard lapse rate), up to 100 hPa,
// and rises by 14 K per e-fold of pressure above (a stratosphere warming to
// about 260 K at 1 hPa); the geopotential follows from the hypsometric
// relation dPhi = -R T d ln p integrated from the surface pressure, with no
// virtual-temperature correction. Specific humidity falls as (p/1000 hPa)^3
// to a stratospheric floor of 3e-6 kg/kg. A liquid cloud of 1e-4 kg/kg lies
// at 900 and 850 hPa (half that at 925 and 800 hPa) at the cloudy points, an
// ice cloud of 2e-5 kg/kg at 300-200 hPa there. The surface is the sea at sea
// level except at one land point (its sst missing, its surface 250 m high);
// the surface pressure is below 1000 hPa at some points (the 1000 hPa level
// below the surface there: negative geopotential) and above it elsewhere.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace seasky::samples {

// ---- the grid, the times and the levels ----
// Latitudes north to south and longitudes west to east (degrees), as ERA5 stores them.
inline constexpr std::array<double, 3> kLatitudes{45.0, 30.0, 15.0};
inline constexpr std::array<double, 4> kLongitudes{0.0, 15.0, 30.0, 45.0};
// Validity times, seconds since 1970-01-01 UTC: 2024-01-01 00:00 and 06:00.
inline constexpr std::array<std::int64_t, 2> kValidTimes{1704067200, 1704088800};
inline constexpr long kDataDate = 20240101;            // YYYYMMDD of both times
inline constexpr std::array<long, 2> kDataTimes{0, 600};  // HHMM
// The pressure levels (hPa) in ERA5's order, the surface first.
inline constexpr std::array<double, 26> kPressureLevels{1000, 975, 950, 925, 900, 850, 800, 700, 600,
                                                        500,  400, 300, 250, 200, 150, 100, 70,  50,
                                                        30,   20,  10,  7,   5,   3,   2,   1};
// The land point (indexes of kLatitudes and kLongitudes): sst missing there.
inline constexpr std::size_t kLandLatitude = 0;
inline constexpr std::size_t kLandLongitude = 3;
// The point and time of the strongest wind (24 m/s).
inline constexpr std::size_t kGaleLatitude = 1;
inline constexpr std::size_t kGaleLongitude = 1;
inline constexpr std::size_t kGaleTime = 1;

// ---- the parameters (ECMWF paramId) ----
inline constexpr long kGeopotential = 129, kTemperature = 130, kSpecificHumidity = 133, kCloudLiquid = 246,
                      kCloudIce = 247;
inline constexpr long kSeaSurfaceTemperature = 34, kWindU10 = 165, kWindV10 = 166, kSurfacePressure = 134,
                      kTemperature2m = 167, kDewPoint2m = 168, kMeanSeaLevelPressure = 151;
inline constexpr std::array<long, 5> kPressureLevelParameters{kGeopotential, kTemperature, kSpecificHumidity,
                                                              kCloudLiquid, kCloudIce};
inline constexpr std::array<long, 7> kSingleLevelParameters{kSeaSurfaceTemperature, kWindU10, kWindV10,
                                                            kSurfacePressure, kTemperature2m, kDewPoint2m,
                                                            kMeanSeaLevelPressure};

// ---- constants of the column ----
inline constexpr double kGasConstant = 287.05;   // J/(kg K), dry air
inline constexpr double kGravity = 9.80665;      // m/s^2
inline constexpr double kKappa = kGasConstant * 0.0065 / kGravity;
inline constexpr double kDegree = 3.14159265358979323846 / 180.0;

inline bool IsLand(double lat, double lon) {
    return lat == kLatitudes[kLandLatitude] && lon == kLongitudes[kLandLongitude];
}

// Surface height (m): 250 m at the land point, the sea surface elsewhere.
inline double SurfaceHeight(double lat, double lon) { return IsLand(lat, lon) ? 250.0 : 0.0; }

// Temperature at 1000 hPa (K): 302 K at 15 N falling to 287 K at 45 N, 2 K of
// zonal wave, 1.5 K warmer at the second time.
inline double Temperature1000(std::size_t t, double lat, double lon) {
    return 302.0 - 0.5 * (lat - 15.0) + 2.0 * std::cos(lon * kDegree) + 1.5 * static_cast<double>(t);
}

// Mean-sea-level pressure (Pa): 985-1017 hPa over the grid.
inline double MeanSeaLevelPressure(std::size_t t, double lat, double lon) {
    return 100100.0 + 1600.0 * std::cos((4.0 * lon + 3.0 * lat) * kDegree) - 150.0 * static_cast<double>(t);
}

// Air temperature (K) at pressure p (hPa).
inline double Temperature(std::size_t t, double p, double lat, double lon) {
    const double t1000 = Temperature1000(t, lat, lon);
    if (p >= 100.0) return t1000 * std::pow(p / 1000.0, kKappa);
    return t1000 * std::pow(0.1, kKappa) + 14.0 * std::log(100.0 / p);
}

// Surface pressure (Pa): the mean-sea-level pressure brought up to the
// surface height through the column's temperature (hypsometric, isothermal
// over the 250 m).
inline double SurfacePressure(std::size_t t, double lat, double lon) {
    const double msl = MeanSeaLevelPressure(t, lat, lon);
    const double h = SurfaceHeight(lat, lon);
    return msl * std::exp(-kGravity * h / (kGasConstant * Temperature(t, msl / 100.0, lat, lon)));
}

// Geopotential (m^2/s^2) at pressure p (hPa): the surface's plus -R * the
// integral of T d ln p from the surface pressure; below the surface (p above
// the surface pressure) the same formula continued, negative at sea points.
inline double Geopotential(std::size_t t, double p, double lat, double lon) {
    const double t1000 = Temperature1000(t, lat, lon);
    const double ps = SurfacePressure(t, lat, lon) / 100.0;
    const double surface = kGravity * SurfaceHeight(lat, lon);
    // Troposphere: integral of T1000 (p/1000)^kappa d ln p.
    auto troposphere = [&](double x) { return t1000 / kKappa * std::pow(x / 1000.0, kKappa); };
    const double pTop = p >= 100.0 ? p : 100.0;
    double phi = surface + kGasConstant * (troposphere(ps) - troposphere(pTop));
    if (p < 100.0) {
        const double l = std::log(100.0 / p);
        phi += kGasConstant * (t1000 * std::pow(0.1, kKappa) * l + 7.0 * l * l);
    }
    return phi;
}

// Specific humidity (kg/kg): 18 g/kg at 1000 hPa, 15 N, falling to 9 g/kg at 45 N.
inline double SpecificHumidity(std::size_t t, double p, double lat, double lon) {
    const double q0 = 0.018 - 0.0003 * (lat - 15.0) + 0.0005 * std::sin(lon * kDegree) +
                      0.0002 * static_cast<double>(t);
    return std::fmax(q0 * std::pow(p / 1000.0, 3.0), 3e-6);
}

// A point under cloud: half the grid, changing with time.
inline bool Cloudy(std::size_t t, double lat, double lon) {
    return std::cos((2.0 * lon + lat + 60.0 * static_cast<double>(t)) * kDegree) > 0.0;
}

// Cloud liquid water (kg/kg).
inline double CloudLiquidWater(std::size_t t, double p, double lat, double lon) {
    if (!Cloudy(t, lat, lon)) return 0.0;
    if (p == 900.0 || p == 850.0) return 1e-4;
    if (p == 925.0 || p == 800.0) return 0.5e-4;
    return 0.0;
}

// Cloud ice water (kg/kg).
inline double CloudIceWater(std::size_t t, double p, double lat, double lon) {
    return Cloudy(t, lat, lon) && p <= 300.0 && p >= 200.0 ? 2e-5 : 0.0;
}

// Temperature at 2 m (K): the column's at the surface pressure, 0.8 K cooler.
inline double Temperature2m(std::size_t t, double lat, double lon) {
    return Temperature(t, SurfacePressure(t, lat, lon) / 100.0, lat, lon) - 0.8;
}

// Dew point at 2 m (K): 2-8 K below the air, drier to the north.
inline double DewPoint2m(std::size_t t, double lat, double lon) {
    return Temperature2m(t, lat, lon) - 2.0 - 6.0 * (lat - 15.0) / 30.0;
}

// Sea-surface temperature (K): 0.6 K warmer than the air at 2 m; NaN at the land point.
inline double SeaSurfaceTemperature(std::size_t t, double lat, double lon) {
    if (IsLand(lat, lon)) return std::nan("");
    return Temperature2m(t, lat, lon) + 0.6;
}

// Wind speed at 10 m (m/s): 3-18 m/s over the grid, 24 m/s at the gale point.
inline double WindSpeed10m(std::size_t t, double lat, double lon) {
    if (t == kGaleTime && lat == kLatitudes[kGaleLatitude] && lon == kLongitudes[kGaleLongitude]) return 24.0;
    return 10.5 + 7.5 * std::sin((3.0 * lon - 2.0 * lat + 45.0 * static_cast<double>(t)) * kDegree);
}

// The direction the wind blows towards, degrees clockwise from north.
inline double WindHeading10m(std::size_t t, double lat, double lon) {
    return 37.0 + 6.0 * lon + 5.0 * lat + 110.0 * static_cast<double>(t);
}

// The eastward and northward wind at 10 m (m/s).
inline double WindU10(std::size_t t, double lat, double lon) {
    return WindSpeed10m(t, lat, lon) * std::sin(WindHeading10m(t, lat, lon) * kDegree);
}
inline double WindV10(std::size_t t, double lat, double lon) {
    return WindSpeed10m(t, lat, lon) * std::cos(WindHeading10m(t, lat, lon) * kDegree);
}

// The value of a parameter (paramId) at time index t, pressure p (hPa; not
// used by the single-level ones), latitude and longitude; NaN where missing.
inline double Value(long paramId, std::size_t t, double p, double lat, double lon) {
    switch (paramId) {
        case kGeopotential: return Geopotential(t, p, lat, lon);
        case kTemperature: return Temperature(t, p, lat, lon);
        case kSpecificHumidity: return SpecificHumidity(t, p, lat, lon);
        case kCloudLiquid: return CloudLiquidWater(t, p, lat, lon);
        case kCloudIce: return CloudIceWater(t, p, lat, lon);
        case kSeaSurfaceTemperature: return SeaSurfaceTemperature(t, lat, lon);
        case kWindU10: return WindU10(t, lat, lon);
        case kWindV10: return WindV10(t, lat, lon);
        case kSurfacePressure: return SurfacePressure(t, lat, lon);
        case kTemperature2m: return Temperature2m(t, lat, lon);
        case kDewPoint2m: return DewPoint2m(t, lat, lon);
        case kMeanSeaLevelPressure: return MeanSeaLevelPressure(t, lat, lon);
        default: return std::nan("");
    }
}

}  // namespace seasky::samples
