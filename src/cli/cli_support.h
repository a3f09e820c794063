// Shared pieces of the seasky subcommands: number arguments, output forms and
// the refusal of bad input.
#pragma once

#include <CLI/CLI.hpp>
#include <array>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/validation.h"
#include "app/vocabulary.h"
#include "common/records.h"
#include "surface/wind_direction_signal.h"

namespace seasky::cli {

using Json = nlohmann::ordered_json;

// A refusal of the user's input: the message goes to standard error, exit status 2.
struct InputError : std::runtime_error {
    using std::runtime_error::runtime_error;
    explicit InputError(const ValidationFailure& f) : std::runtime_error(f.message), failure(f) {}
    std::optional<ValidationFailure> failure;  // the rule broken, when a rule of the validation table
};

// Throws the failure, if there is one.
void ThrowIfRefused(const std::optional<ValidationFailure>& failure);

// What the subcommands share while the command line is parsed and run.
struct Context {
    std::ostream& out;
    std::ostream& err;
    bool json = false;              // --json given
    std::function<void()> action;   // set by the chosen subcommand's callback
    int status = 0;                 // the exit status the action leaves (0 unless it sets one)
    std::string commandLine;        // the arguments as given, for records of a run
};

// The option parser's refusal, in Russian (the words of the option names and
// values kept as given).
std::string ParseErrorMessage(const CLI::ParseError& error);

// A number given on the command line; "." and "," are both the decimal point.
double ParseArgument(const std::string& text, const std::string& option);

// Whether a number option must be given, has its vocabulary default, or is
// absent unless given.
enum class Need { Required, Default, Optional };

// Numeric options of one subcommand, kept as texts and converted when run. Each
// is a quantity of the vocabulary (app/vocabulary.h): its option name, help
// text and default come from there, and its old spellings are hidden aliases
// (an alias and the option together are refused).
class NumberOptions {
public:
    void Add(CLI::App* app, Quantity quantity, Need need);
    // Adds every quantity of the list alike.
    template <std::size_t N>
    void Add(CLI::App* app, const std::array<Quantity, N>& quantities, Need need) {
        for (Quantity q : quantities) Add(app, q, need);
    }
    double Get(Quantity quantity) const;
    // The values of the quantities, in their order.
    template <std::size_t N>
    std::array<double, N> Get(const std::array<Quantity, N>& quantities) const {
        std::array<double, N> values{};
        for (std::size_t i = 0; i < N; ++i) values[i] = Get(quantities[i]);
        return values;
    }
    // True when the option (or an alias) was given on the command line.
    bool Given(Quantity quantity) const;
    // True when any of them was given.
    bool AnyGiven() const;
    // Throws CLI::RequiredError for a required option given under no name (the
    // parser checks those without aliases itself), CLI::ExcludesError for one
    // given under two names (Get refuses that too).
    void CheckRequired() const;

private:
    struct Entry {
        Quantity quantity;
        std::unique_ptr<std::string> text;
        std::vector<std::string> names;     // the option, then its aliases (without "--")
        std::vector<CLI::Option*> options;  // the same order
        bool required = false;
    };
    const Entry& Find(Quantity quantity) const;
    static std::string GivenName(const Entry& entry);
    std::vector<Entry> entries_;
};

// Sets the subcommand's callback: the required number options are checked
// (a refusal of the parser), then action is left for RunCli to run.
void OnRun(CLI::App* command, Context& context, const std::shared_ptr<NumberOptions>& options,
           std::function<void()> action);

// One value of text output: "name: value unit".
struct Line {
    std::string name;
    double value;
    std::string unit;
};
void PrintLines(std::ostream& out, const std::vector<Line>& lines);
void PrintJson(std::ostream& out, const Json& json);

// Values of vocabulary quantities, in the order given, as text lines ("key:
// value unit") or as one JSON object (a dotted key nests: "direction.V" is
// the member V of the object direction; a count is written as a whole number).
// The JSON object begins with the members of record, when given (what made the
// result: cli/model_arguments.h).
void PrintOutputs(std::ostream& out, bool json, const Quantity* quantities, const double* values, std::size_t count,
                  const Json* record = nullptr);
template <std::size_t N>
void PrintOutputs(std::ostream& out, bool json, const std::array<Quantity, N>& quantities,
                  const std::array<double, N>& values, const Json* record = nullptr) {
    PrintOutputs(out, json, quantities.data(), values.data(), N, record);
}
// Sets j[key] (nested by the dots of the key) to the value of quantity.
void SetJson(Json& j, Quantity quantity, double value);

// Adds --json to a subcommand.
void AddJsonFlag(CLI::App* command, Context& context);

// A receiver band of width band (GHz, > 0) around f must keep its lower edge
// above 0 GHz.
std::optional<ValidationFailure> CheckBandEdge(double f, double band);

// A profile file, or the name of a bundled atmosphere (when no such file exists).
// A sounding file's notes (what was converted, left out or assumed) go to err,
// one line each: "Note: FILE: ...".
ProfileStore LoadProfileArgument(const std::string& nameOrFile, std::ostream& err);

// Draws a chart by running seasky-chart on its JSON description (see
// plot/chart_main.cpp) into output (.png or .svg); a message on failure.
std::string DrawChart(const Json& chart, const std::string& output);

bool EndsWith(const std::string& s, const std::string& suffix);

// Refuses a --plot file name that is neither .png nor .svg (an empty name: no plot).
void CheckPlotName(const std::string& path);

}  // namespace seasky::cli
