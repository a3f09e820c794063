// The bundled standard atmospheres: their texts, their files and their physics.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/profile_reader.h"
#include "app/standard_atmospheres.h"
#include "test_support.h"

namespace seasky {
namespace {

const std::vector<std::string> kNames = {"tropical",         "midlatitude-summer", "midlatitude-winter",
                                         "subarctic-summer", "subarctic-winter",   "us-standard",
                                         "tropical-cloudy"};

// The published AFGL levels up to 50 km: every km to 25 km, then every 2.5 km.
std::vector<double> PublishedHeights() {
    std::vector<double> heights;
    for (int km = 0; km <= 25; ++km) heights.push_back(km * 1000.0);
    for (double m = 27500.0; m <= 50000.0; m += 2500.0) heights.push_back(m);
    return heights;
}

std::string SourcePath(const std::string& relative) { return std::string(SEASKY_SOURCE_DIR) + "/" + relative; }

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.is_open()) << path;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

ProfileStore Parsed(std::string_view name) {
    const StandardAtmosphere* atmosphere = FindStandardAtmosphere(name);
    if (atmosphere == nullptr) {
        ADD_FAILURE() << "no atmosphere " << name;
        return {};
    }
    const ProfileReadResult r = ParseProfileText(atmosphere->text);
    EXPECT_TRUE(r.ok) << name << ": " << r.message;
    return r.profile;
}

// Column water vapour, g/cm^2: trapezoid rule over the levels of g/m^3 times m.
double PrecipitableWater(const ProfileStore& s) {
    double column = 0.0;  // g/m^2
    for (int i = 0; i + 1 < s.levelCount; ++i) {
        column += 0.5 * (s.absoluteHumidity[i] + s.absoluteHumidity[i + 1]) * (s.height[i + 1] - s.height[i]);
    }
    return column / 1.0e4;
}

// Saturation vapour pressure over plane liquid water, Pa (Murphy and Koop 2005,
// Q. J. R. Meteorol. Soc. 131, eq. 10; valid 123-332 K). Below 0 C it exceeds
// the saturation pressure over ice, so it bounds any real water-vapour pressure.
double LiquidSaturationPressure(double t) {
    return std::exp(54.842763 - 6763.22 / t - 4.210 * std::log(t) + 0.000367 * t +
                    std::tanh(0.0415 * (t - 218.8)) * (53.878 - 1331.22 / t - 9.44523 * std::log(t) + 0.014025 * t));
}

constexpr double kWaterVapourGasConstant = 461.5;  // J/(kg K)

TEST(StandardAtmospheres, NamesInOrderWithOneLineDescriptions) {
    const auto all = StandardAtmospheres();
    ASSERT_EQ(all.size(), kNames.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(all[i].name, kNames[i]);
        EXPECT_FALSE(all[i].description.empty()) << kNames[i];
        EXPECT_EQ(all[i].description.find('\n'), std::string_view::npos) << kNames[i];
    }
}

TEST(StandardAtmospheres, FindByExactName) {
    const auto all = StandardAtmospheres();
    for (std::size_t i = 0; i < all.size(); ++i) EXPECT_EQ(FindStandardAtmosphere(kNames[i]), &all[i]) << kNames[i];
    EXPECT_EQ(FindStandardAtmosphere("nope"), nullptr);
    EXPECT_EQ(FindStandardAtmosphere(""), nullptr);
    EXPECT_EQ(FindStandardAtmosphere("Tropical"), nullptr);
    EXPECT_EQ(FindStandardAtmosphere("tropical.txt"), nullptr);
    const StandardAtmosphere* fallback = FindStandardAtmosphere(kDefaultAtmosphere);
    ASSERT_NE(fallback, nullptr);
    EXPECT_EQ(fallback->name, "midlatitude-summer");
}

TEST(StandardAtmospheres, EveryTextParsesOnThePublishedLevels) {
    const std::vector<double> heights = PublishedHeights();
    ASSERT_EQ(heights.size(), 36u);
    for (const StandardAtmosphere& atmosphere : StandardAtmospheres()) {
        const ProfileReadResult r = ParseProfileText(atmosphere.text);
        ASSERT_TRUE(r.ok) << atmosphere.name << ": " << r.message;
        EXPECT_EQ(r.profile.levelCount, 36) << atmosphere.name;
        EXPECT_EQ(r.profile.height, heights) << atmosphere.name;
    }
}

TEST(StandardAtmospheres, CompiledTextIsTheFileInDataProfiles) {
    for (const StandardAtmosphere& atmosphere : StandardAtmospheres()) {
        const std::string path = SourcePath("data/profiles/" + std::string(atmosphere.name) + ".txt");
        EXPECT_EQ(ReadBytes(path), atmosphere.text) << path;
    }
}

TEST(StandardAtmospheres, ProfileFilesReadLikeTheCompiledTexts) {
    for (const StandardAtmosphere& atmosphere : StandardAtmospheres()) {
        const ProfileReadResult fromFile =
            ReadProfileFile(SourcePath("data/profiles/" + std::string(atmosphere.name) + ".txt"));
        ASSERT_TRUE(fromFile.ok) << fromFile.message;
        const ProfileStore compiled = Parsed(atmosphere.name);
        EXPECT_EQ(fromFile.profile.pressure, compiled.pressure) << atmosphere.name;
        EXPECT_EQ(fromFile.profile.absoluteHumidity, compiled.absoluteHumidity) << atmosphere.name;
    }
}

// The bundled profiles carry the heights, temperatures and pressures of the AFGL
// source tables unchanged, and the water-vapour density that the ideal gas law
// gives for the tabulated volume mixing ratio (to the 6 digits written).
TEST(StandardAtmospheres, ProfilesFollowTheSourceTables) {
    const double molarMassWater = 18.01528;  // g/mol
    const double gasConstant = 8.314462618;  // J/(mol K)
    for (const StandardAtmosphere& atmosphere : StandardAtmospheres()) {
        std::string source(atmosphere.name);
        if (source == "tropical-cloudy") source = "tropical";
        std::ifstream in(SourcePath("data/profiles/afgl/" + source + ".dat"));
        ASSERT_TRUE(in.is_open()) << source;
        const ProfileStore s = Parsed(atmosphere.name);
        std::string line;
        int i = 0;
        while (std::getline(in, line)) {
            if (line.empty() || line[0] == '#') continue;
            std::istringstream fields(line);
            double zKm = 0, p = 0, t = 0, ppmv = 0;
            ASSERT_TRUE(fields >> zKm >> p >> t >> ppmv) << line;
            ASSERT_LT(i, s.levelCount) << source;
            EXPECT_DOUBLE_EQ(s.height[i], zKm * 1000.0) << source << " level " << i;
            EXPECT_DOUBLE_EQ(s.airTemperature[i], t) << source << " level " << i;
            EXPECT_DOUBLE_EQ(s.pressure[i], p) << source << " level " << i;
            const double density = ppmv * 1e-6 * p * 100.0 * molarMassWater / (gasConstant * t);
            EXPECT_TRUE(test::RelativelyNear(s.absoluteHumidity[i], density, 1e-5)) << source << " level " << i;
            ++i;
        }
        EXPECT_EQ(i, s.levelCount) << source;
    }
}

TEST(StandardAtmospheres, SurfacePressureNormalAndPressureFallingWithHeight) {
    for (const StandardAtmosphere& atmosphere : StandardAtmospheres()) {
        const ProfileStore s = Parsed(atmosphere.name);
        ASSERT_GT(s.levelCount, 1);
        EXPECT_GE(s.pressure[0], 1000.0) << atmosphere.name;
        EXPECT_LE(s.pressure[0], 1020.0) << atmosphere.name;
        for (int i = 1; i < s.levelCount; ++i) EXPECT_LT(s.pressure[i], s.pressure[i - 1]) << atmosphere.name << " " << i;
    }
}

// Between neighbouring levels the pressure ratio is the hydrostatic one for a
// temperature linear in height: ln(p1/p0) = -g M dz ln(T1/T0) / (R (T1 - T0)),
// with g at the middle of the layer. The tables give p to 4 digits and were not
// built with exactly this gravity or interpolation, hence 1 %; a mistyped digit
// in p or T breaks it.
TEST(StandardAtmospheres, PressuresAreHydrostatic) {
    const double g0 = 9.80665, earthRadius = 6.356766e6;  // m/s^2, m
    const double molarMassAir = 0.0289644, gasConstant = 8.314462618;
    for (const StandardAtmosphere& atmosphere : StandardAtmospheres()) {
        const ProfileStore s = Parsed(atmosphere.name);
        for (int i = 0; i + 1 < s.levelCount; ++i) {
            const double t0 = s.airTemperature[i], t1 = s.airTemperature[i + 1];
            const double meanT = t1 == t0 ? t0 : (t1 - t0) / std::log(t1 / t0);
            const double zMid = 0.5 * (s.height[i] + s.height[i + 1]);
            const double g = g0 * std::pow(earthRadius / (earthRadius + zMid), 2);
            const double dz = s.height[i + 1] - s.height[i];
            const double expected = s.pressure[i] * std::exp(-g * molarMassAir * dz / (gasConstant * meanT));
            EXPECT_TRUE(test::RelativelyNear(s.pressure[i + 1], expected, 0.01))
                << atmosphere.name << " at " << s.height[i + 1] << " m";
        }
    }
}

TEST(StandardAtmospheres, SurfaceTemperatures) {
    EXPECT_NEAR(Parsed("tropical").airTemperature.at(0), 300.0, 1.0);
    EXPECT_NEAR(Parsed("subarctic-winter").airTemperature.at(0), 257.0, 1.0);
    EXPECT_NEAR(Parsed("us-standard").airTemperature.at(0), 288.15, 0.1);
}

// The standard column amounts of the AFGL atmospheres, g/cm^2.
TEST(StandardAtmospheres, PrecipitableWater) {
    const struct {
        const char* name;
        double column;
    } cases[] = {{"tropical", 4.1},         {"midlatitude-summer", 2.9}, {"midlatitude-winter", 0.85},
                 {"subarctic-summer", 2.1}, {"subarctic-winter", 0.42},  {"us-standard", 1.42},
                 {"tropical-cloudy", 4.1}};
    for (const auto& c : cases) {
        EXPECT_TRUE(test::RelativelyNear(PrecipitableWater(Parsed(c.name)), c.column, 0.10)) << c.name;
    }
}

// Water vapour is present at every level and never above saturation; near the
// surface the climatologies are moderately humid (46 % to 78 % relative humidity).
TEST(StandardAtmospheres, VapourPressureBelowSaturation) {
    for (const StandardAtmosphere& atmosphere : StandardAtmospheres()) {
        const ProfileStore s = Parsed(atmosphere.name);
        for (int i = 0; i < s.levelCount; ++i) {
            const double t = s.airTemperature[i];
            const double vapourPressure = s.absoluteHumidity[i] * 1e-3 * kWaterVapourGasConstant * t;  // Pa
            EXPECT_GT(vapourPressure, 0.0) << atmosphere.name << " " << i;
            EXPECT_LT(vapourPressure, LiquidSaturationPressure(t)) << atmosphere.name << " at " << s.height[i] << " m";
            // Dalton: the vapour is a small part of the air.
            EXPECT_LT(vapourPressure, 0.05 * s.pressure[i] * 100.0) << atmosphere.name << " " << i;
        }
        const double t0 = s.airTemperature[0];
        const double surfaceHumidity = s.absoluteHumidity[0] * 1e-3 * kWaterVapourGasConstant * t0 /
                                       LiquidSaturationPressure(t0);
        EXPECT_GT(surfaceHumidity, 0.40) << atmosphere.name;
        EXPECT_LT(surfaceHumidity, 0.90) << atmosphere.name;
    }
}

TEST(StandardAtmospheres, ClearSkyHasNoCloudWater) {
    for (const StandardAtmosphere& atmosphere : StandardAtmospheres()) {
        if (atmosphere.name == "tropical-cloudy") continue;
        const ProfileStore s = Parsed(atmosphere.name);
        for (int i = 0; i < s.levelCount; ++i) EXPECT_EQ(s.cloudWater[i], 0.0) << atmosphere.name << " " << i;
    }
}

TEST(StandardAtmospheres, CloudyTropicalDiffersOnlyByItsCloud) {
    const ProfileStore clear = Parsed("tropical");
    const ProfileStore cloudy = Parsed("tropical-cloudy");
    ASSERT_EQ(cloudy.levelCount, clear.levelCount);
    EXPECT_EQ(cloudy.height, clear.height);
    EXPECT_EQ(cloudy.airTemperature, clear.airTemperature);
    EXPECT_EQ(cloudy.pressure, clear.pressure);
    EXPECT_EQ(cloudy.absoluteHumidity, clear.absoluteHumidity);
    int cloudyLevels = 0;
    for (int i = 0; i < cloudy.levelCount; ++i) {
        const bool inCloud = cloudy.height[i] >= 1000.0 && cloudy.height[i] <= 2000.0;
        EXPECT_EQ(cloudy.cloudWater[i], inCloud ? 0.2 : 0.0) << cloudy.height[i];
        if (inCloud) ++cloudyLevels;
    }
    EXPECT_EQ(cloudyLevels, 2);  // 1000 m and 2000 m
    EXPECT_EQ(cloudy.cloudWater.at(1), 0.2);
    EXPECT_EQ(cloudy.height.at(1), 1000.0);
    EXPECT_EQ(cloudy.cloudWater.at(2), 0.2);
    EXPECT_EQ(cloudy.height.at(2), 2000.0);
}

}  // namespace
}  // namespace seasky
