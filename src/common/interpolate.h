// Linear interpolation and array extrema shared by the surface and atmosphere models.
#pragma once

namespace seasky {

// Straight line through (x0, y0) and (x1, y1) evaluated at x; extrapolates outside
// [x0, x1]. When the two abscissae coincide the line is undefined: equal ordinates
// give that ordinate, different ones their mean. Inline: the surface models call
// it some fifty times per evaluation.
inline double LinearInterpolate(double x0, double y0, double x1, double y1, double x) {
    if (x0 != x1) return y0 + (y1 - y0) / (x1 - x0) * (x - x0);
    if (y0 != y1) return (y0 + y1) * 0.5;
    return y1;
}

// The same with values or position carrying derivatives (dual numbers): the
// same operations, so the same value.
template <class Y, class X>
inline auto LinearInterpolateT(double x0, const Y& y0, double x1, const Y& y1, const X& x) {
    using R = decltype(y0 + (y1 - y0) / (x1 - x0) * (x - x0));
    if (x0 != x1) return R(y0 + (y1 - y0) / (x1 - x0) * (x - x0));
    if (y0 != y1) return R((y0 + y1) * 0.5);
    return R(y1);
}

// Largest / smallest of values[0..count-1], scanning from the first element and
// replacing the running value only on a strict improvement. A count of 1 or less
// returns values[0].
double ArrayMaximum(const double* values, int count);
double ArrayMinimum(const double* values, int count);

}  // namespace seasky
