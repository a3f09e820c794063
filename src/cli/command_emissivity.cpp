// seasky emissivity: emissivity of the wind-roughened sea and its terms.
#include "app/model_outputs.h"
#include "app/validation.h"
#include "cli/commands.h"

namespace seasky::cli {

void AddEmissivityCommand(CLI::App& app, Context& context) {
    CLI::App* command = app.add_subcommand(
        "emissivity", "Sea-surface emissivity: flat sea, isotropic wind and wind-direction terms, total");
    auto options = std::make_shared<NumberOptions>();
    options->Add(command, kEmissivityInputs, Need::Required);
    auto rows = std::make_shared<std::string>();
    AddDirectionRowsOption(command, *rows);
    AddJsonFlag(command, context);
    OnRun(command, context, options, [options, rows, &context] {
        const auto [f, theta, phi, t, s, w] = options->Get(kEmissivityInputs);
        // Wind above 20 m/s is allowed here: the model extends it linearly.
        ThrowIfRefused(FirstFailure({{Checked::Frequency, f},
                                     {Checked::Angle, theta},
                                     {Checked::Azimuth, phi},
                                     {Checked::SeaTemperature, t},
                                     {Checked::Salinity, s},
                                     {Checked::ModelWind, w}}));
        // Every term at the surface code, the code SurfaceEmissivity uses (a whole
        // calculation takes its Stokes terms at the direction code instead).
        PrintOutputs(context.out, context.json, kEmissivityOutputs,
                     EmissivityValues(f, theta, phi, t, s, w, DirectionRowsOf(*rows)));
    });
}

}  // namespace seasky::cli
