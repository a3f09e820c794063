#include "atmosphere/transfer_grid.h"

#include <algorithm>
#include <cmath>

#include "common/interpolate.h"

namespace seasky {

namespace {

// Smallest t with z[t] >= x (n when there is none), z rising by about `step`.
int FirstAtOrAbove(const std::vector<double>& z, double x, double step) {
    const int n = static_cast<int>(z.size());
    const double guess = std::ceil((x - z[0]) / step);
    int t = guess <= 0.0 ? 0 : guess >= n ? n : static_cast<int>(guess);
    while (t > 0 && z[t - 1] >= x) --t;
    while (t < n && z[t] < x) ++t;
    return t;
}

// Largest t with z[t] <= x (-1 when there is none).
int LastAtOrBelow(const std::vector<double>& z, double x, double step) {
    const int n = static_cast<int>(z.size());
    const double guess = std::floor((x - z[0]) / step);
    int t = guess < 0.0 ? -1 : guess >= n - 1 ? n - 1 : static_cast<int>(guess);
    while (t + 1 < n && z[t + 1] <= x) ++t;
    while (t >= 0 && z[t] > x) --t;
    return t;
}

// The smallest free index >= t in a "next free" forest (next[n] == n is the end).
int FindFree(std::vector<int>& next, int t) {
    int root = t;
    while (next[root] != root) root = next[root];
    while (next[t] != root) {  // path compression
        const int up = next[t];
        next[t] = root;
        t = up;
    }
    return root;
}

}  // namespace

int TransferGridSize(const double* H, int count) {
    if (count < 1) return 0;
    const double hMax = ArrayMaximum(H, count);
    const double hMin = ArrayMinimum(H, count);
    if (hMin >= 50.0) return static_cast<int>(hMax - hMin) / 100 + 1;
    return std::max(static_cast<int>(hMax) / 100, 0);
}

void MakeTransferGrid(const double* H, int count, TransferGrid& grid) {
    std::vector<double>& z = grid.height;
    z.clear();
    grid.interval.clear();
    if (count < 1) return;
    const double hMin = ArrayMinimum(H, count);
    const int size = TransferGridSize(H, count);
    z.resize(size);
    if (hMin >= 50.0) {
        for (int t = 0; t < size; ++t) z[t] = hMin + 100.0 * t;
    } else {
        for (int t = 0; t < size; ++t) z[t] = 100.0 * t + 50.0;
    }
    const int n = static_cast<int>(z.size());
    grid.interval.assign(n, -1);
    if (n == 0 || count < 2) return;

    // The last interval in level order that brackets a height wins: scan from the
    // last interval down and give each height to the first interval that reaches it.
    thread_local std::vector<int> next;
    next.resize(n + 1);
    for (int t = 0; t <= n; ++t) next[t] = t;
    for (int j = count - 2; j >= 0; --j) {
        const double lo = std::min(H[j], H[j + 1]);
        const double hi = std::max(H[j], H[j + 1]);
        if (!(lo <= hi)) continue;  // not a number
        const int last = LastAtOrBelow(z, hi, 100.0);
        for (int t = FindFree(next, FirstAtOrAbove(z, lo, 100.0)); t <= last; t = FindFree(next, t + 1)) {
            grid.interval[t] = j;
            next[t] = t + 1;
        }
    }
}

void ResampleOnGrid(const TransferGrid& grid, const double* H, const double* y, double* out, double fallback) {
    const int n = grid.size();
    int t = 0;
    while (t < n) {
        const int j = grid.interval[t];
        int end = t + 1;  // the run of heights on the same interval
        while (end < n && grid.interval[end] == j) ++end;
        if (j < 0) {
            for (; t < end; ++t) out[t] = fallback;
            continue;
        }
        const double x0 = H[j], y0 = y[j], x1 = H[j + 1], y1 = y[j + 1];
        if (x0 != x1) {
            // LinearInterpolate with its quotient formed once per run: the same operations.
            const double slope = (y1 - y0) / (x1 - x0);
            for (; t < end; ++t) out[t] = y0 + slope * (grid.height[t] - x0);
        } else {
            for (; t < end; ++t) out[t] = LinearInterpolate(x0, y0, x1, y1, grid.height[t]);
        }
    }
}

}  // namespace seasky
