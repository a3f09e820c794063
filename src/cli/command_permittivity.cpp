// seasky permittivity: complex permittivity of sea water.
#include "app/model_outputs.h"
#include "app/validation.h"
#include "cli/commands.h"
#include "cli/model_arguments.h"

namespace seasky::cli {

namespace {

void RunPermittivity(Context& context, const std::array<double, kPermittivityInputs.size()>& in, const ModelSet& set) {
    const auto [f, t, s] = in;
    ThrowIfRefused(FirstFailure({{Checked::Frequency, f}, {Checked::SeaTemperature, t}, {Checked::Salinity, s}}));
    PrintModelOutputs(context, set, kPermittivityInputs, in, kPermittivityOutputs, PermittivityValues(f, t, s, set));
}

}  // namespace

void AddPermittivityCommand(CLI::App& app, Context& context) {
    CLI::App* command = app.add_subcommand("permittivity", "Complex permittivity e' + i e'' of sea water");
    AddModelRun(command, context, kPermittivityInputs, {}, RunPermittivity);
}

}  // namespace seasky::cli
