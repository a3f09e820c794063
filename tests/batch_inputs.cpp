// Hostile and unusual inputs of batch runs: scene files that declare more than
// they hold, pipes given as files, the byte-order marks and line ends of CSV
// scenes, duplicate keys in sensor files, how a CSV names its profiles, and the
// limit on threads.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/profile_reader.h"
#include "app/sensor.h"
#include "app/standard_atmospheres.h"
#include "batch/batch_run.h"
#include "batch/scenes.h"
#include "batch/sensor_file.h"
#include "fifo_file.h"
#include "scene_files.h"
#include "test_support.h"

namespace seasky {
namespace {

namespace fs = std::filesystem;

using test::Bundled;

// A fresh folder for one test's files.
using Folder = test::ScratchFolder;

std::vector<test::TestScene> InputScenes(int n) {
    const char* names[] = {"tropical", "midlatitude-winter", "subarctic-summer"};
    std::vector<test::TestScene> scenes;
    for (int i = 0; i < n; ++i) {
        test::TestScene s;
        s.profile = Bundled(names[i % 3]);
        s.sst = 280.0 + i;
        s.wind = 1.0 + i;
        scenes.push_back(s);
    }
    return scenes;
}

int RunInputBatch(const std::string& scenes, const std::string& output, std::string* messages = nullptr,
        const std::string& sensor = "amsr2", int threads = 1) {
    BatchOptions options;
    options.scenes = scenes;
    options.sensor = sensor;
    options.channels = sensor == "amsr2" ? "18.7V" : "";
    options.output = output;
    options.threads = threads;
    options.quiet = true;
    options.blockSize = 4;
    options.commandLine = "seasky batch (test)";
    std::ostringstream err;
    const int status = RunBatch(options, err);
    if (messages != nullptr) *messages = err.str();
    return status;
}

std::string WithThousands(std::uintmax_t n) {
    std::string digits = std::to_string(n), text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
        text += digits[i];
    }
    return text;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(SceneFileExtent, AClassicFileCutShortIsRefusedAtOnceNamingTheBytes) {
    // Classic, 64-bit-offset and CDF-5 files, with the scenes as a fixed and as
    // the record dimension, and a 2-byte flag whose records are padded: an
    // intact file is read; cut to half (an interrupted copy) or by its last
    // byte, it is refused before anything is computed, naming the bytes the
    // header declares, which are the intact file's size.
    const Folder dir;
    const std::vector<test::TestScene> scenes = InputScenes(7);
    for (const int format : {0, NC_64BIT_OFFSET, NC_64BIT_DATA})
        for (const bool record : {false, true}) {
            const std::string what = "format " + std::to_string(format) + (record ? ", records" : ", fixed");
            test::SceneFileLayout layout;
            layout.format = format;
            layout.unlimitedScenes = record;
            layout.withQualityFlag = true;
            test::WriteSceneFile(dir / "scenes.nc", scenes, layout);
            std::string messages;
            ASSERT_EQ(RunInputBatch(dir / "scenes.nc", dir / "out.nc", &messages), kBatchComplete) << what << messages;
            EXPECT_EQ(test::ReadDoubles(dir / "out.nc", "qc"), (std::vector<double>{0, 1, 2, 0, 1, 2, 0})) << what;
            fs::remove(dir / "out.nc");
            const std::uintmax_t size = fs::file_size(dir / "scenes.nc");
            for (const std::uintmax_t cut : {size / 2, size - 1}) {
                test::WriteSceneFile(dir / "scenes.nc", scenes, layout);
                fs::resize_file(dir / "scenes.nc", cut);
                EXPECT_EQ(RunInputBatch(dir / "scenes.nc", dir / "out.nc", &messages), kBatchFailed) << what;
                EXPECT_NE(messages.find("scenes.nc: file truncated: it declares 7 scenes (" + WithThousands(size) +
                                        " bytes) but holds " + WithThousands(cut) + " bytes"),
                          std::string::npos)
                    << what << ": " << messages;
                EXPECT_EQ(dir.Files(), (std::vector<std::string>{"scenes.nc"})) << what;
            }
        }
}

TEST(SceneFileExtent, AClassicHeaderClaimingMillionsOfRecordsIsRefusedAtOnce) {
    // Three scenes written as records, then the header's record count (bytes
    // 4-7, big-endian) set to 2,000,000: the missing records would read as
    // zeros, every scene refused as too cold, into an output of half a gigabyte.
    const Folder dir;
    test::SceneFileLayout layout;
    layout.format = 0;
    layout.unlimitedScenes = true;
    test::WriteSceneFile(dir / "scenes.nc", InputScenes(3), layout);
    {
        std::fstream file(dir / "scenes.nc", std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(4);
        const unsigned char records[4] = {0x00, 0x1E, 0x84, 0x80};  // 2,000,000
        file.write(reinterpret_cast<const char*>(records), 4);
    }
    std::string messages;
    EXPECT_EQ(RunInputBatch(dir / "scenes.nc", dir / "out.nc", &messages), kBatchFailed);
    EXPECT_NE(messages.find("file truncated: it declares 2000000 scenes ("), std::string::npos) << messages;
    EXPECT_NE(messages.find("but holds " + WithThousands(fs::file_size(dir / "scenes.nc")) + " bytes"),
              std::string::npos)
        << messages;
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"scenes.nc"}));
}

// A netCDF-4 scene file whose variables are defined, with their units, and
// never written (deflate > 0: compressed).
void DefineOnly(const std::string& path, std::size_t scenes, std::size_t levels, int deflate) {
    int ncid = -1, scene = -1, level = -1;
    test::NcCheck(nc_create(path.c_str(), NC_CLOBBER | NC_NETCDF4, &ncid));
    test::NcCheck(nc_def_dim(ncid, "scene", scenes, &scene));
    test::NcCheck(nc_def_dim(ncid, "level", levels, &level));
    const int sl[2] = {scene, level};
    const std::pair<const char*, const char*> quantities[] = {
        {"height", "m"}, {"air_temperature", "K"}, {"air_pressure", "hPa"},
        {"mass_concentration_of_water_vapor_in_air", "g m-3"}, {"sea_surface_temperature", "K"},
        {"sea_water_salinity", "1e-3"}, {"wind_speed", "m s-1"}, {"relative_wind_direction", "degree"}};
    for (std::size_t q = 0; q < std::size(quantities); ++q) {
        int var = -1;
        test::NcCheck(nc_def_var(ncid, quantities[q].first, NC_DOUBLE, q < 4 ? 2 : 1, q < 4 ? sl : &scene, &var));
        if (deflate > 0) test::NcCheck(nc_def_var_deflate(ncid, var, 1, 1, deflate));
        test::PutText(ncid, var, "units", quantities[q].second);
    }
    test::NcCheck(nc_close(ncid));
}

TEST(SceneFileExtent, ANetcdf4FileWhoseValuesWereNeverWrittenIsRefused) {
    // 2,000,000 scenes of 36 levels declared in a file of a few kilobytes: as
    // they are (576 MB a profile variable) or deflated (deflate keeps at least
    // 1/1032 of them, 558 KB a profile variable).
    const Folder dir;
    for (const int deflate : {0, 4}) {
        DefineOnly(dir / "scenes.nc", 2'000'000, 36, deflate);
        std::string messages;
        EXPECT_EQ(RunInputBatch(dir / "scenes.nc", dir / "out.nc", &messages), kBatchFailed) << deflate;
        EXPECT_NE(messages.find("the file declares 2000000 scenes, whose values take at least"), std::string::npos)
            << messages;
        EXPECT_NE(messages.find("it was cut short or its values were never written"), std::string::npos) << messages;
        EXPECT_EQ(dir.Files(), (std::vector<std::string>{"scenes.nc"}));
    }
    // A deflated file that holds its values is read, however well they compress:
    // 400 scenes of one atmosphere.
    std::vector<test::TestScene> same(400);
    for (test::TestScene& s : same) s.profile = Bundled("tropical");
    test::SceneFileLayout layout;
    layout.deflateLevel = 9;
    test::WriteSceneFile(dir / "same.nc", same, layout);
    std::string messages;
    EXPECT_EQ(RunInputBatch(dir / "same.nc", dir / "out.nc", &messages), kBatchComplete) << messages;
}

TEST(BatchInputs, PipesAreRefusedUnopened) {
    // Opening a FIFO waits for a writer, and the run's Ctrl-C handler would not
    // end that wait: scene files, sensor files and the profiles a CSV names are
    // refused as what they are.
    const Folder dir;
    test::WriteSceneFile(dir / "good.nc", InputScenes(2));
    std::string messages;
    for (const char* name : {"scenes.nc", "scenes.csv"}) {
        const test::Fifo fifo(dir.path / name);
        ASSERT_TRUE(fifo.made());
        EXPECT_EQ(RunInputBatch(fifo.path(), dir / "out.nc", &messages), kBatchFailed);
        EXPECT_EQ(messages, "Scene file " + fifo.path() + " is a pipe (FIFO), not a regular file: give a file\n");
    }
    {
        const test::Fifo fifo(dir.path / "sensor.json");
        EXPECT_EQ(RunInputBatch(dir / "good.nc", dir / "out.nc", &messages, fifo.path()), kBatchFailed);
        EXPECT_EQ(messages, "Sensor file " + fifo.path() + " is a pipe (FIFO), not a regular file: give a file\n");
        EXPECT_EQ(RunInputBatch(dir / "good.nc", dir / "out.nc", &messages, "/dev/null"), kBatchFailed);
        EXPECT_EQ(messages, "Sensor file /dev/null is a device, not a regular file: give a file\n");
    }
    EXPECT_EQ(RunInputBatch(dir.path.string(), dir / "out.nc", &messages), kBatchFailed);
    EXPECT_NE(messages.find("is a folder, not a regular file"), std::string::npos) << messages;
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"good.nc"}));
    // A profile that is a pipe refuses its scene; the others are computed.
    const test::Fifo fifo(dir.path / "sonde.fifo");
    std::ofstream(dir / "scenes.csv") << "profile,sst,salinity,wind,azimuth\ntropical,20,35,5,0\nsonde.fifo,20,35,5,0\n";
    EXPECT_EQ(RunInputBatch(dir / "scenes.csv", dir / "out.nc", &messages), kBatchRefusals) << messages;
    const std::vector<std::string> why = test::ReadStrings(dir / "out.nc", "message");
    EXPECT_EQ(why[0], "");
    EXPECT_EQ(why[1], "Строка 2: Ошибка в файле профиля: это не обычный файл (канал, устройство или сокет), профиль "
                      "читается только из файла: " + fifo.path());
}

TEST(CsvScenes, AByteOrderMarkAndEveryKindOfLineEndReadAlike) {
    // Spreadsheets start a UTF-8 file with a byte-order mark; old Mac programs
    // end lines with CR alone. Each variant gives the output of plain LF lines.
    const Folder dir;
    std::ofstream(dir / "sonde.txt") << FindStandardAtmosphere("subarctic-winter")->text;
    const std::string lines[] = {"profile,sst,salinity,wind,azimuth,angle", "tropical,28,35,5,0,",
                                 "sonde.txt,2,33,12,90,53", "", "us-standard,15,35,30,0,"};
    auto join = [&](const std::string& bom, const std::string& end) {
        std::string text = bom;
        for (const std::string& l : lines) text += l + end;
        return text;
    };
    std::ofstream(dir / "plain.csv", std::ios::binary) << join("", "\n");
    ASSERT_EQ(RunInputBatch(dir / "plain.csv", dir / "plain-out.csv"), kBatchRefusals);  // a wind of 30 m/s
    const std::string expected = ReadText(dir / "plain-out.csv");
    EXPECT_EQ(std::count(expected.begin(), expected.end(), '\n'), 4);  // the header and three scenes
    const std::string bom = "\xEF\xBB\xBF";
    for (const auto& [start, end] : {std::pair{bom, std::string("\n")}, {std::string(), std::string("\r")},
                                     {std::string(), std::string("\r\n")}, {bom, std::string("\r")}}) {
        std::ofstream(dir / "variant.csv", std::ios::binary) << join(start, end);
        std::string messages;
        ASSERT_EQ(RunInputBatch(dir / "variant.csv", dir / "out.csv", &messages), kBatchRefusals) << messages;
        EXPECT_EQ(ReadText(dir / "out.csv"), expected) << "line end " << static_cast<int>(end[0]);
    }
    // The last line may lack its end; a line longer than 1 MiB is refused.
    std::ofstream(dir / "variant.csv", std::ios::binary) << join("", "\n").substr(0, join("", "\n").size() - 1);
    ASSERT_EQ(RunInputBatch(dir / "variant.csv", dir / "out.csv"), kBatchRefusals);
    EXPECT_EQ(ReadText(dir / "out.csv"), expected);
    std::ofstream(dir / "long.csv", std::ios::binary) << lines[0] << "\n" << std::string((1 << 20) + 1, 'x');
    std::string messages;
    EXPECT_EQ(RunInputBatch(dir / "long.csv", dir / "long-out.csv", &messages), kBatchFailed);
    EXPECT_NE(messages.find("long.csv: line 2 is longer than 1 MiB"), std::string::npos) << messages;
}

TEST(CsvScenes, ABundledNameAlwaysMeansTheBundledAtmosphere) {
    // A file called "tropical" beside the CSV (holding another atmosphere) does
    // not replace the bundled one: "tropical" is the bundled atmosphere, and
    // "./tropical" the file. The run says so, and the output names each scene's
    // profile.
    const Folder dir;
    std::ofstream(dir / "tropical") << FindStandardAtmosphere("subarctic-winter")->text;
    std::ofstream(dir / "scenes.csv") << "profile,sst,salinity,wind,azimuth\ntropical,20,35,5,0\n"
                                         "./tropical,20,35,5,0\nmissing.txt,20,35,5,0\n";
    std::string messages;
    ASSERT_EQ(RunInputBatch(dir / "scenes.csv", dir / "out.nc", &messages), kBatchRefusals);
    EXPECT_NE(messages.find("Note: " + (dir / "scenes.csv") + " names \"tropical\": the bundled atmosphere is used, "
                            "not the file " + (dir / "tropical") + " (write ./tropical for the file)"),
              std::string::npos)
        << messages;
    const Sensor amsr2 = LoadSensor("amsr2").sensor;
    const std::vector<int> channel = SelectChannels(amsr2, "18.7V").indices;
    const SceneSurface surface{20.0, 35.0, 5.0, 0.0, std::nullopt};
    const std::vector<double> tb = test::ReadDoubles(dir / "out.nc", "tb");
    EXPECT_EQ(tb[0], CalculateChannels(amsr2, channel, surface, ViewOf(Bundled("tropical")))[0].tb);
    EXPECT_EQ(tb[1], CalculateChannels(amsr2, channel, surface, ViewOf(Bundled("subarctic-winter")))[0].tb);
    EXPECT_NE(tb[0], tb[1]);
    EXPECT_EQ(test::ReadStrings(dir / "out.nc", "profile_source"),
              (std::vector<std::string>{"bundled:tropical", "file:" + (dir / "./tropical"),
                                        "file:" + (dir / "missing.txt")}));
    // CSV output: a last column (after the scene's note).
    ASSERT_EQ(RunInputBatch(dir / "scenes.csv", dir / "out.csv"), kBatchRefusals);
    const std::string csv = ReadText(dir / "out.csv");
    EXPECT_EQ(csv.substr(0, csv.find('\n')).substr(csv.find(",status,message")),
              ",status,message,note,profile_source");
    EXPECT_NE(csv.find(",\"bundled:tropical\"\n"), std::string::npos) << csv;
    // Without the file, the same result for "tropical"; no note.
    fs::remove(dir / "tropical");
    ASSERT_EQ(RunInputBatch(dir / "scenes.csv", dir / "again.nc", &messages), kBatchRefusals);
    EXPECT_EQ(messages.find("Note"), std::string::npos) << messages;
    EXPECT_EQ(test::ReadDoubles(dir / "again.nc", "tb")[0], tb[0]);
    // A NetCDF scene file holds its profiles: no profile_source.
    test::WriteSceneFile(dir / "scenes.nc", InputScenes(2));
    ASSERT_EQ(RunInputBatch(dir / "scenes.nc", dir / "from-nc.nc"), kBatchComplete);
    int ncid = -1, var = -1;
    test::NcCheck(nc_open((dir / "from-nc.nc").c_str(), NC_NOWRITE, &ncid));
    EXPECT_EQ(nc_inq_varid(ncid, "profile_source", &var), NC_ENOTVAR);
    nc_close(ncid);
}

TEST(CsvScenes, ASoundingFileIsAProfileAndItsNotesAreSaidOnce) {
    // An IGRA 2 file named by two scenes: read as the profile its reader gives,
    // its notes printed once.
    const Folder dir;
    std::ifstream sounding(std::string(SEASKY_TEST_DATA) + "/sounding-igra2.txt", std::ios::binary);
    std::ofstream(dir / "sounding.txt", std::ios::binary) << sounding.rdbuf();
    std::ofstream(dir / "scenes.csv") << "profile,sst,salinity,wind,azimuth\nsounding.txt,20,35,5,0\n"
                                         "sounding.txt,25,35,5,0\n";
    std::string messages;
    ASSERT_EQ(RunInputBatch(dir / "scenes.csv", dir / "out.nc", &messages), kBatchComplete) << messages;
    const std::string note = "Note: " + (dir / "sounding.txt") + ": Station XXM00099902, sounding of 2024-07-15 00 UTC";
    const std::size_t at = messages.find(note);
    EXPECT_NE(at, std::string::npos) << messages;
    EXPECT_EQ(messages.find(note, at + 1), std::string::npos) << messages;
    EXPECT_NE(messages.find((dir / "sounding.txt") + ": A sounding carries no cloud water"), std::string::npos);
    const ProfileReadResult read = ReadProfileFile(dir / "sounding.txt");
    ASSERT_TRUE(read.ok) << read.message;
    const Sensor amsr2 = LoadSensor("amsr2").sensor;
    const std::vector<int> channel = SelectChannels(amsr2, "18.7V").indices;
    const std::vector<double> tb = test::ReadDoubles(dir / "out.nc", "tb");
    EXPECT_EQ(tb[0], CalculateChannels(amsr2, channel, {20.0, 35.0, 5.0, 0.0, std::nullopt}, ViewOf(read.profile))[0].tb);
}

TEST(CsvScenes, AProfileThatGrowsDuringTheRunRefusesItsScene) {
    // The first pass sizes the output's level dimension by the profiles' levels;
    // a file that has more when its block is read refuses its scene instead of
    // overrunning that dimension.
    const Folder dir;
    std::ofstream(dir / "sonde.txt") << "2\n0 288 1013 10 0\n1000 281 900 7 0\n";
    std::ofstream(dir / "scenes.csv") << "profile,sst,salinity,wind,azimuth\nsonde.txt,20,35,5,0\n";
    const std::unique_ptr<SceneReader> reader = OpenScenes(dir / "scenes.csv");
    EXPECT_EQ(reader->LevelCount(), 2u);
    std::ofstream(dir / "sonde.txt") << "3\n0 288 1013 10 0\n1000 281 900 7 0\n2000 275 795 4 0\n";
    std::vector<Scene> scenes;
    reader->Read(0, 1, scenes);
    ASSERT_TRUE(scenes[0].failure);
    EXPECT_EQ(scenes[0].failure->message, "Строка 1: файл профиля " + (dir / "sonde.txt") +
                                              " изменился во время расчёта: в нём 3 уровней, а в начале расчёта было "
                                              "не больше 2.");
    EXPECT_EQ(scenes[0].profile.levelCount, 0);
}

TEST(SensorFileKeys, AKeyGivenTwiceIsRefusedNamingItAndWhere) {
    const std::string channel = R"({"name": "a", "centre": 10, "bandwidth": 0.1, "polarisation": "V",
                                    "incidenceAngle": 53})";
    auto sensor = [](const std::string& head, const std::string& channels) {
        return "{" + head + R"("name": "x", "channels": [)" + channels + "]}";
    };
    const std::pair<std::string, std::string> cases[] = {
        {sensor(R"("name": "y", )", channel), "the key \"name\" appears twice in the top-level object"},
        {sensor("", channel + R"(, {"name": "b", "centre": 10, "centre": 12, "bandwidth": 0.1, "polarisation": "V",
                                    "incidenceAngle": 53})"),
         "the key \"centre\" appears twice in channels[1] (channel 2)"},
        {sensor("", R"({"name": "a", "centre": 10, "sidebands": {"ifLow": 1, "ifHigh": 2, "ifLow": 0.5},
                        "polarisation": "V", "incidenceAngle": 53})"),
         "the key \"ifLow\" appears twice in channels[0].sidebands (channel 1)"},
        {R"({"name": "x", "sources": [{"a": 1, "a": 2}], "channels": [])",
         "the key \"a\" appears twice in sources[0]"},
    };
    for (const auto& [text, expected] : cases) {
        const SensorReadResult r = ParseSensorText(text, "test.json");
        EXPECT_FALSE(r.ok) << text;
        EXPECT_EQ(r.message, "Sensor file test.json: " + expected);
    }
    // The same key in different objects is no repetition.
    const SensorReadResult two = ParseSensorText(sensor("", channel + ", " + std::string(channel).replace(10, 1, "b")),
                                                 "test.json");
    EXPECT_TRUE(two.ok) << two.message;
    EXPECT_EQ(two.sensor.channels.size(), 2u);
    // A file is read by the same rule.
    const Folder dir;
    std::ofstream(dir / "sensor.json") << std::get<0>(cases[1]);
    const SensorReadResult file = LoadSensor(dir / "sensor.json");
    EXPECT_EQ(file.message, "Sensor file " + (dir / "sensor.json") + ": " + std::get<1>(cases[1]));
}

TEST(BatchRun, ThreadsBeyondTheLimitAreRefused) {
    const Folder dir;
    test::WriteSceneFile(dir / "scenes.nc", InputScenes(3));
    std::string messages;
    const int most = MaxThreads();
    EXPECT_EQ(RunInputBatch(dir / "scenes.nc", dir / "out.nc", &messages, "amsr2", most + 1), kBatchFailed);
    EXPECT_NE(messages.find("--threads " + std::to_string(most + 1) + " is more than the " + std::to_string(most) +
                            " this machine allows"),
              std::string::npos)
        << messages;
    EXPECT_EQ(RunInputBatch(dir / "scenes.nc", dir / "out.nc", &messages, "amsr2", -1), kBatchFailed);
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"scenes.nc"}));
    EXPECT_EQ(RunInputBatch(dir / "scenes.nc", dir / "out.nc", &messages, "amsr2", most), kBatchComplete) << messages;
}

}  // namespace
}  // namespace seasky
