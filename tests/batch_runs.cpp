// Batch runs: NetCDF and CSV in and out, refusals, threads, interruption of
// nothing written, and agreement with the single sensor calculation.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <optional>
#include <sstream>
#include <charconv>
#include <unistd.h>

#include "app/jacobian.h"
#include "app/profile_reader.h"
#include "app/sensor.h"
#include "app/standard_atmospheres.h"
#include "batch/batch_run.h"
#include "batch/sensor_file.h"
#include "batch/units.h"
#include "scene_files.h"
#include "test_support.h"

namespace seasky {
namespace {

namespace fs = std::filesystem;

using test::Bundled;

// A fresh folder for one test's files.
using Folder = test::ScratchFolder;

std::vector<test::TestScene> Scenes(int n) {
    const char* names[] = {"tropical", "midlatitude-winter", "subarctic-summer", "tropical-cloudy"};
    std::vector<test::TestScene> scenes;
    for (int i = 0; i < n; ++i) {
        test::TestScene s;
        s.profile = Bundled(names[i % 4]);
        s.sst = 273.15 + 2.0 + 3.0 * i;
        s.salinity = 33.0 + 0.5 * (i % 5);
        s.wind = 1.5 * i;
        s.azimuth = 30.0 * i;
        s.angle = 50.0 + i;
        scenes.push_back(s);
    }
    return scenes;
}

int RunQuietly(const std::string& scenes, const std::string& output, const std::string& sensor = "amsr2", int threads = 1,
        const std::string& channels = "", std::string* messages = nullptr, bool extrapolate = false,
        const std::optional<std::string>& jacobians = std::nullopt) {
    BatchOptions options;
    options.jacobiansGiven = jacobians.has_value();
    options.jacobians = jacobians.value_or("");
    options.scenes = scenes;
    options.sensor = sensor;
    options.output = output;
    options.threads = threads;
    options.channels = channels;
    options.quiet = true;
    options.extrapolate = extrapolate;
    options.blockSize = 3;  // several blocks even for a few scenes
    options.commandLine = "seasky batch (test)";
    std::ostringstream err;
    const int status = RunBatch(options, err);
    if (messages != nullptr) *messages = err.str();
    return status;
}

TEST(BatchRun, NetcdfRoundTripEqualsTheSingleSensorCalculation) {
    const Folder dir;
    const std::vector<test::TestScene> scenes = Scenes(7);
    test::WriteSceneFile(dir / "scenes.nc", scenes);
    ASSERT_EQ(RunQuietly(dir / "scenes.nc", dir / "out.nc"), kBatchComplete);
    const Sensor amsr2 = LoadSensor("amsr2").sensor;
    const std::vector<double> tb = test::ReadDoubles(dir / "out.nc", "tb");
    const std::vector<double> tbUp = test::ReadDoubles(dir / "out.nc", "tb_up");
    const std::vector<double> status = test::ReadDoubles(dir / "out.nc", "status");
    ASSERT_EQ(tb.size(), scenes.size() * 14);
    const std::vector<int> all = SelectChannels(amsr2, "").indices;
    for (std::size_t s = 0; s < scenes.size(); ++s) {
        const SceneSurface surface{scenes[s].sst - 273.15, scenes[s].salinity, scenes[s].wind, scenes[s].azimuth,
                                   std::nullopt};
        const std::vector<ChannelOutcome> expected = CalculateChannels(amsr2, all, surface, ViewOf(scenes[s].profile));
        for (std::size_t c = 0; c < all.size(); ++c) {
            EXPECT_EQ(tb[s * 14 + c], expected[c].tb) << s << " " << c;  // bit for bit
            EXPECT_EQ(tbUp[s * 14 + c], expected[c].result.tbUp);
            EXPECT_EQ(status[s * 14 + c], c >= 12 ? 2.0 : 0.0) << c;  // 89 GHz reaches past 89 GHz
        }
    }
    // Channel coordinates, pass-through, records of the run.
    EXPECT_EQ(test::ReadStrings(dir / "out.nc", "channel_name")[2], "7.3V");
    EXPECT_EQ(test::ReadStrings(dir / "out.nc", "channel_polarisation")[3], "H");
    EXPECT_EQ(test::ReadDoubles(dir / "out.nc", "channel_frequency")[13], 89.0);
    const std::vector<double> passband = test::ReadDoubles(dir / "out.nc", "channel_passband");
    EXPECT_DOUBLE_EQ(passband[13 * 2], 87.5);
    EXPECT_DOUBLE_EQ(passband[13 * 2 + 1], 90.5);
    EXPECT_EQ(test::ReadDoubles(dir / "out.nc", "lat"), (std::vector<double>{10, 11, 12, 13, 14, 15, 16}));
    // lat (standard_name latitude) locates the scenes: a coordinate of every result per scene.
    for (const char* name : {"tb", "emissivity_h", "status", "message", "note"})
        EXPECT_EQ(test::AttributeText(dir / "out.nc", name, "coordinates"), "lat") << name;
    EXPECT_EQ(test::AttributeText(dir / "out.nc", "channel_name", "coordinates"), "");
    EXPECT_EQ(test::GlobalText(dir / "out.nc", "sensor"), "amsr2");
    // history: "<UTC ISO time>: <command line>".
    const std::string history = test::GlobalText(dir / "out.nc", "history");
    // "YYYY-MM-DDTHH:MM:SSZ: " and the command line (no regex: libstdc++'s
    // draws false uninitialised-use warnings in the sanitizer build).
    const std::string stamp = "0000-00-00T00:00:00Z: ";
    ASSERT_EQ(history.size(), stamp.size() + std::string("seasky batch (test)").size()) << history;
    for (std::size_t i = 0; i < stamp.size(); ++i)
        EXPECT_TRUE(stamp[i] == '0' ? std::isdigit(static_cast<unsigned char>(history[i])) != 0 : history[i] == stamp[i])
            << history;
    EXPECT_EQ(history.substr(stamp.size()), "seasky batch (test)")
        << history;
    EXPECT_EQ(test::GlobalText(dir / "out.nc", "model_direction_rows"), "v-h");
    EXPECT_EQ(test::GlobalText(dir / "out.nc", "model_wind_range"), "default");
    EXPECT_EQ(test::GlobalText(dir / "out.nc", "source").rfind("seasky ", 0), 0u);
    // The results' CF attributes: a standard name where CF has one, UDUNITS units.
    EXPECT_EQ(test::AttributeText(dir / "out.nc", "tb", "standard_name"), "toa_brightness_temperature");
    EXPECT_EQ(test::AttributeText(dir / "out.nc", "tb", "units"), "K");
    EXPECT_EQ(test::AttributeText(dir / "out.nc", "tb_up", "standard_name"), "");  // none in CF
    EXPECT_EQ(test::AttributeText(dir / "out.nc", "opacity", "units"), "Np");
    EXPECT_EQ(test::AttributeText(dir / "out.nc", "emissivity_v", "units"), "1");
    EXPECT_EQ(test::AttributeText(dir / "out.nc", "channel_incidence_angle", "units"), "degree");
    EXPECT_EQ(test::AttributeText(dir / "out.nc", "status", "units"), "");  // flags have none
    EXPECT_EQ(test::AttributeText(dir / "out.nc", "tb_down", "long_name"),
              "downwelling brightness temperature of the atmosphere");
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"out.nc", "scenes.nc"}));  // no temporary left
}

TEST(BatchRun, ResultsDoNotDependOnTheNumberOfThreads) {
    const Folder dir;
    test::WriteSceneFile(dir / "scenes.nc", Scenes(11));
    ASSERT_EQ(RunQuietly(dir / "scenes.nc", dir / "one.nc", "windsat", 1), kBatchComplete);
    ASSERT_EQ(RunQuietly(dir / "scenes.nc", dir / "three.nc", "windsat", 3), kBatchComplete);
    EXPECT_EQ(test::ReadDoubles(dir / "one.nc", "tb"), test::ReadDoubles(dir / "three.nc", "tb"));
    EXPECT_EQ(test::ReadDoubles(dir / "one.nc", "emissivity_h"), test::ReadDoubles(dir / "three.nc", "emissivity_h"));
}

TEST(BatchRun, RefusedScenesGetFillValuesAndTheOthersAreComputed) {
    const Folder dir;
    std::vector<test::TestScene> scenes = Scenes(6);
    scenes[1].wind = 25.0;                                 // out of range
    scenes[3].profile.absoluteHumidity[4] = -1.0;           // a bad level
    scenes[4].sst = std::nan("");                          // no value
    test::WriteSceneFile(dir / "scenes.nc", scenes);
    std::string messages;
    ASSERT_EQ(RunQuietly(dir / "scenes.nc", dir / "out.nc", "amsr2", 2, "18.7V,36.5H", &messages), kBatchRefusals);
    EXPECT_NE(messages.find("отклонено: 3"), std::string::npos) << messages;
    const std::vector<double> tb = test::ReadDoubles(dir / "out.nc", "tb");
    const std::vector<std::string> why = test::ReadStrings(dir / "out.nc", "message");
    ASSERT_EQ(tb.size(), 12u);
    for (int s : {1, 3, 4}) {
        EXPECT_TRUE(std::isnan(tb[s * 2]) && std::isnan(tb[s * 2 + 1])) << s;
        EXPECT_FALSE(why[s].empty()) << s;
    }
    EXPECT_NE(why[1].find("скорости ветра"), std::string::npos) << why[1];
    EXPECT_NE(why[3].find("Профиль сцены: уровень 5, "), std::string::npos) << why[3];
    EXPECT_NE(why[4].find("sst"), std::string::npos) << why[4];
    // The others equal a run without the bad scenes.
    const Sensor amsr2 = LoadSensor("amsr2").sensor;
    const std::vector<int> chosen = SelectChannels(amsr2, "18.7V,36.5H").indices;
    for (int s : {0, 2, 5}) {
        EXPECT_TRUE(why[s].empty());
        const SceneSurface surface{scenes[s].sst - 273.15, scenes[s].salinity, scenes[s].wind, scenes[s].azimuth,
                                   std::nullopt};
        EXPECT_EQ(tb[s * 2 + 1], CalculateChannels(amsr2, chosen, surface, ViewOf(scenes[s].profile))[1].tb);
    }
}

TEST(BatchRun, BadInputEndsTheRunAndWritesNothing) {
    const Folder dir;
    const std::vector<test::TestScene> scenes = Scenes(3);
    struct Case {
        test::SceneFileLayout layout;
        const char* expected;  // in the message
    };
    std::vector<Case> cases;
    test::SceneFileLayout noWind;
    noWind.omitVariable = "wind_speed";
    cases.push_back({noWind, "wind_speed"});
    test::SceneFileLayout noUnits;
    noUnits.omitUnitsOf = "air_pressure";
    cases.push_back({noUnits, "pa: no units"});
    test::SceneFileLayout badUnits;
    badUnits.pressureUnits = "inHg";
    cases.push_back({badUnits, "inHg"});
    test::SceneFileLayout mixed;  // a concentration written in kg/kg
    mixed.humidityUnits = "kg kg-1";
    cases.push_back({mixed, "hus"});
    for (const Case& c : cases) {
        test::WriteSceneFile(dir / "scenes.nc", scenes, c.layout);
        std::string messages;
        EXPECT_EQ(RunQuietly(dir / "scenes.nc", dir / "out.nc", "amsr2", 1, "", &messages), kBatchFailed) << c.expected;
        EXPECT_NE(messages.find(c.expected), std::string::npos) << messages;
        EXPECT_EQ(dir.Files(), (std::vector<std::string>{"scenes.nc"})) << c.expected;
    }
    // A missing file, an unknown sensor or channel, a channel that cannot be computed.
    std::string messages;
    EXPECT_EQ(RunQuietly(dir / "none.nc", dir / "out.nc", "amsr2", 1, "", &messages), kBatchFailed);
    test::WriteSceneFile(dir / "scenes.nc", scenes);
    EXPECT_EQ(RunQuietly(dir / "scenes.nc", dir / "out.nc", "amsr9"), kBatchFailed);
    EXPECT_EQ(RunQuietly(dir / "scenes.nc", dir / "out.nc", "amsr2", 1, "18.7Q"), kBatchFailed);
    EXPECT_EQ(RunQuietly(dir / "scenes.nc", dir / "out.nc", "ssmis", 1, "", &messages), kBatchFailed);
    EXPECT_NE(messages.find("91.655V"), std::string::npos) << messages;
    EXPECT_EQ(RunQuietly(dir / "scenes.nc", dir / "out.txt"), kBatchFailed);
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"scenes.nc"}));
    // Extrapolation computes the 91.655 GHz channels and marks them.
    ASSERT_EQ(RunQuietly(dir / "scenes.nc", dir / "out.nc", "ssmis", 1, "91.655V", &messages, true), kBatchComplete);
    EXPECT_EQ(test::ReadDoubles(dir / "out.nc", "status")[0], 6.0);  // beyond range + extrapolated
}

TEST(BatchRun, ALevelDimensionLongerThanAnyProfileEndsTheRun) {
    // A header alone (no data written) declaring 100001 levels: more than a
    // profile may have. The run ends at once instead of reading blocks of
    // scenes that long.
    const Folder dir;
    int ncid = -1, scene = -1, level = -1;
    test::NcCheck(nc_create((dir / "scenes.nc").c_str(), NC_CLOBBER | NC_64BIT_OFFSET, &ncid));
    int old = 0;
    test::NcCheck(nc_set_fill(ncid, NC_NOFILL, &old));
    test::NcCheck(nc_def_dim(ncid, "scene", 2, &scene));
    test::NcCheck(nc_def_dim(ncid, "level", 100001, &level));
    const int sl[2] = {scene, level};
    const std::pair<const char*, const char*> quantities[] = {
        {"height", "m"}, {"air_temperature", "K"}, {"air_pressure", "hPa"},
        {"mass_concentration_of_water_vapor_in_air", "g m-3"}};
    for (const auto& [name, units] : quantities) {
        int var = -1;
        test::NcCheck(nc_def_var(ncid, name, NC_DOUBLE, 2, sl, &var));
        test::PutText(ncid, var, "units", units);
    }
    test::NcCheck(nc_close(ncid));
    std::string messages;
    EXPECT_EQ(RunQuietly(dir / "scenes.nc", dir / "out.nc", "amsr2", 1, "", &messages), kBatchFailed);
    EXPECT_NE(messages.find("\"level\" has 100001 levels"), std::string::npos) << messages;
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"scenes.nc"}));
}

TEST(BatchRun, SpecificHumidityInPascalsGivesTheSameScenes) {
    const Folder dir;
    const std::vector<test::TestScene> scenes = Scenes(4);
    test::WriteSceneFile(dir / "direct.nc", scenes);
    // The same humidity as specific humidity (kg/kg) and the pressure in Pa, the
    // sea temperature in degrees C.
    test::SceneFileLayout layout;
    layout.pressureUnits = "Pa";
    layout.pressureScale = 100.0;
    layout.humidityName = "specific_humidity";
    layout.humidityUnits = "kg kg-1";
    layout.sstUnits = "degC";
    std::vector<test::TestScene> celsius = scenes;
    for (std::size_t s = 0; s < scenes.size(); ++s) {
        celsius[s].sst = scenes[s].sst - 273.15;
        const ProfileStore& p = scenes[s].profile;
        for (int l = 0; l < p.levelCount; ++l) {
            const double air = MoistAirDensityFromVapour(p.absoluteHumidity[l], p.airTemperature[l], p.pressure[l] * 100.0);
            layout.humidityOverride.push_back(p.absoluteHumidity[l] * 1e-3 / air);
        }
    }
    test::WriteSceneFile(dir / "specific.nc", celsius, layout);
    ASSERT_EQ(RunQuietly(dir / "direct.nc", dir / "a.nc", "gmi"), kBatchComplete);
    ASSERT_EQ(RunQuietly(dir / "specific.nc", dir / "b.nc", "gmi"), kBatchComplete);
    const std::vector<double> a = test::ReadDoubles(dir / "a.nc", "tb");
    const std::vector<double> b = test::ReadDoubles(dir / "b.nc", "tb");
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) EXPECT_TRUE(test::RelativelyNear(b[i], a[i], 1e-12)) << i;
}

TEST(BatchRun, CsvScenesAndCsvResults) {
    const Folder dir;
    {
        std::ofstream profile(dir / "sonde.txt");
        profile << FindStandardAtmosphere("subarctic-winter")->text;
        std::ofstream csv(dir / "scenes.csv");
        csv << "profile,sst,salinity,wind,azimuth,angle\n"
               "tropical,28,35,5,0,\n"
               "sonde.txt,2,33,12,90,53\n"
               "tropical,28,35,30,0,\n"
               "missing.txt,10,35,5,0,\n";
    }
    std::string messages;
    ASSERT_EQ(RunQuietly(dir / "scenes.csv", dir / "out.csv", "amsr2", 2, "10.65H,89.0V", &messages), kBatchRefusals);
    std::ifstream in(dir / "out.csv");
    std::string header, line;
    std::getline(in, header);
    EXPECT_EQ(header.rfind("scene,channel,frequency,polarisation,incidence_angle,tb,", 0), 0u);
    std::vector<std::string> rows;
    while (std::getline(in, line)) rows.push_back(line);
    ASSERT_EQ(rows.size(), 8u);
    // Scene 1 at its own angle of 53 degrees, equal to the single calculation.
    const CalculationResult r =
        Calculate({10.65, 53.0, 90.0, 2.0, 33.0, 12.0, 0.1}, Bundled("subarctic-winter"));
    char expected[64];
    const auto end = std::to_chars(expected, expected + sizeof expected, r.tbH).ptr;
    EXPECT_NE(rows[2].find("1,10.65H,10.65,H,53," + std::string(expected, end) + ","), std::string::npos) << rows[2];
    EXPECT_NE(rows[4].find("скорости ветра"), std::string::npos) << rows[4];
    EXPECT_NE(rows[6].find("missing.txt"), std::string::npos) << rows[6];
    EXPECT_NE(rows[6].find(",1,"), std::string::npos) << rows[6];
}

TEST(BatchRun, DerivativesAreThoseOfTheChannelOnTheFilesLevels) {
    const Folder dir;
    std::vector<test::TestScene> scenes = Scenes(5);
    for (test::TestScene& s : scenes) s.profile = Bundled("tropical-cloudy");
    // Scene 1 has no level 3 (its height missing): its derivatives there are NaN,
    // and its other levels keep their places.
    scenes[1].profile.height[3] = std::nan("");
    // Scene 3 is refused (wind beyond 20 m/s is fine; a salinity of 50 is not).
    scenes[3].salinity = 50.0;
    test::WriteSceneFile(dir / "scenes.nc", scenes);
    ASSERT_EQ(RunQuietly(dir / "scenes.nc", dir / "out.nc", "amsr2", 2, "18.7H,36.5V,89.0V", nullptr, false, ""),
              kBatchRefusals);
    const Sensor amsr2 = LoadSensor("amsr2").sensor;
    const std::vector<int> chosen = SelectChannels(amsr2, "18.7H,36.5V,89.0V").indices;
    const std::size_t C = chosen.size(), L = scenes[0].profile.levelCount;
    const std::vector<double> sst = test::ReadDoubles(dir / "out.nc", "dtb_dsst");
    const std::vector<double> lnlwp = test::ReadDoubles(dir / "out.nc", "dtb_dlnlwp");
    const std::vector<double> temperature = test::ReadDoubles(dir / "out.nc", "dtb_dairTemperature");
    const std::vector<double> humidity = test::ReadDoubles(dir / "out.nc", "dtb_dhumidity");
    const std::vector<double> weighting = test::ReadDoubles(dir / "out.nc", "dtb_weighting");
    ASSERT_EQ(temperature.size(), scenes.size() * C * L);
    for (std::size_t s = 0; s < scenes.size(); ++s) {
        ProfileStore p = scenes[s].profile;
        std::vector<int> level(L);
        std::iota(level.begin(), level.end(), 0);
        if (s == 1) {  // the profile the run computes: without level 3
            for (auto* v : {&p.height, &p.airTemperature, &p.pressure, &p.absoluteHumidity, &p.cloudWater})
                v->erase(v->begin() + 3);
            p.levelCount -= 1;
            level.erase(level.begin() + 3);
        }
        const SceneSurface surface{scenes[s].sst - 273.15, scenes[s].salinity, scenes[s].wind, scenes[s].azimuth,
                                   std::nullopt};
        for (std::size_t c = 0; c < C; ++c) {
            const std::size_t k = s * C + c;
            if (s == 3) {
                EXPECT_TRUE(std::isnan(sst[k]));
                for (std::size_t i = 0; i < L; ++i) EXPECT_TRUE(std::isnan(temperature[k * L + i]));
                continue;
            }
            const Channel& channel = amsr2.channels[chosen[c]];
            const Jacobian j = ChannelWithJacobian(channel, surface, ViewOf(p)).jacobian;
            const JacobianOutput o = JacobianOutputOf(channel.polarisation);
            EXPECT_EQ(sst[k], j.Surface(o, SurfaceInput::sst));
            EXPECT_EQ(lnlwp[k], j.Column(o, WaterColumn::lnlwp));
            EXPECT_NE(lnlwp[k], 0.0);  // a cloudy atmosphere
            const std::vector<double> w = WeightingFunction(j, o, ViewOf(p));
            for (int i = 0; i < p.levelCount; ++i) {
                EXPECT_EQ(temperature[k * L + level[i]], j.Level(o, LevelQuantity::temperature, i))
                    << s << " " << c << " " << i;
                EXPECT_EQ(humidity[k * L + level[i]], j.Level(o, LevelQuantity::humidity, i));
                EXPECT_EQ(weighting[k * L + level[i]], w[i]);
            }
            if (s == 1) {
                EXPECT_TRUE(std::isnan(temperature[k * L + 3]));
            }
        }
    }
    EXPECT_EQ(test::AttributeText(dir / "out.nc", "dtb_dwind", "units"), "K/(m/s)");
    EXPECT_EQ(test::AttributeText(dir / "out.nc", "dtb_dhumidity", "units"), "K/(g/m3)");
    EXPECT_EQ(test::AttributeText(dir / "out.nc", "dtb_weighting", "units"), "K/K/km");
}

TEST(BatchRun, ScenesBeyondTheCostLimitsAreRefusedOneByOne) {
    const Folder dir;
    // Two scenes on 25001 levels over 0-1000 m; the first has its heights
    // missing but at every 500th level, and so 101 levels (the derivatives
    // allow at most 25000).
    std::vector<test::TestScene> scenes = Scenes(2);
    for (test::TestScene& s : scenes) {
        ProfileStore& p = s.profile;
        p = ProfileStore{};
        p.levelCount = 25001;
        for (int i = 0; i < p.levelCount; ++i) {
            p.height.push_back(0.04 * i);
            p.airTemperature.push_back(288.0);
            p.pressure.push_back(1000.0);
            p.absoluteHumidity.push_back(10.0);
            p.cloudWater.push_back(0.0);
        }
    }
    for (int i = 0; i < scenes[0].profile.levelCount; ++i)
        if (i % 500 != 0) scenes[0].profile.height[i] = std::nan("");
    test::WriteSceneFile(dir / "scenes.nc", scenes);
    std::string messages;
    ASSERT_EQ(RunQuietly(dir / "scenes.nc", dir / "out.nc", "amsr2", 2, "18.7V", &messages, false, ""), kBatchRefusals);
    EXPECT_NE(messages.find("отклонено: 1"), std::string::npos) << messages;
    const std::vector<double> tb = test::ReadDoubles(dir / "out.nc", "tb");
    const std::vector<std::string> why = test::ReadStrings(dir / "out.nc", "message");
    ASSERT_EQ(tb.size(), 2u);
    EXPECT_TRUE(std::isfinite(tb[0])) << why[0];
    EXPECT_TRUE(std::isnan(tb[1]));
    EXPECT_NE(why[1].find("25000"), std::string::npos) << why[1];
}

TEST(BatchRun, DerivativesInCsvAreTheScalarOnesOnly) {
    const Folder dir;
    test::WriteSceneFile(dir / "scenes.nc", Scenes(3));
    std::string messages;
    // Level derivatives have no place in a CSV row: refused before anything is written.
    EXPECT_EQ(RunQuietly(dir / "scenes.nc", dir / "out.csv", "amsr2", 1, "", &messages, false, "sst,temperature"),
              kBatchFailed);
    EXPECT_NE(messages.find("NetCDF"), std::string::npos) << messages;
    EXPECT_EQ(RunQuietly(dir / "scenes.nc", dir / "out.csv", "amsr2", 1, "", &messages, false, "bogus"),
              kBatchFailed);
    EXPECT_NE(messages.find("bogus"), std::string::npos) << messages;
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"scenes.nc"}));
    ASSERT_EQ(RunQuietly(dir / "scenes.nc", dir / "out.csv", "amsr2", 1, "23.8V", nullptr, false, "wind,lntcwv"),
              kBatchComplete);
    const test::CsvText csv = test::ReadCsvText(dir / "out.csv");
    ASSERT_EQ(csv.rows.size(), 3u);
    auto column = [&csv](const std::string& name) {
        return static_cast<std::size_t>(std::find(csv.names.begin(), csv.names.end(), name) - csv.names.begin());
    };
    EXPECT_EQ(column("dtb_dsst"), csv.names.size());  // not asked for
    auto number = [](const std::string& text) {
        double v = std::nan("");
        std::from_chars(text.data(), text.data() + text.size(), v);
        return v;
    };
    const Sensor amsr2 = LoadSensor("amsr2").sensor;
    const std::vector<test::TestScene> scenes = Scenes(3);
    for (std::size_t s = 0; s < 3; ++s) {
        const SceneSurface surface{scenes[s].sst - 273.15, scenes[s].salinity, scenes[s].wind, scenes[s].azimuth,
                                   std::nullopt};
        const Jacobian j =
            ChannelWithJacobian(amsr2.channels[SelectChannels(amsr2, "23.8V").indices[0]], surface,
                                ViewOf(scenes[s].profile))
                .jacobian;
        // Written as the shortest text that reads back to the same double.
        EXPECT_EQ(number(csv.rows[s].at(column("dtb_dwind"))), j.surface[0][2]);
        EXPECT_EQ(number(csv.rows[s].at(column("dtb_dlntcwv"))), j.columns[0][0]);
    }
}

}  // namespace
}  // namespace seasky
