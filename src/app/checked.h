// The quantities the validation table checks (app/validation.h), by name
// alone: the vocabulary (app/vocabulary.h) names each quantity's check, and
// the validation table names each check's quantity.
#pragma once

namespace seasky {

// The checked quantities. The first six are the window's inputs, in the order
// in which a calculation checks them.
enum class Checked {
    Frequency,            // f of a calculation and of the surface models, GHz
    Angle,                // incidence angle, degrees
    Azimuth,              // azimuth of the look direction relative to the wind, degrees
    SeaTemperature,       // degrees C
    Salinity,             // per mille
    Wind,                 // m/s
    ModelWind,            // m/s, the surface models alone: no upper bound (linear beyond 20 m/s)
    AbsorptionFrequency,  // f of the absorption models and of the atmosphere alone, GHz
    ViewAngle,            // view angle of the atmosphere alone, degrees from the vertical
    Transmittance,        // slant-path transmittance of the reflected-sky correction
    BandLowerEdge,        // f - bandwidth / 2 of a band, GHz
    LevelCount,           // levels of a profile
    Height,               // height of a profile level, m
    AirTemperature,       // K
    Pressure,             // mb
    Humidity,             // absolute humidity (water-vapour density), g/m^3
    CloudWater,           // cloud liquid water content, g/m^3
    LiquidCloudTemperature,  // air temperature of a level that holds cloud water, K
    SubFrequencies,       // sub-frequencies of a calculation's passband (app/calculation_cost.h)
    CalculationWork,      // the cost of one calculation, work units (app/calculation_cost.h)
    DerivativeLevels,     // profile levels of a calculation with derivatives
    Mw2012Wind,           // m/s, the wind of the mw2012 surface model (its authors' code: to 40 m/s)
    ExtendedWind,         // m/s, the default surface continued beyond 20 m/s (wind-range=extended: to 40 m/s)
};

}  // namespace seasky
