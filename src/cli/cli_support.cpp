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

void NumberOptions::Add(CLI::App* app, Quantity quantity, Need need) {
    const QuantityInfo& info = InfoOf(quantity);
    Entry entry{quantity, std::make_unique<std::string>(), OptionNames(quantity), {}, need == Need::Required};
    if (need == Need::Default) *entry.text = FormatGeneral(info.fallback, '.');
    const std::vector<std::string>& names = entry.names;
    CLI::Option* option = app->add_option("--" + names[0], *entry.text, HelpText(quantity))->type_name("NUMBER");
    if (need == Need::Default) option->capture_default_str();
    if (entry.required && names.size() == 1) option->required();
    entry.options.push_back(option);
    for (std::size_t i = 1; i < names.size(); ++i) {
        // The old spelling: the same value, hidden from the help (group "").
        entry.options.push_back(app->add_option("--" + names[i], *entry.text)->type_name("NUMBER")->group(""));
    }
    entries_.push_back(std::move(entry));
}

const NumberOptions::Entry& NumberOptions::Find(Quantity quantity) const {
    for (const Entry& e : entries_)
        if (e.quantity == quantity) return e;
    throw std::logic_error(std::string("no option for ") + KeyOf(quantity));
}

// The name under which the option of e was given ("" when not given); an option
// given under two of its names is refused, as the parser words it. (The name
// is kept apart: the parser gives a hidden option's name as "".)
std::string NumberOptions::GivenName(const Entry& e) {
    std::string given;
    for (std::size_t i = 0; i < e.options.size(); ++i) {
        if (e.options[i]->count() == 0) continue;
        if (!given.empty()) throw CLI::ExcludesError(given, "--" + e.names[i]);
        given = "--" + e.names[i];
    }
    return given;
}

bool NumberOptions::Given(Quantity quantity) const {
    for (const CLI::Option* o : Find(quantity).options)
        if (o->count() > 0) return true;
    return false;
}

bool NumberOptions::AnyGiven() const {
    for (const Entry& e : entries_)
        if (!GivenName(e).empty()) return true;
    return false;
}

double NumberOptions::Get(Quantity quantity) const {
    const Entry& e = Find(quantity);
    std::string given;
    try {
        given = GivenName(e);
    } catch (const CLI::ParseError& error) {
        throw InputError(ParseErrorMessage(error));
    }
    // Named in a refusal as given.
    return ParseArgument(*e.text, given.empty() ? "--" + e.names.front() : given);
}

void NumberOptions::CheckRequired() const {
    for (const Entry& e : entries_)
        if (GivenName(e).empty() && e.required) throw CLI::RequiredError("--" + e.names.front());
}

void OnRun(CLI::App* command, Context& context, const std::shared_ptr<NumberOptions>& options,
           std::function<void()> action) {
    command->callback([&context, options, action = std::move(action)] {
        options->CheckRequired();
        context.action = action;
    });
}

void PrintLines(std::ostream& out, const std::vector<Line>& lines) {
    for (const Line& l : lines) {
        out << l.name << ": " << FormatGeneral(l.value, '.');
        if (!l.unit.empty()) out << ' ' << l.unit;
        out << '\n';
    }
}

void PrintJson(std::ostream& out, const Json& json) { out << json.dump() << '\n'; }

void SetJson(Json& j, Quantity quantity, double value) {
    const QuantityInfo& info = InfoOf(quantity);
    Json* member = &j;
    std::string_view key = info.key;
    for (std::size_t dot = key.find('.'); dot != std::string_view::npos; dot = key.find('.')) {
        member = &(*member)[std::string(key.substr(0, dot))];
        key.remove_prefix(dot + 1);
    }
    if (info.count) (*member)[std::string(key)] = static_cast<long long>(value);
    else (*member)[std::string(key)] = value;
}

void PrintOutputs(std::ostream& out, bool json, const Quantity* quantities, const double* values, std::size_t count,
                  const Json* record) {
    if (json) {
        Json j = record != nullptr ? *record : Json::object();
        for (std::size_t i = 0; i < count; ++i) SetJson(j, quantities[i], values[i]);
        PrintJson(out, j);
        return;
    }
    std::vector<Line> lines;
    for (std::size_t i = 0; i < count; ++i)
        lines.push_back({KeyOf(quantities[i]), values[i], UnitText(UnitOf(quantities[i]))});
    PrintLines(out, lines);
}

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

ProfileStore LoadProfileArgument(const std::string& nameOrFile, std::ostream& err) {
    // The exact name of a bundled atmosphere always means the bundled one, as in
    // scene files: a file of that name is given as a path (./tropical), so that
    // no file in the working folder silently replaces a bundled atmosphere.
    const StandardAtmosphere* bundled = FindStandardAtmosphere(nameOrFile);
    ProfileReadResult result = bundled != nullptr ? ParseProfileText(bundled->text) : ReadProfileFile(nameOrFile);
    if (!result.ok) {
        if (result.failure) throw InputError(*result.failure);
        throw InputError(result.message);
    }
    for (const std::string& note : result.notes) err << "Note: " << nameOrFile << ": " << note << '\n';
    return std::move(result.profile);
}

}  // namespace seasky::cli
