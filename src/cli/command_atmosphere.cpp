// seasky atmosphere: emission and opacity of a profile seen from below and from above.
#include "app/calculation_cost.h"
#include "app/model_outputs.h"
#include "atmosphere/atmosphere_radiation.h"
#include "cli/commands.h"
#include "cli/model_arguments.h"

namespace seasky::cli {

namespace {

// No model of the set changes the atmosphere yet; the set is recorded.
void RunAtmosphere(Context& context, const std::string& profileName,
                   const std::array<double, kAtmosphereInputs.size()>& in, const ModelSet& set) {
    const auto [f, band, angle] = in;
    ThrowIfRefused(Check(Checked::AbsorptionFrequency, f));
    ThrowIfRefused(CheckBandEdge(f, band));
    ThrowIfRefused(Check(Checked::ViewAngle, angle));
    const ProfileStore profile = LoadProfileArgument(profileName, context.err);
    ThrowIfRefused(CheckCalculationCost(f, band, ViewOf(profile)));
    // Both observer ends from one transfer (the level absorption shared).
    PrintModelOutputs(context, set, kAtmosphereInputs, in, kAtmosphereOutputs,
                      AtmosphereValues(AtmosphereTransfer(f, band, angle, ViewOf(profile))),
                      Json{{"profile", ProfileRecordJson(profileName, profile)}});
}

}  // namespace

void AddAtmosphereCommand(CLI::App& app, Context& context) {
    CLI::App* command = app.add_subcommand(
        "atmosphere", "Brightness (K) and opacity (Np) of the atmosphere seen from below and from above");
    auto profileName = std::make_shared<std::string>();
    command->add_option("--profile", *profileName, "Profile file or bundled atmosphere name (seasky profiles)")
        ->required();
    // The frequency is required; the band and the view angle have their defaults.
    AddModelRun(command, context, kAtmosphereInputs, {Quantity::Bandwidth, Quantity::ViewAngle},
                [profileName](Context& c, const auto& in, const ModelSet& set) {
                    RunAtmosphere(c, *profileName, in, set);
                });
}

}  // namespace seasky::cli
