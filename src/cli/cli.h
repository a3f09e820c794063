// The seasky command: argument parsing and the subcommands, writing to the given
// streams so that scripts and tests drive it the same way.
#pragma once

#include <iosfwd>

namespace seasky {

// Exit status for bad arguments, out-of-range inputs and refused profiles.
inline constexpr int kUsageError = 2;

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace seasky
