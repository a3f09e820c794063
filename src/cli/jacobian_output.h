// The derivatives of seasky calc and seasky sensor: the --jacobians option,
// their JSON and text forms, and the chart of the weighting functions.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "app/jacobian.h"
#include "cli/cli_support.h"

namespace seasky::cli {

// --jacobians [LIST]: absent, or given with or without a list of names.
struct JacobiansArgument {
    std::string text;
    CLI::Option* option = nullptr;

    bool Given() const { return option != nullptr && option->count() > 0; }
    // The selection named (every derivative when no list is given); throws InputError.
    JacobianSelection Selection() const;
};
void AddJacobiansOption(CLI::App* command, JacobiansArgument& argument);

// The unit of a derivative of a brightness temperature (K) with respect to a
// surface input, a level quantity or a column, e.g. "K/(m/s)"; opacity
// derivatives have "Np" in place of "K".
std::string SurfaceDerivativeUnit(SurfaceInput input, bool opacity = false);
std::string LevelDerivativeUnit(LevelQuantity quantity, bool opacity = false);

// The derivatives of the outputs listed as compact JSON, written straight to
// out, each named as kJacobianOutputTable names it: "surface": {input: {output: value}},
// "columns": {...}, "levels": {"height": [...], quantity: {output: [...]}},
// "weighting": {output: [...]}, "units": {...}; only the parts selected.
void WriteJacobianJson(std::ostream& out, const Jacobian& jacobian, const ProfileView& profile,
                       const JacobianSelection& selection, const std::vector<JacobianOutput>& outputs);

// object (compact) with one more member key whose value value() writes.
void WriteJsonWith(std::ostream& out, const Json& object, const std::string& key,
                   const std::function<void(std::ostream&)>& value);

// The same as text tables: one column per entry of columns (a title and the
// output of its Jacobian).
struct JacobianColumn {
    std::string title;
    const Jacobian* jacobian;
    JacobianOutput output;
};
void PrintJacobianTables(std::ostream& out, const std::vector<JacobianColumn>& columns, const ProfileView& profile,
                         const JacobianSelection& selection);

// Draws the weighting functions of the columns against height into path.
void PlotWeightingFunctions(const std::vector<JacobianColumn>& columns, const ProfileView& profile,
                            const std::string& title, const std::string& path);

}  // namespace seasky::cli
