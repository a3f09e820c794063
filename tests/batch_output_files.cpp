// The output files of batch runs: never an input, temporaries that cannot be
// redirected and that killed runs do not leave for good, the scene file's
// variables passed through whole, chunked NetCDF, RFC 4180 CSV, a full disk.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "app/profile_reader.h"
#include "app/sensor.h"
#include "app/standard_atmospheres.h"
#include "batch/batch_output.h"
#include "batch/batch_run.h"
#include "batch/output_file.h"
#include "batch/sensor_file.h"
#include "scene_files.h"
#include "test_support.h"

namespace seasky {
namespace {

namespace fs = std::filesystem;

// A fresh folder for one test's files.
using Folder = test::ScratchFolder;

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void Put(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::vector<test::TestScene> OutputScenes(int n) {
    const char* names[] = {"tropical", "midlatitude-winter", "subarctic-summer", "tropical-cloudy"};
    std::vector<test::TestScene> scenes;
    for (int i = 0; i < n; ++i) {
        test::TestScene s;
        s.profile = ParseProfileText(FindStandardAtmosphere(names[i % 4])->text).profile;
        s.sst = 275.15 + 3.0 * i;
        s.wind = 1.5 * i;
        scenes.push_back(s);
    }
    return scenes;
}

int RunOutputBatch(const std::string& scenes, const std::string& output, std::string* messages = nullptr,
        const std::string& sensor = "amsr2", const std::string& channels = "18.7V,36.5H") {
    BatchOptions options;
    options.scenes = scenes;
    options.sensor = sensor;
    options.output = output;
    options.channels = channels;
    options.threads = 1;
    options.quiet = true;
    options.blockSize = 3;
    options.commandLine = "seasky batch (test)";
    std::ostringstream err;
    const int status = RunBatch(options, err);
    if (messages != nullptr) *messages = err.str();
    return status;
}

// ---- netCDF helpers of these tests ----

int OpenNc(const std::string& path, int mode = NC_NOWRITE) {
    int ncid = -1;
    EXPECT_EQ(nc_open(path.c_str(), mode, &ncid), NC_NOERR) << path;
    return ncid;
}

int VarOf(int ncid, const char* name) {
    int id = -1;
    EXPECT_EQ(nc_inq_varid(ncid, name, &id), NC_NOERR) << name;
    return id;
}

// Adds a variable of dimension scene to a scene file: its values (as doubles,
// converted by the library) and a fill value when given.
void AddSceneVariable(const std::string& path, const char* name, nc_type type, const std::vector<double>& values,
                      const double* fill = nullptr) {
    const int ncid = OpenNc(path, NC_WRITE);
    test::NcCheck(nc_redef(ncid));
    int scene = -1, id = -1;
    test::NcCheck(nc_inq_dimid(ncid, "scene", &scene));
    test::NcCheck(nc_def_var(ncid, name, type, 1, &scene, &id));
    if (fill != nullptr) test::NcCheck(nc_put_att_double(ncid, id, "_FillValue", type, 1, fill));
    test::NcCheck(nc_enddef(ncid));
    test::NcCheck(nc_put_var_double(ncid, id, values.data()));
    test::NcCheck(nc_close(ncid));
}

// ---- the output is never an input ----

TEST(BatchOutput, AnOutputThatIsAnInputFileIsRefusedBeforeComputing) {
    const Folder dir;
    test::WriteSceneFile(dir / "scenes.nc", OutputScenes(2));
    const std::string scenesBytes = Contents(dir / "scenes.nc");
    // A sensor file, a CSV of scenes naming a profile file whose name ends in .csv.
    Put(dir / "sensor.json",
        R"({"name": "one", "channels": [{"name": "c", "centre": 18.7, "bandwidth": 0.2, "polarisation": "V",
            "incidenceAngle": 55}]})");
    Put(dir / "sonde.csv", std::string(FindStandardAtmosphere("tropical")->text));
    Put(dir / "scenes.csv", "profile,sst,salinity,wind,azimuth\nsonde.csv,20,35,5,0\ntropical,25,35,5,0\n");
    // The profile file named only in a late block (the runs below read 3 scenes
    // a block, and a CSV's profiles are read a block at a time).
    std::string late = "profile,sst,salinity,wind,azimuth\n";
    for (int i = 0; i < 10; ++i) late += "tropical,20,35,5,0\n";
    Put(dir / "late.csv", late + "./sonde.csv,20,35,5,0\n");
    fs::create_symlink("scenes.nc", dir / "link.nc");
    fs::create_hard_link(dir / "scenes.nc", dir / "hard.nc");
    fs::create_hard_link(dir / "sensor.json", dir / "sensor.nc");
    fs::create_symlink(dir / "sonde.csv", dir / "sonde-link.csv");
    fs::create_directory(dir / "folder.nc");
    const std::vector<std::string> before = dir.Files();
    struct Case {
        std::string scenes, output, sensor, expected;
    };
    const std::vector<Case> cases = {
        {dir / "scenes.nc", dir / "scenes.nc", "amsr2", "is the scene file"},
        {dir / "scenes.nc", dir / "link.nc", "amsr2", "is the scene file"},
        {dir / "scenes.nc", dir / "hard.nc", "amsr2", "is the scene file"},
        {dir / "scenes.nc", dir / "sensor.nc", dir / "sensor.json", "is the sensor file"},
        {dir / "scenes.csv", dir / "sonde.csv", "amsr2", "is the profile file"},
        {dir / "scenes.csv", dir / "sonde-link.csv", "amsr2", "is the profile file"},
        {dir / "late.csv", dir / "sonde.csv", "amsr2", "is the profile file"},
        {dir / "scenes.csv", dir / "scenes.csv", "amsr2", "is the scene file"},
        {dir / "scenes.nc", dir / "folder.nc", "amsr2", "is a folder"},
    };
    for (const Case& c : cases) {
        std::string messages;
        const std::string channels = c.sensor == "amsr2" ? "18.7V" : "";
        EXPECT_EQ(RunOutputBatch(c.scenes, c.output, &messages, c.sensor, channels), kBatchFailed) << c.output;
        EXPECT_NE(messages.find(c.expected), std::string::npos) << messages;
        EXPECT_EQ(messages.find("Сцен:"), std::string::npos) << "nothing computed: " << messages;
    }
    EXPECT_EQ(Contents(dir / "scenes.nc"), scenesBytes);
    EXPECT_EQ(Contents(dir / "sonde.csv"), FindStandardAtmosphere("tropical")->text);
    EXPECT_NE(Contents(dir / "sensor.json").find("\"one\""), std::string::npos);
    EXPECT_EQ(dir.Files(), before);  // no temporary left either
    // Another name in the same folder is written.
    EXPECT_EQ(RunOutputBatch(dir / "scenes.csv", dir / "out.csv"), kBatchComplete);
}

// ---- temporaries ----

TEST(BatchOutput, TemporariesAreTheRunsOwnAndPlantedLinksAreNotFollowed) {
    const Folder dir;
    test::WriteSceneFile(dir / "scenes.nc", OutputScenes(2));
    Put(dir / "victim.txt", "keep me");
    // The names the temporaries had before: a link planted there made the run
    // overwrite its target.
    const std::string pid = std::to_string(::getpid());
    fs::create_symlink(dir / "victim.txt", dir / (".out.nc.part-" + pid));
    fs::create_symlink(dir / "victim.txt", dir / (".out.csv.part-" + pid));
    const mode_t previous = ::umask(027);
    EXPECT_EQ(RunOutputBatch(dir / "scenes.nc", dir / "out.nc"), kBatchComplete);
    EXPECT_EQ(RunOutputBatch(dir / "scenes.nc", dir / "out.csv"), kBatchComplete);
    ::umask(previous);
    EXPECT_EQ(Contents(dir / "victim.txt"), "keep me");
    EXPECT_EQ(test::ReadDoubles(dir / "out.nc", "tb").size(), 4u);
    // The permissions of any new file: 0666 less the umask.
    EXPECT_EQ(fs::status(dir / "out.nc").permissions(), fs::perms(0640));
    EXPECT_EQ(fs::status(dir / "out.csv").permissions(), fs::perms(0640));

    // The temporary lies in a folder of the run's own, 0700, beside the output;
    // a link planted at the file's name is refused, not followed.
    TemporaryOutput temporary(dir / "t.csv");
    const fs::path folder = fs::path(temporary.File()).parent_path();
    EXPECT_EQ(folder.parent_path(), dir.path);
    EXPECT_EQ(folder.filename().string().rfind(TemporaryPrefix(dir / "t.csv"), 0), 0u);
    EXPECT_EQ(fs::status(folder).permissions(), fs::perms(0700));
    fs::create_symlink(dir / "victim.txt", temporary.File());
    EXPECT_THROW(temporary.Open(), OutputFileError);
    EXPECT_EQ(Contents(dir / "victim.txt"), "keep me");
    temporary.Abandon();
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(fs::exists(dir / "victim.txt"));
}

TEST(BatchOutput, TemporariesOfKilledRunsAreRemovedAndThoseOfLiveRunsKept) {
    const Folder dir;
    const std::string output = dir / "out.nc";
    const std::string prefix = TemporaryPrefix(output);
    // A PID that no longer runs: a child that has ended and been reaped.
    const pid_t dead = ::fork();
    ASSERT_GE(dead, 0);
    if (dead == 0) ::_exit(0);
    ASSERT_EQ(::waitpid(dead, nullptr, 0), dead);
    // A PID that runs: a child waiting until the test ends.
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t live = ::fork();
    ASSERT_GE(live, 0);
    if (live == 0) {
        char c;
        ::close(pipeFds[1]);
        while (::read(pipeFds[0], &c, 1) < 0 && errno == EINTR) {
        }
        ::_exit(0);
    }
    ::close(pipeFds[0]);

    Put(dir / "victim.txt", "keep me");
    fs::create_directory(dir / "elsewhere");
    Put(dir / "elsewhere/inside.txt", "keep me too");
    auto temporary = [&](long pid, const char* suffix, bool withFile) {
        const fs::path folder = dir.path / (prefix + std::to_string(pid) + suffix);
        fs::create_directory(folder);
        if (withFile) {
            Put((folder / "out.nc").string(), "half written");
            fs::create_symlink(dir / "victim.txt", folder / "link");
        }
        return folder;
    };
    const fs::path stale = temporary(dead, "-abc123", true);
    const fs::path ofLiveRun = temporary(live, "-def456", true);
    const fs::path locked = temporary(dead, "-ghi789", true);  // its PID gone, but the lock held: in use
    const int lockFd = ::open(locked.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(::flock(lockFd, LOCK_EX), 0);
    const fs::path oddName = temporary(dead, "-toolong1", false);  // not a temporary's name
    const fs::path otherOutput = dir.path / (".other.nc.part-" + std::to_string(dead) + "-abc123");
    fs::create_directory(otherOutput);
    // A link with a temporary's name, to a folder: left, and the folder's file too.
    const fs::path link = dir.path / (prefix + std::to_string(dead) + "-jkl012");
    fs::create_directory_symlink(dir / "elsewhere", link);

    // A run of the output removes the stale one alone.
    test::WriteSceneFile(dir / "scenes.nc", OutputScenes(1));
    EXPECT_EQ(RunOutputBatch(dir / "scenes.nc", output), kBatchComplete);
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(ofLiveRun / "out.nc"));
    EXPECT_TRUE(fs::exists(locked / "out.nc"));
    EXPECT_TRUE(fs::exists(oddName));
    EXPECT_TRUE(fs::exists(otherOutput));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Contents(dir / "elsewhere/inside.txt"), "keep me too");
    EXPECT_EQ(Contents(dir / "victim.txt"), "keep me");

    // Once the lock is given up and the live run has ended, they go too.
    ::close(lockFd);
    ::close(pipeFds[1]);
    ASSERT_EQ(::waitpid(live, nullptr, 0), live);
    RemoveStaleTemporaries(output);
    EXPECT_FALSE(fs::exists(locked));
    EXPECT_FALSE(fs::exists(ofLiveRun));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Contents(dir / "victim.txt"), "keep me");
}

// ---- pass-through variables ----

TEST(BatchOutput, PassThroughVariablesKeepTheirFillValuesAndEveryAttribute) {
    const Folder dir;
    test::WriteSceneFile(dir / "scenes.nc", OutputScenes(4));
    const double timeFill = -999.0, qualityFill = -1.0;
    AddSceneVariable(dir / "scenes.nc", "time", NC_DOUBLE, {1.5, -999.0, 3.25, 4.0}, &timeFill);
    AddSceneVariable(dir / "scenes.nc", "quality", NC_SHORT, {10, -1, 100, 7}, &qualityFill);
    AddSceneVariable(dir / "scenes.nc", "orbit", NC_INT64, {0, 1, 2, 3});
    {
        const int ncid = OpenNc(dir / "scenes.nc", NC_WRITE);
        test::NcCheck(nc_redef(ncid));
        const int quality = VarOf(ncid, "quality"), time = VarOf(ncid, "time");
        const short range[2] = {0, 100};
        test::NcCheck(nc_put_att_short(ncid, quality, "valid_range", NC_SHORT, 2, range));
        const float scale = 0.5f;
        test::NcCheck(nc_put_att_float(ncid, quality, "scale_factor", NC_FLOAT, 1, &scale));
        const short missing[2] = {-1, 999};
        test::NcCheck(nc_put_att_short(ncid, quality, "missing_value", NC_SHORT, 2, missing));
        test::PutText(ncid, time, "units", "days since 2000-01-01");
        const long long orbits[4] = {9007199254740993ll, 1, 2, 3};  // 2^53 + 1, which a double cannot hold
        test::NcCheck(nc_enddef(ncid));
        test::NcCheck(nc_put_var_longlong(ncid, VarOf(ncid, "orbit"), orbits));
        test::NcCheck(nc_redef(ncid));
        const char* flags[2] = {"good", "bad"};
        test::NcCheck(nc_put_att_string(ncid, quality, "flag_meanings_list", 2, flags));
        test::NcCheck(nc_close(ncid));
    }
    ASSERT_EQ(RunOutputBatch(dir / "scenes.nc", dir / "out.nc"), kBatchComplete);
    const int ncid = OpenNc(dir / "out.nc");
    const int time = VarOf(ncid, "time"), quality = VarOf(ncid, "quality");
    // The fill values are the variables' own, of their type.
    int noFill = 1;
    double fill = 0.0;
    ASSERT_EQ(nc_inq_var_fill(ncid, time, &noFill, &fill), NC_NOERR);
    EXPECT_EQ(noFill, 0);
    EXPECT_EQ(fill, -999.0);
    short shortFill = 0;
    ASSERT_EQ(nc_inq_var_fill(ncid, quality, &noFill, &shortFill), NC_NOERR);
    EXPECT_EQ(shortFill, -1);
    nc_type type;
    std::size_t length = 0;
    ASSERT_EQ(nc_inq_att(ncid, quality, "_FillValue", &type, &length), NC_NOERR);
    EXPECT_EQ(type, NC_SHORT);
    // Every attribute with its type and all its values.
    ASSERT_EQ(nc_inq_att(ncid, quality, "valid_range", &type, &length), NC_NOERR);
    EXPECT_EQ(type, NC_SHORT);
    ASSERT_EQ(length, 2u);
    short range[2] = {};
    nc_get_att_short(ncid, quality, "valid_range", range);
    EXPECT_EQ(range[0], 0);
    EXPECT_EQ(range[1], 100);
    ASSERT_EQ(nc_inq_att(ncid, quality, "scale_factor", &type, &length), NC_NOERR);
    EXPECT_EQ(type, NC_FLOAT);
    ASSERT_EQ(nc_inq_att(ncid, quality, "flag_meanings_list", &type, &length), NC_NOERR);
    EXPECT_EQ(type, NC_STRING);
    EXPECT_EQ(length, 2u);
    std::vector<short> values(4);
    nc_get_var_short(ncid, quality, values.data());
    EXPECT_EQ(values, (std::vector<short>{10, -1, 100, 7}));
    long long orbit = 0;
    const std::size_t first[1] = {0};
    nc_get_var1_longlong(ncid, VarOf(ncid, "orbit"), first, &orbit);
    EXPECT_EQ(orbit, 9007199254740993ll);  // 2^53 + 1: not through a double
    nc_close(ncid);
    EXPECT_EQ(test::AttributeText(dir / "out.nc", "time", "units"), "days since 2000-01-01");

    // CSV: a column per variable, unpacked, empty where missing (as a result not computed is).
    ASSERT_EQ(RunOutputBatch(dir / "scenes.nc", dir / "out.csv"), kBatchComplete);
    const test::CsvText csv = test::ReadCsvText(dir / "out.csv");
    const auto column = [&csv](const std::string& name) {
        const auto at = std::find(csv.names.begin(), csv.names.end(), name);
        EXPECT_NE(at, csv.names.end()) << name;
        return static_cast<std::size_t>(at - csv.names.begin());
    };
    ASSERT_EQ(csv.rows.size(), 8u);  // 4 scenes, 2 channels
    const auto field = [&](std::size_t row, const std::string& name) {
        const std::vector<std::string>& r = csv.rows[row];
        const std::size_t c = column(name);
        return c < r.size() ? r[c] : std::string();  // a trailing empty field
    };
    EXPECT_EQ(field(0, "time"), "1.5");
    EXPECT_EQ(field(2, "time"), "");
    EXPECT_EQ(field(3, "time"), "");
    EXPECT_EQ(field(4, "time"), "3.25");
    EXPECT_EQ(field(0, "quality"), "5");
    EXPECT_EQ(field(2, "quality"), "");
    EXPECT_EQ(field(4, "quality"), "50");
    EXPECT_EQ(field(6, "quality"), "3.5");
    EXPECT_EQ(field(0, "orbit"), "9007199254740993");
}

TEST(BatchOutput, PassThroughVariablesNamedAsResultsAreRenamed) {
    const Folder dir;
    test::WriteSceneFile(dir / "scenes.nc", OutputScenes(3));
    AddSceneVariable(dir / "scenes.nc", "tb", NC_FLOAT, {200.5, 210.0, 220.0});
    AddSceneVariable(dir / "scenes.nc", "input_tb", NC_INT, {1, 2, 3});
    AddSceneVariable(dir / "scenes.nc", "message", NC_DOUBLE, {4, 5, 6});
    AddSceneVariable(dir / "scenes.nc", "channel", NC_DOUBLE, {7, 8, 9});
    AddSceneVariable(dir / "scenes.nc", "frequency", NC_DOUBLE, {10, 11, 12});
    std::string messages;
    ASSERT_EQ(RunOutputBatch(dir / "scenes.nc", dir / "out.nc", &messages), kBatchComplete) << messages;
    EXPECT_NE(messages.find("Scene variable tb is written as input_input_tb"), std::string::npos) << messages;
    EXPECT_EQ(test::ReadDoubles(dir / "out.nc", "tb").size(), 6u);  // the results: 3 scenes, 2 channels
    EXPECT_EQ(test::ReadDoubles(dir / "out.nc", "input_input_tb"), (std::vector<double>{200.5, 210, 220}));
    EXPECT_EQ(test::AttributeText(dir / "out.nc", "input_input_tb", "original_name"), "tb");
    EXPECT_EQ(test::ReadDoubles(dir / "out.nc", "input_tb"), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(test::AttributeText(dir / "out.nc", "input_tb", "original_name"), "");
    EXPECT_EQ(test::ReadDoubles(dir / "out.nc", "input_message"), (std::vector<double>{4, 5, 6}));
    EXPECT_EQ(test::ReadDoubles(dir / "out.nc", "input_channel"), (std::vector<double>{7, 8, 9}));
    EXPECT_EQ(test::ReadDoubles(dir / "out.nc", "frequency"), (std::vector<double>{10, 11, 12}));
    EXPECT_EQ(test::ReadStrings(dir / "out.nc", "message").size(), 3u);
    // CSV: frequency is a column of the results there.
    ASSERT_EQ(RunOutputBatch(dir / "scenes.nc", dir / "out.csv", &messages), kBatchComplete) << messages;
    EXPECT_NE(messages.find("frequency is written as input_frequency"), std::string::npos) << messages;
    const test::CsvText csv = test::ReadCsvText(dir / "out.csv");
    const std::vector<std::string> tail(csv.names.end() - 5, csv.names.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"input_input_tb", "input_tb", "input_message", "input_channel",
                                              "input_frequency"}));
    EXPECT_EQ(csv.rows[2].at(2), "18.7");     // the channel's frequency, scene 1
    EXPECT_EQ(csv.rows[2].back(), "11");      // the scene file's frequency
}

TEST(BatchOutput, APassThroughVariableNamedProfileSourceIsRenamed) {
    // profile_source is a result name (the profile of CSV scenes) in both kinds
    // of output, whether this run writes it or not.
    const Folder dir;
    test::WriteSceneFile(dir / "scenes.nc", OutputScenes(2));
    AddSceneVariable(dir / "scenes.nc", "profile_source", NC_INT, {3, 4});
    std::string messages;
    ASSERT_EQ(RunOutputBatch(dir / "scenes.nc", dir / "out.nc", &messages), kBatchComplete) << messages;
    EXPECT_NE(messages.find("Scene variable profile_source is written as input_profile_source"), std::string::npos)
        << messages;
    EXPECT_EQ(test::ReadDoubles(dir / "out.nc", "input_profile_source"), (std::vector<double>{3, 4}));
    EXPECT_EQ(test::AttributeText(dir / "out.nc", "input_profile_source", "original_name"), "profile_source");
    ASSERT_EQ(RunOutputBatch(dir / "scenes.nc", dir / "out.csv", &messages), kBatchComplete) << messages;
    const test::CsvText csv = test::ReadCsvText(dir / "out.csv");
    EXPECT_EQ(csv.names.back(), "input_profile_source");
    EXPECT_EQ(std::count(csv.names.begin(), csv.names.end(), "profile_source"), 0);
    ASSERT_EQ(csv.rows.size(), 4u);
    EXPECT_EQ(csv.rows[3].back(), "4");
}

// ---- chunked NetCDF ----

TEST(BatchOutput, AMillionsOfScenesOutputCostsOnlyTheChunksWritten) {
    // Two million scenes declared, three written: contiguous variables made the
    // first write allocate and NaN-fill all of them (some 1.4 GB).
    const Folder dir;
    const Sensor amsr2 = LoadSensor("amsr2").sensor;
    const std::vector<int> channels = SelectChannels(amsr2, "").indices;
    RunDescription run;
    run.program = "seasky (test)";
    const std::size_t scenes = 2'000'000;
    std::unique_ptr<ResultWriter> writer = CreateResultWriter(dir / "out.nc", amsr2, channels, scenes, {}, run);
    std::vector<std::vector<ChannelOutcome>> outcomes(3, std::vector<ChannelOutcome>(channels.size()));
    for (std::size_t s = 0; s < 3; ++s)
        for (ChannelOutcome& o : outcomes[s]) {
            o.computed = true;
            o.tb = 200.0 + s;
        }
    std::vector<PassThrough> none;
    writer->Write(0, outcomes, {}, std::vector<Scene>(3), none);
    writer->Commit();
    EXPECT_LT(fs::file_size(dir / "out.nc"), 4u << 20);
    const int ncid = OpenNc(dir / "out.nc");
    for (const char* name : {"tb", "tb_up", "status", "message"}) {
        const int id = VarOf(ncid, name);
        int storage = -1;
        std::size_t chunk[2] = {};
        ASSERT_EQ(nc_inq_var_chunking(ncid, id, &storage, chunk), NC_NOERR);
        EXPECT_EQ(storage, NC_CHUNKED) << name;
        EXPECT_LT(chunk[0], scenes) << name;
        EXPECT_GE(chunk[0], 1u) << name;
        if (std::string(name) == "message") continue;
        int shuffle = 0, deflate = 0, level = 0;
        ASSERT_EQ(nc_inq_var_deflate(ncid, id, &shuffle, &deflate, &level), NC_NOERR);
        EXPECT_EQ(deflate, 1) << name;
        EXPECT_GE(level, 1);
    }
    // Written values, and NaN (the fill) where nothing was written.
    double tb = 0.0;
    const std::size_t written[2] = {2, 5}, last[2] = {scenes - 1, 13};
    ASSERT_EQ(nc_get_var1_double(ncid, VarOf(ncid, "tb"), written, &tb), NC_NOERR);
    EXPECT_EQ(tb, 202.0);
    ASSERT_EQ(nc_get_var1_double(ncid, VarOf(ncid, "tb"), last, &tb), NC_NOERR);
    EXPECT_TRUE(std::isnan(tb));
    nc_close(ncid);
    EXPECT_EQ(test::AttributeText(dir / "out.nc", "tb", "units"), "K");
}

// ---- CSV quoting ----

// The records of a CSV text, read as RFC 4180 says.
std::vector<std::vector<std::string>> Rfc4180(const std::string& text) {
    std::vector<std::vector<std::string>> records(1, std::vector<std::string>(1));
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        std::string& field = records.back().back();
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') field += text[++i];
            else if (c == '"') quoted = false;
            else field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            records.back().emplace_back();
        } else if (c == '\n') {
            records.emplace_back(1);
        } else if (c != '\r') {
            field += c;
        }
    }
    if (records.back() == std::vector<std::string>(1)) records.pop_back();
    return records;
}

TEST(BatchOutput, CsvFieldsWithCommasQuotesAndLineBreaksAreQuoted) {
    const Folder dir;
    Put(dir / "odd.json", R"({"name": "odd", "channels": [
        {"name": "18V,a", "centre": 18.7, "bandwidth": 0.2, "polarisation": "V", "incidenceAngle": 55},
        {"name": "say \"18H\"", "centre": 18.7, "bandwidth": 0.2, "polarisation": "H", "incidenceAngle": 55},
        {"name": "two\nlines", "centre": 36.5, "bandwidth": 1.0, "polarisation": "V", "incidenceAngle": 55}]})");
    Put(dir / "scenes.csv", "profile,sst,salinity,wind,azimuth\ntropical,20,35,5,0\ntropical,25,35,50,0\n");
    ASSERT_EQ(RunOutputBatch(dir / "scenes.csv", dir / "out.csv", nullptr, dir / "odd.json", ""), kBatchRefusals);
    const std::vector<std::vector<std::string>> records = Rfc4180(Contents(dir / "out.csv"));
    ASSERT_EQ(records.size(), 7u);  // the header, 2 scenes x 3 channels
    for (const std::vector<std::string>& r : records) EXPECT_EQ(r.size(), records[0].size());
    EXPECT_EQ(records[1][1], "18V,a");
    EXPECT_EQ(records[2][1], "say \"18H\"");
    EXPECT_EQ(records[3][1], "two\nlines");
    EXPECT_EQ(records[4][0], "1");
    // The message, the scene's note and, CSV scenes naming their profiles, the
    // profile's source after them.
    const auto column = [&](const std::string& name) {
        return static_cast<std::size_t>(std::find(records[0].begin(), records[0].end(), name) - records[0].begin());
    };
    ASSERT_EQ(column("note"), column("message") + 1);
    ASSERT_EQ(column("profile_source"), column("note") + 1);
    ASSERT_EQ(column("profile_source") + 1, records[0].size());
    EXPECT_NE(records[4][column("message")].find("скорости ветра"), std::string::npos);
    EXPECT_EQ(records[4][column("profile_source")], "bundled:tropical");
    // Fields that need no quotes have none: an ordinary row is as before.
    EXPECT_EQ(CsvField("18.7V"), "18.7V");
    EXPECT_EQ(Contents(dir / "out.csv").rfind("scene,channel,frequency,polarisation,incidence_angle,tb,", 0), 0u);
}

TEST(BatchOutput, ACsvBlockLargerThanTheWriteBufferKeepsEveryRowOnce) {
    // One block of 3000 refused scenes (nothing to compute) over every AMSR2
    // channel: some 40 000 rows, several MiB of text, handed to the file in
    // parts while the block is written. Every row is there once, in order.
    const Folder dir;
    constexpr std::size_t kScenes = 3000;
    std::string scenes = "profile,sst,salinity,wind,azimuth\n";
    for (std::size_t i = 0; i < kScenes; ++i) scenes += "tropical,warm,35,5,0\n";
    Put(dir / "scenes.csv", scenes);
    BatchOptions options;
    options.scenes = dir / "scenes.csv";
    options.sensor = "amsr2";
    options.output = dir / "out.csv";
    options.threads = 1;
    options.quiet = true;
    options.blockSize = kScenes;
    std::ostringstream err;
    ASSERT_EQ(RunBatch(options, err), kBatchRefusals) << err.str();
    const std::size_t channels = LoadSensor("amsr2").sensor.channels.size();
    const std::string text = Contents(dir / "out.csv");
    ASSERT_GT(text.size(), std::size_t{4} << 20);
    const std::vector<std::vector<std::string>> records = Rfc4180(text);
    ASSERT_EQ(records.size(), 1 + kScenes * channels);
    for (std::size_t r = 1; r < records.size(); ++r) {
        ASSERT_EQ(records[r].size(), records[0].size()) << r;
        ASSERT_EQ(records[r][0], std::to_string((r - 1) / channels)) << r;
        ASSERT_EQ(records[r].back(), "bundled:tropical") << r;
    }
}

// ---- a full disk ----

// A tmpfs of 32 MiB mounted for the test (root only; the test is skipped where
// mounting is not permitted), filled but for a few KiB.
class SmallDisk {
public:
    explicit SmallDisk(const fs::path& at) : path_(at) {
        fs::create_directories(at);
        mounted_ = ::mount("tmpfs", at.c_str(), "tmpfs", 0, "size=32m") == 0;
    }
    ~SmallDisk() {
        if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
    }
    bool Mounted() const { return mounted_; }
    // Fills the disk, then frees `room` bytes.
    void LeaveRoom(std::size_t room) {
        const std::string filler = (path_ / "filler").string();
        const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        const std::string block(4096, 'x');
        std::size_t size = 0;
        while (::write(fd, block.data(), block.size()) == static_cast<ssize_t>(block.size())) size += block.size();
        ASSERT_GE(size, room);
        ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(size - room)), 0);
        ::close(fd);
    }

private:
    fs::path path_;
    bool mounted_ = false;
};

using test::FilesIn;

TEST(BatchOutput, AFullDiskIsReportedAsSuchAndLeavesNoFile) {
    // Writing to /dev/full fails as a full disk does.
    const int full = ::open("/dev/full", O_WRONLY);
    if (full >= 0) {
        EXPECT_EQ(WriteAll(full, "some bytes"), ENOSPC);
        ::close(full);
    }
    EXPECT_EQ(std::string(OutputFileError(OutputFileError::Step::Write, "/x/out.csv", ENOSPC).what()),
              "Cannot write /x/out.csv: disk full (no space left on the device)");

    const Folder dir;
    SmallDisk disk(dir.path / "disk");
    if (!disk.Mounted()) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    std::string scenes = "profile,sst,salinity,wind,azimuth\n";
    for (int i = 0; i < 120; ++i) scenes += "tropical,20,35," + std::to_string(i % 15) + ",0\n";
    Put(dir / "scenes.csv", scenes);
    // A disk nearly full from the start: CSV fails at its rows; NetCDF before
    // computing anything (it cannot keep the room it needs to complete its file).
    disk.LeaveRoom(8192);
    for (const char* name : {"out.csv", "out.nc"}) {
        const std::string output = (dir.path / "disk" / name).string();
        std::string messages;
        EXPECT_EQ(RunOutputBatch(dir / "scenes.csv", output, &messages, "amsr2", "18.7V,36.5V"), kBatchFailed)
            << name;
        EXPECT_NE(messages.find("Cannot write " + output + ": disk full"), std::string::npos) << messages;
        EXPECT_EQ(messages.find("HDF error"), std::string::npos) << messages;
        EXPECT_EQ(FilesIn(dir.path / "disk"), (std::vector<std::string>{"filler"})) << name;
    }

    // A disk that fills while the NetCDF output is written: the write fails as
    // a full disk, the file is completed and removed (HDF5 left a file whose
    // flush failed in a state that crashed the process at its exit).
    disk.LeaveRoom(24u << 20);
    const Sensor amsr2 = LoadSensor("amsr2").sensor;
    const std::vector<int> channels = SelectChannels(amsr2, "").indices;
    RunDescription run;
    const std::size_t total = 200'000, block = 4096;
    std::unique_ptr<ResultWriter> writer =
        CreateResultWriter((dir.path / "disk" / "out.nc").string(), amsr2, channels, total, {}, run);
    disk.LeaveRoom(0);
    std::vector<std::vector<ChannelOutcome>> outcomes(block, std::vector<ChannelOutcome>(channels.size()));
    unsigned state = 1;
    std::vector<PassThrough> none;
    std::string message;
    for (std::size_t first = 0; first < total && message.empty(); first += block) {
        for (auto& scene : outcomes)
            for (ChannelOutcome& o : scene) {
                o.computed = true;
                state = state * 1664525u + 1013904223u;  // values that do not compress away
                o.tb = o.result.tbUp = o.result.tbDown = o.result.opacity = state * 1e-7;
            }
        try {
            writer->Write(first, outcomes, {}, std::vector<Scene>(block), none);
        } catch (const BatchError& e) {
            message = e.what();
        }
    }
    EXPECT_NE(message.find("disk full"), std::string::npos) << message;
    writer.reset();
    EXPECT_EQ(FilesIn(dir.path / "disk"), (std::vector<std::string>{"filler"}));
}

}  // namespace
}  // namespace seasky
