// The stages of the radiative transfer: the grid and its resampling plan, the
// level absorption, the layer terms and per-layer sensitivities, and the whole
// transfer against the straightforward form of the algorithm (every grid point
// resampled by scanning every interval, two exponentials per layer, direction
// and end, the gas models called per level, sub-frequency and end).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "atmosphere/atmosphere_radiation.h"
#include "atmosphere/cloud_absorption.h"
#include "atmosphere/gas_absorption.h"
#include "atmosphere/layer_transfer.h"
#include "atmosphere/level_absorption.h"
#include "atmosphere/resample_profile.h"
#include "atmosphere/transfer_grid.h"
#include "atmosphere/transfer_jacobian.h"
#include "test_support.h"

namespace seasky {
namespace {

using test::RelativelyNear;

// The straightforward form, written from the algorithm's description.
AtmosphereRadiationResult Straightforward(bool fromTop, double F, double dF, double theta, const ProfileStore& s) {
    const int count = s.levelCount;
    std::vector<double> z = RadiationGrid(s.height.data(), count);
    const int n = static_cast<int>(z.size());
    if (n == 0) return {0.0, 0.0};
    std::vector<double> Tz(n, 0.0), kz(n, 0.0), kappa(count);
    ResampleProfile(s.height.data(), s.airTemperature.data(), count, z.data(), Tz.data(), n);
    double weightSum = 0.0;
    for (const BeamDirection& d : BeamTable) weightSum += d.weight;
    const BandSampling band = SampleBand(F, dF);
    if (fromTop) {
        std::reverse(z.begin(), z.end());
        std::reverse(Tz.begin(), Tz.end());
    }
    double bSum = 0.0, tauSum = 0.0, b0 = 0.0, tau0 = 0.0;
    for (int k = 0; k < band.count; ++k) {
        const double f = band.step > 0.0 ? band.first + k * band.step : F;
        for (int i = 0; i < count; ++i)
            kappa[i] = GasAbsorption(f, s.airTemperature[i], s.pressure[i], s.absoluteHumidity[i]).total +
                       (s.cloudWater[i] > 0.0 ? CloudLiquidAbsorption(s.cloudWater[i], s.airTemperature[i], f) : 0.0);
        ResampleProfile(s.height.data(), kappa.data(), count, z.data(), kz.data(), n);
        double B = 0.0;
        double L = 0.0;
        std::array<double, 13> Ba{};
        for (int t = 0; t < n; ++t) {
            for (int a = 0; a < 13; ++a) {
                const double sec = 1.0 / std::cos((theta + BeamTable[a].offset) * 0.017453292519943295);
                Ba[a] += std::exp(-L * sec) * (1.0 - std::exp(-kz[t] * sec * 0.1)) * Tz[t];
            }
            L += kz[t] * 0.1;
        }
        for (int a = 0; a < 13; ++a) B += BeamTable[a].weight / weightSum * Ba[a];
        if (k == 0) {
            b0 = B;
            tau0 = L;
        }
        bSum += B / band.count;
        tauSum += L / band.count;
    }
    return dF > 0.0 ? AtmosphereRadiationResult{bSum, tauSum} : AtmosphereRadiationResult{b0, tau0};
}

// A random but physical profile: heights rising from 0 or from a raised base
// with uneven spacing, temperature falling with height, exponential pressure
// and humidity, sometimes a cloud.
ProfileStore RandomProfile(std::mt19937& rng, int levels) {
    std::uniform_real_distribution<double> u(0.0, 1.0);
    ProfileStore s;
    double h = u(rng) < 0.5 ? 0.0 : 50.0 + 400.0 * u(rng);
    const double top = 8000.0 + 40000.0 * u(rng);
    const bool cloud = u(rng) < 0.5;
    for (int i = 0; i < levels; ++i) {
        s.height.push_back(h);
        s.airTemperature.push_back(std::max(300.0 - 0.0065 * h, 215.0) + 2.0 * u(rng));
        s.pressure.push_back(1013.0 * std::exp(-h / 7600.0));
        s.absoluteHumidity.push_back(15.0 * u(rng) * std::exp(-h / 2100.0));
        s.cloudWater.push_back(cloud && h > 800.0 && h < 2600.0 ? 0.3 * u(rng) : 0.0);
        h += (top / levels) * (0.3 + 1.4 * u(rng));
    }
    s.levelCount = levels;
    return s;
}

TEST(TransferGrid, ResamplingPlanMatchesTheIntervalScan) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    for (int trial = 0; trial < 300; ++trial) {
        // Heights in any order, with repeats, levels exactly on grid heights, and
        // profiles that fold back on themselves.
        const int count = 2 + static_cast<int>(u(rng) * 30);
        std::vector<double> H(count), y(count);
        for (int i = 0; i < count; ++i) {
            const double r = u(rng);
            H[i] = r < 0.2 ? 100.0 * std::floor(u(rng) * 40) + (u(rng) < 0.5 ? 50.0 : 0.0)
                 : r < 0.3 && i > 0 ? H[i - 1]
                 : u(rng) * 4000.0;
            y[i] = u(rng) * 100.0 - 20.0;
        }
        if (trial % 3 == 0) std::sort(H.begin(), H.end());
        TransferGrid grid;
        MakeTransferGrid(H.data(), count, grid);
        const std::vector<double> z = RadiationGrid(H.data(), count);
        ASSERT_EQ(grid.height, z);
        std::vector<double> expected(z.size(), -99.0), got(z.size());
        ResampleProfile(H.data(), y.data(), count, z.data(), expected.data(), static_cast<int>(z.size()));
        ResampleOnGrid(grid, H.data(), y.data(), got.data(), -99.0);
        EXPECT_EQ(got, expected) << trial;  // bit for bit, the last bracketing interval winning
    }
}

TEST(TransferGrid, SingleLevelAndShallowProfiles) {
    TransferGrid grid;
    const double raised[] = {700.0};
    MakeTransferGrid(raised, 1, grid);
    ASSERT_EQ(grid.size(), 1);
    EXPECT_EQ(grid.interval[0], -1);  // bracketed by no interval
    const double shallow[] = {0.0, 99.0};
    MakeTransferGrid(shallow, 2, grid);
    EXPECT_EQ(grid.size(), 0);
    MakeTransferGrid(shallow, 0, grid);
    EXPECT_EQ(grid.size(), 0);
}

TEST(LevelAbsorption, EqualsTheSingleLevelModelsAtEveryFrequency) {
    std::mt19937 rng(3);
    const ProfileStore s = RandomProfile(rng, 40);
    const double f[] = {6.9, 22.235, 60.0, 118.75, 183.31, 500.0};
    std::vector<double> kappa(std::size(f) * s.levelCount);
    LevelAbsorption(ViewOf(s), f, std::size(f), kappa.data());
    for (std::size_t k = 0; k < std::size(f); ++k)
        for (int i = 0; i < s.levelCount; ++i) {
            const double T = s.airTemperature[i], W = s.cloudWater[i];
            const double expected = GasAbsorption(f[k], T, s.pressure[i], s.absoluteHumidity[i]).total +
                                    (W > 0.0 ? CloudLiquidAbsorption(W, T, f[k]) : 0.0);
            EXPECT_EQ(kappa[k * s.levelCount + i], expected) << f[k] << " " << i;
        }
}

TEST(AtmosphereTransfer, MatchesTheStraightforwardFormTo1e12) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    double worst = 0.0;
    for (int trial = 0; trial < 24; ++trial) {
        const ProfileStore s = RandomProfile(rng, 5 + static_cast<int>(u(rng) * 60));
        const double F = 5.0 + 120.0 * u(rng);
        const double dF = trial % 3 == 0 ? 0.0 : 1.5 * u(rng);
        const double theta = 65.0 * u(rng);
        const AtmosphereTransferResult r = AtmosphereTransfer(F, dF, theta, ViewOf(s));
        for (bool top : {false, true}) {
            const AtmosphereRadiationResult expected = Straightforward(top, F, dF, theta, s);
            const AtmosphereRadiationResult& got = top ? r.up : r.down;
            EXPECT_TRUE(RelativelyNear(got.brightness, expected.brightness, 1e-12)) << trial << " " << top;
            EXPECT_TRUE(RelativelyNear(got.opacity, expected.opacity, 1e-12)) << trial << " " << top;
            worst = std::max(worst, std::fabs(got.brightness - expected.brightness) / expected.brightness);
            // One end alone gives the same as both together.
            const AtmosphereRadiationResult alone = AtmosphereRadiation(top ? 1.0 : 0.0, F, dF, theta, s);
            EXPECT_EQ(alone.brightness, got.brightness);
            EXPECT_EQ(alone.opacity, got.opacity);
        }
    }
    RecordProperty("worst_relative_difference", std::to_string(worst));
}

// The derivative mode of the staged transfer keeps the values of the values
// alone, and several passbands transferred together (sharing frequencies and
// view angles, their sub-bands in either order) give each one bit for bit the
// derivatives it has alone; one observer end leaves the other's zero.
TEST(AtmosphereTransfer, DerivativeModeKeepsTheValuesAndEachPassbandsOwnDerivatives) {
    std::mt19937 rng(23);
    const ProfileStore s = RandomProfile(rng, 40);
    const ProfileView view = ViewOf(s);
    const std::vector<SubBand> sidebands{{22.105, 0.24}, {22.365, 0.24}};
    const std::vector<SubBand> reversed{{22.365, 0.24}, {22.105, 0.24}};
    const std::vector<SubBand> single{{22.365, 0.0}};
    const std::vector<SubBand> band{{22.3, 0.2}};
    const PassbandRequest requests[] = {
        {sidebands, 53.1}, {reversed, 53.1}, {single, 40.0}, {sidebands, 40.0}, {band, 53.1}};
    constexpr int kCount = 5;
    AtmosphereTransferResult values[kCount], together[kCount];
    TransferJacobian jacobians[kCount];
    AtmosphereTransfers(view, requests, kCount, values);
    AtmosphereTransfers(view, requests, kCount, together, TransferEnds::Both, jacobians);
    auto nonZero = [](const std::vector<double>& v) {
        return std::any_of(v.begin(), v.end(), [](double x) { return x != 0.0; });
    };
    for (int b = 0; b < kCount; ++b) {
        for (const AtmosphereTransferResult* r : {&together[b], &values[b]}) {
            EXPECT_EQ(r->down.brightness, values[b].down.brightness) << b;
            EXPECT_EQ(r->down.opacity, values[b].down.opacity) << b;
            EXPECT_EQ(r->up.brightness, values[b].up.brightness) << b;
            EXPECT_EQ(r->up.opacity, values[b].up.opacity) << b;
        }
        AtmosphereTransferResult alone;
        TransferJacobian own;
        AtmosphereTransfers(view, &requests[b], 1, &alone, TransferEnds::Both, &own);
        EXPECT_EQ(alone.up.brightness, values[b].up.brightness) << b;
        EXPECT_EQ(jacobians[b].levels, s.levelCount);
        EXPECT_EQ(jacobians[b].down, own.down) << b;
        EXPECT_EQ(jacobians[b].up, own.up) << b;
        EXPECT_EQ(jacobians[b].opacity, own.opacity) << b;
        EXPECT_EQ(jacobians[b].downAngle, own.downAngle) << b;
        EXPECT_EQ(jacobians[b].upAngle, own.upAngle) << b;
        EXPECT_TRUE(nonZero(own.down) && nonZero(own.up) && nonZero(own.opacity)) << b;
        EXPECT_NE(own.upAngle, 0.0) << b;
    }
    AtmosphereTransferResult top;
    TransferJacobian upward;
    AtmosphereTransfers(view, requests, 1, &top, TransferEnds::Top, &upward);
    EXPECT_EQ(upward.up, jacobians[0].up);
    EXPECT_EQ(upward.upAngle, jacobians[0].upAngle);
    EXPECT_EQ(upward.opacity, jacobians[0].opacity);
    EXPECT_FALSE(nonZero(upward.down));
    EXPECT_EQ(upward.downAngle, 0.0);
}

TEST(AtmosphereTransfer, GridAndColumns) {
    // 0 to 10 km: 100 layers at 50 ... 9950 m. Humidity falling linearly from 10
    // to 0 g/m^3 and 0.5 g/m^3 of cloud between 1 and 2 km: the grid carries
    // sum(rho(z_t)) x 100 m = 100 x 5 g/m^3 x 100 m = 50 kg/m^2 of vapour
    // (the midpoint rule is exact for a straight line) and 10 layers x 0.5 x 100 m
    // of cloud, with the half-weighted edges from the linear ramps at 1 and 2 km.
    ProfileStore s;
    s.levelCount = 2;
    s.height = {0.0, 10000.0};
    s.airTemperature = {290.0, 240.0};
    s.pressure = {1000.0, 260.0};
    s.absoluteHumidity = {10.0, 0.0};
    s.cloudWater = {0.0, 0.0};
    AtmosphereTransferResult r = AtmosphereTransfer(19.35, 0.0, 53.1, ViewOf(s));
    EXPECT_EQ(r.layerCount, 100);
    EXPECT_EQ(r.bottomHeight, 50.0);
    EXPECT_EQ(r.topHeight, 9950.0);
    EXPECT_NEAR(r.precipitableWater, 50.0, 1e-12);
    EXPECT_EQ(r.liquidWaterPath, 0.0);

    s.levelCount = 4;
    s.height = {0.0, 1000.0, 2000.0, 3000.0};
    s.airTemperature = {290.0, 284.0, 278.0, 272.0};
    s.pressure = {1000.0, 900.0, 800.0, 700.0};
    s.absoluteHumidity = {0.0, 0.0, 0.0, 0.0};
    s.cloudWater = {0.0, 0.5, 0.5, 0.0};
    r = AtmosphereTransfer(37.0, 0.0, 0.0, ViewOf(s));
    // Layers at 50..2950 m: the cloud ramps up over 0-1 km and down over 2-3 km,
    // 0.5 between: 0.1 x (10 x 0.25 + 10 x 0.5 + 10 x 0.25) = 1.0 kg/m^2.
    EXPECT_NEAR(r.liquidWaterPath, 1.0, 1e-12);
    EXPECT_EQ(r.precipitableWater, 0.0);
    EXPECT_GT(r.down.opacity, 0.0);
}

TEST(LayerTransfer, SensitivitiesMatchFiniteDifferences) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    const int n = 60;
    std::vector<double> T(n), kappa(n);
    for (int t = 0; t < n; ++t) {
        T[t] = 290.0 - 1.1 * t;
        kappa[t] = 0.02 + 0.3 * u(rng) * std::exp(-t / 15.0);
    }
    const BeamGeometry beam = BeamGeometryOf(48.0);
    std::vector<double> layer(static_cast<std::size_t>(n) * kBeamDirections);
    auto brightness = [&](ObserverEnd end, const std::vector<double>& Tz, const std::vector<double>& k) {
        std::vector<double> l(layer.size());
        LayerEmissivities(k.data(), n, beam, l.data());
        return TransferFromEnd(end, Tz.data(), k.data(), l.data(), n, beam).brightness;
    };
    LayerEmissivities(kappa.data(), n, beam, layer.data());
    for (ObserverEnd end : {ObserverEnd::Bottom, ObserverEnd::Top}) {
        LayerSensitivities s;
        const EndTransfer r = TransferFromEnd(end, T.data(), kappa.data(), layer.data(), n, beam, &s);
        EXPECT_EQ(r.brightness, brightness(end, T, kappa));  // asking for sensitivities changes nothing
        // The brightness is linear in the temperatures: the weights sum it up exactly.
        double linear = 0.0;
        for (int t = 0; t < n; ++t) linear += s.temperature[t] * T[t];
        EXPECT_TRUE(RelativelyNear(linear, r.brightness, 1e-13));
        for (int t : {0, 1, 17, 30, n - 2, n - 1}) {
            // Central differences; the absorption step of 1e-5 relative leaves a
            // truncation error of order 1e-10 relative, far below the 1e-6 asked.
            const double h = kappa[t] * 1e-5;
            std::vector<double> kp = kappa, km = kappa;
            kp[t] += h;
            km[t] -= h;
            const double dk = (brightness(end, T, kp) - brightness(end, T, km)) / (2.0 * h);
            EXPECT_NEAR(s.absorption[t], dk, 1e-6 * std::fabs(dk) + 1e-9) << t;
            std::vector<double> Tp = T, Tm = T;
            Tp[t] += 0.5;
            Tm[t] -= 0.5;
            const double dT = (brightness(end, Tp, kappa) - brightness(end, Tm, kappa)) / 1.0;
            EXPECT_NEAR(s.temperature[t], dT, 1e-9 * std::fabs(dT) + 1e-12) << t;
        }
    }
    // The layer next to the observer is seen without attenuation: its weight is
    // the beam-averaged emissivity of that layer alone.
    LayerSensitivities upward, downward;
    TransferFromEnd(ObserverEnd::Bottom, T.data(), kappa.data(), layer.data(), n, beam, &upward);
    TransferFromEnd(ObserverEnd::Top, T.data(), kappa.data(), layer.data(), n, beam, &downward);
    double bottomLayer = 0.0, topLayer = 0.0;
    for (int a = 0; a < kBeamDirections; ++a) {
        bottomLayer += beam.weight[a] * (1.0 - std::exp(-kappa[0] * beam.secant[a] * 0.1));
        topLayer += beam.weight[a] * (1.0 - std::exp(-kappa[n - 1] * beam.secant[a] * 0.1));
    }
    EXPECT_TRUE(RelativelyNear(upward.temperature[0], bottomLayer, 1e-13));
    EXPECT_TRUE(RelativelyNear(downward.temperature[n - 1], topLayer, 1e-13));
}

}  // namespace
}  // namespace seasky
