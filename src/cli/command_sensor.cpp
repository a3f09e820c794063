// seasky sensors: the bundled sensor presets; seasky sensor: every channel of a
// sensor over one scene.
#include <cmath>
#include <cstdio>

#include "app/calculation_cost.h"
#include "app/jacobian.h"
#include "app/model_outputs.h"
#include "app/sensor.h"
#include "app/standard_atmospheres.h"
#include "batch/sensor_file.h"
#include "cli/commands.h"
#include "cli/model_arguments.h"
#include "cli/jacobian_output.h"
#include "common/number_text.h"

namespace seasky::cli {

namespace {

Sensor SensorArgument(const std::string& nameOrFile) {
    SensorReadResult r = LoadSensor(nameOrFile);
    if (!r.ok) throw InputError(r.message);
    return std::move(r.sensor);
}

std::string PassbandText(const Channel& c) {
    if (c.subBands.empty()) return "not published";
    std::string text;
    for (const SubBand& b : c.subBands) {
        if (!text.empty()) text += " + ";
        text += FormatGeneral(b.centre - b.width * 0.5, '.') + "-" + FormatGeneral(b.centre + b.width * 0.5, '.');
    }
    return text + " GHz";
}

// The scene surface of the options: the incidence angle only when given.
SceneSurface SceneOf(const NumberOptions& options) {
    SceneSurface scene;
    scene.azimuth = options.Get(Quantity::Azimuth);
    scene.seaTemperature = options.Get(Quantity::SeaTemperature);
    scene.salinity = options.Get(Quantity::Salinity);
    scene.wind = options.Get(Quantity::Wind);
    if (options.Given(Quantity::IncidenceAngle)) scene.incidenceAngle = options.Get(Quantity::IncidenceAngle);
    return scene;
}

// Refuses the first channel the scene cannot be computed for.
void CheckChannels(const Sensor& sensor, const std::vector<int>& indices, const SceneSurface& scene,
                   bool extrapolate) {
    for (int c : indices)
        if (std::optional<ValidationFailure> f = CheckChannel(sensor.channels[c], scene, extrapolate)) {
            if (f->quantity == Checked::Frequency)
                f->message += "\n(другие каналы выбирает --channels; --extrapolate рассчитывает канал всё "
                              "равно, с пометкой)";
            throw InputError(*f);
        }
}

// Refuses the first channel whose calculation over the profile costs too much.
void CheckChannelCosts(const Sensor& sensor, const std::vector<int>& indices, const ProfileView& profile,
                       bool derivatives) {
    for (int c : indices)
        if (std::optional<ValidationFailure> f = CheckCost(CostOf(profile, sensor.channels[c].subBands, derivatives))) {
            f->message = "Канал " + sensor.channels[c].name + ": " + f->message;
            throw InputError(*f);
        }
}

// A channel's results as a JSON object, the keys from the vocabulary: name,
// frequency, polarisation, incidenceAngle, tb, tbUp, tbDown, opacity,
// emissivityV, emissivityH, passbandBeyondRange, extrapolated.
Json ChannelJson(const Channel& c, const ChannelOutcome& o, const SceneSurface& scene) {
    Json channel{{KeyOf(Quantity::ChannelName), c.name}};
    SetJson(channel, Quantity::ChannelFrequency, c.centre);
    channel[KeyOf(Quantity::Polarisation)] = PolarisationName(c.polarisation);
    SetJson(channel, Quantity::ChannelIncidenceAngle,
            scene.incidenceAngle ? *scene.incidenceAngle : c.incidenceAngle.value());
    const std::array<double, kChannelResults.size()> values = ChannelValues(o);
    for (std::size_t k = 0; k < values.size(); ++k) SetJson(channel, kChannelResults[k], values[k]);
    channel[KeyOf(Quantity::PassbandBeyondRange)] = o.passbandBeyondRange;
    channel[KeyOf(Quantity::Extrapolated)] = o.extrapolated;
    return channel;
}

// A line per channel: name, centre, polarisation, tb and the marks of a
// passband past the validated range; then the note of the marks.
void PrintChannelLines(std::ostream& out, const Sensor& sensor, const std::vector<int>& indices,
                       const std::vector<ChannelOutcome>& outcomes) {
    bool beyond = false;
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        const Channel& c = sensor.channels[indices[i]];
        const ChannelOutcome& o = outcomes[i];
        char line[200];
        std::snprintf(line, sizeof line, "%-9s %8s GHz  %-3s  %s K", c.name.c_str(),
                      FormatGeneral(c.centre, '.').c_str(), PolarisationName(c.polarisation),
                      FormatGeneral(o.tb, '.').c_str());
        out << line;
        if (o.extrapolated) out << "  [centre outside 6.75-89 GHz: extrapolated]";
        else if (o.passbandBeyondRange) out << "  [passband reaches past 6.75-89 GHz]";
        beyond = beyond || o.passbandBeyondRange;
        out << '\n';
    }
    if (beyond)
        out << "Marked passbands reach past 6.75-89 GHz, the range the sea-surface model is "
               "validated for; the surface is taken at the channel centre.\n";
}

}  // namespace

void AddSensorsCommand(CLI::App& app, Context& context) {
    CLI::App* command = app.add_subcommand("sensors", "List the bundled sensor presets and their channels");
    auto verbose = std::make_shared<bool>(false);
    command->add_flag("--channels", *verbose, "Also list every channel: passband, polarisation, incidence angle");
    command->callback([verbose, &context] {
        context.action = [verbose, &context] {
            for (const SensorPreset& p : SensorPresets()) {
                const SensorReadResult r = ParseSensorText(p.text, std::string(p.name));
                if (!r.ok) throw InputError(r.message);
                char line[256];
                std::snprintf(line, sizeof line, "%-8s %2zu channels  %s\n", r.sensor.name.c_str(),
                              r.sensor.channels.size(), r.sensor.title.c_str());
                context.out << line;
                if (!*verbose) continue;
                for (const Channel& c : r.sensor.channels) {
                    std::snprintf(line, sizeof line, "    %-9s %8s GHz  %-3s  %-28s  %s\n", c.name.c_str(),
                                  FormatGeneral(c.centre, '.').c_str(), PolarisationName(c.polarisation),
                                  PassbandText(c).c_str(),
                                  c.incidenceAngle ? (FormatGeneral(*c.incidenceAngle, '.') + " deg").c_str()
                                                   : "incidence angle not published");
                    context.out << line;
                }
            }
        };
    });
}

void AddSensorCommand(CLI::App& app, Context& context) {
    CLI::App* command = app.add_subcommand(
        "sensor", "Brightness temperatures of every channel of a sensor (a preset or a sensor file) over one scene");
    auto sensorName = std::make_shared<std::string>();
    command->add_option("--sensor", *sensorName, "Preset name (seasky sensors) or sensor file")->required();
    auto profileName = std::make_shared<std::string>(kDefaultAtmosphere);
    command->add_option("--profile", *profileName, "Profile file or bundled atmosphere name (seasky profiles)")
        ->capture_default_str();
    auto channels = std::make_shared<std::string>();
    command->add_option("--channels", *channels, "Comma-separated channel names (default: all)");
    auto options = std::make_shared<NumberOptions>();
    // The surface with the window's defaults; the incidence angle, when given,
    // for every channel (default: each channel's own).
    for (Quantity q : kSensorSceneInputs)
        options->Add(command, q, q == Quantity::IncidenceAngle ? Need::Optional : Need::Default);
    auto extrapolate = std::make_shared<bool>(false);
    command->add_flag("--extrapolate", *extrapolate,
                      "Compute channels whose centre lies outside 6.75-89 GHz anyway (marked in the output)");
    auto models = std::make_shared<ModelArguments>();
    AddModelOptions(command, *models);
    auto jacobians = std::make_shared<JacobiansArgument>();
    AddJacobiansOption(command, *jacobians);
    auto plot = std::make_shared<std::string>();
    command->add_option("--plot", *plot, "Draw every channel's weighting function to FILE.png or FILE.svg");
    AddJsonFlag(command, context);
    command->callback([=, &context] {
        context.action = [=, &context] {
            const JacobianSelection wanted = jacobians->Given() ? jacobians->Selection() : JacobianSelection{};
            CheckPlotName(*plot);
            const SceneSurface scene = SceneOf(*options);
            const ModelSet model = ModelSetOf(*models);
            const Sensor sensor = SensorArgument(*sensorName);
            const ChannelSelection selection = SelectChannels(sensor, *channels);
            if (!selection.message.empty()) throw InputError(selection.message);
            // Every channel is checked before anything is computed.
            CheckChannels(sensor, selection.indices, scene, *extrapolate);
            const ProfileStore profile = LoadProfileArgument(*profileName);
            const bool derivatives = jacobians->Given() || !plot->empty();
            CheckChannelCosts(sensor, selection.indices, ViewOf(profile), derivatives);
            ChannelsWithJacobian computed;
            if (derivatives)
                computed = CalculateChannelsWithJacobian(sensor, selection.indices, scene, ViewOf(profile), model,
                                                         *extrapolate);
            else
                computed.outcomes =
                    CalculateChannels(sensor, selection.indices, scene, ViewOf(profile), model, *extrapolate);
            const std::vector<ChannelOutcome>& outcomes = computed.outcomes;
            // Each channel's derivatives are those of its own polarisation's brightness temperature.
            std::vector<JacobianColumn> columns;
            for (std::size_t i = 0; derivatives && i < outcomes.size(); ++i) {
                const Channel& c = sensor.channels[selection.indices[i]];
                columns.push_back({c.name, &computed.jacobians[i], JacobianOutputOf(c.polarisation)});
            }
            if (!plot->empty())
                PlotWeightingFunctions(columns, ViewOf(profile), sensor.title + ", " + *profileName, *plot);
            if (context.json) {
                // Written a channel at a time: with level derivatives of a long
                // profile the document would be large.
                const Json head{{"sensor", sensor.name}, {"title", sensor.title}};
                WriteJsonWith(context.out, head, "channels", [&](std::ostream& out) {
                    out << '[';
                    for (std::size_t i = 0; i < outcomes.size(); ++i) {
                        const Json channel = ChannelJson(sensor.channels[selection.indices[i]], outcomes[i], scene);
                        if (i > 0) out << ',';
                        if (jacobians->Given())
                            WriteJsonWith(out, channel, "jacobians", [&](std::ostream& member) {
                                WriteJacobianJson(member, computed.jacobians[i], ViewOf(profile), wanted,
                                                  {columns[i].output});
                            });
                        else
                            out << channel.dump();
                    }
                    out << ']';
                });
                context.out << '\n';
                return;
            }
            PrintChannelLines(context.out, sensor, selection.indices, outcomes);
            if (jacobians->Given()) PrintJacobianTables(context.out, columns, ViewOf(profile), wanted);
        };
    });
}

}  // namespace seasky::cli
