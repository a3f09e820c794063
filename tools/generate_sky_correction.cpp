// Writes src/surface/sky_correction_table.h, the two coefficient tables of the
// reflected-sky correction, from the published values of Omega in
// data/reflected-sky-omega.csv.
//
// For each grid point (angle, frequency, transmittance) and each polarisation the
// table holds the cubic a0 + a1*u + a2*u^2 + a3*u^3 in u = (w - 10) / 10, w the wind
// speed in m/s, that fits the five points (w = 0, Omega = 0) and the published
// values at 4, 7, 12 and 20 m/s in the unweighted least-squares sense, each
// coefficient rounded to 7 decimals (half away from zero). Transmittance 0 rows
// are zero: an opaque sky is isotropic, so roughness does not change its reflection.
//
// The fit is exact. The published values have two decimals, so with t = w - 10 =
// 10 u and y = 100 Omega, both integers, the normal equations (T'T) b = T'y of the
// cubic b0 + b1 t + b2 t^2 + b3 t^3 are solved with the adjugate:
// b = adj(T'T) T'y / det(T'T), in 64-bit integers with every operation checked for
// overflow. Then a_k = b_k 10^k / 100, so a_k 10^7 = (adj(T'T) T'y)_k 10^(k+5) /
// det(T'T), and that quotient is rounded by exact long division.
//
// Usage: generate_sky_correction <reflected-sky-omega.csv> <sky_correction_table.h>
// Exit status 0 on success, 1 when the input is not the complete published grid.

#include <array>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Integer = std::int64_t;

// The grid in table order, as the decimal texts written into the table.
constexpr std::array<std::string_view, 5> kAngles{"0.0", "30.0", "45.0", "55.0", "65.0"};
constexpr std::array<std::string_view, 6> kFrequencies{"6.8", "10.7", "18.7", "23.8", "37.0", "89.0"};
// Transmittances descending; the last, 0.0, has no published values (its rows are zero).
constexpr std::array<std::string_view, 8> kTransmittances{"0.95", "0.9", "0.8", "0.7", "0.6", "0.4", "0.2", "0.0"};
constexpr int kPublishedTransmittances = 7;
// Wind speeds of the fit, m/s: the zero point, then the published ones.
constexpr std::array<int, 5> kWinds{0, 4, 7, 12, 20};
constexpr int kPublishedWinds = 4;
constexpr int kCoefficients = 4;
constexpr int kDecimals = 7;

constexpr std::string_view kHeader = "angle,freq,tau,wind,omega_v,omega_h";

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

Integer Multiply(Integer a, Integer b) {
    Integer r = 0;
    if (__builtin_mul_overflow(a, b, &r)) throw Failure("integer overflow in the fit");
    return r;
}

Integer Add(Integer a, Integer b) {
    Integer r = 0;
    if (__builtin_add_overflow(a, b, &r)) throw Failure("integer overflow in the fit");
    return r;
}

double ParseDouble(std::string_view text) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        throw Failure("not a number: '" + std::string(text) + "'");
    return value;
}

// A published value with at most two decimals, in hundredths, read exactly.
Integer ParseHundredths(std::string_view text) {
    const std::string original(text);
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    if (whole.empty() || fraction.size() > 2) throw Failure("not a two-decimal value: '" + original + "'");
    Integer value = 0;
    for (char c : whole) {
        if (c < '0' || c > '9') throw Failure("not a two-decimal value: '" + original + "'");
        value = Add(Multiply(value, 10), c - '0');
    }
    for (std::size_t i = 0; i < 2; ++i) {
        const char c = i < fraction.size() ? fraction[i] : '0';
        if (c < '0' || c > '9') throw Failure("not a two-decimal value: '" + original + "'");
        value = Add(Multiply(value, 10), c - '0');
    }
    return negative ? -value : value;
}

// Index of the node whose value equals x, or -1.
template <std::size_t N>
int FindNode(const std::array<std::string_view, N>& nodes, double x, int count = static_cast<int>(N)) {
    for (int i = 0; i < count; ++i)
        if (ParseDouble(nodes[i]) == x) return i;
    return -1;
}

// Published values in hundredths: [polarisation][angle][frequency][transmittance][wind].
using Published =
    std::array<std::array<std::array<std::array<std::array<Integer, kPublishedWinds>, kPublishedTransmittances>,
                                     kFrequencies.size()>,
                          kAngles.size()>,
               2>;

Published ReadPublished(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Failure("cannot open " + path);
    Published values{};
    std::array<std::array<std::array<std::array<int, kPublishedWinds>, kPublishedTransmittances>, kFrequencies.size()>,
               kAngles.size()>
        seen{};
    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (lineNumber == 1) {
            if (line != kHeader) throw Failure(path + ": the header is not '" + std::string(kHeader) + "'");
            continue;
        }
        if (line.empty()) continue;
        std::vector<std::string_view> fields;
        std::string_view rest(line);
        for (std::size_t comma; (comma = rest.find(',')) != std::string_view::npos;) {
            fields.push_back(rest.substr(0, comma));
            rest.remove_prefix(comma + 1);
        }
        fields.push_back(rest);
        const std::string where = path + ":" + std::to_string(lineNumber) + ": ";
        if (fields.size() != 6) throw Failure(where + "expected 6 fields");
        const int a = FindNode(kAngles, ParseDouble(fields[0]));
        const int f = FindNode(kFrequencies, ParseDouble(fields[1]));
        const int t = FindNode(kTransmittances, ParseDouble(fields[2]), kPublishedTransmittances);
        int w = -1;
        for (int i = 0; i < kPublishedWinds; ++i)
            if (ParseDouble(fields[3]) == kWinds[i + 1]) w = i;
        if (a < 0 || f < 0 || t < 0 || w < 0) throw Failure(where + "not a point of the published grid");
        if (seen[a][f][t][w]++) throw Failure(where + "repeats a grid point");
        values[0][a][f][t][w] = ParseHundredths(fields[4]);
        values[1][a][f][t][w] = ParseHundredths(fields[5]);
    }
    for (const auto& byAngle : seen)
        for (const auto& byFrequency : byAngle)
            for (const auto& byTransmittance : byFrequency)
                for (int count : byTransmittance)
                    if (count != 1) throw Failure(path + ": the published grid is incomplete");
    // At normal incidence the two polarisations are the same.
    if (values[0][0] != values[1][0]) throw Failure(path + ": V and H differ at angle 0");
    return values;
}

// Least-squares operator of the cubic in t = w - 10 through the wind speeds kWinds:
// b_k = sum_i numerator[k][i] y_i / denominator.
struct FitOperator {
    std::array<std::array<Integer, kWinds.size()>, kCoefficients> numerator{};
    Integer denominator = 0;
};

Integer Determinant3(const std::array<std::array<Integer, 3>, 3>& m) {
    Integer d = Multiply(m[0][0], Add(Multiply(m[1][1], m[2][2]), -Multiply(m[1][2], m[2][1])));
    d = Add(d, -Multiply(m[0][1], Add(Multiply(m[1][0], m[2][2]), -Multiply(m[1][2], m[2][0]))));
    d = Add(d, Multiply(m[0][2], Add(Multiply(m[1][0], m[2][1]), -Multiply(m[1][1], m[2][0]))));
    return d;
}

FitOperator MakeFitOperator() {
    // Powers t_i^j, j = 0..3.
    std::array<std::array<Integer, kCoefficients>, kWinds.size()> powers{};
    for (std::size_t i = 0; i < kWinds.size(); ++i) {
        Integer p = 1;
        for (int j = 0; j < kCoefficients; ++j) {
            powers[i][j] = p;
            p = Multiply(p, kWinds[i] - 10);
        }
    }
    // Normal matrix N = T'T.
    std::array<std::array<Integer, kCoefficients>, kCoefficients> normal{};
    for (int j = 0; j < kCoefficients; ++j)
        for (int k = 0; k < kCoefficients; ++k)
            for (std::size_t i = 0; i < kWinds.size(); ++i)
                normal[j][k] = Add(normal[j][k], Multiply(powers[i][j], powers[i][k]));
    // Adjugate: adj[k][j] is the cofactor of N[j][k].
    std::array<std::array<Integer, kCoefficients>, kCoefficients> adjugate{};
    for (int j = 0; j < kCoefficients; ++j)
        for (int k = 0; k < kCoefficients; ++k) {
            std::array<std::array<Integer, 3>, 3> minor{};
            for (int r = 0, mr = 0; r < kCoefficients; ++r) {
                if (r == j) continue;
                for (int c = 0, mc = 0; c < kCoefficients; ++c) {
                    if (c == k) continue;
                    minor[mr][mc++] = normal[r][c];
                }
                ++mr;
            }
            const Integer cofactor = Determinant3(minor);
            adjugate[k][j] = (j + k) % 2 == 0 ? cofactor : -cofactor;
        }
    FitOperator fit;
    for (int k = 0; k < kCoefficients; ++k) fit.denominator = Add(fit.denominator, Multiply(normal[0][k], adjugate[k][0]));
    if (fit.denominator <= 0) throw Failure("the normal matrix is not positive definite");
    // N adj(N) = det(N) I confirms the cofactors.
    for (int j = 0; j < kCoefficients; ++j)
        for (int k = 0; k < kCoefficients; ++k) {
            Integer s = 0;
            for (int m = 0; m < kCoefficients; ++m) s = Add(s, Multiply(normal[j][m], adjugate[m][k]));
            if (s != (j == k ? fit.denominator : 0)) throw Failure("the adjugate of the normal matrix is wrong");
        }
    // adj(N) T'.
    for (int k = 0; k < kCoefficients; ++k)
        for (std::size_t i = 0; i < kWinds.size(); ++i)
            for (int j = 0; j < kCoefficients; ++j)
                fit.numerator[k][i] = Add(fit.numerator[k][i], Multiply(adjugate[k][j], powers[i][j]));
    return fit;
}

// n 10^digits / d (d > 0) rounded to an integer, half away from zero, by long division.
Integer RoundQuotient(Integer n, int digits, Integer d) {
    const bool negative = n < 0;
    const Integer magnitude = negative ? -n : n;
    Integer q = magnitude / d;
    Integer r = magnitude % d;
    for (int i = 0; i < digits; ++i) {
        r = Multiply(r, 10);
        q = Add(Multiply(q, 10), r / d);
        r %= d;
    }
    if (r >= d - r) q = Add(q, 1);
    return negative ? -q : q;
}

// A coefficient given in units of 10^-7 as a short decimal literal: "0" for zero,
// otherwise the digits without trailing zeros ("0.240319", "-0.0486625").
std::string FormatCoefficient(Integer scaled) {
    if (scaled == 0) return "0";
    const bool negative = scaled < 0;
    const Integer magnitude = negative ? -scaled : scaled;
    Integer unit = 1;
    for (int i = 0; i < kDecimals; ++i) unit *= 10;
    std::string fraction = std::to_string(magnitude % unit);
    fraction.insert(0, kDecimals - fraction.size(), '0');
    while (fraction.size() > 1 && fraction.back() == '0') fraction.pop_back();
    std::string text = negative ? "-" : "";
    text += std::to_string(magnitude / unit);
    text += '.';
    text += fraction;
    return text;
}

// The coefficients a0..a3 of one grid point, in units of 10^-7.
std::array<Integer, kCoefficients> FitCubic(const FitOperator& fit, const std::array<Integer, kPublishedWinds>& y) {
    std::array<Integer, kCoefficients> a{};
    for (int k = 0; k < kCoefficients; ++k) {
        Integer n = 0;  // the zero point adds nothing
        for (int i = 0; i < kPublishedWinds; ++i) n = Add(n, Multiply(fit.numerator[k][i + 1], y[i]));
        a[k] = RoundQuotient(n, k + 5, fit.denominator);
    }
    return a;
}

void WriteTable(std::ostream& out, const char* name, const char* polarisation, const FitOperator& fit,
                const Published& values, int p) {
    out << "// " << polarisation << " polarisation.\n";
    out << "inline constexpr SkyCorrectionTable " << name << "{{\n";
    for (std::size_t a = 0; a < kAngles.size(); ++a)
        for (std::size_t f = 0; f < kFrequencies.size(); ++f) {
            out << "    // " << kAngles[a] << " degrees, " << kFrequencies[f] << " GHz\n";
            for (std::size_t t = 0; t < kTransmittances.size(); ++t) {
                out << "    {" << kAngles[a] << ", " << kFrequencies[f] << ", " << kTransmittances[t];
                std::array<Integer, kCoefficients> coefficients{};
                if (t < kPublishedTransmittances) coefficients = FitCubic(fit, values[p][a][f][t]);
                for (Integer c : coefficients) out << ", " << FormatCoefficient(c);
                out << "},\n";
            }
        }
    out << "}};\n";
}

std::string MakeHeader(const Published& values) {
    const FitOperator fit = MakeFitOperator();
    std::ostringstream out;
    out << "// Coefficient tables of the reflected-sky correction, V then H.\n"
           "//\n"
           "// Generated by tools/generate_sky_correction.cpp from data/reflected-sky-omega.csv;\n"
           "// do not edit. Regenerate from the source root with\n"
           "//   <build>/tools/generate_sky_correction data/reflected-sky-omega.csv "
           "src/surface/sky_correction_table.h\n"
           "// or `cmake --build <build> --target regenerate_sky_correction_table`; the test\n"
           "// sky_correction_table_current fails while this file is out of date.\n"
           "//\n"
           "// Row: incidence angle (degrees), frequency (GHz), transmittance, then a0..a3 of\n"
           "// Omega = a0 + a1*u + a2*u^2 + a3*u^3, u = (w - 10) / 10, w the wind speed in m/s:\n"
           "// the least-squares cubic through Omega = 0 at w = 0 and the published Omega at\n"
           "// 4, 7, 12 and 20 m/s (Meissner and Wentz 2012, Appendix B), coefficients rounded\n"
           "// to 7 decimals. Transmittance 0 rows are zero; at angle 0 the V and H rows are equal.\n"
           "#pragma once\n"
           "\n"
           "#include \"surface/reflected_sky_correction.h\"\n"
           "\n"
           "namespace seasky {\n"
           "\n";
    WriteTable(out, "SkyCorrectionTableV", "Vertical", fit, values, 0);
    out << "\n";
    WriteTable(out, "SkyCorrectionTableH", "Horizontal", fit, values, 1);
    out << "\n}  // namespace seasky\n";
    return out.str();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: generate_sky_correction <reflected-sky-omega.csv> <sky_correction_table.h>\n";
        return 1;
    }
    try {
        const std::string text = MakeHeader(ReadPublished(argv[1]));
        std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) throw Failure(std::string("cannot write ") + argv[2]);
    } catch (const Failure& e) {
        std::cerr << "generate_sky_correction: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
