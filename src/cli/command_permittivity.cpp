// seasky permittivity: complex permittivity of sea water.
#include "app/model_outputs.h"
#include "app/validation.h"
#include "cli/commands.h"

namespace seasky::cli {

void AddPermittivityCommand(CLI::App& app, Context& context) {
    CLI::App* command = app.add_subcommand("permittivity", "Complex permittivity e' + i e'' of sea water");
    auto options = std::make_shared<NumberOptions>();
    options->Add(command, kPermittivityInputs, Need::Required);
    AddJsonFlag(command, context);
    OnRun(command, context, options, [options, &context] {
        const auto [f, t, s] = options->Get(kPermittivityInputs);
        ThrowIfRefused(FirstFailure({{Checked::Frequency, f}, {Checked::SeaTemperature, t}, {Checked::Salinity, s}}));
        PrintOutputs(context.out, context.json, kPermittivityOutputs, PermittivityValues(f, t, s));
    });
}

}  // namespace seasky::cli
