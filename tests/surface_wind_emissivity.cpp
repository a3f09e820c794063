// Isotropic wind emissivity: node table and brackets, reference polynomial,
// temperature and angle laws, extension above 20 m/s.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "surface/flat_sea_emissivity.h"
#include "surface/wind_emissivity.h"

namespace seasky {
namespace {

// Every coefficient at `code` lies on the straight line through nodes lo and hi
// (to 1e-15 of the larger node value; exactly when exact).
void ExpectOnLine(FrequencyCode code, FrequencyCode lo, FrequencyCode hi, bool exact = false) {
    const WindEmissivityCoefficients got = InterpolateWindEmissivityCoefficients(code);
    const WindEmissivityCoefficients a = WindEmissivityNode(lo), b = WindEmissivityNode(hi);
    const double u = static_cast<double>(code - lo) / (hi - lo);
    for (int k = 0; k < 5; ++k)
        for (auto [g, y0, y1] : {std::tuple{got.v[k], a.v[k], b.v[k]}, std::tuple{got.h[k], a.h[k], b.h[k]}}) {
            if (exact) {
                EXPECT_EQ(g, y0) << code;
            }
            EXPECT_NEAR(g, y0 * (1.0 - u) + y1 * u, 1e-15 * std::max(std::abs(y0), std::abs(y1))) << code << ' ' << k;
        }
}

TEST(WindEmissivityCoefficients, NodesAndBrackets) {
    EXPECT_EQ(WindEmissivityNode(675).v[0], 4.96726e-05);  // spot values of the table
    EXPECT_EQ(WindEmissivityNode(1870).v[2], 6.62807e-05);
    EXPECT_EQ(WindEmissivityNode(8900).h[4], 1.35737e-07);
    for (FrequencyCode node : {675, 1070, 1870, 3700}) ExpectOnLine(node, node, 8900, true);  // lower ends: bit for bit
    ExpectOnLine(8900, 3700, 8900);  // upper end: to the last bit
    ExpectOnLine(1069, 675, 1070);
    ExpectOnLine(1869, 1070, 1870);
    ExpectOnLine(1871, 1870, 3700);
    ExpectOnLine(6000, 3700, 8900);
    ExpectOnLine(600, 675, 8900);  // outside the table: the 675-8900 line
    ExpectOnLine(9000, 675, 8900);
}

TEST(WindEmissivity, ReferencePolynomialTemperatureAndAngle) {
    // 37 GHz, 10 m/s, by hand: V -0.00703594 - 0.0217673 + 0.0400659 - 0.0184769 +
    // 0.0027683; H 0.0563832 - 0.0843744 + 0.106734 - 0.0461253 + 0.00667315.
    const double pV = -0.00444594, pH = 0.03929065, m = (pV + pH) / 2.0;
    const EmissivityPair at55 = WindEmissivity(3700, 55.2, 20.0, 35.0, 10.0);
    EXPECT_NEAR(at55.v, pV, 1e-15);
    EXPECT_NEAR(at55.h, pH, 1e-15);
    const EmissivityPair at0 = WindEmissivity(3700, 0.0, 20.0, 35.0, 10.0);  // nadir: the mean
    EXPECT_NEAR(at0.v, m, 1e-15);
    EXPECT_EQ(at0.v, at0.h);
    const EmissivityPair at27 = WindEmissivity(3700, 27.6, 20.0, 35.0, 10.0);  // half the angle
    EXPECT_NEAR(at27.v, m + std::pow(0.5, 4.0) * (pV - m), 1e-15);
    EXPECT_NEAR(at27.h, m + std::sqrt(0.125) * (pH - m), 1e-15);
    // 30 C: each polarisation scaled by its own ratio of flat-sea emissivities.
    const EmissivityPair warm = WindEmissivity(3700, 55.2, 30.0, 35.0, 10.0);
    const EmissivityPair e30 = SpecularEmissivity(3700, 55.2, 30.0, 35.0), e20 = SpecularEmissivity(3700, 55.2, 20.0, 35.0);
    EXPECT_NEAR(warm.v, pV * e30.v / e20.v, 1e-15);
    EXPECT_NEAR(warm.h, pH * e30.h / e20.h, 1e-15);
    EXPECT_GT(std::abs(e30.v / e20.v - e30.h / e20.h), 1e-4);
    for (FrequencyCode code : {675, 8900})
        for (double theta : {0.0, 65.0}) {  // calm sea: no increment
            EXPECT_EQ(WindEmissivity(code, theta, -3.0, 40.0, 0.0).v, 0.0);
            EXPECT_EQ(WindEmissivity(code, theta, 37.0, 40.0, 0.0).h, 0.0);
        }
}

TEST(WindEmissivity, StraightLineAboveTwentyMetresPerSecond) {
    const EmissivityPair a = WindEmissivityBase(1870, 53.1, 15.0, 35.0, 19.0);
    const EmissivityPair b = WindEmissivityBase(1870, 53.1, 15.0, 35.0, 20.0);
    EXPECT_EQ(WindEmissivity(1870, 53.1, 15.0, 35.0, 20.0).h, b.h);
    const EmissivityPair at25 = WindEmissivity(1870, 53.1, 15.0, 35.0, 25.0);
    EXPECT_NEAR(at25.v, a.v + 6.0 * (b.v - a.v), 1e-15);
    EXPECT_NEAR(at25.h, a.h + 6.0 * (b.h - a.h), 1e-15);
    EXPECT_GT(std::abs(at25.h - WindEmissivityBase(1870, 53.1, 15.0, 35.0, 25.0).h), 1e-4);  // not the polynomial
}

}  // namespace
}  // namespace seasky
