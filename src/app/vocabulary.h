// The program's vocabulary: every quantity it reads or writes, with each name
// it goes by in each front end, its unit, its long name, its default and its
// check. The command line's options and outputs, the batch runs' scene and
// result variables and the Python package's keywords, result keys and
// attributes are all read from this one table, so that a quantity is named in
// one place.
//
// Names of a row:
//   key          the internal name, the key of the JSON outputs and of the
//                Python result dicts, and the name a refusal gives
//                (ValidationFailure::input). A dot nests: "direction.V" is the
//                member V of the object direction (seasky emissivity --json).
//   option       the command-line option, without "--" ("" when there is none)
//   aliases      old spellings of the option or of the Python keyword that
//                still work, blank-separated (hidden from the help)
//   keyword      the Python keyword (and the key of a Python profile mapping)
//   shortName    the short name of the derivatives (--jacobians, dtb_d<name>)
//                and of a CSV scene column
//   variable     the NetCDF variable and CSV column of the batch runs
//   standardName the CF standard name, "" where the CF table has none
//   otherStandardNames  further standard names accepted on input, in order
//   unit         UDUNITS spelling ("1": dimensionless; "1e-3": per mille)
//   longName     English; the NetCDF long_name and the start of the help text
//   note         a remark the help text adds after the range
//   fallback     the default value (kNoDefault: none)
//   check        the row of the validation table (app/validation.h)
//   count        a whole number, written without a fraction in JSON
//
// Sea and air temperature are distinct everywhere: --sea-temp (degrees C) and
// --air-temp (K); --temp, the old spelling of both, still works where it did.
#pragma once

#include <array>
#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/checked.h"

namespace seasky {

// Indexes kQuantities.
enum class Quantity {
    // The inputs of a calculation, in the order of CalculationInputs.
    Frequency,
    IncidenceAngle,
    Azimuth,
    SeaTemperature,
    Salinity,
    Wind,
    Bandwidth,
    // The inputs of the separate models, and the profile levels.
    ModelWind,
    AbsorptionFrequency,
    ViewAngle,
    Transmittance,
    Height,
    AirTemperature,
    Pressure,
    Humidity,
    CloudWater,
    // Quantities checked on the way.
    BandLowerEdge,
    LevelCount,
    SubFrequencies,
    CalculationWork,
    // Scenes and sensor channels.
    Profile,
    ProfileSource,
    Scene,
    Channel,
    ChannelName,
    ChannelFrequency,
    ChannelPassband,
    Polarisation,
    ChannelPolarisation,
    ChannelIncidenceAngle,
    Status,
    Message,
    Note,
    PassbandBeyondRange,
    Extrapolated,
    ProfileEndsLow,
    Tb,
    // The results of a calculation, in the order of kResultFields.
    TbV,
    TbH,
    TbPlus45,
    TbMinus45,
    TbUp,
    TbDown,
    Opacity,
    EmissivityV,
    EmissivityH,
    OmegaV,
    OmegaH,
    ThirdStokes,
    TbThirdStokes,
    TbFourthStokes,
    TbLeftCircular,
    TbRightCircular,
    OpacityUp,
    LayerCount,
    GridBottom,
    GridTop,
    PrecipitableWater,
    LiquidWaterPath,
    SurfaceCode,
    SpecularV,
    SpecularH,
    WindV,
    WindH,
    DirectionV,
    DirectionH,
    DirectionHalfSum,
    DirectionDifference,
    DirectionThird,
    DirectionFourth,
    ReflectivityV,
    ReflectivityH,
    StokesCode,
    FourthStokes,
    CosmicTemperature,
    // seasky emissivity and permittivity.
    FrequencyCode,
    DirectionCode,
    DirectionTermV,
    DirectionTermH,
    DirectionTermHalfSum,
    DirectionTermDifference,
    DirectionTermThird,
    DirectionTermFourth,
    TotalV,
    TotalH,
    PermittivityReal,
    PermittivityImaginary,
    // seasky absorption.
    NitrogenAbsorption,
    OxygenAbsorption,
    WaterVapourAbsorption,
    GasAbsorption,
    CloudAbsorption,
    TotalAbsorption,
    // seasky atmosphere.
    DownBrightness,
    DownOpacity,
    UpBrightness,
    UpOpacity,
};

inline constexpr double kNoDefault = std::numeric_limits<double>::quiet_NaN();

struct QuantityInfo {
    Quantity id;
    const char* key = "";
    const char* option = "";
    const char* aliases = "";
    const char* keyword = "";
    const char* shortName = "";
    const char* variable = "";
    const char* standardName = "";
    const char* otherStandardNames = "";
    const char* unit = "1";
    const char* longName = "";
    const char* note = "";
    double fallback = kNoDefault;
    std::optional<Checked> check = std::nullopt;
    bool count = false;  // a whole number (a count, a frequency code): written without a fraction
};

// CF standard names used below (CF Standard Name Table): radiation_frequency,
// sensor_zenith_angle, sea_surface_temperature, sea_water_salinity,
// wind_speed, height, air_temperature, air_pressure,
// mass_concentration_of_water_vapor_in_air,
// mass_concentration_of_cloud_liquid_water_in_air, toa_brightness_temperature,
// atmosphere_mass_content_of_water_vapor,
// atmosphere_mass_content_of_cloud_liquid_water. The other quantities (the
// azimuth relative to the wind, the emissivities, the opacity, the
// transmittance, ...) have none.
inline constexpr QuantityInfo kQuantities[] = {
    // ---- the inputs of a calculation (the defaults: the window's start-up values) ----
    {.id = Quantity::Frequency, .key = "frequency", .option = "freq", .keyword = "freq", .variable = "frequency",
     .standardName = "radiation_frequency", .unit = "GHz", .longName = "Frequency", .fallback = 18.7,
     .check = Checked::Frequency},
    {.id = Quantity::IncidenceAngle, .key = "angle", .option = "angle", .keyword = "angle", .shortName = "angle",
     .variable = "incidence_angle", .standardName = "sensor_zenith_angle", .otherStandardNames = "incidence_angle",
     .unit = "degree", .longName = "Incidence angle", .fallback = 53.1, .check = Checked::Angle},
    {.id = Quantity::Azimuth, .key = "azimuth", .option = "azimuth", .keyword = "azimuth", .shortName = "azimuth",
     .variable = "relative_wind_direction", .otherStandardNames = "relative_wind_direction", .unit = "degree",
     .longName = "Azimuth of the observation relative to the wind", .note = "0 = upwind", .fallback = 0.0,
     .check = Checked::Azimuth},
    {.id = Quantity::SeaTemperature, .key = "seaTemperature", .option = "sea-temp", .aliases = "temp",
     .keyword = "sea_temperature", .shortName = "sst", .variable = "sea_surface_temperature",
     .standardName = "sea_surface_temperature", .unit = "degC", .longName = "Sea surface temperature",
     .fallback = 20.0, .check = Checked::SeaTemperature},
    {.id = Quantity::Salinity, .key = "salinity", .option = "salinity", .keyword = "salinity", .shortName = "salinity",
     .variable = "sea_water_salinity", .standardName = "sea_water_salinity", .unit = "1e-3",
     .longName = "Sea-water salinity", .fallback = 35.0, .check = Checked::Salinity},
    {.id = Quantity::Wind, .key = "wind", .option = "wind", .keyword = "wind", .shortName = "wind",
     .variable = "wind_speed", .standardName = "wind_speed", .unit = "m s-1", .longName = "Near-surface wind speed",
     .fallback = 10.0, .check = Checked::Wind},
    {.id = Quantity::Bandwidth, .key = "bandwidth", .option = "band", .keyword = "band", .unit = "GHz",
     .longName = "Receiver bandwidth", .note = "0 = one frequency", .fallback = 0.0},
    // ---- the inputs of the separate models, and the profile levels ----
    {.id = Quantity::ModelWind, .key = "wind", .option = "wind", .keyword = "wind", .unit = "m s-1",
     .longName = "Near-surface wind speed", .note = "linear extension above 20", .check = Checked::ModelWind},
    {.id = Quantity::AbsorptionFrequency, .key = "frequency", .option = "freq", .keyword = "freq", .unit = "GHz",
     .longName = "Frequency", .check = Checked::AbsorptionFrequency},
    {.id = Quantity::ViewAngle, .key = "angle", .option = "angle", .keyword = "angle", .unit = "degree",
     .longName = "View angle from the vertical", .fallback = 0.0, .check = Checked::ViewAngle},
    {.id = Quantity::Transmittance, .key = "transmittance", .option = "transmittance", .keyword = "transmittance",
     .longName = "Slant-path transmittance of the atmosphere", .check = Checked::Transmittance},
    {.id = Quantity::Height, .key = "height", .keyword = "height", .variable = "height", .standardName = "height",
     .otherStandardNames = "altitude", .unit = "m", .longName = "Height", .check = Checked::Height},
    {.id = Quantity::AirTemperature, .key = "airTemperature", .option = "air-temp", .aliases = "temp",
     .keyword = "air_temperature", .shortName = "airTemperature", .variable = "air_temperature",
     .standardName = "air_temperature", .unit = "K", .longName = "Air temperature", .check = Checked::AirTemperature},
    {.id = Quantity::Pressure, .key = "pressure", .option = "pressure", .keyword = "pressure", .shortName = "pressure",
     .variable = "air_pressure", .standardName = "air_pressure", .unit = "hPa", .longName = "Air pressure",
     .check = Checked::Pressure},
    {.id = Quantity::Humidity, .key = "humidity", .option = "humidity", .keyword = "humidity", .shortName = "humidity",
     .variable = "mass_concentration_of_water_vapor_in_air", .standardName = "mass_concentration_of_water_vapor_in_air",
     .otherStandardNames = "specific_humidity", .unit = "g m-3",
     .longName = "Absolute humidity (water-vapour density)", .check = Checked::Humidity},
    {.id = Quantity::CloudWater, .key = "cloudWater", .option = "cloud", .aliases = "cloud", .keyword = "cloud_water",
     .shortName = "cloud", .variable = "mass_concentration_of_cloud_liquid_water_in_air",
     .standardName = "mass_concentration_of_cloud_liquid_water_in_air",
     .otherStandardNames = "mass_fraction_of_cloud_liquid_water_in_air", .unit = "g m-3",
     .longName = "Cloud liquid water content", .fallback = 0.0, .check = Checked::CloudWater},
    // ---- quantities checked on the way ----
    {.id = Quantity::BandLowerEdge, .key = "bandLowerEdge", .unit = "GHz", .longName = "Lower edge of the band",
     .check = Checked::BandLowerEdge},
    {.id = Quantity::LevelCount, .key = "levelCount", .longName = "Levels of the profile",
     .check = Checked::LevelCount},
    {.id = Quantity::SubFrequencies, .key = "subFrequencies", .longName = "Sub-frequencies of the passband",
     .check = Checked::SubFrequencies},
    {.id = Quantity::CalculationWork, .key = "work", .longName = "Work units of one calculation",
     .check = Checked::CalculationWork},
    // ---- scenes and sensor channels ----
    {.id = Quantity::Profile, .key = "profile", .variable = "profile", .longName = "profile"},
    {.id = Quantity::ProfileSource, .key = "profileSource", .variable = "profile_source",
     .longName = "the profile of the scene: bundled:NAME (a bundled atmosphere) or file:PATH"},
    {.id = Quantity::Scene, .key = "scene", .variable = "scene", .longName = "scene"},
    {.id = Quantity::Channel, .key = "channel", .variable = "channel", .longName = "channel"},
    {.id = Quantity::ChannelName, .key = "name", .variable = "channel_name", .longName = "channel name"},
    {.id = Quantity::ChannelFrequency, .key = "frequency", .variable = "channel_frequency", .unit = "GHz",
     .longName = "channel centre frequency"},
    {.id = Quantity::ChannelPassband, .key = "passband", .variable = "channel_passband", .unit = "GHz",
     .longName = "channel sub-bands, lower and upper edge"},
    {.id = Quantity::Polarisation, .key = "polarisation", .variable = "polarisation", .longName = "polarisation"},
    {.id = Quantity::ChannelPolarisation, .key = "polarisation", .variable = "channel_polarisation",
     .longName = "channel polarisation"},
    {.id = Quantity::ChannelIncidenceAngle, .key = "incidenceAngle", .variable = "channel_incidence_angle",
     .unit = "degree", .longName = "Earth incidence angle of the channel (scenes may give their own)"},
    {.id = Quantity::Status, .key = "status", .variable = "status", .longName = "calculation status"},
    {.id = Quantity::Message, .key = "message", .variable = "message",
     .longName = "why the scene or a channel was refused"},
    {.id = Quantity::Note, .key = "note", .variable = "note",
     .longName = "what the scene's status flags mean for it (input incomplete or extended)"},
    {.id = Quantity::PassbandBeyondRange, .key = "passbandBeyondRange",
     .longName = "the passband reaches past 6.75-89 GHz"},
    {.id = Quantity::Extrapolated, .key = "extrapolated", .longName = "the centre lies outside 6.75-89 GHz"},
    {.id = Quantity::ProfileEndsLow, .key = "profileEndsLow",
     .longName = "the standard atmosphere above the profile's top is more than 1e-3 Np thick at the centre"},
    {.id = Quantity::Tb, .key = "tb", .variable = "tb", .standardName = "toa_brightness_temperature", .unit = "K",
     .longName = "brightness temperature at the top of the atmosphere"},
    // ---- the results of a calculation ----
    {.id = Quantity::TbV, .key = "tbV", .standardName = "toa_brightness_temperature", .unit = "K",
     .longName = "brightness temperature at the top of the atmosphere, vertical polarisation"},
    {.id = Quantity::TbH, .key = "tbH", .standardName = "toa_brightness_temperature", .unit = "K",
     .longName = "brightness temperature at the top of the atmosphere, horizontal polarisation"},
    {.id = Quantity::TbPlus45, .key = "tbPlus45", .standardName = "toa_brightness_temperature", .unit = "K",
     .longName = "brightness temperature at the top of the atmosphere, linear +45 degrees"},
    {.id = Quantity::TbMinus45, .key = "tbMinus45", .standardName = "toa_brightness_temperature", .unit = "K",
     .longName = "brightness temperature at the top of the atmosphere, linear -45 degrees"},
    {.id = Quantity::TbUp, .key = "tbUp", .variable = "tb_up", .unit = "K",
     .longName = "upwelling brightness temperature of the atmosphere"},
    {.id = Quantity::TbDown, .key = "tbDown", .variable = "tb_down", .unit = "K",
     .longName = "downwelling brightness temperature of the atmosphere"},
    {.id = Quantity::Opacity, .key = "opacity", .variable = "opacity", .unit = "Np",
     .longName = "vertical opacity of the atmosphere"},
    {.id = Quantity::EmissivityV, .key = "emissivityV", .variable = "emissivity_v",
     .longName = "sea-surface emissivity, vertical"},
    {.id = Quantity::EmissivityH, .key = "emissivityH", .variable = "emissivity_h",
     .longName = "sea-surface emissivity, horizontal"},
    {.id = Quantity::OmegaV, .key = "omegaV", .longName = "reflected-sky correction factor, vertical"},
    {.id = Quantity::OmegaH, .key = "omegaH", .longName = "reflected-sky correction factor, horizontal"},
    {.id = Quantity::ThirdStokes, .key = "thirdStokes", .longName = "third Stokes term of the sea surface"},
    {.id = Quantity::TbThirdStokes, .key = "tbThirdStokes", .unit = "K",
     .longName = "third Stokes term at the top of the atmosphere"},
    {.id = Quantity::TbFourthStokes, .key = "tbFourthStokes", .unit = "K",
     .longName = "fourth Stokes term at the top of the atmosphere"},
    {.id = Quantity::TbLeftCircular, .key = "tbLeftCircular", .standardName = "toa_brightness_temperature",
     .unit = "K", .longName = "brightness temperature at the top of the atmosphere, left circular"},
    {.id = Quantity::TbRightCircular, .key = "tbRightCircular", .standardName = "toa_brightness_temperature",
     .unit = "K", .longName = "brightness temperature at the top of the atmosphere, right circular"},
    {.id = Quantity::OpacityUp, .key = "opacityUp", .unit = "Np",
     .longName = "vertical opacity of the atmosphere summed from the top"},
    {.id = Quantity::LayerCount, .key = "layerCount", .longName = "layers of the 100 m transfer grid", .count = true},
    {.id = Quantity::GridBottom, .key = "gridBottom", .unit = "m", .longName = "lowest height of the transfer grid"},
    {.id = Quantity::GridTop, .key = "gridTop", .unit = "m", .longName = "highest height of the transfer grid"},
    {.id = Quantity::PrecipitableWater, .key = "precipitableWater",
     .standardName = "atmosphere_mass_content_of_water_vapor", .unit = "kg m-2",
     .longName = "water-vapour column of the transfer grid"},
    {.id = Quantity::LiquidWaterPath, .key = "liquidWaterPath",
     .standardName = "atmosphere_mass_content_of_cloud_liquid_water", .unit = "kg m-2",
     .longName = "cloud liquid water column of the transfer grid"},
    {.id = Quantity::SurfaceCode, .key = "surfaceCode", .longName = "frequency code of the surface models (f x 100)",
     .count = true},
    {.id = Quantity::SpecularV, .key = "specularV", .longName = "flat-sea emissivity, vertical"},
    {.id = Quantity::SpecularH, .key = "specularH", .longName = "flat-sea emissivity, horizontal"},
    {.id = Quantity::WindV, .key = "windV", .longName = "isotropic wind increment of the emissivity, vertical"},
    {.id = Quantity::WindH, .key = "windH", .longName = "isotropic wind increment of the emissivity, horizontal"},
    {.id = Quantity::DirectionV, .key = "directionV", .longName = "wind-direction term of the emissivity, vertical"},
    {.id = Quantity::DirectionH, .key = "directionH", .longName = "wind-direction term of the emissivity, horizontal"},
    {.id = Quantity::DirectionHalfSum, .key = "directionHalfSum", .longName = "wind-direction term, (V+H)/2"},
    {.id = Quantity::DirectionDifference, .key = "directionDifference", .longName = "wind-direction term, V-H"},
    {.id = Quantity::DirectionThird, .key = "directionThird", .longName = "wind-direction term, third Stokes"},
    {.id = Quantity::DirectionFourth, .key = "directionFourth", .longName = "wind-direction term, fourth Stokes"},
    {.id = Quantity::ReflectivityV, .key = "reflectivityV", .longName = "sea-surface reflectivity, vertical"},
    {.id = Quantity::ReflectivityH, .key = "reflectivityH", .longName = "sea-surface reflectivity, horizontal"},
    {.id = Quantity::StokesCode, .key = "stokesCode", .longName = "frequency code of the wind-direction signal",
     .count = true},
    {.id = Quantity::FourthStokes, .key = "fourthStokes", .longName = "fourth Stokes term of the sea surface"},
    {.id = Quantity::CosmicTemperature, .key = "cosmicTemperature", .unit = "K",
     .longName = "brightness temperature of cold space reflected by the sea (cosmic model)"},
    // ---- seasky emissivity and permittivity (a dot nests the JSON member) ----
    {.id = Quantity::FrequencyCode, .key = "frequencyCode",
     .longName = "frequency code of the surface models (f x 100)",
     .count = true},
    {.id = Quantity::DirectionCode, .key = "direction.code",
     .longName = "frequency code of the wind-direction terms (f x 100)", .count = true},
    {.id = Quantity::DirectionTermV, .key = "direction.V",
     .longName = "wind-direction term of the emissivity, vertical"},
    {.id = Quantity::DirectionTermH, .key = "direction.H",
     .longName = "wind-direction term of the emissivity, horizontal"},
    {.id = Quantity::DirectionTermHalfSum, .key = "direction.HalfSum", .longName = "wind-direction term, (V+H)/2"},
    {.id = Quantity::DirectionTermDifference, .key = "direction.Difference", .longName = "wind-direction term, V-H"},
    {.id = Quantity::DirectionTermThird, .key = "direction.Third", .longName = "wind-direction term, third Stokes"},
    {.id = Quantity::DirectionTermFourth, .key = "direction.Fourth", .longName = "wind-direction term, fourth Stokes"},
    {.id = Quantity::TotalV, .key = "totalV", .longName = "sea-surface emissivity, vertical"},
    {.id = Quantity::TotalH, .key = "totalH", .longName = "sea-surface emissivity, horizontal"},
    {.id = Quantity::PermittivityReal, .key = "real", .longName = "sea-water permittivity, real part"},
    {.id = Quantity::PermittivityImaginary, .key = "imag", .longName = "sea-water permittivity, imaginary part"},
    // ---- seasky absorption ----
    {.id = Quantity::NitrogenAbsorption, .key = "nitrogen", .unit = "Np km-1",
     .longName = "absorption coefficient of nitrogen"},
    {.id = Quantity::OxygenAbsorption, .key = "oxygen", .unit = "Np km-1",
     .longName = "absorption coefficient of oxygen"},
    {.id = Quantity::WaterVapourAbsorption, .key = "waterVapour", .unit = "Np km-1",
     .longName = "absorption coefficient of water vapour"},
    {.id = Quantity::GasAbsorption, .key = "gasTotal", .unit = "Np km-1",
     .longName = "absorption coefficient of clear air"},
    {.id = Quantity::CloudAbsorption, .key = "cloud", .unit = "Np km-1",
     .longName = "absorption coefficient of cloud liquid water"},
    {.id = Quantity::TotalAbsorption, .key = "total", .unit = "Np km-1",
     .longName = "absorption coefficient of clear air and cloud"},
    // ---- seasky atmosphere (seen from below: down; from above: up) ----
    {.id = Quantity::DownBrightness, .key = "down.brightness", .unit = "K",
     .longName = "downwelling brightness temperature of the atmosphere"},
    {.id = Quantity::DownOpacity, .key = "down.opacity", .unit = "Np",
     .longName = "vertical opacity of the atmosphere, summed from the bottom"},
    {.id = Quantity::UpBrightness, .key = "up.brightness", .unit = "K",
     .longName = "upwelling brightness temperature of the atmosphere"},
    {.id = Quantity::UpOpacity, .key = "up.opacity", .unit = "Np",
     .longName = "vertical opacity of the atmosphere, summed from the top"},
};

constexpr const QuantityInfo& InfoOf(Quantity q) { return kQuantities[static_cast<std::size_t>(q)]; }
constexpr const char* KeyOf(Quantity q) { return InfoOf(q).key; }
constexpr const char* UnitOf(Quantity q) { return InfoOf(q).unit; }

// ---- what each front end reads and writes, in order ----

// The seven inputs of a calculation (CalculationInputs), in the order they are
// read and checked: calc, sweep, the window, Python's calculate.
inline constexpr std::array<Quantity, 7> kCalculationInputs{Quantity::Frequency,      Quantity::IncidenceAngle,
                                                            Quantity::Azimuth,        Quantity::SeaTemperature,
                                                            Quantity::Salinity,       Quantity::Wind,
                                                            Quantity::Bandwidth};
// The surface of a sensor scene (seasky sensor): the channels give the
// frequencies and, unless given, the incidence angle.
inline constexpr std::array<Quantity, 5> kSensorSceneInputs{Quantity::Azimuth, Quantity::SeaTemperature,
                                                            Quantity::Salinity, Quantity::Wind,
                                                            Quantity::IncidenceAngle};
// The inputs of the model subcommands (and of the Python functions of the same
// names), in argument and check order.
inline constexpr std::array<Quantity, 6> kEmissivityInputs{Quantity::Frequency,      Quantity::IncidenceAngle,
                                                           Quantity::Azimuth,        Quantity::SeaTemperature,
                                                           Quantity::Salinity,       Quantity::ModelWind};
inline constexpr std::array<Quantity, 3> kPermittivityInputs{Quantity::Frequency, Quantity::SeaTemperature,
                                                             Quantity::Salinity};
inline constexpr std::array<Quantity, 4> kSkyCorrectionInputs{Quantity::Frequency, Quantity::Transmittance,
                                                              Quantity::IncidenceAngle, Quantity::Wind};
inline constexpr std::array<Quantity, 5> kAbsorptionInputs{Quantity::AbsorptionFrequency, Quantity::AirTemperature,
                                                           Quantity::Pressure, Quantity::Humidity,
                                                           Quantity::CloudWater};
inline constexpr std::array<Quantity, 3> kAtmosphereInputs{Quantity::AbsorptionFrequency, Quantity::Bandwidth,
                                                           Quantity::ViewAngle};

// The outputs of the model subcommands, in the order written (text and JSON).
inline constexpr std::array<Quantity, 14> kEmissivityOutputs{
    Quantity::FrequencyCode,        Quantity::SpecularV,          Quantity::SpecularH,
    Quantity::WindV,                Quantity::WindH,              Quantity::DirectionCode,
    Quantity::DirectionTermV,       Quantity::DirectionTermH,     Quantity::DirectionTermHalfSum,
    Quantity::DirectionTermDifference, Quantity::DirectionTermThird, Quantity::DirectionTermFourth,
    Quantity::TotalV,               Quantity::TotalH};
inline constexpr std::array<Quantity, 3> kPermittivityOutputs{Quantity::FrequencyCode, Quantity::PermittivityReal,
                                                              Quantity::PermittivityImaginary};
inline constexpr std::array<Quantity, 2> kSkyCorrectionOutputs{Quantity::OmegaV, Quantity::OmegaH};
inline constexpr std::array<Quantity, 6> kAbsorptionOutputs{
    Quantity::NitrogenAbsorption, Quantity::OxygenAbsorption, Quantity::WaterVapourAbsorption,
    Quantity::GasAbsorption,      Quantity::CloudAbsorption,  Quantity::TotalAbsorption};
// seasky atmosphere; Python's atmosphere adds kAtmosphereGrid.
inline constexpr std::array<Quantity, 4> kAtmosphereOutputs{Quantity::DownBrightness, Quantity::DownOpacity,
                                                            Quantity::UpBrightness, Quantity::UpOpacity};
inline constexpr std::array<Quantity, 3> kAtmosphereGrid{Quantity::LayerCount, Quantity::PrecipitableWater,
                                                         Quantity::LiquidWaterPath};
// The seven results of the window (seasky calc's text, seasky sweep), in line order.
inline constexpr std::array<Quantity, 7> kWindowResults{Quantity::TbV,    Quantity::TbH,    Quantity::TbPlus45,
                                                        Quantity::TbMinus45, Quantity::TbUp, Quantity::TbDown,
                                                        Quantity::Opacity};
// The results of a sensor channel over a scene: seasky batch, Python's simulate.
inline constexpr std::array<Quantity, 6> kChannelResults{Quantity::Tb,          Quantity::TbUp,
                                                         Quantity::TbDown,      Quantity::Opacity,
                                                         Quantity::EmissivityV, Quantity::EmissivityH};

// The quantities of a scene (seasky batch's scene files, Python's simulate),
// in the order they are read: the profile levels, then the surface. Each is
// found by its standard name (or one of its other standard names), else by its
// variable name.
struct SceneQuantity {
    Quantity quantity;
    bool perLevel;  // a profile quantity, (scene, level); else (scene)
    bool required;
};
inline constexpr std::array<SceneQuantity, 10> kSceneQuantities{{
    {Quantity::Height, true, true},
    {Quantity::AirTemperature, true, true},
    {Quantity::Pressure, true, true},
    {Quantity::Humidity, true, true},
    {Quantity::CloudWater, true, false},
    {Quantity::SeaTemperature, false, true},
    {Quantity::Salinity, false, true},
    {Quantity::Wind, false, true},
    {Quantity::Azimuth, false, true},
    {Quantity::IncidenceAngle, false, false},
}};

// ---- lookups ----

// The blank-separated words of a name list (aliases, otherStandardNames).
std::vector<std::string> WordsOf(const char* list);

// The names the command line accepts for the option of q: the option, then its
// aliases (those that differ from it).
std::vector<std::string> OptionNames(Quantity q);

// The standard names that identify the variable of q on input, in order: its
// standard name, then the others.
std::vector<std::string> StandardNamesOf(Quantity q);

// The unit as the text output and the help show it: "m/s" for "m s-1",
// "degrees" for "degree", "per mille" for "1e-3", "" for "1", ...
std::string UnitText(std::string_view unit);

// The accepted range of a check as the help shows it: "6.75 to 89", "above 0,
// at most 1000", "0 or more".
std::string RangeText(Checked check);

// The help text of the option of q: "<long name>, <unit> (<range>; <note>)".
std::string HelpText(Quantity q);

}  // namespace seasky
