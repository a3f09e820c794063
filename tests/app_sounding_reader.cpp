// Radiosonde soundings read as profiles: the University of Wyoming listing and
// IGRA 2 files of tests/data (synthetic, in the published layouts), converted
// here by hand with the formulas written out, the notes, the format detection
// and the refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

#include "app/profile_reader.h"
#include "app/sounding_reader.h"
#include "app/standard_atmospheres.h"

namespace seasky {
namespace {

std::string SoundingData(const std::string& name) { return std::string(SEASKY_TEST_DATA) + "/" + name; }

std::string SoundingFileText(const std::string& name) {
    std::ifstream in(SoundingData(name), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The hand conversions: Bolton's (1980) saturation vapour pressure over water
// (hPa, t in degrees C), the vapour density (g/m^3) of e hPa at T K with
// R_v = R_d / eps = 287.05 / 0.62198 J/(kg K), the vapour pressure of a mixing
// ratio w (kg/kg) at p hPa, and the geometric height of a geopotential height
// H (gpm) on the U.S. Standard Atmosphere's sphere of radius 6356766 m.
double SoundingBolton(double tC) { return 6.112 * std::exp(17.67 * tC / (tC + 243.5)); }
double SoundingDensity(double e, double T) { return e * 100.0 / (287.05 / 0.62198 * T) * 1000.0; }
double SoundingMixingRatioE(double w, double p) { return w * p / (0.62198 + w); }
double SoundingHeight(double H) { return 6356766.0 * H / (6356766.0 - H); }

struct ExpectedLevel {
    double pressure, height, temperature, humidity;  // hPa, m, K, g/m^3
};

// The level of p at the given pressure, compared with expected to 1e-12 (relative).
void ExpectLevel(const ProfileStore& p, const ExpectedLevel& e) {
    const auto at = std::find(p.pressure.begin(), p.pressure.end(), e.pressure);
    ASSERT_NE(at, p.pressure.end()) << e.pressure;
    const std::size_t i = static_cast<std::size_t>(at - p.pressure.begin());
    EXPECT_NEAR(p.height[i], e.height, 1e-12 * e.height) << e.pressure;
    EXPECT_NEAR(p.airTemperature[i], e.temperature, 1e-12 * e.temperature) << e.pressure;
    EXPECT_NEAR(p.absoluteHumidity[i], e.humidity, 1e-12 * e.humidity) << e.pressure;
    EXPECT_EQ(p.cloudWater[i], 0.0);
}

bool HasNote(const ProfileReadResult& r, const std::string& part) {
    return std::any_of(r.notes.begin(), r.notes.end(),
                       [&](const std::string& note) { return note.find(part) != std::string::npos; });
}

bool StrictlyRising(const std::vector<double>& h) {
    return std::adjacent_find(h.begin(), h.end(), [](double a, double b) { return !(b > a); }) == h.end();
}

TEST(WyomingSounding, LevelsAreTheHandConvertedValuesOfEachHumiditySource) {
    const ProfileReadResult r = ReadProfileFile(SoundingData("sounding-wyoming.txt"));
    ASSERT_TRUE(r.ok) << r.message;
    const ProfileStore& p = r.profile;
    // 42 level lines, less the repeated height and the level without temperature.
    EXPECT_EQ(p.levelCount, 40);
    EXPECT_EQ(p.height.size(), 40u);
    EXPECT_TRUE(StrictlyRising(p.height));
    // DWPT (the surface level), MIXR only, RELH only; a level without humidity
    // above the highest humid one is dry air.
    ExpectLevel(p, {1009.0, SoundingHeight(22.0), 28.3 + 273.15, SoundingDensity(SoundingBolton(26.2), 28.3 + 273.15)});
    ExpectLevel(p, {902.1, SoundingHeight(1000.0), 22.0 + 273.15,
                    SoundingDensity(SoundingMixingRatioE(12.78e-3, 902.1), 22.0 + 273.15)});
    ExpectLevel(
        p, {793.0, SoundingHeight(2100.0), 15.0 + 273.15, SoundingDensity(0.50 * SoundingBolton(15.0), 15.0 + 273.15)});
    ExpectLevel(
        p, {359.5, SoundingHeight(8300.0), -24.7 + 273.15, SoundingDensity(SoundingBolton(-59.9), -24.7 + 273.15)});
    const auto dry = std::find(p.pressure.begin(), p.pressure.end(), 326.3);
    ASSERT_NE(dry, p.pressure.end());
    EXPECT_EQ(p.absoluteHumidity[static_cast<std::size_t>(dry - p.pressure.begin())], 0.0);
    EXPECT_EQ(p.pressure.back(), 18.7);
    EXPECT_NEAR(p.height.back(), SoundingHeight(26500.0), 1e-12 * 26500.0);
    // The first of the repeated height is kept; the level without temperature is not there.
    EXPECT_NE(std::find(p.pressure.begin(), p.pressure.end(), 697.9), p.pressure.end());
    EXPECT_EQ(std::find(p.pressure.begin(), p.pressure.end(), 697.5), p.pressure.end());
    EXPECT_EQ(std::find(p.pressure.begin(), p.pressure.end(), 497.2), p.pressure.end());
}

TEST(WyomingSounding, NotesSayWhatWasLeftOutAndAssumed) {
    const ProfileReadResult r = ReadProfileFile(SoundingData("sounding-wyoming.txt"));
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_TRUE(HasNote(r, "1 level without pressure, temperature or height left out (at 497.2 hPa)"));
    EXPECT_TRUE(
        HasNote(r, "1 level not above the level before (a repeated height keeps the first) left out (at 697.5 hPa)"));
    EXPECT_TRUE(HasNote(r, "19 levels from 326.3 hPa up carry no humidity: taken as dry air"));
    EXPECT_TRUE(HasNote(r, "no cloud water"));
    EXPECT_TRUE(HasNote(r, "station's height, 22 m above sea level"));
    EXPECT_EQ(r.notes.size(), 5u);
}

TEST(WyomingSounding, HtmlPageReadsAsThePlainListing) {
    const ProfileReadResult plain = ReadProfileFile(SoundingData("sounding-wyoming.txt"));
    const ProfileReadResult html = ReadProfileFile(SoundingData("sounding-wyoming.html"));
    ASSERT_TRUE(html.ok) << html.message;
    EXPECT_EQ(html.profile.height, plain.profile.height);
    EXPECT_EQ(html.profile.airTemperature, plain.profile.airTemperature);
    EXPECT_EQ(html.profile.pressure, plain.profile.pressure);
    EXPECT_EQ(html.profile.absoluteHumidity, plain.profile.absoluteHumidity);
    EXPECT_EQ(html.notes, plain.notes);
    // The text in memory reads as the file.
    const ProfileReadResult text = ParseProfileText(SoundingFileText("sounding-wyoming.html"));
    EXPECT_EQ(text.profile.absoluteHumidity, plain.profile.absoluteHumidity);
}

TEST(WyomingSounding, AFurtherSoundingOfThePageIsCountedAndARefusalNamesTheLine) {
    const std::string one = SoundingFileText("sounding-wyoming.txt");
    const ProfileReadResult two = ParseProfileText(one + "\n" + one);
    ASSERT_TRUE(two.ok) << two.message;
    EXPECT_TRUE(HasNote(two, "The listing holds 2 soundings; the first was read."));
    EXPECT_EQ(two.profile.pressure, ParseProfileText(one).profile.pressure);

    const std::string header = "   PRES   HGHT   TEMP   DWPT\n    hPa     m      C      C\n";
    const ProfileReadResult garbled =
        ParseProfileText(header + " 1000.0    100   25.0   20.0\n  900.0   1000   x1.0   15.0\n");
    EXPECT_FALSE(garbled.ok);
    EXPECT_EQ(garbled.message, "Wyoming sounding, line 4: 'x1.0' in columns 15-21 is not a number.");
    const ProfileReadResult misaligned = ParseProfileText("PRES HGHT TEMP DWPT\n1000 100 25 20\n");
    EXPECT_FALSE(misaligned.ok);
    EXPECT_NE(misaligned.message.find("right-aligned in 7 characters"), std::string::npos) << misaligned.message;
    const ProfileReadResult dryOnly = ParseProfileText("   PRES   HGHT   TEMP   SKNT\n 1000.0    100   25.0      5\n");
    EXPECT_EQ(dryOnly.message, "Wyoming sounding: no humidity column (DWPT, MIXR or RELH).");
    // One usable level is refused as a profile of one level is.
    const ProfileReadResult single = ParseProfileText(header + " 1000.0    100   25.0   20.0\n  900.0   1000\n");
    EXPECT_FALSE(single.ok);
    EXPECT_NE(single.message.find("число уровней 1"), std::string::npos) << single.message;
    ASSERT_TRUE(single.failure.has_value());
}

TEST(Igra2Sounding, FirstSoundingIsTheHandConvertedOneWithItsNotes) {
    const ProfileReadResult r = ReadProfileFile(SoundingData("sounding-igra2.txt"));
    ASSERT_TRUE(r.ok) << r.message;
    const ProfileStore& p = r.profile;
    // 17 records, less the level without height and the wind-only level.
    EXPECT_EQ(p.levelCount, 15);
    EXPECT_TRUE(StrictlyRising(p.height));
    // DPDP (dew point = TEMP - DPDP); RH where DPDP was removed (-8888); dry above.
    ExpectLevel(
        p, {1011.0, SoundingHeight(4.0), 28.4 + 273.15, SoundingDensity(SoundingBolton(28.4 - 1.5), 28.4 + 273.15)});
    ExpectLevel(p, {783.6, SoundingHeight(2200.0), 14.3 + 273.15,
                    SoundingDensity(0.794 * SoundingBolton(14.3), 14.3 + 273.15)});
    ExpectLevel(p, {297.62, SoundingHeight(9650.0), -33.4 + 273.15,
                    SoundingDensity(SoundingBolton(-33.4 - 6.0), -33.4 + 273.15)});
    EXPECT_EQ(p.absoluteHumidity.back(), 0.0);
    EXPECT_EQ(p.pressure.back(), 49.8);
    EXPECT_TRUE(HasNote(r,
                        "Station XXM00099902, sounding of 2024-07-15 00 UTC: number 0 (counting from 0) of the 2 "
                        "soundings in the file."));
    EXPECT_TRUE(HasNote(r, "2 levels without pressure, temperature or height left out (at 606.86 hPa)"));
    EXPECT_TRUE(HasNote(r, "6 levels from 248.31 hPa up carry no humidity"));
    EXPECT_TRUE(HasNote(r, "no cloud water"));
    // The station is 4 m above the sea: no note on the air below it.
    EXPECT_FALSE(HasNote(r, "station's height"));
    EXPECT_EQ(r.notes.size(), 4u);
}

TEST(Igra2Sounding, ASoundingIsChosenByNumberOrTime) {
    const std::string file = SoundingData("sounding-igra2.txt");
    SoundingChoice byIndex;
    byIndex.index = 1;
    const ProfileReadResult second = ReadProfileFile(file, byIndex);
    ASSERT_TRUE(second.ok) << second.message;
    ExpectLevel(second.profile,
                {1009.7, SoundingHeight(4.0), 29.7 + 273.15, SoundingDensity(SoundingBolton(28.2), 29.7 + 273.15)});
    EXPECT_TRUE(HasNote(second, "sounding of 2024-07-15 12 UTC: number 1 (counting from 0) of the 2"));
    SoundingChoice byTime;
    byTime.time = SoundingTime{2024, 7, 15, 12};
    const ProfileReadResult timed = ReadProfileFile(file, byTime);
    EXPECT_EQ(timed.profile.absoluteHumidity, second.profile.absoluteHumidity);
    // The text in memory reads as the file.
    EXPECT_EQ(ParseProfileText(SoundingFileText("sounding-igra2.txt"), byTime).profile.height, second.profile.height);

    SoundingChoice missing;
    missing.index = 2;
    EXPECT_EQ(ReadProfileFile(file, missing).message,
              "IGRA 2 file: no sounding number 2 (counted from 0); the file holds 2.");
    missing.index.reset();
    missing.time = SoundingTime{2024, 7, 16, 0};
    EXPECT_EQ(ReadProfileFile(file, missing).message,
              "IGRA 2 file: no sounding at 2024-07-16 00 UTC; the file holds 2.");
}

TEST(Igra2Sounding, BrokenRecordsAreRefusedWithTheirLine) {
    const std::string text = SoundingFileText("sounding-igra2.txt");
    const std::string header = text.substr(0, text.find('\n') + 1);
    // The header announces 17 levels; 2 follow.
    const std::size_t third = text.find('\n', text.find('\n', header.size()) + 1) + 1;
    EXPECT_EQ(ParseProfileText(text.substr(0, third)).message,
              "IGRA 2 file: the sounding of line 1 announces 17 levels, the file ends after 2.");
    std::string garbled = text;
    garbled.replace(header.size() + 22, 5, "  2x4");  // TEMP of the first level
    EXPECT_EQ(ParseProfileText(garbled).message, "IGRA 2 file, line 2: '2x4' in columns 23-27 is not a whole number.");
    std::string badHeader = text;
    badHeader.replace(text.find("#XXM", 1) + 32, 4, "  ab");  // NUMLEV of the second header
    EXPECT_NE(ParseProfileText(badHeader).message.find(": not a header record"), std::string::npos);
}

TEST(ProfileFormatDetection, EachFormatIsRecognisedAndTheSeaskyFormatIsUnchanged) {
    EXPECT_EQ(DetectProfileFormat(SoundingFileText("sounding-wyoming.txt")), ProfileFormat::wyoming);
    EXPECT_EQ(DetectProfileFormat(SoundingFileText("sounding-wyoming.html")), ProfileFormat::wyoming);
    EXPECT_EQ(DetectProfileFormat(SoundingFileText("sounding-igra2.txt")), ProfileFormat::igra2);
    EXPECT_EQ(DetectProfileFormat("\xEF\xBB\xBF" + SoundingFileText("sounding-igra2.txt")), ProfileFormat::igra2);
    for (const StandardAtmosphere& a : StandardAtmospheres()) {
        EXPECT_EQ(DetectProfileFormat(a.text), ProfileFormat::seasky) << a.name;
        const ProfileReadResult r = ParseProfileText(a.text);
        EXPECT_TRUE(r.ok && r.notes.empty()) << a.name;
    }
    // A '#' line that is no IGRA 2 header, a text of column names not at the
    // start of a line: the seasky format, refused with its message, which
    // names the sounding formats too.
    for (const char* garbled : {"# a comment\n2\n0 288 1013 10 0\n", "hello PRES HGHT TEMP\n"}) {
        const ProfileReadResult r = ParseProfileText(garbled);
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.message.find("не удалось прочитать число уровней"), std::string::npos) << r.message;
        EXPECT_NE(r.message.find("University of Wyoming"), std::string::npos) << r.message;
        EXPECT_NE(r.message.find("IGRA 2"), std::string::npos) << r.message;
    }
}

}  // namespace
}  // namespace seasky
