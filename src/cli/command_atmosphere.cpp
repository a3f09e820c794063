// seasky atmosphere: emission and opacity of a profile seen from below and from above.
#include "atmosphere/atmosphere_radiation.h"
#include "app/calculation_cost.h"
#include "cli/commands.h"

namespace seasky::cli {

void AddAtmosphereCommand(CLI::App& app, Context& context) {
    CLI::App* command = app.add_subcommand(
        "atmosphere", "Brightness (K) and opacity (Np) of the atmosphere seen from below and from above");
    auto profileName = std::make_shared<std::string>();
    command->add_option("--profile", *profileName, "Profile file or bundled atmosphere name (seasky profiles)")->required();
    auto options = std::make_shared<NumberOptions>();
    options->Add(command, "freq", "Centre frequency, GHz (0 < F <= 1000)", true);
    options->Add(command, "band", "Receiver bandwidth, GHz (0 = one frequency)", false, "0");
    options->Add(command, "angle", "View angle from the vertical, degrees (0 to 85)", false, "0");
    AddJsonFlag(command, context);
    command->callback([options, profileName, &context] {
        context.action = [options, profileName, &context] {
            const double f = options->Get("freq");
            const double band = options->Get("band");
            const double angle = options->Get("angle");
            ThrowIfRefused(Check(Checked::AbsorptionFrequency, f));
            ThrowIfRefused(CheckBandEdge(f, band));
            ThrowIfRefused(Check(Checked::ViewAngle, angle));
            const ProfileStore profile = LoadProfileArgument(*profileName);
            ThrowIfRefused(CheckCalculationCost(f, band, ViewOf(profile)));
            // Both observer ends from one transfer (the level absorption shared).
            const AtmosphereTransferResult both = AtmosphereTransfer(f, band, angle, ViewOf(profile));
            const AtmosphereRadiationResult& down = both.down;
            const AtmosphereRadiationResult& up = both.up;
            if (context.json) {
                PrintJson(context.out, Json{{"down", {{"brightness", down.brightness}, {"opacity", down.opacity}}},
                                            {"up", {{"brightness", up.brightness}, {"opacity", up.opacity}}}});
            } else {
                PrintLines(context.out, {{"down.brightness", down.brightness, "K"},
                                         {"down.opacity", down.opacity, "Np"},
                                         {"up.brightness", up.brightness, "K"},
                                         {"up.opacity", up.opacity, "Np"}});
            }
        };
    });
}

}  // namespace seasky::cli
