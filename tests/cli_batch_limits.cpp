// seasky batch at its resource limits: the thread count a run may ask for, and
// threads the system will not start.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "batch/block_plan.h"
#include "cli_support.h"
#include "test_support.h"

namespace seasky {
namespace {

using test::RunSeasky;

using test::FilesIn;

TEST(BatchCommand, ThreadsBeyondTheLimitAreRefusedBeforeAnything) {
    const test::TemporaryFile csv("profile,sst,salinity,wind,azimuth\ntropical,20,35,5,0\n", "scenes.csv");
    const std::filesystem::path folder = std::filesystem::path(csv.path()).parent_path();
    const std::string most = std::to_string(MaxThreads());
    const auto run = RunSeasky({"batch", "--scenes", csv.path(), "--sensor", "amsr2", "--output",
                                (folder / "out.nc").string(), "--threads", "100000", "--quiet"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "--threads 100000 is more than the " + most + " this machine allows (4 per core, " +
                           std::to_string(MaxThreads() / 4) + " cores); nothing was computed\n");
    EXPECT_EQ(FilesIn(folder), (std::vector<std::string>{"scenes.csv"}));
    // The help states the limit.
    const auto help = RunSeasky({"batch", "--help"});
    EXPECT_NE(help.out.find("at most 4 per core"), std::string::npos) << help.out;
}

TEST(BatchCommand, ThreadsTheSystemWillNotStartEndTheRunCleanly) {
    // Each thread's stack is reserved at the stack limit: with 2 GiB stacks and
    // 3 GiB of address space the program starts and one thread fits, the second
    // does not. The run ends with status 2 and a message, not an abort, and
    // leaves neither an output nor its temporary file.
    const test::TemporaryFile csv(
        "profile,sst,salinity,wind,azimuth\ntropical,20,35,5,0\ntropical,20,35,6,0\ntropical,20,35,7,0\n",
        "scenes.csv");
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "an address-space limit leaves no room for AddressSanitizer's shadow memory; "
                    "the optimised build runs this test";
#endif
    const std::filesystem::path folder = std::filesystem::path(csv.path()).parent_path();
    const std::string log = folder.string() + ".log";
    const std::string command = "ulimit -s 2097152 && ulimit -v 3145728 || exit 77; exec '" +
                                std::string(SEASKY_CLI) + "' batch --scenes '" + csv.path() +
                                "' --sensor amsr2 --output '" + (folder / "out.nc").string() +
                                "' --threads 2 --quiet 2> '" + log + "'";
    const int status = std::system(("bash -c \"" + command + "\"").c_str());
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "the stack and address-space limits cannot be set here";
    std::ifstream in(log);
    const std::string err((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::filesystem::remove(log);
    EXPECT_EQ(WEXITSTATUS(status), 2) << err;
    EXPECT_EQ(err, "Cannot start 2 threads (Resource temporarily unavailable): give fewer with --threads\n");
    EXPECT_EQ(FilesIn(folder), (std::vector<std::string>{"scenes.csv"}));
}

}  // namespace
}  // namespace seasky
