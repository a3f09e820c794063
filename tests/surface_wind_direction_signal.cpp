// Wind-direction signal: node table and brackets, nadir value, code limits and the
// azimuth symmetries of the harmonics.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "surface/wind_direction_signal.h"
#include "test_support.h"

namespace seasky {
namespace {

constexpr double kDegree = 3.14159265358979323846 / 180.0;

bool AllZero(const DirectionalEmissivity& d) {
    return d.V == 0.0 && d.H == 0.0 && d.HalfSum == 0.0 && d.Difference == 0.0 && d.Third == 0.0 && d.Fourth == 0.0;
}

// Nadir value of the second harmonic: w^2 (1 - w/22.5) / 55.5556 (1 - log10(30/f)) / 145.
double NadirY(double fGHz, double w) { return w * w * (1.0 - w / 22.5) / 55.5556 * (1.0 - std::log10(30.0 / fGHz)) / 145.0; }

TEST(WindDirectionCoefficients, NodesAndBrackets) {
    EXPECT_EQ(WindDirectionNode(1070).harmonic[1][3][4], 1.47529e-09);  // spot values of the table
    EXPECT_EQ(WindDirectionNode(3700).harmonic[1][1][0], 0.000726916);
    const struct {
        FrequencyCode code, lo, hi;
    } cases[] = {{675, 675, 1070},  {1064, 675, 1070}, {1065, 1070, 1870}, {1070, 1070, 1870}, {1869, 1070, 1870},
                 {1870, 1870, 3700}, {3700, 1870, 3700}, {600, 675, 3700},  {3800, 675, 3700}};
    for (const auto& e : cases) {
        const WindDirectionCoefficients got = InterpolateWindDirectionCoefficients(e.code);
        const WindDirectionCoefficients a = WindDirectionNode(e.lo), b = WindDirectionNode(e.hi);
        const double u = static_cast<double>(e.code - e.lo) / (e.hi - e.lo);
        for (int h = 0; h < 2; ++h)
            for (int c = 0; c < 4; ++c)
                for (int k = 0; k < 5; ++k) {
                    const double y0 = a.harmonic[h][c][k], y1 = b.harmonic[h][c][k], g = got.harmonic[h][c][k];
                    if (e.code == e.lo) {
                        EXPECT_EQ(g, y0) << e.code;  // a node at the lower end: bit for bit
                    }
                    EXPECT_NEAR(g, y0 * (1.0 - u) + y1 * u, 1e-15 * std::max(std::abs(y0), std::abs(y1))) << e.code;
                }
    }
}

TEST(WindDirectionSignal, NadirValueAndThirdStokesAt1065) {
    EXPECT_DOUBLE_EQ(NadirFrequencyFactor(3000), 1.0 / 145.0);  // log10(30 / 30) = 0
    EXPECT_EQ(NadirFrequencyFactor(300), 0.0);                    // log10(30 / 3) = 1
    EXPECT_DOUBLE_EQ(NadirWindFactor(10.0), 100.0 * (1.0 - 10.0 / 22.5) / 55.5556);
    EXPECT_NEAR(NadirWindFactor(22.5), 0.0, 1e-15);
    // At nadir only the second harmonic remains: +Y (difference), -Y (third Stokes).
    const double y = NadirY(18.7, 12.0);
    const DirectionalEmissivity d = WindDirectionSignal(1870, 0.0, 22.5, 12.0);
    EXPECT_EQ(d.HalfSum, 0.0);
    EXPECT_EQ(d.Fourth, 0.0);
    EXPECT_NEAR(d.Difference, std::cos(45.0 * kDegree) * y, 1e-16);
    EXPECT_NEAR(d.Third, -std::sin(45.0 * kDegree) * y, 1e-16);
    // 1065 at 40 degrees, azimuth 30, 8 m/s by hand: coefficients on the 1070-1870
    // line (u = -5/800), first harmonic x A1, second -Y + x^4 (A2 + Y), x = 40/55.2.
    const WindDirectionCoefficients a = WindDirectionNode(1070), b = WindDirectionNode(1870);
    double a1 = 0.0, a2 = 0.0;
    for (int k = 4; k >= 0; --k) {  // Horner
        a1 = (a1 + a.harmonic[0][2][k] - 5.0 / 800.0 * (b.harmonic[0][2][k] - a.harmonic[0][2][k])) * 8.0;
        a2 = (a2 + a.harmonic[1][2][k] - 5.0 / 800.0 * (b.harmonic[1][2][k] - a.harmonic[1][2][k])) * 8.0;
    }
    const double x = 40.0 / 55.2, y8 = -NadirY(10.65, 8.0);
    const double third = 0.5 * x * a1 + std::sin(60.0 * kDegree) * (y8 + std::pow(x, 4) * (a2 - y8));
    EXPECT_NEAR(WindDirectionSignal(1065, 40.0, 30.0, 8.0).Third, third, 1e-15);
    EXPECT_GT(std::abs(third), 1e-4);
    // One code lower: no third or fourth Stokes signal, but V and H remain.
    const DirectionalEmissivity below = WindDirectionSignal(1064, 40.0, 30.0, 8.0);
    EXPECT_TRUE(below.Third == 0.0 && below.Fourth == 0.0 && below.V != 0.0 && below.H != 0.0);
}

TEST(WindDirectionSignal, LimitsAndCalm) {
    const DirectionalEmissivity at37 = WindDirectionSignal(3700, 53.1, 30.0, 10.0);
    EXPECT_TRUE(at37.V != 0.0 && at37.H != 0.0 && at37.Third != 0.0 && at37.Fourth != 0.0);
    EXPECT_TRUE(AllZero(WindDirectionSignal(3701, 53.1, 30.0, 10.0)));
    EXPECT_TRUE(AllZero(WindDirectionSignal(8900, 53.1, 30.0, 10.0)));
    for (FrequencyCode code : {675, 2223, 3700}) EXPECT_TRUE(AllZero(WindDirectionSignal(code, 53.1, 30.0, 0.0)));
}

TEST(WindDirectionSignal, AzimuthSymmetries) {
    for (FrequencyCode code : {1000, 1870}) {
        const HarmonicAmplitudePair hs = HarmonicAmplitudes(code, 53.1, 11.0, kHalfSumComponent);
        const HarmonicAmplitudePair df = HarmonicAmplitudes(code, 53.1, 11.0, kDifferenceComponent);
        const HarmonicAmplitudePair u = HarmonicAmplitudes(code, 53.1, 11.0, kThirdStokesComponent);
        const DirectionalEmissivity d0 = WindDirectionSignal(code, 53.1, 0.0, 11.0);
        EXPECT_TRUE(d0.Third == 0.0 && d0.Fourth == 0.0);
        EXPECT_EQ(d0.HalfSum, hs.first + hs.second);
        EXPECT_EQ(d0.Difference, df.first + df.second);
        EXPECT_NEAR(d0.V - d0.H, d0.Difference, 1e-17);
        EXPECT_NEAR((d0.V + d0.H) / 2.0, d0.HalfSum, 1e-17);
        const DirectionalEmissivity d180 = WindDirectionSignal(code, 53.1, 180.0, 11.0);
        EXPECT_NEAR(d180.HalfSum, hs.second - hs.first, 1e-18);
        EXPECT_NEAR(d180.Difference, df.second - df.first, 1e-18);
        const DirectionalEmissivity d90 = WindDirectionSignal(code, 53.1, 90.0, 11.0);
        EXPECT_NEAR(d90.HalfSum, -hs.second, 1e-18);
        EXPECT_NEAR(d90.Difference, -df.second, 1e-18);
        // Only the first harmonic in the Stokes terms; none below 1065.
        EXPECT_NEAR(d90.Third, code < 1065 ? 0.0 : u.first, 1e-18) << code;
        EXPECT_NEAR(d90.Fourth, 0.0, 1e-18);
        EXPECT_NE(u.first, 0.0);
    }
}

// The model authors' own code at the reference angle 55.2 degrees: there the
// angle law and the nadir term drop out and V, H are the published v-pol and
// h-pol harmonic series. Their code is single precision, hence 1e-6 absolute.
TEST(WindDirectionSignal, AgreesWithTheAuthorsCodeAtTheReferenceAngle) {
    const auto rows = test::ReadCsv(test::TestData("wind-direction-reference.csv"));
    ASSERT_EQ(rows.size(), 108u);
    double worstSumDifference = 0.0;
    for (const auto& row : rows) {
        const FrequencyCode code = static_cast<FrequencyCode>(row.at("freq_ghz") * 100.0);
        const double theta = row.at("incidence_deg"), w = row.at("wind_ms"), phi = row.at("azimuth_deg");
        const DirectionalEmissivity d = WindDirectionSignal(code, theta, phi, w);
        EXPECT_NEAR(d.V, row.at("dir_v"), 1e-6) << code << " " << w << " " << phi;
        EXPECT_NEAR(d.H, row.at("dir_h"), 1e-6) << code << " " << w << " " << phi;
        EXPECT_NEAR(d.Third, row.at("dir_third"), 1e-6) << code << " " << w << " " << phi;
        EXPECT_NEAR(d.Fourth, row.at("dir_fourth"), 1e-6) << code << " " << w << " " << phi;
        const DirectionalEmissivity old = WindDirectionSignal(code, theta, phi, w, DirectionRows::SumDifference);
        worstSumDifference = std::max(worstSumDifference, std::abs(old.H - row.at("dir_h")));
        // The Stokes rows are read the same way under both readings.
        EXPECT_EQ(old.Third, d.Third);
        EXPECT_EQ(old.Fourth, d.Fourth);
    }
    // Reading the rows as S1 and S2 misses the published H signal by far more
    // than the single-precision agreement.
    EXPECT_GT(worstSumDifference, 1e-3);
}

TEST(WindDirectionSignal, HalfSumAndDifferenceAreFormedFromTheVAndHRows) {
    // At 40 degrees and 18.7 GHz by hand: the v and h series of each harmonic,
    // S1 = (v + h)/2 with exponents (2, 2), S2 = v - h with (1, 4) and nadir +Y.
    const WindDirectionCoefficients t = WindDirectionNode(1870);
    const double w = 9.0, theta = 40.0, x = theta / 55.2, y = NadirY(18.7, w);
    double v1 = 0.0, h1 = 0.0, v2 = 0.0, h2 = 0.0;
    for (int k = 4; k >= 0; --k) {  // Horner
        v1 = (v1 + t.harmonic[0][0][k]) * w;
        h1 = (h1 + t.harmonic[0][1][k]) * w;
        v2 = (v2 + t.harmonic[1][0][k]) * w;
        h2 = (h2 + t.harmonic[1][1][k]) * w;
    }
    const HarmonicAmplitudePair s1 = HarmonicAmplitudes(1870, theta, w, kHalfSumComponent);
    const HarmonicAmplitudePair s2 = HarmonicAmplitudes(1870, theta, w, kDifferenceComponent);
    EXPECT_NEAR(s1.first, x * x * (v1 + h1) / 2, 1e-17);
    EXPECT_NEAR(s1.second, x * x * (v2 + h2) / 2, 1e-17);
    EXPECT_NEAR(s2.first, x * (v1 - h1), 1e-17);
    EXPECT_NEAR(s2.second, y + std::pow(x, 4) * (v2 - h2 - y), 1e-17);
    // The other reading takes each row as the component itself.
    const HarmonicAmplitudePair raw = HarmonicAmplitudes(1870, theta, w, kDifferenceComponent, DirectionRows::SumDifference);
    EXPECT_NEAR(raw.first, x * h1, 1e-17);
    EXPECT_NEAR(raw.second, y + std::pow(x, 4) * (h2 - y), 1e-17);
    // At 55.2 degrees and phi = 0, V and H are the v and h series themselves.
    const DirectionalEmissivity d = WindDirectionSignal(1870, 55.2, 0.0, w);
    EXPECT_NEAR(d.V, v1 + v2, 1e-17);
    EXPECT_NEAR(d.H, h1 + h2, 1e-17);
}

}  // namespace
}  // namespace seasky
