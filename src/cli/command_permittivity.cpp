// seasky permittivity: complex permittivity of sea water.
#include "app/validation.h"
#include "cli/commands.h"
#include "surface/sea_water_permittivity.h"
#include "surface/surface_emissivity.h"

namespace seasky::cli {

void AddPermittivityCommand(CLI::App& app, Context& context) {
    CLI::App* command = app.add_subcommand("permittivity", "Complex permittivity e' + i e'' of sea water");
    auto options = std::make_shared<NumberOptions>();
    options->Add(command, "freq", "Frequency, GHz (6.75 to 89)", true);
    options->Add(command, "temp", "Water temperature, degrees C (-3 to 37)", true);
    options->Add(command, "salinity", "Salinity, per mille (0 to 45)", true);
    AddJsonFlag(command, context);
    command->callback([options, &context] {
        context.action = [options, &context] {
            const double f = options->Get("freq");
            const double t = options->Get("temp");
            const double s = options->Get("salinity");
            ThrowIfRefused(
                FirstFailure({{Checked::Frequency, f}, {Checked::SeaTemperature, t}, {Checked::Salinity, s}}));
            const FrequencyCode code = SurfaceFrequencyCode(f);
            const std::complex<double> eps = SeaWaterPermittivity(t, s, code);
            if (context.json) {
                PrintJson(context.out, Json{{"frequencyCode", code}, {"real", eps.real()}, {"imag", eps.imag()}});
            } else {
                PrintLines(context.out, {{"frequencyCode", static_cast<double>(code), ""},
                                         {"real", eps.real(), ""},
                                         {"imag", eps.imag(), ""}});
            }
        };
    });
}

}  // namespace seasky::cli
