// Scenes from fields: the boxes of a range of grid scenes, and the shaping of
// each scene's profile (order, levels below the sea, the level added at the
// sea, the flags) against values worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <random>

#include "batch/grid_boxes.h"
#include "batch/scenes.h"

namespace seasky {
namespace {

// The scenes a box covers, in row-major order of the grid.
std::vector<std::size_t> ScenesOfBox(const std::vector<std::size_t>& shape, const GridBox& box) {
    std::vector<std::size_t> scenes;
    std::vector<std::size_t> at(shape.size(), 0);
    for (std::size_t i = 0; i < box.scenes; ++i) {
        std::size_t flat = 0;
        for (std::size_t k = 0; k < shape.size(); ++k) flat = flat * shape[k] + box.start[k] + at[k];
        scenes.push_back(flat);
        for (std::size_t k = shape.size(); k-- > 0;) {
            if (++at[k] < box.count[k]) break;
            at[k] = 0;
        }
    }
    return scenes;
}

TEST(GridBoxes, EveryRangeIsItsScenesInOrderInFewBoxes) {
    std::mt19937 random(7);
    const std::vector<std::vector<std::size_t>> shapes = {{10}, {3, 4}, {2, 3, 4}, {5, 1, 7}, {2, 3, 4, 5}, {1}};
    for (const auto& shape : shapes) {
        const std::size_t n = ScenesOfGrid(shape);
        for (int trial = 0; trial < 200; ++trial) {
            const std::size_t first = random() % n;
            const std::size_t count = 1 + random() % (n - first);
            const std::vector<GridBox> boxes = BoxesOfRange(shape, first, count);
            std::vector<std::size_t> covered;
            for (const GridBox& b : boxes) {
                const std::vector<std::size_t> s = ScenesOfBox(shape, b);
                ASSERT_EQ(s.size(), b.scenes);
                ASSERT_EQ(s.front(), b.first);
                // Each box is contiguous in the numbering.
                for (std::size_t i = 1; i < s.size(); ++i) ASSERT_EQ(s[i], s[i - 1] + 1);
                covered.insert(covered.end(), s.begin(), s.end());
            }
            std::vector<std::size_t> expected(count);
            std::iota(expected.begin(), expected.end(), first);
            EXPECT_EQ(covered, expected);
            EXPECT_LE(boxes.size(), 2 * shape.size() - 1);
        }
    }
    EXPECT_TRUE(BoxesOfRange({3, 4}, 5, 0).empty());
    EXPECT_THROW(BoxesOfRange({3, 4}, 10, 3), std::out_of_range);
}

// Two scenes of four file levels, the first file level the highest (as
// old ERA5 files order them: 1 hPa first).
struct FourLevels {
    std::vector<double> height{16000.0, 1500.0, 110.0, -40.0, 16000.0, 1500.0, 110.0, -40.0};
    std::vector<double> temperature{200.0, 285.0, 296.0, 298.0, 200.0, 285.0, 296.0, 298.0};
    std::vector<double> pressure{100.0, 850.0, 1000.0, 1005.0, 100.0, 850.0, 1000.0, 1005.0};
    std::vector<double> humidity{0.01, 8.0, 16.0, 17.0, 0.01, 8.0, 16.0, 17.0};
    std::vector<double> sst{27.0, 27.0}, salinity{35.0, 35.0};
    std::vector<double> u{-3.0, 20.0}, v{-4.0, 15.0};
    std::vector<double> sp{1003.0, 1003.0}, t2m{299.0, 299.0}, d2m{295.0, 295.0};

    SceneArrays Arrays(bool surface) const {
        SceneArrays a;
        a.scenes = 2;
        a.levels = 4;
        a.height = height.data();
        a.temperature = temperature.data();
        a.pressure = pressure.data();
        a.humidity = humidity.data();
        a.seaTemperature = sst.data();
        a.salinity = salinity.data();
        a.windU = u.data();
        a.windV = v.data();
        a.lookAzimuthValue = 90.0;
        if (surface) {
            a.surfacePressure = sp.data();
            a.surfaceAirTemperature = t2m.data();
            a.surfaceDewPoint = d2m.data();
        }
        return a;
    }
};

TEST(FieldScenes, LevelsGoUpwardsTheSeaLevelIsAddedAndTheFlagsSaySo) {
    const FourLevels f;
    std::vector<Scene> scenes;
    ScenesFromArrays(f.Arrays(true), scenes);
    ASSERT_EQ(scenes.size(), 2u);
    const Scene& s = scenes[0];
    ASSERT_FALSE(s.failure) << s.failure->message;
    // -40 m lies below the sea (and 1005 hPa above sp): dropped; the sea level
    // comes first, index 4 (one past the file's), then the file's levels 2, 1, 0.
    EXPECT_EQ(s.levelIndex, (std::vector<int>{4, 2, 1, 0}));
    EXPECT_EQ(s.profile.height, (std::vector<double>{0.0, 110.0, 1500.0, 16000.0}));
    EXPECT_EQ(s.profile.pressure[0], 1003.0);
    EXPECT_EQ(s.profile.airTemperature[0], 299.0);
    // The vapour density of a 295 K dew point at 299 K, by Bolton (1980) and
    // the ideal gas with R_v = R_d / eps, written out here.
    const double e = 6.112 * std::exp(17.67 * (295.0 - 273.15) / (295.0 - 273.15 + 243.5));
    EXPECT_NEAR(s.profile.absoluteHumidity[0], e * 100.0 / (287.05 / 0.62198 * 299.0) * 1000.0, 1e-12 * 20.0);
    EXPECT_EQ(s.profile.cloudWater[0], 0.0);
    // The wind from its vector: u = -3, v = -4 blows towards the south-west,
    // so it comes from 36.87 degrees (north-east); looking at 90 degrees
    // (east), the relative azimuth is 36.87 - 90 + 360.
    EXPECT_NEAR(s.surface.wind, 5.0, 1e-14);
    EXPECT_NEAR(s.surface.azimuth, std::atan2(3.0, 4.0) * 180.0 / M_PI - 90.0 + 360.0, 1e-12);
    EXPECT_EQ(s.flags, kStatusNoCloud);
    EXPECT_EQ(s.note.find("dropped"), std::string::npos) << s.note;
    EXPECT_NE(s.note.find("no cloud"), std::string::npos) << s.note;
    // The second scene's wind is 25 m/s: flagged.
    EXPECT_NEAR(scenes[1].surface.wind, 25.0, 1e-14);
    EXPECT_EQ(scenes[1].flags, kStatusNoCloud | kStatusWindExtended);
    EXPECT_NE(scenes[1].note.find("beyond 20 m/s"), std::string::npos) << scenes[1].note;
}

TEST(FieldScenes, AProfileStartingHighWithNothingToExtendItIsFlagged) {
    const FourLevels f;
    std::vector<Scene> scenes;
    ScenesFromArrays(f.Arrays(false), scenes);
    const Scene& s = scenes[0];
    ASSERT_FALSE(s.failure) << s.failure->message;
    EXPECT_EQ(s.levelIndex, (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(s.flags & kStatusStartsHigh, kStatusStartsHigh);
    EXPECT_NE(s.note.find("starts 110 m above the sea"), std::string::npos) << s.note;
    // A profile from the sea itself is not flagged.
    FourLevels low = f;
    low.height = {16000.0, 1500.0, 8.0, -40.0, 16000.0, 1500.0, 8.0, -40.0};
    ScenesFromArrays(low.Arrays(false), scenes);
    EXPECT_EQ(scenes[0].flags & kStatusStartsHigh, 0);
    // Salinity for every scene, and a missing one named.
    FourLevels one = f;
    SceneArrays a = one.Arrays(false);
    a.salinity = nullptr;
    a.salinityValue = 33.0;
    ScenesFromArrays(a, scenes);
    EXPECT_EQ(scenes[1].surface.salinity, 33.0);
    a.salinityValue = std::nan("");
    a.names[1] = "salinity";
    ScenesFromArrays(a, scenes);
    ASSERT_TRUE(scenes[0].failure);
    EXPECT_NE(scenes[0].failure->message.find("salinity"), std::string::npos);
}

}  // namespace
}  // namespace seasky
