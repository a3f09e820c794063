// Clear-air and cloud absorption against independently computed reference values.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "atmosphere/cloud_absorption.h"
#include "atmosphere/gas_absorption.h"
#include "atmosphere/nitrogen_absorption.h"
#include "atmosphere/oxygen_absorption.h"
#include "atmosphere/water_vapour_absorption.h"
#include "test_support.h"

namespace seasky {
namespace {

using test::RelativelyNear;

TEST(GasAbsorption, MatchesReferenceTable) {
    const auto rows = test::ReadCsv(test::TestData("gas-absorption-reference.csv"));
    ASSERT_EQ(rows.size(), 14u);
    for (const auto& r : rows) {
        const double f = r.at("freq_ghz"), t = r.at("temp_k"), p = r.at("pressure_mb"), rho = r.at("humidity_gm3");
        SCOPED_TRACE(f);
        EXPECT_TRUE(RelativelyNear(NitrogenAbsorption(t, p, f), r.at("nitrogen"), 1e-12));
        EXPECT_TRUE(RelativelyNear(OxygenAbsorption(t, p, rho, f), r.at("oxygen"), 1e-12));
        EXPECT_TRUE(RelativelyNear(WaterVapourAbsorption(t, p, rho, f), r.at("water_vapour"), 1e-12));
        const GasAbsorptionRecord gas = GasAbsorption(f, t, p, rho);
        const double expected = (r.at("nitrogen") + r.at("oxygen")) + r.at("water_vapour");
        EXPECT_TRUE(RelativelyNear(gas.total, expected, 1e-12));
    }
}

TEST(GasAbsorption, RecordCarriesTheModelValuesAndTheirOrderedSum) {
    for (double f : {6.8, 22.235, 57.0, 118.75, 325.0}) {
        const double t = 270.0, p = 700.0, rho = 3.5;
        const GasAbsorptionRecord gas = GasAbsorption(f, t, p, rho);
        EXPECT_EQ(gas.oxygen, OxygenAbsorption(t, p, rho, f));
        EXPECT_EQ(gas.waterVapour, WaterVapourAbsorption(t, p, rho, f));
        EXPECT_EQ(gas.total, (NitrogenAbsorption(t, p, f) + gas.oxygen) + gas.waterVapour);
    }
}

TEST(WaterVapourAbsorption, DryAirAbsorbsNothing) {
    for (double f : {1.0, 22.2351, 183.3101, 999.0}) EXPECT_EQ(WaterVapourAbsorption(250.0, 500.0, 0.0, f), 0.0);
    // Dry air: oxygen uses the total pressure as the dry pressure, so it depends
    // on P and T only.
    EXPECT_GT(OxygenAbsorption(288.15, 1013.25, 0.0, 60.0), 1.0);
}

TEST(WaterVapourAbsorption, PeaksAtTheLines) {
    // The 22.235 and 183.31 GHz lines stand out against their neighbourhood.
    const double at22 = WaterVapourAbsorption(290.0, 1000.0, 10.0, 22.2351);
    EXPECT_GT(at22, WaterVapourAbsorption(290.0, 1000.0, 10.0, 15.0) * 2.0);
    EXPECT_GT(at22, WaterVapourAbsorption(290.0, 1000.0, 10.0, 30.0));
    EXPECT_GT(WaterVapourAbsorption(290.0, 1000.0, 10.0, 183.3101),
              WaterVapourAbsorption(290.0, 1000.0, 10.0, 150.0) * 5.0);
}

TEST(NitrogenAbsorption, QuadraticInPressureAndFrequencyAtLowFrequency) {
    // Far below 450 GHz the continuum goes as P^2 F^2: doubling both gives 16 times.
    const double a = NitrogenAbsorption(300.0, 500.0, 10.0);
    EXPECT_TRUE(RelativelyNear(NitrogenAbsorption(300.0, 1000.0, 20.0), 16.0 * a, 1e-3));
    // At 450 GHz the frequency factor is 0.75 of its low-frequency value.
    const double low = NitrogenAbsorption(300.0, 1000.0, 1.0) * 450.0 * 450.0;
    EXPECT_TRUE(RelativelyNear(NitrogenAbsorption(300.0, 1000.0, 450.0), 0.75 * low, 1e-5));
}

TEST(CloudLiquidAbsorption, MatchesReferenceTable) {
    const auto rows = test::ReadCsv(test::TestData("cloud-absorption-reference.csv"));
    ASSERT_EQ(rows.size(), 14u);
    for (const auto& r : rows) {
        SCOPED_TRACE(r.at("freq_ghz"));
        EXPECT_TRUE(RelativelyNear(CloudLiquidAbsorption(r.at("cloud_gm3"), r.at("temp_k"), r.at("freq_ghz")),
                                   r.at("cloud"), 1e-12));
    }
}

TEST(CloudLiquidAbsorption, LinearInWaterContent) {
    for (double f : {6.8, 37.0, 89.0}) {
        const double one = CloudLiquidAbsorption(0.3, 280.0, f);
        EXPECT_EQ(CloudLiquidAbsorption(0.6, 280.0, f), 2.0 * one);
        EXPECT_EQ(CloudLiquidAbsorption(0.0, 280.0, f), 0.0);
    }
}

TEST(CloudLiquidAbsorption, AtTheTriplePointUsesTheZeroCelsiusDebyeParameters) {
    // t = 0 C: static permittivity 87.134, 2*pi*tau = 1.1109e-10 s. Rayleigh
    // absorption Im((e-1)/(e+2)) = 3 e'' / ((e'+2)^2 + e''^2).
    const double F = 37.0;
    const double x = F * 1e9 * 1.1109e-10;
    const double epsR = 4.9 + (87.134 - 4.9) / (1.0 + x * x);
    const double epsI = x * (87.134 - 4.9) / (1.0 + x * x);
    const double imK = 3.0 * epsI / ((epsR + 2.0) * (epsR + 2.0) + epsI * epsI);
    const double expected = imK * 0.6 * M_PI / (30.0 / F) * 0.5;
    EXPECT_TRUE(RelativelyNear(CloudLiquidAbsorption(0.5, 273.16, F), expected, 1e-13));
}

TEST(CloudLiquidAbsorption, PositiveWhereLiquidWaterExists) {
    for (double t = 233.15; t <= 320.0; t += 2.5)
        for (double f : {1.0, 6.75, 37.0, 89.0, 183.0, 1000.0}) EXPECT_GT(CloudLiquidAbsorption(0.1, t, f), 0.0);
}

}  // namespace
}  // namespace seasky
