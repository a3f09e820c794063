// Shared pieces of the seasky subcommands: number arguments, output forms and
// the refusal of bad input.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <nlohmann/json.hpp>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/validation.h"
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

// Numeric options of one subcommand, kept as texts and converted when run.
class NumberOptions {
public:
    // Adds --name; an optional option without a fallback is absent unless given.
    void Add(CLI::App* app, const std::string& name, const std::string& help, bool required,
             const std::string& fallback = {});
    double Get(const std::string& name) const;
    // True when the option was given on the command line.
    bool Given(const std::string& name) const;
    // True when any of them was given.
    bool AnyGiven() const;

private:
    std::vector<std::string> names_;                     // option names, in order of adding
    std::vector<std::unique_ptr<std::string>> storage_;  // their texts, same order
    std::vector<CLI::Option*> options_;                   // the parser's options, same order
};

// One value of text output: "name: value unit".
struct Line {
    std::string name;
    double value;
    std::string unit;
};
void PrintLines(std::ostream& out, const std::vector<Line>& lines);
void PrintJson(std::ostream& out, const Json& json);

// Adds --json to a subcommand.
void AddJsonFlag(CLI::App* command, Context& context);

// A receiver band of width band (GHz, > 0) around f must keep its lower edge
// above 0 GHz.
std::optional<ValidationFailure> CheckBandEdge(double f, double band);

// A profile file, or the name of a bundled atmosphere (when no such file exists).
ProfileStore LoadProfileArgument(const std::string& nameOrFile);

// Draws a chart by running seasky-chart on its JSON description (see
// plot/chart_main.cpp) into output (.png or .svg); a message on failure.
std::string DrawChart(const Json& chart, const std::string& output);

bool EndsWith(const std::string& s, const std::string& suffix);

// Refuses a --plot file name that is neither .png nor .svg (an empty name: no plot).
void CheckPlotName(const std::string& path);

}  // namespace seasky::cli
