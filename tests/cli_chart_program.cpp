// seasky --plot runs the chart program of its own installation or build tree by
// its path, never a program of that name found on the PATH.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "test_support.h"

namespace seasky {
namespace {

namespace fs = std::filesystem;

// A shell script that records its arguments in mark and creates its second
// argument (the picture), as the chart program would.
void WriteFakeChart(const fs::path& path, const fs::path& mark) {
    std::ofstream(path) << "#!/bin/sh\necho \"$@\" > '" << mark.string() << "'\n: > \"$2\"\n";
    fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
}

struct ProgramRun {
    int status = -1;
    std::string err;
};

// program sweep ... --plot picture, with PATH = path; its exit status and standard error.
ProgramRun SweepWithPlot(const fs::path& program, const fs::path& picture, const std::string& path, const fs::path& err) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 2);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);  // the table
        ::setenv("PATH", path.c_str(), 1);
        ::execl(program.c_str(), "seasky", "sweep", "--vary", "wind=0:5:5", "--plot", picture.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ProgramRun run;
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.status = WEXITSTATUS(status);
    std::ifstream in(err);
    run.err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return run;
}

TEST(ChartProgram, RunsTheOneBesideSeaskyNeverOneOnThePath) {
    const test::TemporaryFile anchor("", "anchor");
    const fs::path folder = fs::path(anchor.path()).parent_path();
    // seasky alone in a folder: no seasky-chart beside it, no share/seasky above.
    const fs::path alone = folder / "alone";
    fs::create_directories(alone);
    fs::copy_file(SEASKY_CLI, alone / "seasky");
    // A seasky-chart on the PATH, first in it.
    const fs::path onPath = folder / "on-path";
    fs::create_directories(onPath);
    WriteFakeChart(onPath / "seasky-chart", folder / "ran-from-path");
    const std::string path = onPath.string() + ":/usr/bin:/bin";

    const fs::path picture = folder / "sweep.png";
    ProgramRun run = SweepWithPlot(alone / "seasky", picture, path, folder / "err.txt");
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_FALSE(fs::exists(folder / "ran-from-path")) << "the seasky-chart on the PATH was run";
    EXPECT_FALSE(fs::exists(picture));
    // The message names the path looked at.
    EXPECT_NE(run.err.find("Не удалось нарисовать график: the program seasky-chart was not found at " +
                           (alone / "seasky-chart").string()),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("the PATH is not searched"), std::string::npos) << run.err;

    // With a chart program beside it, that one is run (and still not the PATH's).
    WriteFakeChart(alone / "seasky-chart", folder / "ran-beside");
    run = SweepWithPlot(alone / "seasky", picture, path, folder / "err.txt");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_FALSE(fs::exists(folder / "ran-from-path"));
    std::ifstream mark(folder / "ran-beside");
    std::string arguments;
    std::getline(mark, arguments);
    EXPECT_NE(arguments.find(picture.string()), std::string::npos) << arguments;
    EXPECT_TRUE(fs::exists(picture));
}

}  // namespace
}  // namespace seasky
