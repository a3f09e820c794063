// The reflected-sky correction: the cubic in wind speed and the interpolation
// between grid nodes in transmittance, frequency and angle.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "surface/reflected_sky_correction.h"
#include "surface/sky_correction_table.h"

namespace seasky {
namespace {

constexpr std::array<double, 5> kAngles{0, 30, 45, 55, 65};
constexpr std::array<double, 6> kFrequencies{6.8, 10.7, 18.7, 23.8, 37.0, 89.0};
constexpr std::array<double, 8> kTransmittances{0.0, 0.2, 0.4, 0.6, 0.7, 0.8, 0.9, 0.95};
constexpr std::array<double, 4> kWinds{0.0, 3.5, 10.0, 20.0};

// The row of a grid point, found by scanning the keys.
const SkyCorrectionRow& Row(const SkyCorrectionTable& table, double angle, double frequency, double transmittance) {
    for (const SkyCorrectionRow& row : table)
        if (row.angle == angle && row.frequency == frequency && row.transmittance == transmittance) return row;
    ADD_FAILURE() << "no row " << angle << ", " << frequency << ", " << transmittance;
    return table.front();
}

TEST(SkyCorrectionCubic, PowersOfUAtKnownWinds) {
    // Dyadic coefficients and u = -1, 0, 0.5, 1 keep every value exact.
    EXPECT_EQ(SkyCorrectionCubic(10.0, 0.5, 0.25, -0.125, 1.0), 0.5);
    EXPECT_EQ(SkyCorrectionCubic(20.0, 0.5, 0.25, -0.125, 1.0), 0.5 + 0.25 - 0.125 + 1.0);
    EXPECT_EQ(SkyCorrectionCubic(0.0, 0.5, 0.25, -0.125, 1.0), 0.5 - 0.25 - 0.125 - 1.0);
    EXPECT_EQ(SkyCorrectionCubic(15.0, 0.5, 0.25, -0.125, 1.0), 0.5 + 0.125 - 0.03125 + 0.125);
    // A printed row (55 deg, 37.0 GHz, 0.95, V) at 7 m/s: u = -0.3.
    EXPECT_NEAR(SkyCorrectionCubic(7.0, 0.0781343, 0.0266012, -0.0486625, 0.0037495),
                0.0781343 - 0.3 * 0.0266012 + 0.09 * -0.0486625 - 0.027 * 0.0037495, 1e-16);
}

TEST(ReflectedSkyCorrection, OpaqueSkyNeedsNoCorrection) {
    for (double f : {6.75, 6.8, 22.235, 89.0})
        for (double theta : {0.0, 17.0, 53.1, 65.0})
            for (double w : {0.0, 7.5, 20.0}) {
                const EmissivityPair omega = ReflectedSkyCorrection(f, 0.0, theta, w);
                EXPECT_EQ(omega.v, 0.0) << f << ' ' << theta << ' ' << w;
                EXPECT_EQ(omega.h, 0.0) << f << ' ' << theta << ' ' << w;
            }
}

TEST(ReflectedSkyCorrection, TransmittanceAboveTopNodeIsHeld) {
    for (double f : {6.75, 19.35, 89.0})
        for (double theta : {0.0, 40.0, 65.0})
            for (double tau : {0.96, 0.99, 1.0}) {
                const EmissivityPair top = ReflectedSkyCorrection(f, 0.95, theta, 12.0);
                const EmissivityPair held = ReflectedSkyCorrection(f, tau, theta, 12.0);
                EXPECT_EQ(held.v, top.v);
                EXPECT_EQ(held.h, top.h);
            }
}

TEST(ReflectedSkyCorrection, NadirPolarisationsAgree) {
    for (double f : {6.75, 10.0, 37.0, 60.0, 89.0})
        for (double tau : {0.1, 0.65, 0.93, 1.0})
            for (double w : kWinds) {
                const EmissivityPair omega = ReflectedSkyCorrection(f, tau, 0.0, w);
                EXPECT_EQ(omega.v, omega.h) << f << ' ' << tau << ' ' << w;
            }
}

TEST(ReflectedSkyCorrection, TenMetresPerSecondGivesInterpolatedA0) {
    // Halfway between the printed 0.8 and 0.9 rows at 55 deg, 37.0 GHz.
    const EmissivityPair node = ReflectedSkyCorrection(37.0, 0.85, 55.0, 10.0);
    EXPECT_NEAR(node.v, (0.0357148 + 0.0622115) / 2, 1e-16);
    EXPECT_NEAR(node.h, (0.1674581 + 0.2132066) / 2, 1e-16);
    // Halfway in all three: 30.4 GHz in 23.8-37.0, 0.5 in 0.4-0.6, 50 deg in 45-55.
    double v = 0.0, h = 0.0;
    for (double angle : {45.0, 55.0})
        for (double frequency : {23.8, 37.0})
            for (double transmittance : {0.4, 0.6}) {
                v += Row(SkyCorrectionTableV, angle, frequency, transmittance).a0 / 8;
                h += Row(SkyCorrectionTableH, angle, frequency, transmittance).a0 / 8;
            }
    const EmissivityPair middle = ReflectedSkyCorrection(30.4, 0.5, 50.0, 10.0);
    EXPECT_NEAR(middle.v, v, 1e-15);
    EXPECT_NEAR(middle.h, h, 1e-15);
}

TEST(ReflectedSkyCorrection, GridNodesGiveTheirRowsCubic) {
    for (double angle : kAngles)
        for (double frequency : kFrequencies)
            for (double transmittance : kTransmittances)
                for (double w : kWinds) {
                    const SkyCorrectionRow& v = Row(SkyCorrectionTableV, angle, frequency, transmittance);
                    const SkyCorrectionRow& h = Row(SkyCorrectionTableH, angle, frequency, transmittance);
                    const double expectedV = SkyCorrectionCubic(w, v.a0, v.a1, v.a2, v.a3);
                    const double expectedH = SkyCorrectionCubic(w, h.a0, h.a1, h.a2, h.a3);
                    const EmissivityPair omega = ReflectedSkyCorrection(frequency, transmittance, angle, w);
                    SCOPED_TRACE(::testing::Message() << angle << ' ' << frequency << ' ' << transmittance << ' ' << w);
                    if (frequency == 89.0 || angle == 65.0) {
                        // Upper ends of the last brackets: reached by the line, to rounding.
                        EXPECT_NEAR(omega.v, expectedV, 1e-16);
                        EXPECT_NEAR(omega.h, expectedH, 1e-16);
                    } else {
                        EXPECT_EQ(omega.v, expectedV);
                        EXPECT_EQ(omega.h, expectedH);
                    }
                }
    // 18.7 GHz, 0.9, 55 deg at 10 m/s is the rows' a0.
    const EmissivityPair omega = ReflectedSkyCorrection(18.7, 0.9, 55.0, 10.0);
    EXPECT_EQ(omega.v, Row(SkyCorrectionTableV, 55.0, 18.7, 0.9).a0);
    EXPECT_EQ(omega.h, Row(SkyCorrectionTableH, 55.0, 18.7, 0.9).a0);
}

// Halfway between two neighbouring nodes of one input the result is the mean of
// the two node results: each input falls into the bracket of its own nodes.
TEST(ReflectedSkyCorrection, MidpointsAreMeansOfNeighbouringNodes) {
    const auto expectMean = [](const EmissivityPair& mid, const EmissivityPair& a, const EmissivityPair& b) {
        EXPECT_NEAR(mid.v, (a.v + b.v) / 2, 1e-15);
        EXPECT_NEAR(mid.h, (a.h + b.h) / 2, 1e-15);
    };
    for (std::size_t i = 0; i + 1 < kTransmittances.size(); ++i) {
        const double t0 = kTransmittances[i], t1 = kTransmittances[i + 1];
        SCOPED_TRACE(t0);
        expectMean(ReflectedSkyCorrection(23.8, (t0 + t1) / 2, 45.0, 14.0), ReflectedSkyCorrection(23.8, t0, 45.0, 14.0),
                   ReflectedSkyCorrection(23.8, t1, 45.0, 14.0));
    }
    for (std::size_t i = 0; i + 1 < kFrequencies.size(); ++i) {
        const double f0 = kFrequencies[i], f1 = kFrequencies[i + 1];
        SCOPED_TRACE(f0);
        expectMean(ReflectedSkyCorrection((f0 + f1) / 2, 0.7, 30.0, 5.0), ReflectedSkyCorrection(f0, 0.7, 30.0, 5.0),
                   ReflectedSkyCorrection(f1, 0.7, 30.0, 5.0));
    }
    for (std::size_t i = 0; i + 1 < kAngles.size(); ++i) {
        const double a0 = kAngles[i], a1 = kAngles[i + 1];
        SCOPED_TRACE(a0);
        expectMean(ReflectedSkyCorrection(10.7, 0.9, (a0 + a1) / 2, 18.0), ReflectedSkyCorrection(10.7, 0.9, a0, 18.0),
                   ReflectedSkyCorrection(10.7, 0.9, a1, 18.0));
    }
}

TEST(ReflectedSkyCorrection, LowestFrequenciesExtrapolateThe68To107Line) {
    for (double theta : {0.0, 55.0})
        for (double tau : {0.2, 0.95}) {
            const EmissivityPair at68 = ReflectedSkyCorrection(6.8, tau, theta, 16.0);
            const EmissivityPair at107 = ReflectedSkyCorrection(10.7, tau, theta, 16.0);
            const EmissivityPair at675 = ReflectedSkyCorrection(6.75, tau, theta, 16.0);
            const double slope = -0.05 / 3.9;
            EXPECT_NEAR(at675.v, at68.v + (at107.v - at68.v) * slope, 1e-16);
            EXPECT_NEAR(at675.h, at68.h + (at107.h - at68.h) * slope, 1e-16);
            EXPECT_NE(at675.h, at68.h);  // not held at the 6.8 GHz node
        }
}

}  // namespace
}  // namespace seasky
