// Flat-sea Fresnel reflectivity and emissivity.
#include <gtest/gtest.h>

#include <cmath>

#include "surface/sea_water_permittivity.h"
#include "surface/flat_sea_emissivity.h"

namespace seasky {
namespace {

TEST(SpecularEmissivity, NadirAndFortyFiveDegrees) {
    for (FrequencyCode code : {675, 1870, 8900})
        for (double t : {-3.0, 37.0})
            for (double s : {0.0, 45.0}) {
                const std::complex<double> eps = SeaWaterPermittivity(t, s, code);
                // Normal incidence: 1 - |(n - 1) / (n + 1)|^2 for both polarisations.
                const std::complex<double> n = std::sqrt(eps);
                const EmissivityPair e = SpecularEmissivity(code, 0.0, t, s);
                EXPECT_NEAR(e.v, 1.0 - std::norm((n - 1.0) / (n + 1.0)), 1e-15) << code;
                EXPECT_NEAR(e.h, e.v, 1e-15) << code;
                // Abeles: at 45 degrees r_V = r_H^2 for any permittivity.
                const EmissivityPair r = FlatSurfaceReflectivity(eps, std::atan(1.0));
                EXPECT_NEAR(r.v, r.h * r.h, 4e-15 * r.v) << code;
            }
    // Lossless n = 2 at the Brewster angle atan(2): no V reflection, r_H = -3/5.
    const EmissivityPair brewster = FlatSurfaceReflectivity({4.0, 0.0}, std::atan(2.0));
    EXPECT_NEAR(brewster.v, 0.0, 1e-28);
    EXPECT_NEAR(brewster.h, 0.36, 1e-15);
}

TEST(SpecularEmissivity, VerticalRisesAndHorizontalFallsWithAngle) {
    for (FrequencyCode code : {675, 8900}) {
        EmissivityPair previous = SpecularEmissivity(code, 0.0, 15.0, 35.0);
        for (double theta = 5.0; theta <= 65.0; theta += 5.0) {
            const EmissivityPair e = SpecularEmissivity(code, theta, 15.0, 35.0);
            EXPECT_GT(e.v, e.h) << code << ' ' << theta;
            EXPECT_GT(e.v, previous.v) << code << ' ' << theta;
            EXPECT_LT(e.h, previous.h) << code << ' ' << theta;
            previous = e;
        }
    }
}

}  // namespace
}  // namespace seasky
