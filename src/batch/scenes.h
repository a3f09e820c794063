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
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
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

struct Scene {
    SceneSurface surface;
    ProfileStore profile;
    std::optional<ValidationFailure> failure;  // the scene's own refusal (a bad level, a missing value)
    std::vector<int> levelIndex;  // the file's level (from 0) of each profile level
    // Where the profile came from, for scenes that name one (CSV):
    // "bundled:NAME" or "file:PATH"; empty when the scene file holds it.
    std::string profileSource;
};

// A scene variable that is passed through to the output unchanged.
struct PassThrough {
    std::string name;
    int type = 0;                   // the netCDF type
    std::size_t valueBytes = 0;     // the bytes of one value
    std::vector<unsigned char> data;  // the values of one block, packed
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
    // The names of the per-scene quantities, for the messages of missing values.
    std::string names[4] = {InfoOf(Quantity::SeaTemperature).variable, InfoOf(Quantity::Salinity).variable,
                            InfoOf(Quantity::Wind).variable, InfoOf(Quantity::Azimuth).variable};
};

// The scenes of the arrays, each with its profile (mass fractions turned into
// concentrations with the moist-air density, units.h) and its refusal, if any:
// a missing surface value, too few levels, a missing level value, or a level
// rule of the validation table broken.
void ScenesFromArrays(const SceneArrays& arrays, std::vector<Scene>& scenes);

// Opens a scene file by its extension (.nc, .nc4, .cdf: NetCDF; .csv: CSV); throws BatchError.
// guarded: a file (the run's output) that no profile file of a CSV may be; the
// ones that are it are given by GuardedProfileFiles. The profile files are
// checked as the CSV is first read rather than kept, so that memory does not
// grow with the number of distinct profiles.
std::unique_ptr<SceneReader> OpenScenes(const std::string& path, const std::string& guarded = {});

}  // namespace seasky
