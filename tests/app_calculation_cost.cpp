// The cost of a calculation and its limits: the counts are derived by hand from
// the band step (0.1 GHz, 0.05 GHz about the strong lines) and the 100 m grid,
// and every front end's request path refuses beyond a limit before computing.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/calculation_request.h"
#include "app/calculation_cost.h"
#include "app/jacobian.h"
#include "app/sensor.h"
#include "atmosphere/atmosphere_radiation.h"
#include "test_support.h"

namespace seasky {
namespace {

using test::EvenProfile;

CalculationCost CostAt(double f, double band, const ProfileStore& p, bool derivatives = false) {
    const SubBand b{f, band};
    return CostOf(ViewOf(p), std::span<const SubBand>(&b, 1), derivatives);
}

TEST(CalculationCost, CountsSubFrequenciesLayersAndLevels) {
    // 37 GHz lies outside the line regions: a 4.8 GHz band is 48 steps of
    // 0.1 GHz, 49 sub-frequencies with both edges. 60 GHz lies in the oxygen
    // band: 99.95 GHz is 1999 steps of 0.05 GHz, 2000 sub-frequencies.
    EXPECT_EQ(SubFrequencyCount(37.0, 4.8), 49.0);
    EXPECT_EQ(SubFrequencyCount(37.0, 0.0), 1.0);
    EXPECT_EQ(SubFrequencyCount(60.0, 99.95), 2000.0);
    EXPECT_EQ(SubFrequencyCount(60.0, 100.0), 2001.0);

    // 0-1000 m in 100 m layers: 10 layers, whatever the number of levels.
    const ProfileStore p = EvenProfile(101, 1000.0);
    const CalculationCost c = CostAt(37.0, 4.8, p);
    EXPECT_EQ(c.levels, 101.0);
    EXPECT_EQ(c.layers, 10.0);
    EXPECT_EQ(c.subFrequencies, 49.0);
    EXPECT_EQ(c.work, 49.0 * (13.0 * 10.0 + 101.0));
    EXPECT_EQ(CostAt(37.0, 4.8, p, true).work, 8.0 * c.work);

    // 0-100 km: 1000 layers.
    EXPECT_EQ(CostAt(37.0, 0.0, EvenProfile(2, 100000.0)).layers, 1000.0);

    // A sensor channel of two sidebands costs the sum of both.
    const std::vector<SubBand> sidebands{{36.0, 1.0}, {38.0, 1.0}};
    EXPECT_EQ(CostOf(ViewOf(p), sidebands).subFrequencies, 22.0);
}

TEST(CalculationCost, LimitsAreGenerousForRealProfilesAndNamedWhenBroken) {
    // A radiosonde-like 0-100 km profile at 100 m (1001 levels) with a band of
    // 214 sub-frequencies is accepted: 214 x (13 x 1000 + 1001) = 2.996e6;
    // 215 are not.
    EXPECT_FALSE(CheckCost(CostAt(37.0, 21.3, EvenProfile(1001, 100000.0))));
    EXPECT_TRUE(CheckCost(CostAt(37.0, 21.4, EvenProfile(1001, 100000.0))));

    // 100000 levels over 0-1000 m: 100130 per sub-frequency, so 29 of them are
    // 2.904e6 (accepted) and 30 are 3.0039e6 (refused, the work named).
    const ProfileStore dense = EvenProfile(100000, 1000.0);
    EXPECT_FALSE(CheckCost(CostAt(37.0, 2.8, dense)));
    const auto work = CheckCost(CostAt(37.0, 2.9, dense));
    ASSERT_TRUE(work);
    EXPECT_EQ(work->quantity, Checked::CalculationWork);
    EXPECT_NE(work->message.find("3000000"), std::string::npos) << work->message;

    // 2000 sub-frequencies pass, 2001 do not, whatever the profile.
    const ProfileStore thin = EvenProfile(2, 10.0);
    EXPECT_FALSE(CheckCost(CostAt(60.0, 99.95, thin)));
    const auto wide = CheckCost(CostAt(60.0, 100.0, thin));
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->quantity, Checked::SubFrequencies);
    EXPECT_NE(wide->message.find("2000"), std::string::npos) << wide->message;

    // With derivatives: at most 25000 levels, and the work counted eight times.
    EXPECT_FALSE(CheckCost(CostAt(37.0, 0.0, EvenProfile(25000, 1000.0), true)));
    const auto levels = CheckCost(CostAt(37.0, 0.0, EvenProfile(25001, 1000.0), true));
    ASSERT_TRUE(levels);
    EXPECT_EQ(levels->quantity, Checked::DerivativeLevels);
    EXPECT_NE(levels->message.find("25000"), std::string::npos) << levels->message;
    // 25000 levels: 25130 per sub-frequency; 15 of them are 0.38e6 alone and
    // 3.0156e6 with derivatives, 14 are 2.815e6 with derivatives.
    const ProfileStore halfDense = EvenProfile(25000, 1000.0);
    EXPECT_FALSE(CheckCost(CostAt(37.0, 1.4, halfDense)));
    EXPECT_FALSE(CheckCost(CostAt(37.0, 1.3, halfDense, true)));
    const auto derivativeWork = CheckCost(CostAt(37.0, 1.4, halfDense, true));
    ASSERT_TRUE(derivativeWork);
    EXPECT_EQ(derivativeWork->quantity, Checked::CalculationWork);
}

TEST(CalculationCost, TheWindowsRequestIsRefusedBeforeComputing) {
    const ProfileStore dense = EvenProfile(100000, 1000.0);
    CalculationInputs in;
    in.frequency = 37.0;
    in.bandwidth = 4.9;
    const CalculationOutcome refused = RunCalculationRequest(in, dense);
    EXPECT_EQ(refused.status, CalculationStatus::rangeError);
    ASSERT_TRUE(refused.failure);
    EXPECT_EQ(refused.failure->quantity, Checked::CalculationWork);
    EXPECT_EQ(refused.message, refused.failure->message);

    // The input checks come first: a band reaching below 0 GHz is a bandwidth
    // fault, even when its count would be beyond every limit (1e8 GHz once
    // overflowed the integer count).
    const CalculationInputTexts texts{"18,7", "53,1", "0", "20", "35", "10", "100000000"};
    const CalculationOutcome huge = RunCalculationRequest(texts, ',', dense);
    EXPECT_EQ(huge.status, CalculationStatus::rangeError);
    ASSERT_TRUE(huge.failure);
    EXPECT_NE(huge.failure->quantity, Checked::CalculationWork);

    // A band that is wide but within limits is computed.
    in.bandwidth = 1.0;
    const CalculationOutcome computed = RunCalculationRequest(in, EvenProfile(41, 4000.0));
    EXPECT_EQ(computed.status, CalculationStatus::ok) << computed.message;
    EXPECT_GT(computed.result.tbV, 100.0);
    EXPECT_LT(computed.result.tbV, 300.0);
}

TEST(CalculationCost, BandsBeyondAnyLimitAreSampledWithoutOverflow) {
    // 1e12 GHz at 0.1 GHz is 1e13 sub-frequencies: far beyond an int. The count
    // stays defined and positive; callers refuse such bands before sampling.
    EXPECT_EQ(SubFrequencyCount(37.0, 1.0e12), 1.0e13 + 1.0);
    const BandSampling s = SampleBand(37.0, 1.0e12);
    EXPECT_GT(s.count, 2000);
    EXPECT_EQ(s.step, 0.1);
}

TEST(CalculationCost, SensorChannelsBeyondALimitAreRefusedOneByOne) {
    Sensor sensor;
    sensor.name = "test";
    Channel narrow;
    narrow.name = "37V";
    narrow.centre = 37.0;
    narrow.subBands = {{37.0, 0.2}};
    narrow.incidenceAngle = 53.0;
    Channel wide = narrow;
    wide.name = "37V-wide";
    wide.subBands = {{37.0, 9.9}};  // 100 sub-frequencies
    sensor.channels = {narrow, wide};
    const std::vector<int> both{0, 1};
    const ProfileStore p = EvenProfile(60000, 1000.0);  // 60130 per sub-frequency

    const std::vector<ChannelOutcome> out = CalculateChannels(sensor, both, SceneSurface{}, ViewOf(p));
    ASSERT_EQ(out.size(), 2u);
    EXPECT_TRUE(out[0].computed);
    EXPECT_GT(out[0].tb, 100.0);
    EXPECT_FALSE(out[1].computed);
    ASSERT_TRUE(out[1].failure);
    EXPECT_EQ(out[1].failure->quantity, Checked::CalculationWork);

    // With derivatives the narrow channel (3 sub-frequencies, 1.4e6 with the
    // factor 8) is computed; 25001 levels are refused for both.
    const std::vector<int> first{0};
    const ChannelsWithJacobian j = CalculateChannelsWithJacobian(sensor, first, SceneSurface{}, ViewOf(EvenProfile(25001, 1000.0)));
    ASSERT_EQ(j.outcomes.size(), 1u);
    EXPECT_FALSE(j.outcomes[0].computed);
    ASSERT_TRUE(j.outcomes[0].failure);
    EXPECT_EQ(j.outcomes[0].failure->quantity, Checked::DerivativeLevels);
}

}  // namespace
}  // namespace seasky
