// Sea-water permittivity against the model authors' own code and the physics of
// its conductivity term.
#include <gtest/gtest.h>

#include <cmath>

#include "surface/sea_water_permittivity.h"
#include "test_support.h"

namespace seasky {
namespace {

TEST(SeaWaterPermittivity, AgreesWithTheAuthorsCode) {
    const auto rows = test::ReadCsv(test::TestData("seawater-permittivity-reference.csv"));
    ASSERT_EQ(rows.size(), 25u);
    for (const auto& r : rows) {
        const double t = r.at("temp_c"), s = r.at("salinity");
        const auto code = static_cast<FrequencyCode>(std::lround(r.at("freq_ghz") * 100.0));
        const std::complex<double> eps = SeaWaterPermittivity(t, s, code);
        // Fresh water: the same model to rounding. S = 35 (30 C): the code's b0 is
        // -0.0033330, about 1e-5; a wrong sign of b9 would be off by tens of per cent.
        const double tolerance = s == 0.0 ? 1e-12 : 3e-5;
        EXPECT_TRUE(test::RelativelyNear(eps.real(), r.at("eps_real"), tolerance)) << code << ' ' << t << ' ' << s;
        EXPECT_TRUE(test::RelativelyNear(eps.imag(), r.at("eps_imag"), tolerance)) << code << ' ' << t << ' ' << s;
    }
}

// The form of the authors' code (b0 = -0.0033330 and its nu2 salinity factor)
// reproduces every row, the saline ones included, at the frequency in GHz.
TEST(SeaWaterPermittivity, AuthorsCodeFormReproducesTheCode) {
    const auto rows = test::ReadCsv(test::TestData("seawater-permittivity-reference.csv"));
    ASSERT_EQ(rows.size(), 25u);
    for (const auto& r : rows) {
        const double f = r.at("freq_ghz"), t = r.at("temp_c"), s = r.at("salinity");
        const std::complex<double> eps = SeaWaterPermittivity(t, s, f, PermittivityVariant::AuthorsCode2012);
        EXPECT_TRUE(test::RelativelyNear(eps.real(), r.at("eps_real"), 1e-12)) << f << ' ' << t << ' ' << s;
        EXPECT_TRUE(test::RelativelyNear(eps.imag(), r.at("eps_imag"), 1e-12)) << f << ' ' << t << ' ' << s;
    }
}

// The published form through the frequency in GHz is the computation through
// the frequency code, bit for bit; the code's form differs from it at S = 35.
TEST(SeaWaterPermittivity, PublishedFormByFrequencyInGHz) {
    for (FrequencyCode code : {680, 1870, 8900}) {
        const std::complex<double> byCode = SeaWaterPermittivity(12.0, 34.0, code);
        const std::complex<double> byGHz =
            SeaWaterPermittivity(12.0, 34.0, FrequencyOfCode(code), PermittivityVariant::Published);
        EXPECT_EQ(byCode, byGHz) << code;
        const std::complex<double> authors =
            SeaWaterPermittivity(12.0, 34.0, FrequencyOfCode(code), PermittivityVariant::AuthorsCode2012);
        EXPECT_GT(std::abs(authors - byCode), 1e-5 * std::abs(byCode)) << code;
    }
}

TEST(SeaWaterPermittivity, ConductivityAndLoss) {
    // At 0.01 GHz the loss is ionic to about 1e-5: e'' f / 17.9751 is the
    // conductivity, 4.2914 S/m for standard sea water (S = 35, 15 C).
    EXPECT_TRUE(test::RelativelyNear(SeaWaterPermittivity(15.0, 35.0, 1).imag() * 0.01 / 17.9751, 4.2914, 5e-5));
    EXPECT_LT(SeaWaterPermittivity(15.0, 0.0, 1).imag(), 0.1);  // fresh water does not conduct
    for (FrequencyCode code : {675, 2223, 8900})
        for (double t : {-3.0, 37.0})
            for (double s : {0.0, 45.0}) EXPECT_GT(SeaWaterPermittivity(t, s, code).imag(), 0.0) << code;
}

}  // namespace
}  // namespace seasky
