// The units scene files may use, and their conversion to the units of the
// models (K, mb, g/m^3, degrees C, per mille, m/s, degrees, m).
//
// Humidity given as specific humidity q (kg of vapour per kg of moist air) and
// cloud water given as a mass fraction w (kg per kg of moist air) become mass
// concentrations with the density of moist air at the level's temperature T
// (K) and pressure p (Pa), from the ideal gas law:
//     rho_air = p / (R_d T (1 + q (1/eps - 1))),   rho_v = q rho_air,
//     rho_l = w rho_air,
// (with the vapour given as a concentration instead, rho_air = (p - e)/(R_d T)
// + rho_v, e = rho_v R_v T: the same ideal gas),
// with R_d = 287.05 J/(kg K) (dry air) and eps = R_d / R_v = 0.62198 (R_v the
// gas constant of water vapour); the results in g/m^3 (x 1000). The virtual
// temperature term counts the vapour; the liquid's own volume is negligible.
#pragma once

#include <optional>
#include <string>

#include "app/vocabulary.h"

namespace seasky {

// What a variable measures, for the choice of its accepted units.
enum class UnitKind { Height, AirTemperature, Pressure, Humidity, CloudWater, SeaTemperature, Salinity, Speed, Angle,
                      Geopotential };

// The kind of a quantity of a scene (app/vocabulary.h kSceneQuantities).
UnitKind UnitKindOf(Quantity quantity);

// How a value in a given unit becomes the model's value.
struct UnitConversion {
    double scale = 1.0;   // model = value x scale + offset (for the direct units)
    double offset = 0.0;
    bool massFraction = false;  // humidity or cloud water per kg of moist air: needs T and p
    std::string canonical;      // the unit as understood, e.g. "hPa"
};

// The conversion for a units attribute (CF/UDUNITS spellings: "K", "degC", "Pa",
// "hPa", "mbar", "g m-3", "kg/m3", "kg kg-1", "1", "PSU", "1e-3", "m s-1",
// "degree", "m", "km", ...), or nothing when the unit is not accepted for that kind.
std::optional<UnitConversion> ConversionOf(UnitKind kind, const std::string& units);

// The accepted units of a kind, for messages.
std::string AcceptedUnits(UnitKind kind);

// The conversion for a scene variable of that kind and CF standard name: as
// ConversionOf, and for humidity and cloud water a mass fraction (kg/kg) only
// for specific_humidity and mass_fraction_* names, a concentration (per m^3)
// only for the others. Without one, accepted (if given) receives the units that
// would be accepted.
std::optional<UnitConversion> ConversionForVariable(UnitKind kind, const std::string& units,
                                                    const std::string& standardName, std::string* accepted = nullptr);

// The density of moist air, kg/m^3, at temperature T (K) and pressure pa (Pa)
// with specific humidity q (kg/kg): pa / (R_d T (1 + q (1/eps - 1))).
double MoistAirDensityFromSpecificHumidity(double q, double T, double pa);

// The same with the vapour given as a mass concentration rhoV (g/m^3): the dry
// air's partial pressure pa - e, e = rhoV R_v T, gives the dry density, and the
// vapour adds its own: (pa - e) / (R_d T) + rhoV.
double MoistAirDensityFromVapour(double rhoV, double T, double pa);

// Gas constant of dry air, J/(kg K), and the ratio of the gas constants of dry
// air and water vapour.
inline constexpr double kDryAirGasConstant = 287.05;
inline constexpr double kGasConstantRatio = 0.62198;

}  // namespace seasky
