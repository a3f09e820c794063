// Scenes for batch runs: many observations, each a profile and a sea surface,
// read from a NetCDF or a CSV file a block at a time.
//
// NetCDF: dimensions (scene, level). Each quantity is found by its CF
// standard_name attribute, else by a variable of that name; every one must
// carry a units attribute (see units.h for the units accepted):
//   profile (scene, level): height, air_temperature, air_pressure,
//     mass_concentration_of_water_vapor_in_air or specific_humidity,
//     mass_concentration_of_cloud_liquid_water_in_air or
//     mass_fraction_of_cloud_liquid_water_in_air (optional: no cloud);
//   per scene (scene): sea_surface_temperature, sea_water_salinity, wind_speed,
//     relative_wind_direction (the azimuth of the look relative to the wind,
//     degrees, 0 = upwind), incidence_angle (optional: the channels' own).
// _FillValue/missing_value mark missing values and scale_factor/add_offset are
// applied. A level whose height is missing is left out (so that profiles of
// different lengths share one level dimension). Other variables of dimension
// (scene) alone — time, lat, lon, ... — are passed through to the output.
//
// The header's declared values must be in the file (netcdf_extent.h): a file
// cut short, or whose values were never written, is refused before anything is
// computed.
//
// CSV: a header, then one row per scene with the columns profile,
// sea_surface_temperature (degrees C), sea_water_salinity (per mille),
// wind_speed (m/s), relative_wind_direction (degrees), and optionally
// incidence_angle (degrees). The short names sst, salinity, wind, azimuth and
// angle are accepted as well. A profile is a bundled atmosphere when it is
// exactly a bundled atmosphere's name (tropical, ...), whatever files lie
// beside the CSV; anything else is a profile file, relative to the CSV's folder
// (a file of a bundled atmosphere's name is given as ./tropical). Each scene
// records which one it used (Scene::profileSource), and a run notes a bundled
// name that a file beside the CSV also bears. Lines may end with LF, CR LF or
// CR alone, and a UTF-8 byte-order mark before the header is skipped.
//
// Scene files, and the profile files a CSV names, must be regular files: a
// pipe or a device is refused before it is opened (input_file.h).
#pragma once

#include <cstddef>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/sensor.h"
#include "app/validation.h"
#include "common/records.h"

namespace seasky {

// A failure that ends a run: an unreadable file, a missing variable, a unit that
// is not accepted. The message names the file and the variable.
struct BatchError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Flags of a scene that its results carry (bits of status(scene, channel),
// beside the channel's own of batch_output.h): the scene was computed, but
// with less than a complete input, and says so.
inline constexpr int kStatusNoCloud = 8;         // no cloud-water variable: computed without cloud
inline constexpr int kStatusStartsHigh = 16;     // the profile starts over 10 m above the sea, not extended
inline constexpr int kStatusEndsLow = 32;        // the profile ends below the level that matters (per channel)
inline constexpr int kStatusWindExtended = 64;   // wind beyond 20 m/s, computed with the wind model extended

// The height above the sea (m) beyond which a profile's lowest level counts
// as starting above the sea.
inline constexpr double kProfileStartTolerance = 10.0;

struct Scene {
    SceneSurface surface;
    ProfileStore profile;
    std::optional<ValidationFailure> failure;  // the scene's own refusal (a bad level, a missing value)
    std::vector<int> levelIndex;  // the file's level (from 0) of each profile level
    // Where the profile came from, for scenes that name one (CSV):
    // "bundled:NAME" or "file:PATH"; empty when the scene file holds it.
    std::string profileSource;
    int flags = 0;       // kStatusNoCloud | kStatusStartsHigh | kStatusWindExtended, for every channel
    std::string note;    // what the flags mean for this scene (English), empty without flags
};

// Which input variable fed a quantity of the scenes, for the output's record:
// quantity a vocabulary key (height, airTemperature, ...); source e.g.
// "z [geopotential, m**2 s**-2] of pl.nc: height = ..."
struct InputSource {
    std::string quantity;
    std::string source;
};

// One dimension of the scenes: a list of scenes has one (scene), a
// reanalysis grid its own (valid_time, latitude, longitude).
struct GridDimension {
    std::string name;
    std::size_t size = 0;
};

// A scene variable that is passed through to the output unchanged.
struct PassThrough {
    std::string name;
    int type = 0;                   // the netCDF type
    std::size_t valueBytes = 0;     // the bytes of one value
    std::vector<unsigned char> data;  // the values of one block (or, for a coordinate, all), packed
    // The grid dimensions it spans: empty for a value per scene (every grid
    // dimension); a coordinate (SceneReader::Coordinates) names its own, a
    // subset of the grid's (e.g. latitude).
    std::vector<std::string> dims;
    // Where its attributes come from: the NetCDF file whose variable of that
    // name the writer copies them from (every attribute, of its own type), or,
    // when empty, the text attributes below (a GRIB file's variables).
    std::string sourceFile;
    std::vector<std::pair<std::string, std::string>> attributes;
};

class SceneReader {
public:
    virtual ~SceneReader() = default;
    virtual std::size_t SceneCount() const = 0;
    // True when the scenes carry their own incidence angle.
    virtual bool HasIncidenceAngle() const = 0;
    // The number of levels of the file: its level dimension, or the most levels
    // of a profile the file names.
    virtual std::size_t LevelCount() const = 0;
    // Reads scenes [first, first + count) into scenes (resized to count); throws BatchError.
    virtual void Read(std::size_t first, std::size_t count, std::vector<Scene>& scenes) = 0;
    // The pass-through variables: their names, types and attributes (empty data).
    virtual std::vector<PassThrough> PassThroughVariables() const { return {}; }
    // Their values for scenes [first, first + count) (data filled).
    virtual void ReadPassThrough(std::size_t, std::size_t, std::vector<PassThrough>&) {}
    // True when each scene names its profile (Scene::profileSource is filled).
    virtual bool NamesProfiles() const { return false; }
    // Notes for the user about how the file was read (English), e.g. a bundled
    // atmosphere chosen over a file of the same name.
    virtual std::vector<std::string> Notes() const { return {}; }
    // The profile files the scenes name (CSV scenes) that are the file guarded
    // by OpenScenes (through any link), as named: the run's output must not
    // replace one. Found by the first pass over the scenes, before any is read.
    virtual std::vector<std::string> GuardedProfileFiles() const { return {}; }
    // The dimensions of the scenes, slowest first: {scene, SceneCount()} for a
    // list of scenes. Scenes are numbered in the grid's row-major order.
    virtual std::vector<GridDimension> Grid() const { return {{"scene", SceneCount()}}; }
    // The variables over some but not all grid dimensions (the grid's
    // coordinate variables: latitude, longitude, valid_time), whole, data filled:
    // written once to the output.
    virtual std::vector<PassThrough> Coordinates() const { return {}; }
    // Which input variable fed each quantity (InputSource).
    virtual std::vector<InputSource> Sources() const { return {}; }
    // The variables the scenes are read from: (file, variable name).
    virtual std::vector<std::pair<std::string, std::string>> UsedVariables() const { return {}; }
    // The name of the level dimension of the file.
    virtual std::string LevelDimension() const { return "level"; }
};

// Scene values held as arrays: profiles scenes x levels (level fastest), in m,
// K, hPa and g/m^3 — humidity and cloud water as mass fractions (kg/kg of moist
// air) when the flags say so — and per scene the sea temperature (degrees C),
// salinity (per mille), wind (m/s), azimuth and incidence angle (degrees). NaN
// marks a missing value; a level whose height is NaN is left out.
struct SceneArrays {
    std::size_t scenes = 0;
    std::size_t levels = 0;
    const double* height = nullptr;
    const double* temperature = nullptr;
    const double* pressure = nullptr;
    const double* humidity = nullptr;
    const double* cloud = nullptr;  // null: no cloud water
    bool humidityIsFraction = false;
    bool cloudIsFraction = false;
    const double* seaTemperature = nullptr;
    const double* salinity = nullptr;
    const double* wind = nullptr;
    const double* azimuth = nullptr;
    const double* angle = nullptr;  // null: the channels' own
    // Optional, for reanalyses (field_scenes.h): with all three, a level is
    // added at the sea (0 m) from the surface pressure (hPa), the 2 m air
    // temperature and the 2 m dew point (K); levels of pressure above the
    // surface pressure are dropped.
    const double* surfacePressure = nullptr;
    const double* surfaceAirTemperature = nullptr;
    const double* surfaceDewPoint = nullptr;
    // The wind as a vector (m/s, towards east and north) with the sensor's look
    // azimuth (degrees clockwise from north, per scene, else lookAzimuthValue),
    // used when wind and azimuth are null (surface/wind_vector.h).
    const double* windU = nullptr;
    const double* windV = nullptr;
    const double* lookAzimuth = nullptr;
    double lookAzimuthValue = std::numeric_limits<double>::quiet_NaN();
    // The salinity of every scene (per mille) when salinity is null.
    double salinityValue = std::numeric_limits<double>::quiet_NaN();
    // The names of the per-scene quantities, for the messages of missing values.
    std::string names[4] = {InfoOf(Quantity::SeaTemperature).variable, InfoOf(Quantity::Salinity).variable,
                            InfoOf(Quantity::Wind).variable, InfoOf(Quantity::Azimuth).variable};
};

// The scenes of the arrays, each with its profile (mass fractions turned into
// concentrations with the moist-air density, units.h) and its refusal, if any:
// a missing surface value, too few levels, a missing level value, or a level
// rule of the validation table broken. The levels are put in increasing
// height; levels below the sea (height below 0, or pressure above the surface
// pressure) are dropped; the level at the sea is added when the surface values
// are given (its levelIndex is levels, one past the arrays' own); the flags
// and the note are set (kStatusNoCloud when cloud is null).
//
// levelsOut: the level count of the output, levels + 1 with a surface level.
void ScenesFromArrays(const SceneArrays& arrays, std::vector<Scene>& scenes);

// Opens a scene file by its extension (.nc, .nc4, .cdf: NetCDF; .csv: CSV); throws BatchError.
// guarded: a file (the run's output) that no profile file of a CSV may be; the
// ones that are it are given by GuardedProfileFiles. The profile files are
// checked as the CSV is first read rather than kept, so that memory does not
// grow with the number of distinct profiles.
std::unique_ptr<SceneReader> OpenScenes(const std::string& path, const std::string& guarded = {});

// How a scene file of fields (NetCDF, GRIB) is read, beyond its own variables.
struct SceneOptions {
    std::string guarded;         // as for OpenScenes
    std::string surfaceFile;     // a file of single-level fields on the same grid (--surface); empty: none
    std::string levelDim;        // the level dimension (--level-dim); empty: found by its name (field_scenes.h)
    std::optional<double> salinity;     // per mille, for every scene without a salinity field (--salinity)
    std::optional<double> lookAzimuth;  // degrees clockwise from north, for every scene without its own (--look-azimuth)
};

// As OpenScenes, with the options of fields (ignored for CSV scenes but the guard).
std::unique_ptr<SceneReader> OpenScenes(const std::string& path, const SceneOptions& options);

}  // namespace seasky
