#include "cli/cli.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/profile_reader.h"
#include "atmosphere/atmosphere_radiation.h"
#include "atmosphere/cloud_absorption.h"
#include "atmosphere/gas_absorption.h"
#include "atmosphere/nitrogen_absorption.h"
#include "common/number_text.h"

namespace seasky {

namespace {

using Json = nlohmann::ordered_json;

// A refusal of the user's input: the message goes to standard error.
struct InputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A number given on the command line; "." and "," are both the decimal point.
double ParseArgument(const std::string& text, const std::string& option) {
    std::string normal = text;
    for (char& c : normal)
        if (c == ',') c = '.';
    const std::optional<double> value = ParseUserNumber(normal, '.');
    if (!value || !std::isfinite(*value))
        throw InputError("Неверное число в параметре " + option + ": '" + text + "'");
    return *value;
}

// One value of text output: "name: value unit".
struct Line {
    std::string name;
    double value;
    std::string unit;
};

void PrintLines(std::ostream& out, const std::vector<Line>& lines) {
    for (const Line& l : lines) {
        out << l.name << ": " << FormatGeneral(l.value, '.');
        if (!l.unit.empty()) out << ' ' << l.unit;
        out << '\n';
    }
}

void PrintJson(std::ostream& out, const Json& json) { out << json.dump() << '\n'; }

// The absorption models hold for 0 < F <= 1000 GHz.
void CheckAbsorptionFrequency(double f) {
    if (!(f > 0.0 && f <= 1000.0))
        throw InputError("Неверное значение частоты!\nДиапазон допустимых значений: больше 0 и не более 1000 ГГц.");
}

void CheckAbsorptionLevel(double t, double p, double rho, double w) {
    if (!(t > 0.0)) throw InputError("Неверное значение температуры воздуха!\nТемпература должна быть больше 0 К.");
    if (!(p >= 0.0)) throw InputError("Неверное значение давления!\nДавление не может быть отрицательным.");
    if (!(rho >= 0.0))
        throw InputError("Неверное значение абсолютной влажности!\nВлажность не может быть отрицательной.");
    if (!(w >= 0.0))
        throw InputError("Неверное значение водности облаков!\nВодность не может быть отрицательной.");
    if (w > 0.0 && t < kMinLiquidCloudTemperature)
        throw InputError("Неверное сочетание водности облаков и температуры!\n"
                         "Жидкая вода в облаках возможна только при температуре не ниже 233,15 К.");
}

// A bundled atmosphere by name, or a profile file.
ProfileStore LoadProfileArgument(const std::string& name) {
    ProfileReadResult result = ReadProfileFile(name);
    if (!result.ok) throw InputError(result.message);
    return std::move(result.profile);
}

// Text options of one subcommand, converted after parsing.
struct NumberOptions {
    std::vector<std::pair<std::string, std::string>> texts;  // option name, text

    std::string& Add(CLI::App* app, const std::string& name, const std::string& help, bool required,
                     const std::string& fallback = {}) {
        texts.emplace_back(name, fallback);
        std::string& text = texts.back().second;
        CLI::Option* option = app->add_option("--" + name, text, help);
        if (required) option->required();
        else if (!fallback.empty()) option->capture_default_str();
        return text;
    }
    double Get(const std::string& name) const {
        for (const auto& [n, t] : texts)
            if (n == name) return ParseArgument(t, "--" + name);
        throw std::logic_error("unknown option " + name);
    }
    bool Given(const CLI::App* app, const std::string& name) const { return app->count("--" + name) > 0; }
};

}  // namespace

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app{"seasky: microwave brightness temperatures of the ocean-atmosphere system "
                 "seen by a satellite radiometer"};
    app.require_subcommand(0, 1);
    app.set_help_all_flag("--help-all", "Print help for all subcommands");
    // Options keep the order of the vector (reserve so references stay valid).
    NumberOptions absorptionOptions, atmosphereOptions;
    absorptionOptions.texts.reserve(8);
    atmosphereOptions.texts.reserve(8);
    bool json = false;
    std::function<void()> action;

    // ---- absorption ----
    CLI::App* absorption = app.add_subcommand(
        "absorption", "Absorption coefficients (Np/km) of clear air and cloud water at one level");
    absorptionOptions.Add(absorption, "freq", "Frequency, GHz (0 < F <= 1000)", true);
    absorptionOptions.Add(absorption, "temp", "Air temperature, K", true);
    absorptionOptions.Add(absorption, "pressure", "Air pressure, mb", true);
    absorptionOptions.Add(absorption, "humidity", "Absolute humidity (water-vapour density), g/m^3", true);
    absorptionOptions.Add(absorption, "cloud", "Cloud liquid water content, g/m^3", false, "0");
    absorption->add_flag("--json", json, "Print one JSON object");
    absorption->callback([&] {
        action = [&] {
            const double f = absorptionOptions.Get("freq");
            const double t = absorptionOptions.Get("temp");
            const double p = absorptionOptions.Get("pressure");
            const double rho = absorptionOptions.Get("humidity");
            const double w = absorptionOptions.Get("cloud");
            CheckAbsorptionFrequency(f);
            CheckAbsorptionLevel(t, p, rho, w);
            const double nitrogen = NitrogenAbsorption(t, p, f);
            const GasAbsorptionRecord gas = GasAbsorption(f, t, p, rho);
            const double cloud = w > 0.0 ? CloudLiquidAbsorption(w, t, f) : 0.0;
            const double total = gas.total + cloud;
            if (json) {
                PrintJson(out, Json{{"nitrogen", nitrogen}, {"oxygen", gas.oxygen}, {"waterVapour", gas.waterVapour},
                                    {"gasTotal", gas.total}, {"cloud", cloud}, {"total", total}});
            } else {
                PrintLines(out, {{"nitrogen", nitrogen, "Np/km"},
                                 {"oxygen", gas.oxygen, "Np/km"},
                                 {"waterVapour", gas.waterVapour, "Np/km"},
                                 {"gasTotal", gas.total, "Np/km"},
                                 {"cloud", cloud, "Np/km"},
                                 {"total", total, "Np/km"}});
            }
        };
    });

    // ---- atmosphere ----
    std::string atmosphereProfile;
    CLI::App* atmosphere = app.add_subcommand(
        "atmosphere", "Brightness (K) and opacity (Np) of the atmosphere seen from below and from above");
    atmosphere->add_option("--profile", atmosphereProfile, "Profile file")->required();
    atmosphereOptions.Add(atmosphere, "freq", "Centre frequency, GHz (0 < F <= 1000)", true);
    atmosphereOptions.Add(atmosphere, "band", "Receiver bandwidth, GHz (0 = one frequency)", false, "0");
    atmosphereOptions.Add(atmosphere, "angle", "View angle from the vertical, degrees (0 to 85)", false, "0");
    atmosphere->add_flag("--json", json, "Print one JSON object");
    atmosphere->callback([&] {
        action = [&] {
            const double f = atmosphereOptions.Get("freq");
            const double band = atmosphereOptions.Get("band");
            const double angle = atmosphereOptions.Get("angle");
            CheckAbsorptionFrequency(f);
            if (band > 0.0 && !(f - band * 0.5 > 0.0))
                throw InputError("Неверное значение полосы частот!\nНижний край полосы должен быть выше 0 ГГц.");
            if (!(angle >= 0.0 && angle <= 85.0))
                throw InputError("Неверное значение угла визирования!\nДиапазон допустимых значений от 0 до 85 град.");
            const ProfileStore profile = LoadProfileArgument(atmosphereProfile);
            const AtmosphereRadiationResult down = AtmosphereRadiation(0.0, f, band, angle, profile);
            const AtmosphereRadiationResult up = AtmosphereRadiation(1.0, f, band, angle, profile);
            if (json) {
                PrintJson(out, Json{{"down", {{"brightness", down.brightness}, {"opacity", down.opacity}}},
                                    {"up", {{"brightness", up.brightness}, {"opacity", up.opacity}}}});
            } else {
                PrintLines(out, {{"down.brightness", down.brightness, "K"},
                                 {"down.opacity", down.opacity, "Np"},
                                 {"up.brightness", up.brightness, "K"},
                                 {"up.opacity", up.opacity, "Np"}});
            }
        };
    });

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return 0;
    } catch (const CLI::CallForAllHelp&) {
        out << app.help("", CLI::AppFormatMode::All);
        return 0;
    } catch (const CLI::ParseError& e) {
        err << e.what() << '\n';
        return kUsageError;
    }
    if (!action) {
        out << app.help();
        return 0;
    }
    try {
        action();
    } catch (const InputError& e) {
        err << e.what() << '\n';
        return kUsageError;
    }
    return 0;
}

}  // namespace seasky
