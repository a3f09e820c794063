// The Meissner-Wentz (2012) emissivity as its authors' code computes it: every
// row of the code's double-precision output, the sign conventions shared with the
// default model, the frequency and wind behaviour of its tables, and the
// derivatives of the dual-number form against central differences.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <string>
#include <utility>

#include "surface/mw2012_emissivity.h"
#include "surface/wind_direction_signal.h"
#include "test_support.h"

namespace seasky {
namespace {

// The outputs of one evaluation by the column names of the reference table.
std::map<std::string, double> Mw2012Columns(const SurfaceEmissivityTerms& e, const Mw2012Harmonics& a) {
    return {{"e_v", e.total.v},          {"e_h", e.total.h},
            {"e_third", e.direction.Third}, {"e_fourth", e.direction.Fourth},
            {"spec_v", e.specular.v},    {"spec_h", e.specular.h},
            {"wind_v", e.wind.v},        {"wind_h", e.wind.h},
            {"dir_v", e.direction.V},    {"dir_h", e.direction.H},
            {"a1_v", a.v.first},         {"a2_v", a.v.second},
            {"a1_h", a.h.first},         {"a2_h", a.h.second},
            {"a1_third", a.third.first}, {"a2_third", a.third.second},
            {"a1_fourth", a.fourth.first}, {"a2_fourth", a.fourth.second}};
}

// The authors' code rebuilt in double precision, every row and every one of its
// 18 double-precision columns, at 1e-12 absolute. The dual-number form gives the
// same values bit for bit.
TEST(Mw2012Emissivity, AgreesWithTheAuthorsCodeOnEveryRow) {
    const std::string path = test::TestData("surface-mw2012-published-reference.csv");
    const test::CsvText text = test::ReadCsvText(path);
    const auto rows = test::ReadCsv(path);
    ASSERT_EQ(rows.size(), 205u);
    int doubleColumns = 0;
    for (const std::string& name : text.names)
        if (name.size() > 4 && name.ends_with("_f64")) ++doubleColumns;
    ASSERT_EQ(doubleColumns, 18);
    for (const auto& r : rows) {
        const double f = r.at("freq_ghz"), theta = r.at("incidence_deg"), phi = r.at("azimuth_deg");
        const double t = r.at("sst_c"), s = r.at("salinity"), w = r.at("wind_ms");
        const SurfaceEmissivityTerms e = Mw2012EmissivityParts(f, theta, phi, t, s, w);
        const auto got = Mw2012Columns(e, Mw2012HarmonicAmplitudes(f, theta, t, w));
        const std::string where = std::to_string(f) + " GHz " + std::to_string(theta) + " deg " +
                                  std::to_string(t) + " C " + std::to_string(s) + " psu " + std::to_string(w) +
                                  " m/s " + std::to_string(phi) + " deg";
        for (const std::string& name : text.names) {
            if (!name.ends_with("_f64")) continue;
            const std::string output = name.substr(0, name.size() - 4);
            ASSERT_EQ(got.count(output), 1u) << "no model output for column " << name;
            EXPECT_NEAR(got.at(output), r.at(name), 1e-12) << name << " at " << where;
        }
        EXPECT_EQ(e.code, static_cast<FrequencyCode>(f * 100.0)) << where;

        const BasicSurfaceEmissivityTerms<CombineDual> d = Mw2012EmissivityParts(
            f, CombineDual(theta), CombineDual(phi), CombineDual(t), CombineDual(s), CombineDual(w));
        EXPECT_EQ(d.total.v.v, e.total.v) << where;
        EXPECT_EQ(d.total.h.v, e.total.h) << where;
        EXPECT_EQ(d.direction.Third.v, e.direction.Third) << where;
        EXPECT_EQ(d.direction.Fourth.v, e.direction.Fourth) << where;
    }
}

// At 55.2 degrees and 20 degrees C the SST factor is 1, the angle law is the
// identity, and both this model and the default reduce to the published
// harmonic series of 10.7, 18.7 and 37 GHz: V, H, Third and Fourth (the code's
// negated fourth Stokes term) agree with the default's to the rounding of its
// six-digit coefficients, and so do the signs of the Stokes terms.
TEST(Mw2012Emissivity, StokesSignsAreThoseOfTheDefaultModel) {
    double largestFourth = 0.0;
    for (const double f : {10.7, 18.7, 37.0})
        for (const double w : {5.0, 11.0, 19.0})
            for (const double phi : {30.0, 135.0, 250.0}) {
                const DirectionalEmissivity m = Mw2012EmissivityParts(f, 55.2, phi, 20.0, 35.0, w).direction;
                const DirectionalEmissivity d =
                    WindDirectionSignal(static_cast<FrequencyCode>(std::lround(f * 100.0)), 55.2, phi, w);
                EXPECT_NEAR(m.V, d.V, 1e-6) << f << ' ' << w << ' ' << phi;
                EXPECT_NEAR(m.H, d.H, 1e-6) << f << ' ' << w << ' ' << phi;
                EXPECT_NEAR(m.Third, d.Third, 1e-6) << f << ' ' << w << ' ' << phi;
                EXPECT_NEAR(m.Fourth, d.Fourth, 1e-6) << f << ' ' << w << ' ' << phi;
                EXPECT_NEAR(m.HalfSum, d.HalfSum, 1e-6) << f << ' ' << w << ' ' << phi;
                EXPECT_NEAR(m.Difference, d.Difference, 1e-6) << f << ' ' << w << ' ' << phi;
                largestFourth = std::max(largestFourth, std::abs(m.Fourth));
            }
    EXPECT_GT(largestFourth, 1e-4);  // large enough for a wrong sign to show
}

// Frequency: the wind terms are held above 85.5 GHz; the direction signal above
// 37 GHz is that of 37 GHz (at 20 degrees C, where every SST factor is 1); the
// 23.8 GHz node of the code's table is never used, so at 23.8 GHz the terms lie
// on the line between 18.7 and 37 GHz.
TEST(Mw2012Emissivity, FrequencyNodes) {
    const SurfaceEmissivityTerms at86 = Mw2012EmissivityParts(86.0, 40.0, 60.0, 14.0, 34.0, 12.0);
    const SurfaceEmissivityTerms at89 = Mw2012EmissivityParts(89.0, 40.0, 60.0, 14.0, 34.0, 12.0);
    EXPECT_EQ(at86.wind.v, at89.wind.v);
    EXPECT_EQ(at86.wind.h, at89.wind.h);
    EXPECT_EQ(at86.direction.V, at89.direction.V);
    EXPECT_EQ(at86.direction.Fourth, at89.direction.Fourth);
    EXPECT_NE(at86.specular.v, at89.specular.v);  // the flat sea follows the frequency

    const DirectionalEmissivity d37 = Mw2012EmissivityParts(37.0, 40.0, 60.0, 20.0, 34.0, 12.0).direction;
    const DirectionalEmissivity d60 = Mw2012EmissivityParts(60.0, 40.0, 60.0, 20.0, 34.0, 12.0).direction;
    EXPECT_NEAR(d60.V, d37.V, 1e-17);
    EXPECT_NEAR(d60.H, d37.H, 1e-17);
    EXPECT_NEAR(d60.Third, d37.Third, 1e-17);
    EXPECT_NEAR(d60.Fourth, d37.Fourth, 1e-17);
    EXPECT_GT(std::abs(d60.V), 1e-4);

    const double u = (23.8 - 18.7) / (37.0 - 18.7);
    const SurfaceEmissivityTerms a = Mw2012EmissivityParts(18.7, 55.2, 25.0, 9.0, 34.0, 12.0);
    const SurfaceEmissivityTerms b = Mw2012EmissivityParts(37.0, 55.2, 25.0, 9.0, 34.0, 12.0);
    const SurfaceEmissivityTerms m = Mw2012EmissivityParts(23.8, 55.2, 25.0, 9.0, 34.0, 12.0);
    EXPECT_NEAR(m.wind.v, (1.0 - u) * a.wind.v + u * b.wind.v, 1e-16);
    EXPECT_NEAR(m.wind.h, (1.0 - u) * a.wind.h + u * b.wind.h, 1e-16);
    EXPECT_NEAR(m.direction.Third, (1.0 - u) * a.direction.Third + u * b.direction.Third, 1e-16);
}

// Wind: no direction signal up to 3 m/s (but an isotropic one); above 20 m/s the
// increments are linear in the wind speed (equal steps, equal changes).
TEST(Mw2012Emissivity, WindSpeedRegimes) {
    const SurfaceEmissivityTerms calm = Mw2012EmissivityParts(18.7, 53.1, 45.0, 20.0, 35.0, 3.0);
    EXPECT_TRUE(calm.direction.V == 0.0 && calm.direction.H == 0.0 && calm.direction.Third == 0.0 &&
                calm.direction.Fourth == 0.0);
    EXPECT_NE(calm.wind.h, 0.0);
    const Mw2012Harmonics none = Mw2012HarmonicAmplitudes(18.7, 53.1, 20.0, 3.0);
    EXPECT_TRUE(none.v.first == 0.0 && none.h.second == 0.0 && none.third.first == 0.0 && none.fourth.second == 0.0);
    EXPECT_NE(Mw2012EmissivityParts(18.7, 53.1, 45.0, 20.0, 35.0, 3.01).direction.Third, 0.0);

    for (const double f : {6.8, 18.7, 89.0}) {
        const auto at = [f](double w) { return Mw2012EmissivityParts(f, 50.0, 45.0, 20.0, 35.0, w); };
        const SurfaceEmissivityTerms a = at(22.0), b = at(26.0), c = at(30.0);
        EXPECT_NEAR(c.wind.v - b.wind.v, b.wind.v - a.wind.v, 1e-15) << f;
        EXPECT_NEAR(c.wind.h - b.wind.h, b.wind.h - a.wind.h, 1e-15) << f;
        EXPECT_NEAR(c.direction.V - b.direction.V, b.direction.V - a.direction.V, 1e-15) << f;
        EXPECT_GT(std::abs(c.wind.h - b.wind.h), 1e-4) << f;
    }
}

// Central difference of a function of one input extrapolated to zero step
// (Richardson): (4 D(h/2) - D(h)) / 3.
double Mw2012Central(const std::function<double(double)>& g, double x, double h) {
    const double full = (g(x + h) - g(x - h)) / (2.0 * h);
    const double half = (g(x + h / 2) - g(x - h / 2)) / h;
    return (4.0 * half - full) / 3.0;
}

// The derivatives with respect to the incidence angle, azimuth, sea
// temperature, salinity and wind against central differences, at states away
// from the branch points (55.2 and 65 degrees; 3, 15 and 20 m/s; 30 degrees C)
// but on every side of them.
TEST(Mw2012Emissivity, DerivativesMatchCentralDifferences) {
    struct State {
        double f, theta, phi, t, s, w;
    };
    const State states[] = {
        {6.9, 30.0, 40.0, 12.0, 33.0, 7.0},    {10.65, 10.0, 75.0, -1.0, 30.0, 4.0},
        {23.8, 60.0, 200.0, 25.0, 35.0, 12.0}, {36.5, 53.1, 300.0, 31.0, 36.0, 17.0},
        {89.0, 45.0, 120.0, 5.0, 20.0, 24.0},  {18.7, 66.0, 150.0, 18.0, 38.0, 9.0},
        {50.0, 20.0, 10.0, 8.0, 0.5, 2.0},
    };
    // Combined-input indices of theta, phi, t, s and w (common/dual.h).
    constexpr int kIndex[5] = {7, 6, 3, 4, 5};
    const char* kName[5] = {"theta", "phi", "t", "s", "w"};
    using Output = std::function<double(const SurfaceEmissivityTerms&)>;
    using DualOutput = std::function<const CombineDual&(const BasicSurfaceEmissivityTerms<CombineDual>&)>;
    const std::pair<Output, DualOutput> outputs[] = {
        {[](const auto& e) { return e.total.v; }, [](const auto& e) -> const CombineDual& { return e.total.v; }},
        {[](const auto& e) { return e.total.h; }, [](const auto& e) -> const CombineDual& { return e.total.h; }},
        {[](const auto& e) { return e.wind.v; }, [](const auto& e) -> const CombineDual& { return e.wind.v; }},
        {[](const auto& e) { return e.direction.Third; },
         [](const auto& e) -> const CombineDual& { return e.direction.Third; }},
        {[](const auto& e) { return e.direction.Fourth; },
         [](const auto& e) -> const CombineDual& { return e.direction.Fourth; }},
    };
    for (const State& x : states) {
        const BasicSurfaceEmissivityTerms<CombineDual> d = Mw2012EmissivityParts(
            x.f, CombineDual::Variable(x.theta, 7), CombineDual::Variable(x.phi, 6), CombineDual::Variable(x.t, 3),
            CombineDual::Variable(x.s, 4), CombineDual::Variable(x.w, 5));
        for (int i = 0; i < 5; ++i) {
            const auto at = [&x, i](double v) {
                double in[5] = {x.theta, x.phi, x.t, x.s, x.w};
                in[i] = v;
                return Mw2012EmissivityParts(x.f, in[0], in[1], in[2], in[3], in[4]);
            };
            const double value[5] = {x.theta, x.phi, x.t, x.s, x.w};
            double largest = 0.0;
            for (const auto& [output, dualOutput] : outputs) {
                const double difference =
                    Mw2012Central([&](double v) { return output(at(v)); }, value[i], 0.01);
                const double exact = dualOutput(d).d[kIndex[i]];
                EXPECT_NEAR(exact, difference, 1e-7 * std::abs(difference) + 1e-12)
                    << kName[i] << " at " << x.f << " GHz " << x.theta << " deg " << x.w << " m/s";
                largest = std::max(largest, std::abs(exact));
            }
            if (i == 1 && x.w <= 3.0)
                EXPECT_EQ(largest, 0.0) << "a calm sea has no azimuth dependence";
            else
                EXPECT_GT(largest, 1e-7) << kName[i] << " at " << x.f << " GHz";  // not a vacuous check
        }
    }
}

}  // namespace
}  // namespace seasky
