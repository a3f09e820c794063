#include "app/vocabulary.h"

#include "app/validation.h"
#include "common/number_text.h"

namespace seasky {

namespace {

// The table is indexed by Quantity.
constexpr bool TableInOrder() {
    for (std::size_t i = 0; i < std::size(kQuantities); ++i)
        if (static_cast<std::size_t>(kQuantities[i].id) != i) return false;
    return static_cast<std::size_t>(Quantity::UpOpacity) + 1 == std::size(kQuantities);
}
static_assert(TableInOrder(), "kQuantities must be indexed by Quantity");

// UDUNITS spellings and their text: the unit of a text line, of a help text.
struct UnitSpelling {
    std::string_view unit;
    std::string_view text;
};
constexpr UnitSpelling kUnitTexts[] = {
    {"1", ""},           {"1e-3", "per mille"}, {"degree", "degrees"}, {"degC", "degrees C"},
    {"m s-1", "m/s"},    {"g m-3", "g/m^3"},    {"kg m-2", "kg/m^2"},  {"Np km-1", "Np/km"},
};

}  // namespace

std::vector<std::string> WordsOf(const char* list) {
    std::vector<std::string> words;
    std::string word;
    for (const char* c = list;; ++c) {
        if (*c == ' ' || *c == '\0') {
            if (!word.empty()) words.push_back(word);
            word.clear();
            if (*c == '\0') break;
        } else {
            word += *c;
        }
    }
    return words;
}

std::vector<std::string> OptionNames(Quantity q) {
    const QuantityInfo& info = InfoOf(q);
    std::vector<std::string> names{info.option};
    for (const std::string& alias : WordsOf(info.aliases))
        if (alias != info.option) names.push_back(alias);
    return names;
}

std::vector<std::string> StandardNamesOf(Quantity q) {
    const QuantityInfo& info = InfoOf(q);
    std::vector<std::string> names;
    if (*info.standardName != '\0') names.emplace_back(info.standardName);
    for (const std::string& name : WordsOf(info.otherStandardNames)) names.push_back(name);
    return names;
}

std::string UnitText(std::string_view unit) {
    for (const UnitSpelling& s : kUnitTexts)
        if (s.unit == unit) return std::string(s.text);
    return std::string(unit);
}

std::string RangeText(Checked check) {
    const CheckedQuantity& c = QuantityOf(check);
    auto text = [](double v) { return FormatGeneral(v, '.'); };
    const bool lower = c.lower > -kNoBound, upper = c.upper < kNoBound;
    if (lower && upper && c.lowerInclusive && c.upperInclusive) return text(c.lower) + " to " + text(c.upper);
    std::string range;
    if (lower) range = (c.lowerInclusive ? text(c.lower) + " or more" : "above " + text(c.lower));
    if (upper)
        range += (range.empty() ? "" : ", ") + std::string(c.upperInclusive ? "at most " : "below ") + text(c.upper);
    return range;
}

std::string HelpText(Quantity q) {
    const QuantityInfo& info = InfoOf(q);
    std::string help = info.longName;
    const std::string unit = UnitText(info.unit);
    if (!unit.empty()) help += ", " + unit;
    std::string remarks = info.check ? RangeText(*info.check) : "";
    if (*info.note != '\0') remarks += (remarks.empty() ? "" : "; ") + std::string(info.note);
    if (!remarks.empty()) help += " (" + remarks + ")";
    return help;
}

}  // namespace seasky
