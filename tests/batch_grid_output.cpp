// Batch results over a grid of scenes (e.g. valid_time x latitude x longitude of
// a reanalysis): the output's dimensions are the grid's, a block of scenes is
// written as boxes of the grid, the grid's coordinates once; the status bits of
// the scenes' flags, their notes and the record of the inputs; CSV columns of
// the inputs and the grid coordinates. A reader of the tests' own gives the
// grid, so that these do not depend on a reader of gridded files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "app/channel_request.h"
#include "app/jacobian.h"
#include "batch/batch_output.h"
#include "batch/grid_boxes.h"
#include "batch/scene_loop.h"
#include "batch/sensor_file.h"
#include "scene_files.h"
#include "test_support.h"

namespace seasky {
namespace {

// The grid of the tests: valid_time x latitude x longitude.
constexpr std::size_t kTimes = 2, kLatitudes = 3, kLongitudes = 4;
constexpr std::size_t kGridScenes = kTimes * kLatitudes * kLongitudes;
constexpr std::int64_t kTimeValues[kTimes] = {1700000000, 1700021600};  // seconds since 1970, 6 h apart
constexpr double kLatitudeValues[kLatitudes] = {60.0, 59.75, 59.5};
constexpr float kLongitudeValues[kLongitudes] = {10.0f, 10.25f, 10.5f, 10.75f};
constexpr float kSkinFill = -999.0f;

// The scene of number s: the bundled atmospheres in turn under varied seas;
// scene 5 has flags (no cloud variable, a profile starting above the sea) and
// their note, scene 9 a flag and a salinity no channel accepts (every channel
// refused, its flag kept).
Scene GridScene(std::size_t s) {
    const char* names[] = {"tropical", "midlatitude-summer", "subarctic-winter", "tropical-cloudy"};
    Scene scene;
    scene.profile = test::Bundled(names[s % 4]);
    scene.levelIndex.resize(scene.profile.levelCount);
    for (int i = 0; i < scene.profile.levelCount; ++i) scene.levelIndex[i] = i;
    scene.surface.seaTemperature = 2.0 + 1.25 * static_cast<double>(s);
    scene.surface.salinity = 30.0 + 0.25 * static_cast<double>(s % 7);
    scene.surface.wind = 0.5 * static_cast<double>(s);
    scene.surface.azimuth = 15.0 * static_cast<double>(s);
    if (s == 5) {
        scene.flags = kStatusNoCloud | kStatusStartsHigh;
        scene.note = "computed without cloud; the profile starts 50 m above the sea";
    }
    if (s == 9) {
        scene.surface.salinity = 95.0;
        scene.flags = kStatusWindExtended;
        scene.note = "wind beyond 20 m/s";
    }
    return scene;
}

// Scenes of GridScene, as a grid with its coordinates or as a list.
class FakeGridReader final : public SceneReader {
public:
    struct Options {
        bool grid;
        bool timeCoordinate;       // valid_time has a coordinate variable
        std::string latitudeFile;  // a NetCDF file latitude's attributes come from (empty: text)
    };
    explicit FakeGridReader(bool grid, bool timeCoordinate = true, std::string latitudeFile = {})
        : options_{grid, timeCoordinate, std::move(latitudeFile)} {}

    std::size_t SceneCount() const override { return kGridScenes; }
    bool HasIncidenceAngle() const override { return false; }
    std::size_t LevelCount() const override {
        std::size_t most = 0;
        for (std::size_t s = 0; s < 4; ++s) most = std::max<std::size_t>(most, GridScene(s).profile.levelCount);
        return most;
    }
    void Read(std::size_t first, std::size_t count, std::vector<Scene>& scenes) override {
        scenes.resize(count);
        for (std::size_t i = 0; i < count; ++i) scenes[i] = GridScene(first + i);
    }
    std::vector<PassThrough> PassThroughVariables() const override {
        PassThrough skin;
        skin.name = "skt";
        skin.type = NC_FLOAT;
        skin.valueBytes = sizeof(float);
        skin.attributes = {{"units", "K"}, {"long_name", "Skin temperature"}, {"_FillValue", "-999"}};
        return {skin};
    }
    void ReadPassThrough(std::size_t first, std::size_t count, std::vector<PassThrough>& variables) override {
        for (PassThrough& v : variables) {
            std::vector<float> values(count);
            for (std::size_t i = 0; i < count; ++i) values[i] = SkinOf(first + i);
            v.data.resize(count * sizeof(float));
            std::memcpy(v.data.data(), values.data(), v.data.size());
        }
    }
    std::vector<GridDimension> Grid() const override {
        if (!options_.grid) return SceneReader::Grid();
        return {{"valid_time", kTimes}, {"latitude", kLatitudes}, {"longitude", kLongitudes}};
    }
    std::vector<PassThrough> Coordinates() const override {
        if (!options_.grid) return {};
        std::vector<PassThrough> coordinates;
        if (options_.timeCoordinate)
            coordinates.push_back(Coordinate("valid_time", NC_INT64, kTimeValues, sizeof kTimeValues, 8,
                                             {{"standard_name", "time"}, {"units", "seconds since 1970-01-01"}}));
        PassThrough latitude = Coordinate("latitude", NC_DOUBLE, kLatitudeValues, sizeof kLatitudeValues, 8,
                                          {{"standard_name", "latitude"}, {"units", "degrees_north"}});
        if (!options_.latitudeFile.empty()) {
            latitude.attributes.clear();
            latitude.sourceFile = options_.latitudeFile;
        }
        coordinates.push_back(latitude);
        coordinates.push_back(Coordinate("longitude", NC_FLOAT, kLongitudeValues, sizeof kLongitudeValues, 4,
                                         {{"standard_name", "longitude"}, {"units", "degrees_east"}}));
        return coordinates;
    }
    std::vector<InputSource> Sources() const override {
        return {{"height", "z [geopotential, m**2 s**-2] of pl.nc: height = z / g, geometric"},
                {"seaTemperature", "sst [K] of sfc.nc"}};
    }

    // The skin temperature of scene s; scene 3 has none.
    static float SkinOf(std::size_t s) { return s == 3 ? kSkinFill : 280.0f + 0.5f * static_cast<float>(s); }

private:
    static PassThrough Coordinate(const char* name, int type, const void* values, std::size_t bytes,
                                  std::size_t valueBytes,
                                  std::vector<std::pair<std::string, std::string>> attributes) {
        PassThrough c;
        c.name = name;
        c.type = type;
        c.dims = {name};
        c.attributes = std::move(attributes);
        c.data.resize(bytes);
        std::memcpy(c.data.data(), values, bytes);
        c.valueBytes = valueBytes;
        return c;
    }

    Options options_;
};

const Sensor& Amsr2() {
    static const Sensor sensor = LoadSensor("amsr2").sensor;
    return sensor;
}

const std::vector<int>& GridChannels() {
    static const std::vector<int> channels = SelectChannels(Amsr2(), "18.7V,36.5H").indices;
    return channels;
}

// The scenes of reader computed and written to output a block of blockSize
// scenes at a time, as seasky batch does; jacobians: --jacobians (empty: none).
void WriteScenes(SceneReader& reader, const std::string& output, std::size_t blockSize,
                 const std::string& jacobians = "", const std::string& surfaceFile = "") {
    RunDescription run;
    run.program = "seasky test";
    run.commandLine = "seasky batch (test)";
    run.scenesFile = "grid.grib";
    run.surfaceFile = surfaceFile;
    if (!jacobians.empty()) {
        ASSERT_FALSE(ParseJacobianSelection(jacobians, run.jacobians).has_value());
    }
    DescribeScenes(reader, run);
    std::vector<PassThrough> passThrough = reader.PassThroughVariables();
    std::unique_ptr<ResultWriter> writer =
        CreateResultWriter(output, Amsr2(), GridChannels(), reader.SceneCount(), passThrough, run);
    const SceneChannels what{Amsr2(), GridChannels(), ModelSet{}, false, !jacobians.empty(), run.jacobians};
    SceneLoop loop;
    loop.scenes = reader.SceneCount();
    loop.blockSize = blockSize;
    loop.read = [&](std::size_t first, std::size_t count, std::vector<Scene>& block) {
        reader.Read(first, count, block);
        reader.ReadPassThrough(first, count, passThrough);
    };
    loop.write = [&](std::size_t first, const SceneBlock& block) {
        writer->Write(first, block.outcomes, block.derivatives, block.scenes, passThrough);
    };
    loop.stop = [] { return false; };
    RunSceneLoop(what, loop);
    writer->Commit();
}

// The names and lengths of a variable's dimensions.
std::vector<std::pair<std::string, std::size_t>> DimsOf(const std::string& path, const char* variable) {
    int ncid = -1, var = -1, count = 0;
    EXPECT_EQ(nc_open(path.c_str(), NC_NOWRITE, &ncid), NC_NOERR);
    EXPECT_EQ(nc_inq_varid(ncid, variable, &var), NC_NOERR) << variable;
    nc_inq_varndims(ncid, var, &count);
    std::vector<int> ids(count);
    nc_inq_vardimid(ncid, var, ids.data());
    std::vector<std::pair<std::string, std::size_t>> dims;
    for (int id : ids) {
        char name[NC_MAX_NAME + 1];
        std::size_t length = 0;
        nc_inq_dim(ncid, id, name, &length);
        dims.emplace_back(name, length);
    }
    nc_close(ncid);
    return dims;
}

// The strings of a variable of any shape, in the file's order.
std::vector<std::string> AllStrings(const std::string& path, const char* variable) {
    int ncid = -1, var = -1;
    EXPECT_EQ(nc_open(path.c_str(), NC_NOWRITE, &ncid), NC_NOERR);
    EXPECT_EQ(nc_inq_varid(ncid, variable, &var), NC_NOERR) << variable;
    std::size_t n = 1;
    for (const auto& d : DimsOf(path, variable)) n *= d.second;
    std::vector<char*> raw(n);
    EXPECT_EQ(nc_get_var_string(ncid, var, raw.data()), NC_NOERR);
    std::vector<std::string> values;
    for (char* s : raw) values.emplace_back(s != nullptr ? s : "");
    nc_free_string(n, raw.data());
    nc_close(ncid);
    return values;
}

// Equal element by element, NaN equal to NaN.
::testing::AssertionResult SameValues(const std::vector<double>& a, const std::vector<double>& b) {
    if (a.size() != b.size()) return ::testing::AssertionFailure() << a.size() << " values, not " << b.size();
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!(a[i] == b[i] || (std::isnan(a[i]) && std::isnan(b[i]))))
            return ::testing::AssertionFailure() << "at " << i << ": " << a[i] << " vs " << b[i];
    return ::testing::AssertionSuccess();
}

TEST(BatchGridOutput, AGridWrittenInBlocksThatCutRowsHoldsTheValuesOfTheSameScenesAsAList) {
    const test::ScratchFolder dir;
    FakeGridReader list(false);
    WriteScenes(list, dir / "list.nc", 3, "wind,airTemperature");
    // The list is today's file: dimension scene.
    EXPECT_EQ(DimsOf(dir / "list.nc", "tb"),
              (std::vector<std::pair<std::string, std::size_t>>{{"scene", kGridScenes}, {"channel", 2}}));
    const char* numbers[] = {"tb", "tb_up", "opacity", "emissivity_h", "status", "skt", "dtb_dwind",
                             "dtb_dairTemperature", "height"};
    for (std::size_t block : {5u, 7u, 24u}) {
        SCOPED_TRACE("block of " + std::to_string(block));
        FakeGridReader grid(true);
        WriteScenes(grid, dir / "grid.nc", block, "wind,airTemperature");
        EXPECT_EQ(DimsOf(dir / "grid.nc", "tb"), (std::vector<std::pair<std::string, std::size_t>>{
                                                     {"valid_time", 2}, {"latitude", 3}, {"longitude", 4}, {"channel", 2}}));
        EXPECT_EQ(DimsOf(dir / "grid.nc", "skt"), (std::vector<std::pair<std::string, std::size_t>>{
                                                      {"valid_time", 2}, {"latitude", 3}, {"longitude", 4}}));
        EXPECT_EQ(DimsOf(dir / "grid.nc", "dtb_dairTemperature").size(), 5u);
        EXPECT_EQ(DimsOf(dir / "grid.nc", "height").size(), 4u);
        for (const char* name : numbers)
            EXPECT_TRUE(SameValues(test::ReadDoubles(dir / "grid.nc", name), test::ReadDoubles(dir / "list.nc", name)))
                << name;
        for (const char* name : {"message", "note"})
            EXPECT_EQ(AllStrings(dir / "grid.nc", name), AllStrings(dir / "list.nc", name)) << name;
    }
    // The values are the scenes' own, in the grid's row-major order: scene 23
    // (valid_time 1, latitude 2, longitude 3) and scene 6 (0, 1, 2) are the
    // sensor calculation of those scenes.
    const std::vector<double> tb = test::ReadDoubles(dir / "grid.nc", "tb");
    for (std::size_t s : {6u, 23u}) {
        const Scene scene = GridScene(s);
        const std::vector<ChannelOutcome> expected =
            CalculateChannels(Amsr2(), GridChannels(), scene.surface, ViewOf(scene.profile));
        for (std::size_t c = 0; c < 2; ++c) {
            ASSERT_TRUE(expected[c].computed);
            EXPECT_EQ(tb[s * 2 + c], expected[c].tb) << "scene " << s << " channel " << c;
        }
    }
    // The height coordinate holds each scene's profile heights.
    const std::vector<double> height = test::ReadDoubles(dir / "grid.nc", "height");
    const std::size_t levels = height.size() / kGridScenes;
    for (std::size_t s : {0u, 13u}) {
        const ProfileStore profile = GridScene(s).profile;
        for (std::size_t l = 0; l < levels; ++l) {
            if (l < profile.height.size()) EXPECT_EQ(height[s * levels + l], profile.height[l]);
            else EXPECT_TRUE(std::isnan(height[s * levels + l]));
        }
    }
    EXPECT_EQ(test::AttributeText(dir / "grid.nc", "dtb_dairTemperature", "coordinates"), "height");
    EXPECT_EQ(test::AttributeText(dir / "grid.nc", "tb", "coordinates"), "");  // dimension coordinates suffice
}

TEST(BatchGridOutput, TheCoordinatesAreWrittenOnceWithTheirAttributesAndThePassThroughOverTheGrid) {
    const test::ScratchFolder dir;
    // latitude's attributes come from a NetCDF file: copied with their types.
    {
        int ncid = -1, dim = -1, var = -1;
        test::NcCheck(nc_create((dir / "sfc.nc").c_str(), NC_NETCDF4, &ncid));
        test::NcCheck(nc_def_dim(ncid, "latitude", kLatitudes, &dim));
        test::NcCheck(nc_def_var(ncid, "latitude", NC_DOUBLE, 1, &dim, &var));
        test::PutText(ncid, var, "standard_name", "latitude");
        test::PutText(ncid, var, "units", "degrees_north");
        const double range[2] = {-90.0, 90.0};
        test::NcCheck(nc_put_att_double(ncid, var, "valid_range", NC_DOUBLE, 2, range));
        test::NcCheck(nc_close(ncid));
    }
    FakeGridReader grid(true, true, dir / "sfc.nc");
    WriteScenes(grid, dir / "out.nc", 5, "", "sfc.nc");
    const std::string out = dir / "out.nc";
    EXPECT_EQ(DimsOf(out, "latitude"), (std::vector<std::pair<std::string, std::size_t>>{{"latitude", 3}}));
    EXPECT_EQ(DimsOf(out, "longitude"), (std::vector<std::pair<std::string, std::size_t>>{{"longitude", 4}}));
    EXPECT_EQ(test::ReadDoubles(out, "latitude"), (std::vector<double>{60.0, 59.75, 59.5}));
    EXPECT_EQ(test::ReadDoubles(out, "longitude"), (std::vector<double>{10.0, 10.25, 10.5, 10.75}));
    EXPECT_EQ(test::ReadDoubles(out, "valid_time"), (std::vector<double>{1700000000.0, 1700021600.0}));
    EXPECT_EQ(test::AttributeText(out, "latitude", "units"), "degrees_north");
    EXPECT_EQ(test::AttributeText(out, "valid_time", "units"), "seconds since 1970-01-01");
    EXPECT_EQ(test::AttributeText(out, "longitude", "standard_name"), "longitude");
    int ncid = -1, var = -1;
    ASSERT_EQ(nc_open(out.c_str(), NC_NOWRITE, &ncid), NC_NOERR);
    // The copied valid_range keeps its type and values.
    ASSERT_EQ(nc_inq_varid(ncid, "latitude", &var), NC_NOERR);
    nc_type type;
    std::size_t length = 0;
    ASSERT_EQ(nc_inq_att(ncid, var, "valid_range", &type, &length), NC_NOERR);
    EXPECT_EQ(type, NC_DOUBLE);
    EXPECT_EQ(length, 2u);
    // skt's text _FillValue is its fill value, a float as the variable.
    ASSERT_EQ(nc_inq_varid(ncid, "skt", &var), NC_NOERR);
    int noFill = 1;
    float fill = 0.0f;
    ASSERT_EQ(nc_inq_var_fill(ncid, var, &noFill, &fill), NC_NOERR);
    EXPECT_EQ(noFill, 0);
    EXPECT_EQ(fill, kSkinFill);
    nc_close(ncid);
    const std::vector<double> skin = test::ReadDoubles(out, "skt");
    for (std::size_t s = 0; s < kGridScenes; ++s) EXPECT_EQ(skin[s], static_cast<double>(FakeGridReader::SkinOf(s))) << s;
    // The record of the inputs.
    EXPECT_EQ(test::GlobalText(out, "input_height"), "z [geopotential, m**2 s**-2] of pl.nc: height = z / g, geometric");
    EXPECT_EQ(test::GlobalText(out, "input_seaTemperature"), "sst [K] of sfc.nc");
    EXPECT_EQ(test::GlobalText(out, "surface_file"), "sfc.nc");
    EXPECT_EQ(test::GlobalText(out, "scenes"), "grid.grib");
}

TEST(BatchGridOutput, TheStatusCarriesTheScenesFlagsAndTheNoteSaysWhy) {
    const test::ScratchFolder dir;
    FakeGridReader grid(true);
    WriteScenes(grid, dir / "out.nc", 7);
    const std::string out = dir / "out.nc";
    const std::vector<double> status = test::ReadDoubles(out, "status");
    const std::vector<std::string> notes = AllStrings(out, "note");
    const std::vector<std::string> messages = AllStrings(out, "message");
    for (std::size_t c = 0; c < 2; ++c) {
        EXPECT_EQ(status[5 * 2 + c], 8 + 16) << c;     // computed, no cloud variable, starting above the sea
        EXPECT_EQ(status[9 * 2 + c], 1 + 64) << c;     // refused (salinity), its wind flag kept
        EXPECT_EQ(status[4 * 2 + c], 0) << c;          // an ordinary scene
    }
    EXPECT_EQ(notes[5], "computed without cloud; the profile starts 50 m above the sea");
    EXPECT_EQ(notes[9], "wind beyond 20 m/s");
    EXPECT_EQ(notes[4], "");
    EXPECT_NE(messages[9].find("солености"), std::string::npos) << messages[9];
    EXPECT_EQ(messages[5], "");
    // CF flags: each bit its word.
    EXPECT_EQ(test::AttributeText(out, "status", "flag_meanings"),
              "refused passband_beyond_validated_range centre_extrapolated no_cloud_variable "
              "profile_starts_above_sea profile_ends_below_channel_levels wind_beyond_20_m_s");
    int ncid = -1, var = -1;
    ASSERT_EQ(nc_open(out.c_str(), NC_NOWRITE, &ncid), NC_NOERR);
    ASSERT_EQ(nc_inq_varid(ncid, "status", &var), NC_NOERR);
    signed char masks[7] = {};
    std::size_t length = 0;
    ASSERT_EQ(nc_inq_attlen(ncid, var, "flag_masks", &length), NC_NOERR);
    ASSERT_EQ(length, 7u);
    ASSERT_EQ(nc_get_att_schar(ncid, var, "flag_masks", masks), NC_NOERR);
    nc_close(ncid);
    EXPECT_EQ(std::vector<int>(masks, masks + 7), (std::vector<int>{1, 2, 4, 8, 16, 32, 64}));
    // A channel whose profile ends below its levels: bit 32 beside the channel's own.
    Scene scene;
    scene.flags = kStatusNoCloud;
    ChannelOutcome outcome;
    outcome.computed = true;
    outcome.extrapolated = true;
    outcome.profileEndsLow = true;
    EXPECT_EQ(StatusOf(scene, outcome), 4 + 8 + 32);
}

TEST(BatchGridOutput, CsvRowsCarryTheScenesInputsAndTheirGridCoordinates) {
    const test::ScratchFolder dir;
    FakeGridReader grid(true, false);
    WriteScenes(grid, dir / "grid.csv", 5);
    const test::CsvText csv = test::ReadCsvText(dir / "grid.csv");
    ASSERT_EQ(csv.rows.size(), kGridScenes * 2);
    auto column = [&](const std::string& name) {
        const auto at = std::find(csv.names.begin(), csv.names.end(), name);
        EXPECT_NE(at, csv.names.end()) << name;
        return static_cast<std::size_t>(at - csv.names.begin());
    };
    // The order: ..., the results, the inputs, the grid, status, message, note, the pass-through.
    const std::vector<std::string> expected = {"sea_surface_temperature", "sea_water_salinity", "wind_speed",
                                               "relative_wind_direction", "valid_time", "latitude", "longitude",
                                               "status", "message", "note", "skt"};
    ASSERT_EQ(column("emissivity_h") + 1, column("sea_surface_temperature"));
    for (std::size_t k = 0; k + 1 < expected.size(); ++k)
        EXPECT_EQ(column(expected[k]) + 1, column(expected[k + 1])) << expected[k];
    for (std::size_t s = 0; s < kGridScenes; ++s) {
        const Scene scene = GridScene(s);
        const std::vector<std::string>& row = csv.rows[s * 2 + 1];
        ASSERT_EQ(row[column("scene")], std::to_string(s));
        EXPECT_EQ(std::stod(row[column("sea_surface_temperature")]), scene.surface.seaTemperature);
        EXPECT_EQ(std::stod(row[column("sea_water_salinity")]), scene.surface.salinity);
        EXPECT_EQ(std::stod(row[column("wind_speed")]), scene.surface.wind);
        EXPECT_EQ(std::stod(row[column("relative_wind_direction")]), scene.surface.azimuth);
        // valid_time has no coordinate here: its index; the others their coordinate's value.
        EXPECT_EQ(row[column("valid_time")], std::to_string(s / 12));
        EXPECT_EQ(std::stod(row[column("latitude")]), kLatitudeValues[(s / 4) % 3]);
        EXPECT_EQ(std::stof(row[column("longitude")]), kLongitudeValues[s % 4]);
        if (s == 3) EXPECT_EQ(row[column("skt")], "");  // the fill value: missing
        else EXPECT_EQ(std::stof(row[column("skt")]), FakeGridReader::SkinOf(s));
        EXPECT_EQ(std::stoi(row[column("status")]), s == 5 ? 24 : s == 9 ? 65 : 0);
    }
    EXPECT_EQ(csv.rows[10][column("note")], "\"computed without cloud; the profile starts 50 m above the sea\"");
    // A list of scenes has the inputs but no grid columns.
    FakeGridReader list(false);
    WriteScenes(list, dir / "list.csv", 5);
    const std::vector<std::string> names = test::ReadCsvText(dir / "list.csv").names;
    EXPECT_EQ(std::count(names.begin(), names.end(), "wind_speed"), 1);
    EXPECT_EQ(std::count(names.begin(), names.end(), "latitude"), 0);
    EXPECT_EQ(names.size(), csv.names.size() - 3);
}

// A grid as large as a year of a reanalysis costs only the chunks written, each
// of about 512 KiB, spread over the fastest dimensions first.
TEST(BatchGridOutput, ChunksSpreadTheirBudgetOverTheGridFromTheFastestDimension) {
    const test::ScratchFolder dir;
    RunDescription run;
    run.scenesFile = "era5.grib";
    run.grid = {{"valid_time", 1460}, {"latitude", 721}, {"longitude", 1440}};
    std::unique_ptr<ResultWriter> writer =
        CreateResultWriter(dir / "big.nc", Amsr2(), GridChannels(), 1460u * 721u * 1440u, {}, run);
    writer->Commit();
    int ncid = -1, var = -1, storage = -1;
    ASSERT_EQ(nc_open((dir / "big.nc").c_str(), NC_NOWRITE, &ncid), NC_NOERR);
    std::size_t chunks[4] = {};
    ASSERT_EQ(nc_inq_varid(ncid, "tb", &var), NC_NOERR);
    ASSERT_EQ(nc_inq_var_chunking(ncid, var, &storage, chunks), NC_NOERR);
    // A row of longitudes of both channels is 1440 x 2 x 8 bytes = 23040: 22 rows fit in 512 KiB.
    EXPECT_EQ(std::vector<std::size_t>(chunks, chunks + 4), (std::vector<std::size_t>{1, 22, 1440, 2}));
    ASSERT_EQ(nc_inq_varid(ncid, "message", &var), NC_NOERR);
    ASSERT_EQ(nc_inq_var_chunking(ncid, var, &storage, chunks), NC_NOERR);
    // A message counts 256 bytes: 1440 x 256 = 368640, one row.
    EXPECT_EQ(std::vector<std::size_t>(chunks, chunks + 3), (std::vector<std::size_t>{1, 1, 1440}));
    nc_close(ncid);
    EXPECT_LT(std::filesystem::file_size(dir / "big.nc"), 1u << 20);
}

// How xarray, as users open the files, sees a grid's output: the coordinates
// of its dimensions, the channel index, tb's standard name, the height of the
// level derivatives. Skipped where Python has no xarray.
TEST(BatchGridOutput, XarrayOpensTheGridWithItsCoordinatesAndChannelIndex) {
    if (std::system("/usr/bin/python3 -c 'import xarray, netCDF4' >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "no xarray with netCDF4 for /usr/bin/python3";
    const test::ScratchFolder dir;
    FakeGridReader grid(true);
    WriteScenes(grid, dir / "grid.nc", 7, "airTemperature");
    const std::vector<double> tb = test::ReadDoubles(dir / "grid.nc", "tb");
    std::ofstream(dir / "check.py") << R"(import sys
import numpy as np
import xarray as xr
ds = xr.open_dataset(sys.argv[1])
tb = ds.tb.sel(channel="36.5H")
assert tb.dims == ("valid_time", "latitude", "longitude"), tb.dims
assert set(ds.tb.coords) >= {"valid_time", "latitude", "longitude", "channel"}, list(ds.tb.coords)
assert ds.tb.attrs["standard_name"] == "toa_brightness_temperature"
assert str(ds.valid_time.dtype).startswith("datetime64"), ds.valid_time.dtype
assert float(ds.latitude[2]) == 59.5
assert "height" in ds.dtb_dairTemperature.coords
print(repr(float(tb.isel(valid_time=1, latitude=2, longitude=3))))
)";
    const std::string command = "/usr/bin/python3 " + (dir / "check.py") + " " + (dir / "grid.nc") + " > " +
                                (dir / "answer.txt") + " 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream answer(dir / "answer.txt");
    const std::string text((std::istreambuf_iterator<char>(answer)), std::istreambuf_iterator<char>());
    ASSERT_EQ(status, 0) << text;
    EXPECT_EQ(std::stod(text), tb[23 * 2 + 1]);
}

}  // namespace
}  // namespace seasky
