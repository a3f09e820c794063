// seasky emissivity: emissivity of the wind-roughened sea and its terms.
#include "app/model_outputs.h"
#include "app/validation.h"
#include "cli/commands.h"
#include "cli/model_arguments.h"

namespace seasky::cli {

void AddEmissivityCommand(CLI::App& app, Context& context) {
    CLI::App* command = app.add_subcommand(
        "emissivity", "Sea-surface emissivity: flat sea, isotropic wind and wind-direction terms, total");
    auto options = std::make_shared<NumberOptions>();
    options->Add(command, kEmissivityInputs, Need::Required);
    auto models = std::make_shared<ModelArguments>();
    AddModelOptions(command, *models);
    AddJsonFlag(command, context);
    OnRun(command, context, options, [options, models, &context] {
        const std::array<double, kEmissivityInputs.size()> inputs = options->Get(kEmissivityInputs);
        const auto [f, theta, phi, t, s, w] = inputs;
        const ModelSet set = ModelSetOf(*models);
        // Wind above 20 m/s is allowed here: the default model extends it linearly.
        ThrowIfRefused(ValidateSurfaceInputs(f, theta, phi, t, s, w, set));
        // Every term at the surface code, the code SurfaceEmissivity uses (a whole
        // calculation takes its Stokes terms at the direction code instead).
        const Json record = RecordJson(set, kEmissivityInputs, inputs);
        PrintOutputs(context.out, context.json, kEmissivityOutputs, EmissivityValues(f, theta, phi, t, s, w, set),
                     &record);
    });
}

}  // namespace seasky::cli
