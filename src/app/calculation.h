// One calculation of the top-of-atmosphere brightness temperatures: the seven
// input texts are converted and range-checked, the atmosphere and sea-surface
// models are called in a fixed order and their results combined. Toolkit-free:
// the window and the command line are thin front ends over this request.
#pragma once

#include <array>
#include <string>

#include "common/constants.h"
#include "common/records.h"
#include "surface/wind_direction_signal.h"

namespace seasky {

// The seven inputs, in the order in which they are read.
struct CalculationInputs {
    double frequency = 18.7;      // f, GHz (6.75 to 89)
    double angle = 53.1;          // theta, incidence angle, degrees (0 to 65)
    double azimuth = 0.0;         // phi, degrees (0 to 360)
    double seaTemperature = 20.0; // t, degrees C (-3 to 37)
    double salinity = 35.0;       // S, per mille (0 to 45)
    double wind = 10.0;           // W, m/s (0 to 20)
    double bandwidth = 0.0;       // receiver bandwidth, GHz (0 = one frequency; not checked)
};

// Choices of model reading that are not inputs of the window.
struct ModelOptions {
    // How the first two rows of the wind-direction table are read (the window
    // always uses the default, the published v-pol / h-pol meaning).
    DirectionRows directionRows = DirectionRows::VerticalHorizontal;
};

// The seven input texts, in the same order.
using CalculationInputTexts = std::array<std::string, 7>;

// The results and the intermediate quantities they are built from.
struct CalculationResult {
    double tbV = 0.0;        // brightness temperature at the top of the atmosphere, V, K
    double tbH = 0.0;        // ... H, K
    double tbPlus45 = 0.0;   // ... linear +45 degrees, K
    double tbMinus45 = 0.0;  // ... linear -45 degrees, K
    double tbUp = 0.0;       // upwelling brightness of the atmosphere, K
    double tbDown = 0.0;     // downwelling brightness of the atmosphere, K
    double opacity = 0.0;    // vertical opacity of the atmosphere (downwelling pass), Np

    double transmittance = 0.0;  // Gamma = exp(-opacity / cos theta)
    double emissivityV = 0.0;    // total sea-surface emissivity, V
    double emissivityH = 0.0;    // ... H
    double omegaV = 0.0;         // reflected-sky correction, V
    double omegaH = 0.0;         // ... H
    double thirdStokes = 0.0;    // U, third Stokes term of the wind-direction signal
};

// Captions of the seven result lines, in line order.
inline constexpr std::array<const char*, 7> kResultCaptions{
    "Вертикальная поляризация",       "Горизонтальная поляризация",     "Поляризация +45",
    "Поляризация -45",                "Восходящее излучение атмосферы", "Нисходящее излучение атмосферы",
    "Интегральное поглощение атмосферы"};

// The seven result values in line order: V, H, +45, -45, up, down, opacity.
std::array<double, 7> ResultValues(const CalculationResult& result);

// The result values as text (the 15-digit general form with the given separator).
std::array<std::string, 7> ResultValueTexts(const CalculationResult& result, char separator);

// The frequency code of the wind-direction call: f x 100 formed in extended
// precision and truncated (18.7 GHz gives 1869, where the double product 1870.0
// truncates to 1870).
FrequencyCode ExtendedFrequencyCode(double f);

// The physics of one calculation for inputs that passed the range checks.
CalculationResult Calculate(const CalculationInputs& inputs, const ProfileStore& profile,
                            const ModelOptions& options = {});

// The error text of a number that does not convert.
std::string ConversionErrorMessage(const std::string& text);

enum class CalculationStatus { ok, conversionError, rangeError };

struct CalculationOutcome {
    CalculationStatus status = CalculationStatus::ok;
    std::string message;       // the conversion or range message when not ok
    CalculationInputs inputs;  // the converted inputs (when converted)
    CalculationResult result;  // when ok
};

// Converts the texts with the user's decimal separator (all seven before any
// check), checks the six ranges in order and, when all pass, calculates.
CalculationOutcome RunCalculationRequest(const CalculationInputTexts& texts, char separator,
                                         const ProfileStore& profile);

// Checks and calculates inputs already held as numbers.
CalculationOutcome RunCalculationRequest(const CalculationInputs& inputs, const ProfileStore& profile);

}  // namespace seasky
