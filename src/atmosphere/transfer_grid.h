// The 100 m grid of the radiative transfer and the resampling of profile
// quantities onto it (the first stage of the transfer).
//
// Given:   the heights H[0..count-1] of a profile (m, any order).
// Returns: the grid heights z_t (m, bottom first) and, for each, the profile
//          interval (levels j, j+1) whose straight line gives the value there.
//
// Notes:
//  - Grid: from the lowest level every 100 m when it lies at 50 m or higher
//    (n = trunc(hMax - hMin) / 100 + 1), otherwise the centres 50, 150, ... m of
//    100 m layers from the ground up (n = trunc(hMax) / 100; none below 100 m).
//  - Resampling is linear in height between levels. Where several intervals
//    bracket a grid height (a height on an inner level, or a profile that folds
//    back on itself) the last one in level order gives the value, exactly as
//    ResampleProfile does; a height bracketed by none (only with a single level)
//    gets the fallback value.
//  - The owning intervals are found once per profile in time linear in
//    levels + grid layers (a scan of the intervals from the last one, each grid
//    height given to the first interval that reaches it, the taken heights
//    skipped by a "next free height" union-find), instead of scanning every
//    interval for every grid height. Every quantity resampled afterwards costs
//    one line evaluation per grid height.
#pragma once

#include <vector>

namespace seasky {

struct TransferGrid {
    std::vector<double> height;  // z_t, m, bottom first
    std::vector<int> interval;   // j: z_t lies on the line through levels j and j+1; -1 when none brackets it
    int size() const { return static_cast<int>(height.size()); }
};

// The number of grid heights MakeTransferGrid gives for H[0..count-1], without
// building the grid.
int TransferGridSize(const double* H, int count);

// Builds the grid of the heights H[0..count-1] into grid, reusing its storage.
// count < 1 gives an empty grid.
void MakeTransferGrid(const double* H, int count, TransferGrid& grid);

// out[t] = y on the grid at z_t, t < grid.size(), by the same line evaluation as
// ResampleProfile; heights bracketed by no interval get fallback.
void ResampleOnGrid(const TransferGrid& grid, const double* H, const double* y, double* out, double fallback = 0.0);

}  // namespace seasky
