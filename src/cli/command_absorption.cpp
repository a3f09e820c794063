// seasky absorption: absorption coefficients of clear air and cloud water at one level.
#include "app/model_outputs.h"
#include "app/validation.h"
#include "cli/commands.h"
#include "cli/model_arguments.h"

namespace seasky::cli {

void AddAbsorptionCommand(CLI::App& app, Context& context) {
    CLI::App* command =
        app.add_subcommand("absorption", "Absorption coefficients (Np/km) of clear air and cloud water at one level");
    auto options = std::make_shared<NumberOptions>();
    // Every input is required but the cloud water (none by default).
    for (Quantity q : kAbsorptionInputs)
        options->Add(command, q, q == Quantity::CloudWater ? Need::Default : Need::Required);
    auto models = std::make_shared<ModelArguments>();
    AddModelOptions(command, *models);
    AddJsonFlag(command, context);
    OnRun(command, context, options, [options, models, &context] {
        const std::array<double, kAbsorptionInputs.size()> inputs = options->Get(kAbsorptionInputs);
        const auto [f, t, p, rho, w] = inputs;
        // No model of the set changes the absorption yet; the set is recorded.
        const ModelSet set = ModelSetOf(*models);
        // The frequency, then the rules of a profile level (without a height).
        ThrowIfRefused(Check(Checked::AbsorptionFrequency, f));
        ThrowIfRefused(CheckLevel({std::nullopt, t, p, rho, w}));
        const Json record = RecordJson(set, kAbsorptionInputs, inputs);
        PrintOutputs(context.out, context.json, kAbsorptionOutputs, AbsorptionValues(f, t, p, rho, w), &record);
    });
}

}  // namespace seasky::cli
