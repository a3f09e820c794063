// Charts drawn by the separate program seasky-chart (Qt Charts), so that the
// seasky command itself never loads Qt.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "cli/cli_support.h"

extern char** environ;

namespace seasky::cli {

namespace {

// The chart program: next to this program (an installation), one folder up (a
// build tree's test programs), or on the PATH.
std::string ChartProgram() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        for (const std::filesystem::path& candidate :
             {self.parent_path() / "seasky-chart", self.parent_path().parent_path() / "seasky-chart"})
            if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
    }
    return "seasky-chart";
}

}  // namespace

std::string DrawChart(const Json& chart, const std::string& output) {
    char name[] = "/tmp/seasky-chart-XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd < 0) return "no temporary file for the chart";
    const std::string text = chart.dump();
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    std::string failure;
    if (!written) failure = "cannot write the chart description";
    if (failure.empty()) {
        const std::string program = ChartProgram();
        std::string out = output;
        char* args[] = {const_cast<char*>(program.c_str()), name, out.data(), nullptr};
        pid_t pid = 0;
        if (::posix_spawnp(&pid, program.c_str(), nullptr, nullptr, args, environ) != 0) {
            failure = "the program seasky-chart was not found (it is built with the window, Qt Charts)";
        } else {
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) failure = "seasky-chart failed";
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
