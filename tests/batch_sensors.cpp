// Sensor presets against the numbers of their sources, the sensor-file reader,
// and the channel calculation: double-sideband averaging, sharing between
// channels, and identity with the single calculation.
#include <gtest/gtest.h>

#include <cmath>

#include "app/calculation.h"
#include "app/profile_reader.h"
#include "app/sensor.h"
#include "app/standard_atmospheres.h"
#include "batch/sensor_file.h"
#include "test_support.h"

namespace seasky {
namespace {

Sensor Preset(const std::string& name) {
    const SensorReadResult r = LoadSensor(name);
    EXPECT_TRUE(r.ok) << r.message;
    return r.sensor;
}

const Channel& ChannelNamed(const Sensor& s, const std::string& name) {
    for (const Channel& c : s.channels)
        if (c.name == name) return c;
    ADD_FAILURE() << s.name << " has no channel " << name;
    return s.channels.front();
}

using test::Bundled;

// One expected channel: centre, passband edges (lo, hi per sub-band), polarisation,
// incidence angle (NaN: not published).
struct Expected {
    const char* sensor;
    const char* channel;
    double centre;
    std::vector<std::pair<double, double>> edges;
    Polarisation polarisation;
    double angle;
};

TEST(SensorPresets, ChannelsCarryThePublishedNumbers) {
    const double none = std::nan("");
    const Expected cases[] = {
        // AMSR2 (JAXA): 6.925 GHz, 350 MHz, EIA 55 degrees.
        {"amsr2", "6.925V", 6.925, {{6.75, 7.1}}, Polarisation::V, 55.0},
        {"amsr2", "89.0H", 89.0, {{87.5, 90.5}}, Polarisation::H, 55.0},
        // AMSR-E (Kawanishi et al. 2003): the 89 GHz B horn at 54.5 degrees.
        {"amsre", "89.0V-B", 89.0, {{87.5, 90.5}}, Polarisation::V, 54.5},
        {"amsre", "10.65H", 10.65, {{10.6, 10.7}}, Polarisation::H, 55.0},
        // GMI (NASA ATBD): 23.8 GHz V only, 400 MHz, EIA 52.8 degrees.
        {"gmi", "23.8V", 23.8, {{23.6, 24.0}}, Polarisation::V, 52.8},
        {"gmi", "89.0V", 89.0, {{86.0, 92.0}}, Polarisation::V, 52.8},
        // SSM/I (Hollinger 1989): double sideband, IF 10-250 MHz at 19.35 GHz, 53.1 degrees.
        {"ssmi", "19.35V", 19.35, {{19.1, 19.34}, {19.36, 19.6}}, Polarisation::V, 53.1},
        {"ssmi", "85.5H", 85.5, {{84.0, 85.4}, {85.6, 87.0}}, Polarisation::H, 53.1},
        // SSMIS: 37 GHz, 1500 MHz, 53.1 degrees.
        {"ssmis", "37.0V", 37.0, {{36.25, 37.75}}, Polarisation::V, 53.1},
        // WindSat (NRL): 10.7 GHz, 300 MHz, the +45 channel at 49.9 degrees; 6.8 GHz at 53.5.
        {"windsat", "10.7+45", 10.7, {{10.55, 10.85}}, Polarisation::Plus45, 49.9},
        {"windsat", "37.0L", 37.0, {{36.0, 38.0}}, Polarisation::LeftCircular, 53.0},
        {"windsat", "6.8H", 6.8, {{6.7375, 6.8625}}, Polarisation::H, 53.5},
        // TMI (Kummerow et al. 1998): 21.3 GHz V, 200 MHz; incidence angle not published.
        {"tmi", "21.3V", 21.3, {{21.2, 21.4}}, Polarisation::V, none},
        // FY-3 MWRI: 89 GHz double sideband, IF 0.5-2.8 GHz, 53.1 degrees.
        {"mwri", "89.0V", 89.0, {{86.2, 88.5}, {89.5, 91.8}}, Polarisation::V, 53.1},
    };
    for (const Expected& e : cases) {
        const Sensor sensor = Preset(e.sensor);
        const Channel& c = ChannelNamed(sensor, e.channel);
        EXPECT_EQ(c.centre, e.centre) << e.channel;
        ASSERT_EQ(c.subBands.size(), e.edges.size()) << e.channel;
        for (std::size_t b = 0; b < e.edges.size(); ++b) {
            EXPECT_NEAR(c.subBands[b].centre - c.subBands[b].width / 2, e.edges[b].first, 1e-12) << e.channel;
            EXPECT_NEAR(c.subBands[b].centre + c.subBands[b].width / 2, e.edges[b].second, 1e-12) << e.channel;
        }
        EXPECT_EQ(c.polarisation, e.polarisation) << e.channel;
        if (std::isnan(e.angle)) {
            EXPECT_FALSE(c.incidenceAngle.has_value()) << e.channel;
        } else {
            ASSERT_TRUE(c.incidenceAngle.has_value()) << e.channel;
            EXPECT_EQ(*c.incidenceAngle, e.angle) << e.channel;
        }
    }
    EXPECT_EQ(Preset("amsr2").channels.size(), 14u);
    EXPECT_EQ(Preset("windsat").channels.size(), 22u);
    EXPECT_EQ(SensorPresets().size(), 8u);
}

TEST(SensorFile, RefusesMalformedChannelsNamingThem) {
    auto refusal = [](const std::string& channel) {
        const SensorReadResult r = ParseSensorText(R"({"name": "x", "channels": [)" + channel + "]}", "test.json");
        EXPECT_FALSE(r.ok) << channel;
        return r.message;
    };
    EXPECT_NE(refusal(R"({"name": "a", "centre": 10, "polarisation": "V"})").find("exactly one"), std::string::npos);
    EXPECT_NE(refusal(R"({"name": "a", "centre": 10, "bandwidth": 0.1, "subBands": [[9, 11]], "polarisation": "V"})")
                  .find("exactly one"),
              std::string::npos);
    EXPECT_NE(refusal(R"({"name": "a", "centre": 10, "bandwidth": 0.1, "polarisation": "Q"})").find("polarisation"),
              std::string::npos);
    EXPECT_NE(refusal(R"({"name": "a", "centre": -1, "bandwidth": 0.1, "polarisation": "V"})").find("centre"),
              std::string::npos);
    EXPECT_NE(refusal(R"({"name": "a", "centre": 10, "sidebands": {"ifLow": 0.3, "ifHigh": 0.2}, "polarisation": "V"})")
                  .find("ifLow"),
              std::string::npos);
    EXPECT_NE(refusal(R"({"name": "a", "centre": 10, "bandwidth": 0.1, "polarisation": "V"},
                         {"name": "a", "centre": 11, "bandwidth": 0.1, "polarisation": "H"})")
                  .find("twice"),
              std::string::npos);
    EXPECT_NE(ParseSensorText("{not json", "broken.json").message.find("broken.json"), std::string::npos);
    // Explicit sub-bands and an unpublished bandwidth are read as written.
    const SensorReadResult ok = ParseSensorText(
        R"({"name": "x", "channels": [{"name": "a", "centre": 50, "subBands": [[49, 49.5], [50.5, 51.5]],
            "polarisation": "S4", "incidenceAngle": null, "beamWidth": [1.1, 1.2]},
           {"name": "b", "centre": 20, "bandwidth": null, "polarisation": "R"}]})",
        "test.json");
    ASSERT_TRUE(ok.ok) << ok.message;
    const Channel& a = ok.sensor.channels[0];
    ASSERT_EQ(a.subBands.size(), 2u);
    EXPECT_EQ(a.subBands[1].centre, 51.0);
    EXPECT_EQ(a.subBands[1].width, 1.0);
    EXPECT_EQ(a.beamWidth, (std::vector<double>{1.1, 1.2}));
    EXPECT_TRUE(ok.sensor.channels[1].subBands.empty());
    EXPECT_FALSE(CheckChannelDefinition(ok.sensor.channels[1], true, false)->message.empty());
    EXPECT_FALSE(SelectChannels(ok.sensor, "a,zz").message.empty());
    EXPECT_EQ(SelectChannels(ok.sensor, "b,a").indices, (std::vector<int>{1, 0}));
}

TEST(SensorChannels, SingleBandChannelIsTheSingleCalculation) {
    const Sensor amsr2 = Preset("amsr2");
    const ProfileStore p = Bundled("tropical");
    SceneSurface scene{27.0, 34.5, 7.5, 60.0, std::nullopt};
    const std::vector<int> all = SelectChannels(amsr2, "").indices;
    const std::vector<ChannelOutcome> out = CalculateChannels(amsr2, all, scene, ViewOf(p));
    for (std::size_t i = 0; i < all.size(); ++i) {
        const Channel& c = amsr2.channels[all[i]];
        ASSERT_TRUE(out[i].computed) << c.name;
        const CalculationResult r =
            Calculate({c.centre, 55.0, 60.0, 27.0, 34.5, 7.5, c.subBands[0].width}, p);
        EXPECT_EQ(out[i].tb, ChannelValue(r, c.polarisation)) << c.name;  // bit for bit
        EXPECT_EQ(out[i].result.opacity, r.opacity) << c.name;
    }
    // 89 GHz spans 87.5-90.5 GHz: computed and marked; 6.925 GHz starts at 6.75 GHz.
    EXPECT_TRUE(out.back().passbandBeyondRange);
    EXPECT_FALSE(out.back().extrapolated);
}

TEST(SensorChannels, DoubleSidebandIsTheWidthWeightedMeanOfItsSidebands) {
    const Sensor ssmi = Preset("ssmi");
    const ProfileStore p = Bundled("midlatitude-winter");
    const int index = SelectChannels(ssmi, "37.0V").indices[0];
    const Channel& c = ssmi.channels[index];
    SceneSurface scene{5.0, 33.0, 12.0, 135.0, std::nullopt};
    const ChannelOutcome o = CalculateChannels(ssmi, std::vector<int>{index}, scene, ViewOf(p))[0];
    // The two --band calculations of the sidebands (equal widths: the plain mean).
    const AtmosphereTransferResult lower = AtmosphereTransfer(c.subBands[0].centre, c.subBands[0].width, 53.1, ViewOf(p));
    const AtmosphereTransferResult upper = AtmosphereTransfer(c.subBands[1].centre, c.subBands[1].width, 53.1, ViewOf(p));
    EXPECT_NEAR(c.subBands[0].centre, 36.45, 1e-12);
    EXPECT_NEAR(c.subBands[1].centre, 37.55, 1e-12);
    EXPECT_TRUE(test::RelativelyNear(o.result.tbDown, 0.5 * lower.down.brightness + 0.5 * upper.down.brightness, 1e-15));
    EXPECT_TRUE(test::RelativelyNear(o.result.tbUp, 0.5 * lower.up.brightness + 0.5 * upper.up.brightness, 1e-15));
    EXPECT_TRUE(test::RelativelyNear(o.result.opacity, 0.5 * lower.down.opacity + 0.5 * upper.down.opacity, 1e-15));
    // Unequal widths weigh by width.
    const SubBand bands[2] = {{30.0, 0.4}, {40.0, 1.2}};
    PassbandRequest request{std::span<const SubBand>(bands, 2), 40.0};
    AtmosphereTransferResult both;
    AtmosphereTransfers(ViewOf(p), &request, 1, &both);
    const AtmosphereTransferResult a = AtmosphereTransfer(30.0, 0.4, 40.0, ViewOf(p));
    const AtmosphereTransferResult b = AtmosphereTransfer(40.0, 1.2, 40.0, ViewOf(p));
    EXPECT_TRUE(test::RelativelyNear(both.down.brightness, 0.25 * a.down.brightness + 0.75 * b.down.brightness, 1e-15));
    // The surface is taken at the centre: the emissivity of a 37 GHz calculation.
    const CalculationResult centre = Calculate({37.0, 53.1, 135.0, 5.0, 33.0, 12.0, 0.0}, p);
    EXPECT_EQ(o.result.emissivityV, centre.emissivityV);
    // The channel's own brightness from that atmosphere and surface.
    AtmosphereTransferResult averaged = lower;
    averaged.down.brightness = o.result.tbDown;
    averaged.up.brightness = o.result.tbUp;
    averaged.down.opacity = o.result.opacity;
    EXPECT_EQ(o.tb, CombineWithSurface({37.0, 53.1, 135.0, 5.0, 33.0, 12.0, 0.0}, averaged).tbV);
}

TEST(SensorChannels, SharedWorkGivesTheSameNumbersAsChannelsAlone) {
    const Sensor windsat = Preset("windsat");
    const ProfileStore p = Bundled("tropical-cloudy");
    SceneSurface scene{29.0, 35.0, 9.0, 45.0, std::nullopt};
    const std::vector<int> all = SelectChannels(windsat, "").indices;
    const std::vector<ChannelOutcome> together = CalculateChannels(windsat, all, scene, ViewOf(p));
    for (std::size_t i = 0; i < all.size(); ++i) {
        const ChannelOutcome alone = CalculateChannels(windsat, std::vector<int>{all[i]}, scene, ViewOf(p))[0];
        EXPECT_EQ(together[i].tb, alone.tb) << windsat.channels[all[i]].name;
    }
    // The polarimetric channels: +45 - -45 is the third Stokes term, L - R the fourth.
    auto tb = [&](const char* name) { return together[SelectChannels(windsat, name).indices[0]].tb; };
    const ChannelOutcome& plus = together[SelectChannels(windsat, "18.7+45").indices[0]];
    EXPECT_NEAR(tb("18.7+45") - tb("18.7-45"), plus.result.tbThirdStokes, 1e-12);
    EXPECT_NEAR(tb("18.7L") - tb("18.7R"), plus.result.tbFourthStokes, 1e-12);
    EXPECT_NE(tb("18.7+45"), tb("18.7-45"));
    EXPECT_NE(tb("18.7L"), tb("18.7R"));
    EXPECT_NEAR(0.5 * (tb("18.7L") + tb("18.7R")), 0.5 * (tb("18.7V") + tb("18.7H")), 1e-12);
}

TEST(SensorChannels, CentresOutsideTheRangeAreRefusedUnlessExtrapolated) {
    const Sensor ssmis = Preset("ssmis");
    const ProfileStore p = Bundled("us-standard");
    SceneSurface scene;
    const std::vector<int> high = SelectChannels(ssmis, "91.655V").indices;
    const ChannelOutcome refused = CalculateChannels(ssmis, high, scene, ViewOf(p))[0];
    ASSERT_FALSE(refused.computed);
    EXPECT_EQ(refused.failure->quantity, Checked::Frequency);
    EXPECT_NE(refused.failure->message.find("91.655V"), std::string::npos);
    const ChannelOutcome extrapolated = CalculateChannels(ssmis, high, scene, ViewOf(p), {}, true)[0];
    EXPECT_TRUE(extrapolated.computed && extrapolated.extrapolated && extrapolated.passbandBeyondRange);
    EXPECT_GT(extrapolated.tb, 150.0);
    // A channel without a published incidence angle needs the scene's.
    const Sensor tmi = Preset("tmi");
    const std::vector<int> one = SelectChannels(tmi, "10.65V").indices;
    EXPECT_FALSE(CalculateChannels(tmi, one, scene, ViewOf(p))[0].computed);
    scene.incidenceAngle = 52.8;
    EXPECT_TRUE(CalculateChannels(tmi, one, scene, ViewOf(p))[0].computed);
    // A scene value out of range refuses every channel, naming it.
    scene.wind = 25.0;
    const ChannelOutcome windy = CalculateChannels(tmi, one, scene, ViewOf(p))[0];
    EXPECT_EQ(windy.failure->quantity, Checked::Wind);
    EXPECT_EQ(windy.failure->message.rfind("Канал 10.65V: ", 0), 0u);
    // With the extended wind range the channel is computed, as the single
    // calculation with that range computes it.
    ModelSet extended;
    extended.windRange = WindRange::extended;
    const ChannelOutcome computed = CalculateChannels(tmi, one, scene, ViewOf(p), extended)[0];
    ASSERT_TRUE(computed.computed);
    const Channel& c = tmi.channels[static_cast<std::size_t>(one[0])];
    const CalculationResult single =
        Calculate({c.centre, 52.8, scene.azimuth, scene.seaTemperature, scene.salinity, 25.0, c.subBands[0].width}, p,
                  extended);
    EXPECT_EQ(computed.tb, single.tbV);
    scene.wind = 40.5;
    EXPECT_EQ(CalculateChannels(tmi, one, scene, ViewOf(p), extended)[0].failure->quantity, Checked::ExtendedWind);
}

}  // namespace
}  // namespace seasky
