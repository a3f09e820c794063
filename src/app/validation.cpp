#include "app/validation.h"

#include <cmath>

#include "common/number_text.h"

namespace seasky {

const CheckedQuantity& QuantityOf(Checked id) { return kCheckedQuantities[static_cast<std::size_t>(id)]; }

bool IsAccepted(Checked id, double value) {
    const CheckedQuantity& q = QuantityOf(id);
    const bool aboveLower = q.lowerInclusive ? value >= q.lower : value > q.lower;
    const bool belowUpper = q.upperInclusive ? value <= q.upper : value < q.upper;
    return aboveLower && belowUpper;  // false for NaN
}

std::optional<ValidationFailure> Check(Checked id, double value) {
    if (IsAccepted(id, value)) return std::nullopt;
    const CheckedQuantity& q = QuantityOf(id);
    ValidationFailure f;
    f.quantity = id;
    f.input = q.name;
    f.unit = q.unit;
    f.value = value;
    f.lower = q.lower;
    f.lowerInclusive = q.lowerInclusive;
    f.upper = q.upper;
    f.upperInclusive = q.upperInclusive;
    f.message = q.message;
    if (std::isnan(value)) f.message += std::string("\n") + kNotANumberLine;
    return f;
}

std::string NotANumberArgument(std::string_view parameter, std::string_view text) {
    return "Неверное число в параметре " + std::string(parameter) + ": '" + std::string(text) + "'";
}

std::optional<ValidationFailure> FirstFailure(std::initializer_list<CheckedValue> checks) {
    for (const CheckedValue& c : checks)
        if (std::optional<ValidationFailure> f = Check(c.id, c.value)) return f;
    return std::nullopt;
}

std::optional<ValidationFailure> CheckLevel(const LevelValues& v, int level) {
    std::optional<ValidationFailure> f;
    if (v.height) f = Check(Checked::Height, *v.height);
    if (!f) f = FirstFailure({{Checked::AirTemperature, v.airTemperature},
                              {Checked::Pressure, v.pressure},
                              {Checked::Humidity, v.humidity},
                              {Checked::CloudWater, v.cloudWater}});
    if (!f && v.cloudWater > 0.0) f = Check(Checked::LiquidCloudTemperature, v.airTemperature);
    if (f) f->level = level;
    return f;
}

namespace {

// The names of a level's five quantities, in the order of a profile file.
constexpr const char* kLevelQuantityNames[5] = {"высота", "температура воздуха", "давление",
                                                "абсолютная влажность", "водность облаков"};

// The quantity a level rule is named by (liquid cloud water in cold air: the water).
const char* LevelQuantityName(Checked quantity) {
    switch (quantity) {
        case Checked::Height:
            return kLevelQuantityNames[0];
        case Checked::AirTemperature:
            return kLevelQuantityNames[1];
        case Checked::Pressure:
            return kLevelQuantityNames[2];
        case Checked::Humidity:
            return kLevelQuantityNames[3];
        default:
            return kLevelQuantityNames[4];
    }
}

}  // namespace

std::string LevelCountRefusal(std::string_view subject, std::string_view count) {
    const CheckedQuantity& levels = QuantityOf(Checked::LevelCount);
    return std::string(subject) + ": число уровней " + std::string(count) + ", допустимо от " +
           FormatGeneral(levels.lower, '.') + " до " + FormatGeneral(levels.upper, '.') + ".";
}

std::string LevelRefusal(std::string_view subject, const ValidationFailure& f, double cloudWater) {
    const Checked id = f.quantity.value_or(Checked::CloudWater);
    const CheckedQuantity& q = QuantityOf(id);
    std::string text = std::string(subject) + ": уровень " + std::to_string(f.level) + ", " + LevelQuantityName(id) + ": ";
    if (id == Checked::LiquidCloudTemperature)
        return text + FormatGeneral(cloudWater, '.') + " г/м^3 при температуре воздуха " + FormatGeneral(f.value, '.') +
               " " + q.levelUnit + "; " + q.levelRule;
    if (std::isnan(f.value)) return text + "не число (NaN), " + q.levelRule;
    text += FormatGeneral(f.value, '.');
    if (*q.levelUnit != '\0') text += std::string(" ") + q.levelUnit;
    return text + ", " + q.levelRule;
}

std::optional<ValidationFailure> CheckProfile(const ProfileView& p, std::string_view subject) {
    if (std::optional<ValidationFailure> f = Check(Checked::LevelCount, p.levelCount)) {
        f->message = LevelCountRefusal(subject, std::to_string(p.levelCount));
        return f;
    }
    for (int i = 0; i < p.levelCount; ++i) {
        if (std::optional<ValidationFailure> f = CheckLevel(
                {p.height[i], p.airTemperature[i], p.pressure[i], p.absoluteHumidity[i], p.cloudWater[i]}, i + 1)) {
            f->message = LevelRefusal(subject, *f, p.cloudWater[i]);
            return f;
        }
    }
    return std::nullopt;
}

std::string RangeCaption(Checked id) {
    const CheckedQuantity& q = QuantityOf(id);
    return "(от " + FormatGeneral(q.lower, ',') + " до " + FormatGeneral(q.upper, ',') + " " + q.caption + ")";
}

std::string FrequencyHint() {
    const CheckedQuantity& q = QuantityOf(Checked::Frequency);
    return std::string("Частота излучения в ") + q.caption + " (" + FormatGeneral(q.lower, ',') + " - " +
           FormatGeneral(q.upper, ',') + " " + q.caption + ")";
}

}  // namespace seasky

namespace seasky {
namespace {
constexpr bool TableInOrder() {
    for (std::size_t i = 0; i < kCheckedQuantities.size(); ++i)
        if (static_cast<std::size_t>(kCheckedQuantities[i].id) != i) return false;
    return true;
}
static_assert(TableInOrder(), "kCheckedQuantities must be indexed by Checked");
}  // namespace
}  // namespace seasky
