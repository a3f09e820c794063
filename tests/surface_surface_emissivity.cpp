// Total surface emissivity: the frequency code it forms and how its terms combine.
#include <gtest/gtest.h>

#include "surface/flat_sea_emissivity.h"
#include "surface/surface_emissivity.h"
#include "surface/wind_direction_signal.h"
#include "surface/wind_emissivity.h"

namespace seasky {
namespace {

bool Same(const EmissivityPair& a, const EmissivityPair& b) { return a.v == b.v && a.h == b.h; }

TEST(SurfaceEmissivity, FrequencyCodeIsTruncated) {
    EXPECT_EQ(TruncateToFrequencyCode(1869.9999), 1869);
    EXPECT_EQ(TruncateToFrequencyCode(18.7 * 100.0), 1870);  // the double product is 1870.0
    EXPECT_EQ(TruncateToFrequencyCode(22.235 * 100.0), 2223);
    const EmissivityPair e = SurfaceEmissivity(1869.9999, 53.1, 30.0, 20.0, 35.0, 10.0);
    EXPECT_TRUE(Same(e, SurfaceEmissivity(1869.0, 53.1, 30.0, 20.0, 35.0, 10.0)));
    EXPECT_FALSE(Same(e, SurfaceEmissivity(1870.0, 53.1, 30.0, 20.0, 35.0, 10.0)));
}

TEST(SurfaceEmissivity, FlatPlusWindPlusDirection) {
    for (double w : {10.0, 25.0})
        for (FrequencyCode code : {690, 1870, 8900})
            for (double theta : {0.0, 53.1}) {
                const EmissivityPair e = SurfaceEmissivity(code, theta, 30.0, 12.0, 35.0, w);
                const EmissivityPair flat = SpecularEmissivity(code, theta, 12.0, 35.0);
                const EmissivityPair wind = WindEmissivity(code, theta, 12.0, 35.0, w);
                const DirectionalEmissivity d = WindDirectionSignal(code, theta, 30.0, w);
                EXPECT_EQ(e.v, (flat.v + wind.v) + d.V) << code << ' ' << theta << ' ' << w;  // bit for bit
                EXPECT_EQ(e.h, (flat.h + wind.h) + d.H) << code << ' ' << theta << ' ' << w;
                EXPECT_GT(e.h, flat.h + 0.005);  // roughening raises the H emissivity
            }
    // A calm sea is the flat sea, whatever the azimuth; above 37 GHz the azimuth
    // does not matter at all.
    for (double phi : {0.0, 300.0})
        EXPECT_TRUE(Same(SurfaceEmissivity(1870.0, 53.1, phi, 20.0, 35.0, 0.0), SpecularEmissivity(1870, 53.1, 20.0, 35.0)));
    EXPECT_TRUE(Same(SurfaceEmissivity(3701.0, 53.1, 0.0, 20.0, 35.0, 15.0), SurfaceEmissivity(3701.0, 53.1, 137.0, 20.0, 35.0, 15.0)));
    EXPECT_FALSE(Same(SurfaceEmissivity(3700.0, 53.1, 0.0, 20.0, 35.0, 15.0), SurfaceEmissivity(3700.0, 53.1, 90.0, 20.0, 35.0, 15.0)));
}

}  // namespace
}  // namespace seasky
