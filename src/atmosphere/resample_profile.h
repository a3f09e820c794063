// Piecewise-linear resampling of a profile onto new abscissae.
//
// Given:   abscissae xs[0..count-1] in any order (rising, falling, repeated) with
//          values ys, and targets xnew[0..m-1].
// Returns: ynew[i], the straight line through the interval of xs that brackets
//          xnew[i]; where several intervals bracket a target (a target on an inner
//          level, or abscissae that fold back) the last in index order wins; a
//          target bracketed by none keeps the value ynew[i] had before the call.
//
// Notes: every target scans every interval (cost count x m). The radiative
// transfer resamples onto its regular grid with the same result in linear time
// (transfer_grid.h); this general form serves arbitrary targets.
#pragma once

namespace seasky {

// For every target xnew[i] (i < m) scans the intervals of xs[0..count-1] in index
// order; each interval that brackets the target (rising or falling) writes its
// linear interpolation to ynew[i], so the last bracketing interval wins. A target
// bracketed by no interval keeps the value ynew[i] had before the call.
void ResampleProfile(const double* xs, const double* ys, int count, const double* xnew, double* ynew, int m);

}  // namespace seasky
