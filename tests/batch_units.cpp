// Units of scene files against values worked out by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "atmosphere/humidity.h"
#include "batch/units.h"

namespace seasky {
namespace {

double Apply(UnitKind kind, const char* units, double value) {
    const std::optional<UnitConversion> c = ConversionOf(kind, units);
    EXPECT_TRUE(c.has_value()) << units;
    return c ? value * c->scale + c->offset : std::nan("");
}

TEST(Units, DirectConversions) {
    EXPECT_DOUBLE_EQ(Apply(UnitKind::AirTemperature, "K", 250.0), 250.0);
    EXPECT_DOUBLE_EQ(Apply(UnitKind::AirTemperature, "degC", -23.15), 250.0);
    EXPECT_DOUBLE_EQ(Apply(UnitKind::AirTemperature, "celsius", 0.0), 273.15);
    EXPECT_DOUBLE_EQ(Apply(UnitKind::SeaTemperature, "K", 300.15), 27.0);
    EXPECT_DOUBLE_EQ(Apply(UnitKind::SeaTemperature, "°C", 27.0), 27.0);
    EXPECT_DOUBLE_EQ(Apply(UnitKind::Pressure, "Pa", 101325.0), 1013.25);
    EXPECT_DOUBLE_EQ(Apply(UnitKind::Pressure, "hPa", 1013.25), 1013.25);
    EXPECT_DOUBLE_EQ(Apply(UnitKind::Pressure, "mbar", 850.0), 850.0);
    EXPECT_DOUBLE_EQ(Apply(UnitKind::Pressure, "kPa", 101.325), 1013.25);
    EXPECT_DOUBLE_EQ(Apply(UnitKind::Height, "km", 1.5), 1500.0);
    EXPECT_DOUBLE_EQ(Apply(UnitKind::Humidity, "g m-3", 12.5), 12.5);
    EXPECT_DOUBLE_EQ(Apply(UnitKind::Humidity, "kg m-3", 0.0125), 12.5);
    EXPECT_DOUBLE_EQ(Apply(UnitKind::Humidity, "kg/m3", 0.0125), 12.5);
    EXPECT_DOUBLE_EQ(Apply(UnitKind::Salinity, "PSU", 35.0), 35.0);
    EXPECT_DOUBLE_EQ(Apply(UnitKind::Salinity, "0.001", 35.0), 35.0);
    EXPECT_DOUBLE_EQ(Apply(UnitKind::Speed, "m s-1", 7.0), 7.0);
    EXPECT_DOUBLE_EQ(Apply(UnitKind::Angle, "degrees", 90.0), 90.0);
    // Fractions need the air density; they are flagged as such.
    EXPECT_TRUE(ConversionOf(UnitKind::Humidity, "kg kg-1")->massFraction);
    EXPECT_TRUE(ConversionOf(UnitKind::Humidity, "1")->massFraction);
    EXPECT_DOUBLE_EQ(ConversionOf(UnitKind::Humidity, "g/kg")->scale, 0.001);
    EXPECT_FALSE(ConversionOf(UnitKind::Humidity, "g m-3")->massFraction);
    // Units that are not accepted.
    for (const char* bad : {"", "F", "degF", "inHg", "ppmv", "%"}) {
        EXPECT_FALSE(ConversionOf(UnitKind::AirTemperature, bad).has_value()) << bad;
        EXPECT_FALSE(ConversionOf(UnitKind::Humidity, bad).has_value()) << bad;
    }
    EXPECT_NE(AcceptedUnits(UnitKind::Pressure).find("hPa"), std::string::npos);
}

TEST(Units, SpecificHumidityAndCloudFractionBecomeConcentrations) {
    // q = 0.01 kg/kg at 300 K and 1000 hPa, by hand:
    //   rho_moist = 100000 / (287.05 x 300 x (1 + 0.01 (1/0.62198 - 1)))
    //             = 100000 / (86115 x 1.0060777) = 100000 / 86638.38 = 1.154223 kg/m^3,
    //   rho_v = 0.01 x rho_moist = 11.54223 g/m^3.
    const double factor = 1.0 + 0.01 * (1.0 / 0.62198 - 1.0);
    const double airDensity = 100000.0 / (287.05 * 300.0 * factor);
    EXPECT_NEAR(airDensity, 1.154223, 1e-6);
    EXPECT_DOUBLE_EQ(MoistAirDensityFromSpecificHumidity(0.01, 300.0, 100000.0), airDensity);
    // The same air with its vapour given as 11.54223 g/m^3 has the same density
    // (the two forms are one ideal gas).
    const double rhoV = 0.01 * airDensity * 1000.0;
    EXPECT_NEAR(MoistAirDensityFromVapour(rhoV, 300.0, 100000.0), airDensity, 1e-12);
    // Dry air at 273.15 K and 1013.25 hPa: 1.2922 kg/m^3.
    EXPECT_NEAR(MoistAirDensityFromSpecificHumidity(0.0, 273.15, 101325.0), 1.29228, 1e-5);
    // The radiosonde conversion through the vapour pressure (atmosphere/humidity.h)
    // gives the scene files' concentration of the same specific humidity.
    EXPECT_NEAR(AbsoluteHumidity(VapourPressureFromSpecificHumidity(0.01, 1000.0), 300.0), rhoV, 1e-12 * rhoV);
}

}  // namespace
}  // namespace seasky
