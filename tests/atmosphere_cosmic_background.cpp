// The effective cold-space temperature against the authors' code rebuilt in
// double precision, and its limits.
#include <gtest/gtest.h>

#include <cmath>

#include "atmosphere/cosmic_background.h"
#include "common/constants.h"
#include "test_support.h"

namespace seasky {
namespace {

TEST(CosmicBackground, EffectiveTemperatureEqualsTheAuthorsCodeInDoublePrecision) {
    const auto rows = test::ReadCsv(test::TestData("cosmic-effective-temperature.csv"));
    ASSERT_EQ(rows.size(), 51u);
    for (const auto& row : rows) {
        const double f = row.at("freq_ghz");
        EXPECT_TRUE(test::RelativelyNear(EffectiveCosmicTemperature(f), row.at("tc_eff_k_f64"), 1e-12)) << f;
        // The code's single-precision value lies within its stated 2e-7 K.
        EXPECT_NEAR(EffectiveCosmicTemperature(f), row.at("tc_eff_k"), 2e-7) << f;
    }
}

TEST(CosmicBackground, ChoicesAndTheRayleighJeansLimit) {
    // The default is the 2.73 K of every default result, at any frequency.
    for (double f : {6.9, 36.5, 89.0}) EXPECT_EQ(CosmicTemperature(f, CosmicModel::standard), kCosmicBackground);
    // At low frequency, hf << kT, the Planck and Rayleigh-Jeans brightness
    // agree and T_c tends to 2.73 K; the offsets -x/2 at 2.73 K and at 63 K
    // cancel, so that with x = hf/k the first term left is
    // T_c - 2.73 = x^2/12 (1/2.73 - 1/63) + O(x^4), growing with frequency.
    const double x = 6.6260755e-34 / 1.380658e-23 * 1.4e9;
    EXPECT_NEAR(EffectiveCosmicTemperature(1.4) - kCosmicBackground, x * x / 12.0 * (1.0 / 2.73 - 1.0 / 63.0), 1e-8);
    double previous = kCosmicBackground;
    for (double f = 2.0; f <= 100.0; f += 7.0) {
        EXPECT_GT(EffectiveCosmicTemperature(f), previous) << f;
        previous = EffectiveCosmicTemperature(f);
    }
}

}  // namespace
}  // namespace seasky
