// seasky sky-correction: the reflected-sky correction factors of a wind-roughened sea.
#include "app/validation.h"
#include "cli/commands.h"
#include "surface/reflected_sky_correction.h"

namespace seasky::cli {

void AddSkyCorrectionCommand(CLI::App& app, Context& context) {
    CLI::App* command = app.add_subcommand(
        "sky-correction", "Reflected-sky correction factors Omega_V and Omega_H of a wind-roughened sea");
    auto options = std::make_shared<NumberOptions>();
    options->Add(command, "freq", "Frequency, GHz (6.75 to 89)", true);
    options->Add(command, "transmittance", "Slant-path transmittance of the atmosphere (0 to 1)", true);
    options->Add(command, "angle", "Incidence angle, degrees (0 to 65)", true);
    options->Add(command, "wind", "Wind speed, m/s (0 to 20)", true);
    AddJsonFlag(command, context);
    command->callback([options, &context] {
        context.action = [options, &context] {
            const double f = options->Get("freq");
            const double tau = options->Get("transmittance");
            const double theta = options->Get("angle");
            const double w = options->Get("wind");
            // The ranges the correction tables cover, in argument order.
            ThrowIfRefused(FirstFailure({{Checked::Frequency, f},
                                         {Checked::Transmittance, tau},
                                         {Checked::Angle, theta},
                                         {Checked::Wind, w}}));
            const EmissivityPair omega = ReflectedSkyCorrection(f, tau, theta, w);
            if (context.json) {
                PrintJson(context.out, Json{{"omegaV", omega.v}, {"omegaH", omega.h}});
            } else {
                PrintLines(context.out, {{"omegaV", omega.v, ""}, {"omegaH", omega.h, ""}});
            }
        };
    });
}

}  // namespace seasky::cli
