// seasky calc: the main job, one complete calculation of the brightness
// temperatures at the top of the atmosphere; seasky profiles: the bundled atmospheres.
#include <algorithm>
#include <memory>
#include <numeric>
#include <string>

#include "app/calculation.h"
#include "app/calculation_cost.h"
#include "app/data_paths.h"
#include "app/jacobian.h"
#include "app/standard_atmospheres.h"
#include "cli/commands.h"
#include "cli/jacobian_output.h"
#include "common/number_text.h"

namespace seasky::cli {

namespace {

constexpr std::array<const char*, 7> kResultUnits{"K", "K", "K", "K", "K", "K", "Np"};

}  // namespace

void AddCalculationInputOptions(CLI::App* command, NumberOptions& o) {
    NumberOptions* options = &o;
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
}

CalculationInputs CalculationInputsOf(const NumberOptions& options) {
    CalculationInputs in;
    in.frequency = options.Get("freq");
    in.angle = options.Get("angle");
    in.azimuth = options.Get("azimuth");
    in.seaTemperature = options.Get("temp");
    in.salinity = options.Get("salinity");
    in.wind = options.Get("wind");
    in.bandwidth = options.Get("band");
    return in;
}

Json CalculationJson(const CalculationResult& r) {
    Json j = Json::object();
    for (const ResultField& f : kResultFields) {
        const double v = f.value(r);
        if (f.integer) j[f.name] = static_cast<long long>(v);
        else j[f.name] = v;
    }
    return j;
}

void AddCalcCommand(CLI::App& app, Context& context) {
    CLI::App* command = app.add_subcommand(
        "calc", "Brightness temperatures at the top of the atmosphere (the default when no subcommand is given)");
    auto profileName = std::make_shared<std::string>(kDefaultAtmosphere);
    command->add_option("--profile", *profileName, "Profile file or bundled atmosphere name (seasky profiles)")
        ->capture_default_str();
    auto options = std::make_shared<NumberOptions>();
    AddCalculationInputOptions(command, *options);
    auto rows = std::make_shared<std::string>();
    AddDirectionRowsOption(command, *rows);
    auto jacobians = std::make_shared<JacobiansArgument>();
    AddJacobiansOption(command, *jacobians);
    auto plot = std::make_shared<std::string>();
    command->add_option("--plot", *plot, "Draw the weighting functions of V and H to FILE.png or FILE.svg");
    AddJsonFlag(command, context);
    command->callback([=, &context] {
        context.action = [=, &context] {
            const CalculationInputs in = CalculationInputsOf(*options);
            // The inputs first, so that a bad value is reported before a bad profile.
            ThrowIfRefused(ValidateInputs(in));
            ModelOptions model;
            model.directionRows = DirectionRowsOf(*rows);
            const JacobianSelection selection =
                jacobians->Given() ? jacobians->Selection() : JacobianSelection{};
            CheckPlotName(*plot);
            const ProfileStore profile = LoadProfileArgument(*profileName);
            const bool derivatives = jacobians->Given() || !plot->empty();
            ThrowIfRefused(CheckCalculationCost(in.frequency, in.bandwidth, ViewOf(profile), derivatives));
            CalculationWithJacobian withJacobian;
            if (derivatives) withJacobian = CalculateWithJacobian(in, ViewOf(profile), model);
            const CalculationResult r = derivatives ? withJacobian.result : Calculate(in, profile, model);
            // The outputs of the text form: V, H, +45, -45, TB up, TB down, opacity.
            const std::vector<JacobianOutput> shown{JacobianOutput::tbV,      JacobianOutput::tbH,
                                                    JacobianOutput::tbPlus45, JacobianOutput::tbMinus45,
                                                    JacobianOutput::tbUp,     JacobianOutput::tbDown,
                                                    JacobianOutput::opacity};
            if (context.json) {
                const Json j = CalculationJson(r);
                if (jacobians->Given()) {
                    const std::vector<JacobianOutput> all(kJacobianOutputList.begin(), kJacobianOutputList.end());
                    WriteJsonWith(context.out, j, "jacobians", [&](std::ostream& out) {
                        WriteJacobianJson(out, withJacobian.jacobian, ViewOf(profile), selection, all);
                    });
                    context.out << '\n';
                } else {
                    PrintJson(context.out, j);
                }
            } else {
                const std::array<double, 7> values = ResultValues(r);
                std::vector<Line> lines;
                for (std::size_t i = 0; i < values.size(); ++i)
                    lines.push_back({kResultCaptions[i], values[i], kResultUnits[i]});
                PrintLines(context.out, lines);
                if (jacobians->Given()) {
                    std::vector<JacobianColumn> columns;
                    for (JacobianOutput o : shown) columns.push_back({NameOf(o), &withJacobian.jacobian, o});
                    PrintJacobianTables(context.out, columns, ViewOf(profile), selection);
                }
            }
            if (!plot->empty())
                PlotWeightingFunctions({{"V", &withJacobian.jacobian, JacobianOutput::tbV},
                                        {"H", &withJacobian.jacobian, JacobianOutput::tbH}},
                                       ViewOf(profile),
                                       FormatGeneral(in.frequency, '.') + " GHz, " + FormatGeneral(in.angle, '.') +
                                           " degrees, " + *profileName,
                                       *plot);
        };
    });
}

void AddProfilesCommand(CLI::App& app, Context& context) {
    CLI::App* command = app.add_subcommand("profiles", "List the bundled standard atmospheres");
    auto folder = std::make_shared<bool>(false);
    command->add_flag("--folder", *folder,
                      "Print instead the folder holding them as files: share/seasky/profiles of the installation "
                      "(or of the build tree) this program belongs to");
    command->callback([&context, folder] {
        context.action = [&context, folder] {
            if (*folder) {
                const auto installed = InstalledDataFolder("profiles");
                if (!installed)
                    throw InputError("Нет папки share/seasky/profiles рядом с программой.");
                context.out << installed->string() << '\n';
                return;
            }
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
