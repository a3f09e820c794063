// The vectorised exponentials: accuracy against the scalar functions, agreement
// of the available paths, and independence of an element's value from its
// position in the array.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "common/vector_math.h"

namespace seasky {
namespace {

std::vector<double> Arguments() {
    std::vector<double> x;
    // Optical depths of thin and thick layers, powers of temperature ratios,
    // line-strength exponents: from -745 (underflow) to +700, and values near 0.
    for (double v = -745.0; v <= 700.0; v += 7.3) x.push_back(v);
    for (double v = -1.0; v <= 1.0; v += 0.0137) x.push_back(v);
    for (double v : {1e-300, -1e-300, 1e-17, -1e-17, 1e-9, -1e-9, 3e-6, -3e-6, 0.0, -0.0}) x.push_back(v);
    return x;
}

double RelativeError(double a, double b) { return b == 0.0 ? std::fabs(a) : std::fabs(a - b) / std::fabs(b); }

TEST(VectorMath, EveryPathAgreesWithTheScalarFunctions) {
    const std::vector<double> x = Arguments();
    for (VectorMathPath path : {VectorMathPath::Scalar, VectorMathPath::Sse2, VectorMathPath::Avx2}) {
        if (!testing::Supported(path)) continue;
        std::vector<double> e(x.size()), m(x.size()), o(x.size());
        testing::ExpArrayWith(path, x.data(), e.data(), x.size());
        testing::Expm1ArrayWith(path, x.data(), m.data(), x.size());
        testing::OneMinusExpArrayWith(path, x.data(), o.data(), x.size());
        for (std::size_t i = 0; i < x.size(); ++i) {
            // libmvec promises a few ulp; 1e-15 relative is 4.5 ulp.
            EXPECT_LE(RelativeError(e[i], std::exp(x[i])), 1e-15) << VectorMathPathName(path) << " exp " << x[i];
            EXPECT_LE(RelativeError(m[i], std::expm1(x[i])), 1e-15) << VectorMathPathName(path) << " expm1 " << x[i];
            EXPECT_EQ(o[i], -m[i]) << x[i];
        }
    }
    EXPECT_TRUE(testing::Supported(ActiveVectorMathPath()));
}

TEST(VectorMath, AValueDoesNotDependOnItsPositionOrTheArrayLength) {
    const std::vector<double> x = Arguments();
    std::vector<double> whole(x.size());
    ExpArray(x.data(), whole.data(), x.size());
    for (std::size_t offset : {0u, 1u, 2u, 3u, 5u}) {
        for (std::size_t length : {1u, 2u, 3u, 4u, 7u, 9u}) {
            if (offset + length > x.size()) continue;
            std::vector<double> part(length);
            ExpArray(x.data() + offset, part.data(), length);
            for (std::size_t i = 0; i < length; ++i) EXPECT_EQ(part[i], whole[offset + i]) << offset << " " << length;
        }
    }
    // In place.
    std::vector<double> y = x;
    Expm1Array(y.data(), y.data(), y.size());
    std::vector<double> z(x.size());
    Expm1Array(x.data(), z.data(), x.size());
    EXPECT_EQ(y, z);
}

TEST(VectorMath, ThinLayerEmissivityKeepsItsDigits) {
    // 1 - exp(-1e-10) = 1e-10 - 5e-21: the subtraction 1 - exp would keep only
    // about 6 digits of it.
    const double x = -1e-10;
    double y = 0.0;
    OneMinusExpArray(&x, &y, 1);
    EXPECT_NEAR(y, 1e-10 - 5e-21, 1e-25);
}

}  // namespace
}  // namespace seasky
