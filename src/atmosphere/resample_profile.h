// Piecewise-linear resampling of a profile onto new abscissae.
#pragma once

namespace seasky {

// For every target xnew[i] (i < m) scans the intervals of xs[0..count-1] in index
// order; each interval that brackets the target (rising or falling) writes its
// linear interpolation to ynew[i], so the last bracketing interval wins. A target
// bracketed by no interval keeps the value ynew[i] had before the call.
void ResampleProfile(const double* xs, const double* ys, int count, const double* xnew, double* ynew, int m);

}  // namespace seasky
