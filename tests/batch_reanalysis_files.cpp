// ERA5 files as the Copernicus data store delivers them (the sample files of
// tools/make_reanalysis_samples.cpp: GRIB2 from ecCodes' samples, and netCDF
// in the data store's layout) read into scenes equal to the profiles converted
// here by hand from the samples' formulas, to 1e-12.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "batch/scenes.h"
#include "reanalysis_samples.h"

namespace seasky {
namespace {

namespace rs = samples;

std::string Sample(const char* name) { return std::string(SEASKY_SAMPLES_DIR) + "/" + name; }

// A value as the file holds it: the netCDF files store float32.
double Stored(double x, bool float32) { return float32 ? static_cast<double>(static_cast<float>(x)) : x; }

// The profile of one grid point, converted here: geometric height of the
// geopotential (U.S. Standard Atmosphere 1976), specific humidity and cloud
// mass fraction to densities with the moist air's density, levels below the
// sea dropped, the level at the sea from sp, t2m and d2m (Bolton 1980).
ProfileStore ByHand(std::size_t t, double lat, double lon, bool float32) {
    const double g0 = 9.80665, r0 = 6356766.0, rd = 287.05, eps = 0.62198;
    ProfileStore p;
    const double sp = Stored(rs::SurfacePressure(t, lat, lon), float32) / 100.0;
    const double t2m = Stored(rs::Temperature2m(t, lat, lon), float32);
    const double td = Stored(rs::DewPoint2m(t, lat, lon), float32);
    const double e = 6.112 * std::exp(17.67 * (td - 273.15) / (td - 273.15 + 243.5));
    auto add = [&p](double h, double T, double pr, double rho, double w) {
        p.height.push_back(h);
        p.airTemperature.push_back(T);
        p.pressure.push_back(pr);
        p.absoluteHumidity.push_back(rho);
        p.cloudWater.push_back(w);
    };
    add(0.0, t2m, sp, e * 100.0 / (rd / eps * t2m) * 1000.0, 0.0);
    for (double level : rs::kPressureLevels) {
        const double H = Stored(rs::Geopotential(t, level, lat, lon), float32) / g0;
        const double h = r0 * H / (r0 - H);
        if (h < 0.0 || level > sp) continue;
        const double T = Stored(rs::Temperature(t, level, lat, lon), float32);
        const double q = Stored(rs::SpecificHumidity(t, level, lat, lon), float32);
        const double w = Stored(rs::CloudLiquidWater(t, level, lat, lon), float32);
        const double air = level * 100.0 / (rd * T * (1.0 + q * (1.0 / eps - 1.0)));
        add(h, T, level, q * air * 1000.0, w * air * 1000.0);
    }
    p.levelCount = static_cast<int>(p.height.size());
    return p;
}

void ExpectClose(const std::vector<double>& got, const std::vector<double>& want, const char* what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (std::size_t l = 0; l < got.size(); ++l)
        EXPECT_NEAR(got[l], want[l], 1e-12 * std::max(1.0, std::fabs(want[l]))) << what << " level " << l;
}

void CheckPair(const char* levels, const char* surface, bool float32) {
    SceneOptions options;
    options.surfaceFile = Sample(surface);
    options.salinity = 35.0;
    options.lookAzimuth = 100.0;
    const std::unique_ptr<SceneReader> reader = OpenScenes(Sample(levels), options);
    const std::vector<GridDimension> grid = reader->Grid();
    ASSERT_EQ(grid.size(), 3u);
    EXPECT_EQ(grid[0].name, "valid_time");
    EXPECT_EQ(grid[1].name, "latitude");
    EXPECT_EQ(grid[2].name, "longitude");
    EXPECT_EQ(reader->LevelCount(), rs::kPressureLevels.size() + 1);  // and the level at the sea
    std::vector<Scene> scenes;
    reader->Read(0, reader->SceneCount(), scenes);
    ASSERT_EQ(scenes.size(), 2u * 3u * 4u);
    for (std::size_t t = 0; t < 2; ++t)
        for (std::size_t y = 0; y < 3; ++y)
            for (std::size_t x = 0; x < 4; ++x) {
                const Scene& s = scenes[(t * 3 + y) * 4 + x];
                const double lat = rs::kLatitudes[y], lon = rs::kLongitudes[x];
                SCOPED_TRACE(std::string(levels) + " t " + std::to_string(t) + " lat " + std::to_string(lat) +
                             " lon " + std::to_string(lon));
                if (rs::IsLand(lat, lon)) {
                    ASSERT_TRUE(s.failure);
                    EXPECT_NE(s.failure->message.find("sst"), std::string::npos) << s.failure->message;
                    continue;
                }
                ASSERT_FALSE(s.failure) << s.failure->message;
                const ProfileStore want = ByHand(t, lat, lon, float32);
                ExpectClose(s.profile.height, want.height, "height");
                ExpectClose(s.profile.airTemperature, want.airTemperature, "temperature");
                ExpectClose(s.profile.pressure, want.pressure, "pressure");
                ExpectClose(s.profile.absoluteHumidity, want.absoluteHumidity, "humidity");
                ExpectClose(s.profile.cloudWater, want.cloudWater, "cloud");
                EXPECT_NEAR(s.surface.seaTemperature, Stored(rs::SeaSurfaceTemperature(t, lat, lon), float32) - 273.15,
                            1e-12);
                const double u = Stored(rs::WindU10(t, lat, lon), float32), v = Stored(rs::WindV10(t, lat, lon), float32);
                EXPECT_NEAR(s.surface.wind, std::hypot(u, v), 1e-12);
                const double from = std::atan2(-u, -v) * 180.0 / M_PI;
                EXPECT_NEAR(s.surface.azimuth, std::fmod(from - 100.0 + 720.0, 360.0), 1e-9);
                EXPECT_EQ(s.surface.salinity, 35.0);
                EXPECT_EQ(s.flags & kStatusWindExtended, s.surface.wind > 20.0 ? kStatusWindExtended : 0);
                EXPECT_EQ(s.flags & (kStatusNoCloud | kStatusStartsHigh), 0) << s.note;
            }
    // Which variable fed each quantity.
    bool height = false;
    for (const InputSource& source : reader->Sources())
        if (source.quantity == "height") height = source.source.find("z [geopotential") == 0;
    EXPECT_TRUE(height);
}

TEST(ReanalysisFiles, DataStoreNetcdfPairGivesTheProfilesConvertedByHand) {
    CheckPair("era5-pl.nc", "era5-sfc.nc", true);
}

TEST(ReanalysisFiles, GribPairGivesTheProfilesConvertedByHand) { CheckPair("era5-pl.grib", "era5-sfc.grib", false); }

TEST(ReanalysisFiles, TheLevelFileAloneIsRefusedNamingEverySurfaceQuantity) {
    SceneOptions options;
    try {
        OpenScenes(Sample("era5-pl.grib"), options);
        FAIL() << "no refusal";
    } catch (const BatchError& e) {
        const std::string m = e.what();
        for (const char* named : {"sea surface temperature", "salinity", "wind", "found:"})
            EXPECT_NE(m.find(named), std::string::npos) << named << "\n" << m;
    }
    // A wrong level dimension is named with the file's dimensions.
    options.levelDim = "hybrid";
    options.surfaceFile = Sample("era5-sfc.nc");
    EXPECT_THROW(OpenScenes(Sample("era5-pl.nc"), options), BatchError);
}

}  // namespace
}  // namespace seasky
