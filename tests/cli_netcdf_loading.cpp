// The seasky program opens the NetCDF library only when a command reads or
// writes a NetCDF file (and ecCodes only when it reads a GRIB file): the other commands start with the C and C++ runtimes
// alone, and a machine without the library still computes and runs CSV
// batches, refusing NetCDF files with a message that says what is missing.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>

#include "test_support.h"

namespace seasky {
namespace {

struct ProcessOutput {
    int status = -1;
    std::string output;  // standard output and error together
};

// Runs the seasky program as a process of its own, with the environment
// assignments given, through the shell.
ProcessOutput RunProgram(const std::string& environment, const std::string& arguments) {
    const std::string command = environment + " '" SEASKY_CLI "' " + arguments + " 2>&1";
    ProcessOutput run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.output.append(buffer, n);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// The shared objects the dynamic loader opened for a run: glibc's loader
// reports each with LD_DEBUG=files as "file=<name> [0];  needed by ..." or
// "... dynamically loaded by ...".
bool Loaded(const ProcessOutput& run, const std::string& library) {
    return run.output.find("file=" + library) != std::string::npos;
}

std::string WriteScenesCsv(const std::filesystem::path& folder) {
    const std::filesystem::path path = folder / "scenes.csv";
    std::ofstream(path) << "profile,sst,salinity,wind,azimuth\ntropical,28,35,5,0\nus-standard,15,35,7,90\n";
    return path.string();
}

TEST(NetcdfLoading, CommandsWithoutNetcdfFilesStartWithoutTheLibrary) {
    const test::TemporaryFile anchor("", "anchor");
    const std::filesystem::path folder = std::filesystem::path(anchor.path()).parent_path();
    for (const char* arguments : {"profiles", "calc --freq 36.5", "sensor --sensor amsr2 --channels 36.5H",
                                  "absorption --freq 60 --temp 280 --pressure 1000 --humidity 7"}) {
        const ProcessOutput run = RunProgram("LD_DEBUG=files", arguments);
        EXPECT_EQ(run.status, 0) << arguments << "\n" << run.output;
        EXPECT_FALSE(Loaded(run, "libnetcdf")) << arguments;
        EXPECT_FALSE(Loaded(run, "libhdf5")) << arguments;
        EXPECT_FALSE(Loaded(run, "libcurl")) << arguments;
        // ecCodes (GRIB input) is opened the same way, on first use.
        EXPECT_FALSE(Loaded(run, "libeccodes")) << arguments;
    }
    // A batch run into a NetCDF file opens it: the check above sees a loaded
    // library when there is one.
    const std::string out = (folder / "out.nc").string();
    const ProcessOutput batch = RunProgram(
        "LD_DEBUG=files", "batch --quiet --sensor amsr2 --scenes '" + WriteScenesCsv(folder) + "' --output '" + out + "'");
    EXPECT_EQ(batch.status, 0) << batch.output;
    EXPECT_TRUE(Loaded(batch, "libnetcdf")) << batch.output.substr(0, 2000);
    EXPECT_FALSE(Loaded(batch, "libeccodes")) << batch.output.substr(0, 2000);
    EXPECT_TRUE(std::filesystem::exists(out));
}

TEST(NetcdfLoading, AMissingLibraryRefusesNetcdfFilesAndLeavesCsvRunsAlone) {
    const test::TemporaryFile anchor("", "anchor");
    const std::filesystem::path folder = std::filesystem::path(anchor.path()).parent_path();
    const std::string scenes = WriteScenesCsv(folder);
    const std::string missing = "SEASKY_NETCDF_LIBRARY=" + (folder / "no-such-libnetcdf.so").string();

    // NetCDF output: refused before anything is computed or written, with the
    // library named and the way to install it.
    const std::string out = (folder / "out.nc").string();
    ProcessOutput run = RunProgram(missing, "batch --quiet --sensor amsr2 --scenes '" + scenes + "' --output '" + out + "'");
    EXPECT_EQ(run.status, 2) << run.output;
    EXPECT_NE(run.output.find("NetCDF library"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("no-such-libnetcdf.so"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("libnetcdf19"), std::string::npos) << run.output;
    EXPECT_FALSE(std::filesystem::exists(out));

    // NetCDF scenes: the same refusal.
    const std::string scenesNc = (folder / "scenes.nc").string();
    std::ofstream(scenesNc) << "CDF\x01 not read";
    run = RunProgram(missing, "batch --quiet --sensor amsr2 --scenes '" + scenesNc + "' --output '" +
                                  (folder / "out.csv").string() + "'");
    EXPECT_EQ(run.status, 2) << run.output;
    EXPECT_NE(run.output.find("NetCDF library"), std::string::npos) << run.output;
    EXPECT_FALSE(std::filesystem::exists(folder / "out.csv"));

    // CSV in and out, and a calculation: as with the library.
    run = RunProgram(missing, "batch --quiet --sensor amsr2 --scenes '" + scenes + "' --output '" +
                                  (folder / "out.csv").string() + "'");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(std::filesystem::exists(folder / "out.csv"));
    EXPECT_EQ(RunProgram(missing, "calc --freq 18.7").status, 0);
}

}  // namespace
}  // namespace seasky
