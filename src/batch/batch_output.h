// Batch results written as NetCDF or CSV, a block of scenes at a time, into a
// temporary file that becomes the output only when the run completes.
//
// NetCDF (netCDF-4): the scene dimensions, channel, sub_band (the most
// sub-bands of a channel) and bound (2). The scene dimensions are those of the
// scenes' grid (RunDescription::grid, slowest first, e.g. valid_time, latitude,
// longitude), or scene alone for a list of scenes; written below as <scene>.
// Per scene and channel tb (the channel's polarisation; standard_name
// toa_brightness_temperature), tb_up, tb_down, opacity, emissivity_v,
// emissivity_h and status (bits: kStatusFlags, with CF flag_masks and
// flag_meanings); per scene the first refusal's message and the note of its
// flags; the channel coordinate channel(channel), the channel names, which
// xarray makes the index of the channel dimension (tb.sel(channel="18.7V")),
// and beside it, as before, channel_name, channel_frequency, channel_passband
// (lo, hi per sub-band), channel_polarisation and channel_incidence_angle; the
// grid's coordinate variables (RunDescription::coordinates, e.g.
// latitude(latitude)) once, whole; the pass-through variables of the scene
// file over every scene dimension; global attributes with the program
// version, the model choices, the sensor, the scene file (scenes) and the
// surface file (surface_file), the input variable of each quantity
// (input_<quantity>, e.g. input_height), the date and history ("<UTC time>:
// <command line>"). Values that were not computed are NaN (the _FillValue).
//
// The variables per scene name, in their CF coordinates attribute, the
// variables that locate the scenes where xarray would not find them itself:
// for a list of scenes the pass-through variables of time, latitude and
// longitude (by standard_name, else by the names time, lat, latitude, lon,
// longitude), in that order; for a grid its coordinate variables that are not
// dimension coordinates (e.g. a latitude(y, x)). A grid whose coordinates are
// its dimensions' needs none.
//
// With derivatives: dtb_d<x>(scene, channel) for the surface inputs (sst,
// salinity, wind, azimuth, angle) and the columns (lntcwv, lnlwp), and
// dtb_d<x>(scene, channel, level) for the level quantities (airTemperature,
// pressure, humidity, cloud) and dtb_weighting, the weighting function; the
// derivatives of tb, the channel's own polarisation; level the file's level
// (NaN where a scene has none); humidity and cloud water per g/m^3 whatever the
// units of the file. The level derivatives have the coordinate height(<scene>,
// level), m: each scene's profile heights at their level, NaN where the scene
// has none.
//
// The pass-through variables keep their type and every attribute of the
// NetCDF file they come from (PassThrough::sourceFile, else the scene file),
// with all its values (valid_range, flag_values, ...); that file's _FillValue is
// their fill value. A variable of a file that is not NetCDF (GRIB) has its
// text attributes (PassThrough::attributes); _FillValue, missing_value,
// scale_factor, add_offset, valid_min and valid_max among them are written as
// numbers of the variable's type. A pass-through variable whose name is one the
// output uses for itself (tb, status, message, profile_source, the channel
// coordinates, the derivatives, the dimensions channel, sub_band, bound, level)
// is written as input_<name> with the attribute original_name (see OutputNames).
//
// The variables along the scene dimensions are chunked (about 512 KiB a chunk,
// spread over the scene dimensions from the fastest) and compressed (deflate level 1 with shuffle): a file of millions of scenes
// costs only the chunks written, and a chunk is filled with the fill value only
// when it is first written.
//
// CSV: a header, then one row per scene and channel, its columns in this order:
//   scene, channel, frequency, polarisation, incidence_angle (the channel's
//     calculation: its name, centre, polarisation and the angle used);
//   tb, tb_up, tb_down, opacity, emissivity_v, emissivity_h;
//   the derivatives asked for, a column per surface input or column (level
//     derivatives cannot be written to CSV);
//   sea_surface_temperature (degrees C), sea_water_salinity (per mille),
//     wind_speed (m/s), relative_wind_direction (degrees): the scene's inputs
//     as the models took them;
//   for a grid, a column per scene dimension: the value of its coordinate
//     variable at the scene's index (named as the coordinate), else the index
//     (named as the dimension); then a column per coordinate variable over
//     several dimensions, at the scene's indices;
//   status, message, note and (CSV scenes) profile_source;
//   a column per pass-through variable: the value unpacked (scale_factor,
//     add_offset), empty where it equals the _FillValue or a missing_value, as
//     results that were not computed are empty.
// Fields holding a comma, a double quote or a line break are quoted as RFC 4180
// says; the message, the note and the profile source are always quoted (their
// line breaks become spaces).
//
// When the scenes name their profiles (CSV scenes), the profile each scene used
// ("bundled:NAME" or "file:PATH") is written too: profile_source(scene) in
// NetCDF, the column profile_source in CSV. The name profile_source is the
// output's own in both, whether written or not (see OutputNames).
//
// Both write to a temporary file that replaces the output only when the run is
// complete (output_file.h).
#pragma once

#include <array>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/jacobian.h"
#include "app/sensor.h"
#include "batch/scenes.h"

namespace seasky {

// status(scene, channel) bits: the channel's own; the scene's are kStatusNoCloud ... of scenes.h.
inline constexpr int kStatusRefused = 1;         // not computed: the scene or channel was refused
inline constexpr int kStatusBeyondRange = 2;     // the passband reaches outside 6.75-89 GHz
inline constexpr int kStatusExtrapolated = 4;    // the centre lies outside 6.75-89 GHz (computed on request)

// Every status bit with its word of the CF flag_meanings, in the order of the
// bits: the NetCDF output's flag_masks and flag_meanings and Python's.
struct StatusFlag {
    int mask;
    const char* meaning;
};
inline constexpr std::array<StatusFlag, 7> kStatusFlags{{
    {kStatusRefused, "refused"},
    {kStatusBeyondRange, "passband_beyond_validated_range"},
    {kStatusExtrapolated, "centre_extrapolated"},
    {kStatusNoCloud, "no_cloud_variable"},
    {kStatusStartsHigh, "profile_starts_above_sea"},
    {kStatusEndsLow, "profile_ends_below_channel_levels"},
    {kStatusWindExtended, "wind_beyond_20_m_s"},
}};

// The status of one channel over a scene: refused (1), or computed with its
// passband beyond range (2) and its centre extrapolated (4); either way with
// the scene's flags (Scene::flags: they describe its inputs, which stay what
// they were when a channel is refused) and, for a computed channel, the
// profile ending below the channel's levels (32).
int StatusOf(const Scene& scene, const ChannelOutcome& outcome);

struct RunDescription {
    std::string program;        // e.g. "seasky 0.2.0"
    std::string commandLine;
    ModelSet models;            // the model set of the run
    bool extrapolate = false;
    std::string scenesFile;
    JacobianSelection jacobians;  // the derivatives written (none by default)
    std::size_t levels = 0;       // the scene file's level count
    bool profileSources = false;  // the scenes name their profiles: write each one's source
    std::vector<GridDimension> grid;      // the scenes' dimensions (SceneReader::Grid); empty: {scene, count}
    std::vector<PassThrough> coordinates; // the grid's coordinate variables, whole (SceneReader::Coordinates)
    std::vector<InputSource> sources;     // which input variable fed each quantity (SceneReader::Sources)
    std::string surfaceFile;              // the file of single-level fields, if any
};

// The scenes' part of a run's description, from their reader: the level
// count, whether they name their profiles, the grid, its coordinates and the
// sources of the quantities.
void DescribeScenes(const SceneReader& scenes, RunDescription& run);

// The derivatives of one channel's tb over one scene, as written: only the parts
// selected are filled.
struct ChannelDerivatives {
    std::array<double, kSurfaceInputs> surface{};  // [Index(input)]
    std::array<double, kWaterColumns> columns{};   // [Index(column)]
    std::vector<double> level;      // [Index(quantity) * levels + level], the profile's levels
    std::vector<double> weighting;  // [level]
};
ChannelDerivatives DerivativesOf(const Jacobian& jacobian, JacobianOutput output, const ProfileView& profile,
                                 const JacobianSelection& selection);

class ResultWriter {
public:
    virtual ~ResultWriter() = default;
    // Writes scenes [first, first + count): outcomes[s][c] for scene s and
    // channel c, and derivatives[s][c] when derivatives were asked for.
    virtual void Write(std::size_t first, const std::vector<std::vector<ChannelOutcome>>& outcomes,
                       const std::vector<std::vector<ChannelDerivatives>>& derivatives,
                       const std::vector<Scene>& scenes, std::vector<PassThrough>& passThrough) = 0;
    // Completes the file and gives it its name.
    virtual void Commit() = 0;
    // Removes the temporary file (also done by the destructor unless committed).
    virtual void Abandon() = 0;
    // The pass-through variables written under another name: (scene file's, output's).
    const std::vector<std::pair<std::string, std::string>>& Renamed() const { return renamed_; }

protected:
    std::vector<std::pair<std::string, std::string>> renamed_;
};

// The note of a pass-through variable written under another name.
std::string RenamedNote(const std::string& from, const std::string& to);

// The names the pass-through variables are written under: their own, or, when
// that is a name of reserved or of another of them, "input_" before it (as often
// as it takes). Renaming rather than refusing: a scene file may well carry a
// variable called status or tb (an observation), and the run's results need not
// be lost over a name; the note and the attribute original_name say what was
// renamed.
std::vector<std::string> OutputNames(const std::vector<PassThrough>& passThrough,
                                     const std::vector<std::string>& reserved);
// The names a NetCDF output uses: its variables (every derivative, asked for or
// not, so that the names do not depend on the options) and dimensions but scene.
std::vector<std::string> NetcdfResultNames();
// The columns of a CSV output (every derivative, asked for or not) but the
// grid's.
std::vector<std::string> CsvResultColumns();

// The variable of the derivatives of tb with respect to a quantity of the
// derivative names (kSurfaceInputNames, kColumnNames, kLevelQuantityNames):
// dtb_d<name>; and that of the weighting function.
std::string DerivativeVariable(const std::string& name);
inline constexpr const char* kWeightingVariable = "dtb_weighting";

// A writer chosen by the output's extension (.nc: NetCDF, .csv: CSV); throws
// BatchError. The attributes of the pass-through variables and coordinates
// come from their sourceFile (or text attributes); a variable with neither is
// the NetCDF scene file run.scenesFile's.
std::unique_ptr<ResultWriter> CreateResultWriter(const std::string& path, const Sensor& sensor,
                                                 const std::vector<int>& channels, std::size_t sceneCount,
                                                 const std::vector<PassThrough>& passThrough,
                                                 const RunDescription& run);

}  // namespace seasky
