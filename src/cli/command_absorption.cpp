// seasky absorption: absorption coefficients of clear air and cloud water at one level.
#include "app/validation.h"
#include "atmosphere/cloud_absorption.h"
#include "atmosphere/gas_absorption.h"
#include "atmosphere/nitrogen_absorption.h"
#include "cli/commands.h"

namespace seasky::cli {

void AddAbsorptionCommand(CLI::App& app, Context& context) {
    CLI::App* command =
        app.add_subcommand("absorption", "Absorption coefficients (Np/km) of clear air and cloud water at one level");
    auto options = std::make_shared<NumberOptions>();
    options->Add(command, "freq", "Frequency, GHz (0 < F <= 1000)", true);
    options->Add(command, "temp", "Air temperature, K", true);
    options->Add(command, "pressure", "Air pressure, mb", true);
    options->Add(command, "humidity", "Absolute humidity (water-vapour density), g/m^3", true);
    options->Add(command, "cloud", "Cloud liquid water content, g/m^3", false, "0");
    AddJsonFlag(command, context);
    command->callback([options, &context] {
        context.action = [options, &context] {
            const double f = options->Get("freq");
            const double t = options->Get("temp");
            const double p = options->Get("pressure");
            const double rho = options->Get("humidity");
            const double w = options->Get("cloud");
            // The frequency, then the rules of a profile level (without a height).
            ThrowIfRefused(Check(Checked::AbsorptionFrequency, f));
            ThrowIfRefused(CheckLevel({std::nullopt, t, p, rho, w}));
            const double nitrogen = NitrogenAbsorption(t, p, f);
            const GasAbsorptionRecord gas = GasAbsorption(f, t, p, rho);
            const double cloud = w > 0.0 ? CloudLiquidAbsorption(w, t, f) : 0.0;
            const double total = gas.total + cloud;
            if (context.json) {
                PrintJson(context.out, Json{{"nitrogen", nitrogen}, {"oxygen", gas.oxygen},
                                            {"waterVapour", gas.waterVapour}, {"gasTotal", gas.total},
                                            {"cloud", cloud}, {"total", total}});
            } else {
                PrintLines(context.out, {{"nitrogen", nitrogen, "Np/km"},
                                         {"oxygen", gas.oxygen, "Np/km"},
                                         {"waterVapour", gas.waterVapour, "Np/km"},
                                         {"gasTotal", gas.total, "Np/km"},
                                         {"cloud", cloud, "Np/km"},
                                         {"total", total, "Np/km"}});
            }
        };
    });
}

}  // namespace seasky::cli
