// The forms in which a frequency reaches the models, named once.
//
//  - The frequency in GHz (a double): the atmosphere, the reflected-sky
//    correction and the band sampling use it as it is.
//  - The surface code: f x 100 rounded to a double, then truncated toward zero.
//    SurfaceEmissivity and its three models (flat sea, isotropic wind,
//    wind-direction signal) select their coefficient nodes by it:
//    18.7 GHz -> 1870, 10.7 GHz -> 1070, 22.235 GHz -> 2223.
//  - The direction code: f x 100 formed in extended precision (64-bit mantissa)
//    and truncated without first rounding to a double. The calculation takes
//    the third and fourth Stokes terms of the wind-direction signal at this code.
//    For a frequency whose decimal value is not exactly representable the
//    product keeps the binary deficit: 18.7 GHz (stored as 18.6999999999999993)
//    -> 1869, 10.7 GHz -> 1069; 22.235 GHz -> 2223, 37 GHz -> 3700.
//  - Code -> GHz: code x 0.01 (rounded to a double), the frequency the
//    permittivity and the nadir factor of the wind-direction signal work at.
#pragma once

namespace seasky {

// A frequency in hundredths of a GHz, truncated toward zero.
using FrequencyCode = int;

// The code of a frequency already given in hundredths of a GHz (truncation, never
// rounding: 1869.9999 gives 1869).
FrequencyCode TruncateToFrequencyCode(double hundredthsOfGHz);

// The surface code of f (GHz): trunc(f x 100 as a double).
FrequencyCode SurfaceFrequencyCode(double f);

// The direction code of f (GHz): trunc(f x 100 in extended precision).
FrequencyCode DirectionFrequencyCode(double f);

// The frequency of a code, GHz.
double FrequencyOfCode(FrequencyCode code);

}  // namespace seasky
