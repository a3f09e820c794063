// Profile resampling, the 100 m grid, band sampling and the beam-averaged transfer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "atmosphere/atmosphere_radiation.h"
#include "atmosphere/cloud_absorption.h"
#include "atmosphere/gas_absorption.h"
#include "atmosphere/resample_profile.h"
#include "test_support.h"

namespace seasky {
namespace {

using test::RelativelyNear;

// A profile with the given heights and constant air properties.
ProfileStore UniformProfile(const std::vector<double>& heights, double t, double p, double rho, double w = 0.0) {
    ProfileStore s;
    s.levelCount = static_cast<int>(heights.size());
    s.height = heights;
    s.airTemperature.assign(heights.size(), t);
    s.pressure.assign(heights.size(), p);
    s.absoluteHumidity.assign(heights.size(), rho);
    s.cloudWater.assign(heights.size(), w);
    return s;
}

// A simple layered atmosphere, every 500 m from 0 to 12 km: temperature falls
// 6.5 K/km, pressure and humidity fall exponentially, a cloud between 1 and 2 km.
ProfileStore LayeredProfile() {
    ProfileStore s;
    for (double h = 0.0; h <= 12000.0; h += 500.0) {
        s.height.push_back(h);
        s.airTemperature.push_back(288.15 - 0.0065 * h);
        s.pressure.push_back(1013.25 * std::exp(-h / 8000.0));
        s.absoluteHumidity.push_back(12.0 * std::exp(-h / 2000.0));
        s.cloudWater.push_back(h >= 1000.0 && h <= 2000.0 ? 0.2 : 0.0);
    }
    s.levelCount = static_cast<int>(s.height.size());
    return s;
}

ProfileStore Reversed(ProfileStore s) {
    for (auto* v : {&s.height, &s.airTemperature, &s.pressure, &s.absoluteHumidity, &s.cloudWater})
        std::reverse(v->begin(), v->end());
    return s;
}

double NormalisedWeight(int a) {
    double sum = 0.0;
    for (const auto& d : BeamTable) sum += d.weight;
    return BeamTable[a].weight / sum;
}

TEST(ResampleProfile, RisingAndFallingAbscissae) {
    const double xs[] = {0.0, 1000.0, 3000.0};
    const double ys[] = {10.0, 20.0, 0.0};
    const double target[] = {500.0, 2000.0, 3000.0};
    double out[3] = {};
    ResampleProfile(xs, ys, 3, target, out, 3);
    EXPECT_DOUBLE_EQ(out[0], 15.0);
    EXPECT_DOUBLE_EQ(out[1], 10.0);
    EXPECT_DOUBLE_EQ(out[2], 0.0);

    const double xd[] = {3000.0, 1000.0, 0.0};
    const double yd[] = {0.0, 20.0, 10.0};
    double down[3] = {};
    ResampleProfile(xd, yd, 3, target, down, 3);
    for (int i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(down[i], out[i]);
}

TEST(ResampleProfile, LastBracketingIntervalWinsAndUnbracketedTargetsKeepTheirValue) {
    // A jump at 100 m: the target on the jump is bracketed by three intervals,
    // the last of which (100..200) gives 5.
    const double xs[] = {0.0, 100.0, 100.0, 200.0};
    const double ys[] = {0.0, 1.0, 5.0, 6.0};
    const double target[] = {100.0, 250.0, -1.0};
    double out[] = {-7.0, -8.0, -9.0};
    ResampleProfile(xs, ys, 4, target, out, 3);
    EXPECT_EQ(out[0], 5.0);
    EXPECT_EQ(out[1], -8.0);
    EXPECT_EQ(out[2], -9.0);
}

TEST(RadiationGrid, LayerCentresFromTheGroundOrLevelsFromTheLowestHeight) {
    const double ground[] = {0.0, 10000.0};
    const auto a = RadiationGrid(ground, 2);
    ASSERT_EQ(a.size(), 100u);
    EXPECT_EQ(a.front(), 50.0);
    EXPECT_EQ(a[1], 150.0);
    EXPECT_EQ(a.back(), 9950.0);

    const double raised[] = {10000.0, 200.0};  // order of the levels does not matter
    const auto b = RadiationGrid(raised, 2);
    ASSERT_EQ(b.size(), 99u);
    EXPECT_EQ(b.front(), 200.0);
    EXPECT_EQ(b.back(), 10000.0);

    const double shallow[] = {0.0, 99.0};
    EXPECT_TRUE(RadiationGrid(shallow, 2).empty());
    const ProfileStore thin = UniformProfile({0.0, 99.0}, 280.0, 1000.0, 5.0);
    const AtmosphereRadiationResult r = AtmosphereRadiation(0.0, 22.235, 0.0, 30.0, thin);
    EXPECT_EQ(r.brightness, 0.0);
    EXPECT_EQ(r.opacity, 0.0);
}

TEST(SampleBand, StepAndCountRules) {
    const BandSampling single = SampleBand(36.5, 0.0);
    EXPECT_EQ(single.count, 1);
    EXPECT_EQ(single.first, 36.5);

    const BandSampling a = SampleBand(36.5, 0.25);  // 0.1 GHz step, trunc(3.5) = 3
    EXPECT_EQ(a.count, 3);
    EXPECT_EQ(a.step, 0.1);
    EXPECT_NEAR(a.first, 36.375, 1e-12);
    EXPECT_NEAR(a.first + 2 * a.step, 36.575, 1e-12);

    const BandSampling b = SampleBand(22.235, 0.12);  // inside (18, 25): 0.05 GHz
    EXPECT_EQ(b.count, 3);
    EXPECT_EQ(b.step, 0.05);
    EXPECT_NEAR(b.first, 22.175, 1e-12);
    EXPECT_NEAR(b.first + 2 * b.step, 22.275, 1e-12);

    EXPECT_EQ(SampleBand(25.0, 0.3).step, 0.1);  // 25 lies outside the open interval
    EXPECT_EQ(SampleBand(24.99, 0.3).step, 0.05);
    EXPECT_EQ(SampleBand(60.0, 0.3).step, 0.05);
    EXPECT_EQ(SampleBand(183.31, 0.3).step, 0.05);

    const BandSampling narrow = SampleBand(36.5, 0.04);  // narrower than a step: the lower edge
    EXPECT_EQ(narrow.count, 1);
    EXPECT_NEAR(narrow.first, 36.48, 1e-12);
}

TEST(SampleBand, ExactMultiplesOfTheStepKeepBothEdges) {
    const BandSampling a = SampleBand(36.5, 0.3);  // 0.3 / 0.1 = 2.9999999999999996
    EXPECT_EQ(a.count, 4);
    EXPECT_NEAR(a.first, 36.35, 1e-12);
    EXPECT_NEAR(a.first + 3 * a.step, 36.65, 1e-12);
    const BandSampling b = SampleBand(22.235, 0.25);
    EXPECT_EQ(b.count, 6);
    EXPECT_NEAR(b.first, 22.11, 1e-12);
    EXPECT_NEAR(b.first + 5 * b.step, 22.36, 1e-12);
    EXPECT_EQ(SampleBand(36.5, 0.4).count, 5);
}

TEST(AtmosphereRadiation, UniformIsothermalSlabHasTheClosedFormEmission) {
    // Constant temperature and absorption: each direction sees T (1 - exp(-tau sec)).
    const double t = 275.0, p = 900.0, rho = 6.0, f = 31.4;
    const ProfileStore slab = UniformProfile({0.0, 2500.0, 5000.0}, t, p, rho);
    const double kappa = GasAbsorption(f, t, p, rho).total;
    const double tau = 50 * kappa * 0.1;  // 50 layers of 0.1 km
    for (double theta : {0.0, 30.0, 53.1}) {
        double expected = 0.0;
        for (int a = 0; a < 13; ++a) {
            const double sec = 1.0 / std::cos((theta + BeamTable[a].offset) * M_PI / 180.0);
            expected += NormalisedWeight(a) * t * (1.0 - std::exp(-tau * sec));
        }
        for (double top : {0.0, 1.0}) {
            const AtmosphereRadiationResult r = AtmosphereRadiation(top, f, 0.0, theta, slab);
            EXPECT_TRUE(RelativelyNear(r.opacity, tau, 1e-12));
            EXPECT_TRUE(RelativelyNear(r.brightness, expected, 1e-12));
        }
    }
}

TEST(AtmosphereRadiation, CloudAddsItsAbsorption) {
    const double t = 280.0, p = 850.0, rho = 5.0, w = 0.3, f = 37.0;
    const ProfileStore clear = UniformProfile({0.0, 1000.0}, t, p, rho);
    const ProfileStore cloudy = UniformProfile({0.0, 1000.0}, t, p, rho, w);
    const double kappa = GasAbsorption(f, t, p, rho).total + CloudLiquidAbsorption(w, t, f);
    const AtmosphereRadiationResult rc = AtmosphereRadiation(0.0, f, 0.0, 0.0, clear);
    const AtmosphereRadiationResult rw = AtmosphereRadiation(0.0, f, 0.0, 0.0, cloudy);
    EXPECT_TRUE(RelativelyNear(rw.opacity, 10 * kappa * 0.1, 1e-12));
    EXPECT_GT(rw.brightness, rc.brightness);
}

TEST(AtmosphereRadiation, LevelOrderDoesNotMatter) {
    const ProfileStore up = LayeredProfile();
    const ProfileStore down = Reversed(up);
    for (double top : {0.0, 1.0}) {
        const auto a = AtmosphereRadiation(top, 22.235, 0.0, 53.1, up);
        const auto b = AtmosphereRadiation(top, 22.235, 0.0, 53.1, down);
        EXPECT_TRUE(RelativelyNear(b.brightness, a.brightness, 1e-12));
        EXPECT_TRUE(RelativelyNear(b.opacity, a.opacity, 1e-12));
    }
}

TEST(AtmosphereRadiation, OpacityIsVerticalAndTheSameFromBothEnds) {
    const ProfileStore s = LayeredProfile();
    const double tau = AtmosphereRadiation(0.0, 37.0, 0.0, 0.0, s).opacity;
    for (double theta : {0.0, 20.0, 53.1, 65.0}) {
        EXPECT_TRUE(RelativelyNear(AtmosphereRadiation(0.0, 37.0, 0.0, theta, s).opacity, tau, 1e-12));
        EXPECT_TRUE(RelativelyNear(AtmosphereRadiation(1.0, 37.0, 0.0, theta, s).opacity, tau, 1e-12));
    }
}

TEST(AtmosphereRadiation, ColdUpperAirMakesTheSkyBrighterFromBelowThanAbove) {
    // Looking up, the warm absorbing layers are nearest; looking down from above,
    // the cold upper layers are nearest and the warm ones are attenuated.
    const ProfileStore s = LayeredProfile();
    const auto down = AtmosphereRadiation(0.0, 22.235, 0.0, 53.1, s);
    const auto up = AtmosphereRadiation(1.0, 22.235, 0.0, 53.1, s);
    EXPECT_GT(down.brightness, up.brightness);
    // Brightness grows with the slant path.
    EXPECT_GT(AtmosphereRadiation(0.0, 22.235, 0.0, 60.0, s).brightness,
              AtmosphereRadiation(0.0, 22.235, 0.0, 0.0, s).brightness);
    // Only the exact value 1 selects the observer at the top.
    const auto other = AtmosphereRadiation(2.0, 22.235, 0.0, 53.1, s);
    EXPECT_EQ(other.brightness, down.brightness);
}

TEST(AtmosphereRadiation, BandIsThePlainMeanOverItsSubFrequencies) {
    const ProfileStore s = LayeredProfile();
    for (const auto& [F, dF] : {std::pair{36.5, 0.25}, std::pair{22.235, 0.12}, std::pair{36.5, 0.3}}) {
        const BandSampling band = SampleBand(F, dF);
        for (double top : {0.0, 1.0}) {
            double b = 0.0, tau = 0.0;
            for (int k = 0; k < band.count; ++k) {
                const auto r = AtmosphereRadiation(top, band.first + k * band.step, 0.0, 53.1, s);
                b += r.brightness / band.count;
                tau += r.opacity / band.count;
            }
            const auto r = AtmosphereRadiation(top, F, dF, 53.1, s);
            EXPECT_TRUE(RelativelyNear(r.brightness, b, 1e-12)) << F << " " << dF;
            EXPECT_TRUE(RelativelyNear(r.opacity, tau, 1e-12)) << F << " " << dF;
        }
    }
    // A band narrower than the step is the lower edge, not the centre.
    EXPECT_EQ(AtmosphereRadiation(0.0, 36.5, 0.04, 53.1, s).brightness,
              AtmosphereRadiation(0.0, 36.5 - 0.04 * 0.5, 0.0, 53.1, s).brightness);
}

TEST(AtmosphereRadiation, BeamIsSymmetricAboutItsCentre) {
    // The weights are symmetric, so tilting the beam to either side gives the
    // same set of secants and weights.
    const ProfileStore s = LayeredProfile();
    const auto plus = AtmosphereRadiation(0.0, 89.0, 0.0, 10.0, s);
    const auto minus = AtmosphereRadiation(0.0, 89.0, 0.0, -10.0, s);
    EXPECT_TRUE(RelativelyNear(minus.brightness, plus.brightness, 1e-13));
    EXPECT_GT(plus.brightness, 0.0);
}

}  // namespace
}  // namespace seasky
