// The model set on the command line: --model NAME=CHOICE (repeatable),
// --model-file FILE (a JSON object of choices, or any seasky JSON result, whose
// "models" it reads) and --direction-rows (the older spelling of
// --model direction-rows=CHOICE); and the record of what made a result
// (program version, model set, inputs) that every JSON output carries.
#pragma once

#include <string>
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

}  // namespace seasky::cli
