// Shared interpolation and array extrema.
#include <gtest/gtest.h>

#include <cmath>

#include "common/interpolate.h"
#include "common/number_text.h"

namespace seasky {
namespace {

TEST(LinearInterpolate, LineThroughTwoPointsInsideAndOutside) {
    EXPECT_DOUBLE_EQ(LinearInterpolate(0.0, 1.0, 2.0, 5.0, 1.0), 3.0);
    EXPECT_DOUBLE_EQ(LinearInterpolate(0.0, 1.0, 2.0, 5.0, 3.0), 7.0);    // extrapolates above
    EXPECT_DOUBLE_EQ(LinearInterpolate(0.0, 1.0, 2.0, 5.0, -1.0), -1.0);  // and below
    EXPECT_DOUBLE_EQ(LinearInterpolate(2.0, 5.0, 0.0, 1.0, 1.0), 3.0);    // falling abscissae
    // The end points are returned exactly.
    EXPECT_EQ(LinearInterpolate(6.8, 0.3, 10.7, 0.9, 6.8), 0.3);
}

TEST(LinearInterpolate, CoincidentAbscissae) {
    EXPECT_EQ(LinearInterpolate(0.95, 2.0, 0.95, 4.0, 1.0), 3.0);  // mean of different ordinates
    EXPECT_EQ(LinearInterpolate(0.95, 2.5, 0.95, 2.5, 7.0), 2.5);  // equal ordinates: that value
}

TEST(ArrayExtrema, ScanFromFirstElement) {
    const double values[] = {3.0, -1.0, 7.5, 7.5, 0.0};
    EXPECT_EQ(ArrayMaximum(values, 5), 7.5);
    EXPECT_EQ(ArrayMinimum(values, 5), -1.0);
    EXPECT_EQ(ArrayMaximum(values, 1), 3.0);
    EXPECT_EQ(ArrayMinimum(values, 0), 3.0);  // count <= 1: the first element
    const double falling[] = {10000.0, 5000.0, 0.0};
    EXPECT_EQ(ArrayMaximum(falling, 3), 10000.0);
    EXPECT_EQ(ArrayMinimum(falling, 3), 0.0);
}

TEST(FormatGeneral, FixedNotationBetweenTenThousandthAndE15) {
    EXPECT_EQ(FormatGeneral(0.0, ','), "0");
    EXPECT_EQ(FormatGeneral(-0.0, ','), "0");
    EXPECT_EQ(FormatGeneral(18.7, ','), "18,7");
    EXPECT_EQ(FormatGeneral(18.7, '.'), "18.7");
    EXPECT_EQ(FormatGeneral(-273.15, '.'), "-273.15");
    EXPECT_EQ(FormatGeneral(0.0001, ','), "0,0001");
    EXPECT_EQ(FormatGeneral(100.0, ','), "100");
    EXPECT_EQ(FormatGeneral(123456789012345.0, '.'), "123456789012345");
    EXPECT_EQ(FormatGeneral(1.0 / 3.0, '.'), "0.333333333333333");
    EXPECT_EQ(FormatGeneral(2.0 / 3.0, '.'), "0.666666666666667");
    EXPECT_EQ(FormatGeneral(0.1 + 0.2, '.'), "0.3");  // 0.30000000000000004 at 15 digits
    EXPECT_EQ(FormatGeneral(212.345678901234567, '.'), "212.345678901235");
}

TEST(FormatGeneral, ScientificOutsideTheFixedRange) {
    EXPECT_EQ(FormatGeneral(0.00005, ','), "5E-5");
    EXPECT_EQ(FormatGeneral(0.000015, ','), "1,5E-5");
    EXPECT_EQ(FormatGeneral(-0.00005, '.'), "-5E-5");
    EXPECT_EQ(FormatGeneral(1e15, '.'), "1E15");
    EXPECT_EQ(FormatGeneral(1.25e20, ','), "1,25E20");
    EXPECT_EQ(FormatGeneral(5e-324, '.'), "4.94065645841247E-324");  // smallest subnormal
}

TEST(FormatGeneral, RoundingToANewDigitMovesTheNotation) {
    // 999999999999999.9 has 16 significant digits; at 15 it becomes 1E15.
    EXPECT_EQ(FormatGeneral(999999999999999.9, '.'), "1E15");
    // Just below 0.0001, rounding to 15 digits reaches 0.0001: fixed.
    EXPECT_EQ(FormatGeneral(0.00009999999999999999, '.'), "0.0001");
    EXPECT_EQ(FormatGeneral(9.9999999999999999, '.'), "10");
    EXPECT_EQ(FormatGeneral(0.99999999999999999, '.'), "1");
}

TEST(FormatGeneral, NonFinite) {
    EXPECT_EQ(FormatGeneral(INFINITY, ','), "INF");
    EXPECT_EQ(FormatGeneral(-INFINITY, ','), "-INF");
    EXPECT_EQ(FormatGeneral(NAN, ','), "NAN");
}

TEST(ParseUserNumber, AcceptedForms) {
    EXPECT_EQ(ParseUserNumber("18,7", ','), 18.7);
    EXPECT_EQ(ParseUserNumber("18.7", '.'), 18.7);
    EXPECT_EQ(ParseUserNumber("  -3 ", ','), -3.0);
    EXPECT_EQ(ParseUserNumber("+45", ','), 45.0);
    EXPECT_EQ(ParseUserNumber("1,5e2", ','), 150.0);
    EXPECT_EQ(ParseUserNumber("1E-2", ','), 0.01);
    EXPECT_EQ(ParseUserNumber(",5", ','), 0.5);
    EXPECT_EQ(ParseUserNumber("5,", ','), 5.0);
    EXPECT_EQ(ParseUserNumber(",", ','), 0.0);  // a lone separator reads as zero
}

TEST(ParseUserNumber, BeyondTheRangeOfADoubleByItsValue) {
    // Too small reads as zero and too large as infinity, whatever the sign of
    // the exponent: 1E-401 written without one, 1E+390 written with a negative one.
    const std::string tiny = "0," + std::string(400, '0') + "1";
    const std::string huge = "1" + std::string(400, '0') + "e-10";
    EXPECT_EQ(ParseUserNumber(tiny, ','), 0.0);
    EXPECT_EQ(ParseUserNumber("-" + tiny, ','), -0.0);
    EXPECT_TRUE(std::signbit(*ParseUserNumber("-" + tiny, ',')));
    EXPECT_EQ(ParseUserNumber(huge, ','), HUGE_VAL);
    EXPECT_EQ(ParseUserNumber("-" + huge, ','), -HUGE_VAL);
    EXPECT_EQ(ParseUserNumber("1e400", '.'), HUGE_VAL);
    EXPECT_EQ(ParseUserNumber("1e-400", '.'), 0.0);
    EXPECT_EQ(ParseUserNumber("0,001e-322", ','), 0.0);   // 1E-325: below the smallest subnormal
    EXPECT_EQ(ParseUserNumber("0,01e310", ','), 1e308);   // in range: not a range error at all
}

TEST(ParseUserNumber, RejectedForms) {
    for (const char* text : {"", " ", "-", "12-", "1,2,3", ",,", "1.5", "abc", "1e", "e5", "1 2", "--1", "+-1"})
        EXPECT_FALSE(ParseUserNumber(text, ',').has_value()) << "'" << text << "'";
    EXPECT_FALSE(ParseUserNumber("1,5", '.').has_value());  // only the given separator
}

}  // namespace
}  // namespace seasky
