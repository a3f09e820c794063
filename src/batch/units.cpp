#include "batch/units.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace seasky {

namespace {

// The units attribute with blanks removed and "^", "**" and "." made uniform, so
// that "g m-3", "g/m3", "g m^-3" and "g.m-3" compare equal.
std::string Normalised(const std::string& units) {
    std::string s;
    for (char c : units) {
        if (c == ' ' || c == '.' || c == '*' || c == '^' || c == '\t') continue;
        s += c;
    }
    return s;
}

struct Spelling {
    const char* text;  // normalised spelling
    UnitConversion conversion;
};

const std::vector<Spelling>& SpellingsOf(UnitKind kind) {
    static const std::vector<Spelling> height = {{"m", {1.0, 0.0, false, "m"}},
                                                 {"meter", {1.0, 0.0, false, "m"}},
                                                 {"meters", {1.0, 0.0, false, "m"}},
                                                 {"metre", {1.0, 0.0, false, "m"}},
                                                 {"metres", {1.0, 0.0, false, "m"}},
                                                 {"km", {1000.0, 0.0, false, "km"}},
                                                 // geopotential metres (WMO): a geopotential height
                                                 {"gpm", {1.0, 0.0, false, "gpm"}}};
    // Geopotential, m^2/s^2 (ECMWF writes "m**2 s**-2").
    static const std::vector<Spelling> geopotential = {{"m2s-2", {1.0, 0.0, false, "m2 s-2"}},
                                                       {"m2/s2", {1.0, 0.0, false, "m2 s-2"}},
                                                       {"Jkg-1", {1.0, 0.0, false, "J kg-1"}},
                                                       {"J/kg", {1.0, 0.0, false, "J kg-1"}}};
    static const std::vector<Spelling> kelvin = {{"K", {1.0, 0.0, false, "K"}},
                                                 {"kelvin", {1.0, 0.0, false, "K"}},
                                                 {"degK", {1.0, 0.0, false, "K"}},
                                                 {"degC", {1.0, 273.15, false, "degC"}},
                                                 {"celsius", {1.0, 273.15, false, "degC"}},
                                                 {"deg_C", {1.0, 273.15, false, "degC"}},
                                                 {"°C", {1.0, 273.15, false, "degC"}}};
    static const std::vector<Spelling> celsius = {{"K", {1.0, -273.15, false, "K"}},
                                                  {"kelvin", {1.0, -273.15, false, "K"}},
                                                  {"degK", {1.0, -273.15, false, "K"}},
                                                  {"degC", {1.0, 0.0, false, "degC"}},
                                                  {"celsius", {1.0, 0.0, false, "degC"}},
                                                  {"deg_C", {1.0, 0.0, false, "degC"}},
                                                  {"°C", {1.0, 0.0, false, "degC"}}};
    static const std::vector<Spelling> pressure = {{"Pa", {0.01, 0.0, false, "Pa"}},
                                                   {"pascal", {0.01, 0.0, false, "Pa"}},
                                                   {"hPa", {1.0, 0.0, false, "hPa"}},
                                                   {"mbar", {1.0, 0.0, false, "hPa"}},
                                                   {"mb", {1.0, 0.0, false, "hPa"}},
                                                   {"millibar", {1.0, 0.0, false, "hPa"}},
                                                   {"millibars", {1.0, 0.0, false, "hPa"}},
                                                   {"kPa", {10.0, 0.0, false, "kPa"}}};
    static const std::vector<Spelling> concentration = {{"gm-3", {1.0, 0.0, false, "g m-3"}},
                                                        {"g/m3", {1.0, 0.0, false, "g m-3"}},
                                                        {"g/m-3", {1.0, 0.0, false, "g m-3"}},
                                                        {"kgm-3", {1000.0, 0.0, false, "kg m-3"}},
                                                        {"kg/m3", {1000.0, 0.0, false, "kg m-3"}},
                                                        {"kgkg-1", {1.0, 0.0, true, "kg kg-1"}},
                                                        {"kg/kg", {1.0, 0.0, true, "kg kg-1"}},
                                                        {"gkg-1", {0.001, 0.0, true, "g kg-1"}},
                                                        {"g/kg", {0.001, 0.0, true, "g kg-1"}},
                                                        {"1", {1.0, 0.0, true, "1"}}};
    static const std::vector<Spelling> salinity = {{"1e-3", {1.0, 0.0, false, "1e-3"}},
                                                   {"0001", {1.0, 0.0, false, "1e-3"}},  // "0.001" without the dot
                                                   {"psu", {1.0, 0.0, false, "1e-3"}},
                                                   {"PSU", {1.0, 0.0, false, "1e-3"}},
                                                   {"g/kg", {1.0, 0.0, false, "1e-3"}},
                                                   {"gkg-1", {1.0, 0.0, false, "1e-3"}},
                                                   {"permille", {1.0, 0.0, false, "1e-3"}},
                                                   {"‰", {1.0, 0.0, false, "1e-3"}}};
    static const std::vector<Spelling> speed = {{"m/s", {1.0, 0.0, false, "m s-1"}},
                                                {"ms-1", {1.0, 0.0, false, "m s-1"}},
                                                {"m/sec", {1.0, 0.0, false, "m s-1"}}};
    static const std::vector<Spelling> angle = {{"degree", {1.0, 0.0, false, "degree"}},
                                                {"degrees", {1.0, 0.0, false, "degree"}},
                                                {"deg", {1.0, 0.0, false, "degree"}},
                                                {"degrees_east", {1.0, 0.0, false, "degree"}},
                                                {"°", {1.0, 0.0, false, "degree"}}};
    switch (kind) {
        case UnitKind::Height:
            return height;
        case UnitKind::AirTemperature:
            return kelvin;
        case UnitKind::Pressure:
            return pressure;
        case UnitKind::Humidity:
        case UnitKind::CloudWater:
            return concentration;
        case UnitKind::SeaTemperature:
            return celsius;
        case UnitKind::Salinity:
            return salinity;
        case UnitKind::Speed:
            return speed;
        case UnitKind::Angle:
            return angle;
        case UnitKind::Geopotential:
            return geopotential;
    }
    return height;
}

}  // namespace

UnitKind UnitKindOf(Quantity quantity) {
    switch (quantity) {
        case Quantity::Height:
            return UnitKind::Height;
        case Quantity::AirTemperature:
            return UnitKind::AirTemperature;
        case Quantity::Pressure:
            return UnitKind::Pressure;
        case Quantity::Humidity:
            return UnitKind::Humidity;
        case Quantity::CloudWater:
            return UnitKind::CloudWater;
        case Quantity::SeaTemperature:
            return UnitKind::SeaTemperature;
        case Quantity::Salinity:
            return UnitKind::Salinity;
        case Quantity::Wind:
            return UnitKind::Speed;
        default:  // the azimuth, the incidence angle
            return UnitKind::Angle;
    }
}

std::optional<UnitConversion> ConversionOf(UnitKind kind, const std::string& units) {
    const std::string n = Normalised(units);
    for (const Spelling& s : SpellingsOf(kind))
        if (n == s.text) return s.conversion;
    return std::nullopt;
}

std::string AcceptedUnits(UnitKind kind) {
    std::string list;
    std::vector<std::string> seen;
    for (const Spelling& s : SpellingsOf(kind)) {
        if (std::find(seen.begin(), seen.end(), s.conversion.canonical) != seen.end()) continue;
        seen.push_back(s.conversion.canonical);
        list += (list.empty() ? "" : ", ") + s.conversion.canonical;
    }
    return list;
}

std::optional<UnitConversion> ConversionForVariable(UnitKind kind, const std::string& units,
                                                    const std::string& standardName, std::string* accepted) {
    const bool water = kind == UnitKind::Humidity || kind == UnitKind::CloudWater;
    const bool fractionName = standardName == "specific_humidity" || standardName.rfind("mass_fraction", 0) == 0;
    const std::optional<UnitConversion> c = ConversionOf(kind, units);
    if (c && (!water || c->massFraction == fractionName)) return c;
    if (accepted != nullptr)
        *accepted = water ? (fractionName ? "kg kg-1, g kg-1, 1" : "g m-3, kg m-3") : AcceptedUnits(kind);
    return std::nullopt;
}

double MoistAirDensityFromSpecificHumidity(double q, double T, double pa) {
    return pa / (kDryAirGasConstant * T * (1.0 + q * (1.0 / kGasConstantRatio - 1.0)));
}

double MoistAirDensityFromVapour(double rhoV, double T, double pa) {
    const double vapour = rhoV * 0.001;                                          // kg/m^3
    const double e = vapour * (kDryAirGasConstant / kGasConstantRatio) * T;      // vapour pressure, Pa
    return (pa - e) / (kDryAirGasConstant * T) + vapour;
}

}  // namespace seasky
