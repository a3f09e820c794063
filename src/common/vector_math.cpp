#include "common/vector_math.h"

#include <cmath>
#include <cstring>

#if defined(__x86_64__) && defined(SEASKY_HAVE_LIBMVEC)
#include <immintrin.h>
// libmvec's vector variants (x86-64 vector function ABI names): 'b' = SSE2,
// 2 lanes; 'd' = AVX2, 4 lanes. The AVX2 ones take their vectors in AVX
// registers (clang refuses the call from an AVX2 function otherwise).
extern "C" __m128d _ZGVbN2v_exp(__m128d);
extern "C" __m128d _ZGVbN2v_expm1(__m128d);
extern "C" __attribute__((target("avx2"))) __m256d _ZGVdN4v_exp(__m256d);
extern "C" __attribute__((target("avx2"))) __m256d _ZGVdN4v_expm1(__m256d);
#define SEASKY_VECTOR_MATH 1
#endif

namespace seasky {

namespace {

using ArrayFunction = void (*)(const double*, double*, std::size_t);

void ExpScalar(const double* x, double* y, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) y[i] = std::exp(x[i]);
}
void Expm1Scalar(const double* x, double* y, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) y[i] = std::expm1(x[i]);
}
void OneMinusExpScalar(const double* x, double* y, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) y[i] = -std::expm1(x[i]);
}

#ifdef SEASKY_VECTOR_MATH

// Each routine runs its whole blocks through the vector function and the partial
// last block through a zero-padded buffer, so that every element goes through the
// same vector function. Written out per instruction set so that the calls inline.
#define SEASKY_BLOCKS(kLanes, Vec, load, store, call, post)          \
    std::size_t i = 0;                                                \
    for (; i + kLanes <= n; i += kLanes) store(y + i, post(call(load(x + i)))); \
    if (i < n) {                                                      \
        double in[kLanes] = {};                                       \
        double out[kLanes];                                           \
        std::memcpy(in, x + i, (n - i) * sizeof(double));             \
        store(out, post(call(load(in))));                             \
        std::memcpy(y + i, out, (n - i) * sizeof(double));            \
    }

inline __m128d Same2(__m128d v) { return v; }
inline __m128d Negate2(__m128d v) { return _mm_xor_pd(v, _mm_set1_pd(-0.0)); }
__attribute__((target("avx2"))) inline __m256d Same4(__m256d v) { return v; }
__attribute__((target("avx2"))) inline __m256d Negate4(__m256d v) { return _mm256_xor_pd(v, _mm256_set1_pd(-0.0)); }

void ExpSse2(const double* x, double* y, std::size_t n) {
    SEASKY_BLOCKS(2, __m128d, _mm_loadu_pd, _mm_storeu_pd, _ZGVbN2v_exp, Same2)
}
void Expm1Sse2(const double* x, double* y, std::size_t n) {
    SEASKY_BLOCKS(2, __m128d, _mm_loadu_pd, _mm_storeu_pd, _ZGVbN2v_expm1, Same2)
}
void OneMinusExpSse2(const double* x, double* y, std::size_t n) {
    SEASKY_BLOCKS(2, __m128d, _mm_loadu_pd, _mm_storeu_pd, _ZGVbN2v_expm1, Negate2)
}
__attribute__((target("avx2"))) void ExpAvx2(const double* x, double* y, std::size_t n) {
    SEASKY_BLOCKS(4, __m256d, _mm256_loadu_pd, _mm256_storeu_pd, _ZGVdN4v_exp, Same4)
}
__attribute__((target("avx2"))) void Expm1Avx2(const double* x, double* y, std::size_t n) {
    SEASKY_BLOCKS(4, __m256d, _mm256_loadu_pd, _mm256_storeu_pd, _ZGVdN4v_expm1, Same4)
}
__attribute__((target("avx2"))) void OneMinusExpAvx2(const double* x, double* y, std::size_t n) {
    SEASKY_BLOCKS(4, __m256d, _mm256_loadu_pd, _mm256_storeu_pd, _ZGVdN4v_expm1, Negate4)
}

#undef SEASKY_BLOCKS

#endif

bool IsSupported(VectorMathPath path) {
    switch (path) {
        case VectorMathPath::Scalar:
            return true;
#ifdef SEASKY_VECTOR_MATH
        case VectorMathPath::Sse2:
            return true;
        case VectorMathPath::Avx2:
            return __builtin_cpu_supports("avx2");
#endif
        default:
            return false;
    }
}

struct Functions {
    ArrayFunction exp;
    ArrayFunction expm1;
    ArrayFunction oneMinusExp;
};

Functions FunctionsOf(VectorMathPath path) {
    switch (path) {
#ifdef SEASKY_VECTOR_MATH
        case VectorMathPath::Avx2:
            return {ExpAvx2, Expm1Avx2, OneMinusExpAvx2};
        case VectorMathPath::Sse2:
            return {ExpSse2, Expm1Sse2, OneMinusExpSse2};
#endif
        default:
            return {ExpScalar, Expm1Scalar, OneMinusExpScalar};
    }
}

VectorMathPath BestPath() {
    if (IsSupported(VectorMathPath::Avx2)) return VectorMathPath::Avx2;
    if (IsSupported(VectorMathPath::Sse2)) return VectorMathPath::Sse2;
    return VectorMathPath::Scalar;
}

// Chosen once, on first use.
const Functions& Active() {
    static const Functions functions = FunctionsOf(BestPath());
    return functions;
}

}  // namespace

void ExpArray(const double* x, double* y, std::size_t n) { Active().exp(x, y, n); }
void Expm1Array(const double* x, double* y, std::size_t n) { Active().expm1(x, y, n); }
void OneMinusExpArray(const double* x, double* y, std::size_t n) { Active().oneMinusExp(x, y, n); }

VectorMathPath ActiveVectorMathPath() {
    static const VectorMathPath path = BestPath();
    return path;
}

const char* VectorMathPathName(VectorMathPath path) {
    switch (path) {
        case VectorMathPath::Avx2:
            return "libmvec AVX2";
        case VectorMathPath::Sse2:
            return "libmvec SSE2";
        default:
            return "scalar";
    }
}

namespace testing {
void ExpArrayWith(VectorMathPath path, const double* x, double* y, std::size_t n) { FunctionsOf(path).exp(x, y, n); }
void Expm1ArrayWith(VectorMathPath path, const double* x, double* y, std::size_t n) {
    FunctionsOf(path).expm1(x, y, n);
}
void OneMinusExpArrayWith(VectorMathPath path, const double* x, double* y, std::size_t n) {
    FunctionsOf(path).oneMinusExp(x, y, n);
}
bool Supported(VectorMathPath path) { return IsSupported(path); }
}  // namespace testing

}  // namespace seasky
