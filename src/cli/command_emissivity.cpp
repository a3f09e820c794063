// seasky emissivity: emissivity of the wind-roughened sea and its terms.
#include "app/validation.h"
#include "cli/commands.h"
#include "cli/model_arguments.h"
#include "surface/surface_emissivity.h"
#include "surface/wind_direction_signal.h"

namespace seasky::cli {

void AddEmissivityCommand(CLI::App& app, Context& context) {
    CLI::App* command = app.add_subcommand(
        "emissivity", "Sea-surface emissivity: flat sea, isotropic wind and wind-direction terms, total");
    auto options = std::make_shared<NumberOptions>();
    options->Add(command, "freq", "Frequency, GHz (6.75 to 89)", true);
    options->Add(command, "angle", "Incidence angle, degrees (0 to 65)", true);
    options->Add(command, "azimuth", "Azimuth angle of the observation, degrees (0 to 360)", true);
    options->Add(command, "temp", "Water temperature, degrees C (-3 to 37)", true);
    options->Add(command, "salinity", "Salinity, per mille (0 to 45)", true);
    options->Add(command, "wind", "Wind speed, m/s (0 or more; linear extension above 20)", true);
    auto models = std::make_shared<ModelArguments>();
    AddModelOptions(command, *models);
    AddJsonFlag(command, context);
    command->callback([options, models, &context] {
        context.action = [options, models, &context] {
            const double f = options->Get("freq");
            const double theta = options->Get("angle");
            const double phi = options->Get("azimuth");
            const double t = options->Get("temp");
            const double s = options->Get("salinity");
            const double w = options->Get("wind");
            const ModelSet set = ModelSetOf(*models);
            // Wind above 20 m/s is allowed here: the default model extends it linearly.
            ThrowIfRefused(ValidateSurfaceInputs(f, theta, phi, t, s, w, set));
            // Every term at the surface code, the code SurfaceEmissivity uses (a whole
            // calculation takes its Stokes terms at the direction code instead).
            const SurfaceEmissivityTerms terms = SurfaceTerms(f, theta, phi, t, s, w, set);
            const FrequencyCode code = terms.code;
            const EmissivityPair& flat = terms.specular;
            const EmissivityPair& wind = terms.wind;
            const DirectionalEmissivity& d = terms.direction;
            const EmissivityPair& total = terms.total;
            if (context.json) {
                PrintJson(context.out,
                          Json{{"frequencyCode", code},
                               {"specularV", flat.v},
                               {"specularH", flat.h},
                               {"windV", wind.v},
                               {"windH", wind.h},
                               {"direction",
                                {{"code", code},
                                 {"V", d.V},
                                 {"H", d.H},
                                 {"HalfSum", d.HalfSum},
                                 {"Difference", d.Difference},
                                 {"Third", d.Third},
                                 {"Fourth", d.Fourth}}},
                               {"totalV", total.v},
                               {"totalH", total.h}});
            } else {
                PrintLines(context.out, {{"frequencyCode", static_cast<double>(code), ""},
                                         {"specularV", flat.v, ""},
                                         {"specularH", flat.h, ""},
                                         {"windV", wind.v, ""},
                                         {"windH", wind.h, ""},
                                         {"direction.code", static_cast<double>(code), ""},
                                         {"direction.V", d.V, ""},
                                         {"direction.H", d.H, ""},
                                         {"direction.HalfSum", d.HalfSum, ""},
                                         {"direction.Difference", d.Difference, ""},
                                         {"direction.Third", d.Third, ""},
                                         {"direction.Fourth", d.Fourth, ""},
                                         {"totalV", total.v, ""},
                                         {"totalH", total.h, ""}});
            }
        };
    });
}

}  // namespace seasky::cli
