// seasky calc --profile with a radiosonde sounding file: the numbers of the
// converted profile, and the reader's notes on stderr.
#include <gtest/gtest.h>

#include <charconv>
#include <nlohmann/json.hpp>
#include <string>

#include "app/profile_reader.h"
#include "cli_support.h"
#include "test_support.h"

namespace seasky {
namespace {

using test::RunSeasky;

// A profile in the seasky format, every number in its shortest round-trip form.
std::string SeaskyFormatText(const ProfileStore& p) {
    std::string text = std::to_string(p.levelCount) + "\n";
    for (int i = 0; i < p.levelCount; ++i) {
        for (double v : {p.height[i], p.airTemperature[i], p.pressure[i], p.absoluteHumidity[i], p.cloudWater[i]}) {
            char number[32];
            const auto r = std::to_chars(number, number + sizeof number, v);
            text.append(number, r.ptr).push_back(' ');
        }
        text.push_back('\n');
    }
    return text;
}

TEST(SoundingProfiles, CalcOfAWyomingListingGivesTheNumbersOfItsProfileInTheSeaskyFormat) {
    const std::string sounding = std::string(SEASKY_TEST_DATA) + "/sounding-wyoming.txt";
    const ProfileReadResult read = ReadProfileFile(sounding);
    ASSERT_TRUE(read.ok) << read.message;
    const test::TemporaryFile converted(SeaskyFormatText(read.profile));
    const std::vector<std::string> inputs = {"--freq", "23.8", "--angle", "53", "--wind", "6", "--json"};
    auto args = [&inputs](const std::string& profile) {
        std::vector<std::string> a = {"calc", "--profile", profile};
        a.insert(a.end(), inputs.begin(), inputs.end());
        return a;
    };
    const auto fromSounding = RunSeasky(args(sounding));
    const auto fromConverted = RunSeasky(args(converted.path()));
    ASSERT_EQ(fromSounding.status, 0) << fromSounding.err;
    ASSERT_EQ(fromConverted.status, 0) << fromConverted.err;
    const auto a = nlohmann::json::parse(fromSounding.out);
    const auto b = nlohmann::json::parse(fromConverted.out);
    for (const char* key : {"tbV", "tbH", "tbUp", "tbDown", "opacity", "precipitableWater", "layerCount", "gridBottom"})
        EXPECT_EQ(a.at(key), b.at(key)) << key;
    EXPECT_EQ(a["inputs"]["profile"]["levels"], b["inputs"]["profile"]["levels"]);
    // The notes, one line each, on stderr; none for the seasky format.
    EXPECT_NE(fromSounding.err.find("Note: " + sounding + ": A sounding carries no cloud water"), std::string::npos)
        << fromSounding.err;
    EXPECT_NE(fromSounding.err.find("Note: " + sounding + ": The profile starts at the station's height, 22 m"),
              std::string::npos)
        << fromSounding.err;
    EXPECT_EQ(fromConverted.err, "");
}

TEST(SoundingProfiles, AnIgraFileIsReadByEveryProfileCommandWithItsNotes) {
    const std::string sounding = std::string(SEASKY_TEST_DATA) + "/sounding-igra2.txt";
    const std::string chosen = "Note: " + sounding + ": Station XXM00099902, sounding of 2024-07-15 00 UTC: number 0";
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"calc", "--profile", sounding},
          std::vector<std::string>{"atmosphere", "--profile", sounding, "--freq", "36.5"},
          std::vector<std::string>{"sensor", "--sensor", "amsr2", "--profile", sounding}}) {
        const auto run = RunSeasky(command);
        ASSERT_EQ(run.status, 0) << command[0] << ": " << run.err;
        EXPECT_NE(run.err.find(chosen), std::string::npos) << command[0] << ": " << run.err;
    }
    // A broken sounding file is refused with the reader's message.
    const test::TemporaryFile broken("   PRES   HGHT   TEMP   DWPT\n 1000.0    100   2y.0   20.0\n");
    const auto run = RunSeasky({"calc", "--profile", broken.path()});
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.err.find("Wyoming sounding, line 2: '2y.0' in columns 15-21 is not a number."), std::string::npos)
        << run.err;
}

}  // namespace
}  // namespace seasky
