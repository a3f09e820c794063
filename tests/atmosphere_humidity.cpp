// Humidity conversions against the Goff-Gratch saturation pressure and against
// each other, and the height of a geopotential against the U.S. Standard
// Atmosphere 1976.
#include <gtest/gtest.h>

#include <cmath>

#include "atmosphere/humidity.h"
#include "test_support.h"

namespace seasky {
namespace {

// The Goff-Gratch formula over liquid water (Smithsonian Meteorological Tables;
// the WMO reference), hPa: an independent form of the saturation pressure.
double GoffGratch(double T) {
    const double ts = 373.16;
    const double log10e = -7.90298 * (ts / T - 1.0) + 5.02808 * std::log10(ts / T) -
                          1.3816e-7 * (std::pow(10.0, 11.344 * (1.0 - T / ts)) - 1.0) +
                          8.1328e-3 * (std::pow(10.0, -3.49149 * (ts / T - 1.0)) - 1.0) + std::log10(1013.246);
    return std::pow(10.0, log10e);
}

TEST(Humidity, SaturationOverWaterFollowsGoffGratchWithinBoltonsFit) {
    // Bolton's fit is 6.112 hPa at 0 degrees C by construction; against
    // Goff-Gratch it lies 0.05 % above at 20 and up to 0.4 % above at -30
    // degrees C, never below, over the range radiosondes report over water.
    EXPECT_EQ(SaturationVapourPressure(273.15), 6.112);
    for (double t = -30.0; t <= 35.0; t += 5.0) {
        const double ratio = SaturationVapourPressure(t + 273.15) / GoffGratch(t + 273.15);
        EXPECT_GT(ratio, 1.0) << t;
        EXPECT_LT(ratio, t >= 0.0 ? 1.002 : 1.0045) << t;
    }
    EXPECT_NEAR(SaturationVapourPressure(293.15) / GoffGratch(293.15), 1.0, 6e-4);
}

TEST(Humidity, EveryFormGivesTheSameVapour) {
    const double T = 288.15, p = 950.0;
    // Saturated air: its dew point is its temperature.
    EXPECT_DOUBLE_EQ(VapourPressureFromRelativeHumidity(100.0, T), VapourPressureFromDewPoint(T));
    EXPECT_DOUBLE_EQ(VapourPressureFromRelativeHumidity(50.0, T), 0.5 * VapourPressureFromDewPoint(T));
    // A mixing ratio w and the specific humidity q = w / (1 + w) of the same air.
    for (double w : {0.0, 0.001, 0.012, 0.03}) {
        const double q = w / (1.0 + w);
        EXPECT_NEAR(VapourPressureFromMixingRatio(w, p), VapourPressureFromSpecificHumidity(q, p), 1e-13) << w;
        // Back: w = eps e / (p - e).
        const double e = VapourPressureFromMixingRatio(w, p);
        EXPECT_NEAR(0.62198 * e / (p - e), w, 1e-15) << w;
    }
    // rho_v = e / (R_v T): 10 hPa at 290 K holds 7.4717 g/m^3 (R_v = 461.51).
    EXPECT_NEAR(AbsoluteHumidity(10.0, 290.0), 1000.0 / (287.05 / 0.62198 * 290.0) * 1000.0, 1e-12);
    EXPECT_NEAR(AbsoluteHumidity(10.0, 290.0), 7.4717, 1e-4);
}

TEST(Humidity, GeometricHeightOfAGeopotential) {
    EXPECT_EQ(GeometricHeightFromGeopotential(0.0), 0.0);
    // The tropopause of the U.S. Standard Atmosphere 1976: geopotential
    // height 11 km is the geometric altitude 11.019 km.
    EXPECT_NEAR(GeometricHeightFromGeopotential(11000.0 * 9.80665), 11019.07, 0.01);
    // The inverse, H = r0 z / (r0 + z), returns the geopotential height.
    for (double z : {100.0, 1500.0, 30000.0, 80000.0}) {
        const double H = 6356766.0 * z / (6356766.0 + z);
        EXPECT_NEAR(GeometricHeightFromGeopotential(H * 9.80665), z, 1e-8 * z) << z;
    }
}

}  // namespace
}  // namespace seasky
