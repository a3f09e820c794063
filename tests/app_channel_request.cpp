// The channels-over-a-scene request: each channel is checked on its own with
// the model set's ranges and the cost limits, a refusal names its channel, and
// a computed channel of one sub-band is exactly the single calculation at its
// centre with its width (the request of app/calculation_request.h), its
// derivatives those of a central difference of the request itself.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/calculation_cost.h"
#include "app/calculation_request.h"
#include "app/channel_request.h"
#include "test_support.h"

namespace seasky {
namespace {

using test::Bundled;

Channel OneBandChannel(const std::string& name, double centre, double width, Polarisation p) {
    Channel c;
    c.name = name;
    c.centre = centre;
    c.subBands = {{centre, width}};
    c.polarisation = p;
    c.incidenceAngle = 55.0;
    return c;
}

// 18.7 GHz V and H (one calculation), a channel without a published passband,
// and one whose centre lies below 6.75 GHz.
Sensor RequestTestSensor() {
    Sensor s;
    s.name = "test";
    s.channels = {OneBandChannel("18.7V", 18.7, 0.2, Polarisation::V),
                  OneBandChannel("18.7H", 18.7, 0.2, Polarisation::H), OneBandChannel("nopass", 23.8, 0.4,
                                                                                      Polarisation::V),
                  OneBandChannel("6.0V", 6.0, 0.2, Polarisation::V)};
    s.channels[2].subBands.clear();
    return s;
}

bool StartsWith(const std::string& text, const std::string& start) { return text.rfind(start, 0) == 0; }

TEST(ChannelsRequest, EachChannelIsCheckedOnItsOwnAndEqualsTheSingleCalculation) {
    const Sensor sensor = RequestTestSensor();
    const std::vector<int> all{0, 1, 2, 3};
    const ProfileStore p = Bundled("tropical");
    const SceneSurface scene{20.0, 35.0, 7.0, 30.0, std::nullopt};
    const ChannelsRequest request{sensor, all, scene, ViewOf(p), {}, false, false};
    const ChannelsOutcome out = RunChannelsRequest(request);
    ASSERT_EQ(out.outcomes.size(), 4u);
    EXPECT_TRUE(out.jacobians.empty());

    // The single calculation: frequency, angle, azimuth, sea temperature,
    // salinity, wind, bandwidth.
    const CalculationOutcome single = RunCalculationRequest({18.7, 55.0, 30.0, 20.0, 35.0, 7.0, 0.2}, p);
    ASSERT_EQ(single.status, CalculationStatus::ok);
    ASSERT_TRUE(out.outcomes[0].computed && out.outcomes[1].computed);
    EXPECT_EQ(out.outcomes[0].tb, single.result.tbV);
    EXPECT_EQ(out.outcomes[1].tb, single.result.tbH);
    EXPECT_EQ(out.outcomes[1].result.opacity, single.result.opacity);
    EXPECT_FALSE(out.outcomes[0].extrapolated || out.outcomes[0].passbandBeyondRange);

    ASSERT_TRUE(out.outcomes[2].failure);
    EXPECT_FALSE(out.outcomes[2].computed);
    EXPECT_EQ(out.outcomes[2].failure->input, "passband");
    EXPECT_TRUE(StartsWith(out.outcomes[2].failure->message, "Канал nopass: ")) << out.outcomes[2].failure->message;
    ASSERT_TRUE(out.outcomes[3].failure);
    EXPECT_EQ(out.outcomes[3].failure->quantity, Checked::Frequency);
    EXPECT_EQ(out.outcomes[3].failure->message,
              std::string("Канал 6.0V: ") + QuantityOf(Checked::Frequency).message);

    // The request as a whole is refused for its first refused channel, before
    // and with the profile alike.
    ASSERT_TRUE(CheckChannelInputs(request));
    EXPECT_EQ(CheckChannelInputs(request)->message, out.outcomes[2].failure->message);
    EXPECT_EQ(CheckChannelsRequest(request)->message, out.outcomes[2].failure->message);
    const std::vector<int> good{0, 1};
    EXPECT_FALSE(CheckChannelsRequest({sensor, good, scene, ViewOf(p), {}, false, false}));

    // Extrapolated, the 6 GHz channel is the unchecked calculation at 6 GHz, marked.
    const std::vector<int> low{3};
    const ChannelOutcome extrapolated = RunChannelsRequest({sensor, low, scene, ViewOf(p), {}, true, false}).outcomes[0];
    ASSERT_TRUE(extrapolated.computed);
    EXPECT_TRUE(extrapolated.extrapolated);
    EXPECT_TRUE(extrapolated.passbandBeyondRange);
    EXPECT_EQ(extrapolated.tb, Calculate({6.0, 55.0, 30.0, 20.0, 35.0, 7.0, 0.2}, p).tbV);
}

TEST(ChannelsRequest, TheWindRangeIsThatOfTheModelSetsSurface) {
    const Sensor sensor = RequestTestSensor();
    const std::vector<int> one{0};
    const ProfileStore p = Bundled("tropical");
    ModelSet mw2012;
    ASSERT_FALSE(SetModelChoice(mw2012, "surface", "mw2012"));
    const SceneSurface windy{20.0, 35.0, 30.0, 0.0, std::nullopt};

    // 30 m/s: beyond the default's 20 m/s, within the 40 m/s of mw2012.
    const ChannelOutcome standard = RunChannelsRequest({sensor, one, windy, ViewOf(p), {}, false, false}).outcomes[0];
    ASSERT_TRUE(standard.failure);
    EXPECT_EQ(standard.failure->quantity, Checked::Wind);
    EXPECT_EQ(standard.failure->message, std::string("Канал 18.7V: ") + QuantityOf(Checked::Wind).message);
    const ChannelOutcome mw = RunChannelsRequest({sensor, one, windy, ViewOf(p), mw2012, false, false}).outcomes[0];
    ASSERT_TRUE(mw.computed);
    const CalculationOutcome single = RunCalculationRequest({18.7, 55.0, 0.0, 20.0, 35.0, 30.0, 0.2}, p, mw2012);
    ASSERT_EQ(single.status, CalculationStatus::ok);
    EXPECT_EQ(mw.tb, single.result.tbV);

    const SceneSurface stormy{20.0, 35.0, 41.0, 0.0, std::nullopt};
    const std::optional<ValidationFailure> refused =
        CheckChannelInputs({sensor, one, stormy, ViewOf(p), mw2012, false, false});
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->quantity, Checked::Mw2012Wind);
    EXPECT_EQ(refused->upper, 40.0);
}

TEST(ChannelsRequest, CostRefusalsAreEachChannelsAndNameItInTheRequestsRefusal) {
    Sensor sensor;
    sensor.channels = {OneBandChannel("37V", 37.0, 0.2, Polarisation::V),
                       OneBandChannel("37V-wide", 37.0, 9.9, Polarisation::V)};  // 3 and 100 sub-frequencies
    const std::vector<int> both{0, 1};
    const SceneSurface scene;
    // 60000 levels 0-1 km: 60130 work units per sub-frequency.
    const ProfileStore p = test::EvenProfile(60000, 1000.0);
    const ChannelsRequest request{sensor, both, scene, ViewOf(p), {}, false, false};
    const ChannelsOutcome out = RunChannelsRequest(request);
    EXPECT_TRUE(out.outcomes[0].computed);
    ASSERT_TRUE(out.outcomes[1].failure);
    EXPECT_EQ(out.outcomes[1].failure->quantity, Checked::CalculationWork);
    // As a scene records it: the rule's message (the channel has its status).
    EXPECT_EQ(out.outcomes[1].failure->message, QuantityOf(Checked::CalculationWork).message);
    // The request's refusal names the channel; its inputs alone are accepted.
    EXPECT_FALSE(CheckChannelInputs(request));
    ASSERT_TRUE(CheckChannelsRequest(request));
    EXPECT_EQ(CheckChannelsRequest(request)->message,
              std::string("Канал 37V-wide: ") + QuantityOf(Checked::CalculationWork).message);

    // With derivatives and 25001 levels the wide channel breaks the level limit
    // and the work: the level limit is named first, as for a single calculation.
    const ProfileStore deep = test::EvenProfile(25001, 1000.0);
    const std::vector<int> wide{1};
    const ChannelOutcome refused = RunChannelsRequest({sensor, wide, scene, ViewOf(deep), {}, false, true}).outcomes[0];
    ASSERT_TRUE(refused.failure);
    EXPECT_EQ(refused.failure->quantity, CheckCalculationCost(37.0, 9.9, ViewOf(deep), true)->quantity);
    EXPECT_EQ(refused.failure->quantity, Checked::DerivativeLevels);
}

TEST(ChannelsRequest, DerivativesOfEachComputedChannelsOwnPolarisation) {
    const Sensor sensor = RequestTestSensor();
    const std::vector<int> three{0, 1, 2};
    const ProfileStore p = Bundled("tropical");
    const SceneSurface scene{20.0, 35.0, 7.0, 30.0, std::nullopt};
    const ChannelsOutcome with = RunChannelsRequest({sensor, three, scene, ViewOf(p), {}, false, true});
    const ChannelsOutcome without = RunChannelsRequest({sensor, three, scene, ViewOf(p), {}, false, false});
    ASSERT_EQ(with.jacobians.size(), 3u);
    EXPECT_EQ(with.jacobians[0].levels, p.levelCount);
    EXPECT_EQ(with.jacobians[1].levels, p.levelCount);
    EXPECT_EQ(with.jacobians[2].levels, 0);  // refused: no passband
    for (int c : {0, 1}) EXPECT_EQ(with.outcomes[c].tb, without.outcomes[c].tb);

    // d tb / d wind of each channel against a central difference of the request.
    const double h = 0.01;
    SceneSurface up = scene, down = scene;
    up.wind += h;
    down.wind -= h;
    const ChannelsOutcome a = RunChannelsRequest({sensor, three, up, ViewOf(p), {}, false, false});
    const ChannelsOutcome b = RunChannelsRequest({sensor, three, down, ViewOf(p), {}, false, false});
    for (int c : {0, 1}) {
        const double difference = (a.outcomes[c].tb - b.outcomes[c].tb) / (2.0 * h);
        const JacobianOutput output = JacobianOutputOf(sensor.channels[c].polarisation);
        EXPECT_NEAR(with.jacobians[c].Surface(output, SurfaceInput::wind), difference,
                    1e-4 * std::fabs(difference) + 1e-8)
            << c;
    }
    EXPECT_NE(with.jacobians[0].Surface(JacobianOutput::tbV, SurfaceInput::wind),
              with.jacobians[1].Surface(JacobianOutput::tbH, SurfaceInput::wind));
}

}  // namespace
}  // namespace seasky
