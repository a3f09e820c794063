// The model set: one named choice per physical model of a calculation, part of
// every request. Each model has a default, the program's own model as it has
// always computed it (bit for bit), and further choices, each a published model
// named by its source. The window always computes with the defaults; the
// command line takes --model NAME=CHOICE (and a model-set file), Python
// models={...}, and every output records the full set.
//
// The models and their choices (kModels holds the same with the sources):
//   surface         default  Meissner and Wentz (2012) as published: the
//                            six-node wind and direction tables read at the
//                            frequency code, permittivity with the corrected
//                            sign of the nu1 salinity factor
//                   mw2012   the same model as its authors' public code
//                            computes it (surface/mw2012_emissivity.h)
//   cosmic          default  2.73 K, the Rayleigh-Jeans brightness of space
//                   effective  the effective cold-space temperature T_c(f) of
//                            Meissner, Wentz and Draper (2012), so that the
//                            Rayleigh-Jeans results equal Planck radiances
//                            (atmosphere/cosmic_background.h)
//   direction-rows  v-h      the first two rows of the wind-direction table
//                            are the v-pol and h-pol series, as published
//                   sum-difference  taken as (V+H)/2 and V-H directly (for
//                            reproducing results made so)
//   wind-range      default  the surface model's own range: 0-20 m/s for the
//                            default surface (its fitted range), 0-40 m/s for
//                            mw2012
//                   extended  the default surface accepted to 40 m/s along its
//                            straight extension (surface/wind_emissivity.h);
//                            mw2012 keeps its 0-40 m/s
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "atmosphere/cosmic_background.h"
#include "surface/wind_direction_signal.h"

namespace seasky {

enum class SurfaceModel { standard, mw2012 };

// The wind speeds a calculation accepts: the surface model's own range, or the
// default surface continued beyond its fitted 20 m/s to 40 m/s.
enum class WindRange { standard, extended };

struct ModelSet {
    SurfaceModel surface = SurfaceModel::standard;
    CosmicModel cosmic = CosmicModel::standard;
    // How the first two rows of the wind-direction table are read (default
    // model only: the mw2012 surface has its own tables).
    DirectionRows directionRows = DirectionRows::VerticalHorizontal;
    WindRange windRange = WindRange::standard;

    bool operator==(const ModelSet&) const = default;
};

// One choice of a model: its name on the command line, in Python and in the
// record of every output, and its published source.
struct ModelChoice {
    const char* name = nullptr;
    const char* source = nullptr;
};

inline constexpr std::size_t kMaxModelChoices = 4;

// One model of the set: its name, what it computes, its choices (the first is
// the default; unused entries have no name) and how the choice is read from and
// written to a ModelSet (as the index of the choice).
struct ModelEntry {
    const char* name;
    const char* meaning;
    std::array<ModelChoice, kMaxModelChoices> choices;
    int (*get)(const ModelSet&);
    void (*set)(ModelSet&, int);
};

extern const std::array<ModelEntry, 4> kModels;

// The name of the choice a set makes for a model ("default", "mw2012", "v-h").
std::string_view ChoiceName(const ModelEntry& model, const ModelSet& set);

// (model, choice) for every model, in table order: the record of an output.
std::vector<std::pair<std::string, std::string>> ModelSetRecord(const ModelSet& set);

// "surface=mw2012 cosmic=effective" (only the choices that are not the default;
// "default" when there are none): a short text for titles and logs.
std::string ModelSetSummary(const ModelSet& set);

// Sets one model's choice. "default" names the default choice of every model.
// Returns the refusal, naming the models or the choices there are, or nothing.
std::optional<std::string> SetModelChoice(ModelSet& set, std::string_view model, std::string_view choice);

// The same for "NAME=CHOICE" as given to --model and in Python.
std::optional<std::string> SetModelAssignment(ModelSet& set, std::string_view assignment);

}  // namespace seasky
