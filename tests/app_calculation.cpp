// The calculation request: conversion, range checks, frequency codes, the
// combination of the models and physical sanity on the standard atmospheres.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/calculation_request.h"
#include "app/profile_reader.h"
#include "app/standard_atmospheres.h"
#include "atmosphere/atmosphere_radiation.h"
#include "surface/surface_emissivity.h"
#include "test_support.h"

namespace seasky {
namespace {

using test::RelativelyNear;

using test::Bundled;

const ProfileStore& MidlatitudeSummer() {
    static const ProfileStore profile = Bundled("midlatitude-summer");
    return profile;
}

CalculationInputTexts Texts(std::string f, std::string theta = "53,1", std::string phi = "0", std::string t = "20",
                            std::string s = "35", std::string w = "10", std::string df = "0") {
    return {f, theta, phi, t, s, w, df};
}

const char* const kFrequencyMessage =
    "Введено неверное значение частоты!\nДиапазон допустимых значений от 6,75 до 89 ГГц.";
const char* const kAngleMessage =
    "Введено неверное значение угла встречи с землей!\nДиапазон допустимых значений от 0 до 65 град.";
const char* const kAzimuthMessage =
    "Введено неверное значение азимутального угла!\nДиапазон допустимых значений от 0 до 360 град.";
const char* const kTemperatureMessage =
    "Введено неверное значение температуры воды!\nДиапазон допустимых значений от -3 до 37 град. С";
const char* const kSalinityMessage =
    "Введено неверное значение солености воды!\nДиапазон допустимых значений от 0 до 45 промилле";
const char* const kWindMessage =
    "Введено неверное значение скорости ветра!\nДиапазон допустимых значений от 0 до 20 м/с";

TEST(FrequencyCodes, ExtendedProductForTheDirectionSignalDoubleProductForTheSurface) {
    static_assert(std::numeric_limits<long double>::digits == 64, "needs the 80-bit extended format");
    EXPECT_EQ(DirectionFrequencyCode(18.7), 1869);
    EXPECT_EQ(DirectionFrequencyCode(10.7), 1069);
    EXPECT_EQ(DirectionFrequencyCode(22.235), 2223);
    EXPECT_EQ(DirectionFrequencyCode(6.75), 675);
    EXPECT_EQ(DirectionFrequencyCode(89.0), 8900);
    EXPECT_EQ(DirectionFrequencyCode(37.0), 3700);
    // The double product rounds 1869.99999999999992... up to 1870.
    EXPECT_EQ(TruncateToFrequencyCode(18.7 * 100.0), 1870);
    EXPECT_EQ(TruncateToFrequencyCode(10.7 * 100.0), 1070);
}

TEST(CalculationRequest, RangeBoundsAreInclusive) {
    const ProfileStore& p = MidlatitudeSummer();
    for (const auto& texts : {Texts("6,75"), Texts("89"), Texts("18,7", "65"), Texts("18,7", "0", "360"),
                              Texts("18,7", "53,1", "0", "-3"), Texts("18,7", "53,1", "0", "37", "45"),
                              Texts("18,7", "53,1", "0", "20", "0", "20"), Texts("18,7", "53,1", "0", "20", "35", "0"),
                              Texts("18,7", "53,1", "0", "20", "35", "10", "-5")}) {
        const CalculationOutcome o = RunCalculationRequest(texts, ',', p);
        EXPECT_EQ(o.status, CalculationStatus::ok) << texts[0] << " " << o.message;
    }
}

TEST(CalculationRequest, EachRangeMessageAndTheFirstFailureWins) {
    const ProfileStore& p = MidlatitudeSummer();
    struct Case {
        CalculationInputTexts texts;
        const char* message;
    };
    const Case cases[] = {
        {Texts("6,7499"), kFrequencyMessage},
        {Texts("89,0001"), kFrequencyMessage},
        {Texts("18,7", "65,01"), kAngleMessage},
        {Texts("18,7", "-0,1"), kAngleMessage},
        {Texts("18,7", "53,1", "360,5"), kAzimuthMessage},
        {Texts("18,7", "53,1", "0", "-3,1"), kTemperatureMessage},
        {Texts("18,7", "53,1", "0", "20", "45,1"), kSalinityMessage},
        {Texts("18,7", "53,1", "0", "20", "35", "20,5"), kWindMessage},
        // Several out of range: the order frequency, angle, azimuth, temperature, salinity, wind.
        {Texts("5", "70", "400", "50", "50", "30"), kFrequencyMessage},
        {Texts("18,7", "70", "400", "50", "50", "30"), kAngleMessage},
        {Texts("18,7", "53,1", "400", "50", "50", "30"), kAzimuthMessage},
        {Texts("18,7", "53,1", "0", "50", "50", "30"), kTemperatureMessage},
        {Texts("18,7", "53,1", "0", "20", "50", "30"), kSalinityMessage},
        // A lone separator reads as 0: fine for the azimuth, out of range for the frequency.
        {Texts(","), kFrequencyMessage},
    };
    for (const Case& c : cases) {
        const CalculationOutcome o = RunCalculationRequest(c.texts, ',', p);
        EXPECT_EQ(o.status, CalculationStatus::rangeError) << c.texts[0];
        EXPECT_EQ(o.message, c.message) << c.texts[0] << " " << c.texts[1];
    }
    EXPECT_EQ(RunCalculationRequest(Texts("18,7", "53,1", ","), ',', p).status, CalculationStatus::ok);
}

TEST(CalculationRequest, ConversionErrorsReportTheFirstBadTextBeforeAnyRangeCheck) {
    const ProfileStore& p = MidlatitudeSummer();
    for (const char* bad : {"", "-", "12-", "1,2,3", "1.5", "abc", " , , "}) {
        const CalculationOutcome o = RunCalculationRequest(Texts("18,7", bad), ',', p);
        EXPECT_EQ(o.status, CalculationStatus::conversionError) << bad;
        EXPECT_EQ(o.message, ConversionErrorMessage(bad));
        EXPECT_NE(o.message.find(bad), std::string::npos);
    }
    // The frequency is out of range, but the later unconvertible field is reported.
    const CalculationOutcome o = RunCalculationRequest(Texts("500", "53,1", "0", "x", "y"), ',', p);
    EXPECT_EQ(o.status, CalculationStatus::conversionError);
    EXPECT_EQ(o.message, "'x' is not a valid floating point value");
    EXPECT_EQ(ConversionErrorMessage("12-"), "'12-' is not a valid floating point value");
    // With "." as the user's separator the same inputs are written with ".".
    EXPECT_EQ(RunCalculationRequest(Texts("18.7", "53.1"), '.', p).status, CalculationStatus::ok);
    EXPECT_EQ(RunCalculationRequest(Texts("18,7", "53,1"), '.', p).status, CalculationStatus::conversionError);
}

TEST(CalculationRequest, TextsAndNumbersGiveTheSameResult) {
    const ProfileStore& p = MidlatitudeSummer();
    const CalculationOutcome fromTexts = RunCalculationRequest(Texts("18,7"), ',', p);
    const CalculationResult direct = Calculate(CalculationInputs{}, p);
    ASSERT_EQ(fromTexts.status, CalculationStatus::ok);
    EXPECT_EQ(ResultValues(fromTexts.result), ResultValues(direct));
}

TEST(Calculation, SeventhValueIsTheDownwellingOpacityAndAtNadirGammaIsExpMinusTau) {
    const ProfileStore& p = MidlatitudeSummer();
    CalculationInputs in;
    in.angle = 0.0;
    const CalculationResult r = Calculate(in, p);
    const AtmosphereRadiationResult down = AtmosphereRadiation(0.0, in.frequency, 0.0, 0.0, p);
    const AtmosphereRadiationResult up = AtmosphereRadiation(1.0, in.frequency, 0.0, 0.0, p);
    EXPECT_EQ(ResultValues(r)[6], down.opacity);
    EXPECT_EQ(r.tbDown, down.brightness);
    EXPECT_EQ(r.tbUp, up.brightness);
    EXPECT_EQ(r.transmittance, std::exp(-down.opacity));
}

TEST(Calculation, DiagonalPolarisationsShareTheTotalIntensity) {
    const ProfileStore& p = MidlatitudeSummer();
    for (double f : {10.7, 18.7, 23.8, 37.0, 89.0})
        for (double phi : {0.0, 45.0, 135.0, 270.0}) {
            CalculationInputs in;
            in.frequency = f;
            in.azimuth = phi;
            const CalculationResult r = Calculate(in, p);
            EXPECT_TRUE(RelativelyNear(r.tbPlus45 + r.tbMinus45, r.tbV + r.tbH, 1e-14)) << f << " " << phi;
            if (f > 37.0) {
                // No third Stokes signal above 37 GHz.
                EXPECT_EQ(r.thirdStokes, 0.0);
                EXPECT_EQ(r.tbPlus45, r.tbMinus45);
                EXPECT_TRUE(RelativelyNear(r.tbPlus45, (r.tbV + r.tbH) / 2, 1e-15));
            }
        }
    // Off the wind direction at 18.7 GHz the third Stokes term splits +45 from -45.
    CalculationInputs in;
    in.azimuth = 45.0;
    const CalculationResult r = Calculate(in, p);
    EXPECT_NE(r.thirdStokes, 0.0);
    EXPECT_NE(r.tbPlus45, r.tbMinus45);
}

TEST(Calculation, TransparentAtmosphereShowsTheSeaAndTheReflectedCosmicBackground) {
    // No gas at all: opacity 0, no atmospheric emission, Gamma = 1, and the sky is
    // the 2.73 K background, so T = e Ts + (1 - e) 2.73 whatever the correction factor.
    ProfileStore vacuum;
    vacuum.levelCount = 2;
    vacuum.height = {0.0, 20000.0};
    vacuum.airTemperature = {290.0, 220.0};
    vacuum.pressure = {0.0, 0.0};
    vacuum.absoluteHumidity = {0.0, 0.0};
    vacuum.cloudWater = {0.0, 0.0};
    CalculationInputs in;
    in.frequency = 10.7;
    in.seaTemperature = 15.0;
    const CalculationResult r = Calculate(in, vacuum);
    EXPECT_EQ(r.opacity, 0.0);
    EXPECT_EQ(r.transmittance, 1.0);
    const EmissivityPair e = SurfaceEmissivity(10.7 * 100.0, in.angle, in.azimuth, 15.0, in.salinity, in.wind);
    const double ts = 288.15;
    EXPECT_TRUE(RelativelyNear(r.tbV, e.v * ts + (1.0 - e.v) * 2.73, 1e-13));
    EXPECT_TRUE(RelativelyNear(r.tbH, e.h * ts + (1.0 - e.h) * 2.73, 1e-13));
    EXPECT_EQ(r.tbUp, 0.0);
    EXPECT_EQ(r.tbDown, 0.0);
}

TEST(Calculation, PhysicallySensibleOnTheStandardAtmospheres) {
    // Default observation over the midlatitude summer atmosphere: the sea at
    // 293 K with an emissivity near 0.6 (V) and 0.3 (H) seen through a
    // moderately moist atmosphere.
    const CalculationResult r = Calculate(CalculationInputs{}, MidlatitudeSummer());
    EXPECT_GT(r.tbV, 180.0);
    EXPECT_LT(r.tbV, 230.0);
    EXPECT_GT(r.tbH, 100.0);
    EXPECT_LT(r.tbH, 160.0);
    EXPECT_GT(r.tbV, r.tbH);
    EXPECT_GT(r.transmittance, 0.8);
    EXPECT_LT(r.transmittance, 1.0);

    // At the 22 GHz water-vapour line the opacity follows the moisture.
    CalculationInputs in;
    in.frequency = 22.235;
    double previous = 0.0;
    for (const char* name : {"subarctic-winter", "midlatitude-winter", "midlatitude-summer", "tropical"}) {
        const double tau = Calculate(in, Bundled(name)).opacity;
        EXPECT_GT(tau, previous) << name;
        previous = tau;
    }

    // A liquid cloud emits: it raises the horizontally polarised brightness at 37 GHz.
    in.frequency = 37.0;
    const CalculationResult clear = Calculate(in, Bundled("tropical"));
    const CalculationResult cloudy = Calculate(in, Bundled("tropical-cloudy"));
    EXPECT_GT(cloudy.tbH, clear.tbH + 5.0);
    EXPECT_GT(cloudy.opacity, clear.opacity);
}

TEST(Calculation, FullStokesAndCircularPolarisations) {
    const ProfileStore& p = MidlatitudeSummer();
    for (double phi : {0.0, 30.0, 45.0, 90.0, 135.0}) {
        CalculationInputs in;
        in.azimuth = phi;
        const CalculationResult r = Calculate(in, p);
        // The Stokes terms at the top: the sea-sky contrast times the surface terms, attenuated.
        const double tsky = r.transmittance * 2.73 + r.tbDown;
        const double contrast = r.transmittance * (in.seaTemperature + 273.15 - tsky);
        EXPECT_TRUE(RelativelyNear(r.tbThirdStokes, contrast * r.thirdStokes, 1e-12) || r.thirdStokes == 0.0);
        EXPECT_NEAR(r.tbFourthStokes, contrast * r.fourthStokes, 1e-12);
        EXPECT_NEAR(r.tbPlus45 - r.tbMinus45, r.tbThirdStokes, 1e-12);
        EXPECT_NEAR(r.tbLeftCircular - r.tbRightCircular, r.tbFourthStokes, 1e-12);
        EXPECT_TRUE(RelativelyNear(r.tbLeftCircular + r.tbRightCircular, r.tbV + r.tbH, 1e-15));
        // The parts of the surface emissivity and the reflectivity.
        EXPECT_EQ(r.emissivityV, (r.specular.v + r.windIncrement.v) + r.direction.V);
        EXPECT_EQ(r.emissivityH, (r.specular.h + r.windIncrement.h) + r.direction.H);
        EXPECT_EQ(r.reflectivityV, 1.0 - r.emissivityV);
        EXPECT_EQ(r.surfaceCode, 1870);
        EXPECT_EQ(r.stokesCode, 1869);
        // The fourth Stokes term has only a second harmonic, sin(2 phi): none upwind
        // or crosswind, largest at 45 and 135 degrees (about 0.1 K at 10 m/s).
        if (phi == 0.0) {
            EXPECT_EQ(r.tbFourthStokes, 0.0);
        } else if (phi == 90.0) {
            EXPECT_LT(std::fabs(r.tbFourthStokes), 1e-14);
        } else if (phi == 45.0 || phi == 135.0) {
            EXPECT_GT(std::fabs(r.tbFourthStokes), 0.05);
        }
    }
}

TEST(Calculation, GridAndColumnsOfTheStandardAtmospheres) {
    // Every level of the bundled atmospheres lies on a whole 100 m, so the grid's
    // 100 m layers centred between the levels integrate the piecewise-linear
    // profile exactly: the columns are the trapezoid rule over the levels.
    for (const char* name : {"midlatitude-summer", "tropical-cloudy", "subarctic-winter"}) {
        const ProfileStore p = Bundled(name);
        const CalculationResult r = Calculate(CalculationInputs{}, p);
        double vapour = 0.0, liquid = 0.0;  // g/m^2
        for (int i = 0; i + 1 < p.levelCount; ++i) {
            const double dz = p.height[i + 1] - p.height[i];
            vapour += 0.5 * (p.absoluteHumidity[i] + p.absoluteHumidity[i + 1]) * dz;
            liquid += 0.5 * (p.cloudWater[i] + p.cloudWater[i + 1]) * dz;
        }
        EXPECT_TRUE(RelativelyNear(r.precipitableWater, vapour / 1000.0, 1e-12)) << name;
        EXPECT_NEAR(r.liquidWaterPath, liquid / 1000.0, 1e-15) << name;
        EXPECT_EQ(r.layerCount, 500) << name;
        EXPECT_EQ(r.gridBottom, 50.0);
        EXPECT_EQ(r.gridTop, 49950.0);
        EXPECT_TRUE(RelativelyNear(r.opacityUp, r.opacity, 1e-13));
    }
    // The cloudy tropical atmosphere: 0.2 g/m^3 at 1 and 2 km, ramps to 0 at 0 and 3 km.
    EXPECT_NEAR(Calculate(CalculationInputs{}, Bundled("tropical-cloudy")).liquidWaterPath, 0.4, 1e-15);
    // Midlatitude summer carries 29.8 kg/m^2 (2.98 g/cm^2) of vapour.
    EXPECT_NEAR(Calculate(CalculationInputs{}, MidlatitudeSummer()).precipitableWater, 29.8, 0.01);
}

TEST(Calculation, ResultLinesUseTheUsersSeparator) {
    CalculationResult r;
    r.tbV = 205.25;
    r.tbH = 130.0;
    r.opacity = 0.00005;
    const auto comma = ResultValueTexts(r, ',');
    EXPECT_EQ(comma[0], "205,25");
    EXPECT_EQ(comma[1], "130");
    EXPECT_EQ(comma[6], "5E-5");
    EXPECT_EQ(ResultValueTexts(r, '.')[0], "205.25");
    EXPECT_STREQ(kResultCaptions[6], "Интегральное поглощение атмосферы");
}

}  // namespace
}  // namespace seasky
