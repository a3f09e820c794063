// The validation table: bounds, order of the checks, the structured failure, the
// level rules shared by the profile reader and the absorption command, and the
// window's captions made from the same table.
#include <gtest/gtest.h>

#include <cmath>

#include "app/calculation.h"
#include "app/profile_reader.h"
#include "app/validation.h"

namespace seasky {
namespace {

TEST(Validation, CalculationInputsFirstFailureInCheckOrder) {
    auto inputs = [](double f, double a, double phi, double t, double s, double w, double band = 0.0) {
        return CalculationInputs{f, a, phi, t, s, w, band};
    };
    EXPECT_FALSE(ValidateInputs(inputs(6.75, 0.0, 0.0, -3.0, 0.0, 0.0)));
    EXPECT_FALSE(ValidateInputs(inputs(89.0, 65.0, 360.0, 37.0, 45.0, 20.0)));
    const auto wind = ValidateInputs(inputs(18.7, 30.0, 0.0, 20.0, 35.0, 20.5));
    ASSERT_TRUE(wind);
    EXPECT_EQ(wind->message, "Введено неверное значение скорости ветра!\nДиапазон допустимых значений от 0 до 20 м/с");
    EXPECT_EQ(wind->input, "wind");
    EXPECT_EQ(wind->unit, "m s-1");
    EXPECT_EQ(wind->value, 20.5);
    EXPECT_EQ(wind->lower, 0.0);
    EXPECT_EQ(wind->upper, 20.0);
    EXPECT_TRUE(wind->lowerInclusive && wind->upperInclusive);
    EXPECT_EQ(ValidateInputs(inputs(std::nan(""), 30.0, 0.0, 20.0, 35.0, 10.0))->input, "frequency");
    // Each check in turn is the first to fail, above and below its range.
    const double good[6] = {18.7, 30.0, 0.0, 20.0, 35.0, 10.0};
    for (std::size_t i = 0; i < 6; ++i) {
        const CheckedQuantity& q = kCheckedQuantities[i];
        for (double outside : {q.upper + 0.5, q.lower - 0.5}) {
            double v[6];
            for (std::size_t j = 0; j < 6; ++j) v[j] = j < i ? good[j] : j == i ? outside : kCheckedQuantities[j].upper + 1;
            const auto f = ValidateInputs(inputs(v[0], v[1], v[2], v[3], v[4], v[5]));
            ASSERT_TRUE(f) << i;
            EXPECT_EQ(f->message, q.message) << i;
            EXPECT_EQ(f->quantity, static_cast<Checked>(i));
        }
    }
    // The band: only its lower edge is checked, and only for a band above 0.
    EXPECT_FALSE(ValidateInputs(inputs(18.7, 30.0, 0.0, 20.0, 35.0, 10.0, -5.0)));
    EXPECT_FALSE(ValidateInputs(inputs(18.7, 30.0, 0.0, 20.0, 35.0, 10.0, 37.3)));
    const auto edge = ValidateInputs(inputs(18.7, 30.0, 0.0, 20.0, 35.0, 10.0, 37.4));
    ASSERT_TRUE(edge);
    EXPECT_EQ(edge->input, "bandLowerEdge");
    EXPECT_NEAR(edge->value, 0.0, 1e-12);
    EXPECT_FALSE(edge->lowerInclusive);
}

TEST(Validation, ExclusiveAndOneSidedBounds) {
    EXPECT_FALSE(IsAccepted(Checked::AbsorptionFrequency, 0.0));
    EXPECT_TRUE(IsAccepted(Checked::AbsorptionFrequency, 1e-300));
    EXPECT_TRUE(IsAccepted(Checked::AbsorptionFrequency, 1000.0));
    EXPECT_FALSE(IsAccepted(Checked::AbsorptionFrequency, 1000.0000001));
    EXPECT_TRUE(IsAccepted(Checked::ModelWind, 45.0));  // the surface models alone extend above 20 m/s
    EXPECT_FALSE(IsAccepted(Checked::ModelWind, -0.01));
    EXPECT_TRUE(IsAccepted(Checked::ViewAngle, 85.0));
    EXPECT_FALSE(IsAccepted(Checked::ViewAngle, 85.01));
    EXPECT_TRUE(IsAccepted(Checked::Transmittance, 0.0));
    EXPECT_FALSE(IsAccepted(Checked::Transmittance, 1.0000001));
    for (const CheckedQuantity& q : kCheckedQuantities) EXPECT_FALSE(IsAccepted(q.id, std::nan(""))) << q.name;
}

TEST(Validation, LevelRulesInOrder) {
    EXPECT_FALSE(CheckLevel({0.0, 288.0, 1013.0, 10.0, 0.2}));
    EXPECT_FALSE(CheckLevel({std::nullopt, 233.15, 0.0, 0.0, 0.5}));  // liquid cloud at exactly 233.15 K
    struct Case {
        LevelValues values;
        Checked broken;
    };
    const Case cases[] = {
        {{1.0e6 + 1.0, -5.0, -1.0, -1.0, -1.0}, Checked::Height},
        {{-1.0e6 - 1.0, 288.0, 1.0, 1.0, 0.0}, Checked::Height},
        {{std::nullopt, 0.0, -1.0, -1.0, -1.0}, Checked::AirTemperature},
        {{std::nullopt, 250.0, -1.0, -1.0, -1.0}, Checked::Pressure},
        {{std::nullopt, 250.0, 0.0, -1.0, -1.0}, Checked::Humidity},
        {{std::nullopt, 250.0, 0.0, 0.0, -1.0}, Checked::CloudWater},
        {{std::nullopt, 233.14, 500.0, 0.1, 0.05}, Checked::LiquidCloudTemperature},
    };
    for (const Case& c : cases) {
        const auto f = CheckLevel(c.values, 7);
        ASSERT_TRUE(f);
        EXPECT_EQ(f->quantity, c.broken) << QuantityOf(c.broken).name;
        EXPECT_EQ(f->level, 7);
        EXPECT_EQ(f->message, QuantityOf(c.broken).message);
    }
    // Cold cloud-free air is fine at any temperature above 0 K.
    EXPECT_FALSE(CheckLevel({std::nullopt, 180.0, 100.0, 0.0, 0.0}));
}

TEST(Validation, EveryRefusalSaysWhy) {
    // Every row the checks can refuse by has a message to show as it is.
    for (const CheckedQuantity& q : kCheckedQuantities) {
        EXPECT_NE(std::string(q.message), "") << q.name;
        const auto f = Check(q.id, std::nan(""));
        ASSERT_TRUE(f) << q.name;
        EXPECT_EQ(f->message.rfind(q.message, 0), 0u) << q.name;
    }
    // The level rules: each quantity NaN, above and below its range (a height
    // of 2000 km was refused with an empty message): the quantity, the range,
    // and for a NaN that it is not a number.
    struct Rule {
        Checked id;
        int column;  // of LevelValues
        double above, below;
        const char* words;
        const char* range;
    };
    const Rule rules[] = {
        {Checked::Height, 0, 2.0e6, -1.5e6, "высоты", "от -1000000 до 1000000 м."},
        {Checked::AirTemperature, 1, 450.0, 50.0, "температуры воздуха", "от 100 до 400 К."},
        {Checked::Pressure, 2, 1500.0, -1.0, "давления", "от 0 до 1200 мб."},
        {Checked::Humidity, 3, 150.0, -0.5, "абсолютной влажности", "от 0 до 100 г/м^3."},
        {Checked::CloudWater, 4, 12.0, -0.1, "водности облаков", "от 0 до 10 г/м^3."},
    };
    for (const Rule& rule : rules) {
        for (double value : {std::nan(""), rule.above, rule.below}) {
            double level[5] = {1000.0, 280.0, 900.0, 5.0, 0.0};
            level[rule.column] = value;
            const auto f = CheckLevel({level[0], level[1], level[2], level[3], level[4]}, 4);
            ASSERT_TRUE(f) << rule.words << ' ' << value;
            EXPECT_EQ(f->quantity, rule.id);
            const std::string expected = std::string("Неверное значение ") + rule.words +
                                         "!\nДиапазон допустимых значений " + rule.range +
                                         (std::isnan(value) ? "\nЗадано не число (NaN)." : "");
            EXPECT_EQ(f->message, expected);
        }
    }
}

TEST(Validation, WindowCaptionsComeFromTheTable) {
    EXPECT_EQ(RangeCaption(Checked::Frequency), "(от 6,75 до 89 ГГц)");
    EXPECT_EQ(RangeCaption(Checked::Angle), "(от 0 до 65 град.)");
    EXPECT_EQ(RangeCaption(Checked::Azimuth), "(от 0 до 360 град.)");
    EXPECT_EQ(RangeCaption(Checked::SeaTemperature), "(от -3 до 37 град. С)");
    EXPECT_EQ(RangeCaption(Checked::Salinity), "(от 0 до 45 промилле)");
    EXPECT_EQ(RangeCaption(Checked::Wind), "(от 0 до 20 м/с)");
    EXPECT_EQ(FrequencyHint(), "Частота излучения в ГГц (6,75 - 89 ГГц)");
    // The messages quote the same bounds as the captions.
    for (Checked id : {Checked::Frequency, Checked::Angle, Checked::Azimuth, Checked::SeaTemperature,
                       Checked::Salinity, Checked::Wind}) {
        const std::string caption = RangeCaption(id);
        const std::string bounds = caption.substr(1, caption.size() - 2);  // "от 6,75 до 89 ГГц"
        EXPECT_NE(std::string(QuantityOf(id).message).find(bounds), std::string::npos) << caption;
    }
}

// One whole-profile check: a profile file, a batch scene and a Python array
// with the same bad level are refused with the same words after their own
// subject, and the count's bounds are the table's.
TEST(ProfileCheck, EveryFrontEndRefusesALevelInTheSameWords) {
    const std::string text =
        "4\n0 288.15 1013.25 11.5 0\n1000 281.65 898.76 7.1 0\n2000 450 795.01 4.3 0\n3000 268.65 701.2 2.1 0\n";
    const ProfileReadResult file = ParseProfileText(text);
    ASSERT_FALSE(file.ok);
    const std::string tail = "уровень 3, температура воздуха: 450 К, допустимо от 100 до 400 К.";
    EXPECT_EQ(file.message, "Ошибка в файле профиля: " + tail);

    ProfileStore p;
    p.levelCount = 4;
    p.height = {0, 1000, 2000, 3000};
    p.airTemperature = {288.15, 281.65, 450, 268.65};
    p.pressure = {1013.25, 898.76, 795.01, 701.2};
    p.absoluteHumidity = {11.5, 7.1, 4.3, 2.1};
    p.cloudWater = {0, 0, 0, 0};
    const std::optional<ValidationFailure> scene = CheckProfile(ViewOf(p), "Профиль сцены");
    ASSERT_TRUE(scene);
    EXPECT_EQ(scene->message, "Профиль сцены: " + tail);
    EXPECT_EQ(scene->level, 3);
    EXPECT_EQ(scene->input, "airTemperature");
    EXPECT_EQ(scene->value, 450.0);

    // Liquid water in air colder than 233.15 K names both.
    p.airTemperature[2] = 220.0;
    p.cloudWater[2] = 0.2;
    EXPECT_EQ(CheckProfile(ViewOf(p), "Профиль")->message,
              "Профиль: уровень 3, водность облаков: 0.2 г/м^3 при температуре воздуха 220 К; "
              "жидкая вода в облаках возможна только при температуре не ниже 233,15 К.");
    // A NaN says so instead of a number; a good profile passes.
    p.cloudWater[2] = 0.0;
    p.pressure[1] = std::nan("");
    EXPECT_EQ(CheckProfile(ViewOf(p), "Профиль")->message,
              "Профиль: уровень 2, давление: не число (NaN), допустимо от 0 до 1200 мб.");
    p.pressure[1] = 898.76;
    EXPECT_FALSE(CheckProfile(ViewOf(p), "Профиль"));
    // The count, from the table's bounds.
    p.levelCount = 1;
    EXPECT_EQ(CheckProfile(ViewOf(p), "Профиль")->message, "Профиль: число уровней 1, допустимо от 2 до 100000.");
    EXPECT_EQ(ParseProfileText("100001\n").message, "Ошибка в файле профиля: число уровней 100001, допустимо от 2 до 100000.");
}

}  // namespace
}  // namespace seasky
