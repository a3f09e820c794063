// The model set on the command line: --model NAME=CHOICE (repeatable),
// --model-file FILE (a JSON object of choices, or any seasky JSON result, whose
// "models" it reads) and --direction-rows (the older spelling of
// --model direction-rows=CHOICE); and the record of what made a result
// (program version, model set, inputs) that every JSON output carries.
#pragma once

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "app/model_set.h"
#include "app/vocabulary.h"
#include "common/records.h"
#include "cli/cli_support.h"

namespace seasky::cli {

struct ModelArguments {
    std::vector<std::string> assignments;  // --model, in the order given
    std::string file;                      // --model-file
    std::string directionRows;             // --direction-rows (empty: not given)
};

// Adds the three options to a subcommand that computes.
void AddModelOptions(CLI::App* command, ModelArguments& arguments);

// The model set the arguments give: the file first, then --direction-rows,
// then each --model in order (a later choice of one model replaces an earlier
// one). Refuses an unknown model or choice, naming what there is.
ModelSet ModelSetOf(const ModelArguments& arguments);

// {"surface": "default", "cosmic": "default", "direction-rows": "v-h"}.
Json ModelSetJson(const ModelSet& models);

// The model set of a JSON object of choices (or of a result's "models");
// where names the file in a refusal.
ModelSet ModelSetFromJson(const Json& json, const std::string& where);

// A chart's title with the model choices that are not the defaults appended
// ("..., surface=mw2012"), so that a picture says what made it too.
std::string ChartTitle(const std::string& title, const ModelSet& models);

// "seasky X.Y.Z", the program and version every output records.
std::string ProgramVersion();

// The levels of a profile by their vocabulary keys (height, airTemperature,
// pressure, humidity, cloudWater) and the member of ProfileStore each fills.
struct LevelKey {
    Quantity quantity;
    std::vector<double> ProfileStore::*field;
};
inline constexpr std::array<LevelKey, 5> kLevelKeys{{{Quantity::Height, &ProfileStore::height},
                                                     {Quantity::AirTemperature, &ProfileStore::airTemperature},
                                                     {Quantity::Pressure, &ProfileStore::pressure},
                                                     {Quantity::Humidity, &ProfileStore::absoluteHumidity},
                                                     {Quantity::CloudWater, &ProfileStore::cloudWater}}};

// The profile of a result's record: {"source": name or path, "levels": {...}},
// so that the record alone reproduces the result.
Json ProfileRecordJson(const std::string& source, const ProfileStore& profile);

// The record of a result: {"version": ..., "models": {...}, "inputs": inputs}.
Json RecordJson(const ModelSet& models, Json inputs);

// The same with inputs of vocabulary quantities, {key: value}.
template <std::size_t N>
Json RecordJson(const ModelSet& models, const std::array<Quantity, N>& quantities, const std::array<double, N>& values) {
    Json inputs = Json::object();
    for (std::size_t i = 0; i < N; ++i) inputs[KeyOf(quantities[i])] = values[i];
    return RecordJson(models, std::move(inputs));
}

// A subcommand of one model (emissivity, permittivity, sky-correction,
// absorption, atmosphere): its number inputs from the vocabulary, required but
// for those named in defaulted; the model set; --json. When the subcommand
// runs, run receives the context, the inputs' values and the model set.
template <std::size_t N>
void AddModelRun(
    CLI::App* command, Context& context, const std::array<Quantity, N>& inputs,
    std::initializer_list<Quantity> defaulted,
    std::type_identity_t<std::function<void(Context&, const std::array<double, N>&, const ModelSet&)>> run) {
    auto options = std::make_shared<NumberOptions>();
    for (Quantity q : inputs)
        options->Add(command, q,
                     std::find(defaulted.begin(), defaulted.end(), q) != defaulted.end() ? Need::Default
                                                                                         : Need::Required);
    auto models = std::make_shared<ModelArguments>();
    AddModelOptions(command, *models);
    AddJsonFlag(command, context);
    OnRun(command, context, options, [&context, options, models, inputs, run = std::move(run)] {
        run(context, options->Get(inputs), ModelSetOf(*models));
    });
}

// The outputs of a model subcommand (text lines, or one JSON object that
// begins with the record of what made it: version, model set, the inputs and
// any further record of them, e.g. the profile).
template <std::size_t N, std::size_t M>
void PrintModelOutputs(Context& context, const ModelSet& models, const std::array<Quantity, N>& inputs,
                       const std::array<double, N>& values, const std::array<Quantity, M>& outputs,
                       const std::array<double, M>& results, const Json& moreInputs = Json::object()) {
    Json record = RecordJson(models, inputs, values);
    record["inputs"].update(moreInputs);
    PrintOutputs(context.out, context.json, outputs, results, &record);
}

// The JSON of a file the user names; refusals: "Не удалось открыть файл
// '<path>'." and "<what> '<path>' — не JSON: <reason>".
Json ReadJsonFile(const std::string& path, const std::string& what);

}  // namespace seasky::cli
