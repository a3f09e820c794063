// Dual numbers for forward-mode automatic differentiation of the models.
//
// A Dual<N> carries a value and its partial derivatives with respect to N
// chosen inputs. Every operation computes the value exactly as the double
// operation does (the same IEEE operation on the same operands), so a model
// evaluated on duals gives bit for bit the values of the double model, and the
// derivatives by the chain rule. Comparisons look at the values alone: a branch
// takes the path the value takes, and the derivative is that of the path taken
// (the one-sided derivative at a branch point).
//
// DualComplex<N> is the complex counterpart for the permittivity and Fresnel
// models; its values come from std::complex<double> operations, so they too
// are those of the double models.
#pragma once

#include <array>
#include <cmath>
#include <complex>
#include <type_traits>

namespace seasky {

template <int N>
struct Dual {
    static constexpr int kSize = N;
    double v = 0.0;
    std::array<double, N> d{};

    constexpr Dual() = default;
    constexpr Dual(double value) : v(value) {}  // NOLINT: a constant converts implicitly
    // The input number i (its derivative with respect to itself is 1).
    static Dual Variable(double value, int i) {
        Dual x(value);
        x.d[i] = 1.0;
        return x;
    }
    Dual& operator+=(const Dual& b) { return *this = *this + b; }
    Dual& operator-=(const Dual& b) { return *this = *this - b; }
    Dual& operator*=(const Dual& b) { return *this = *this * b; }
    Dual& operator/=(const Dual& b) { return *this = *this / b; }

    friend Dual operator+(const Dual& a, const Dual& b) {
        Dual r(a.v + b.v);
        for (int i = 0; i < N; ++i) r.d[i] = a.d[i] + b.d[i];
        return r;
    }
    friend Dual operator-(const Dual& a, const Dual& b) {
        Dual r(a.v - b.v);
        for (int i = 0; i < N; ++i) r.d[i] = a.d[i] - b.d[i];
        return r;
    }
    friend Dual operator-(const Dual& a) {
        Dual r(-a.v);
        for (int i = 0; i < N; ++i) r.d[i] = -a.d[i];
        return r;
    }
    friend Dual operator*(const Dual& a, const Dual& b) {
        Dual r(a.v * b.v);
        for (int i = 0; i < N; ++i) r.d[i] = a.d[i] * b.v + a.v * b.d[i];
        return r;
    }
    friend Dual operator/(const Dual& a, const Dual& b) {
        Dual r(a.v / b.v);
        for (int i = 0; i < N; ++i) r.d[i] = (a.d[i] - r.v * b.d[i]) / b.v;
        return r;
    }
    // With a constant: only the value changes.
    friend Dual operator+(const Dual& a, double b) {
        Dual r = a;
        r.v = a.v + b;
        return r;
    }
    friend Dual operator+(double a, const Dual& b) {
        Dual r = b;
        r.v = a + b.v;
        return r;
    }
    friend Dual operator-(const Dual& a, double b) {
        Dual r = a;
        r.v = a.v - b;
        return r;
    }
    friend Dual operator-(double a, const Dual& b) {
        Dual r(a - b.v);
        for (int i = 0; i < N; ++i) r.d[i] = -b.d[i];
        return r;
    }
    friend Dual operator*(const Dual& a, double b) {
        Dual r(a.v * b);
        for (int i = 0; i < N; ++i) r.d[i] = a.d[i] * b;
        return r;
    }
    friend Dual operator*(double a, const Dual& b) {
        Dual r(a * b.v);
        for (int i = 0; i < N; ++i) r.d[i] = a * b.d[i];
        return r;
    }
    friend Dual operator/(const Dual& a, double b) {
        Dual r(a.v / b);
        for (int i = 0; i < N; ++i) r.d[i] = a.d[i] / b;
        return r;
    }
    friend Dual operator/(double a, const Dual& b) {
        Dual r(a / b.v);
        for (int i = 0; i < N; ++i) r.d[i] = -r.v * b.d[i] / b.v;
        return r;
    }
    friend bool operator<(const Dual& a, const Dual& b) { return a.v < b.v; }
    friend bool operator>(const Dual& a, const Dual& b) { return a.v > b.v; }
    friend bool operator<=(const Dual& a, const Dual& b) { return a.v <= b.v; }
    friend bool operator>=(const Dual& a, const Dual& b) { return a.v >= b.v; }
    friend bool operator==(const Dual& a, const Dual& b) { return a.v == b.v; }
    friend bool operator!=(const Dual& a, const Dual& b) { return a.v != b.v; }
    friend bool operator<(const Dual& a, double b) { return a.v < b; }
    friend bool operator>(const Dual& a, double b) { return a.v > b; }
    friend bool operator<=(const Dual& a, double b) { return a.v <= b; }
    friend bool operator>=(const Dual& a, double b) { return a.v >= b; }
    friend bool operator==(const Dual& a, double b) { return a.v == b; }
    friend bool operator!=(const Dual& a, double b) { return a.v != b; }
    friend bool operator<(double a, const Dual& b) { return a < b.v; }
    friend bool operator>(double a, const Dual& b) { return a > b.v; }
    friend bool operator<=(double a, const Dual& b) { return a <= b.v; }
    friend bool operator>=(double a, const Dual& b) { return a >= b.v; }
    friend bool operator==(double a, const Dual& b) { return a == b.v; }
    friend bool operator!=(double a, const Dual& b) { return a != b.v; }

    // f(a) with f(a.v) = value and f'(a.v) = slope.
    friend Dual Apply(const Dual& a, double value, double slope) {
        Dual r(value);
        for (int i = 0; i < N; ++i) r.d[i] = slope * a.d[i];
        return r;
    }
    friend Dual exp(const Dual& a) {
        const double e = std::exp(a.v);
        return Apply(a, e, e);
    }
    friend Dual log(const Dual& a) { return Apply(a, std::log(a.v), 1.0 / a.v); }
    friend Dual log10(const Dual& a) { return Apply(a, std::log10(a.v), 1.0 / (a.v * 2.302585092994046)); }
    friend Dual sqrt(const Dual& a) {
        const double s = std::sqrt(a.v);
        return Apply(a, s, 0.5 / s);
    }
    friend Dual sin(const Dual& a) { return Apply(a, std::sin(a.v), std::cos(a.v)); }
    friend Dual cos(const Dual& a) { return Apply(a, std::cos(a.v), -std::sin(a.v)); }
    friend Dual fabs(const Dual& a) { return a.v < 0.0 ? -a : a; }
    // a^e for a constant exponent: e a^(e-1), and 0 for e = 0.
    friend Dual pow(const Dual& a, double e) {
        const double p = std::pow(a.v, e);
        return Apply(a, p, e == 0.0 ? 0.0 : e * std::pow(a.v, e - 1.0));
    }
};

template <class T>
struct IsDual : std::false_type {};
template <int N>
struct IsDual<Dual<N>> : std::true_type {};

// The value of a double or a dual.
inline double ValueOf(double x) { return x; }
template <int N>
double ValueOf(const Dual<N>& x) {
    return x.v;
}

// ---- complex numbers of duals ----

template <int N>
struct DualComplex {
    Dual<N> re, im;

    constexpr DualComplex() = default;
    constexpr DualComplex(const Dual<N>& r, const Dual<N>& i = Dual<N>(0.0)) : re(r), im(i) {}  // NOLINT
    const Dual<N>& real() const { return re; }
    const Dual<N>& imag() const { return im; }
    std::complex<double> Value() const { return {re.v, im.v}; }
    std::complex<double> Tangent(int i) const { return {re.d[i], im.d[i]}; }

    // A value and, per direction, its complex tangent.
    static DualComplex Of(std::complex<double> value, const std::array<std::complex<double>, N>& tangent) {
        DualComplex r(Dual<N>(value.real()), Dual<N>(value.imag()));
        for (int i = 0; i < N; ++i) {
            r.re.d[i] = tangent[i].real();
            r.im.d[i] = tangent[i].imag();
        }
        return r;
    }

    friend DualComplex operator+(const DualComplex& a, const DualComplex& b) {
        std::array<std::complex<double>, N> t;
        for (int i = 0; i < N; ++i) t[i] = a.Tangent(i) + b.Tangent(i);
        return Of(a.Value() + b.Value(), t);
    }
    friend DualComplex operator-(const DualComplex& a, const DualComplex& b) {
        std::array<std::complex<double>, N> t;
        for (int i = 0; i < N; ++i) t[i] = a.Tangent(i) - b.Tangent(i);
        return Of(a.Value() - b.Value(), t);
    }
    friend DualComplex operator*(const DualComplex& a, const DualComplex& b) {
        std::array<std::complex<double>, N> t;
        for (int i = 0; i < N; ++i) t[i] = a.Tangent(i) * b.Value() + a.Value() * b.Tangent(i);
        return Of(a.Value() * b.Value(), t);
    }
    friend DualComplex operator/(const DualComplex& a, const DualComplex& b) {
        const std::complex<double> q = a.Value() / b.Value();
        std::array<std::complex<double>, N> t;
        for (int i = 0; i < N; ++i) t[i] = (a.Tangent(i) - q * b.Tangent(i)) / b.Value();
        return Of(q, t);
    }
    // With reals: the value computed as std::complex<double> does with a real.
    friend DualComplex operator+(const DualComplex& a, const Dual<N>& b) {
        std::array<std::complex<double>, N> t;
        for (int i = 0; i < N; ++i) t[i] = a.Tangent(i) + b.d[i];
        return Of(a.Value() + b.v, t);
    }
    friend DualComplex operator-(const DualComplex& a, const Dual<N>& b) {
        std::array<std::complex<double>, N> t;
        for (int i = 0; i < N; ++i) t[i] = a.Tangent(i) - b.d[i];
        return Of(a.Value() - b.v, t);
    }
    friend DualComplex operator-(const Dual<N>& a, const DualComplex& b) {
        std::array<std::complex<double>, N> t;
        for (int i = 0; i < N; ++i) t[i] = a.d[i] - b.Tangent(i);
        return Of(a.v - b.Value(), t);
    }
    friend DualComplex operator+(const Dual<N>& a, const DualComplex& b) {
        std::array<std::complex<double>, N> t;
        for (int i = 0; i < N; ++i) t[i] = a.d[i] + b.Tangent(i);
        return Of(a.v + b.Value(), t);
    }
    friend DualComplex operator*(const DualComplex& a, const Dual<N>& b) {
        std::array<std::complex<double>, N> t;
        for (int i = 0; i < N; ++i) t[i] = a.Tangent(i) * b.v + a.Value() * b.d[i];
        return Of(a.Value() * b.v, t);
    }
    friend DualComplex operator/(const Dual<N>& a, const DualComplex& b) {
        const std::complex<double> q = a.v / b.Value();
        std::array<std::complex<double>, N> t;
        for (int i = 0; i < N; ++i) t[i] = (std::complex<double>(a.d[i]) - q * b.Tangent(i)) / b.Value();
        return Of(q, t);
    }
    // The principal square root, as std::sqrt; its derivative dz / (2 sqrt z).
    friend DualComplex sqrt(const DualComplex& a) {
        const std::complex<double> s = std::sqrt(a.Value());
        std::array<std::complex<double>, N> t;
        for (int i = 0; i < N; ++i) t[i] = a.Tangent(i) / (2.0 * s);
        return Of(s, t);
    }
};

// The complex type of a real type: std::complex<double> for double (the
// models' own arithmetic), DualComplex for duals.
template <class Real>
struct ComplexOfT {
    using type = std::complex<double>;
};
template <int N>
struct ComplexOfT<Dual<N>> {
    using type = DualComplex<N>;
};
template <class Real>
using ComplexOf = typename ComplexOfT<Real>::type;

}  // namespace seasky

namespace seasky {

// The dual number of the surface and combination derivatives: the eight inputs
// of the combination (upwelling and downwelling brightness and opacity of the
// atmosphere, sea temperature, salinity, wind, azimuth, incidence angle).
inline constexpr int kCombineInputs = 8;
using CombineDual = Dual<kCombineInputs>;

// The dual number of the level absorption derivatives: air temperature,
// pressure and water-vapour density of a level.
inline constexpr int kLevelInputs = 3;
using LevelDual = Dual<kLevelInputs>;

}  // namespace seasky
