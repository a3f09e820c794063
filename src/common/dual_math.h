// The vectorised exponential of vector_math.h for dual numbers: the values
// through the same vector routine (so the same values as for doubles), the
// derivatives exp(x) dx.
#pragma once

#include <cstddef>

#include "common/dual.h"
#include "common/vector_math.h"

namespace seasky {

inline void ExpInPlace(double* x, std::size_t n) { ExpArray(x, x, n); }

template <int N>
void ExpInPlace(Dual<N>* x, std::size_t n) {
    constexpr std::size_t kChunk = 64;
    double v[kChunk];
    for (std::size_t first = 0; first < n; first += kChunk) {
        const std::size_t m = n - first < kChunk ? n - first : kChunk;
        for (std::size_t i = 0; i < m; ++i) v[i] = x[first + i].v;
        ExpArray(v, v, m);
        for (std::size_t i = 0; i < m; ++i) {
            Dual<N>& d = x[first + i];
            for (int k = 0; k < N; ++k) d.d[k] *= v[i];
            d.v = v[i];
        }
    }
}

}  // namespace seasky
