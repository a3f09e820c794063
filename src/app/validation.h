// Every quantity the program checks before it computes, in one table, and the
// structured failure a refused value gives. Toolkit-free: the window, every
// subcommand of the command line and the batch runs check through it.
//
// A check is a pair of bounds, each inclusive or exclusive or absent. The
// message of a refusal is the program's own Russian text; the failure also
// carries the quantity's name, its unit, the value and the bounds, so that a
// front end can show the message (the window, the command line) or record the
// fields (a batch run, per scene).
#pragma once

#include <array>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "app/checked.h"
#include "app/vocabulary.h"
#include "atmosphere/cloud_absorption.h"
#include "common/records.h"

namespace seasky {

inline constexpr double kNoBound = std::numeric_limits<double>::infinity();

struct CheckedQuantity {
    Checked id;
    const char* name;      // the key of the quantity checked (app/vocabulary.h)
    const char* unit;      // its unit, UDUNITS spelling ("GHz", "degC", "1")
    double lower;          // -kNoBound: none
    bool lowerInclusive;
    double upper;          // kNoBound: none
    bool upperInclusive;
    const char* caption;   // Russian unit of the window's range caption ("" where not shown)
    const char* message;   // the refusal (never empty: every front end may show it as it is)
    // The profile reader names the level and writes: value, levelUnit, levelRule.
    const char* levelUnit;
    const char* levelRule;
};

// The refusal of a wind beyond 40 m/s, where mw2012 and the extended range of
// the default surface both end.
inline constexpr const char* kWindTo40Message =
    "Введено неверное значение скорости ветра!\nДиапазон допустимых значений от 0 до 40 м/с";

// Indexed by Checked.
inline constexpr std::array<CheckedQuantity, 23> kCheckedQuantities{{
    {Checked::Frequency, KeyOf(Quantity::Frequency), UnitOf(Quantity::Frequency),
     6.75, true, 89.0, true, "ГГц",
     "Введено неверное значение частоты!\nДиапазон допустимых значений от 6,75 до 89 ГГц.", "", ""},
    {Checked::Angle, KeyOf(Quantity::IncidenceAngle), UnitOf(Quantity::IncidenceAngle),
     0.0, true, 65.0, true, "град.",
     "Введено неверное значение угла встречи с землей!\nДиапазон допустимых значений от 0 до 65 град.", "", ""},
    {Checked::Azimuth, KeyOf(Quantity::Azimuth), UnitOf(Quantity::Azimuth),
     0.0, true, 360.0, true, "град.",
     "Введено неверное значение азимутального угла!\nДиапазон допустимых значений от 0 до 360 град.", "", ""},
    {Checked::SeaTemperature, KeyOf(Quantity::SeaTemperature), UnitOf(Quantity::SeaTemperature),
     -3.0, true, 37.0, true, "град. С",
     "Введено неверное значение температуры воды!\nДиапазон допустимых значений от -3 до 37 град. С", "", ""},
    {Checked::Salinity, KeyOf(Quantity::Salinity), UnitOf(Quantity::Salinity),
     0.0, true, 45.0, true, "промилле",
     "Введено неверное значение солености воды!\nДиапазон допустимых значений от 0 до 45 промилле", "", ""},
    {Checked::Wind, KeyOf(Quantity::Wind), UnitOf(Quantity::Wind),
     0.0, true, 20.0, true, "м/с",
     "Введено неверное значение скорости ветра!\nДиапазон допустимых значений от 0 до 20 м/с", "", ""},
    {Checked::ModelWind, KeyOf(Quantity::ModelWind), UnitOf(Quantity::ModelWind),
     0.0, true, kNoBound, false, "м/с",
     "Введено неверное значение скорости ветра!\nДиапазон допустимых значений от 0 до 20 м/с", "", ""},
    {Checked::AbsorptionFrequency, KeyOf(Quantity::AbsorptionFrequency), UnitOf(Quantity::AbsorptionFrequency),
     0.0, false, 1000.0, true, "ГГц",
     "Неверное значение частоты!\nДиапазон допустимых значений: больше 0 и не более 1000 ГГц.", "", ""},
    {Checked::ViewAngle, KeyOf(Quantity::ViewAngle), UnitOf(Quantity::ViewAngle),
     0.0, true, 85.0, true, "град.",
     "Неверное значение угла визирования!\nДиапазон допустимых значений от 0 до 85 град.", "", ""},
    {Checked::Transmittance, KeyOf(Quantity::Transmittance), UnitOf(Quantity::Transmittance),
     0.0, true, 1.0, true, "",
     "Неверное значение пропускания атмосферы!\nДиапазон допустимых значений от 0 до 1.", "", ""},
    {Checked::BandLowerEdge, KeyOf(Quantity::BandLowerEdge), UnitOf(Quantity::BandLowerEdge),
     0.0, false, kNoBound, false, "ГГц",
     "Неверное значение полосы частот!\nНижний край полосы должен быть выше 0 ГГц.", "", ""},
    {Checked::LevelCount, KeyOf(Quantity::LevelCount), UnitOf(Quantity::LevelCount),
     2.0, true, 100000.0, true, "",
     "Неверное число уровней профиля!\nДиапазон допустимых значений от 2 до 100000.", "", ""},
    {Checked::Height, KeyOf(Quantity::Height), UnitOf(Quantity::Height),
     -1.0e6, true, 1.0e6, true, "м",
     "Неверное значение высоты!\nДиапазон допустимых значений от -1000000 до 1000000 м.", "м",
     "допустимо не более 1000000 м по модулю."},
    // Physical bounds of the level quantities. Beyond them the absorption
    // models (fitted to the Earth's atmosphere) give numbers without meaning,
    // and at the extremes none at all (NaN at 1e-300 K, a negative brightness
    // at 1e6 K):
    //  - air temperature 100-400 K: the coldest air, at the summer polar
    //    mesopause, is about 110-130 K; the hottest surface air measured is
    //    330 K, and the standard atmospheres reach about 360 K at 120 km;
    //  - pressure at most 1200 mb: the highest sea-level pressure measured is
    //    1084.8 mb, and the shores of the Dead Sea have about 1065 mb;
    //  - absolute humidity at most 100 g/m^3: saturated air at 50 degrees C
    //    holds 83 g/m^3, more than any air on Earth;
    //  - cloud liquid water at most 10 g/m^3: the densest convective clouds
    //    hold about 5 g/m^3 (the Rayleigh cloud model holds for
    //    non-precipitating droplets).
    {Checked::AirTemperature, KeyOf(Quantity::AirTemperature), UnitOf(Quantity::AirTemperature),
     100.0, true, 400.0, true, "К",
     "Неверное значение температуры воздуха!\nДиапазон допустимых значений от 100 до 400 К.", "К",
     "допустимо от 100 до 400 К."},
    {Checked::Pressure, KeyOf(Quantity::Pressure), UnitOf(Quantity::Pressure),
     0.0, true, 1200.0, true, "мб",
     "Неверное значение давления!\nДиапазон допустимых значений от 0 до 1200 мб.", "мб", "допустимо от 0 до 1200 мб."},
    {Checked::Humidity, KeyOf(Quantity::Humidity), UnitOf(Quantity::Humidity),
     0.0, true, 100.0, true, "г/м^3",
     "Неверное значение абсолютной влажности!\nДиапазон допустимых значений от 0 до 100 г/м^3.", "г/м^3",
     "допустимо от 0 до 100 г/м^3."},
    {Checked::CloudWater, KeyOf(Quantity::CloudWater), UnitOf(Quantity::CloudWater),
     0.0, true, 10.0, true, "г/м^3",
     "Неверное значение водности облаков!\nДиапазон допустимых значений от 0 до 10 г/м^3.", "г/м^3",
     "допустимо от 0 до 10 г/м^3."},
    {Checked::LiquidCloudTemperature, KeyOf(Quantity::AirTemperature), UnitOf(Quantity::AirTemperature),
     kLiquidCloudTemperature, true, kNoBound, false, "К",
     "Неверное сочетание водности облаков и температуры!\n"
     "Жидкая вода в облаках возможна только при температуре не ниже 233,15 К.",
     "К", "жидкая вода в облаках возможна только при температуре не ниже 233,15 К."},
    {Checked::SubFrequencies, KeyOf(Quantity::SubFrequencies), UnitOf(Quantity::SubFrequencies),
     1.0, true, 2000.0, true, "",
     "Слишком широкая полоса частот!\nПолоса приёмника разбивается не более чем на 2000 частот "
     "(шаг 0,1 ГГц, у линий поглощения 0,05 ГГц).",
     "", ""},
    {Checked::CalculationWork, KeyOf(Quantity::CalculationWork), UnitOf(Quantity::CalculationWork),
     0.0, true, 3.0e6, true, "",
     "Слишком большой объём расчёта!\nЧисло частот полосы × (уровни профиля + 13 × слои сетки 100 м) "
     "не должно превышать 3000000.",
     "", ""},
    {Checked::DerivativeLevels, KeyOf(Quantity::LevelCount), UnitOf(Quantity::LevelCount),
     2.0, true, 25000.0, true, "",
     "Слишком много уровней для производных!\nПроизводные считаются для профилей не более чем из 25000 уровней.", "",
     ""},
    {Checked::Mw2012Wind, KeyOf(Quantity::Wind), UnitOf(Quantity::Wind), 0.0, true, 40.0, true, "м/с",
     kWindTo40Message, "", ""},
    // wind-range=extended: the default surface beyond its fitted 20 m/s, to
    // the 40 m/s of mw2012.
    {Checked::ExtendedWind, KeyOf(Quantity::Wind), UnitOf(Quantity::Wind), 0.0, true, 40.0, true, "м/с",
     kWindTo40Message, "", ""},
}};

const CheckedQuantity& QuantityOf(Checked id);

// A refused value.
struct ValidationFailure {
    std::optional<Checked> quantity;  // none for a text that is not a number
    std::string input;  // the quantity's name
    std::string unit;
    double value = 0.0;
    double lower = -kNoBound;
    bool lowerInclusive = true;
    double upper = kNoBound;
    bool upperInclusive = true;
    std::string message;
    int level = 0;  // profile level (from 1) for the level rules, 0 otherwise
};

// True when value lies within the bounds of the quantity (NaN never does).
bool IsAccepted(Checked id, double value);

// The failure of value, or nothing when it is accepted. Its message is the
// table's; for a NaN (not a number, which no bound accepts) a second line says so.
std::optional<ValidationFailure> Check(Checked id, double value);

// The line added to the message of a NaN.
inline constexpr const char* kNotANumberLine = "Задано не число (NaN).";

// The refusal of a number argument that is no finite number: "Неверное число в
// параметре NAME: 'TEXT'" (the command line's options, Python's keywords).
std::string NotANumberArgument(std::string_view parameter, std::string_view text);

// The first failure of the checks in the order given.
struct CheckedValue {
    Checked id;
    double value;
};
std::optional<ValidationFailure> FirstFailure(std::initializer_list<CheckedValue> checks);

// The values of one profile level (the height is checked when present: the
// absorption command has none).
struct LevelValues {
    std::optional<double> height;  // m
    double airTemperature = 0.0;   // K
    double pressure = 0.0;         // mb
    double humidity = 0.0;         // g/m^3
    double cloudWater = 0.0;       // g/m^3
};

// The level rules, in the order height, air temperature, pressure, humidity,
// cloud water, then liquid cloud water only at 233.15 K or warmer. level (from
// 1, 0 outside a file) is recorded in the failure.
std::optional<ValidationFailure> CheckLevel(const LevelValues& values, int level = 0);

// ---- The whole-profile check, shared by the profile reader, the scene readers
// and Python ----
//
// Given:
//   subject  how the front end names the profile at the head of a refusal:
//            "Ошибка в файле профиля" (a profile file), "Профиль сцены" (a scene
//            of a batch run), "Профиль" (an array given to Python)
// Returns:
//   the first failure, in the order: the level count (2 to 100000), then the
//   levels from the first, each by CheckLevel; its message is the refusal's
//   whole text and names the level and the quantity.
// Notes:
//   The profile reader checks each level as it reads it (it stops at the first
//   bad one) with LevelRefusal; the bounds and texts are the same.

// "<subject>: число уровней N, допустимо от 2 до 100000." (count given as a
// number, or the text that stands for it, e.g. "слишком велико").
std::string LevelCountRefusal(std::string_view subject, std::string_view count);

// "<subject>: уровень N, <quantity>: <value> <unit>, <rule>"; for liquid cloud
// water in cold air the water (g/m^3) and the temperature are both named.
std::string LevelRefusal(std::string_view subject, const ValidationFailure& failure, double cloudWater);

std::optional<ValidationFailure> CheckProfile(const ProfileView& profile, std::string_view subject);

// The window's range caption of a quantity: "(от 6,75 до 89 ГГц)".
std::string RangeCaption(Checked id);

// The window's hint of the frequency edit: "Частота излучения в ГГц (6,75 - 89 ГГц)".
std::string FrequencyHint();

}  // namespace seasky
