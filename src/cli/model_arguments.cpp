#include "cli/model_arguments.h"

#include <fstream>

#ifndef SEASKY_VERSION
#define SEASKY_VERSION "0"
#endif

namespace seasky::cli {

namespace {

void RefuseIf(const std::optional<std::string>& refusal, const std::string& where) {
    if (refusal) throw InputError(where.empty() ? *refusal : where + ": " + *refusal);
}

ModelSet ReadModelFile(const std::string& path) {
    return ModelSetFromJson(ReadJsonFile(path, "Файл набора моделей"), path);
}

}  // namespace

void AddModelOptions(CLI::App* command, ModelArguments& arguments) {
    std::string models;
    for (const ModelEntry& m : kModels) {
        models += std::string(models.empty() ? "" : "; ") + m.name + ":";
        for (const ModelChoice& c : m.choices)
            if (c.name != nullptr) models += std::string(" ") + c.name;
    }
    command
        ->add_option("--model", arguments.assignments,
                     "Choice of a physical model, NAME=CHOICE; may be given several times (" + models +
                         "; the first is the default)")
        ->type_name("NAME=CHOICE");
    command->add_option("--model-file", arguments.file,
                        "A model set as JSON: {\"surface\": \"mw2012\", ...}, or a seasky JSON result (its "
                        "\"models\"); --model given too overrides it");
    command
        ->add_option("--direction-rows", arguments.directionRows,
                     "The same as --model direction-rows=CHOICE: v-h (the published v-pol and h-pol series) or "
                     "sum-difference (taken as (V+H)/2 and V-H directly)")
        ->type_name("v-h|sum-difference");
}

ModelSet ModelSetOf(const ModelArguments& arguments) {
    ModelSet set;
    if (!arguments.file.empty()) set = ReadModelFile(arguments.file);
    if (!arguments.directionRows.empty() &&
        SetModelChoice(set, "direction-rows", arguments.directionRows).has_value())
        throw InputError("Неверное значение параметра --direction-rows: '" + arguments.directionRows +
                         "'\nДопустимые значения: v-h, sum-difference.");
    for (const std::string& assignment : arguments.assignments)
        RefuseIf(SetModelAssignment(set, assignment), "");
    return set;
}

Json ModelSetJson(const ModelSet& models) {
    Json json = Json::object();
    for (const auto& [model, choice] : ModelSetRecord(models)) json[model] = choice;
    return json;
}

ModelSet ModelSetFromJson(const Json& json, const std::string& where) {
    const Json* choices = &json;
    if (json.is_object() && json.contains("models") && json["models"].is_object()) choices = &json["models"];
    if (!choices->is_object())
        throw InputError(where + ": ожидается объект JSON {\"модель\": \"выбор\", ...}.");
    ModelSet set;
    for (const auto& [model, choice] : choices->items()) {
        if (!choice.is_string())
            throw InputError(where + ": выбор модели " + model + " должен быть строкой.");
        RefuseIf(SetModelChoice(set, model, choice.get<std::string>()), where);
    }
    return set;
}

Json ReadJsonFile(const std::string& path, const std::string& what) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw InputError("Не удалось открыть файл '" + path + "'.");
    try {
        return Json::parse(in);
    } catch (const Json::exception& e) {
        throw InputError(what + " '" + path + "' — не JSON: " + e.what());
    }
}

std::string ChartTitle(const std::string& title, const ModelSet& models) {
    return models == ModelSet{} ? title : title + ", " + ModelSetSummary(models);
}

std::string ProgramVersion() { return std::string("seasky ") + SEASKY_VERSION; }

Json ProfileRecordJson(const std::string& source, const ProfileStore& profile) {
    Json levels = Json::object();
    for (const LevelKey& key : kLevelKeys) levels[KeyOf(key.quantity)] = profile.*key.field;
    return Json{{"source", source}, {"levels", levels}};
}

Json RecordJson(const ModelSet& models, Json inputs) {
    return Json{{"version", ProgramVersion()}, {"models", ModelSetJson(models)}, {"inputs", std::move(inputs)}};
}

}  // namespace seasky::cli
