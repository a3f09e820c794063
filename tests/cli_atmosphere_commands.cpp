// seasky absorption and seasky atmosphere: values, output forms and refusals.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "atmosphere/atmosphere_radiation.h"
#include "atmosphere/cloud_absorption.h"
#include "atmosphere/gas_absorption.h"
#include "atmosphere/nitrogen_absorption.h"
#include "cli_support.h"
#include "test_support.h"

namespace seasky {
namespace {

using test::RunSeasky;

const char* const kProfile =
    "4\n0 295 1010 15 0\n1000 289 900 9 0.1\n3000 277 700 3 0\n12000 218 200 0.01 0\n";

TEST(AbsorptionCommand, JsonNumbersRoundTripToTheModelValues) {
    const auto run = RunSeasky({"absorption", "--freq", "22.235", "--temp", "290", "--pressure", "1000",
                                "--humidity", "8.5", "--cloud", "0.25", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const auto j = nlohmann::json::parse(run.out);
    const GasAbsorptionRecord gas = GasAbsorption(22.235, 290.0, 1000.0, 8.5);
    const double cloud = CloudLiquidAbsorption(0.25, 290.0, 22.235);
    EXPECT_EQ(j.at("nitrogen").get<double>(), NitrogenAbsorption(290.0, 1000.0, 22.235));
    EXPECT_EQ(j.at("oxygen").get<double>(), gas.oxygen);
    EXPECT_EQ(j.at("waterVapour").get<double>(), gas.waterVapour);
    EXPECT_EQ(j.at("gasTotal").get<double>(), gas.total);
    EXPECT_EQ(j.at("cloud").get<double>(), cloud);
    EXPECT_EQ(j.at("total").get<double>(), gas.total + cloud);
}

// --air-temp is the air temperature (K) of absorption; the old --temp still
// means it there.
TEST(AbsorptionCommand, AirTemperatureUnderItsNewAndOldNames) {
    const auto renamed =
        RunSeasky({"absorption", "--freq", "60", "--air-temp", "250", "--pressure", "300", "--humidity", "2.5", "--json"});
    ASSERT_EQ(renamed.status, 0) << renamed.err;
    EXPECT_EQ(nlohmann::json::parse(renamed.out).at("oxygen").get<double>(),
              GasAbsorption(60.0, 250.0, 300.0, 2.5).oxygen);
    EXPECT_EQ(RunSeasky({"absorption", "--freq", "60", "--temp", "250", "--pressure", "300", "--humidity", "2.5",
                         "--json"}).out,
              renamed.out);
    const auto missing = RunSeasky({"absorption", "--freq", "60", "--pressure", "300", "--humidity", "2.5"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err.rfind("Не задан обязательный параметр --air-temp.\n", 0), 0u) << missing.err;
    // A refusal of the air temperature names the air.
    const auto cold = RunSeasky({"absorption", "--freq", "60", "--air-temp", "50", "--pressure", "300", "--humidity", "1"});
    EXPECT_EQ(cold.status, 2);
    EXPECT_NE(cold.err.find("температуры воздуха"), std::string::npos) << cold.err;
}

TEST(AbsorptionCommand, TextLinesAndDecimalComma) {
    const auto run =
        RunSeasky({"absorption", "--freq", "18,7", "--temp", "300", "--pressure", "1013", "--humidity", "10"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("nitrogen: 3.00628861357248E-5 Np/km\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("cloud: 0 Np/km\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("waterVapour: 0.0178978395302053 Np/km\n"), std::string::npos) << run.out;
}

TEST(AbsorptionCommand, RefusesUnphysicalInputWithStatus2AndNoOutput) {
    const std::vector<std::vector<std::string>> bad = {
        {"--freq", "0", "--temp", "300", "--pressure", "1013", "--humidity", "10"},
        {"--freq", "1001", "--temp", "300", "--pressure", "1013", "--humidity", "10"},
        {"--freq", "22", "--temp", "0", "--pressure", "1013", "--humidity", "10"},
        {"--freq", "22", "--temp", "300", "--pressure", "-1", "--humidity", "10"},
        {"--freq", "22", "--temp", "300", "--pressure", "1013", "--humidity", "-1"},
        {"--freq", "22", "--temp", "300", "--pressure", "1013", "--humidity", "1", "--cloud", "-0.1"},
        {"--freq", "22", "--temp", "220", "--pressure", "300", "--humidity", "1", "--cloud", "0.1"},
        {"--freq", "abc", "--temp", "300", "--pressure", "1013", "--humidity", "10"},
        {"--freq", "nan", "--temp", "300", "--pressure", "1013", "--humidity", "10"},
        {"--temp", "300", "--pressure", "1013", "--humidity", "10"},
    };
    for (auto args : bad) {
        args.insert(args.begin(), "absorption");
        const auto run = RunSeasky(args);
        EXPECT_EQ(run.status, 2) << args[2];
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err, "");
    }
}

TEST(AtmosphereCommand, BothEndsMatchTheModel) {
    const test::TemporaryFile file(kProfile);
    const auto run = RunSeasky(
        {"atmosphere", "--profile", file.path(), "--freq", "36.5", "--band", "0.3", "--angle", "53.1", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto j = nlohmann::json::parse(run.out);
    ProfileStore s;
    s.levelCount = 4;
    s.height = {0, 1000, 3000, 12000};
    s.airTemperature = {295, 289, 277, 218};
    s.pressure = {1010, 900, 700, 200};
    s.absoluteHumidity = {15, 9, 3, 0.01};
    s.cloudWater = {0, 0.1, 0, 0};
    const auto down = AtmosphereRadiation(0.0, 36.5, 0.3, 53.1, s);
    const auto up = AtmosphereRadiation(1.0, 36.5, 0.3, 53.1, s);
    EXPECT_EQ(j.at("down").at("brightness").get<double>(), down.brightness);
    EXPECT_EQ(j.at("down").at("opacity").get<double>(), down.opacity);
    EXPECT_EQ(j.at("up").at("brightness").get<double>(), up.brightness);
    EXPECT_EQ(j.at("up").at("opacity").get<double>(), up.opacity);

    const auto text = RunSeasky({"atmosphere", "--profile", file.path(), "--freq", "36.5"});
    ASSERT_EQ(text.status, 0);
    EXPECT_NE(text.out.find("down.brightness: "), std::string::npos);
    EXPECT_NE(text.out.find(" Np\nup.brightness"), std::string::npos) << text.out;
}

TEST(AtmosphereCommand, RefusedProfilesAndArguments) {
    const test::TemporaryFile broken("3\n0 295 1010 15 0\n1000 289 900 9 0.1\n");
    auto run = RunSeasky({"atmosphere", "--profile", broken.path(), "--freq", "36.5"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("уровень 3, высота"), std::string::npos) << run.err;

    run = RunSeasky({"atmosphere", "--profile", broken.path() + ".missing", "--freq", "36.5"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "Не могу открыть файл\n" + broken.path() + ".missing\n");

    const test::TemporaryFile good(kProfile);
    for (const std::vector<std::string>& extra :
         {std::vector<std::string>{"--angle", "86"}, {"--angle", "-1"}, {"--band", "80"}, {"--freq", "-3"}}) {
        std::vector<std::string> args = {"atmosphere", "--profile", good.path(), "--freq", "36.5"};
        args.insert(args.end(), extra.begin(), extra.end());
        run = RunSeasky(args);
        EXPECT_EQ(run.status, 2) << extra[0] << " " << extra[1];
        EXPECT_EQ(run.out, "");
    }
    run = RunSeasky({"atmosphere", "--freq", "36.5"});  // no profile
    EXPECT_EQ(run.status, 2);
    run = RunSeasky({"no-such-command"});
    EXPECT_EQ(run.status, 2);
}

}  // namespace
}  // namespace seasky
