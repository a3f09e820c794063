// seasky sensors: the bundled sensor presets; seasky sensor: every channel of a
// sensor over one scene.
#include <cmath>
#include <cstdio>

#include "app/channel_request.h"
#include "app/model_outputs.h"
#include "app/profile_coverage.h"
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

namespace {

// The arguments of seasky sensor.
struct SensorArguments {
    std::string sensor;
    std::string profile{kDefaultAtmosphere};
    std::string channels;
    NumberOptions numbers;
    bool extrapolate = false;
    ModelArguments models;
    JacobiansArgument jacobians;
    std::string plot;
};

void AddSensorOptions(CLI::App* command, SensorArguments& a) {
    command->add_option("--sensor", a.sensor, "Preset name (seasky sensors) or sensor file")->required();
    command->add_option("--profile", a.profile, "Profile file or bundled atmosphere name (seasky profiles)")
        ->capture_default_str();
    command->add_option("--channels", a.channels, "Comma-separated channel names (default: all)");
    // The surface with the window's defaults; the incidence angle, when given,
    // for every channel (default: each channel's own).
    for (Quantity q : kSensorSceneInputs)
        a.numbers.Add(command, q, q == Quantity::IncidenceAngle ? Need::Optional : Need::Default);
    command->add_flag("--extrapolate", a.extrapolate,
                      "Compute channels whose centre lies outside 6.75-89 GHz anyway (marked in the output)");
    AddModelOptions(command, a.models);
    AddJacobiansOption(command, a.jacobians);
    command->add_option("--plot", a.plot, "Draw every channel's weighting function to FILE.png or FILE.svg");
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

// A channel's results as a JSON object, the keys from the vocabulary: name,
// frequency, polarisation, incidenceAngle, tb, tbUp, tbDown, opacity,
// emissivityV, emissivityH, passbandBeyondRange, extrapolated, profileEndsLow.
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
    channel[KeyOf(Quantity::ProfileEndsLow)] = o.profileEndsLow;
    return channel;
}

// The record of a sensor run: the scene's surface inputs and the profile.
Json SceneRecord(const NumberOptions& options, const std::string& profileName, const ProfileStore& profile) {
    Json inputs = Json::object();
    for (Quantity q : kSensorSceneInputs)
        if (q != Quantity::IncidenceAngle || options.Given(q)) inputs[KeyOf(q)] = options.Get(q);
    inputs["profile"] = ProfileRecordJson(profileName, profile);
    return inputs;
}

// What seasky sensor computed: the channels (indices into sensor.channels), the
// profile, the outcome of each channel and the columns of its derivatives.
struct SensorRun {
    Sensor sensor;
    ModelSet models;
    std::vector<int> channels;
    SceneSurface scene;
    ProfileStore profile;
    ChannelsOutcome computed;
    std::vector<JacobianColumn> columns;  // with derivatives: each channel's own polarisation
};

const Channel& ChannelAt(const SensorRun& run, std::size_t i) { return run.sensor.channels[run.channels[i]]; }

// The channels over the scene: every channel is checked before anything is
// computed, its inputs before the profile is read; any refusal ends the command.
void ComputeSensorRun(const SensorArguments& a, SensorRun& run, std::ostream& err) {
    run.scene = SceneOf(a.numbers);
    run.models = ModelSetOf(a.models);
    run.sensor = SensorArgument(a.sensor);
    const ChannelSelection selection = SelectChannels(run.sensor, a.channels);
    if (!selection.message.empty()) throw InputError(selection.message);
    run.channels = selection.indices;
    const bool derivatives = a.jacobians.Given() || !a.plot.empty();
    ChannelsRequest request{run.sensor, run.channels, run.scene, {}, run.models, a.extrapolate, derivatives};
    if (std::optional<ValidationFailure> f = CheckChannelInputs(request)) {
        if (f->quantity == Checked::Frequency) f->message += std::string("\n") + kChannelCentreHint;
        if (RefusedAboveFittedWind(*f)) f->message += std::string("\n") + kWindRangeHint;
        throw InputError(*f);
    }
    run.profile = LoadProfileArgument(a.profile, err);
    request.profile = ViewOf(run.profile);
    ThrowIfRefused(CheckChannelsRequest(request));
    run.computed = RunChannelsRequest(request);
    for (std::size_t i = 0; derivatives && i < run.channels.size(); ++i)
        run.columns.push_back(
            {ChannelAt(run, i).name, &run.computed.jacobians[i], JacobianOutputOf(ChannelAt(run, i).polarisation)});
}

// Written a channel at a time: with level derivatives of a long profile the
// document would be large.
void WriteSensorJson(std::ostream& out, const SensorArguments& a, const SensorRun& run,
                     const JacobianSelection& wanted) {
    Json head = RecordJson(run.models, SceneRecord(a.numbers, a.profile, run.profile));
    head["sensor"] = run.sensor.name;
    head["title"] = run.sensor.title;
    WriteJsonWith(out, head, "channels", [&](std::ostream& list) {
        list << '[';
        for (std::size_t i = 0; i < run.channels.size(); ++i) {
            const Channel& c = ChannelAt(run, i);
            const ChannelOutcome& o = run.computed.outcomes[i];
            const Json channel = ChannelJson(c, o, run.scene);
            if (i > 0) list << ',';
            if (a.jacobians.Given())
                WriteJsonWith(list, channel, "jacobians", [&](std::ostream& member) {
                    WriteJacobianJson(member, run.computed.jacobians[i], ViewOf(run.profile), wanted,
                                      {run.columns[i].output});
                });
            else
                list << channel.dump();
        }
        list << ']';
    });
    out << '\n';
}

void PrintSensorTable(std::ostream& out, const SensorArguments& a, const SensorRun& run,
                      const JacobianSelection& wanted) {
    bool beyond = false;
    bool endsLow = false;
    for (std::size_t i = 0; i < run.channels.size(); ++i) {
        const Channel& c = ChannelAt(run, i);
        const ChannelOutcome& o = run.computed.outcomes[i];
        char line[200];
        std::snprintf(line, sizeof line, "%-9s %8s GHz  %-3s  %s K", c.name.c_str(),
                      FormatGeneral(c.centre, '.').c_str(), PolarisationName(c.polarisation),
                      FormatGeneral(o.tb, '.').c_str());
        out << line;
        if (o.extrapolated) out << "  [centre outside 6.75-89 GHz: extrapolated]";
        else if (o.passbandBeyondRange) out << "  [passband reaches past 6.75-89 GHz]";
        if (o.profileEndsLow) out << "  [profile ends low]";
        beyond = beyond || o.passbandBeyondRange;
        endsLow = endsLow || o.profileEndsLow;
        out << '\n';
    }
    if (beyond)
        out << "Marked passbands reach past 6.75-89 GHz, the range the sea-surface model is "
               "validated for; the surface is taken at the channel centre.\n";
    if (endsLow)
        out << "Marked [profile ends low]: the profile's top is at "
            << FormatGeneral(ProfileTopPressure(ViewOf(run.profile)), '.')
            << " mb; above it the U.S. Standard Atmosphere is more than 0.001 Np thick at the channel centre, "
               "absorption and emission (about 0.25 K at 0.001 Np) the result leaves out.\n";
    if (a.jacobians.Given()) PrintJacobianTables(out, run.columns, ViewOf(run.profile), wanted);
}

void RunSensorCommand(Context& context, const SensorArguments& a) {
    const JacobianSelection wanted = a.jacobians.Given() ? a.jacobians.Selection() : JacobianSelection{};
    CheckPlotName(a.plot);
    SensorRun run;
    ComputeSensorRun(a, run, context.err);
    if (!a.plot.empty())
        PlotWeightingFunctions(run.columns, ViewOf(run.profile),
                               ChartTitle(run.sensor.title + ", " + a.profile, run.models), a.plot);
    if (context.json) {
        WriteSensorJson(context.out, a, run, wanted);
        return;
    }
    PrintSensorTable(context.out, a, run, wanted);
    if (WindBeyondFittedRange(run.scene.wind, run.models))
        context.err << "Note: " << WindBeyondFittedRangeNote(run.scene.wind) << '\n';
}

}  // namespace

void AddSensorCommand(CLI::App& app, Context& context) {
    CLI::App* command = app.add_subcommand(
        "sensor", "Brightness temperatures of every channel of a sensor (a preset or a sensor file) over one scene");
    auto arguments = std::make_shared<SensorArguments>();
    AddSensorOptions(command, *arguments);
    AddJsonFlag(command, context);
    command->callback([arguments, &context] {
        context.action = [arguments, &context] { RunSensorCommand(context, *arguments); };
    });
}

}  // namespace seasky::cli
