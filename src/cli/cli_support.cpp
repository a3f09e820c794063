#include "cli/cli_support.h"

#include <cmath>
#include <filesystem>
#include <memory>
#include <optional>

#include "app/profile_reader.h"
#include "app/standard_atmospheres.h"
#include "common/number_text.h"

namespace seasky::cli {

double ParseArgument(const std::string& text, const std::string& option) {
    std::string normal = text;
    for (char& c : normal)
        if (c == ',') c = '.';
    const std::optional<double> value = ParseUserNumber(normal, '.');
    if (!value || !std::isfinite(*value))
        throw InputError(NotANumberArgument(option, text));
    return *value;
}

void NumberOptions::Add(CLI::App* app, const std::string& name, const std::string& help, bool required,
                        const std::string& fallback) {
    storage_.push_back(std::make_unique<std::string>(fallback));
    std::string* text = storage_.back().get();
    CLI::Option* option = app->add_option("--" + name, *text, help)->type_name("NUMBER");
    if (required) option->required();
    else if (!fallback.empty()) option->capture_default_str();
    names_.push_back(name);
    options_.push_back(option);
}

bool NumberOptions::Given(const std::string& name) const {
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (names_[i] == name) return options_[i]->count() > 0;
    return false;
}

bool NumberOptions::AnyGiven() const {
    for (const CLI::Option* option : options_)
        if (option->count() > 0) return true;
    return false;
}

double NumberOptions::Get(const std::string& name) const {
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (names_[i] == name) return ParseArgument(*storage_[i], "--" + name);
    throw std::logic_error("unknown option --" + name);
}

void PrintLines(std::ostream& out, const std::vector<Line>& lines) {
    for (const Line& l : lines) {
        out << l.name << ": " << FormatGeneral(l.value, '.');
        if (!l.unit.empty()) out << ' ' << l.unit;
        out << '\n';
    }
}

void PrintJson(std::ostream& out, const Json& json) { out << json.dump() << '\n'; }

void AddJsonFlag(CLI::App* command, Context& context) {
    command->add_flag("--json", context.json, "Print one JSON object (numbers round-trip exactly)");
}

void ThrowIfRefused(const std::optional<ValidationFailure>& failure) {
    if (failure) throw InputError(*failure);
}

std::optional<ValidationFailure> CheckBandEdge(double f, double band) {
    if (!(band > 0.0)) return std::nullopt;
    return Check(Checked::BandLowerEdge, f - band * 0.5);
}

ProfileStore LoadProfileArgument(const std::string& nameOrFile) {
    // The exact name of a bundled atmosphere always means the bundled one, as in
    // scene files: a file of that name is given as a path (./tropical), so that
    // no file in the working folder silently replaces a bundled atmosphere.
    const StandardAtmosphere* bundled = FindStandardAtmosphere(nameOrFile);
    ProfileReadResult result = bundled != nullptr ? ParseProfileText(bundled->text) : ReadProfileFile(nameOrFile);
    if (!result.ok) {
        if (result.failure) throw InputError(*result.failure);
        throw InputError(result.message);
    }
    return std::move(result.profile);
}

}  // namespace seasky::cli
