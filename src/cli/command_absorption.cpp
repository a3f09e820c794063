// seasky absorption: absorption coefficients of clear air and cloud water at one level.
#include "app/model_outputs.h"
#include "app/validation.h"
#include "cli/commands.h"
#include "cli/model_arguments.h"

namespace seasky::cli {

namespace {

// No model of the set changes the absorption yet; the set is recorded.
void RunAbsorption(Context& context, const std::array<double, kAbsorptionInputs.size()>& in, const ModelSet& set) {
    const auto [f, t, p, rho, w] = in;
    // The frequency, then the rules of a profile level (without a height).
    ThrowIfRefused(Check(Checked::AbsorptionFrequency, f));
    ThrowIfRefused(CheckLevel({std::nullopt, t, p, rho, w}));
    PrintModelOutputs(context, set, kAbsorptionInputs, in, kAbsorptionOutputs, AbsorptionValues(f, t, p, rho, w));
}

}  // namespace

void AddAbsorptionCommand(CLI::App& app, Context& context) {
    CLI::App* command =
        app.add_subcommand("absorption", "Absorption coefficients (Np/km) of clear air and cloud water at one level");
    // Every input is required but the cloud water (none by default).
    AddModelRun(command, context, kAbsorptionInputs, {Quantity::CloudWater}, RunAbsorption);
}

}  // namespace seasky::cli
