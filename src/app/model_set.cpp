#include "app/model_set.h"

namespace seasky {

const std::array<ModelEntry, 4> kModels{{
    {"surface",
     "emissivity of the wind-roughened sea",
     {{{"default",
        "T. Meissner and F. J. Wentz, IEEE Trans. Geosci. Remote Sens. 50(8), 3004-3026, 2012 (as published; "
        "permittivity with the corrected nu1 salinity sign)"},
       {"mw2012",
        "the same model as computed by its authors' code: Remote Sensing Systems, RSS-Ocean-Surface-Emissivity-"
        "Model, RSS_RTM_module.f90 (commit 7c37ffb)"}}},
     [](const ModelSet& s) { return static_cast<int>(s.surface); },
     [](ModelSet& s, int i) { s.surface = static_cast<SurfaceModel>(i); }},
    {"cosmic",
     "brightness temperature of cold space",
     {{{"default", "2.73 K, the Rayleigh-Jeans brightness of the cosmic background"},
       {"effective",
        "effective cold-space temperature T_c(f): T. Meissner, F. J. Wentz and D. Draper, GMI calibration "
        "algorithm and analysis theoretical basis document, Remote Sensing Systems report 041912, version G, "
        "2012, doi:10.56236/RSS-au, Appendix D"}}},
     [](const ModelSet& s) { return static_cast<int>(s.cosmic); },
     [](ModelSet& s, int i) { s.cosmic = static_cast<CosmicModel>(i); }},
    {"direction-rows",
     "reading of the first two rows of the wind-direction table (default surface)",
     {{{"v-h", "the v-pol and h-pol series, as Meissner and Wentz (2012) label them"},
       {"sum-difference", "the rows taken as (V+H)/2 and V-H directly"}}},
     [](const ModelSet& s) { return static_cast<int>(s.directionRows); },
     [](ModelSet& s, int i) { s.directionRows = static_cast<DirectionRows>(i); }},
    {"wind-range",
     "wind speeds a calculation accepts",
     {{{"default",
        "the surface model's own range: 0-20 m/s for the default surface, the range Meissner and Wentz (2012) "
        "fitted it to; 0-40 m/s for mw2012, as its authors' code accepts"},
       {"extended",
        "0-40 m/s with the default surface too, beyond 20 m/s along its straight extension: the isotropic wind "
        "emissivity continues on the straight line through its values at 19 and 20 m/s, the wind-direction "
        "signal along its polynomials and the reflected-sky correction along its cubic in wind speed (as the "
        "emissivity subcommand computes them); mw2012 is unchanged"}}},
     [](const ModelSet& s) { return static_cast<int>(s.windRange); },
     [](ModelSet& s, int i) { s.windRange = static_cast<WindRange>(i); }},
}};

namespace {

std::string NamesOf(const ModelEntry& model) {
    std::string names;
    for (const ModelChoice& c : model.choices) {
        if (c.name == nullptr) break;
        if (!names.empty()) names += ", ";
        names += c.name;
    }
    return names;
}

}  // namespace

std::string_view ChoiceName(const ModelEntry& model, const ModelSet& set) {
    return model.choices[static_cast<std::size_t>(model.get(set))].name;
}

std::vector<std::pair<std::string, std::string>> ModelSetRecord(const ModelSet& set) {
    std::vector<std::pair<std::string, std::string>> record;
    for (const ModelEntry& model : kModels) record.emplace_back(model.name, ChoiceName(model, set));
    return record;
}

std::string ModelSetSummary(const ModelSet& set) {
    std::string summary;
    for (const ModelEntry& model : kModels) {
        if (model.get(set) == 0) continue;
        if (!summary.empty()) summary += ' ';
        summary += std::string(model.name) + "=" + std::string(ChoiceName(model, set));
    }
    return summary.empty() ? "default" : summary;
}

std::optional<std::string> SetModelChoice(ModelSet& set, std::string_view model, std::string_view choice) {
    for (const ModelEntry& entry : kModels) {
        if (model != entry.name) continue;
        if (choice == "default") {
            entry.set(set, 0);
            return std::nullopt;
        }
        for (std::size_t i = 0; i < entry.choices.size() && entry.choices[i].name != nullptr; ++i) {
            if (choice == entry.choices[i].name) {
                entry.set(set, static_cast<int>(i));
                return std::nullopt;
            }
        }
        return "Неверный выбор модели " + std::string(model) + ": '" + std::string(choice) +
               "'\nДопустимые значения: " + NamesOf(entry) + ".";
    }
    std::string models;
    for (const ModelEntry& entry : kModels) models += std::string(models.empty() ? "" : ", ") + entry.name;
    return "Неизвестная модель: '" + std::string(model) + "'\nМодели: " + models + ".";
}

std::optional<std::string> SetModelAssignment(ModelSet& set, std::string_view assignment) {
    const std::size_t equals = assignment.find('=');
    if (equals == std::string_view::npos)
        return "Неверное значение параметра --model: '" + std::string(assignment) +
               "'\nОжидается ИМЯ=ВЫБОР, например surface=mw2012.";
    return SetModelChoice(set, assignment.substr(0, equals), assignment.substr(equals + 1));
}

}  // namespace seasky
