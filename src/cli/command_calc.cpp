// seasky calc: the main job, one complete calculation of the brightness
// temperatures at the top of the atmosphere; seasky profiles: the bundled atmospheres.
#include <algorithm>
#include <fstream>
#include <memory>
#include <numeric>
#include <string>

#include "app/calculation_request.h"
#include "app/data_paths.h"
#include "app/jacobian.h"
#include "app/standard_atmospheres.h"
#include "cli/commands.h"
#include "cli/jacobian_output.h"
#include "cli/model_arguments.h"
#include "common/number_text.h"

namespace seasky::cli {

namespace {

constexpr std::array<const char*, 7> kResultUnits{"K", "K", "K", "K", "K", "K", "Np"};

}  // namespace

void AddCalculationInputOptions(CLI::App* command, NumberOptions& o) {
    NumberOptions* options = &o;
    const CalculationInputs defaults;
    auto text = [](double v) { return FormatGeneral(v, '.'); };
    options->Add(command, "freq", "Frequency, GHz (6.75 to 89)", false, text(defaults.frequency));
    options->Add(command, "angle", "Incidence angle, degrees (0 to 65)", false, text(defaults.angle));
    options->Add(command, "azimuth", "Azimuth of the observation relative to the wind, degrees (0 to 360)", false,
                 text(defaults.azimuth));
    options->Add(command, "temp", "Sea-water temperature, degrees C (-3 to 37)", false, text(defaults.seaTemperature));
    options->Add(command, "salinity", "Salinity, per mille (0 to 45)", false, text(defaults.salinity));
    options->Add(command, "wind", "Near-surface wind speed, m/s (0 to 20)", false, text(defaults.wind));
    options->Add(command, "band", "Receiver bandwidth, GHz (0 = one frequency)", false, text(defaults.bandwidth));
}

CalculationInputs CalculationInputsOf(const NumberOptions& options) {
    CalculationInputs in;
    in.frequency = options.Get("freq");
    in.angle = options.Get("angle");
    in.azimuth = options.Get("azimuth");
    in.seaTemperature = options.Get("temp");
    in.salinity = options.Get("salinity");
    in.wind = options.Get("wind");
    in.bandwidth = options.Get("band");
    return in;
}

Json CalculationJson(const CalculationResult& r) {
    Json j = Json::object();
    for (const ResultField& f : kResultFields) {
        const double v = f.value(r);
        if (f.integer) j[f.name] = static_cast<long long>(v);
        else j[f.name] = v;
    }
    return j;
}

namespace {

// The inputs of a calculation in its record, under the names of the fields of
// CalculationInputs, with the profile it used: where it came from and its
// levels, so that the record alone reproduces the result (seasky calc --from).
struct InputKey {
    const char* name;
    double CalculationInputs::*field;
};
constexpr std::array<InputKey, 7> kInputKeys{{{"frequency", &CalculationInputs::frequency},
                                              {"angle", &CalculationInputs::angle},
                                              {"azimuth", &CalculationInputs::azimuth},
                                              {"seaTemperature", &CalculationInputs::seaTemperature},
                                              {"salinity", &CalculationInputs::salinity},
                                              {"wind", &CalculationInputs::wind},
                                              {"bandwidth", &CalculationInputs::bandwidth}}};

struct LevelKey {
    const char* name;
    std::vector<double> ProfileStore::*field;
};
constexpr std::array<LevelKey, 5> kLevelKeys{{{"height", &ProfileStore::height},
                                              {"airTemperature", &ProfileStore::airTemperature},
                                              {"pressure", &ProfileStore::pressure},
                                              {"humidity", &ProfileStore::absoluteHumidity},
                                              {"cloudWater", &ProfileStore::cloudWater}}};

Json InputsJson(const CalculationInputs& in, const std::string& profileName, const ProfileStore& profile) {
    Json inputs = Json::object();
    for (const InputKey& key : kInputKeys) inputs[key.name] = in.*key.field;
    Json levels = Json::object();
    for (const LevelKey& key : kLevelKeys) levels[key.name] = profile.*key.field;
    inputs["profile"] = Json{{"source", profileName}, {"levels", levels}};
    return inputs;
}

// A calculation as its record gives it: the inputs, the profile's levels and
// the model set of a seasky calc --json result.
struct Recorded {
    CalculationInputs inputs;
    std::string profileName;
    ProfileStore profile;
    ModelSet models;
};

[[noreturn]] void RefuseRecord(const std::string& path, const std::string& what) {
    throw InputError("Файл '" + path + "' — не запись расчёта seasky calc --json: " + what);
}

Recorded ReadRecord(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw InputError("Не удалось открыть файл '" + path + "'.");
    Json json;
    try {
        json = Json::parse(file);
    } catch (const Json::exception& e) {
        RefuseRecord(path, e.what());
    }
    if (!json.is_object() || !json.contains("inputs") || !json["inputs"].is_object())
        RefuseRecord(path, "нет объекта \"inputs\".");
    const Json& inputs = json["inputs"];
    Recorded r;
    for (const InputKey& key : kInputKeys) {
        if (!inputs.contains(key.name) || !inputs[key.name].is_number())
            RefuseRecord(path, std::string("нет числа inputs.") + key.name + ".");
        r.inputs.*key.field = inputs[key.name].get<double>();
    }
    const Json* levels = inputs.contains("profile") ? &inputs["profile"] : nullptr;
    if (levels == nullptr || !levels->contains("levels")) RefuseRecord(path, "нет уровней профиля.");
    r.profileName = levels->value("source", std::string());
    levels = &(*levels)["levels"];
    for (const LevelKey& key : kLevelKeys) {
        if (!levels->contains(key.name) || !(*levels)[key.name].is_array())
            RefuseRecord(path, std::string("нет массива inputs.profile.levels.") + key.name + ".");
        try {
            r.profile.*key.field = (*levels)[key.name].get<std::vector<double>>();
        } catch (const Json::exception&) {
            RefuseRecord(path, std::string("inputs.profile.levels.") + key.name + " — не массив чисел.");
        }
        if ((r.profile.*key.field).size() != r.profile.height.size())
            RefuseRecord(path, "массивы уровней профиля разной длины.");
    }
    r.profile.levelCount = static_cast<int>(r.profile.height.size());
    ThrowIfRefused(CheckProfile(ViewOf(r.profile), "Профиль записи"));
    r.models = json.contains("models") ? ModelSetFromJson(json["models"], path) : ModelSet{};
    return r;
}

void PrintCalculation(Context& context, const CalculationOutcome& outcome, const ModelSet& models,
                      const std::string& profileName, const ProfileStore& profile,
                      const JacobiansArgument& jacobians) {
    const CalculationResult& r = outcome.result;
    const ProfileView view = ViewOf(profile);
    if (context.json) {
        Json j = RecordJson(models, InputsJson(outcome.inputs, profileName, profile));
        j.update(CalculationJson(r));
        if (jacobians.Given()) {
            WriteJsonWith(context.out, j, "jacobians", [&](std::ostream& out) {
                std::vector<int> all(kJacobianOutputs);
                std::iota(all.begin(), all.end(), 0);
                WriteJacobianJson(out, *outcome.jacobian, view, jacobians.Selection(), all);
            });
            context.out << '\n';
        } else {
            PrintJson(context.out, j);
        }
        return;
    }
    const std::array<double, 7> values = ResultValues(r);
    std::vector<Line> lines;
    for (std::size_t i = 0; i < values.size(); ++i) lines.push_back({kResultCaptions[i], values[i], kResultUnits[i]});
    PrintLines(context.out, lines);
    if (jacobians.Given()) {
        // The outputs of the text form: V, H, +45, -45, TB up, TB down, opacity.
        std::vector<JacobianColumn> columns;
        for (int o : {0, 1, 2, 3, 8, 9, 10}) columns.push_back({kJacobianOutputNames[o], &*outcome.jacobian, o});
        PrintJacobianTables(context.out, columns, view, jacobians.Selection());
    }
}

}  // namespace

void AddCalcCommand(CLI::App& app, Context& context) {
    CLI::App* command = app.add_subcommand(
        "calc", "Brightness temperatures at the top of the atmosphere (the default when no subcommand is given)");
    auto profileName = std::make_shared<std::string>(kDefaultAtmosphere);
    CLI::Option* profileOption =
        command->add_option("--profile", *profileName, "Profile file or bundled atmosphere name (seasky profiles)")
            ->capture_default_str();
    auto options = std::make_shared<NumberOptions>();
    AddCalculationInputOptions(command, *options);
    auto models = std::make_shared<ModelArguments>();
    AddModelOptions(command, *models);
    auto from = std::make_shared<std::string>();
    command->add_option("--from", *from,
                        "Compute again the calculation a seasky calc --json result records (its inputs, profile "
                        "levels and model set); no other input, profile or model option with it");
    auto jacobians = std::make_shared<JacobiansArgument>();
    AddJacobiansOption(command, *jacobians);
    auto plot = std::make_shared<std::string>();
    command->add_option("--plot", *plot, "Draw the weighting functions of V and H to FILE.png or FILE.svg");
    AddJsonFlag(command, context);
    command->callback([=, &context] {
        context.action = [=, &context] {
            Recorded request;
            if (!from->empty()) {
                if (options->AnyGiven() || profileOption->count() > 0 || !models->assignments.empty() ||
                    !models->file.empty() || !models->directionRows.empty())
                    throw InputError("Параметр --from задаёт все входные данные, профиль и модели расчёта: "
                                     "не указывайте их вместе с ним.");
                request = ReadRecord(*from);
            } else {
                request.inputs = CalculationInputsOf(*options);
                request.models = ModelSetOf(*models);
                request.profileName = *profileName;
            }
            const CalculationInputs& in = request.inputs;
            // The inputs first, so that a bad value is reported before a bad profile.
            ThrowIfRefused(ValidateInputs(in, request.models));
            CheckPlotName(*plot);
            if (from->empty()) request.profile = LoadProfileArgument(*profileName);
            const bool derivatives = jacobians->Given() || !plot->empty();
            const CalculationOutcome outcome =
                RunCalculationRequest({in, ViewOf(request.profile), request.models, derivatives});
            if (outcome.failure) throw InputError(*outcome.failure);
            PrintCalculation(context, outcome, request.models, request.profileName, request.profile, *jacobians);
            if (!plot->empty())
                PlotWeightingFunctions({{"V", &*outcome.jacobian, 0}, {"H", &*outcome.jacobian, 1}},
                                       ViewOf(request.profile),
                                       FormatGeneral(in.frequency, '.') + " GHz, " + FormatGeneral(in.angle, '.') +
                                           " degrees, " + request.profileName,
                                       *plot);
        };
    });
}

void AddProfilesCommand(CLI::App& app, Context& context) {
    CLI::App* command = app.add_subcommand("profiles", "List the bundled standard atmospheres");
    auto folder = std::make_shared<bool>(false);
    command->add_flag("--folder", *folder,
                      "Print instead the folder holding them as files: share/seasky/profiles of the installation "
                      "(or of the build tree) this program belongs to");
    command->callback([&context, folder] {
        context.action = [&context, folder] {
            if (*folder) {
                const auto installed = InstalledDataFolder("profiles");
                if (!installed)
                    throw InputError("Нет папки share/seasky/profiles рядом с программой.");
                context.out << installed->string() << '\n';
                return;
            }
            std::size_t width = 0;
            for (const StandardAtmosphere& a : StandardAtmospheres()) width = std::max(width, a.name.size());
            for (const StandardAtmosphere& a : StandardAtmospheres()) {
                context.out << a.name << std::string(width + 2 - a.name.size(), ' ') << a.description;
                if (a.name == kDefaultAtmosphere) context.out << " (default)";
                context.out << '\n';
            }
        };
    });
}

}  // namespace seasky::cli
