// seasky calc (and seasky without a subcommand) and seasky profiles.
#include <gtest/gtest.h>

#include <charconv>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "app/calculation.h"
#include "app/jacobian.h"
#include "app/profile_reader.h"
#include "app/standard_atmospheres.h"
#include "cli_support.h"
#include "reference_table.h"
#include "test_support.h"

namespace seasky {
namespace {

using test::RunSeasky;

using test::Bundled;

TEST(CalcCommand, DefaultsAreTheWindowsStartUpValuesOnMidlatitudeSummer) {
    const auto run = RunSeasky({});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, RunSeasky({"calc"}).out);
    const CalculationResult r = Calculate(CalculationInputs{}, Bundled("midlatitude-summer"));
    const auto values = ResultValueTexts(r, '.');
    const std::string expected = std::string("Вертикальная поляризация: ") + values[0] + " K\n" +
                                 "Горизонтальная поляризация: " + values[1] + " K\n" + "Поляризация +45: " + values[2] +
                                 " K\n" + "Поляризация -45: " + values[3] + " K\n" +
                                 "Восходящее излучение атмосферы: " + values[4] + " K\n" +
                                 "Нисходящее излучение атмосферы: " + values[5] + " K\n" +
                                 "Интегральное поглощение атмосферы: " + values[6] + " Np\n";
    EXPECT_EQ(run.out, expected);
}

TEST(CalcCommand, JsonCarriesResultsAndIntermediatesExactly) {
    const test::TemporaryFile file(std::string(FindStandardAtmosphere("tropical")->text));
    const auto run = RunSeasky({"--profile", file.path(), "--freq", "18,7", "--angle", "55", "--azimuth", "45",
                                "--temp", "28", "--salinity", "34", "--wind", "7", "--band", "0.3", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto j = nlohmann::ordered_json::parse(run.out);
    std::vector<std::string> keys;
    for (const auto& item : j.items()) keys.push_back(item.key());
    // The record of what made the result first, then the results.
    const std::vector<std::string> expectedKeys = {
        "version", "models", "inputs", "tbV", "tbH", "tbPlus45", "tbMinus45", "tbUp", "tbDown", "opacity", "transmittance", "emissivityV",
        "emissivityH", "omegaV", "omegaH", "thirdStokes", "tbThirdStokes", "tbFourthStokes", "tbLeftCircular",
        "tbRightCircular", "opacityUp", "layerCount", "gridBottom", "gridTop", "precipitableWater",
        "liquidWaterPath", "surfaceCode", "specularV", "specularH", "windV", "windH", "directionV", "directionH",
        "directionHalfSum", "directionDifference", "directionThird", "directionFourth", "reflectivityV",
        "reflectivityH", "stokesCode", "fourthStokes", "cosmicTemperature"};
    EXPECT_EQ(keys, expectedKeys);
    const CalculationResult r = Calculate({18.7, 55.0, 45.0, 28.0, 34.0, 7.0, 0.3}, Bundled("tropical"));
    const std::pair<const char*, double> expected[] = {
        {"tbV", r.tbV},           {"tbH", r.tbH},
        {"tbPlus45", r.tbPlus45}, {"tbMinus45", r.tbMinus45},
        {"tbUp", r.tbUp},         {"tbDown", r.tbDown},
        {"opacity", r.opacity},   {"transmittance", r.transmittance},
        {"tbFourthStokes", r.tbFourthStokes}, {"precipitableWater", r.precipitableWater},
        {"directionV", r.direction.V}, {"fourthStokes", r.fourthStokes}};
    for (const auto& [key, value] : expected) EXPECT_EQ(j.at(key).get<double>(), value) << key;
    // Both frequency codes are stated: 18.7 GHz is 1870 for the surface and 1869
    // for the Stokes terms.
    EXPECT_EQ(j.at("surfaceCode").get<int>(), 1870);
    EXPECT_EQ(j.at("stokesCode").get<int>(), 1869);
    EXPECT_EQ(j.at("layerCount").get<int>(), 500);
}

TEST(CalcCommand, RefusesOutOfRangeInputWithTheFirstFailingMessage) {
    auto run = RunSeasky({"calc", "--wind", "25", "--salinity", "50"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "Введено неверное значение солености воды!\nДиапазон допустимых значений от 0 до 45 промилле\n");
    run = RunSeasky({"--freq", "6.7499"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err.rfind("Введено неверное значение частоты!", 0), 0u);
    run = RunSeasky({"--profile", "no-such-atmosphere"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "Не могу открыть файл\nno-such-atmosphere\n");
    run = RunSeasky({"--freq", "18,7,1"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
}

TEST(CalcCommand, ABundledNameMeansTheBundledAtmosphereEvenBesideAFileOfThatName) {
    // A file named "tropical" in the working folder holding another atmosphere:
    // the bare name is the bundled one, the path the file.
    const test::ScratchFolder folder;
    std::ofstream(folder / "tropical") << FindStandardAtmosphere("subarctic-winter")->text;
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path);
    const auto byName = RunSeasky({"calc", "--profile", "tropical", "--freq", "23.8", "--json"});
    const auto byPath = RunSeasky({"calc", "--profile", "./tropical", "--freq", "23.8", "--json"});
    std::filesystem::current_path(previous);
    ASSERT_EQ(byName.status, 0) << byName.err;
    ASSERT_EQ(byPath.status, 0) << byPath.err;
    const double expectedBundled = Calculate({23.8, 53.1, 0.0, 20.0, 35.0, 10.0, 0.0}, Bundled("tropical")).tbV;
    const double expectedFile = Calculate({23.8, 53.1, 0.0, 20.0, 35.0, 10.0, 0.0}, Bundled("subarctic-winter")).tbV;
    EXPECT_EQ(nlohmann::json::parse(byName.out).at("tbV").get<double>(), expectedBundled);
    EXPECT_EQ(nlohmann::json::parse(byPath.out).at("tbV").get<double>(), expectedFile);
}

TEST(SweepCommand, AnOutputNamedLikeABundledAtmosphereIsNoInput) {
    // "--profile tropical" reads no file: an output that links to a file
    // "tropical" is no input, and the link is replaced by the table.
    const test::ScratchFolder folder;
    std::ofstream(folder / "tropical") << "old";
    std::filesystem::create_symlink("tropical", folder.path / "out.csv");
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path);
    const auto run = RunSeasky({"sweep", "--profile", "tropical", "--vary", "wind=0:5:5", "--output", "out.csv"});
    std::filesystem::current_path(previous);
    ASSERT_EQ(run.status, 0) << run.err;
    std::ifstream in(folder / "out.csv");
    std::string header;
    std::getline(in, header);
    EXPECT_EQ(header.rfind("profile,wind,tbV", 0), 0u) << header;
    std::ifstream old(folder / "tropical");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(old), {}), "old");
}

TEST(CalcCommand, ReproducesTheReferenceTableThroughJson) {
    for (const test::ReferenceRow& row : test::ReadCalculationReference()) {
        const CalculationInputs& in = row.inputs;
        auto text = [](double v) {
            char buf[32];
            const auto r = std::to_chars(buf, buf + sizeof buf, v);
            return std::string(buf, r.ptr);
        };
        const auto run = RunSeasky({"calc", "--profile", row.profile, "--freq", text(in.frequency), "--angle",
                                    text(in.angle), "--azimuth", text(in.azimuth), "--temp=" + text(in.seaTemperature),
                                    "--salinity", text(in.salinity), "--wind", text(in.wind), "--band",
                                    text(in.bandwidth), "--json"});
        ASSERT_EQ(run.status, 0) << run.err;
        const auto j = nlohmann::json::parse(run.out);
        for (const auto& [name, expected] : row.outputs)
            EXPECT_TRUE(test::RelativelyNear(j.at(name).get<double>(), expected, 1e-12)) << row.Describe() << " " << name;
    }
}

TEST(CalcCommand, DirectionRowsOptionSelectsTheReadingOfTheTable) {
    const auto published = nlohmann::json::parse(RunSeasky({"calc", "--json"}).out);
    const auto explicitVh = nlohmann::json::parse(RunSeasky({"calc", "--direction-rows", "v-h", "--json"}).out);
    const auto run = RunSeasky({"calc", "--direction-rows", "sum-difference", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto old = nlohmann::json::parse(run.out);
    ModelSet options;
    options.directionRows = DirectionRows::SumDifference;
    const CalculationResult r = Calculate(CalculationInputs{}, Bundled("midlatitude-summer"), options);
    EXPECT_EQ(old.at("tbH").get<double>(), r.tbH);
    EXPECT_EQ(explicitVh, published);
    // At the defaults (18.7 GHz, 53.1 degrees, upwind, 10 m/s) the readings differ by about 1.4 K in H.
    EXPECT_GT(std::abs(old.at("tbH").get<double>() - published.at("tbH").get<double>()), 1.0);
    const auto bad = RunSeasky({"calc", "--direction-rows", "sum"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.out, "");
    EXPECT_NE(bad.err.find("--direction-rows"), std::string::npos);
}

TEST(CalcCommand, JacobiansInJsonTextAndAChart) {
    const std::vector<std::string> inputs = {"--profile", "tropical-cloudy", "--freq", "36.5", "--angle", "53",
                                             "--azimuth", "30"};
    auto with = [&inputs](std::vector<std::string> more, const std::string& wind = "8") {
        std::vector<std::string> args = {"calc", "--wind", wind};
        args.insert(args.end(), inputs.begin(), inputs.end());
        args.insert(args.end(), more.begin(), more.end());
        return RunSeasky(args);
    };
    auto run = with({"--json", "--jacobians"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto j = nlohmann::json::parse(run.out);
    const ProfileStore p = Bundled("tropical-cloudy");
    const CalculationWithJacobian e = CalculateWithJacobian({36.5, 53.0, 30.0, 20.0, 35.0, 8.0, 0.0}, ViewOf(p));
    EXPECT_EQ(j.at("tbV").get<double>(), e.result.tbV);
    const auto& d = j.at("jacobians");
    EXPECT_EQ(d.at("surface").at("wind").at("tbH").get<double>(), e.jacobian.surface[1][2]);
    EXPECT_EQ(d.at("surface").at("angle").at("tbUp").get<double>(), e.jacobian.surface[8][4]);
    EXPECT_EQ(d.at("columns").at("lnlwp").at("tbV").get<double>(), e.jacobian.columns[0][1]);
    EXPECT_EQ(d.at("levels").at("height").size(), static_cast<std::size_t>(p.levelCount));
    EXPECT_EQ(d.at("levels").at("humidity").at("opacity")[2].get<double>(), e.jacobian.Level(JacobianOutput::opacity, LevelQuantity::humidity, 2));
    EXPECT_EQ(d.at("weighting").at("tbH")[1].get<double>(), WeightingFunction(e.jacobian, JacobianOutput::tbH, ViewOf(p))[1]);
    EXPECT_EQ(d.at("units").at("humidity"), "K/(g/m3)");
    // The derivative the command reports is that of the command's own results.
    auto tbAt = [&with](const std::string& wind) {
        const auto r = with({"--json"}, wind);
        return nlohmann::json::parse(r.out).at("tbH").get<double>();
    };
    const double central = (tbAt("8.01") - tbAt("7.99")) / 0.02;
    EXPECT_TRUE(test::RelativelyNear(central, e.jacobian.surface[1][2], 1e-6));
    // A list selects: only the surface temperature and the weighting functions.
    run = with({"--json", "--jacobians", "sst,weighting"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto some = nlohmann::json::parse(run.out).at("jacobians");
    EXPECT_EQ(some.at("surface").size(), 1u);
    EXPECT_FALSE(some.contains("columns"));
    EXPECT_FALSE(some.at("levels").contains("airTemperature"));
    EXPECT_TRUE(some.contains("weighting"));
    // Text: the tables, top level first.
    run = with({"--jacobians", "wind,temperature"});  // the old name of airTemperature
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("wind, K/(m/s)"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Derivatives with respect to each level's airTemperature, K/K"), std::string::npos);
    EXPECT_EQ(run.out.find("Weighting functions"), std::string::npos);
    // Refusals, and the chart of the weighting functions.
    // An unknown derivative is refused before anything is printed, in text and JSON.
    for (const bool json : {false, true}) {
        std::vector<std::string> args{"calc", "--jacobians", "sst,depth"};
        if (json) args.push_back("--json");
        const auto refused = RunSeasky(args);
        EXPECT_EQ(refused.status, 2);
        EXPECT_EQ(refused.out, "") << json;
    }
    EXPECT_EQ(with({"--plot", "w.gif"}).status, 2);
    const test::TemporaryFile anchor("", "anchor");
    const std::string svg = std::filesystem::path(anchor.path()).parent_path().string() + "/weighting.svg";
    run = with({"--plot", svg});
    ASSERT_EQ(run.status, 0) << run.err;
    std::ifstream in(svg);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("Height (km)"), std::string::npos);
    EXPECT_EQ(text.find("surface="), std::string::npos);
    // A chart of another model set says so in its title.
    run = with({"--plot", svg, "--model", "surface=mw2012"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::ifstream chosen(svg);
    const std::string chosenText((std::istreambuf_iterator<char>(chosen)), std::istreambuf_iterator<char>());
    EXPECT_NE(chosenText.find("surface=mw2012"), std::string::npos);
    std::filesystem::remove(svg);
}


// The names the derivatives are written under are the documented ones (README,
// "Derivatives"), in that order: each output under the key of the result it
// differentiates, and under each name the derivative of that output with
// respect to that input.
TEST(CalcCommand, JacobianJsonKeysAreTheDocumentedNames) {
    const std::vector<std::string> outputs{"tbV",           "tbH",           "tbPlus45",       "tbMinus45",
                                           "tbThirdStokes", "tbFourthStokes", "tbLeftCircular", "tbRightCircular",
                                           "tbUp",          "tbDown",        "opacity"};
    const std::vector<std::string> inputs{"sst", "salinity", "wind", "azimuth", "angle"};
    const std::vector<std::string> columns{"lntcwv", "lnlwp"};
    const std::vector<std::string> quantities{"airTemperature", "pressure", "humidity", "cloud"};
    const auto run = RunSeasky({"calc", "--profile", "tropical-cloudy", "--freq", "36.5", "--json", "--jacobians"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto j = nlohmann::ordered_json::parse(run.out);
    const auto& d = j.at("jacobians");
    auto keys = [](const nlohmann::ordered_json& object) {
        std::vector<std::string> k;
        for (const auto& item : object.items()) k.push_back(item.key());
        return k;
    };
    CalculationInputs in;
    in.frequency = 36.5;
    const ProfileStore p = Bundled("tropical-cloudy");
    const Jacobian e = CalculateWithJacobian(in, ViewOf(p)).jacobian;
    for (const std::string& o : outputs) EXPECT_TRUE(j.contains(o)) << o;  // the result it differentiates
    EXPECT_EQ(keys(d.at("surface")), inputs);
    for (std::size_t k = 0; k < inputs.size(); ++k) {
        EXPECT_EQ(keys(d.at("surface").at(inputs[k])), outputs);
        for (std::size_t o = 0; o < outputs.size(); ++o)
            EXPECT_EQ(d.at("surface").at(inputs[k]).at(outputs[o]).get<double>(),
                      e.Surface(kJacobianOutputList[o], kSurfaceInputList[k]))
                << inputs[k] << " " << outputs[o];
    }
    EXPECT_EQ(keys(d.at("columns")), columns);
    for (std::size_t c = 0; c < columns.size(); ++c) {
        EXPECT_EQ(keys(d.at("columns").at(columns[c])), outputs);
        for (std::size_t o = 0; o < outputs.size(); ++o)
            EXPECT_EQ(d.at("columns").at(columns[c]).at(outputs[o]).get<double>(),
                      e.Column(kJacobianOutputList[o], kWaterColumnList[c]));
    }
    std::vector<std::string> levelKeys{"height"};
    levelKeys.insert(levelKeys.end(), quantities.begin(), quantities.end());
    EXPECT_EQ(keys(d.at("levels")), levelKeys);
    for (std::size_t q = 0; q < quantities.size(); ++q) {
        EXPECT_EQ(keys(d.at("levels").at(quantities[q])), outputs);
        for (std::size_t o = 0; o < outputs.size(); ++o)
            EXPECT_EQ(d.at("levels").at(quantities[q]).at(outputs[o])[3].get<double>(),
                      e.Level(kJacobianOutputList[o], kLevelQuantities[q], 3));
    }
    EXPECT_EQ(keys(d.at("weighting")), outputs);
    std::vector<std::string> unitKeys = inputs;
    unitKeys.insert(unitKeys.end(), columns.begin(), columns.end());
    unitKeys.push_back("height");
    unitKeys.insert(unitKeys.end(), quantities.begin(), quantities.end());
    unitKeys.insert(unitKeys.end(), {"weighting", "opacity"});
    EXPECT_EQ(keys(d.at("units")), unitKeys);
}
TEST(ProfilesCommand, ListsEveryBundledAtmosphere) {
    const auto run = RunSeasky({"profiles"});
    ASSERT_EQ(run.status, 0);
    int lines = 0;
    for (const StandardAtmosphere& a : StandardAtmospheres()) {
        EXPECT_NE(run.out.find(std::string(a.name) + "  "), std::string::npos) << a.name;
        ++lines;
        // Each name also works as --profile.
        EXPECT_EQ(RunSeasky({"calc", "--profile", std::string(a.name), "--json"}).status, 0) << a.name;
    }
    EXPECT_EQ(lines, 7);
    EXPECT_NE(run.out.find("(default)"), std::string::npos);
}

TEST(CommandLine, ParserRefusalsAreInRussianWithStatus2) {
    // Each refusal of the option parser, in the language of every other message.
    const std::vector<std::vector<std::string>> bad{{"calc", "--frequency", "37"},
                                                    {"calc", "--freq"},
                                                    {"calc", "--freq", "37", "--freq", "19"},
                                                    {"calc", "--json=maybe"},
                                                    {"no-such-command"}};
    for (const auto& args : bad) {
        const auto run = RunSeasky(args);
        EXPECT_EQ(run.status, 2) << args[1 % args.size()];
        EXPECT_TRUE(run.out.empty());
        EXPECT_NE(run.err.find("Справка: seasky --help"), std::string::npos) << run.err;
        // CLI11's own English words must not show through.
        for (const char* english : {"not expected", "required", "Expected", "allowed", "Could not", "excludes"})
            EXPECT_EQ(run.err.find(english), std::string::npos) << run.err;
    }
    EXPECT_NE(RunSeasky({"calc", "--frequency", "37"}).err.find("Неизвестн"), std::string::npos);
    // --version is not a calculation option: it prints "seasky X.Y.Z".
    const auto version = RunSeasky({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("seasky ", 0), 0u) << version.out;
    EXPECT_EQ(version.out.back(), '\n');
}

// A stream whose every write fails, as standard output on a full disk.
class FailingBuffer : public std::streambuf {
protected:
    int_type overflow(int_type) override { return traits_type::eof(); }
    std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

TEST(CommandLine, ResultsThatCannotBeWrittenAreAFailure) {
    FailingBuffer buffer;
    std::ostream out(&buffer);
    std::ostringstream err;
    for (const char* command : {"calc", "profiles"}) {
        err.str("");
        out.clear();
        const char* argv[] = {"seasky", command};
        EXPECT_EQ(RunCli(2, argv, out, err), kOutputError) << command;
        EXPECT_NE(err.str().find("Не удалось записать результаты"), std::string::npos) << err.str();
    }
    // Refused input stays a usage error, whatever the output stream.
    out.clear();
    const char* argv[] = {"seasky", "calc", "--freq", "100"};
    EXPECT_EQ(RunCli(4, argv, out, err), kUsageError);
}

TEST(CalcCommand, RequestsBeyondTheCostLimitsAreRefusedBeforeComputing) {
    // 60 GHz lies in the oxygen band (0.05 GHz step): 100 GHz is 2001
    // sub-frequencies, one more than allowed.
    auto run = RunSeasky({"calc", "--freq", "60", "--band", "100"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("2000"), std::string::npos) << run.err;
    run = RunSeasky({"atmosphere", "--profile", "tropical", "--freq", "60", "--band", "100"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("2000"), std::string::npos) << run.err;

    // 100000 levels over 0-1000 m: 50 sub-frequencies of 100130 work units
    // exceed 3,000,000; the derivatives allow at most 25000 levels.
    std::string text = "100000\n";
    for (int i = 0; i < 100000; ++i) text += std::to_string(i * 0.01) + " 288 1000 10 0\n";
    const test::TemporaryFile dense(text);
    run = RunSeasky({"calc", "--profile", dense.path(), "--freq", "37", "--band", "4.9"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("3000000"), std::string::npos) << run.err;
    run = RunSeasky({"calc", "--profile", dense.path(), "--jacobians", "weighting"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("25000"), std::string::npos) << run.err;
    run = RunSeasky({"sensor", "--sensor", "amsr2", "--profile", dense.path(), "--jacobians", "weighting"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("Канал "), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty());
}

}  // namespace
}  // namespace seasky

namespace seasky {
namespace {

using test::RunSeasky;

nlohmann::ordered_json JsonOf(const test::CliRun& run) {
    EXPECT_EQ(run.status, 0) << run.err;
    return nlohmann::ordered_json::parse(run.out.empty() ? "{}" : run.out);
}

TEST(CalcModelSet, ChoicesFromOptionsFilesAndTheOlderFlag) {
    const std::vector<std::string> inputs{"calc", "--freq", "89", "--wind", "14", "--azimuth", "30", "--json"};
    auto with = [&](std::vector<std::string> extra) {
        std::vector<std::string> args = inputs;
        args.insert(args.end(), extra.begin(), extra.end());
        return RunSeasky(args);
    };
    const auto standard = JsonOf(with({}));
    EXPECT_EQ(standard["models"], nlohmann::ordered_json::parse(
                                      R"({"surface":"default","cosmic":"default","direction-rows":"v-h","wind-range":"default"})"));
    EXPECT_EQ(standard["cosmicTemperature"], 2.73);
    // Each choice reaches the calculation: the same numbers as the library's.
    const auto chosen = JsonOf(with({"--model", "surface=mw2012", "--model", "cosmic=effective"}));
    ModelSet models;
    models.surface = SurfaceModel::mw2012;
    models.cosmic = CosmicModel::effective;
    const CalculationResult r =
        Calculate({89.0, 53.1, 30.0, 20.0, 35.0, 14.0, 0.0}, test::Bundled("midlatitude-summer"), models);
    EXPECT_EQ(chosen["tbV"], r.tbV);
    EXPECT_EQ(chosen["tbThirdStokes"], r.tbThirdStokes);
    EXPECT_EQ(chosen["cosmicTemperature"], r.cosmicTemperature);
    EXPECT_EQ(chosen["models"]["surface"], "mw2012");
    // A model-set file, as an object of choices or as a whole result; options override it.
    const test::TemporaryFile file(R"({"surface": "mw2012", "cosmic": "effective"})", "models.json");
    EXPECT_EQ(JsonOf(with({"--model-file", file.path()}))["tbV"], r.tbV);
    const test::TemporaryFile result(chosen.dump(), "result.json");
    EXPECT_EQ(JsonOf(with({"--model-file", result.path()}))["tbV"], r.tbV);
    EXPECT_EQ(JsonOf(with({"--model-file", result.path(), "--model", "surface=default", "--model",
                           "cosmic=default"}))["tbV"],
              standard["tbV"]);
    // --direction-rows is --model direction-rows=...
    EXPECT_EQ(with({"--direction-rows", "sum-difference"}).out, with({"--model", "direction-rows=sum-difference"}).out);
    EXPECT_NE(with({"--direction-rows", "sum-difference"}).out, with({}).out);
    // Refusals: status 2, nothing on standard output, a message naming what there is.
    const test::TemporaryFile bad(R"({"surface": 2012})", "bad.json");
    for (const std::vector<std::string>& extra :
         {std::vector<std::string>{"--model", "surface=mw2013"}, {"--model", "ocean=mw2012"}, {"--model", "surface"},
          {"--model-file", bad.path()}, {"--model-file", "/nonexistent/models.json"}, {"--direction-rows", "x"}}) {
        const auto run = with(extra);
        EXPECT_EQ(run.status, 2) << extra[1];
        EXPECT_EQ(run.out, "") << extra[1];
        EXPECT_FALSE(run.err.empty());
    }
    EXPECT_NE(with({"--model", "surface=mw2013"}).err.find("default, mw2012"), std::string::npos);
    // The wind range follows the surface model.
    EXPECT_EQ(RunSeasky({"calc", "--wind", "30"}).status, 2);
    EXPECT_EQ(RunSeasky({"calc", "--wind", "30", "--model", "surface=mw2012"}).status, 0);
    EXPECT_EQ(RunSeasky({"calc", "--wind", "41", "--model", "surface=mw2012"}).status, 2);
}

TEST(CalcModelSet, SensorSweepAndModelCommandsRecordWhatMadeTheirResults) {
    // seasky sensor: the scene's inputs (the angle only when given) and the profile.
    const auto sensor = JsonOf(RunSeasky({"sensor", "--sensor", "gmi", "--channels", "36.5V", "--wind", "27",
                                          "--model", "surface=mw2012", "--json"}));
    EXPECT_EQ(sensor["models"]["surface"], "mw2012");
    EXPECT_EQ(sensor["inputs"]["wind"], 27.0);
    EXPECT_FALSE(sensor["inputs"].contains("angle"));
    EXPECT_EQ(sensor["inputs"]["profile"]["source"], "midlatitude-summer");
    EXPECT_EQ(sensor["sensor"], "gmi");
    // seasky sweep --json: per profile, the inputs but the varied one.
    const auto sweep = JsonOf(RunSeasky({"sweep", "--vary", "wind=0:10:5", "--profile", "tropical", "--model",
                                         "cosmic=effective", "--json"}));
    ASSERT_TRUE(sweep.is_array());
    EXPECT_EQ(sweep[0]["models"]["cosmic"], "effective");
    EXPECT_FALSE(sweep[0]["inputs"].contains("wind"));
    EXPECT_EQ(sweep[0]["inputs"]["frequency"], 18.7);
    EXPECT_EQ(sweep[0]["inputs"]["profile"]["levels"]["pressure"].size(), Bundled("tropical").pressure.size());
    // The subcommands of one model record their own inputs.
    const auto absorption = JsonOf(RunSeasky({"absorption", "--freq", "22.235", "--air-temp", "290", "--pressure",
                                              "1000", "--humidity", "10", "--json"}));
    EXPECT_EQ(absorption["inputs"]["airTemperature"], 290.0);
    EXPECT_EQ(absorption["inputs"]["cloudWater"], 0.0);
    EXPECT_EQ(absorption["version"], sweep[0]["version"]);
    const auto atmosphere =
        JsonOf(RunSeasky({"atmosphere", "--profile", "tropical", "--freq", "23.8", "--json"}));
    EXPECT_EQ(atmosphere["inputs"]["profile"]["source"], "tropical");
}

TEST(CalcModelSet, AResultIsComputedAgainFromItsOwnRecord) {
    // A profile file of the user's, which is gone when the record is replayed.
    auto profile = std::make_unique<test::TemporaryFile>(std::string(FindStandardAtmosphere("tropical")->text));
    const auto first = RunSeasky({"calc", "--profile", profile->path(), "--freq", "36.5", "--angle", "55",
                                  "--azimuth", "120", "--temp", "27", "--salinity", "34", "--wind", "23", "--band",
                                  "1", "--model", "surface=mw2012", "--model", "cosmic=effective", "--json"});
    const auto j = JsonOf(first);
    EXPECT_EQ(j["version"].get<std::string>().rfind("seasky ", 0), 0u);
    EXPECT_EQ(j["inputs"]["wind"], 23.0);
    EXPECT_EQ(j["inputs"]["profile"]["source"], profile->path());
    EXPECT_EQ(j["inputs"]["profile"]["levels"]["height"].size(), Bundled("tropical").height.size());
    profile.reset();
    const test::TemporaryFile record(first.out, "record.json");
    const auto again = RunSeasky({"calc", "--from", record.path(), "--json"});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.out, first.out);  // every digit, the record included
    // The record fixes every input: nothing else may be given with it.
    EXPECT_EQ(RunSeasky({"calc", "--from", record.path(), "--wind", "3"}).status, 2);
    EXPECT_EQ(RunSeasky({"calc", "--from", record.path(), "--model", "surface=default"}).status, 2);
    // A record that is not one, or whose profile is broken, is refused by name.
    nlohmann::ordered_json broken = j;
    broken["inputs"]["profile"]["levels"]["pressure"].erase(0);
    const test::TemporaryFile bad(broken.dump(), "bad.json");
    const auto refused = RunSeasky({"calc", "--from", bad.path()});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("разной длины"), std::string::npos) << refused.err;
    broken = j;
    broken["inputs"]["profile"]["levels"]["airTemperature"][3] = 20.0;
    const test::TemporaryFile cold(broken.dump(), "cold.json");
    EXPECT_NE(RunSeasky({"calc", "--from", cold.path()}).err.find("уровень 4"), std::string::npos);
    const test::TemporaryFile other(R"({"tbV": 200})", "other.json");
    EXPECT_EQ(RunSeasky({"calc", "--from", other.path()}).status, 2);
}

TEST(CalcCommand, WindsBeyond20MsOnlyWithTheExtendedWindRangeAndThenNoted) {
    const std::vector<std::string> inputs{"calc", "--freq", "36.5", "--angle", "55", "--azimuth", "45", "--wind", "27"};
    auto with = [&](std::vector<std::string> extra) {
        std::vector<std::string> args = inputs;
        args.insert(args.end(), extra.begin(), extra.end());
        return RunSeasky(args);
    };
    // Refused by default, with the table's message, and nothing printed.
    const auto refused = with({});
    EXPECT_EQ(refused.status, 2);
    EXPECT_TRUE(refused.out.empty());
    EXPECT_EQ(refused.err, std::string(QuantityOf(Checked::Wind).message) + "\n" + kWindRangeHint + "\n");
    // A wind below 0 is refused without the hint.
    const auto negative = RunSeasky({"calc", "--wind", "-1"});
    EXPECT_EQ(negative.err, std::string(QuantityOf(Checked::Wind).message) + "\n");
    // Computed with the extension, noted on stderr in the text form.
    const auto text = with({"--model", "wind-range=extended"});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.err.rfind("Note: ", 0), 0u) << text.err;
    EXPECT_NE(text.err.find("27 m/s lies beyond 20 m/s"), std::string::npos) << text.err;
    const auto at20 = RunSeasky({"calc", "--freq", "36.5", "--wind", "20", "--model", "wind-range=extended"});
    ASSERT_EQ(at20.status, 0) << at20.err;
    EXPECT_TRUE(at20.err.empty()) << at20.err;  // within the fitted range: no note
    // The JSON records the choice; the surface is the emissivity subcommand's
    // straight extension at that wind.
    const auto json = JsonOf(with({"--model", "wind-range=extended", "--json"}));
    EXPECT_EQ(json["models"]["wind-range"], "extended");
    const auto surface =
        JsonOf(RunSeasky({"emissivity", "--freq", "36.5", "--angle", "55", "--azimuth", "45", "--sea-temp", "20",
                          "--salinity", "35", "--wind", "27", "--json"}));
    EXPECT_EQ(json["emissivityV"], surface["totalV"]);
    EXPECT_EQ(json["emissivityH"], surface["totalH"]);
    EXPECT_EQ(json["windV"], surface["windV"]);
    // mw2012 takes the wind on its own range, with no note, whatever the range choice.
    const auto mw = with({"--model", "surface=mw2012", "--model", "wind-range=extended"});
    ASSERT_EQ(mw.status, 0) << mw.err;
    EXPECT_TRUE(mw.err.empty()) << mw.err;
    EXPECT_EQ(mw.out, with({"--model", "surface=mw2012"}).out);
    const auto beyond = RunSeasky({"calc", "--wind", "40.5", "--model", "wind-range=extended"});
    EXPECT_EQ(beyond.status, 2);
    EXPECT_NE(beyond.err.find(QuantityOf(Checked::ExtendedWind).message), std::string::npos) << beyond.err;
}

}  // namespace
}  // namespace seasky
