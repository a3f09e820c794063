// Scenes from files of fields: seasky's own NetCDF scene files, and
// reanalyses on pressure levels as the data providers deliver them (ERA5 from
// the Copernicus data store, netCDF or GRIB, with its single-level file).
//
// Given:
//   the level file (profiles: a level dimension and any others) and, if any,
//   the surface file (single-level fields on the same grid); SceneOptions
//   (scenes.h): the level dimension, a salinity and a look azimuth for every
//   scene.
// Returns:
//   a SceneReader whose scenes are the points of the grid: every dimension of
//   the air temperature but the level one, in that variable's order, numbered
//   row-major (the last fastest). A list of scenes (scene, level) is a grid of
//   one dimension.
//
// Notes:
//  1. The level dimension is the one named by SceneOptions::levelDim, else the
//     first of level, pressure_level, isobaricInhPa, plev, lev, levelist that a
//     variable has.
//  2. Each quantity is found, in this order, by a CF standard_name of the
//     vocabulary (app/vocabulary.h; "unknown", which the data store writes on
//     ERA5's clwc, sst, t2m, d2m, u10 and v10, identifies nothing), by the
//     vocabulary's variable name, by its ECMWF parameter id (the paramId of a
//     GRIB message, the GRIB_paramId attribute of the data store's netCDF;
//     ECMWF parameter database, https://codes.ecmwf.int/grib/param-db/), then
//     by the ECMWF short name. kFieldRoles lists them. A candidate of the wrong
//     dimensions is passed over (and named if nothing else is found). Surface
//     quantities are looked for in the surface file first.
//  3. Conversions (in the docs with their formulas):
//     - geopotential Phi (paramId 129, z) to geometric height: H = Phi / g0,
//       z = r0 H / (r0 - H), the U.S. Standard Atmosphere 1976 gravity model
//       (atmosphere/humidity.h); a geopotential height (156, gh, gpm) likewise;
//     - the pressure of the levels: a per-level variable, or the level
//       dimension's coordinate variable (pressure_level in hPa) for every scene;
//     - specific humidity q (133) and cloud liquid water mass fraction (246,
//       clwc) to densities with the moist air's density (units.h);
//     - wind from u10 (165) and v10 (166) with the look azimuth:
//       surface/wind_vector.h (0 = looking upwind);
//     - the levels are put in increasing height; levels below the sea (height
//       below 0 m, or pressure above the surface pressure) are dropped;
//     - a level at the sea (0 m) is added from the surface pressure sp (134;
//       else the mean-sea-level pressure msl, 151, which over the sea is the
//       same surface), the 2 m temperature t2m (167) and the 2 m dew point d2m
//       (168): p = sp, T = t2m, rho_v = e(d2m) / (R_v t2m) (Bolton 1980), no
//       cloud; the 2 m between the sea and the sensors' height are not told
//       apart (0.24 hPa, 0.01 K at most).
//  4. Salinity: a field (sea_water_salinity), else SceneOptions::salinity;
//     neither, or both, is refused, naming both ways.
//  5. Every missing or unusable quantity is named in one message, with what
//     was found and how it converts. Sources() records which variable fed each
//     quantity.
//  6. Flags (Scene::flags, Scene::note): no cloud variable; a profile that
//     starts more than 10 m above the sea with no level added at the sea; a
//     wind beyond 20 m/s.
//  7. ciwc, crwc and cswc (ice, rain and snow water: paramIds 247, 75, 76) are
//     not used (the model's cloud is liquid water's absorption): a note says so.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "batch/field_file.h"
#include "batch/scenes.h"
#include "batch/units.h"

namespace seasky {

// What a variable of a scene file may be.
enum class FieldRole {
    Height, Geopotential, GeopotentialHeight, AirTemperature, Pressure, Humidity, CloudWater,  // per level
    SeaTemperature, Salinity, Wind, Azimuth, IncidenceAngle, WindU, WindV, LookAzimuth,         // per scene
    SurfacePressure, MeanSeaLevelPressure, SurfaceAirTemperature, SurfaceDewPoint
};
inline constexpr std::size_t kFieldRoleCount = 19;

struct FieldRoleInfo {
    FieldRole role;
    const char* key;            // the quantity's key in messages and Sources (vocabulary keys where there is one)
    const char* what;           // in words, for messages
    bool perLevel;
    UnitKind kind;
    const char* standardNames;  // blank-separated, in order (the vocabulary's first, when it has the quantity)
    const char* names;          // variable names, blank-separated (vocabulary name, then ECMWF short names)
    std::array<long, 2> paramIds;   // ECMWF parameter ids (0: none)
    const char* impliedStandardName;  // what a paramId or ECMWF name means, for the choice of units
};

extern const std::array<FieldRoleInfo, kFieldRoleCount> kFieldRoles;
const FieldRoleInfo& RoleInfo(FieldRole role);

// The scenes of a level file and, if given, a surface file; throws BatchError.
std::unique_ptr<SceneReader> OpenFieldScenes(std::unique_ptr<FieldFile> levels, std::unique_ptr<FieldFile> surface,
                                             const SceneOptions& options);

}  // namespace seasky
