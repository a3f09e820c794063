// The model set: its choices and refusals, the ranges it sets, and what each
// choice changes in a calculation (and what it leaves alone).
#include <gtest/gtest.h>

#include <cmath>

#include "app/calculation_request.h"
#include "app/model_set.h"
#include "atmosphere/cosmic_background.h"
#include "surface/mw2012_emissivity.h"
#include "test_support.h"

namespace seasky {
namespace {

TEST(ModelSet, ChoicesByNameAndTheirRefusals) {
    ModelSet set;
    EXPECT_EQ(ModelSetSummary(set), "default");
    EXPECT_FALSE(SetModelAssignment(set, "surface=mw2012"));
    EXPECT_FALSE(SetModelAssignment(set, "cosmic=effective"));
    EXPECT_FALSE(SetModelAssignment(set, "direction-rows=sum-difference"));
    EXPECT_EQ(set.surface, SurfaceModel::mw2012);
    EXPECT_EQ(set.cosmic, CosmicModel::effective);
    EXPECT_EQ(set.directionRows, DirectionRows::SumDifference);
    EXPECT_EQ(ModelSetSummary(set), "surface=mw2012 cosmic=effective direction-rows=sum-difference");
    // "default" names every model's default, whatever its own name.
    EXPECT_FALSE(SetModelAssignment(set, "direction-rows=default"));
    EXPECT_EQ(set.directionRows, DirectionRows::VerticalHorizontal);
    const std::vector<std::pair<std::string, std::string>> record{
        {"surface", "mw2012"}, {"cosmic", "effective"}, {"direction-rows", "v-h"}, {"wind-range", "default"}};
    EXPECT_EQ(ModelSetRecord(set), record);
    // Refusals name what there is and change nothing.
    const ModelSet before = set;
    const auto choice = SetModelAssignment(set, "surface=mw2013");
    ASSERT_TRUE(choice);
    EXPECT_NE(choice->find("default, mw2012"), std::string::npos) << *choice;
    const auto model = SetModelAssignment(set, "sea=mw2012");
    ASSERT_TRUE(model);
    EXPECT_NE(model->find("surface, cosmic, direction-rows"), std::string::npos) << *model;
    EXPECT_TRUE(SetModelAssignment(set, "surface"));
    EXPECT_TRUE(SetModelAssignment(set, "=mw2012"));
    EXPECT_EQ(set, before);
    // Every model has a default and a source for every choice.
    for (const ModelEntry& m : kModels) {
        ASSERT_NE(m.choices[0].name, nullptr) << m.name;
        for (const ModelChoice& c : m.choices) {
            if (c.name != nullptr) {
                EXPECT_GT(std::string(c.source).size(), 20u) << m.name << " " << c.name;
            }
        }
    }
}

TEST(ModelSet, TheSurfaceModelSetsTheWindRange) {
    CalculationInputs in;
    ModelSet mw2012;
    mw2012.surface = SurfaceModel::mw2012;
    in.wind = 30.0;
    const auto refused = ValidateInputs(in);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->upper, 20.0);
    EXPECT_FALSE(ValidateInputs(in, mw2012));
    in.wind = 40.0;
    EXPECT_FALSE(ValidateInputs(in, mw2012));
    in.wind = 40.5;
    const auto beyond = ValidateInputs(in, mw2012);
    ASSERT_TRUE(beyond);
    EXPECT_EQ(beyond->upper, 40.0);
    EXPECT_NE(beyond->message.find("от 0 до 40 м/с"), std::string::npos) << beyond->message;
    // The surface model alone: the default extends its wind terms without bound.
    EXPECT_FALSE(ValidateSurfaceInputs(18.7, 53.0, 0.0, 20.0, 35.0, 45.0, {}));
    EXPECT_TRUE(ValidateSurfaceInputs(18.7, 53.0, 0.0, 20.0, 35.0, 45.0, mw2012));
}

TEST(ModelSet, EachChoiceChangesItsOwnPartOfTheCalculation) {
    const ProfileStore p = test::Bundled("tropical");
    const CalculationInputs in{89.0, 55.0, 40.0, 25.0, 35.0, 12.0, 0.0};
    const CalculationResult standard = Calculate(in, p);
    ModelSet cosmic;
    cosmic.cosmic = CosmicModel::effective;
    const CalculationResult effective = Calculate(in, p, cosmic);
    EXPECT_EQ(standard.cosmicTemperature, kCosmicBackground);
    EXPECT_EQ(effective.cosmicTemperature, EffectiveCosmicTemperature(89.0));
    // Cold space enters only through the sky reflected by the sea: the
    // atmosphere and the surface are the same. The sky at the sea is
    // Gamma T_c + T_down; the rough-sea correction omega acts on its part above
    // cold space, (Gamma - 1) T_c + T_down; the reflection r is seen through
    // Gamma once more: dTB = dT_c Gamma r (Gamma + (Gamma - 1) omega).
    EXPECT_EQ(effective.tbUp, standard.tbUp);
    EXPECT_EQ(effective.emissivityV, standard.emissivityV);
    const double dTc = effective.cosmicTemperature - standard.cosmicTemperature;
    const double g = standard.transmittance;
    EXPECT_NEAR(effective.tbV - standard.tbV, dTc * g * standard.reflectivityV * (g + (g - 1.0) * standard.omegaV),
                1e-11);
    EXPECT_NEAR(effective.tbH - standard.tbH, dTc * g * standard.reflectivityH * (g + (g - 1.0) * standard.omegaH),
                1e-11);
    EXPECT_GT(effective.tbV - standard.tbV, 1e-3);

    // The authors' surface model: its emissivity and Stokes terms enter, the
    // atmosphere and the reflected-sky correction stay.
    ModelSet surface;
    surface.surface = SurfaceModel::mw2012;
    const CalculationResult mw = Calculate(in, p, surface);
    const SurfaceEmissivityTerms e = Mw2012EmissivityParts(89.0, 55.0, 40.0, 25.0, 35.0, 12.0);
    EXPECT_EQ(mw.emissivityV, e.total.v);
    EXPECT_EQ(mw.emissivityH, e.total.h);
    EXPECT_EQ(mw.thirdStokes, e.direction.Third);
    EXPECT_EQ(mw.fourthStokes, e.direction.Fourth);
    EXPECT_EQ(mw.tbUp, standard.tbUp);
    EXPECT_EQ(mw.omegaV, standard.omegaV);
    // Above 37 GHz the default has no direction signal and the authors' code
    // holds its 37 GHz one: the two differ by that signal at least.
    EXPECT_EQ(standard.direction.V, 0.0);
    EXPECT_GT(std::fabs(mw.direction.V), 1e-4);
    EXPECT_GT(std::fabs(mw.tbPlus45 - mw.tbMinus45), 0.05);
}

TEST(ModelSet, TheRequestChecksWithTheModelSetsRanges) {
    const ProfileStore p = test::Bundled("midlatitude-summer");
    CalculationInputs in;
    in.wind = 25.0;
    ModelSet mw2012;
    mw2012.surface = SurfaceModel::mw2012;
    EXPECT_EQ(RunCalculationRequest({in, ViewOf(p), {}, false}).status, CalculationStatus::rangeError);
    const CalculationOutcome computed = RunCalculationRequest({in, ViewOf(p), mw2012, true});
    ASSERT_EQ(computed.status, CalculationStatus::ok) << computed.message;
    ASSERT_TRUE(computed.jacobian);
    EXPECT_EQ(computed.result.tbV, Calculate(in, p, mw2012).tbV);
}

TEST(ModelSet, TheExtendedWindRangeContinuesTheDefaultSurfaceAlongItsStraightLine) {
    const ProfileStore p = test::Bundled("midlatitude-summer");
    ModelSet extended;
    EXPECT_FALSE(SetModelAssignment(extended, "wind-range=extended"));
    EXPECT_EQ(extended.windRange, WindRange::extended);
    EXPECT_EQ(ModelSetSummary(extended), "wind-range=extended");
    EXPECT_EQ(ModelSetRecord(extended).back(), (std::pair<std::string, std::string>{"wind-range", "extended"}));

    // The default refuses 20.5 m/s with its own message; extended takes it, and
    // refuses beyond 40 m/s.
    CalculationInputs in{18.7, 53.1, 30.0, 15.0, 35.0, 20.5, 0.0};
    const CalculationOutcome refused = RunCalculationRequest({in, ViewOf(p), {}, false});
    ASSERT_EQ(refused.status, CalculationStatus::rangeError);
    EXPECT_EQ(refused.message, QuantityOf(Checked::Wind).message);
    EXPECT_NE(refused.message.find("от 0 до 20 м/с"), std::string::npos) << refused.message;
    EXPECT_EQ(RunCalculationRequest({in, ViewOf(p), extended, false}).status, CalculationStatus::ok);
    EXPECT_EQ(WindCheckOf(extended), Checked::ExtendedWind);
    in.wind = 40.0;
    EXPECT_FALSE(ValidateInputs(in, extended));
    in.wind = 40.01;
    const auto beyond = ValidateInputs(in, extended);
    ASSERT_TRUE(beyond);
    EXPECT_EQ(beyond->quantity, Checked::ExtendedWind);
    EXPECT_NE(beyond->message.find("от 0 до 40 м/с"), std::string::npos) << beyond->message;
    EXPECT_TRUE(WindBeyondFittedRange(20.5, extended));
    EXPECT_FALSE(WindBeyondFittedRange(20.0, extended));

    // Beyond 20 m/s the isotropic wind term runs on the straight line through
    // its values at 19 and 20 m/s, and the whole surface is what the surface
    // model alone (seasky emissivity) gives at that wind.
    auto at = [&](double wind, const ModelSet& models) {
        CalculationInputs i{18.7, 53.1, 30.0, 15.0, 35.0, wind, 0.0};
        return Calculate(i, p, models);
    };
    const CalculationResult w19 = at(19.0, {}), w20 = at(20.0, {}), w32 = at(32.0, extended);
    EXPECT_NEAR(w32.windIncrement.v, w20.windIncrement.v + 12.0 * (w20.windIncrement.v - w19.windIncrement.v), 1e-14);
    EXPECT_NEAR(w32.windIncrement.h, w20.windIncrement.h + 12.0 * (w20.windIncrement.h - w19.windIncrement.h), 1e-14);
    const SurfaceEmissivityTerms alone = SurfaceTerms(18.7, 53.1, 30.0, 15.0, 35.0, 32.0, {});
    EXPECT_EQ(w32.emissivityV, alone.total.v);
    EXPECT_EQ(w32.emissivityH, alone.total.h);
    EXPECT_GT(w32.emissivityH, w20.emissivityH);  // rougher sea, more emission in H
    // Within 0-20 m/s the choice changes nothing, bit for bit.
    const CalculationResult within = at(14.0, extended), plain = at(14.0, {});
    EXPECT_EQ(within.tbV, plain.tbV);
    EXPECT_EQ(within.tbH, plain.tbH);
    EXPECT_EQ(within.tbPlus45, plain.tbPlus45);

    // mw2012 keeps its own 0-40 m/s range and results.
    ModelSet mw2012 = extended;
    mw2012.surface = SurfaceModel::mw2012;
    ModelSet mw2012Default;
    mw2012Default.surface = SurfaceModel::mw2012;
    EXPECT_EQ(WindCheckOf(mw2012), Checked::Mw2012Wind);
    EXPECT_FALSE(WindBeyondFittedRange(32.0, mw2012));
    EXPECT_EQ(at(32.0, mw2012).tbV, at(32.0, mw2012Default).tbV);
    EXPECT_EQ(at(32.0, mw2012).tbH, at(32.0, mw2012Default).tbH);
}

}  // namespace
}  // namespace seasky
