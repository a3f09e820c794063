// seasky emissivity: emissivity of the wind-roughened sea and its terms.
#include "app/model_outputs.h"
#include "app/validation.h"
#include "cli/commands.h"
#include "cli/model_arguments.h"

namespace seasky::cli {

namespace {

void RunEmissivity(Context& context, const std::array<double, kEmissivityInputs.size()>& in, const ModelSet& set) {
    const auto [f, theta, phi, t, s, w] = in;
    // Wind above 20 m/s is allowed here: the default model extends it linearly.
    ThrowIfRefused(ValidateSurfaceInputs(f, theta, phi, t, s, w, set));
    // Every term at the surface code, the code SurfaceEmissivity uses (a whole
    // calculation takes its Stokes terms at the direction code instead).
    PrintModelOutputs(context, set, kEmissivityInputs, in, kEmissivityOutputs,
                      EmissivityValues(f, theta, phi, t, s, w, set));
}

}  // namespace

void AddEmissivityCommand(CLI::App& app, Context& context) {
    CLI::App* command = app.add_subcommand(
        "emissivity", "Sea-surface emissivity: flat sea, isotropic wind and wind-direction terms, total");
    AddModelRun(command, context, kEmissivityInputs, {}, RunEmissivity);
}

}  // namespace seasky::cli
