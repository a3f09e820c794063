// Exponentials of whole arrays, vectorised with glibc's libmvec where the CPU
// allows it.
//
// The absorption models and the radiative transfer need thousands of exp and
// expm1 values per calculation. libmvec's 4-wide AVX2 forms are chosen at run
// time when the processor has AVX2 (the program still runs on any x86-64: the
// 2-wide SSE2 forms serve otherwise, and other processors use the scalar
// functions). Their errors are within 4 ulp (measured here: 4.1e-16 relative for
// exp, 2.2e-16 for expm1 against the scalar functions), far inside the 1e-12
// relative the results are held to.
//
// Every element is computed by the same vector routine whatever its position in
// the array and whatever n is (a partial last block is padded), so a value
// never depends on the array it arrives in: the same input gives the same output
// in a single call and in a batch, on a given machine.
#pragma once

#include <cstddef>

namespace seasky {

// y[i] = exp(x[i]) for i < n. x and y may be the same array.
void ExpArray(const double* x, double* y, std::size_t n);

// y[i] = exp(x[i]) - 1 for i < n, accurate also where x[i] is near 0. x and y
// may be the same array.
void Expm1Array(const double* x, double* y, std::size_t n);

// y[i] = 1 - exp(x[i]), as -(exp(x[i]) - 1): no cancellation where x[i] is near 0
// (the emissivity of an optically thin layer). x and y may be the same array.
void OneMinusExpArray(const double* x, double* y, std::size_t n);

// Which implementation the two functions use on this machine.
enum class VectorMathPath { Scalar, Sse2, Avx2 };
VectorMathPath ActiveVectorMathPath();
const char* VectorMathPathName(VectorMathPath path);

namespace testing {
// The same with an explicit implementation (one the CPU supports), so that the
// tests can compare the paths with each other.
void ExpArrayWith(VectorMathPath path, const double* x, double* y, std::size_t n);
void Expm1ArrayWith(VectorMathPath path, const double* x, double* y, std::size_t n);
void OneMinusExpArrayWith(VectorMathPath path, const double* x, double* y, std::size_t n);
bool Supported(VectorMathPath path);
}  // namespace testing

}  // namespace seasky
