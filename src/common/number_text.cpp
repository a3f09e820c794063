#include "common/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <system_error>

namespace seasky {

long long LeadingDigitExponent(std::string_view normal) {
    const std::size_t e = normal.find_first_of("eE");
    const std::size_t end = e == std::string_view::npos ? normal.size() : e;
    const std::size_t point = std::min(normal.find('.'), end);
    const std::size_t first = normal.find_first_of("123456789");
    if (first >= end) return 0;
    long long lead = first < point ? static_cast<long long>(point - first) - 1
                                   : -static_cast<long long>(first - point);
    if (e != std::string::npos) {
        std::size_t q = e + 1;
        const bool negative = q < normal.size() && normal[q] == '-';
        if (q < normal.size() && (normal[q] == '+' || normal[q] == '-')) ++q;
        long long exponent = 0;
        for (; q < normal.size(); ++q) exponent = std::min(exponent * 10 + (normal[q] - '0'), 1000000000LL);
        lead += negative ? -exponent : exponent;
    }
    return lead;
}

std::string FormatGeneral(double value, char separator) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0.0) return "0";

    // Correctly rounded to 15 significant digits: "d.dddddddddddddde+XX".
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 14);
    const std::string sci(buf, r.ptr);
    const std::size_t ePos = sci.find('e');
    std::string digits = sci.substr(0, 1) + sci.substr(2, ePos - 2);
    const int exponent = std::atoi(sci.c_str() + ePos + 1);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string out = value < 0 ? "-" : "";
    if (exponent >= -4 && exponent < 15) {
        if (exponent >= 0) {
            const std::size_t intDigits = static_cast<std::size_t>(exponent) + 1;
            if (digits.size() <= intDigits) {
                out += digits + std::string(intDigits - digits.size(), '0');
            } else {
                out += digits.substr(0, intDigits);
                out += separator;
                out += digits.substr(intDigits);
            }
        } else {
            out += '0';
            out += separator;
            out += std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
        }
    } else {
        out += digits[0];
        if (digits.size() > 1) {
            out += separator;
            out += digits.substr(1);
        }
        out += 'E';
        if (exponent < 0) out += '-';
        out += std::to_string(std::abs(exponent));
    }
    return out;
}

std::optional<double> ParseUserNumber(std::string_view text, char separator) {
    std::size_t p = 0;
    const std::size_t n = text.size();
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    while (p < n && text[p] == ' ') ++p;
    std::string normal;  // the number rewritten for from_chars: '.' as the point, no '+'
    if (p < n && (text[p] == '+' || text[p] == '-')) {
        if (text[p] == '-') normal += '-';
        ++p;
    }
    bool mantissa = false;  // a digit or the separator seen
    bool digit = false;
    while (p < n && isDigit(text[p])) { normal += text[p++]; mantissa = digit = true; }
    if (p < n && text[p] == separator) {
        normal += '.';
        ++p;
        mantissa = true;
        while (p < n && isDigit(text[p])) { normal += text[p++]; digit = true; }
    }
    if (!mantissa) return std::nullopt;
    if (p < n && (text[p] == 'e' || text[p] == 'E')) {
        ++p;
        std::string exponent = "e";
        if (p < n && (text[p] == '+' || text[p] == '-')) exponent += text[p++];
        const std::size_t start = p;
        while (p < n && isDigit(text[p])) exponent += text[p++];
        if (p == start) return std::nullopt;
        normal += exponent;
    }
    while (p < n && text[p] == ' ') ++p;
    if (p != n) return std::nullopt;
    // A lone separator (no digits at all) reads as zero.
    if (!digit) return normal.starts_with('-') ? -0.0 : 0.0;
    double value = 0.0;
    const auto r = std::from_chars(normal.data(), normal.data() + normal.size(), value, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        // Underflow reads as zero; overflow gives infinity, as the platform's
        // conversion would. Which of the two is decided by the decimal value,
        // not by the exponent's sign: "0.000...01" underflows without an
        // exponent, "1000...0e-10" can overflow with a negative one.
        const bool negative = normal.front() == '-';
        if (LeadingDigitExponent(normal) < 0) return negative ? -0.0 : 0.0;
        return negative ? -HUGE_VAL : HUGE_VAL;
    }
    if (r.ec != std::errc() || r.ptr != normal.data() + normal.size()) return std::nullopt;
    return value;
}

}  // namespace seasky
