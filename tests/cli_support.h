// Running the seasky command in-process.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace seasky::test {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline CliRun RunSeasky(std::vector<std::string> args) {
    args.insert(args.begin(), "seasky");
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::ostringstream out, err;
    CliRun run;
    run.status = RunCli(static_cast<int>(argv.size()), argv.data(), out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

}  // namespace seasky::test
