// The refusal of a scene whose profile breaks a level rule says which level and
// why (a height of 2000 km was refused with "Уровень 2: " and nothing more).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "batch/scenes.h"

namespace seasky {
namespace {

TEST(SceneRefusals, ALevelOutOfRangeNamesTheLevelAndTheRange) {
    // Two scenes of two levels; the second level of the second scene is 2000 km high.
    std::vector<double> height{0.0, 1000.0, 0.0, 2.0e6};
    std::vector<double> temperature{288.0, 280.0, 288.0, 280.0};
    std::vector<double> pressure{1013.0, 900.0, 1013.0, 900.0};  // hPa
    std::vector<double> humidity{10.0, 5.0, 10.0, 5.0};         // g/m^3
    std::vector<double> sst{290.0, 290.0}, salinity{35.0, 35.0}, wind{5.0, 5.0}, azimuth{0.0, 0.0};
    SceneArrays a;
    a.scenes = 2;
    a.levels = 2;
    a.height = height.data();
    a.temperature = temperature.data();
    a.pressure = pressure.data();
    a.humidity = humidity.data();
    a.seaTemperature = sst.data();
    a.salinity = salinity.data();
    a.wind = wind.data();
    a.azimuth = azimuth.data();
    std::vector<Scene> scenes;
    ScenesFromArrays(a, scenes);
    ASSERT_EQ(scenes.size(), 2u);
    EXPECT_FALSE(scenes[0].failure);
    ASSERT_TRUE(scenes[1].failure);
    EXPECT_EQ(scenes[1].failure->input, "height");
    EXPECT_EQ(scenes[1].failure->message,
              "Профиль сцены: уровень 2, высота: 2000000 м, допустимо не более 1000000 м по модулю.");
}

}  // namespace
}  // namespace seasky
