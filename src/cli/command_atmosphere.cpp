// seasky atmosphere: emission and opacity of a profile seen from below and from above.
#include "app/calculation_cost.h"
#include "app/model_outputs.h"
#include "atmosphere/atmosphere_radiation.h"
#include "cli/commands.h"
#include "cli/model_arguments.h"

namespace seasky::cli {

void AddAtmosphereCommand(CLI::App& app, Context& context) {
    CLI::App* command = app.add_subcommand(
        "atmosphere", "Brightness (K) and opacity (Np) of the atmosphere seen from below and from above");
    auto profileName = std::make_shared<std::string>();
    command->add_option("--profile", *profileName, "Profile file or bundled atmosphere name (seasky profiles)")->required();
    auto options = std::make_shared<NumberOptions>();
    // The frequency is required; the band and the view angle have their defaults.
    for (Quantity q : kAtmosphereInputs)
        options->Add(command, q, q == Quantity::AbsorptionFrequency ? Need::Required : Need::Default);
    auto models = std::make_shared<ModelArguments>();
    AddModelOptions(command, *models);
    AddJsonFlag(command, context);
    OnRun(command, context, options, [options, profileName, models, &context] {
        const std::array<double, kAtmosphereInputs.size()> inputs = options->Get(kAtmosphereInputs);
        const auto [f, band, angle] = inputs;
        // No model of the set changes the atmosphere yet; the set is recorded.
        const ModelSet set = ModelSetOf(*models);
        ThrowIfRefused(Check(Checked::AbsorptionFrequency, f));
        ThrowIfRefused(CheckBandEdge(f, band));
        ThrowIfRefused(Check(Checked::ViewAngle, angle));
        const ProfileStore profile = LoadProfileArgument(*profileName);
        ThrowIfRefused(CheckCalculationCost(f, band, ViewOf(profile)));
        // Both observer ends from one transfer (the level absorption shared).
        Json record = RecordJson(set, kAtmosphereInputs, inputs);
        record["inputs"]["profile"] = ProfileRecordJson(*profileName, profile);
        PrintOutputs(context.out, context.json, kAtmosphereOutputs,
                     AtmosphereValues(AtmosphereTransfer(f, band, angle, ViewOf(profile))), &record);
    });
}

}  // namespace seasky::cli
