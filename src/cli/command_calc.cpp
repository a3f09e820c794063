// seasky calc: the main job, one complete calculation of the brightness
// temperatures at the top of the atmosphere; seasky profiles: the bundled atmospheres.
#include <algorithm>
#include <string>

#include "app/calculation.h"
#include "app/input_ranges.h"
#include "app/standard_atmospheres.h"
#include "cli/commands.h"
#include "common/number_text.h"

namespace seasky::cli {

namespace {

constexpr std::array<const char*, 7> kResultUnits{"K", "K", "K", "K", "K", "K", "Np"};

}  // namespace

void AddCalcCommand(CLI::App& app, Context& context) {
    CLI::App* command = app.add_subcommand(
        "calc", "Brightness temperatures at the top of the atmosphere (the default when no subcommand is given)");
    auto profileName = std::make_shared<std::string>(kDefaultAtmosphere);
    command->add_option("--profile", *profileName, "Profile file or bundled atmosphere name (seasky profiles)")
        ->capture_default_str();
    auto options = std::make_shared<NumberOptions>();
    const CalculationInputs defaults;
    auto text = [](double v) { return FormatGeneral(v, '.'); };
    options->Add(command, "freq", "Frequency, GHz (6.75 to 89)", false, text(defaults.frequency));
    options->Add(command, "angle", "Incidence angle, degrees (0 to 65)", false, text(defaults.angle));
    options->Add(command, "azimuth", "Azimuth of the observation relative to the wind, degrees (0 to 360)", false,
                 text(defaults.azimuth));
    options->Add(command, "temp", "Sea-water temperature, degrees C (-3 to 37)", false, text(defaults.seaTemperature));
    options->Add(command, "salinity", "Salinity, per mille (0 to 45)", false, text(defaults.salinity));
    options->Add(command, "wind", "Near-surface wind speed, m/s (0 to 20)", false, text(defaults.wind));
    options->Add(command, "band", "Receiver bandwidth, GHz (0 = one frequency)", false, text(defaults.bandwidth));
    auto rows = std::make_shared<std::string>();
    AddDirectionRowsOption(command, *rows);
    AddJsonFlag(command, context);
    command->callback([options, profileName, rows, &context] {
        context.action = [options, profileName, rows, &context] {
            CalculationInputs in;
            in.frequency = options->Get("freq");
            in.angle = options->Get("angle");
            in.azimuth = options->Get("azimuth");
            in.seaTemperature = options->Get("temp");
            in.salinity = options->Get("salinity");
            in.wind = options->Get("wind");
            in.bandwidth = options->Get("band");
            // The ranges first, so that a bad value is reported before a bad profile.
            const std::string failure =
                FirstRangeFailure(in.frequency, in.angle, in.azimuth, in.seaTemperature, in.salinity, in.wind);
            if (!failure.empty()) throw InputError(failure);
            CheckBandEdge(in.frequency, in.bandwidth);
            ModelOptions model;
            model.directionRows = DirectionRowsOf(*rows);
            const ProfileStore profile = LoadProfileArgument(*profileName);
            const CalculationResult r = Calculate(in, profile, model);
            if (context.json) {
                PrintJson(context.out, Json{{"tbV", r.tbV},
                                            {"tbH", r.tbH},
                                            {"tbPlus45", r.tbPlus45},
                                            {"tbMinus45", r.tbMinus45},
                                            {"tbUp", r.tbUp},
                                            {"tbDown", r.tbDown},
                                            {"opacity", r.opacity},
                                            {"transmittance", r.transmittance},
                                            {"emissivityV", r.emissivityV},
                                            {"emissivityH", r.emissivityH},
                                            {"omegaV", r.omegaV},
                                            {"omegaH", r.omegaH},
                                            {"thirdStokes", r.thirdStokes}});
            } else {
                const std::array<double, 7> values = ResultValues(r);
                std::vector<Line> lines;
                for (std::size_t i = 0; i < values.size(); ++i)
                    lines.push_back({kResultCaptions[i], values[i], kResultUnits[i]});
                PrintLines(context.out, lines);
            }
        };
    });
}

void AddProfilesCommand(CLI::App& app, Context& context) {
    CLI::App* command = app.add_subcommand("profiles", "List the bundled standard atmospheres");
    command->callback([&context] {
        context.action = [&context] {
            std::size_t width = 0;
            for (const StandardAtmosphere& a : StandardAtmospheres()) width = std::max(width, a.name.size());
            for (const StandardAtmosphere& a : StandardAtmospheres()) {
                context.out << a.name << std::string(width + 2 - a.name.size(), ' ') << a.description;
                if (a.name == kDefaultAtmosphere) context.out << " (default)";
                context.out << '\n';
            }
        };
    });
}

}  // namespace seasky::cli
