// The profile's top against each channel: the opacity of the U.S. Standard
// Atmosphere above a pressure, checked against a fine quadrature of the gas
// absorption over its levels; which channels a profile cut at 300 hPa misses;
// the bundled atmospheres flag nothing; the table's cache from many threads;
// the mark in the channels-over-a-scene request.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "app/channel_request.h"
#include "app/profile_coverage.h"
#include "app/standard_atmospheres.h"
#include "atmosphere/gas_absorption.h"
#include "test_support.h"

namespace seasky {
namespace {

using test::Bundled;

// The zenith opacity (Np) of a profile above pressure top (mb), independently
// of the table: the profile's temperature linear, its log-pressure linear and
// its log-humidity linear in height between levels, the gas absorption taken
// every 25 m and summed by the trapezoid rule.
double QuadratureOpacityAbove(const ProfileStore& p, double top, double frequency) {
    double sum = 0.0;
    for (int i = 0; i + 1 < p.levelCount; ++i) {
        if (p.pressure[i + 1] >= top) continue;  // the layer lies below the top
        const double z0 = p.height[i], z1 = p.height[i + 1];
        const double l0 = std::log(p.pressure[i]), l1 = std::log(p.pressure[i + 1]);
        // Where the layer begins: its bottom, or the top within it.
        const double from = p.pressure[i] > top ? (std::log(top) - l0) / (l1 - l0) : 0.0;
        const int steps = std::max(1, static_cast<int>(std::ceil((z1 - z0) * (1.0 - from) / 25.0)));
        auto kappa = [&](double x) {  // x: fraction of the layer from its bottom
            const double T = p.airTemperature[i] + x * (p.airTemperature[i + 1] - p.airTemperature[i]);
            const double P = std::exp(l0 + x * (l1 - l0));
            const double r0 = p.absoluteHumidity[i], r1 = p.absoluteHumidity[i + 1];
            const double rho = r0 > 0.0 && r1 > 0.0 ? std::exp(std::log(r0) + x * std::log(r1 / r0))
                                                    : r0 + x * (r1 - r0);
            return GasAbsorption(frequency, T, P, rho).total;
        };
        const double dx = (1.0 - from) / steps;
        for (int k = 0; k < steps; ++k)
            sum += 0.5 * (kappa(from + k * dx) + kappa(from + (k + 1) * dx)) * dx * (z1 - z0) * 1e-3;
    }
    return sum;
}

// The levels of a profile from its bottom up to the first level above top (mb),
// the last one put at top itself (log-pressure interpolation): a sounding that
// ended there.
ProfileStore CutAt(const ProfileStore& p, double top) {
    ProfileStore cut;
    for (int i = 0; i < p.levelCount; ++i) {
        double h = p.height[i], t = p.airTemperature[i], pr = p.pressure[i], q = p.absoluteHumidity[i];
        const bool last = pr <= top;
        if (last) {
            const double x = std::log(top / p.pressure[i - 1]) / std::log(pr / p.pressure[i - 1]);
            h = p.height[i - 1] + x * (h - p.height[i - 1]);
            t = p.airTemperature[i - 1] + x * (t - p.airTemperature[i - 1]);
            q = p.absoluteHumidity[i - 1] + x * (q - p.absoluteHumidity[i - 1]);
            pr = top;
        }
        cut.height.push_back(h);
        cut.airTemperature.push_back(t);
        cut.pressure.push_back(pr);
        cut.absoluteHumidity.push_back(q);
        cut.cloudWater.push_back(0.0);
        if (last) break;
    }
    cut.levelCount = static_cast<int>(cut.height.size());
    return cut;
}

// Imager channels (6.9-89 GHz) and the 50-60 GHz oxygen-band sounding channels.
const std::vector<double> kImagerFrequencies{6.925, 10.65, 18.7, 22.235, 23.8, 31.4, 36.5, 89.0};
const std::vector<double> kOxygenFrequencies{50.3, 52.8, 53.596, 54.4, 54.94, 55.5, 57.29, 59.4};

TEST(ProfileCoverage, OpacityAboveThePressureEqualsAQuadratureOfTheStandardAtmosphere) {
    const ProfileStore us = Bundled("us-standard");
    for (double top : {850.0, 300.0, 100.0, 10.0}) {
        for (const std::vector<double>* list : {&kImagerFrequencies, &kOxygenFrequencies}) {
            for (double f : *list) {
                const double expected = QuadratureOpacityAbove(us, top, f);
                const double got = OpacityAboveTop(top, f);
                // The table takes each layer's absorption as exponential in
                // height and interpolates at the top; the quadrature follows
                // the levels' own quantities: within 2 %.
                EXPECT_NEAR(got, expected, 0.02 * expected) << top << " mb, " << f << " GHz";
            }
        }
    }
    // Nothing above the standard atmosphere's top; the whole column below its bottom.
    EXPECT_EQ(OpacityAboveTop(us.pressure.back(), 54.4), 0.0);
    EXPECT_EQ(OpacityAboveTop(0.0, 54.4), 0.0);
    EXPECT_EQ(OpacityAboveTop(1100.0, 23.8), OpacityAboveTop(us.pressure.front(), 23.8));
    EXPECT_NEAR(OpacityAboveTop(1100.0, 23.8), QuadratureOpacityAbove(us, 1100.0, 23.8),
                0.02 * OpacityAboveTop(1100.0, 23.8));
    // It falls with the top's height.
    for (double f : kImagerFrequencies) {
        EXPECT_GT(OpacityAboveTop(500.0, f), OpacityAboveTop(300.0, f)) << f;
        EXPECT_GT(OpacityAboveTop(300.0, f), OpacityAboveTop(100.0, f)) << f;
    }
}

TEST(ProfileCoverage, ASoundingThatBurstAt300MbMissesAbsorptionAtEveryChannel) {
    const ProfileStore us = Bundled("us-standard");
    std::printf("opacity of the U.S. Standard Atmosphere above the top (Np):\n"
                "     GHz     500 mb     300 mb     200 mb     100 mb      50 mb      10 mb       1 mb\n");
    for (const std::vector<double>* list : {&kImagerFrequencies, &kOxygenFrequencies})
        for (double f : *list) {
            std::printf("  %7.3f", f);
            for (double top : {500.0, 300.0, 200.0, 100.0, 50.0, 10.0, 1.0})
                std::printf("  %.3e", OpacityAboveTop(top, f));
            std::printf("\n");
        }
    // Above 300 mb the air still holds 1.1e-3 Np at 6.925 GHz (the oxygen
    // band's far wing and the nitrogen continuum, falling as p^2), 2.3e-3 Np at
    // 23.8 GHz and 6.3e-3 Np at 89 GHz, 0.04 to 12 Np in the oxygen band: a
    // sounding that burst there misses 0.25 K or more at every channel.
    const ProfileStore burst = CutAt(us, 300.0);
    EXPECT_DOUBLE_EQ(ProfileTopPressure(ViewOf(burst)), 300.0);
    for (const std::vector<double>* list : {&kImagerFrequencies, &kOxygenFrequencies})
        for (double f : *list) EXPECT_TRUE(ProfileEndsLow(ViewOf(burst), f)) << f;
    EXPECT_GT(OpacityAboveTop(300.0, 23.8), 2.0 * kProfileTopOpacityLimit);
    // Above 200 mb the window channels up to 23.8 GHz see less than 1e-3 Np,
    // the vapour line's centre, 31.4, 36.5 and 89 GHz more.
    const ProfileStore tropopause = CutAt(us, 200.0);
    for (double f : {6.925, 10.65, 18.7, 23.8}) EXPECT_FALSE(ProfileEndsLow(ViewOf(tropopause), f)) << f;
    for (double f : {22.235, 31.4, 36.5, 89.0}) EXPECT_TRUE(ProfileEndsLow(ViewOf(tropopause), f)) << f;
    // A profile to 100 mb serves every imager channel, no oxygen-band one.
    const ProfileStore stratosphere = CutAt(us, 100.0);
    for (double f : kImagerFrequencies) EXPECT_FALSE(ProfileEndsLow(ViewOf(stratosphere), f)) << f;
    for (double f : kOxygenFrequencies) EXPECT_TRUE(ProfileEndsLow(ViewOf(stratosphere), f)) << f;
}

TEST(ProfileCoverage, TheBundledAtmospheresEndHighEnoughForEveryImagerChannel) {
    for (const StandardAtmosphere& a : StandardAtmospheres()) {
        const ProfileStore p = Bundled(a.name);
        EXPECT_LT(ProfileTopPressure(ViewOf(p)), 1.0) << a.name;  // all reach 50 km
        for (double f : kImagerFrequencies) EXPECT_FALSE(ProfileEndsLow(ViewOf(p), f)) << a.name << " " << f;
    }
}

TEST(ProfileCoverage, TheTablesAreSharedByThreadsAndGiveTheSameAnswers) {
    // Frequencies no other test asks for, so that the threads form the tables.
    std::vector<double> frequencies;
    for (int k = 0; k < 24; ++k) frequencies.push_back(7.0 + 3.3 * k + 1e-6);
    const std::vector<double> tops{900.0, 420.0, 180.0, 45.0, 3.0};
    std::vector<std::vector<double>> seen(8);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < seen.size(); ++t)
        threads.emplace_back([&, t] {
            // Each thread in its own order.
            for (std::size_t n = 0; n < frequencies.size(); ++n) {
                const double f = frequencies[(n * (2 * t + 1) + t) % frequencies.size()];
                for (double top : tops) seen[t].push_back(OpacityAboveTop(top, f));
            }
        });
    for (std::thread& t : threads) t.join();
    for (std::size_t t = 0; t < seen.size(); ++t) {
        ASSERT_EQ(seen[t].size(), frequencies.size() * tops.size());
        for (std::size_t n = 0; n < frequencies.size(); ++n) {
            const double f = frequencies[(n * (2 * t + 1) + t) % frequencies.size()];
            for (std::size_t k = 0; k < tops.size(); ++k)
                EXPECT_EQ(seen[t][n * tops.size() + k], OpacityAboveTop(tops[k], f)) << t << " " << f;
        }
    }
}

TEST(ProfileCoverage, TheChannelsRequestMarksEachComputedChannel) {
    Sensor sensor;
    sensor.name = "test";
    for (double f : {10.65, 54.4, 89.0}) {
        Channel c;
        c.name = std::to_string(f);
        c.centre = f;
        c.subBands = {{f, 0.2}};
        c.incidenceAngle = 53.0;
        sensor.channels.push_back(c);
    }
    Channel refused = sensor.channels[1];
    refused.incidenceAngle.reset();  // no angle: refused, never marked
    sensor.channels.push_back(refused);
    const std::vector<int> all{0, 1, 2, 3};
    const ProfileStore full = Bundled("us-standard");
    const ProfileStore cut = CutAt(full, 100.0);
    const SceneSurface scene{};
    const ChannelsOutcome low = RunChannelsRequest({sensor, all, scene, ViewOf(cut), {}, false, false});
    const ChannelsOutcome whole = RunChannelsRequest({sensor, all, scene, ViewOf(full), {}, false, false});
    for (std::size_t i = 0; i < 3; ++i) {
        ASSERT_TRUE(low.outcomes[i].computed);
        EXPECT_EQ(low.outcomes[i].profileEndsLow, ProfileEndsLow(ViewOf(cut), sensor.channels[i].centre)) << i;
        EXPECT_FALSE(whole.outcomes[i].profileEndsLow) << i;
    }
    EXPECT_FALSE(low.outcomes[0].profileEndsLow);
    EXPECT_TRUE(low.outcomes[1].profileEndsLow);
    EXPECT_FALSE(low.outcomes[3].computed);
    EXPECT_FALSE(low.outcomes[3].profileEndsLow);
}

}  // namespace
}  // namespace seasky
