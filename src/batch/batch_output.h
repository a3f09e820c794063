// Batch results written as NetCDF or CSV, a block of scenes at a time, into a
// temporary file that becomes the output only when the run completes.
//
// NetCDF (netCDF-4): dimensions scene, channel, sub_band (the most sub-bands of
// a channel) and bound (2); per scene and channel tb (the channel's
// polarisation), tb_up, tb_down, opacity, emissivity_v, emissivity_h and
// status; per scene the first refusal's message; the channel coordinates
// channel_name, channel_frequency, channel_passband (lo, hi per sub-band),
// channel_polarisation and channel_incidence_angle; the pass-through variables
// of the scene file; global attributes with the program version, the model
// choices, the sensor, the command line and the date. Values that were not
// computed are NaN (the _FillValue).
//
// With derivatives: dtb_d<x>(scene, channel) for the surface inputs (sst,
// salinity, wind, azimuth, angle) and the columns (lntcwv, lnlwp), and
// dtb_d<x>(scene, channel, level) for the level quantities (airTemperature,
// pressure, humidity, cloud) and dtb_weighting, the weighting function; the
// derivatives of tb, the channel's own polarisation; level the file's level
// (NaN where a scene has none); humidity and cloud water per g/m^3 whatever the
// units of the file.
//
// The pass-through variables keep their type and every attribute of the scene
// file, with all its values (valid_range, flag_values, ...); the scene file's
// _FillValue is their fill value. A pass-through variable whose name is one the
// output uses for itself (tb, status, message, profile_source, the channel
// coordinates, the derivatives, the dimensions channel, sub_band, bound, level)
// is written as input_<name> with the attribute original_name (see OutputNames).
//
// The variables along the scene dimension are chunked (about 512 KiB a chunk)
// and compressed (deflate level 1 with shuffle): a file of millions of scenes
// costs only the chunks written, and a chunk is filled with the fill value only
// when it is first written.
//
// CSV: a header, then one row per scene and channel (derivatives: a column per
// surface input or column; level derivatives cannot be written to CSV), then
// status, message and (CSV scenes) profile_source, and after them a column per
// pass-through variable: the value unpacked (scale_factor, add_offset), empty
// where it equals the _FillValue or a missing_value, as results that were not
// computed are empty. Fields holding a comma, a double quote or a line break are
// quoted as RFC 4180 says; the message and the profile source are always quoted
// (the message's line breaks become spaces).
//
// When the scenes name their profiles (CSV scenes), the profile each scene used
// ("bundled:NAME" or "file:PATH") is written too: profile_source(scene) in
// NetCDF, the column profile_source in CSV. The name profile_source is the
// output's own in both, whether written or not (see OutputNames).
//
// Both write to a temporary file that replaces the output only when the run is
// complete (output_file.h).
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/jacobian.h"
#include "app/sensor.h"
#include "batch/scenes.h"

namespace seasky {

// status(scene, channel) bits.
inline constexpr int kStatusRefused = 1;         // not computed: the scene or channel was refused
inline constexpr int kStatusBeyondRange = 2;     // the passband reaches outside 6.75-89 GHz
inline constexpr int kStatusExtrapolated = 4;    // the centre lies outside 6.75-89 GHz (computed on request)

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
// The columns of a CSV output (every derivative, asked for or not).
std::vector<std::string> CsvResultColumns();

// The variable of the derivatives of tb with respect to a quantity of the
// derivative names (kSurfaceInputNames, kColumnNames, kLevelQuantityNames):
// dtb_d<name>; and that of the weighting function.
std::string DerivativeVariable(const std::string& name);
inline constexpr const char* kWeightingVariable = "dtb_weighting";

// A writer chosen by the output's extension (.nc: NetCDF, .csv: CSV); throws
// BatchError. The pass-through variables come from the NetCDF file
// run.scenesFile, whose attributes are copied.
std::unique_ptr<ResultWriter> CreateResultWriter(const std::string& path, const Sensor& sensor,
                                                 const std::vector<int>& channels, std::size_t sceneCount,
                                                 const std::vector<PassThrough>& passThrough,
                                                 const RunDescription& run);

}  // namespace seasky
