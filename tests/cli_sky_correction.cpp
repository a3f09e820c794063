// seasky sky-correction, run in-process.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "surface/reflected_sky_correction.h"

namespace seasky {
namespace {

struct CommandRun {
    int status;
    std::string out;
    std::string err;
};

CommandRun RunSkyCorrection(const std::vector<std::string>& options) {
    std::vector<std::string> words{"seasky", "sky-correction"};
    words.insert(words.end(), options.begin(), options.end());
    std::vector<const char*> argv;
    for (const std::string& word : words) argv.push_back(word.c_str());
    std::ostringstream out, err;
    const int status = RunCli(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
}

TEST(CliSkyCorrection, PrintsBothFactors) {
    const CommandRun json = RunSkyCorrection({"--freq", "19.35", "--transmittance", "0.83", "--angle", "53.1", "--wind",
                                       "8.5", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    const EmissivityPair expected = ReflectedSkyCorrection(19.35, 0.83, 53.1, 8.5);
    const nlohmann::json parsed = nlohmann::json::parse(json.out);
    EXPECT_EQ(parsed.size(), 5u);  // the record (version, models, inputs), then the two factors
    EXPECT_EQ(parsed.at("inputs").at("transmittance").get<double>(), 0.83);
    EXPECT_EQ(parsed.at("omegaV").get<double>(), expected.v);
    EXPECT_EQ(parsed.at("omegaH").get<double>(), expected.h);

    // Text form; a comma is a decimal point too.
    const CommandRun text = RunSkyCorrection({"--freq", "37", "--transmittance", "0,85", "--angle", "55", "--wind", "10"});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.out, "omegaV: 0.04896315\nomegaH: 0.19033235\n");
    EXPECT_TRUE(text.err.empty());
}

TEST(CliSkyCorrection, RangeEndsAreAccepted) {
    for (const std::vector<std::string>& options : std::vector<std::vector<std::string>>{
             {"--freq", "6.75", "--transmittance", "0", "--angle", "0", "--wind", "0"},
             {"--freq", "89", "--transmittance", "1", "--angle", "65", "--wind", "20"}}) {
        const CommandRun run = RunSkyCorrection(options);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_FALSE(run.out.empty());
    }
}

TEST(CliSkyCorrection, OutOfRangeInputsAreRefused) {
    const struct {
        const char* option;
        const char* value;
        const char* message;
    } cases[] = {
        {"--freq", "6.7499", "частоты"},       {"--freq", "89.0001", "частоты"},
        {"--transmittance", "-0.01", "пропускания"}, {"--transmittance", "1.01", "пропускания"},
        {"--angle", "-1", "угла"},             {"--angle", "65.5", "угла"},
        {"--wind", "-0.5", "ветра"},           {"--wind", "20.5", "ветра"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> options{"--freq", "37", "--transmittance", "0.5", "--angle", "30", "--wind", "7"};
        for (std::size_t i = 0; i < options.size(); i += 2)
            if (options[i] == c.option) options[i + 1] = c.value;
        const CommandRun run = RunSkyCorrection(options);
        SCOPED_TRACE(std::string(c.option) + " " + c.value);
        EXPECT_EQ(run.status, kUsageError);
        EXPECT_TRUE(run.out.empty());
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("Диапазон допустимых значений"), std::string::npos) << run.err;
    }
    // A missing option is a usage error as well.
    EXPECT_EQ(RunSkyCorrection({"--freq", "37", "--angle", "30", "--wind", "7"}).status, kUsageError);
}

}  // namespace
}  // namespace seasky
