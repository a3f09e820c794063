#include "app/sounding_reader.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "app/validation.h"
#include "atmosphere/humidity.h"
#include "common/constants.h"
#include "common/number_text.h"

namespace seasky {

namespace {

constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();

// Above this height (m) of the lowest level a note says that the air below
// the station is not in the profile.
constexpr double kStationNoteHeight = 10.0;

// The levels a note lists by pressure, at most.
constexpr std::size_t kListedLevels = 6;

// A level as a sounding gives it: NaN where a value is missing.
struct SoundingLevel {
    double pressure = kMissing;            // hPa
    double geopotentialHeight = kMissing;  // gpm
    double temperature = kMissing;         // K
    double dewPoint = kMissing;            // K
    double mixingRatio = kMissing;         // kg/kg
    double relativeHumidity = kMissing;    // per cent, over water
};

// A sounding's levels and the notes gathered while reading them.
struct Sounding {
    std::vector<SoundingLevel> levels;
    std::vector<std::string> notes;
};

ProfileReadResult Refuse(std::string message) {
    ProfileReadResult result;
    result.message = std::move(message);
    return result;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The number of a whole field (blanks around it allowed); false when it is not one.
template <typename T>
bool FieldNumber(std::string_view field, T& value) {
    field = Trim(field);
    if (!field.empty() && field.front() == '+') field.remove_prefix(1);
    if (field.empty()) return false;
    const auto r = std::from_chars(field.data(), field.data() + field.size(), value);
    return r.ec == std::errc() && r.ptr == field.data() + field.size();
}

// Columns first..last (from 1, as format descriptions count them) of line,
// blank past its end.
std::string_view Columns(std::string_view line, std::size_t first, std::size_t last) {
    if (line.size() < first) return {};
    return line.substr(first - 1, last - first + 1);
}

// "at 925, 850 hPa" for the pressures of levels (the first few).
std::string AtPressures(const std::vector<double>& pressures) {
    std::string text = "at ";
    for (std::size_t i = 0; i < pressures.size() && i < kListedLevels; ++i)
        text += (i > 0 ? ", " : "") + FormatGeneral(pressures[i], '.');
    if (pressures.size() > kListedLevels) text += ", ...";
    return text + " hPa";
}

std::string LevelsText(std::size_t n) { return std::to_string(n) + (n == 1 ? " level" : " levels"); }

// The vapour pressure (hPa) of a level by the first humidity it has (dew
// point, mixing ratio, relative humidity); NaN when it has none.
double VapourPressureOf(const SoundingLevel& l) {
    if (!std::isnan(l.dewPoint)) return VapourPressureFromDewPoint(l.dewPoint);
    if (!std::isnan(l.mixingRatio)) return VapourPressureFromMixingRatio(l.mixingRatio, l.pressure);
    if (!std::isnan(l.relativeHumidity)) return VapourPressureFromRelativeHumidity(l.relativeHumidity, l.temperature);
    return kMissing;
}

// The levels with pressure, temperature and height, strictly rising in
// geometric height (the first of a repeated height kept); notes on the rest.
std::vector<std::pair<SoundingLevel, double>> RisingLevels(const Sounding& s, std::vector<std::string>& notes) {
    std::vector<std::pair<SoundingLevel, double>> kept;  // level, geometric height (m)
    std::vector<double> incomplete, notAbove;
    for (const SoundingLevel& l : s.levels) {
        if (std::isnan(l.pressure) || std::isnan(l.temperature) || std::isnan(l.geopotentialHeight)) {
            incomplete.push_back(l.pressure);
            continue;
        }
        const double z = GeometricHeightFromGeopotential(l.geopotentialHeight * kStandardGravity);
        if (!kept.empty() && !(z > kept.back().second)) {
            notAbove.push_back(l.pressure);
            continue;
        }
        kept.emplace_back(l, z);
    }
    if (!incomplete.empty()) {
        std::vector<double> withPressure;
        for (double p : incomplete)
            if (!std::isnan(p)) withPressure.push_back(p);
        notes.push_back(LevelsText(incomplete.size()) + " without pressure, temperature or height left out" +
                        (withPressure.empty() ? "" : " (" + AtPressures(withPressure) + ")") + ".");
    }
    if (!notAbove.empty())
        notes.push_back(LevelsText(notAbove.size()) + " not above the level before (a repeated height keeps the " +
                        "first) left out (" + AtPressures(notAbove) + ").");
    return kept;
}

// The profile of a sounding's levels, checked as a profile file's are.
ProfileReadResult ProfileOf(const Sounding& s) {
    std::vector<std::string> notes = s.notes;
    const std::vector<std::pair<SoundingLevel, double>> rising = RisingLevels(s, notes);
    // The highest level with a humidity: those above it are dry air.
    std::size_t humidTop = 0;
    for (std::size_t i = 0; i < rising.size(); ++i)
        if (!std::isnan(VapourPressureOf(rising[i].first))) humidTop = i + 1;
    ProfileStore store;
    std::vector<double> noHumidity;
    for (std::size_t i = 0; i < rising.size(); ++i) {
        const auto& [l, z] = rising[i];
        const double e = VapourPressureOf(l);
        if (std::isnan(e) && i < humidTop) {
            noHumidity.push_back(l.pressure);
            continue;
        }
        store.height.push_back(z);
        store.airTemperature.push_back(l.temperature);
        store.pressure.push_back(l.pressure);
        store.absoluteHumidity.push_back(std::isnan(e) ? 0.0 : AbsoluteHumidity(e, l.temperature));
        store.cloudWater.push_back(0.0);
    }
    store.levelCount = static_cast<int>(store.height.size());
    if (!noHumidity.empty())
        notes.push_back(LevelsText(noHumidity.size()) +
                        " without humidity below the highest level with one left out (" + AtPressures(noHumidity) +
                        ").");
    if (humidTop < rising.size())
        notes.push_back(LevelsText(rising.size() - humidTop) + " from " +
                        FormatGeneral(rising[humidTop].first.pressure, '.') +
                        " hPa up carry no humidity: taken as dry air (0 g/m^3).");
    if (!IsAccepted(Checked::LevelCount, store.levelCount)) {
        // The levels kept (with pressure, temperature and height), by the
        // validation table's rule; the notes say what was left out.
        ProfileReadResult refused = Refuse(LevelCountRefusal(kProfileFileSubject, std::to_string(store.levelCount)));
        refused.failure = Check(Checked::LevelCount, store.levelCount);
        refused.failure->message = refused.message;
        refused.notes = std::move(notes);
        return refused;
    }
    for (int i = 0; i < store.levelCount; ++i) {
        std::optional<ValidationFailure> failure =
            CheckLevel({store.height[i], store.airTemperature[i], store.pressure[i], store.absoluteHumidity[i],
                        store.cloudWater[i]},
                       i + 1);
        if (failure) {
            ProfileReadResult refused = Refuse(LevelRefusal(kProfileFileSubject, *failure, store.cloudWater[i]));
            refused.failure = std::move(failure);
            refused.failure->message = refused.message;
            return refused;
        }
    }
    notes.push_back("A sounding carries no cloud water: the profile's is 0 g/m^3 at every level.");
    if (store.height.front() > kStationNoteHeight)
        notes.push_back("The profile starts at the station's height, " +
                        FormatGeneral(std::round(store.height.front()), '.') +
                        " m above sea level: the air below it is not in the profile.");
    ProfileReadResult result;
    result.ok = true;
    result.profile = std::move(store);
    result.notes = std::move(notes);
    return result;
}

// ---- University of Wyoming text listing ----

constexpr std::size_t kWyomingColumnWidth = 7;

// The line without the HTML tags at its start (<PRE>, </PRE><H3>); tagged is
// set when there were any.
std::string_view WithoutLeadingTags(std::string_view line, bool& tagged) {
    tagged = false;
    while (!line.empty() && line.front() == '<') {
        const std::size_t close = line.find('>');
        if (close == std::string_view::npos) break;
        line.remove_prefix(close + 1);
        tagged = true;
    }
    return line;
}

bool StartsWithColumnNames(std::string_view line) {
    bool tagged = false;
    line = Trim(WithoutLeadingTags(line, tagged));
    constexpr std::string_view names[] = {"PRES", "HGHT", "TEMP"};
    for (std::string_view name : names) {
        if (line.substr(0, name.size()) != name) return false;
        line = Trim(line.substr(name.size()));
    }
    return true;
}

// The column of each quantity read (-1 when the listing has none).
struct WyomingColumns {
    int pressure = -1, height = -1, temperature = -1, dewPoint = -1, relativeHumidity = -1, mixingRatio = -1;
};

// The columns of the line of names: each name right-aligned in 7 characters.
std::optional<WyomingColumns> ColumnsOf(std::string_view line) {
    WyomingColumns c;
    const std::pair<std::string_view, int*> known[] = {{"PRES", &c.pressure},         {"HGHT", &c.height},
                                                       {"TEMP", &c.temperature},      {"DWPT", &c.dewPoint},
                                                       {"RELH", &c.relativeHumidity}, {"MIXR", &c.mixingRatio}};
    for (std::size_t k = 0; k * kWyomingColumnWidth < line.size(); ++k) {
        const std::string_view field = line.substr(k * kWyomingColumnWidth, kWyomingColumnWidth);
        const std::string_view name = Trim(field);
        if (name.empty() || field.size() != kWyomingColumnWidth || field.back() == ' ') return std::nullopt;
        for (const auto& [known_name, column] : known)
            if (name == known_name) *column = static_cast<int>(k);
    }
    if (c.pressure < 0 || c.height < 0 || c.temperature < 0) return std::nullopt;
    return c;
}

// Whether a line ends the levels of a listing.
bool EndsLevels(std::string_view line) {
    bool tagged = false;
    const std::string_view rest = Trim(WithoutLeadingTags(line, tagged));
    const bool dashes = !rest.empty() && rest.find_first_not_of('-') == std::string_view::npos;
    return tagged || rest.empty() || dashes || rest.find("Station information") != std::string_view::npos;
}

// One level line; an empty optional with message set when a field is no number.
std::optional<SoundingLevel> WyomingLevel(std::string_view line, const WyomingColumns& c, long long lineNumber,
                                          std::string& message) {
    SoundingLevel level;
    const std::pair<int, double*> fields[] = {{c.pressure, &level.pressure},
                                              {c.height, &level.geopotentialHeight},
                                              {c.temperature, &level.temperature},
                                              {c.dewPoint, &level.dewPoint},
                                              {c.relativeHumidity, &level.relativeHumidity},
                                              {c.mixingRatio, &level.mixingRatio}};
    for (const auto& [column, value] : fields) {
        if (column < 0) continue;
        const std::string_view field =
            Columns(line, column * kWyomingColumnWidth + 1, (column + 1) * kWyomingColumnWidth);
        if (Trim(field).empty()) continue;
        if (!FieldNumber(field, *value) || !std::isfinite(*value)) {
            message = "Wyoming sounding, line " + std::to_string(lineNumber) + ": '" + std::string(Trim(field)) +
                      "' in columns " + std::to_string(column * kWyomingColumnWidth + 1) + "-" +
                      std::to_string((column + 1) * kWyomingColumnWidth) + " is not a number.";
            return std::nullopt;
        }
    }
    level.temperature += kKelvinOffset;  // C to K (NaN stays NaN)
    level.dewPoint += kKelvinOffset;
    level.mixingRatio /= 1000.0;  // g/kg to kg/kg
    return level;
}

// ---- IGRA 2 ----

// Whether line is an IGRA 2 header record: '#', the 11-character id, the year
// in columns 14-17 and blanks in columns 13, 18, 21, 24.
bool IsIgra2Header(std::string_view line) {
    if (line.size() < 36 || line[0] != '#' || line[12] != ' ' || line[17] != ' ' || line[20] != ' ' || line[23] != ' ')
        return false;
    for (std::size_t i = 1; i < 12; ++i)
        if (line[i] == ' ') return false;
    for (std::size_t i = 13; i < 17; ++i)
        if (!IsDigit(line[i])) return false;
    return true;
}

struct Igra2Header {
    std::string id;
    SoundingTime time;
    long long levels = 0;
};

std::optional<Igra2Header> HeaderOf(std::string_view line) {
    Igra2Header h;
    h.id = std::string(Columns(line, 2, 12));
    if (!IsIgra2Header(line) || !FieldNumber(Columns(line, 14, 17), h.time.year) ||
        !FieldNumber(Columns(line, 19, 20), h.time.month) || !FieldNumber(Columns(line, 22, 23), h.time.day) ||
        !FieldNumber(Columns(line, 25, 26), h.time.hour) || !FieldNumber(Columns(line, 33, 36), h.levels) ||
        h.levels < 0)
        return std::nullopt;
    return h;
}

std::string TimeText(const SoundingTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d UTC", t.year, t.month, t.day, t.hour);
    return text;
}

// A value of an IGRA 2 data record in the given unit (counts per unit); -9999
// (missing) and -8888 (removed by quality assurance) are NaN.
bool Igra2Value(std::string_view field, double counts, double& value) {
    long long count = 0;
    if (!FieldNumber(field, count)) return false;
    value = count == -9999 || count == -8888 ? kMissing : static_cast<double>(count) / counts;
    return true;
}

std::optional<SoundingLevel> Igra2Level(std::string_view line, long long lineNumber, std::string& message) {
    SoundingLevel level;
    double depression = kMissing;
    const struct {
        std::size_t first, last;
        double counts;  // per unit: Pa per hPa, tenths
        double* value;
    } fields[] = {{10, 15, 100.0, &level.pressure},
                  {17, 21, 1.0, &level.geopotentialHeight},
                  {23, 27, 10.0, &level.temperature},
                  {29, 33, 10.0, &level.relativeHumidity},
                  {35, 39, 10.0, &depression}};
    if (line.size() < 39 || line[0] == '#') {
        message = "IGRA 2 file, line " + std::to_string(lineNumber) +
                  ": not a data record (a data record has at least 39 columns, up to DPDP in columns 35-39).";
        return std::nullopt;
    }
    for (const auto& f : fields) {
        if (!Igra2Value(Columns(line, f.first, f.last), f.counts, *f.value)) {
            message = "IGRA 2 file, line " + std::to_string(lineNumber) + ": '" +
                      std::string(Trim(Columns(line, f.first, f.last))) + "' in columns " + std::to_string(f.first) +
                      "-" + std::to_string(f.last) + " is not a whole number.";
            return std::nullopt;
        }
    }
    level.temperature += kKelvinOffset;
    level.dewPoint = level.temperature - depression;
    return level;
}

bool Chosen(const SoundingChoice& choice, long long index, const Igra2Header& h) {
    if (choice.index) return *choice.index == index;
    if (choice.time)
        return choice.time->year == h.time.year && choice.time->month == h.time.month &&
               choice.time->day == h.time.day && choice.time->hour == h.time.hour;
    return index == 0;
}

std::string ChoiceText(const SoundingChoice& choice) {
    if (choice.index) return "number " + std::to_string(*choice.index) + " (counted from 0)";
    if (choice.time) return "at " + TimeText(*choice.time);
    return "at all";
}

}  // namespace

ProfileFormat DetectProfileFormat(std::string_view head) {
    const std::size_t firstEnd = head.find('\n');
    std::string_view first = head.substr(0, firstEnd);
    if (first.substr(0, 3) == "\xEF\xBB\xBF") first.remove_prefix(3);
    if (IsIgra2Header(first)) return ProfileFormat::igra2;
    std::size_t start = 0;
    for (int line = 0; line < 100 && start < head.size(); ++line) {
        const std::size_t end = head.find('\n', start);
        if (StartsWithColumnNames(head.substr(start, end - start))) return ProfileFormat::wyoming;
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return ProfileFormat::seasky;
}

ProfileReadResult ReadWyomingSounding(const LineSource& next) {
    std::string line;
    long long number = 0;
    bool found = false;
    while (!found && next(line)) {
        ++number;
        found = StartsWithColumnNames(line);
    }
    if (!found) return Refuse("Wyoming sounding: no line of column names (PRES HGHT TEMP ...).");
    bool tagged = false;
    const std::optional<WyomingColumns> columns = ColumnsOf(WithoutLeadingTags(line, tagged));
    if (!columns)
        return Refuse(
            "Wyoming sounding, line " + std::to_string(number) +
            ": the column names are not each right-aligned in 7 characters, or PRES, HGHT or TEMP is missing.");
    if (columns->dewPoint < 0 && columns->mixingRatio < 0 && columns->relativeHumidity < 0)
        return Refuse("Wyoming sounding: no humidity column (DWPT, MIXR or RELH).");
    Sounding sounding;
    // The units line and the dashes, then the levels up to the end of the block.
    bool inLevels = false;
    while (next(line)) {
        ++number;
        const std::string_view text = Trim(line);
        if (!inLevels &&
            (text.substr(0, 3) == "hPa" || (!text.empty() && text.find_first_not_of('-') == std::string_view::npos)))
            continue;
        if (EndsLevels(line)) break;
        inLevels = true;
        std::string message;
        const std::optional<SoundingLevel> level = WyomingLevel(line, *columns, number, message);
        if (!level) return Refuse(message);
        sounding.levels.push_back(*level);
    }
    // Further soundings of the page are counted, not read.
    long long more = 0;
    while (next(line))
        if (StartsWithColumnNames(line)) ++more;
    if (more > 0)
        sounding.notes.push_back("The listing holds " + std::to_string(more + 1) + " soundings; the first was read.");
    return ProfileOf(sounding);
}

ProfileReadResult ReadIgra2Sounding(const LineSource& next, const SoundingChoice& choice) {
    std::string line;
    long long number = 0, index = -1;
    std::optional<Igra2Header> chosen;
    long long chosenIndex = -1;
    Sounding sounding;
    while (next(line)) {
        ++number;
        if (line.empty() || line[0] != '#') {
            if (index < 0)
                return Refuse("IGRA 2 file, line " + std::to_string(number) + ": data before the first header record.");
            continue;  // a level of a sounding not chosen
        }
        ++index;
        const std::optional<Igra2Header> header = HeaderOf(line);
        if (!header)
            return Refuse("IGRA 2 file, line " + std::to_string(number) +
                          ": not a header record (#ID YEAR MONTH DAY HOUR RELTIME NUMLEV ...).");
        if (chosen || !Chosen(choice, index, *header)) continue;
        chosen = header;
        chosenIndex = index;
        for (long long k = 0; k < header->levels; ++k) {
            if (!next(line))
                return Refuse("IGRA 2 file: the sounding of line " + std::to_string(number - k) + " announces " +
                              std::to_string(header->levels) + " levels, the file ends after " + std::to_string(k) +
                              ".");
            ++number;
            std::string message;
            const std::optional<SoundingLevel> level = Igra2Level(line, number, message);
            if (!level) return Refuse(message);
            sounding.levels.push_back(*level);
        }
    }
    if (index < 0) return Refuse("IGRA 2 file: no sounding.");
    const long long count = index + 1;
    if (!chosen)
        return Refuse("IGRA 2 file: no sounding " + ChoiceText(choice) + "; the file holds " + std::to_string(count) +
                      ".");
    std::string which = "Station " + chosen->id + ", sounding of " + TimeText(chosen->time);
    if (count > 1)
        which += ": number " + std::to_string(chosenIndex) + " (counting from 0) of the " + std::to_string(count) +
                 " soundings in the file.";
    else
        which += ".";
    sounding.notes.insert(sounding.notes.begin(), which);
    return ProfileOf(sounding);
}

}  // namespace seasky
