#include "app/input_ranges.h"

namespace seasky {

const InputRange& RangeOf(RangedInput input) { return kInputRanges[static_cast<std::size_t>(input)]; }

bool IsInRange(const RangeCheck& check) {
    const InputRange& range = RangeOf(check.input);
    if (!(check.value >= range.lower)) return false;
    return !check.checkUpper || check.value <= range.upper;
}

std::string FirstRangeFailure(std::initializer_list<RangeCheck> checks) {
    for (const RangeCheck& check : checks)
        if (!IsInRange(check)) return RangeOf(check.input).message;
    return {};
}

std::string FirstRangeFailure(double frequency, double angle, double azimuth, double temperature, double salinity,
                              double wind) {
    return FirstRangeFailure({{RangedInput::Frequency, frequency},
                              {RangedInput::Angle, angle},
                              {RangedInput::Azimuth, azimuth},
                              {RangedInput::Temperature, temperature},
                              {RangedInput::Salinity, salinity},
                              {RangedInput::Wind, wind}});
}

}  // namespace seasky
