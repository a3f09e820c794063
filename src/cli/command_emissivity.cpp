// seasky emissivity: emissivity of the wind-roughened sea and its terms.
#include "app/input_ranges.h"
#include "cli/commands.h"
#include "surface/flat_sea_emissivity.h"
#include "surface/surface_emissivity.h"
#include "surface/wind_direction_signal.h"
#include "surface/wind_emissivity.h"

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
    auto rows = std::make_shared<std::string>();
    AddDirectionRowsOption(command, *rows);
    AddJsonFlag(command, context);
    command->callback([options, rows, &context] {
        context.action = [options, rows, &context] {
            const double f = options->Get("freq");
            const double theta = options->Get("angle");
            const double phi = options->Get("azimuth");
            const double t = options->Get("temp");
            const double s = options->Get("salinity");
            const double w = options->Get("wind");
            // Wind above 20 m/s is allowed here: the model extends it linearly.
            const std::string failure = FirstRangeFailure({{RangedInput::Frequency, f},
                                                           {RangedInput::Angle, theta},
                                                           {RangedInput::Azimuth, phi},
                                                           {RangedInput::Temperature, t},
                                                           {RangedInput::Salinity, s},
                                                           {RangedInput::Wind, w, false}});
            if (!failure.empty()) throw InputError(failure);
            const DirectionRows directionRows = DirectionRowsOf(*rows);
            const double x = f * kFrequencyScale;
            const FrequencyCode code = TruncateToFrequencyCode(x);
            const EmissivityPair flat = SpecularEmissivity(code, theta, t, s);
            const EmissivityPair wind = WindEmissivity(code, theta, t, s, w);
            const DirectionalEmissivity d = WindDirectionSignal(code, theta, phi, w, directionRows);
            const EmissivityPair total = SurfaceEmissivity(x, theta, phi, t, s, w, directionRows);
            if (context.json) {
                PrintJson(context.out,
                          Json{{"frequencyCode", code},
                               {"specularV", flat.v},
                               {"specularH", flat.h},
                               {"windV", wind.v},
                               {"windH", wind.h},
                               {"direction",
                                {{"V", d.V},
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
