// Charts drawn by the separate program seasky-chart (Qt Charts), so that the
// seasky command itself never loads Qt.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include "app/data_paths.h"
#include "cli/cli_support.h"

extern char** environ;

namespace seasky::cli {

namespace {

// The chart program of this installation or build tree, by its full path and
// never looked up on the PATH (another program of that name would be run with
// the chart's arguments): beside this program (<prefix>/bin of an
// installation, the top of a build tree), else under the prefix that holds this
// program's data by the rule of app/data_paths.h: <prefix>/bin, or <prefix>
// itself for the build tree's test programs a folder or two below its top.
struct ChartProgramSearch {
    std::optional<std::filesystem::path> found;
    std::vector<std::filesystem::path> tried;
};

ChartProgramSearch FindChartProgram() {
    ChartProgramSearch search;
    const std::filesystem::path folder = ProgramFolder();
    if (folder.empty()) return search;
    std::vector<std::filesystem::path> candidates{folder / "seasky-chart"};
    if (const auto data = InstalledDataFolder("profiles", folder)) {
        // data is <prefix>/share/seasky/profiles.
        const std::filesystem::path prefix = data->parent_path().parent_path().parent_path();
        candidates.push_back(prefix / "bin" / "seasky-chart");
        candidates.push_back(prefix / "seasky-chart");
    }
    for (const std::filesystem::path& candidate : candidates) {
        const std::filesystem::path normal = candidate.lexically_normal();
        bool seen = false;
        for (const std::filesystem::path& t : search.tried) seen = seen || t == normal;
        if (seen) continue;
        search.tried.push_back(normal);
        if (::access(normal.c_str(), X_OK) == 0) {
            search.found = normal;
            break;
        }
    }
    return search;
}

// Why no chart program was run: the paths tried.
std::string ChartProgramMissing(const ChartProgramSearch& search) {
    if (search.tried.empty())
        return "the program seasky-chart was not looked for: the folder of seasky itself is unknown (/proc/self/exe)";
    std::string paths;
    for (std::size_t i = 0; i < search.tried.size(); ++i)
        paths += (i == 0 ? "" : i + 1 == search.tried.size() ? " or " : ", ") + search.tried[i].string();
    return "the program seasky-chart was not found at " + paths +
           " (it is built with the window, Qt Charts, and installed beside seasky; the PATH is not searched)";
}

}  // namespace

std::string DrawChart(const Json& chart, const std::string& output) {
    const ChartProgramSearch search = FindChartProgram();
    if (!search.found) return ChartProgramMissing(search);
    char name[] = "/tmp/seasky-chart-XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd < 0) return "no temporary file for the chart";
    const std::string text = chart.dump();
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    std::string failure;
    if (!written) failure = "cannot write the chart description";
    if (failure.empty()) {
        std::string program = search.found->string();
        std::string out = output;
        char* args[] = {program.data(), name, out.data(), nullptr};
        pid_t pid = 0;
        if (const int error = ::posix_spawn(&pid, program.c_str(), nullptr, nullptr, args, environ); error != 0) {
            failure = "cannot run " + program + ": " + std::strerror(error);
        } else {
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) failure = program + " failed";
        }
    }
    ::unlink(name);
    return failure;
}

bool EndsWith(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

void CheckPlotName(const std::string& path) {
    if (!path.empty() && !EndsWith(path, ".png") && !EndsWith(path, ".svg"))
        throw InputError("Неверное имя файла --plot: '" + path + "'\nОжидается FILE.png или FILE.svg.");
}

}  // namespace seasky::cli
