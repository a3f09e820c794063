// One calculation of the top-of-atmosphere brightness temperatures: the inputs
// are checked against the validation table, the atmosphere and sea-surface
// models are called in a fixed order and their results combined. Toolkit-free:
// the window, the command line and the batch runs are thin front ends over this
// request.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "app/model_set.h"
#include "app/validation.h"
#include "app/vocabulary.h"
#include "atmosphere/atmosphere_radiation.h"
#include "common/constants.h"
#include "common/dual.h"
#include "common/records.h"
#include "surface/surface_emissivity.h"
#include "surface/wind_direction_signal.h"

namespace seasky {

// The seven inputs, in the order in which they are read (kCalculationInputs).
// The defaults are the window's start-up values (the vocabulary's defaults).
struct CalculationInputs {
    double frequency = InfoOf(Quantity::Frequency).fallback;            // f, GHz (6.75 to 89)
    double angle = InfoOf(Quantity::IncidenceAngle).fallback;           // theta, incidence angle, degrees (0 to 65)
    double azimuth = InfoOf(Quantity::Azimuth).fallback;                // phi, degrees (0 to 360)
    double seaTemperature = InfoOf(Quantity::SeaTemperature).fallback;  // t, degrees C (-3 to 37)
    double salinity = InfoOf(Quantity::Salinity).fallback;              // S, per mille (0 to 45)
    double wind = InfoOf(Quantity::Wind).fallback;                      // W, m/s (0 to 20)
    // receiver bandwidth, GHz (0 = one frequency; lower edge above 0 GHz)
    double bandwidth = InfoOf(Quantity::Bandwidth).fallback;
};

// The inputs of a calculation in the order of kCalculationInputs.
std::array<double, 7> InputValues(const CalculationInputs& inputs);
CalculationInputs InputsOf(const std::array<double, 7>& values);

// The seven input texts, in the same order.
using CalculationInputTexts = std::array<std::string, 7>;

// The results and every component they are built from.
struct CalculationResult {
    // The seven results of the window, K (opacity Np).
    double tbV = 0.0;        // brightness temperature at the top of the atmosphere, V
    double tbH = 0.0;        // ... H
    double tbPlus45 = 0.0;   // ... linear +45 degrees
    double tbMinus45 = 0.0;  // ... linear -45 degrees
    double tbUp = 0.0;       // upwelling brightness of the atmosphere
    double tbDown = 0.0;     // downwelling brightness of the atmosphere
    double opacity = 0.0;    // vertical opacity of the atmosphere (downwelling pass), Np

    // The other Stokes terms at the top of the atmosphere, K.
    double tbThirdStokes = 0.0;    // U_toa = Gamma Ts U - Tsky Gamma U = T(+45) - T(-45)
    double tbFourthStokes = 0.0;   // V_toa = Gamma Ts S4 - Tsky Gamma S4
    double tbLeftCircular = 0.0;   // (T_V + T_H)/2 + V_toa/2
    double tbRightCircular = 0.0;  // (T_V + T_H)/2 - V_toa/2

    // The cold-space brightness seen in the reflected sky, K (cosmic model).
    double cosmicTemperature = 0.0;

    // The atmosphere.
    double opacityUp = 0.0;          // vertical opacity summed from the top, Np (equal to opacity up to rounding)
    double transmittance = 0.0;      // Gamma = exp(-opacity / cos theta), slant path
    int layerCount = 0;              // 100 m grid layers of the transfer
    double gridBottom = 0.0;         // lowest and highest grid height, m
    double gridTop = 0.0;
    double precipitableWater = 0.0;  // vapour column on the grid, kg/m^2
    double liquidWaterPath = 0.0;    // cloud liquid water column on the grid, kg/m^2

    // The sea surface (dimensionless), at the surface code.
    FrequencyCode surfaceCode = 0;  // f x 100 as a double, truncated
    double emissivityV = 0.0;       // total emissivity, V
    double emissivityH = 0.0;       // ... H
    double reflectivityV = 0.0;     // 1 - emissivityV
    double reflectivityH = 0.0;     // 1 - emissivityH
    EmissivityPair specular;        // flat-sea emissivity
    EmissivityPair windIncrement;   // isotropic wind increment
    DirectionalEmissivity direction;  // wind-direction terms (V, H added to the total)
    double omegaV = 0.0;            // reflected-sky correction, V
    double omegaH = 0.0;            // ... H

    // The surface Stokes terms, at the direction code (f x 100 in extended precision).
    FrequencyCode stokesCode = 0;
    double thirdStokes = 0.0;   // U, the third Stokes term of the wind-direction signal
    double fourthStokes = 0.0;  // the fourth Stokes term of the wind-direction signal
};

// The named results of a calculation, in the order of seasky calc --json: the
// quantity (its key, and whether it is a whole number — the layer count and the
// frequency codes — from the vocabulary) and the value as a double. The front
// ends that list every result (the command line's JSON, the Python module) go
// through this table.
struct ResultField {
    Quantity quantity;
    double (*value)(const CalculationResult&);
};
extern const std::array<ResultField, 39> kResultFields;

// Captions of the seven result lines, in line order.
inline constexpr std::array<const char*, 7> kResultCaptions{
    "Вертикальная поляризация",       "Горизонтальная поляризация",     "Поляризация +45",
    "Поляризация -45",                "Восходящее излучение атмосферы", "Нисходящее излучение атмосферы",
    "Интегральное поглощение атмосферы"};

// The seven result values in line order: V, H, +45, -45, up, down, opacity.
std::array<double, 7> ResultValues(const CalculationResult& result);

// The result values as text (the 15-digit general form with the given separator).
std::array<std::string, 7> ResultValueTexts(const CalculationResult& result, char separator);

// The first refusal of the inputs: the six ranges in the order frequency,
// angle, azimuth, temperature, salinity, wind (the range of the model set's
// surface: to 20 m/s for the default, 40 m/s for mw2012), then, for a bandwidth
// above 0, the lower band edge.
std::optional<ValidationFailure> ValidateInputs(const CalculationInputs& inputs, const ModelSet& models = {});

// The row of the validation table the wind of a calculation is checked by: the
// range of the model set's surface (Wind, 0-20 m/s; Mw2012Wind, 0-40 m/s), or
// with wind-range=extended the default surface's to 40 m/s (ExtendedWind).
Checked WindCheckOf(const ModelSet& models);

// The hint the command line adds to a refusal of a wind beyond 20 m/s by the
// default surface's range.
inline constexpr const char* kWindRangeHint =
    "(--model wind-range=extended считает до 40 м/с по прямому продолжению модели за пределами 20 м/с)";

// True when a refusal is that of a wind above the default surface's 20 m/s.
bool RefusedAboveFittedWind(const ValidationFailure& failure);

// True when the default surface computes a wind beyond 20 m/s, the range its
// wind tables were fitted to (only wind-range=extended accepts one): the wind
// terms run along their straight extension (surface/wind_emissivity.h).
bool WindBeyondFittedRange(double wind, const ModelSet& models);

// The note the command line prints (after "Note: ") for such a wind, m/s:
// "the wind of 25 m/s lies beyond 20 m/s, the range the default surface model
// was fitted to; ...".
std::string WindBeyondFittedRangeNote(double wind);

// The sea-surface emissivity and its terms (flat sea, isotropic wind, wind
// direction, total) by the model set's surface model at frequency f (GHz), the
// other arguments as ValidateInputs names them; the seasky emissivity command
// and Python's emissivity.
SurfaceEmissivityTerms SurfaceTerms(double f, double theta, double phi, double t, double s, double w,
                                    const ModelSet& models);

// The first refusal of SurfaceTerms's inputs: frequency, angle, azimuth, sea
// temperature, salinity, then the wind of the surface model alone (the default
// extends its wind terms linearly beyond 20 m/s, so 0 or more; mw2012 to 40 m/s).
std::optional<ValidationFailure> ValidateSurfaceInputs(double f, double theta, double phi, double t, double s,
                                                       double w, const ModelSet& models);

// The combination of a transfer through the atmosphere (for the view angle of
// the inputs) with the sea surface at the inputs' frequency: the results and
// every component. Calculate is this with AtmosphereTransfer(frequency,
// bandwidth, angle); a sensor channel passes its passband's transfer.
CalculationResult CombineWithSurface(const CalculationInputs& inputs, const AtmosphereTransferResult& atmosphere,
                                     const ModelSet& options = {});

// The eight brightness temperatures at the top of the atmosphere of
// CombineWithSurface (V, H, +45, -45, third and fourth Stokes, left and right
// circular) with their derivatives (forward mode) with respect to the
// combination's inputs, in this order of the dual's directions: upwelling
// brightness, downwelling brightness, opacity, sea temperature, salinity, wind,
// azimuth, incidence angle (direct effect: surface, sky correction, slant path).
std::array<CombineDual, 8> CombineDerivatives(const CalculationInputs& inputs, const AtmosphereTransferResult& atmosphere,
                                               const ModelSet& options = {});

// The physics of one calculation for inputs that passed ValidateInputs.
CalculationResult Calculate(const CalculationInputs& inputs, const ProfileStore& profile,
                            const ModelSet& options = {});
CalculationResult Calculate(const CalculationInputs& inputs, const ProfileView& profile,
                            const ModelSet& options = {});

// The error text of a number that does not convert.
std::string ConversionErrorMessage(const std::string& text);

}  // namespace seasky
