// Physical and numerical constants used across the models.
#pragma once

#include "common/frequency.h"

namespace seasky {

inline constexpr double kPi = 3.14159265358979323846;
// Degrees to radians, as used before every trigonometric call.
inline constexpr double kDegreesToRadians = 0.017453292519943295;
// Kelvin offset of the Celsius scale (sea temperature t + 273.15).
inline constexpr double kKelvinOffset = 273.15;
// Brightness temperature of the cosmic background, K.
inline constexpr double kCosmicBackground = 2.73;
// The surface models take the frequency in hundredths of a GHz (see frequency.h).
inline constexpr double kFrequencyScale = 100.0;

}  // namespace seasky
