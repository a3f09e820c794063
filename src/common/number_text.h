// Conversions between numbers and the texts the user types and reads.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace seasky {

// The general form with 15 significant digits: fixed notation for magnitudes
// from 0.0001 up to (not including) 1E15 after rounding, scientific otherwise
// ("5E-5", "1,5E20"), no trailing zeros, "-" for negatives, "0" for zero, and
// "INF", "-INF", "NAN" for non-finite values. separator is the decimal separator.
std::string FormatGeneral(double value, char separator);

// Reads a number typed by the user: optional blanks, an optional sign, digits with
// at most one decimal separator, an optional exponent (E or e, optional sign,
// digits) and optional blanks; at least one digit or the separator must stand
// between the sign and the exponent. A lone separator reads as 0. Only the given
// separator is accepted as the decimal point. Returns nothing for any other text.
std::optional<double> ParseUserNumber(std::string_view text, char separator);

// The decimal exponent of the leading significant digit of a number written
// [sign]digits[.digits][(e|E)[sign]digits]: its value is d.ddd x 10^result (0
// when it has no significant digit). The exponent saturates far beyond any
// double. A conversion out of a double's range is an overflow when the result
// is 0 or more and an underflow when it is negative, whatever the digits' count
// or the exponent's sign.
long long LeadingDigitExponent(std::string_view number);

}  // namespace seasky
