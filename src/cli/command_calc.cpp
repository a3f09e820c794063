// seasky calc: the main job, one complete calculation of the brightness
// temperatures at the top of the atmosphere; seasky profiles: the bundled atmospheres.
#include <algorithm>
#include <fstream>
#include <memory>
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

void AddCalculationInputOptions(CLI::App* command, NumberOptions& options) {
    options.Add(command, kCalculationInputs, Need::Default);
}

CalculationInputs CalculationInputsOf(const NumberOptions& options) {
    return InputsOf(options.Get(kCalculationInputs));
}

Json CalculationJson(const CalculationResult& r) {
    Json j = Json::object();
    for (const ResultField& f : kResultFields) SetJson(j, f.quantity, f.value(r));
    return j;
}

namespace {

// The inputs of a calculation in its record, under their vocabulary keys, with
// the profile it used: where it came from and its levels, so that the record
// alone reproduces the result (seasky calc --from).
}  // namespace

Json CalculationInputsJson(const CalculationInputs& in, const std::string& profileName, const ProfileStore& profile) {
    const std::array<double, 7> values{in.frequency, in.angle,    in.azimuth,  in.seaTemperature,
                                       in.salinity,  in.wind,     in.bandwidth};
    Json inputs = Json::object();
    for (std::size_t i = 0; i < values.size(); ++i) inputs[KeyOf(kCalculationInputs[i])] = values[i];
    inputs["profile"] = ProfileRecordJson(profileName, profile);
    return inputs;
}

namespace {

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
    const Json json = ReadJsonFile(path, "Файл записи расчёта");
    if (!json.is_object() || !json.contains("inputs") || !json["inputs"].is_object())
        RefuseRecord(path, "нет объекта \"inputs\".");
    const Json& inputs = json["inputs"];
    Recorded r;
    std::array<double, 7> values{};
    for (std::size_t i = 0; i < values.size(); ++i) {
        const char* name = KeyOf(kCalculationInputs[i]);
        if (!inputs.contains(name) || !inputs[name].is_number())
            RefuseRecord(path, std::string("нет числа inputs.") + name + ".");
        values[i] = inputs[name].get<double>();
    }
    r.inputs = InputsOf(values);
    const Json* levels = inputs.contains("profile") ? &inputs["profile"] : nullptr;
    if (levels == nullptr || !levels->contains("levels")) RefuseRecord(path, "нет уровней профиля.");
    r.profileName = levels->value("source", std::string());
    levels = &(*levels)["levels"];
    for (const LevelKey& key : kLevelKeys) {
        const char* name = KeyOf(key.quantity);
        if (!levels->contains(name) || !(*levels)[name].is_array())
            RefuseRecord(path, std::string("нет массива inputs.profile.levels.") + name + ".");
        try {
            r.profile.*key.field = (*levels)[name].get<std::vector<double>>();
        } catch (const Json::exception&) {
            RefuseRecord(path, std::string("inputs.profile.levels.") + name + " — не массив чисел.");
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
                      const std::optional<JacobianSelection>& selection) {
    const CalculationResult& r = outcome.result;
    const ProfileView view = ViewOf(profile);
    if (context.json) {
        Json j = RecordJson(models, CalculationInputsJson(outcome.inputs, profileName, profile));
        j.update(CalculationJson(r));
        if (selection) {
            WriteJsonWith(context.out, j, "jacobians", [&](std::ostream& out) {
                const std::vector<JacobianOutput> all(kJacobianOutputList.begin(), kJacobianOutputList.end());
                WriteJacobianJson(out, *outcome.jacobian, view, *selection, all);
            });
            context.out << '\n';
        } else {
            PrintJson(context.out, j);
        }
        return;
    }
    const std::array<double, 7> values = ResultValues(r);
    std::vector<Line> lines;
    for (std::size_t i = 0; i < values.size(); ++i) lines.push_back({kResultCaptions[i], values[i], UnitText(UnitOf(kWindowResults[i]))});
    PrintLines(context.out, lines);
    if (selection) {
        // The outputs of the text form: V, H, +45, -45, TB up, TB down, opacity.
        std::vector<JacobianColumn> columns;
        for (JacobianOutput o : {JacobianOutput::tbV, JacobianOutput::tbH, JacobianOutput::tbPlus45,
                                 JacobianOutput::tbMinus45, JacobianOutput::tbUp, JacobianOutput::tbDown,
                                 JacobianOutput::opacity})
            columns.push_back({NameOf(o), &*outcome.jacobian, o});
        PrintJacobianTables(context.out, columns, view, *selection);
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
            if (std::optional<ValidationFailure> f = ValidateInputs(in, request.models)) {
                if (RefusedAboveFittedWind(*f)) f->message += std::string("\n") + kWindRangeHint;
                throw InputError(*f);
            }
            // The derivatives named are checked before anything is computed or printed.
            std::optional<JacobianSelection> selection;
            if (jacobians->Given()) selection = jacobians->Selection();
            CheckPlotName(*plot);
            if (from->empty()) request.profile = LoadProfileArgument(*profileName, context.err);
            const bool derivatives = selection || !plot->empty();
            const CalculationOutcome outcome =
                RunCalculationRequest({in, ViewOf(request.profile), request.models, derivatives});
            if (outcome.failure) throw InputError(*outcome.failure);
            PrintCalculation(context, outcome, request.models, request.profileName, request.profile, selection);
            if (!context.json && WindBeyondFittedRange(in.wind, request.models))
                context.err << "Note: " << WindBeyondFittedRangeNote(in.wind) << '\n';
            if (!plot->empty())
                PlotWeightingFunctions({{"V", &*outcome.jacobian, JacobianOutput::tbV},
                                        {"H", &*outcome.jacobian, JacobianOutput::tbH}},
                                       ViewOf(request.profile),
                                       ChartTitle(FormatGeneral(in.frequency, '.') + " GHz, " +
                                                      FormatGeneral(in.angle, '.') + " degrees, " + request.profileName,
                                                  request.models),
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
