// The seasky command: argument parsing and the subcommands, writing to the given
// streams so that scripts and tests drive it the same way.
#pragma once

#include <iosfwd>
#include <string_view>

namespace CLI {
class App;
}

namespace seasky {

namespace cli {
struct Context;
}

// Exit status for bad arguments, out-of-range inputs and refused profiles.
inline constexpr int kUsageError = 2;
// Exit status when the results could not be written to standard output.
inline constexpr int kOutputError = 1;

// Gives app its name, description and help flags and adds every subcommand with
// its options, bound to context. RunCli parses with it; the man page is written
// by walking it. With only naming a subcommand, that one alone is added: a
// command line that names its subcommand is parsed without building the
// others' options (a third of the start-up work of a short command).
void BuildCli(CLI::App& app, cli::Context& context, std::string_view only = {});

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace seasky
