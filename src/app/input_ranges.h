// Permitted ranges of the six checked inputs of a calculation and the messages
// that refuse a value outside them. Toolkit-free: the window and the command line
// share it.
#pragma once

#include <array>
#include <initializer_list>
#include <string>

namespace seasky {

// The checked inputs, in the order in which they are checked.
enum class RangedInput { Frequency, Angle, Azimuth, Temperature, Salinity, Wind };

// One checked input: both bounds inclusive.
struct InputRange {
    const char* name;
    double lower;
    double upper;
    const char* message;  // shown when the value lies outside [lower, upper]
};

// Indexed by RangedInput, in check order.
inline constexpr std::array<InputRange, 6> kInputRanges{{
    {"frequency", 6.75, 89.0,
     "Введено неверное значение частоты!\nДиапазон допустимых значений от 6,75 до 89 ГГц."},
    {"angle", 0.0, 65.0,
     "Введено неверное значение угла встречи с землей!\nДиапазон допустимых значений от 0 до 65 град."},
    {"azimuth", 0.0, 360.0,
     "Введено неверное значение азимутального угла!\nДиапазон допустимых значений от 0 до 360 град."},
    {"temperature", -3.0, 37.0,
     "Введено неверное значение температуры воды!\nДиапазон допустимых значений от -3 до 37 град. С"},
    {"salinity", 0.0, 45.0,
     "Введено неверное значение солености воды!\nДиапазон допустимых значений от 0 до 45 промилле"},
    {"wind", 0.0, 20.0,
     "Введено неверное значение скорости ветра!\nДиапазон допустимых значений от 0 до 20 м/с"},
}};

const InputRange& RangeOf(RangedInput input);

// One value to check against the range of its input. With checkUpper false only
// the lower bound applies.
struct RangeCheck {
    RangedInput input;
    double value;
    bool checkUpper = true;
};

// True when value is within [lower, upper] of its input (NaN is never accepted).
bool IsInRange(const RangeCheck& check);

// The message of the first check that fails, in the order given; an empty string
// when every value is accepted.
std::string FirstRangeFailure(std::initializer_list<RangeCheck> checks);

// The six checks of a calculation, in check order.
std::string FirstRangeFailure(double frequency, double angle, double azimuth, double temperature, double salinity,
                              double wind);

}  // namespace seasky
