// The derivatives of a calculation against central finite differences, on
// several atmospheres, frequencies and surface states, and their symmetries,
// zeros and one-sided values.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "app/calculation.h"
#include "app/jacobian.h"
#include "app/profile_reader.h"
#include "app/sensor.h"
#include "app/standard_atmospheres.h"
#include "test_support.h"

namespace seasky {
namespace {

using test::Bundled;

std::array<double, kJacobianOutputs> Outputs(const CalculationResult& r) {
    return {r.tbV,           r.tbH,          r.tbPlus45,     r.tbMinus45, r.tbThirdStokes, r.tbFourthStokes,
            r.tbLeftCircular, r.tbRightCircular, r.tbUp, r.tbDown,    r.opacity};
}

using Change = std::function<void(CalculationInputs&, ProfileStore&, double)>;

// Central difference of every output for a change of size h.
std::array<double, kJacobianOutputs> Central2(const CalculationInputs& in, const ProfileStore& p, const Change& change,
                                              double h, const ModelSet& models = {}) {
    CalculationInputs a = in, b = in;
    ProfileStore pa = p, pb = p;
    change(a, pa, h);
    change(b, pb, -h);
    const auto va = Outputs(Calculate(a, pa, models)), vb = Outputs(Calculate(b, pb, models));
    std::array<double, kJacobianOutputs> d{};
    for (int o = 0; o < kJacobianOutputs; ++o) d[o] = (va[o] - vb[o]) / (2.0 * h);
    return d;
}

// The central difference extrapolated to zero step (Richardson): (4 D(h/2) -
// D(h)) / 3, whose truncation error falls as h^4, so that a step large enough
// to keep the rounding small (1e-16 x 300 K / h) still leaves the difference
// within about 1e-7 of the derivative.
std::array<double, kJacobianOutputs> Central(const CalculationInputs& in, const ProfileStore& p, const Change& change,
                                             double h, const ModelSet& models = {}) {
    const auto full = Central2(in, p, change, h, models), half = Central2(in, p, change, h / 2, models);
    std::array<double, kJacobianOutputs> d{};
    for (int o = 0; o < kJacobianOutputs; ++o) d[o] = (4.0 * half[o] - full[o]) / 3.0;
    return d;
}

// The agreement asked of a derivative against its extrapolated central
// difference: 1e-6 relative, and an absolute 3e-12 / h for the rounding of
// brightness temperatures near 300 K (about 1e-14 relative in each of the
// calculations) over steps h.
void ExpectAgree(double exact, double difference, double h, const std::string& what) {
    EXPECT_NEAR(exact, difference, 1e-6 * std::fabs(difference) + 3e-12 / h) << what;
}

struct Case {
    const char* atmosphere;
    CalculationInputs inputs;
};

const Case kCases[] = {
    {"tropical-cloudy", {36.5, 53.1, 30.0, 28.0, 34.0, 7.0, 1.0}},
    {"midlatitude-winter", {18.7, 40.0, 135.0, 8.0, 33.0, 12.0, 0.0}},
    {"subarctic-summer", {10.65, 60.0, 250.0, 4.0, 31.0, 3.0, 0.1}},
    {"us-standard", {89.0, 57.0, 10.0, 15.0, 36.0, 16.0, 3.0}},
};

TEST(Jacobian, ForwardValuesAreThoseOfTheCalculation) {
    for (const Case& c : kCases) {
        const ProfileStore p = Bundled(c.atmosphere);
        const CalculationWithJacobian j = CalculateWithJacobian(c.inputs, ViewOf(p));
        EXPECT_EQ(Outputs(j.result), Outputs(Calculate(c.inputs, p))) << c.atmosphere;
        EXPECT_EQ(j.result.emissivityH, Calculate(c.inputs, p).emissivityH);
    }
}

// A change of each surface input, in the order of the derivatives.
const Change kSurfaceChanges[kSurfaceInputs] = {
    [](CalculationInputs& in, ProfileStore&, double h) { in.seaTemperature += h; },
    [](CalculationInputs& in, ProfileStore&, double h) { in.salinity += h; },
    [](CalculationInputs& in, ProfileStore&, double h) { in.wind += h; },
    [](CalculationInputs& in, ProfileStore&, double h) { in.azimuth += h; },
    [](CalculationInputs& in, ProfileStore&, double h) { in.angle += h; },
};

TEST(Jacobian, SurfaceDerivativesMatchCentralDifferences) {
    // Steps: 0.01 of each input (K, 1e-3, m/s, degrees): smooth inside the
    // brackets of the tables the cases lie in.
    for (const Case& c : kCases) {
        const ProfileStore p = Bundled(c.atmosphere);
        const Jacobian j = CalculateWithJacobian(c.inputs, ViewOf(p)).jacobian;
        for (int k = 0; k < kSurfaceInputs; ++k) {
            const auto d = Central(c.inputs, p, kSurfaceChanges[k], 0.01);
            for (int o = 0; o < kJacobianOutputs; ++o)
                ExpectAgree(j.surface[o][k], d[o], 0.01,
                            std::string(c.atmosphere) + " " + kJacobianOutputNames[o] + "/" + kSurfaceInputNames[k]);
        }
    }
}

TEST(Jacobian, SurfaceDerivativesOfEveryModelChoiceMatchCentralDifferences) {
    // The authors' surface model (its own code on dual numbers) and the
    // effective cold-space temperature, together and with winds beyond the
    // default's 20 m/s, on both sides of its 37 GHz hold.
    ModelSet models;
    models.surface = SurfaceModel::mw2012;
    models.cosmic = CosmicModel::effective;
    const Case cases[] = {
        {"tropical-cloudy", {36.5, 53.1, 30.0, 28.0, 34.0, 27.0, 1.0}},
        {"midlatitude-winter", {18.7, 40.0, 135.0, 8.0, 33.0, 12.0, 0.0}},
        {"us-standard", {89.0, 57.0, 10.0, 15.0, 36.0, 16.0, 3.0}},
        {"subarctic-summer", {6.925, 20.0, 250.0, 4.0, 31.0, 7.0, 0.0}},
    };
    for (const Case& c : cases) {
        const ProfileStore p = Bundled(c.atmosphere);
        const CalculationWithJacobian j = CalculateWithJacobian(c.inputs, ViewOf(p), models);
        EXPECT_EQ(Outputs(j.result), Outputs(Calculate(c.inputs, p, models))) << c.atmosphere;
        for (int k = 0; k < kSurfaceInputs; ++k) {
            const auto d = Central(c.inputs, p, kSurfaceChanges[k], 0.01, models);
            for (int o = 0; o < kJacobianOutputs; ++o)
                ExpectAgree(j.jacobian.surface[o][k], d[o], 0.01,
                            std::string(c.atmosphere) + " " + kJacobianOutputNames[o] + "/" + kSurfaceInputNames[k]);
        }
    }
}

TEST(Jacobian, LevelDerivativesMatchCentralDifferences) {
    for (const Case& c : kCases) {
        const ProfileStore p = Bundled(c.atmosphere);
        const Jacobian j = CalculateWithJacobian(c.inputs, ViewOf(p)).jacobian;
        for (int i : {0, 1, 3, 8, 15, 24, 35}) {
            for (int q = 0; q < kProfileQuantities; ++q) {
                const double x = q == 0   ? p.airTemperature[i]
                                 : q == 1 ? p.pressure[i]
                                 : q == 2 ? p.absoluteHumidity[i]
                                          : p.cloudWater[i];
                // Steps: 1e-4 relative (at least 1e-3 K, 1e-3 mb, 1e-4 g/m^3); cloud
                // water as a forward difference where there is none (the model
                // takes no cloud below 0).
                const double floor = q == 0 ? 1e-3 : q == 1 ? 1e-3 : 1e-4;
                const bool forward = q == 3 && x == 0.0;
                // The forward difference is first order: a small step, 1e-7 g/m^3.
                const double h = forward ? 1e-7 : std::max(std::fabs(x) * 1e-4, floor);
                if (q == 3 && p.airTemperature[i] < kLiquidCloudTemperature) continue;  // see the zero test
                const Change change = [q, i](CalculationInputs&, ProfileStore& s, double e) {
                    std::vector<double>* column[4] = {&s.airTemperature, &s.pressure, &s.absoluteHumidity,
                                                      &s.cloudWater};
                    (*column[q])[i] += e;
                };
                std::array<double, kJacobianOutputs> d{};
                if (forward) {
                    CalculationInputs in = c.inputs;
                    ProfileStore moved = p;
                    change(in, moved, h);
                    const auto va = Outputs(Calculate(in, moved)), vb = Outputs(Calculate(c.inputs, p));
                    for (int o = 0; o < kJacobianOutputs; ++o) d[o] = (va[o] - vb[o]) / h;
                } else {
                    d = Central(c.inputs, p, change, h);
                }
                for (int o = 0; o < kJacobianOutputs; ++o) {
                    const double exact = j.Level(JacobianOutput(o), LevelQuantity(q), i);
                    const std::string what = std::string(c.atmosphere) + " " + kJacobianOutputNames[o] + "/" +
                                             kLevelQuantityNames[q] + "[" + std::to_string(i) + "]";
                    if (forward) {
                        // Truncation h f''/2 (under 1e-6 of the derivative at this
                        // step) and rounding 3e-14 / h.
                        EXPECT_NEAR(exact, d[o], 1e-6 * std::fabs(d[o]) + 3e-14 / h) << what;
                    } else {
                        ExpectAgree(exact, d[o], h, what);
                    }
                }
            }
        }
    }
}

TEST(Jacobian, UniformTemperatureShiftIsTheSumOfItsParts) {
    // Shifting every air temperature and the sea by the same amount: the level
    // temperature derivatives summed plus the sea-temperature derivative.
    for (const Case& c : kCases) {
        const ProfileStore p = Bundled(c.atmosphere);
        const Jacobian j = CalculateWithJacobian(c.inputs, ViewOf(p)).jacobian;
        const auto d = Central(c.inputs, p,
                               [](CalculationInputs& in, ProfileStore& s, double h) {
                                   in.seaTemperature += h;
                                   for (double& t : s.airTemperature) t += h;
                               },
                               0.01);
        for (int o = 0; o < kJacobianOutputs; ++o) {
            double sum = j.surface[o][0];
            for (int i = 0; i < p.levelCount; ++i) sum += j.Level(JacobianOutput(o), LevelQuantity::temperature, i);
            ExpectAgree(sum, d[o], 0.01, std::string(c.atmosphere) + " " + kJacobianOutputNames[o]);
        }
    }
}

TEST(Jacobian, ColumnDerivativesAreUniformRelativeChanges) {
    const Case& c = kCases[0];  // cloudy: both columns
    const ProfileStore p = Bundled(c.atmosphere);
    const Jacobian j = CalculateWithJacobian(c.inputs, ViewOf(p)).jacobian;
    const auto vapour = Central(c.inputs, p,
                                [](CalculationInputs&, ProfileStore& s, double h) {
                                    for (double& x : s.absoluteHumidity) x *= 1.0 + h;
                                },
                                1e-4);
    const auto cloud = Central(c.inputs, p,
                               [](CalculationInputs&, ProfileStore& s, double h) {
                                   for (double& x : s.cloudWater) x *= 1.0 + h;
                               },
                               1e-4);
    for (int o = 0; o < kJacobianOutputs; ++o) {
        ExpectAgree(j.columns[o][0], vapour[o], 1e-4, std::string("ln tcwv ") + kJacobianOutputNames[o]);
        ExpectAgree(j.columns[o][1], cloud[o], 1e-4, std::string("ln lwp ") + kJacobianOutputNames[o]);
    }
    EXPECT_GT(j.columns[0][0], 1.0);  // more vapour, warmer V at 36.5 GHz
}

TEST(Jacobian, ZerosWherePhysicsSaysZeroAndNonZeroElsewhere) {
    const ProfileStore p = Bundled("tropical-cloudy");
    const CalculationInputs in{37.0, 53.1, 45.0, 28.0, 35.0, 8.0, 0.0};
    const Jacobian j = CalculateWithJacobian(in, ViewOf(p)).jacobian;
    for (int i = 0; i < p.levelCount; ++i) {
        for (int o = 0; o < kJacobianOutputs; ++o) {
            if (p.airTemperature[i] < kLiquidCloudTemperature) {
                // No liquid cloud in air this cold: exactly 0.
                EXPECT_EQ(j.Level(JacobianOutput(o), LevelQuantity::cloud, i), 0.0) << i;
            } else if (o != 4 && o != 5) {
                // Clear or cloudy, adding liquid water here changes the brightness.
                EXPECT_NE(j.Level(JacobianOutput(o), LevelQuantity::cloud, i), 0.0) << kJacobianOutputNames[o] << " " << i;
            }
            if (o != 4 && o != 5) {
                EXPECT_NE(j.Level(JacobianOutput(o), LevelQuantity::temperature, i), 0.0) << i;  // temperature always counts
            }
        }
    }
    // The atmosphere terms depend on no surface input but the angle.
    for (int o : {8, 9, 10})
        for (int k = 0; k < 4; ++k) EXPECT_EQ(j.surface[o][k], 0.0);
    EXPECT_EQ(j.surface[10][4], 0.0);  // the vertical opacity does not depend on the angle
    EXPECT_NE(j.surface[8][4], 0.0);
    // Salinity has no say in the wind-direction terms: the Stokes terms do not depend on it.
    EXPECT_EQ(j.surface[4][1], 0.0);
    // Above 37 GHz there is no wind-direction signal: no azimuth dependence.
    const Jacobian high = CalculateWithJacobian({89.0, 53.1, 45.0, 28.0, 35.0, 8.0, 0.0}, ViewOf(p)).jacobian;
    for (int o = 0; o < 8; ++o) EXPECT_EQ(high.surface[o][3], 0.0);
}

TEST(Jacobian, AtTableNodesTheDerivativeIsTheOneFromAbove) {
    // The reflected-sky correction is linear between its angle nodes (0, 30, 45,
    // 55, 65 degrees). At 45 degrees the bracket 45-55 is used: the angle
    // derivative equals the forward difference, not the backward one.
    const ProfileStore p = Bundled("midlatitude-summer");
    const CalculationInputs in{18.7, 45.0, 0.0, 20.0, 35.0, 10.0, 0.0};
    const Jacobian j = CalculateWithJacobian(in, ViewOf(p)).jacobian;
    const double h = 1e-4;
    CalculationInputs above = in, below = in;
    above.angle += h;
    below.angle -= h;
    const double base = Calculate(in, p).tbH;
    const double forward = (Calculate(above, p).tbH - base) / h;
    const double backward = (base - Calculate(below, p).tbH) / h;
    EXPECT_NEAR(j.surface[1][4], forward, 1e-4 * std::fabs(forward));
    EXPECT_GT(std::fabs(forward - backward), 1e-3 * std::fabs(forward));  // a kink indeed
    // At an incidence angle of exactly 0 the first wind-direction harmonic is
    // taken as 0 together with its derivative (the branch the model takes).
    const Jacobian nadir = CalculateWithJacobian({18.7, 0.0, 90.0, 20.0, 35.0, 10.0, 0.0}, ViewOf(p)).jacobian;
    CalculationInputs tilted{18.7, 1e-3, 90.0, 20.0, 35.0, 10.0, 0.0};
    const double slope = (Calculate(tilted, p).tbThirdStokes -
                          Calculate({18.7, 0.0, 90.0, 20.0, 35.0, 10.0, 0.0}, p).tbThirdStokes) / 1e-3;
    EXPECT_GT(std::fabs(slope - nadir.surface[4][4]), 1e-6);  // the first harmonic's slope is left out
}

TEST(Jacobian, ChannelsWithSidebandsAndWeightingFunctions) {
    // The SSM/I 22.235 GHz channel: double sideband, IF 10-250 MHz, 53.1 degrees.
    Sensor ssmi;
    Channel channel;
    channel.name = "22.235V";
    channel.centre = 22.235;
    channel.subBands = {{22.235 - 0.13, 0.24}, {22.235 + 0.13, 0.24}};
    channel.polarisation = Polarisation::V;
    channel.incidenceAngle = 53.1;
    ssmi.channels.push_back(channel);
    const ProfileStore p = Bundled("tropical");
    SceneSurface scene{27.0, 35.0, 6.0, 20.0, std::nullopt};
    const CalculationWithJacobian j = ChannelWithJacobian(channel, scene, ViewOf(p));
    const std::vector<int> one{0};
    EXPECT_EQ(j.result.tbV, CalculateChannels(ssmi, one, scene, ViewOf(p))[0].tb);
    // A level temperature derivative against the channel's own central difference.
    for (int i : {0, 2, 6}) {
        ProfileStore a = p, b = p;
        a.airTemperature[i] += 0.01;
        b.airTemperature[i] -= 0.01;
        const double d = (CalculateChannels(ssmi, one, scene, ViewOf(a))[0].tb -
                          CalculateChannels(ssmi, one, scene, ViewOf(b))[0].tb) / 0.02;
        EXPECT_NEAR(j.jacobian.Level(JacobianOutput::tbV, LevelQuantity::temperature, i), d, 2e-6 * std::fabs(d) + 1e-10) << i;
    }
    // The weighting function: per km of the 1 km levels near the ground, and the
    // half-kilometre at the bottom level.
    const std::vector<double> w = WeightingFunction(j.jacobian, JacobianOutput::tbV, ViewOf(p));
    EXPECT_DOUBLE_EQ(w[1], j.jacobian.Level(JacobianOutput::tbV, LevelQuantity::temperature, 1) / 1.0);
    EXPECT_DOUBLE_EQ(w[0], j.jacobian.Level(JacobianOutput::tbV, LevelQuantity::temperature, 0) / 0.5);
    EXPECT_EQ(JacobianOutputOf(Polarisation::H), JacobianOutput::tbH);
}

}  // namespace
}  // namespace seasky
