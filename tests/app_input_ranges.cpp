// The six range checks of a calculation: inclusive bounds, order, messages.
#include <gtest/gtest.h>

#include <cmath>

#include "app/input_ranges.h"

namespace seasky {
namespace {

TEST(InputRanges, FirstFailureInCheckOrder) {
    EXPECT_EQ(FirstRangeFailure(6.75, 0.0, 0.0, -3.0, 0.0, 0.0), "");
    EXPECT_EQ(FirstRangeFailure(89.0, 65.0, 360.0, 37.0, 45.0, 20.0), "");
    EXPECT_EQ(FirstRangeFailure(18.7, 30.0, 0.0, 20.0, 35.0, 20.5),
              "Введено неверное значение скорости ветра!\nДиапазон допустимых значений от 0 до 20 м/с");
    EXPECT_EQ(FirstRangeFailure(std::nan(""), 30.0, 0.0, 20.0, 35.0, 10.0), kInputRanges[0].message);
    // Each check in turn is the first to fail, above and below its range.
    const double good[6] = {18.7, 30.0, 0.0, 20.0, 35.0, 10.0};
    for (std::size_t i = 0; i < 6; ++i)
        for (double outside : {kInputRanges[i].upper + 0.5, kInputRanges[i].lower - 0.5}) {
            double v[6];
            for (std::size_t j = 0; j < 6; ++j) v[j] = j < i ? good[j] : j == i ? outside : kInputRanges[j].upper + 1.0;
            EXPECT_EQ(FirstRangeFailure(v[0], v[1], v[2], v[3], v[4], v[5]), kInputRanges[i].message) << i;
        }
    EXPECT_TRUE(IsInRange({RangedInput::Wind, 25.0, false}));  // lower bound only
    EXPECT_FALSE(IsInRange({RangedInput::Wind, -0.01, false}));
}

}  // namespace
}  // namespace seasky
