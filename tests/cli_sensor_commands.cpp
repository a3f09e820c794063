// seasky sensors, sensor, batch and sweep: outputs, refusals and exit statuses.
#include <gtest/gtest.h>

#include <charconv>
#include <filesystem>
#include <algorithm>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#include <fstream>
#include <nlohmann/json.hpp>

#include "app/calculation.h"
#include "app/jacobian.h"
#include "app/sensor.h"
#include "batch/sensor_file.h"
#include "app/profile_reader.h"
#include "app/standard_atmospheres.h"
#include "cli_support.h"
#include "test_support.h"

namespace seasky {
namespace {

using test::RunSeasky;

using test::Bundled;

TEST(SensorCommands, ListsThePresets) {
    const auto run = RunSeasky({"sensors"});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* name : {"amsr2", "amsre", "gmi", "ssmi", "ssmis", "windsat", "tmi", "mwri"})
        EXPECT_NE(run.out.find(std::string(name) + " "), std::string::npos) << name;
    const auto channels = RunSeasky({"sensors", "--channels"});
    EXPECT_NE(channels.out.find("19.1-19.34 + 19.36-19.6 GHz"), std::string::npos);  // SSM/I double sideband
    EXPECT_NE(channels.out.find("incidence angle not published"), std::string::npos);  // TMI
}

TEST(SensorCommands, OneLinePerChannelAndJsonEqualToTheCalculation) {
    const auto run = RunSeasky({"sensor", "--sensor", "gmi", "--profile", "tropical", "--wind", "6", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto j = nlohmann::json::parse(run.out);
    ASSERT_EQ(j.at("channels").size(), 9u);
    const auto& ch = j.at("channels")[4];  // 23.8V
    EXPECT_EQ(ch.at("name"), "23.8V");
    const CalculationResult r = Calculate({23.8, 52.8, 0.0, 20.0, 35.0, 6.0, 0.4}, Bundled("tropical"));
    EXPECT_EQ(ch.at("tb").get<double>(), r.tbV);
    EXPECT_EQ(ch.at("opacity").get<double>(), r.opacity);
    EXPECT_TRUE(j.at("channels")[7].at("passbandBeyondRange").get<bool>());  // 89 GHz spans 86-92 GHz
    const auto text = RunSeasky({"sensor", "--sensor", "gmi"});
    EXPECT_NE(text.out.find("89.0H"), std::string::npos);
    EXPECT_NE(text.out.find("[passband reaches past 6.75-89 GHz]"), std::string::npos);
}

TEST(SensorCommands, JacobiansOfEachChannelsOwnPolarisation) {
    auto run = RunSeasky({"sensor", "--sensor", "amsr2", "--channels", "23.8V,23.8H,89.0H", "--profile", "tropical",
                          "--json", "--jacobians", "wind,humidity,weighting"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto j = nlohmann::json::parse(run.out).at("channels");
    ASSERT_EQ(j.size(), 3u);
    const Sensor amsr2 = LoadSensor("amsr2").sensor;
    const std::vector<int> chosen = SelectChannels(amsr2, "23.8V,23.8H,89.0H").indices;
    const ProfileStore p = Bundled("tropical");
    for (std::size_t c = 0; c < 3; ++c) {
        const Channel& channel = amsr2.channels[chosen[c]];
        const Jacobian e = ChannelWithJacobian(channel, SceneSurface{}, ViewOf(p)).jacobian;
        const JacobianOutput o = JacobianOutputOf(channel.polarisation);
        const auto& d = j[c].at("jacobians");
        const char* name = NameOf(o);
        EXPECT_EQ(d.at("surface").at("wind").at(name).get<double>(), e.Surface(o, SurfaceInput::wind)) << c;
        EXPECT_EQ(d.at("levels").at("humidity").at(name)[0].get<double>(), e.Level(o, LevelQuantity::humidity, 0));
        EXPECT_EQ(d.at("weighting").at(name).size(), static_cast<std::size_t>(p.levelCount));
    }
    // V and H share one derivative calculation but keep their own values.
    EXPECT_NE(j[0].at("jacobians").at("surface").at("wind").at("tbV"),
              j[1].at("jacobians").at("surface").at("wind").at("tbH"));
    run = RunSeasky({"sensor", "--sensor", "amsr2", "--jacobians", "weighting"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Weighting functions"), std::string::npos);
    EXPECT_NE(run.out.find("6.925V"), std::string::npos);
    const test::TemporaryFile anchor("", "anchor");
    const std::string png = std::filesystem::path(anchor.path()).parent_path().string() + "/amsr2-weighting.png";
    run = RunSeasky({"sensor", "--sensor", "amsr2", "--plot", png});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_GT(std::filesystem::file_size(png), 1000u);
    std::filesystem::remove(png);
}

TEST(SensorCommands, RefusalsNameTheChannel) {
    auto run = RunSeasky({"sensor", "--sensor", "ssmis"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("Канал 91.655V: Введено неверное значение частоты!", 0), 0u) << run.err;
    EXPECT_NE(run.err.find("--extrapolate"), std::string::npos);
    run = RunSeasky({"sensor", "--sensor", "ssmis", "--channels", "91.655H", "--extrapolate"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("[centre outside 6.75-89 GHz: extrapolated]"), std::string::npos);
    run = RunSeasky({"sensor", "--sensor", "tmi"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("угол падения"), std::string::npos);
    EXPECT_EQ(RunSeasky({"sensor", "--sensor", "tmi", "--angle", "52.8"}).status, 0);
    EXPECT_EQ(RunSeasky({"sensor", "--sensor", "amsr2", "--wind", "21"}).status, 2);
    EXPECT_EQ(RunSeasky({"sensor", "--sensor", "nosuch"}).status, 2);
    EXPECT_EQ(RunSeasky({"sensor", "--sensor", "amsr2", "--channels", "6.9V"}).status, 2);
}

TEST(SensorCommands, NotesAWindBeyondTheFittedRangeAndAProfileThatEndsLow) {
    // The wind: refused beyond 20 m/s unless extended, then noted on stderr.
    const auto refused = RunSeasky({"sensor", "--sensor", "amsr2", "--wind", "25"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find(kWindRangeHint), std::string::npos) << refused.err;
    const auto windy = RunSeasky({"sensor", "--sensor", "amsr2", "--wind", "25", "--model", "wind-range=extended"});
    ASSERT_EQ(windy.status, 0) << windy.err;
    EXPECT_NE(windy.err.find("Note: the wind of 25 m/s lies beyond 20 m/s"), std::string::npos) << windy.err;
    const auto json = nlohmann::json::parse(
        RunSeasky({"sensor", "--sensor", "amsr2", "--wind", "25", "--model", "wind-range=extended", "--json"}).out);
    EXPECT_EQ(json.at("models").at("wind-range"), "extended");

    // The U.S. Standard Atmosphere to 9 km (308 mb) and to 16 km (103 mb): the
    // first misses more than 1e-3 Np above it at every channel, the second at
    // the 22.235 GHz vapour line's centre at most 8.6e-4 Np.
    const ProfileStore us = Bundled("us-standard");
    auto levelsTo = [&](double height) {
        std::string text;
        int n = 0;
        for (int i = 0; i < us.levelCount && us.height[i] <= height; ++i, ++n)
            text += std::to_string(us.height[i]) + " " + std::to_string(us.airTemperature[i]) + " " +
                    std::to_string(us.pressure[i]) + " " + std::to_string(us.absoluteHumidity[i]) + " 0\n";
        return std::to_string(n) + "\n" + text;
    };
    const test::TemporaryFile low(levelsTo(9000.0), "burst.txt");
    const auto marked = RunSeasky({"sensor", "--sensor", "amsr2", "--profile", low.path()});
    ASSERT_EQ(marked.status, 0) << marked.err;
    for (const char* channel : {"6.925V", "23.8H", "89.0H"}) {
        const std::size_t line = marked.out.find(channel);
        ASSERT_NE(line, std::string::npos) << channel;
        EXPECT_NE(marked.out.substr(line, marked.out.find('\n', line) - line).find("[profile ends low]"),
                  std::string::npos)
            << channel;
    }
    EXPECT_NE(marked.out.find("the profile's top is at 308 mb"), std::string::npos) << marked.out;
    const auto markedJson =
        nlohmann::json::parse(RunSeasky({"sensor", "--sensor", "amsr2", "--profile", low.path(), "--json"}).out);
    for (const auto& channel : markedJson.at("channels")) EXPECT_TRUE(channel.at("profileEndsLow").get<bool>());
    const test::TemporaryFile high(levelsTo(16000.0), "stratosphere.txt");
    const auto clear = RunSeasky({"sensor", "--sensor", "amsr2", "--profile", high.path()});
    ASSERT_EQ(clear.status, 0) << clear.err;
    EXPECT_EQ(clear.out.find("profile ends low"), std::string::npos) << clear.out;
}

TEST(SweepCommand, TableEqualsSingleCalculationsAndDrawsAChart) {
    const test::TemporaryFile anchor("", "anchor");
    const std::string folder = std::filesystem::path(anchor.path()).parent_path().string();
    const std::string csv = folder + "/sweep.csv", png = folder + "/sweep.png", svg = folder + "/sweep.svg";
    auto run = RunSeasky({"sweep", "--vary", "wind=0:20:5", "--profile", "subarctic-summer", "--freq", "10.65",
                          "--output", csv, "--plot", png});
    ASSERT_EQ(run.status, 0) << run.err;
    std::ifstream in(csv);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "profile,wind,tbV,tbH,tbPlus45,tbMinus45,tbUp,tbDown,opacity");
    int rows = 0;
    while (std::getline(in, line)) {
        const double wind = 5.0 * rows++;
        const CalculationResult r = Calculate({10.65, 53.1, 0.0, 20.0, 35.0, wind, 0.0}, Bundled("subarctic-summer"));
        char text[32];
        const auto end = std::to_chars(text, text + sizeof text, r.tbH).ptr;
        std::string field(1, ',');
        field.append(text, end);
        field += ',';
        EXPECT_NE(line.find(field), std::string::npos) << line;
    }
    EXPECT_EQ(rows, 5);
    EXPECT_GT(std::filesystem::file_size(png), 1000u);
    run = RunSeasky({"sweep", "--vary", "freq=10:12:1", "--json", "--plot", svg});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto j = nlohmann::json::parse(run.out);
    EXPECT_EQ(j[0].at("values").size(), 3u);
    std::ifstream svgIn(svg);
    const std::string svgText((std::istreambuf_iterator<char>(svgIn)), std::istreambuf_iterator<char>());
    EXPECT_NE(svgText.find("Frequency (GHz)"), std::string::npos);
    // Refusals: a range leaving the validated inputs, a bad form, a bad file name.
    EXPECT_EQ(RunSeasky({"sweep", "--vary", "freq=80:95:5"}).status, 2);
    EXPECT_EQ(RunSeasky({"sweep", "--vary", "speed=0:1:1"}).status, 2);
    EXPECT_EQ(RunSeasky({"sweep", "--vary", "wind=5:1:1"}).status, 2);
    EXPECT_EQ(RunSeasky({"sweep", "--vary", "wind=0:1:1", "--plot", folder + "/x.gif"}).status, 2);
}

TEST(BatchCommand, ExitStatusesAndTheRunRecord) {
    const test::TemporaryFile profile(std::string(FindStandardAtmosphere("tropical")->text), "sonde.txt");
    const std::string folder = std::filesystem::path(profile.path()).parent_path().string();
    {
        std::ofstream csv(folder + "/scenes.csv");
        csv << "profile,sst,salinity,wind,azimuth\nsonde.txt,28,35,5,0\nmidlatitude-summer,15,35,8,45\n";
    }
    const std::string out = folder + "/out.csv";
    auto run = RunSeasky({"batch", "--scenes", folder + "/scenes.csv", "--sensor", "amsr2", "--channels",
                          "36.5V,36.5H", "--output", out, "--quiet"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("отклонено: 0"), std::string::npos) << run.err;
    EXPECT_TRUE(std::filesystem::exists(out));
    {
        std::ofstream csv(folder + "/scenes.csv", std::ios::app);
        csv << "tropical,28,50,5,0\n";  // salinity out of range
    }
    run = RunSeasky({"batch", "--scenes", folder + "/scenes.csv", "--sensor", "amsr2", "--output", out, "--quiet",
                     "--threads", "2"});
    EXPECT_EQ(run.status, 3) << run.err;
    run = RunSeasky({"batch", "--scenes", folder + "/none.csv", "--sensor", "amsr2", "--output", out});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("none.csv"), std::string::npos);
}

using test::FilesIn;

TEST(BatchCommand, InterruptedRunLeavesNoFile) {
    // A run long enough to be stopped: 2000 scenes of the bundled atmospheres.
    // Ctrl-C, termination and a closed terminal (SIGHUP) all end it so.
    const test::TemporaryFile anchor("", "anchor");
    const std::filesystem::path folder = std::filesystem::path(anchor.path()).parent_path();
    {
        std::ofstream csv(folder / "scenes.csv");
        csv << "profile,sst,salinity,wind,azimuth\n";
        for (int i = 0; i < 2000; ++i) csv << (i % 2 ? "tropical" : "us-standard") << ",20,35," << i % 20 << ",0\n";
    }
    const std::string out = (folder / "out.nc").string();
    // Starts the run and returns once it is under way: its temporary folder is
    // there (the signals are caught by then).
    const auto start = [&] {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::execl(SEASKY_CLI, "seasky", "batch", "--scenes", (folder / "scenes.csv").c_str(), "--sensor", "amsr2",
                    "--output", out.c_str(), "--threads", "1", "--quiet", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int wait = 0; pid > 0 && wait < 1000 && FilesIn(folder).size() < 3; ++wait) ::usleep(5000);
        return pid;
    };
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        const pid_t pid = start();
        ASSERT_GT(pid, 0);
        ASSERT_EQ(FilesIn(folder).size(), 3u) << "the run made no temporary";
        ::kill(pid, signal);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status)) << "signal " << signal;
        EXPECT_EQ(WEXITSTATUS(status), 130) << "signal " << signal;
        // Neither the output nor its temporary file remains.
        EXPECT_EQ(FilesIn(folder), (std::vector<std::string>{"anchor", "scenes.csv"})) << "signal " << signal;
    }
    // A run killed outright leaves its temporary; the next run of the output removes it.
    const pid_t pid = start();
    ASSERT_GT(pid, 0);
    ::kill(pid, SIGKILL);
    ASSERT_EQ(::waitpid(pid, nullptr, 0), pid);
    ASSERT_EQ(FilesIn(folder).size(), 3u);
    std::ofstream(folder / "one.csv") << "profile,sst,salinity,wind,azimuth\ntropical,20,35,5,0\n";
    const auto run = RunSeasky({"batch", "--scenes", (folder / "one.csv").string(), "--sensor", "amsr2", "--output",
                                out, "--quiet"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(FilesIn(folder), (std::vector<std::string>{"anchor", "one.csv", "out.nc", "scenes.csv"}));
}

TEST(BatchCommand, OutputHelpSaysAnExistingFileIsReplaced) {
    for (const char* command : {"batch", "sweep"}) {
        const auto run = RunSeasky({command, "--help"});
        EXPECT_NE(run.out.find("existing file is replaced"), std::string::npos) << command << run.out;
    }
}

TEST(SweepCommand, AnOutputThatIsAProfileFileIsRefusedAndLinksAreNotFollowed) {
    const test::TemporaryFile profile(std::string(FindStandardAtmosphere("tropical")->text), "sonde,1.csv");
    const std::filesystem::path folder = std::filesystem::path(profile.path()).parent_path();
    const std::string text(FindStandardAtmosphere("tropical")->text);
    std::filesystem::create_symlink(profile.path(), folder / "link.csv");
    std::filesystem::create_hard_link(profile.path(), folder / "hard.csv");
    for (const std::string& output : {profile.path(), (folder / "link.csv").string(), (folder / "hard.csv").string()}) {
        const auto run = RunSeasky({"sweep", "--vary", "wind=0:10:5", "--profile", profile.path(), "--output", output});
        EXPECT_EQ(run.status, 2) << output;
        EXPECT_NE(run.err.find("это файл профиля"), std::string::npos) << run.err;
        std::ifstream in(profile.path());
        EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()), text);
    }
    // A link planted at the name of the temporary file the sweep used to write
    // (NAME.part) is neither followed nor left as the output.
    std::ofstream(folder / "victim.txt") << "keep me";
    std::filesystem::create_symlink(folder / "victim.txt", folder / "out.csv.part");
    const std::string out = (folder / "out.csv").string();
    const auto run = RunSeasky({"sweep", "--vary", "wind=0:10:5", "--profile", profile.path(), "--output", out});
    ASSERT_EQ(run.status, 0) << run.err;
    std::ifstream victim(folder / "victim.txt");
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(victim)), std::istreambuf_iterator<char>()), "keep me");
    // The profile's name holds a comma: quoted as RFC 4180 says.
    std::ifstream in(out);
    std::string header, row;
    std::getline(in, header);
    std::getline(in, row);
    std::string quoted(1, '"');
    quoted += profile.path();
    quoted += "\",0,";
    EXPECT_EQ(row.rfind(quoted, 0), 0u) << row;
    EXPECT_EQ(FilesIn(folder), (std::vector<std::string>{"hard.csv", "link.csv", "out.csv", "out.csv.part",
                                                         "sonde,1.csv", "victim.txt"}));
}

}  // namespace
}  // namespace seasky
