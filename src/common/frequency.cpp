#include "common/frequency.h"

#include <limits>

namespace seasky {

static_assert(std::numeric_limits<long double>::digits >= 64,
              "the direction code needs the 80-bit extended format (x86-64)");

FrequencyCode TruncateToFrequencyCode(double hundredthsOfGHz) { return static_cast<FrequencyCode>(hundredthsOfGHz); }

FrequencyCode SurfaceFrequencyCode(double f) { return TruncateToFrequencyCode(f * 100.0); }

FrequencyCode DirectionFrequencyCode(double f) {
    // 18.7 is stored as 18.699999999999999289...; its product with 100 in 64-bit
    // mantissa arithmetic keeps the deficit (1869.99999999999992...).
    const long double product = static_cast<long double>(f) * 100.0L;
    return static_cast<FrequencyCode>(product);
}

double FrequencyOfCode(FrequencyCode code) { return code * 0.01; }

}  // namespace seasky
