// Fuzzes the number texts the user types and reads (common/number_text.h).
//
// The first byte chooses the decimal separator (bit 0: "," or ".") and the form
// of the rest (bits 1-2):
//  0: a decimal of at most 15 significant digits (mantissa and exponent from the
//     bytes), converted to the nearest double by the C library: its formatted
//     text must read back to exactly that double;
//  1: the bytes of a double: any finite one formats to a text that reads back to
//     within half a unit of the 15th digit, and the text of what was read back is
//     the same text (for normal numbers);
//  2, 3: an arbitrary text: ParseUserNumber accepts it exactly when it has the
//     documented form, and then gives the value the C library's strtod gives for
//     it (infinity only for a text beyond the range of a double).
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "common/number_text.h"
#include "fuzz_support.h"

namespace {

using seasky::FormatGeneral;
using seasky::ParseUserNumber;
using seasky::fuzz::Require;

std::uint64_t Bytes64(const std::uint8_t* data, std::size_t size) {
    std::uint64_t v = 0;
    std::memcpy(&v, data, size < sizeof v ? size : sizeof v);
    return v;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The documented form, matched independently of the parser: blanks, an optional
// sign, digits with at most one separator (at least one digit or the separator),
// an optional exponent (E or e, optional sign, at least one digit), blanks.
bool HasNumberForm(std::string_view t, char separator) {
    std::size_t p = 0;
    while (p < t.size() && t[p] == ' ') ++p;
    if (p < t.size() && (t[p] == '+' || t[p] == '-')) ++p;
    const std::size_t mantissa = p;
    while (p < t.size() && IsDigit(t[p])) ++p;
    if (p < t.size() && t[p] == separator) {
        ++p;
        while (p < t.size() && IsDigit(t[p])) ++p;
    }
    if (p == mantissa) return false;
    if (p < t.size() && (t[p] == 'e' || t[p] == 'E')) {
        ++p;
        if (p < t.size() && (t[p] == '+' || t[p] == '-')) ++p;
        const std::size_t digits = p;
        while (p < t.size() && IsDigit(t[p])) ++p;
        if (p == digits) return false;
    }
    while (p < t.size() && t[p] == ' ') ++p;
    return p == t.size();
}

// strtod of the text in the "C" form: no blanks, "." as the point.
double LibraryValue(std::string_view t, char separator) {
    std::string normal;
    for (char c : t)
        if (c != ' ') normal += c == separator ? '.' : c;
    errno = 0;
    return std::strtod(normal.c_str(), nullptr);
}

std::string Shown(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

// A decimal of at most 15 significant digits reads back exactly.
void ExactDecimal(const std::uint8_t* data, std::size_t size, char separator) {
    const std::uint64_t bits = Bytes64(data, size);
    const std::uint64_t mantissa = (bits & ((std::uint64_t{1} << 50) - 1)) % 1000000000000000ULL;
    const int exponent = static_cast<int>((bits >> 50) % 700) - 350;
    const bool negative = (bits >> 63) != 0;
    const std::string decimal = (negative ? "-" : "") + std::to_string(mantissa) + "e" + std::to_string(exponent);
    const double x = std::strtod(decimal.c_str(), nullptr);
    if (!std::isfinite(x)) return;
    const std::string text = FormatGeneral(x, separator);
    const std::optional<double> back = ParseUserNumber(text, separator);
    Require(back.has_value(), "the text '" + text + "' of " + decimal + " reads back");
    Require(*back == x, "the text '" + text + "' of " + decimal + " reads back to " + Shown(x) + ", not " +
                            Shown(*back));
}

// Any finite double formats and reads back to within the 15 digits shown.
void AnyDouble(const std::uint8_t* data, std::size_t size, char separator) {
    const std::uint64_t bits = Bytes64(data, size);
    double x = 0.0;
    std::memcpy(&x, &bits, sizeof x);
    const std::string text = FormatGeneral(x, separator);
    if (!std::isfinite(x)) {
        Require(text == (std::isnan(x) ? "NAN" : x < 0 ? "-INF" : "INF"), "non-finite values format as words");
        return;
    }
    for (char c : text)
        Require(IsDigit(c) || c == separator || c == '-' || c == 'E',
                "the text '" + text + "' holds only digits, the separator, '-' and 'E'");
    const std::optional<double> back = ParseUserNumber(text, separator);
    Require(back.has_value(), "the text '" + text + "' of " + Shown(x) + " reads back");
    if (std::isinf(*back)) {
        // Only where the 15 digits round up past the largest double.
        Require(std::fabs(x) > 1.79769313486231e308, "the text '" + text + "' of " + Shown(x) + " reads back finite");
        return;
    }
    Require(std::fabs(*back - x) <= 5.2e-15 * std::fabs(x) + DBL_TRUE_MIN,
            "the text '" + text + "' of " + Shown(x) + " reads back within the 15 digits: " + Shown(*back));
    Require(std::signbit(*back) == std::signbit(x) || x == 0.0, "the text '" + text + "' keeps the sign");
    if (std::fabs(*back) >= DBL_MIN)
        Require(FormatGeneral(*back, separator) == text, "the text '" + text + "' formats again to itself");
    const char other = separator == '.' ? ',' : '.';
    if (text.find(separator) != std::string::npos)
        Require(!ParseUserNumber(text, other).has_value(), "'" + text + "' is refused with the other separator");
}

// An arbitrary text is accepted exactly in the documented form, with strtod's value.
void AnyText(const std::uint8_t* data, std::size_t size, char separator) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<double> value = ParseUserNumber(text, separator);
    const bool form = HasNumberForm(text, separator);
    Require(value.has_value() == form, "'" + std::string(text) + "' is " + (form ? "" : "not ") +
                                           "a number of the documented form and was " +
                                           (value ? "accepted" : "refused"));
    if (!value) return;
    Require(!std::isnan(*value), "an accepted text is never NaN");
    bool digit = false;
    for (char c : text) {
        if (c == 'e' || c == 'E') break;
        digit = digit || IsDigit(c);
    }
    if (!digit) {
        Require(*value == 0.0, "a lone separator reads as 0");
        return;
    }
    const double expected = LibraryValue(text, separator);
    Require(*value == expected && std::signbit(*value) == std::signbit(expected),
            "'" + std::string(text) + "' reads as " + Shown(*value) + ", the C library reads " + Shown(expected));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return -1;
    const char separator = (data[0] & 1) != 0 ? ',' : '.';
    const int form = (data[0] >> 1) & 3;
    if (form == 0) ExactDecimal(data + 1, size - 1, separator);
    else if (form == 1) AnyDouble(data + 1, size - 1, separator);
    else AnyText(data + 1, size - 1, separator);
    return 0;
}
