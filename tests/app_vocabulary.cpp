// The vocabulary (app/vocabulary.h): the names of each front end distinct, the
// defaults accepted by their checks, the help texts and the renamed sea and
// air temperatures.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/calculation.h"
#include "app/jacobian.h"
#include "app/validation.h"
#include "app/vocabulary.h"

namespace seasky {
namespace {

// Every option name and alias of a command's inputs is distinct: two inputs
// under one name would take each other's values.
template <std::size_t N>
void ExpectDistinctOptions(const std::array<Quantity, N>& inputs, const char* command) {
    std::set<std::string> options, keywords;
    for (Quantity q : inputs) {
        for (const std::string& name : OptionNames(q)) EXPECT_TRUE(options.insert(name).second) << command << " " << name;
        EXPECT_TRUE(keywords.insert(InfoOf(q).keyword).second) << command << " " << InfoOf(q).keyword;
        for (const std::string& alias : WordsOf(InfoOf(q).aliases))
            if (alias != InfoOf(q).keyword) {
                EXPECT_TRUE(keywords.insert(alias).second) << command << " " << alias;
            }
    }
}

// The keys of an output are distinct and none is a dotted key's group (a
// member "direction" beside "direction.V" would clash in the JSON).
template <std::size_t N>
void ExpectDistinctKeys(const std::array<Quantity, N>& outputs, const char* command) {
    std::set<std::string> keys, groups;
    for (Quantity q : outputs) {
        const std::string key = KeyOf(q);
        EXPECT_TRUE(keys.insert(key).second) << command << " " << key;
        if (key.find('.') != std::string::npos) groups.insert(key.substr(0, key.find('.')));
    }
    for (const std::string& group : groups) EXPECT_EQ(keys.count(group), 0u) << command << " " << group;
}

TEST(Vocabulary, NamesOfEachFrontEndAreDistinct) {
    ExpectDistinctOptions(kCalculationInputs, "calc");
    ExpectDistinctOptions(kEmissivityInputs, "emissivity");
    ExpectDistinctOptions(kPermittivityInputs, "permittivity");
    ExpectDistinctOptions(kSkyCorrectionInputs, "sky-correction");
    ExpectDistinctOptions(kAbsorptionInputs, "absorption");
    ExpectDistinctOptions(kAtmosphereInputs, "atmosphere");
    ExpectDistinctOptions(kSensorSceneInputs, "sensor");
    ExpectDistinctKeys(kEmissivityOutputs, "emissivity");
    ExpectDistinctKeys(kPermittivityOutputs, "permittivity");
    ExpectDistinctKeys(kSkyCorrectionOutputs, "sky-correction");
    ExpectDistinctKeys(kAbsorptionOutputs, "absorption");
    ExpectDistinctKeys(kAtmosphereOutputs, "atmosphere");
    std::set<std::string> results;
    for (const ResultField& f : kResultFields) EXPECT_TRUE(results.insert(KeyOf(f.quantity)).second) << KeyOf(f.quantity);
    EXPECT_EQ(results.size(), kResultFields.size());
    // The scene file's variables, and the short names of its CSV columns and
    // of the derivatives.
    std::set<std::string> variables, shortNames;
    for (const SceneQuantity& s : kSceneQuantities) {
        EXPECT_TRUE(variables.insert(InfoOf(s.quantity).variable).second) << InfoOf(s.quantity).variable;
        if (*InfoOf(s.quantity).shortName != '\0') {
            EXPECT_TRUE(shortNames.insert(InfoOf(s.quantity).shortName).second) << InfoOf(s.quantity).shortName;
        }
    }
}

TEST(Vocabulary, SeaAndAirTemperatureAreNamedApart) {
    const QuantityInfo& sea = InfoOf(Quantity::SeaTemperature);
    const QuantityInfo& air = InfoOf(Quantity::AirTemperature);
    for (auto name : {&QuantityInfo::key, &QuantityInfo::option, &QuantityInfo::keyword, &QuantityInfo::shortName,
                      &QuantityInfo::variable, &QuantityInfo::standardName, &QuantityInfo::unit})
        EXPECT_STRNE(sea.*name, air.*name);
    EXPECT_STREQ(sea.option, "sea-temp");
    EXPECT_STREQ(air.option, "air-temp");
    // The old spelling of both, each in the commands that used it.
    EXPECT_EQ(OptionNames(Quantity::SeaTemperature), (std::vector<std::string>{"sea-temp", "temp"}));
    EXPECT_EQ(OptionNames(Quantity::AirTemperature), (std::vector<std::string>{"air-temp", "temp"}));
    // A refusal names which temperature it is.
    EXPECT_EQ(Check(Checked::SeaTemperature, 40.0)->input, "seaTemperature");
    EXPECT_EQ(Check(Checked::AirTemperature, 40.0)->input, "airTemperature");
    EXPECT_EQ(Check(Checked::LiquidCloudTemperature, 200.0)->input, "airTemperature");
    // And so do the derivatives: sst at the surface, airTemperature per level.
    EXPECT_STREQ(kSurfaceInputNames[0], "sst");
    EXPECT_STREQ(kLevelQuantityNames[0], "airTemperature");
    JacobianSelection old;
    ASSERT_FALSE(ParseJacobianSelection("temperature", old));  // the old name still selects it
    EXPECT_TRUE(old.level[0]);
    EXPECT_FALSE(old.level[1] || old.surface[0]);
}

TEST(Vocabulary, DefaultsAreTheWindowsAndAccepted) {
    const CalculationInputs in;
    EXPECT_EQ(InputValues(in), (std::array<double, 7>{18.7, 53.1, 0.0, 20.0, 35.0, 10.0, 0.0}));
    EXPECT_FALSE(ValidateInputs(in));
    for (const QuantityInfo& q : kQuantities)
        if (q.check && !std::isnan(q.fallback)) {
            EXPECT_TRUE(IsAccepted(*q.check, q.fallback)) << q.key;
        }
    // Every checked input of a command has the check the command applies.
    EXPECT_EQ(InfoOf(Quantity::ModelWind).check, Checked::ModelWind);
    EXPECT_EQ(InfoOf(Quantity::AbsorptionFrequency).check, Checked::AbsorptionFrequency);
    EXPECT_EQ(InfoOf(Quantity::ViewAngle).check, Checked::ViewAngle);
}

TEST(Vocabulary, HelpTextsFromTheTable) {
    EXPECT_EQ(HelpText(Quantity::Frequency), "Frequency, GHz (6.75 to 89)");
    EXPECT_EQ(HelpText(Quantity::SeaTemperature), "Sea surface temperature, degrees C (-3 to 37)");
    EXPECT_EQ(HelpText(Quantity::AirTemperature), "Air temperature, K (100 to 400)");
    EXPECT_EQ(HelpText(Quantity::Salinity), "Sea-water salinity, per mille (0 to 45)");
    EXPECT_EQ(HelpText(Quantity::Wind), "Near-surface wind speed, m/s (0 to 20)");
    EXPECT_EQ(HelpText(Quantity::ModelWind), "Near-surface wind speed, m/s (0 or more; linear extension above 20)");
    EXPECT_EQ(HelpText(Quantity::AbsorptionFrequency), "Frequency, GHz (above 0, at most 1000)");
    EXPECT_EQ(HelpText(Quantity::Bandwidth), "Receiver bandwidth, GHz (0 = one frequency)");
    EXPECT_EQ(HelpText(Quantity::Transmittance), "Slant-path transmittance of the atmosphere (0 to 1)");
    EXPECT_EQ(UnitText("Np km-1"), "Np/km");
    EXPECT_EQ(UnitText("K"), "K");
    EXPECT_EQ(UnitText("1"), "");
}

}  // namespace
}  // namespace seasky
