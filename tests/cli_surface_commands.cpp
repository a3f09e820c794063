// seasky permittivity and seasky emissivity: values, output forms and refusals.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli_support.h"
#include "surface/sea_water_permittivity.h"
#include "surface/flat_sea_emissivity.h"
#include "surface/surface_emissivity.h"
#include "surface/wind_direction_signal.h"
#include "surface/wind_emissivity.h"

namespace seasky {
namespace {

using test::RunSeasky;

std::vector<std::string> Emissivity(std::string f, std::string a, std::string phi, std::string t, std::string s,
                                    std::string w) {
    return {"emissivity", "--freq", f, "--angle", a, "--azimuth", phi, "--temp", t, "--salinity", s, "--wind", w};
}

TEST(SurfaceCommands, PermittivityJsonAndText) {
    const auto run = RunSeasky({"permittivity", "--freq", "18.7", "--temp", "20", "--salinity", "35", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto j = nlohmann::json::parse(run.out);
    const std::complex<double> eps = SeaWaterPermittivity(20.0, 35.0, 1870);
    EXPECT_EQ(j.at("frequencyCode").get<int>(), 1870);
    EXPECT_EQ(j.at("real").get<double>(), eps.real());
    EXPECT_EQ(j.at("imag").get<double>(), eps.imag());
    const auto text = RunSeasky({"permittivity", "--freq", "22,235", "--temp=-3", "--salinity", "0"});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.out.rfind("frequencyCode: 2223\nreal: ", 0), 0u) << text.out;  // truncated, not rounded
}

TEST(SurfaceCommands, EmissivityJsonTermsAndTotals) {
    auto args = Emissivity("18.7", "53.1", "30", "20", "35", "25");  // wind above 20 m/s is allowed here
    args.push_back("--json");
    const auto run = RunSeasky(args);
    ASSERT_EQ(run.status, 0) << run.err;
    const auto j = nlohmann::ordered_json::parse(run.out);
    std::vector<std::string> keys;
    for (const auto& item : j.items()) keys.push_back(item.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"version", "models", "inputs", "frequencyCode", "specularV", "specularH",
                                              "windV", "windH", "direction", "totalV", "totalH"}));
    const EmissivityPair flat = SpecularEmissivity(1870, 53.1, 20.0, 35.0);
    const EmissivityPair wind = WindEmissivity(1870, 53.1, 20.0, 35.0, 25.0);
    const DirectionalEmissivity d = WindDirectionSignal(1870, 53.1, 30.0, 25.0);
    const EmissivityPair total = SurfaceEmissivity(1870.0, 53.1, 30.0, 20.0, 35.0, 25.0);
    const std::vector<std::pair<const char*, double>> expected = {
        {"specularV", flat.v}, {"specularH", flat.h}, {"windV", wind.v}, {"windH", wind.h},
        {"totalV", total.v},   {"totalH", total.h}};
    EXPECT_EQ(j.at("frequencyCode").get<int>(), 1870);
    for (const auto& [key, value] : expected) EXPECT_EQ(j.at(key).get<double>(), value) << key;
    EXPECT_EQ(j.at("direction").at("code").get<int>(), 1870);  // the surface code, as in the totals
    const std::vector<std::pair<const char*, double>> direction = {{"V", d.V},          {"H", d.H},
                                                                   {"HalfSum", d.HalfSum}, {"Difference", d.Difference},
                                                                   {"Third", d.Third},  {"Fourth", d.Fourth}};
    for (const auto& [key, value] : direction) EXPECT_EQ(j.at("direction").at(key).get<double>(), value) << key;
}

TEST(SurfaceCommands, EmissivityDirectionRowsOption) {
    auto args = Emissivity("10.7", "55.2", "0", "20", "35", "12");
    args.insert(args.end(), {"--direction-rows", "sum-difference", "--json"});
    const auto run = RunSeasky(args);
    ASSERT_EQ(run.status, 0) << run.err;
    const auto j = nlohmann::json::parse(run.out);
    const DirectionalEmissivity old = WindDirectionSignal(1070, 55.2, 0.0, 12.0, DirectionRows::SumDifference);
    const DirectionalEmissivity published = WindDirectionSignal(1070, 55.2, 0.0, 12.0);
    EXPECT_EQ(j.at("direction").at("H").get<double>(), old.H);
    EXPECT_NE(old.H, published.H);
    EXPECT_EQ(j.at("totalH").get<double>(), SurfaceEmissivity(1070.0, 55.2, 0.0, 20.0, 35.0, 12.0,
                                                              DirectionRows::SumDifference).h);
}

TEST(SurfaceCommands, InclusiveBoundsAndTheFirstFailingCheck) {
    EXPECT_EQ(RunSeasky(Emissivity("6.75", "0", "0", "-3", "0", "0")).status, 0);
    EXPECT_EQ(RunSeasky(Emissivity("89", "65", "360", "37", "45", "20")).status, 0);
    EXPECT_EQ(RunSeasky({"permittivity", "--freq", "89", "--temp", "37", "--salinity", "45"}).status, 0);
    const std::string range = "\nДиапазон допустимых значений от ";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {Emissivity("6.7499", "70", "400", "40", "50", "-1"),
         "Введено неверное значение частоты!" + range + "6,75 до 89 ГГц.\n"},
        {Emissivity("18.7", "65.01", "400", "40", "50", "-1"),
         "Введено неверное значение угла встречи с землей!" + range + "0 до 65 град.\n"},
        {Emissivity("18.7", "30", "-0.1", "40", "50", "-1"),
         "Введено неверное значение азимутального угла!" + range + "0 до 360 град.\n"},
        {Emissivity("18.7", "30", "0", "37.1", "50", "-1"),
         "Введено неверное значение температуры воды!" + range + "-3 до 37 град. С\n"},
        {Emissivity("18.7", "30", "0", "20", "45.1", "-1"),
         "Введено неверное значение солености воды!" + range + "0 до 45 промилле\n"},
        {Emissivity("18.7", "30", "0", "20", "35", "-0.1"),
         "Введено неверное значение скорости ветра!" + range + "0 до 20 м/с\n"},
        {{"permittivity", "--freq", "89.0001", "--temp", "99", "--salinity", "99"},
         "Введено неверное значение частоты!" + range + "6,75 до 89 ГГц.\n"},
        {{"permittivity", "--freq", "37", "--temp", "20", "--salinity", "-1"},
         "Введено неверное значение солености воды!" + range + "0 до 45 промилле\n"},
    };
    for (const auto& [args, message] : cases) {
        const auto run = RunSeasky(args);
        EXPECT_EQ(run.status, 2) << args[2];
        EXPECT_EQ(run.out, "") << args[2];
        EXPECT_EQ(run.err, message) << args[2];
    }
}

// --sea-temp is the sea temperature of the surface commands and of calc; the
// old --temp still means it there. Both at once, or neither where it is
// required, are refused by the parser.
TEST(SurfaceCommands, SeaTemperatureUnderItsNewAndOldNames) {
    const auto renamed = RunSeasky({"permittivity", "--freq", "18.7", "--sea-temp", "12.5", "--salinity", "35"});
    const auto old = RunSeasky({"permittivity", "--freq", "18.7", "--temp", "12.5", "--salinity", "35"});
    ASSERT_EQ(renamed.status, 0) << renamed.err;
    EXPECT_EQ(renamed.out, old.out);
    const auto other = RunSeasky({"permittivity", "--freq", "18.7", "--sea-temp", "13", "--salinity", "35"});
    EXPECT_NE(other.out, renamed.out);  // the value is read, not a default
    auto emissivity = Emissivity("36.5", "55", "40", "7", "33", "9");
    const auto byOld = RunSeasky(emissivity);
    emissivity[7] = "--sea-temp";
    const auto byNew = RunSeasky(emissivity);
    ASSERT_EQ(byNew.status, 0) << byNew.err;
    EXPECT_EQ(byNew.out, byOld.out);
    for (const std::vector<std::string>& calc :
         {std::vector<std::string>{"calc", "--sea-temp", "4", "--json"}, {"calc", "--temp", "4", "--json"}})
        EXPECT_EQ(nlohmann::json::parse(RunSeasky(calc).out).at("tbV"),
                  nlohmann::json::parse(RunSeasky({"calc", "--sea-temp=4", "--json"}).out).at("tbV"));

    const auto both = RunSeasky({"permittivity", "--freq", "18.7", "--sea-temp", "12", "--temp", "12", "--salinity", "35"});
    EXPECT_EQ(both.status, 2);
    EXPECT_EQ(both.out, "");
    EXPECT_EQ(both.err.rfind("Параметры --sea-temp и --temp несовместимы.\n", 0), 0u) << both.err;
    EXPECT_EQ(RunSeasky({"calc", "--temp", "12", "--sea-temp", "12"}).status, 2);
    const auto neither = RunSeasky({"permittivity", "--freq", "18.7", "--salinity", "35"});
    EXPECT_EQ(neither.status, 2);
    EXPECT_EQ(neither.err.rfind("Не задан обязательный параметр --sea-temp.\n", 0), 0u) << neither.err;
    // A bad number is named as it was given.
    EXPECT_EQ(RunSeasky({"permittivity", "--freq", "18.7", "--temp", "x", "--salinity", "35"}).err,
              "Неверное число в параметре --temp: 'x'\n");
    // The help shows the new name alone.
    const auto help = RunSeasky({"emissivity", "--help"});
    EXPECT_NE(help.out.find("--sea-temp"), std::string::npos);
    EXPECT_EQ(help.out.find("--temp"), std::string::npos) << help.out;
}

}  // namespace
}  // namespace seasky
