// The wind of the surface model from (u, v) and the look direction: the
// convention checked case by case, and against the model's own upwind maximum.
#include <gtest/gtest.h>

#include <cmath>

#include "common/constants.h"
#include "surface/surface_emissivity.h"
#include "surface/wind_vector.h"

namespace seasky {
namespace {

TEST(WindVector, SpeedAndTheAzimuthRelativeToTheLookDirection) {
    struct Case {
        double u, v, look, azimuth;
        const char* what;
    };
    const Case cases[] = {
        {0.0, -5.0, 0.0, 0.0, "wind from the north, looking north: upwind"},
        {0.0, -5.0, 180.0, 180.0, "wind from the north, looking south: downwind"},
        {0.0, -5.0, 90.0, 270.0, "wind from the north, looking east"},
        {-5.0, 0.0, 90.0, 0.0, "wind from the east, looking east: upwind"},
        {5.0, 0.0, 90.0, 180.0, "wind from the west, looking east: downwind"},
        {3.0, 4.0, 216.86989764584402, 0.0, "wind from 216.87 degrees, looking that way"},
        {0.0, -5.0, 360.0, 0.0, "a look azimuth of 360 is 0"},
        {0.0, -5.0, -90.0, 90.0, "a negative look azimuth"},
    };
    for (const Case& c : cases) {
        const SurfaceWind w = SurfaceWindOf(c.u, c.v, c.look);
        EXPECT_NEAR(w.speed, std::hypot(c.u, c.v), 1e-15) << c.what;
        EXPECT_NEAR(w.azimuth, c.azimuth, 1e-12) << c.what;
        EXPECT_GE(w.azimuth, 0.0) << c.what;
        EXPECT_LT(w.azimuth, 360.0) << c.what;
    }
    // Calm air: no speed, and a direction of 0.
    EXPECT_EQ(SurfaceWindOf(0.0, 0.0, 123.0).speed, 0.0);
    EXPECT_EQ(SurfaceWindOf(0.0, 0.0, 123.0).azimuth, 0.0);
}

TEST(WindVector, LookingIntoTheWindIsTheModelsUpwindLook) {
    // The first harmonic of the V signal makes the sea brighter looking upwind
    // than downwind (Meissner and Wentz 2012, Table III: A1 of V > 0 at 37 GHz).
    // A wind from the south-west (blowing toward the north-east): looking
    // south-west is upwind, looking north-east downwind.
    const double u = 6.0, v = 6.0;
    const SurfaceWind upwind = SurfaceWindOf(u, v, 225.0), downwind = SurfaceWindOf(u, v, 45.0);
    EXPECT_NEAR(upwind.azimuth, 0.0, 1e-12);
    EXPECT_NEAR(downwind.azimuth, 180.0, 1e-12);
    const double up = SurfaceEmissivity(3700.0, 55.0, upwind.azimuth, 20.0, 35.0, upwind.speed).v;
    const double down = SurfaceEmissivity(3700.0, 55.0, downwind.azimuth, 20.0, 35.0, downwind.speed).v;
    EXPECT_GT(up - down, 1e-4);
    // Crosswind looks (south-east, north-west) are symmetric.
    const SurfaceWind a = SurfaceWindOf(u, v, 135.0), b = SurfaceWindOf(u, v, 315.0);
    EXPECT_NEAR(SurfaceEmissivity(3700.0, 55.0, a.azimuth, 20.0, 35.0, a.speed).v,
                SurfaceEmissivity(3700.0, 55.0, b.azimuth, 20.0, 35.0, b.speed).v, 1e-15);
}

}  // namespace
}  // namespace seasky
