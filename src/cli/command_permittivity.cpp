// seasky permittivity: complex permittivity of sea water.
#include "app/model_outputs.h"
#include "app/validation.h"
#include "cli/commands.h"
#include "cli/model_arguments.h"

namespace seasky::cli {

void AddPermittivityCommand(CLI::App& app, Context& context) {
    CLI::App* command = app.add_subcommand("permittivity", "Complex permittivity e' + i e'' of sea water");
    auto options = std::make_shared<NumberOptions>();
    options->Add(command, kPermittivityInputs, Need::Required);
    auto models = std::make_shared<ModelArguments>();
    AddModelOptions(command, *models);
    AddJsonFlag(command, context);
    OnRun(command, context, options, [options, models, &context] {
        const std::array<double, kPermittivityInputs.size()> inputs = options->Get(kPermittivityInputs);
        const auto [f, t, s] = inputs;
        const ModelSet set = ModelSetOf(*models);
        ThrowIfRefused(FirstFailure({{Checked::Frequency, f}, {Checked::SeaTemperature, t}, {Checked::Salinity, s}}));
        const Json record = RecordJson(set, kPermittivityInputs, inputs);
        PrintOutputs(context.out, context.json, kPermittivityOutputs, PermittivityValues(f, t, s, set), &record);
    });
}

}  // namespace seasky::cli
