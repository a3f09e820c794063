#include "batch/grib_fields.h"

#include <netcdf.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <list>
#include <map>
#include <set>
#include <unordered_map>
#include <vector>

#include "batch/eccodes_library.h"

namespace seasky {

namespace {

// ---- keys of a message ----

struct HandleCloser {
    void operator()(codes_handle* h) const { codes_handle_delete(h); }
};
using Handle = std::unique_ptr<codes_handle, HandleCloser>;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The shortest text that reads back as the same double.
std::string NumberText(double x) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, x).ptr;
    return std::string(text, end);
}

// A message's place for messages: "GRIB file <path>, message <n>".
std::string Where(const std::string& path, std::size_t number) {
    return "GRIB file " + path + ", message " + std::to_string(number);
}

std::string KeyText(codes_handle* h, const char* key) {
    char text[1024];
    std::size_t length = sizeof text;
    if (codes_get_string(h, key, text, &length) != CODES_SUCCESS) return "";
    return std::string(text, strnlen(text, length));
}

long KeyLong(codes_handle* h, const char* key, long otherwise = 0) {
    long value = 0;
    return codes_get_long(h, key, &value) == CODES_SUCCESS ? value : otherwise;
}

double KeyDouble(codes_handle* h, const char* key, double otherwise = std::nan("")) {
    double value = 0;
    return codes_get_double(h, key, &value) == CODES_SUCCESS ? value : otherwise;
}

// ---- times ----

// Days since 1970-01-01 of a proleptic Gregorian date (Hinnant's
// days_from_civil, http://howardhinnant.github.io/date_algorithms.html).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// Seconds since 1970-01-01 UTC of validityDate (YYYYMMDD) and validityTime (HHMM).
std::int64_t ValiditySeconds(long date, long time) {
    const std::int64_t days = DaysFromCivil(date / 10000, static_cast<unsigned>(date / 100 % 100),
                                            static_cast<unsigned>(date % 100));
    return days * 86400 + (time / 100) * 3600 + (time % 100) * 60;
}

// "YYYY-MM-DD HH:MM UTC" of seconds since 1970 (Hinnant's civil_from_days).
std::string TimeText(std::int64_t seconds) {
    std::int64_t z = (seconds >= 0 ? seconds : seconds - 86399) / 86400;
    const std::int64_t secondOfDay = seconds - z * 86400;
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
    char text[64];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02u %02lld:%02lld UTC", static_cast<long long>(y), m, d,
                  static_cast<long long>(secondOfDay / 3600), static_cast<long long>(secondOfDay / 60 % 60));
    return text;
}

// ---- the grid ----

struct Grid {
    std::string type;
    long ni = 0, nj = 0;
    double lat1 = 0, lat2 = 0, lon1 = 0, lon2 = 0;  // degrees, first and last point as stored
    long iNegative = 0, jPositive = 0, jConsecutive = 0, alternateRows = 0;
    bool operator==(const Grid&) const = default;
    std::string Text() const {
        return std::to_string(ni) + " x " + std::to_string(nj) + " points, latitudes " + NumberText(lat1) +
               " to " + NumberText(lat2) + ", longitudes " + NumberText(lon1) + " to " + NumberText(lon2) +
               (jConsecutive != 0 ? ", columns consecutive" : "");
    }
};

Grid GridOf(codes_handle* h) {
    Grid g;
    g.type = KeyText(h, "gridType");
    if (g.type != "regular_ll") return g;
    g.ni = KeyLong(h, "Ni");
    g.nj = KeyLong(h, "Nj");
    g.lat1 = KeyDouble(h, "latitudeOfFirstGridPointInDegrees");
    g.lat2 = KeyDouble(h, "latitudeOfLastGridPointInDegrees");
    g.lon1 = KeyDouble(h, "longitudeOfFirstGridPointInDegrees");
    g.lon2 = KeyDouble(h, "longitudeOfLastGridPointInDegrees");
    g.iNegative = KeyLong(h, "iScansNegatively");
    g.jPositive = KeyLong(h, "jScansPositively");
    g.jConsecutive = KeyLong(h, "jPointsAreConsecutive");
    g.alternateRows = KeyLong(h, "alternativeRowScanning");
    return g;
}

// n coordinates from first to last in equal steps, each the correctly rounded
// quotient of whole micro-degrees (GRIB 2 stores 1e-6 degree, GRIB 1 1e-3), so
// that a 0.25-degree grid gives 89.75 exactly and a 0.1-degree one the double
// nearest to each tenth.
std::vector<double> Axis(double first, double last, long n) {
    const double a = std::round(first * 1e6), b = std::round(last * 1e6);
    std::vector<double> values(static_cast<std::size_t>(std::max(n, 1L)));
    if (n <= 1) {
        values[0] = a / 1e6;
        return values;
    }
    for (long k = 0; k < n; ++k)
        values[static_cast<std::size_t>(k)] =
            (a * static_cast<double>(n - 1 - k) + b * static_cast<double>(k)) / (static_cast<double>(n - 1) * 1e6);
    return values;
}

// The longitudes as stored: a grid that crosses the meridian of its first
// point's wrap (e.g. 180 to 179.75 as GRIB 2 stores -180 to 179.75) runs
// from first - 360.
std::vector<double> Longitudes(const Grid& g) {
    double first = g.lon1, last = g.lon2;
    const bool wraps = g.iNegative == 0 ? last < first : last > first;
    if (wraps) first += g.iNegative == 0 ? -360.0 : 360.0;
    return Axis(first, last, g.ni);
}

// ---- the index of the messages ----

// The most points along one side of a grid, far beyond any reanalysis (ERA5:
// 1440, a global 0.01-degree grid: 36 000): a bound on what a damaged but
// self-consistent header could make the reader allocate.
constexpr long kMaxGridSide = 1000000;

enum class LevelKind { Pressure, Single };

struct Message {
    std::size_t number = 0;  // 1-based, for messages
    off_t offset = 0;
    long paramId = 0;
    std::string name, units, standardName, longName, typeOfLevel, levelText;
    LevelKind kind = LevelKind::Single;
    double level = 0;  // hPa on pressure levels, the level key's value otherwise
    std::int64_t time = 0;
    Grid grid;
};

std::string VariableName(codes_handle* h, long paramId) {
    for (const char* key : {"cfVarName", "shortName"}) {
        const std::string name = KeyText(h, key);
        if (!name.empty() && name != "unknown" && name != "~") return name;
    }
    std::string name = "p";  // appended, not "p" + ...: GCC 12's -Wrestrict misreads the sum
    name += std::to_string(paramId);
    return name;
}

// The names of a parameter: ecCodes' concepts shortName, cfVarName, units,
// name, cfName are each worked out from the message's keys again (about 1 ms
// apiece), while the parameter database gives one of each per paramId, so
// they are asked once per paramId of a file.
struct ParameterNames {
    std::string name, units, standardName, longName;
};
using ParameterCache = std::unordered_map<long, ParameterNames>;

const ParameterNames& NamesOf(codes_handle* h, long paramId, ParameterCache& cache) {
    auto [it, added] = cache.try_emplace(paramId);
    if (added) it->second = {VariableName(h, paramId), KeyText(h, "units"), KeyText(h, "cfName"), KeyText(h, "name")};
    return it->second;
}

// The unit of the forecast step must be one of GRIB's codes (GRIB 1 table 4,
// GRIB 2 code table 4.4): with another, a damaged byte, ecCodes 2.28 does not
// come back from working out validityDate.
void CheckTimeUnit(codes_handle* h, const std::string& path, std::size_t number) {
    const bool one = KeyLong(h, "edition") == 1;
    const char* key = one ? "unitOfTimeRange" : "indicatorOfUnitOfTimeRange";
    if (codes_is_defined(h, key) == 0) return;
    const long unit = KeyLong(h, key, -1);
    const bool known = (unit >= 0 && unit <= 7) || (unit >= 10 && unit <= 12) || unit == 255 ||
                       (one ? unit == 13 || unit == 14 || unit == 254 : unit == 13);
    if (!known)
        throw BatchError(Where(path, number) + " gives its forecast step in units of code " + std::to_string(unit) +
                         ", which is not one of GRIB's: the message is damaged");
}

Message MessageOf(codes_handle* h, const std::string& path, std::size_t number, ParameterCache& names) {
    Message m;
    m.number = number;
    m.paramId = KeyLong(h, "paramId");
    const ParameterNames& n = NamesOf(h, m.paramId, names);
    m.name = n.name;
    m.units = n.units;
    m.standardName = n.standardName;
    m.longName = n.longName;
    m.typeOfLevel = KeyText(h, "typeOfLevel");
    m.level = KeyDouble(h, "level", 0.0);
    m.levelText = m.typeOfLevel + " " + NumberText(m.level);
    if (m.typeOfLevel == "isobaricInhPa" || m.typeOfLevel == "isobaricInPa") {
        m.kind = LevelKind::Pressure;
        if (m.typeOfLevel == "isobaricInPa") m.level /= 100.0;
    } else if (m.typeOfLevel == "hybrid") {
        throw BatchError(Where(path, number) + " (" + m.name + ") is on model levels (hybrid): pressure levels and "
                         "single levels are read");
    }
    CheckTimeUnit(h, path, number);
    m.time = ValiditySeconds(KeyLong(h, "validityDate"), KeyLong(h, "validityTime"));
    m.grid = GridOf(h);
    if (m.grid.type != "regular_ll")
        throw BatchError(Where(path, number) + " (" + m.name + ") is on a grid of type " + m.grid.type +
                         ": only regular latitude-longitude grids (regular_ll) are read");
    // The grid's points as the message counts them: a damaged Ni or Nj would
    // otherwise size the coordinates and the values.
    const long points = KeyLong(h, "numberOfDataPoints", -1);
    if (m.grid.ni < 1 || m.grid.nj < 1 || m.grid.ni > kMaxGridSide || m.grid.nj > kMaxGridSide ||
        m.grid.ni * m.grid.nj != points)
        throw BatchError(Where(path, number) + " (" + m.name + ") has a grid of " + std::to_string(m.grid.ni) +
                         " x " + std::to_string(m.grid.nj) + " points but counts " + std::to_string(points) +
                         ": the message is damaged");
    if (m.grid.alternateRows != 0)
        throw BatchError(Where(path, number) + " (" + m.name + ") scans alternate rows in opposite directions, "
                         "which is not read");
    return m;
}

// The refusal of bytes from..to of the file that are not a whole GRIB message.
BatchError NotGrib(const std::string& path, off_t from, off_t to, std::size_t after, const std::string& why) {
    return BatchError("GRIB file " + path + ": the " + std::to_string(to - from) + " bytes from offset " +
                      std::to_string(from) + (after == 0 ? "" : ", after message " + std::to_string(after)) +
                      ", are not a whole GRIB message" + why + ": a file cut short, or bytes of another kind");
}

// Bytes of the file outside any message from..to: refused unless zeros
// (padding of records).
void CheckGap(std::FILE* f, const std::string& path, off_t from, off_t to, std::size_t after) {
    if (to <= from) return;
    if (fseeko(f, from, SEEK_SET) != 0) throw BatchError("Cannot read GRIB file " + path);
    for (off_t k = from; k < to; ++k)
        if (std::fgetc(f) != 0) throw NotGrib(path, from, to, after, "");
}

// Section 0 of the message at offset (after any zero padding), checked before
// ecCodes reads it, whose reader (2.28) writes past its buffers when the
// edition or the length is damaged: "GRIB", edition 1 or 2, a total length
// within the file and "7777" at its end. Returns the message's offset, or
// the file's size when only padding is left.
off_t CheckSectionZero(std::FILE* f, const std::string& path, off_t offset, off_t fileSize, std::size_t after) {
    if (fseeko(f, offset, SEEK_SET) != 0) throw BatchError("Cannot read GRIB file " + path);
    off_t start = offset;
    int c = 0;
    while ((c = std::fgetc(f)) == 0) ++start;
    if (c == EOF) return fileSize;
    unsigned char head[16] = {static_cast<unsigned char>(c)};
    const std::size_t got = 1 + std::fread(head + 1, 1, sizeof head - 1, f);
    const int edition = got > 7 ? head[7] : 0;
    if (got < 4 || std::memcmp(head, "GRIB", 4) != 0) {
        if (start == 0) throw BatchError("GRIB file " + path + " is not a GRIB file: it does not begin with \"GRIB\"");
        throw NotGrib(path, start, fileSize, after, "");
    }
    if (got < 8 || (edition != 1 && edition != 2))
        throw NotGrib(path, start, fileSize, after, " (edition " + std::to_string(edition) + ")");
    std::uint64_t length = 0;
    if (edition == 1) {
        length = (std::uint64_t{head[4]} << 16) | (std::uint64_t{head[5]} << 8) | head[6];
        if ((length & 0x800000) != 0) return start;  // ECMWF's coding of messages over 8 MB: left to ecCodes
    } else {
        for (std::size_t k = 8; k < 16 && k < got; ++k) length = (length << 8) | head[k];
    }
    char tail[4] = {};
    const bool inside = length >= 16 && length <= static_cast<std::uint64_t>(fileSize - start);
    if (!inside || fseeko(f, start + static_cast<off_t>(length) - 4, SEEK_SET) != 0 ||
        std::fread(tail, 1, 4, f) != 4 || std::memcmp(tail, "7777", 4) != 0)
        throw NotGrib(path, start, fileSize, after, " (its length or its end \"7777\" is not where section 0 says)");
    return start;
}

// Every message of the file, in the file's order.
std::vector<Message> IndexMessages(std::FILE* f, const std::string& path, off_t fileSize) {
    std::vector<Message> messages;
    ParameterCache names;
    off_t end = 0;  // the end of the last message
    for (;;) {
        int error = 0;
        const off_t next = CheckSectionZero(f, path, end, fileSize, messages.size());
        if (next == fileSize) break;
        if (fseeko(f, next, SEEK_SET) != 0) throw BatchError("Cannot read GRIB file " + path);
        Handle h(codes_handle_new_from_file(nullptr, f, PRODUCT_GRIB, &error));
        if (!h) {
            if (error != CODES_SUCCESS && error != CODES_END_OF_FILE)
                throw NotGrib(path, end, fileSize, messages.size(),
                              std::string(" (ecCodes: ") + codes_get_error_message(error) + ")");
            break;
        }
        off_t offset = 0;
        std::size_t size = 0;
        codes_get_message_offset(h.get(), &offset);
        codes_get_message_size(h.get(), &size);
        CheckGap(f, path, end, offset, messages.size());
        messages.push_back(MessageOf(h.get(), path, messages.size() + 1, names));
        messages.back().offset = offset;
        end = offset + static_cast<off_t>(size);
    }
    if (messages.empty())
        throw BatchError("GRIB file " + path +
                         (fileSize == 0 ? " is empty" : " is not a GRIB file: it holds no GRIB message"));
    CheckGap(f, path, end, fileSize, messages.size());
    return messages;
}


// ---- the variables ----

// A parameter of the file: its messages by (time, level).
struct Field {
    Message first;                                   // its first message: names, units, level type
    std::map<std::pair<std::int64_t, double>, std::size_t> messages;  // (time, level) -> index into the file's
};

// The file's layout: times increasing, pressure levels decreasing.
struct Layout {
    std::vector<std::int64_t> times;
    std::vector<double> levels;
};

std::string FieldPlace(const Field& f, std::int64_t time, double level) {
    return "variable " + f.first.name + " at " + TimeText(time) +
           (f.first.kind == LevelKind::Pressure ? ", " + NumberText(level) + " hPa" : "");
}

// The messages grouped by variable name, in the order of each variable's first message.
std::vector<Field> GroupFields(const std::vector<Message>& messages, const std::string& path) {
    std::vector<Field> fields;
    std::unordered_map<std::string, std::size_t> byName;
    for (std::size_t k = 0; k < messages.size(); ++k) {
        const Message& m = messages[k];
        if (!(m.grid == messages.front().grid))
            throw BatchError(Where(path, m.number) + " (" + m.name + ") is on another grid than message 1 (" +
                             messages.front().name + "): " + m.grid.Text() + " against " +
                             messages.front().grid.Text() + "; the fields of one file must share their grid");
        auto [it, added] = byName.try_emplace(m.name, fields.size());
        if (added) fields.push_back(Field{m, {}});
        Field& f = fields[it->second];
        const Message& first = f.first;
        if (m.paramId == first.paramId && m.kind == LevelKind::Single && m.typeOfLevel == first.typeOfLevel &&
            m.level != first.level)
            throw BatchError("GRIB file " + path + ": variable " + m.name + " is on " + m.typeOfLevel + " " +
                             NumberText(first.level) + " (message " + std::to_string(first.number) + ") and " +
                             NumberText(m.level) + " (message " + std::to_string(m.number) + "): pressure levels "
                             "and single levels are read, not other levels of several values");
        // On pressure levels ecCodes says isobaricInPa for a level that is not
        // a whole number of hPa (0.5 hPa) and isobaricInhPa otherwise.
        if (m.paramId != first.paramId || m.kind != first.kind ||
            (m.kind == LevelKind::Single && m.typeOfLevel != first.typeOfLevel))
            throw BatchError(Where(path, m.number) + " holds " + m.name + " (paramId " + std::to_string(m.paramId) +
                             ") on " + m.levelText + ", message " + std::to_string(first.number) + " " +
                             first.name + " (paramId " + std::to_string(first.paramId) + ") on " + first.levelText +
                             ": pressure levels and single levels are read, one level type per variable");
        const double level = m.kind == LevelKind::Pressure ? m.level : 0.0;
        auto [place, fresh] = f.messages.try_emplace({m.time, level}, k);
        if (!fresh)
            throw BatchError(Where(path, m.number) + " repeats " + FieldPlace(f, m.time, level) + " of message " +
                             std::to_string(messages[place->second].number) +
                             " (ensemble members, or forecasts of several steps for one validity time, are not read)");
    }
    return fields;
}

// The times (and levels) of each variable must be those of the file, and
// every (time, level) of a variable must be there.
Layout LayoutOf(const std::vector<Field>& fields, const std::string& path) {
    std::map<std::int64_t, const Field*> times;
    std::map<double, const Field*, std::greater<>> levels;
    for (const Field& f : fields)
        for (const auto& [key, index] : f.messages) {
            times.try_emplace(key.first, &f);
            if (f.first.kind == LevelKind::Pressure) levels.try_emplace(key.second, &f);
        }
    for (const Field& f : fields) {
        std::set<std::int64_t> own;
        std::set<double> ownLevels;
        for (const auto& [key, index] : f.messages) own.insert(key.first), ownLevels.insert(key.second);
        for (const auto& [time, other] : times)
            if (own.count(time) == 0)
                throw BatchError("GRIB file " + path + ": variable " + f.first.name + " has no field at " +
                                 TimeText(time) + ", which " + other->first.name + " has; the variables of one "
                                 "file must share their times");
        if (f.first.kind != LevelKind::Pressure) continue;
        for (const auto& [level, other] : levels)
            if (ownLevels.count(level) == 0)
                throw BatchError("GRIB file " + path + ": variable " + f.first.name + " has no field at " +
                                 NumberText(level) + " hPa, which " + other->first.name + " has; the variables "
                                 "on pressure levels of one file must share their levels");
        for (const auto& [time, other] : times)
            for (const auto& [level, another] : levels)
                if (f.messages.count({time, level}) == 0)
                    throw BatchError("GRIB file " + path + ": " + FieldPlace(f, time, level) + " is missing");
    }
    Layout layout;
    for (const auto& [time, f] : times) layout.times.push_back(time);
    for (const auto& [level, f] : levels) layout.levels.push_back(level);
    return layout;
}

FieldVariable Coordinate(std::string name, std::size_t size, std::string units, std::string standardName,
                         std::string longName, int type) {
    FieldVariable v;
    v.dims = {name};
    v.shape = {size};
    v.name = std::move(name);
    v.units = std::move(units);
    v.standardName = std::move(standardName);
    v.longName = std::move(longName);
    v.type = type;
    v.valueBytes = 8;
    return v;
}

FieldVariable FieldVariableOf(const Field& f, const std::vector<FieldDimension>& dims, bool levels) {
    FieldVariable v;
    v.name = f.first.name;
    for (const FieldDimension& d : dims) {
        if (d.name == "pressure_level" && !levels) continue;
        v.dims.push_back(d.name);
        v.shape.push_back(d.size);
    }
    v.units = f.first.units;
    v.standardName = f.first.standardName;
    v.longName = f.first.longName;
    v.paramId = f.first.paramId;
    v.type = NC_DOUBLE;
    v.valueBytes = sizeof(double);
    v.attributes = {{"GRIB_paramId", std::to_string(f.first.paramId)},
                    {"GRIB_typeOfLevel", f.first.typeOfLevel}};
    if (!levels) v.attributes.emplace_back("GRIB_level", NumberText(f.first.level));
    return v;
}

// ---- the file ----

class GribFields final : public FieldFile {
public:
    GribFields(std::string path, std::size_t cacheBytes);
    const std::string& Path() const override { return path_; }
    std::string Kind() const override { return "GRIB"; }
    const std::vector<FieldDimension>& Dimensions() const override { return dims_; }
    const std::vector<FieldVariable>& Variables() const override { return vars_; }
    void Read(std::size_t v, std::span<const std::size_t> start, std::span<const std::size_t> count,
              double* out) override;
    void ReadStored(std::size_t v, std::span<const std::size_t> start, std::span<const std::size_t> count,
                    void* out) override;
    std::size_t Decoded() const { return decoded_; }

private:
    using Values = std::shared_ptr<const std::vector<double>>;
    void CheckBox(std::size_t v, std::span<const std::size_t> start, std::span<const std::size_t> count) const;
    Values Decode(std::size_t message, std::size_t v);
    Values Cached(std::size_t message, std::size_t v);

    std::string path_;
    File file_;
    std::vector<off_t> offsets_;                          // per message, in the file's order
    std::vector<FieldDimension> dims_;
    std::vector<FieldVariable> vars_;
    std::vector<std::vector<double>> coordinates_;       // per coordinate variable (valid_time as doubles)
    std::vector<std::vector<std::size_t>> fieldMessages_;  // per variable: [time * levels + level] -> message
    std::vector<bool> onLevels_;                          // per variable
    std::size_t coordinateCount_ = 0;
    std::size_t ni_ = 0, nj_ = 0;
    bool columns_ = false;  // points stored column by column (jPointsAreConsecutive)
    // The cache: decoded fields, most recently used first.
    std::size_t cacheBytes_ = 0, cachedBytes_ = 0, decoded_ = 0;
    std::list<std::pair<std::size_t, Values>> recent_;
    std::unordered_map<std::size_t, std::list<std::pair<std::size_t, Values>>::iterator> cache_;
};

GribFields::GribFields(std::string path, std::size_t cacheBytes) : path_(std::move(path)), cacheBytes_(cacheBytes) {
    EccodesLibrary();  // EccodesUnavailable before anything is opened
    file_.reset(std::fopen(path_.c_str(), "rb"));
    struct stat info {};
    if (!file_ || fstat(fileno(file_.get()), &info) != 0)
        throw BatchError("Cannot open GRIB file " + path_ + ": " + std::strerror(errno));
    const std::vector<Message> messages = IndexMessages(file_.get(), path_, info.st_size);
    for (const Message& m : messages) offsets_.push_back(m.offset);
    const std::vector<Field> fields = GroupFields(messages, path_);
    const Layout layout = LayoutOf(fields, path_);
    const Grid& grid = messages.front().grid;
    ni_ = static_cast<std::size_t>(grid.ni);
    nj_ = static_cast<std::size_t>(grid.nj);
    columns_ = grid.jConsecutive != 0;

    dims_.push_back({"valid_time", layout.times.size()});
    vars_.push_back(Coordinate("valid_time", layout.times.size(), "seconds since 1970-01-01", "time", "time",
                               NC_INT64));
    vars_.back().attributes = {{"calendar", "proleptic_gregorian"}};
    coordinates_.emplace_back(layout.times.begin(), layout.times.end());
    if (!layout.levels.empty()) {
        dims_.push_back({"pressure_level", layout.levels.size()});
        vars_.push_back(Coordinate("pressure_level", layout.levels.size(), "hPa", "air_pressure", "pressure",
                                   NC_DOUBLE));
        vars_.back().attributes = {{"positive", "down"}, {"stored_direction", "decreasing"}};
        coordinates_.push_back(layout.levels);
    }
    dims_.push_back({"latitude", nj_});
    vars_.push_back(Coordinate("latitude", nj_, "degrees_north", "latitude", "latitude", NC_DOUBLE));
    coordinates_.push_back(Axis(grid.lat1, grid.lat2, grid.nj));
    dims_.push_back({"longitude", ni_});
    vars_.push_back(Coordinate("longitude", ni_, "degrees_east", "longitude", "longitude", NC_DOUBLE));
    coordinates_.push_back(Longitudes(grid));
    coordinateCount_ = vars_.size();

    for (const Field& f : fields) {
        const bool levels = f.first.kind == LevelKind::Pressure;
        vars_.push_back(FieldVariableOf(f, dims_, levels));
        onLevels_.push_back(levels);
        std::vector<std::size_t>& index = fieldMessages_.emplace_back();
        for (std::int64_t t : layout.times) {
            if (!levels) index.push_back(f.messages.at({t, 0.0}));
            else
                for (double p : layout.levels) index.push_back(f.messages.at({t, p}));
        }
    }
}

void GribFields::CheckBox(std::size_t v, std::span<const std::size_t> start,
                          std::span<const std::size_t> count) const {
    if (v >= vars_.size())
        throw BatchError("GRIB file " + path_ + ": no variable number " + std::to_string(v));
    const FieldVariable& var = vars_[v];
    bool inside = start.size() == var.shape.size() && count.size() == var.shape.size();
    for (std::size_t d = 0; inside && d < var.shape.size(); ++d)
        inside = start[d] <= var.shape[d] && count[d] <= var.shape[d] - start[d];
    if (!inside)
        throw BatchError("GRIB file " + path_ + ": a box outside variable " + var.name + " was asked for");
}

// The values of a message as (latitude, longitude) rows, NaN where missing.
GribFields::Values GribFields::Decode(std::size_t message, std::size_t v) {
    const std::string where = Where(path_, message + 1) + " (" + vars_[v].name + ")";
    int error = 0;
    if (fseeko(file_.get(), offsets_[message], SEEK_SET) != 0) throw BatchError("Cannot read " + where);
    Handle h(codes_handle_new_from_file(nullptr, file_.get(), PRODUCT_GRIB, &error));
    if (!h) throw BatchError("Cannot read " + where + ": " + codes_get_error_message(error));
    const std::size_t points = ni_ * nj_;
    // More coded values than points (a damaged count) would have ecCodes 2.28
    // abort the process on the allocation.
    const long coded = KeyLong(h.get(), "numberOfValues", 0);
    if (coded < 0 || static_cast<std::size_t>(coded) > points)
        throw BatchError(where + " declares " + std::to_string(coded) + " values for a grid of " +
                         std::to_string(points) + " points: the message is damaged");
    std::size_t size = 0;
    if (codes_get_size(h.get(), "values", &size) != CODES_SUCCESS || size != points)
        throw BatchError(where + " holds " + std::to_string(size) + " values for a grid of " +
                         std::to_string(points) + " points");
    std::vector<double> values(points);
    error = codes_get_double_array(h.get(), "values", values.data(), &size);
    if (error != CODES_SUCCESS)
        throw BatchError("Cannot decode the values of " + where + ": " + codes_get_error_message(error));
    if (KeyLong(h.get(), "bitmapPresent") != 0) {
        const double missing = KeyDouble(h.get(), "missingValue");
        for (double& x : values)
            if (x == missing) x = std::nan("");
    }
    ++decoded_;
    if (!columns_) return std::make_shared<const std::vector<double>>(std::move(values));
    std::vector<double> rows(points);
    for (std::size_t i = 0; i < ni_; ++i)
        for (std::size_t j = 0; j < nj_; ++j) rows[j * ni_ + i] = values[i * nj_ + j];
    return std::make_shared<const std::vector<double>>(std::move(rows));
}

// The values of a message from the cache, decoded when not there; the least
// recently used fields leave the cache when it holds more than its bytes.
GribFields::Values GribFields::Cached(std::size_t message, std::size_t v) {
    if (auto it = cache_.find(message); it != cache_.end()) {
        recent_.splice(recent_.begin(), recent_, it->second);
        return it->second->second;
    }
    Values values = Decode(message, v);
    const std::size_t bytes = values->size() * sizeof(double);
    if (bytes > cacheBytes_) return values;
    while (cachedBytes_ + bytes > cacheBytes_) {
        cachedBytes_ -= recent_.back().second->size() * sizeof(double);
        cache_.erase(recent_.back().first);
        recent_.pop_back();
    }
    recent_.emplace_front(message, values);
    cache_[message] = recent_.begin();
    cachedBytes_ += bytes;
    return values;
}

void GribFields::Read(std::size_t v, std::span<const std::size_t> start, std::span<const std::size_t> count,
                      double* out) {
    CheckBox(v, start, count);
    if (v < coordinateCount_) {
        const std::vector<double>& values = coordinates_[v];
        std::copy_n(values.begin() + static_cast<std::ptrdiff_t>(start[0]), count[0], out);
        return;
    }
    const std::size_t f = v - coordinateCount_;
    const bool levels = onLevels_[f];
    const std::size_t levelCount = levels ? vars_[v].shape[1] : 1;
    const std::size_t l0 = levels ? start[1] : 0, nl = levels ? count[1] : 1;
    const std::size_t y0 = start[start.size() - 2], ny = count[count.size() - 2];
    const std::size_t x0 = start.back(), nx = count.back();
    if (ny == 0 || nx == 0) return;
    for (std::size_t t = start[0]; t < start[0] + count[0]; ++t)
        for (std::size_t l = l0; l < l0 + nl; ++l) {
            const Values values = Cached(fieldMessages_[f][t * levelCount + l], v);
            for (std::size_t y = y0; y < y0 + ny; ++y, out += nx)
                std::copy_n(values->begin() + static_cast<std::ptrdiff_t>(y * ni_ + x0), nx, out);
        }
}

void GribFields::ReadStored(std::size_t v, std::span<const std::size_t> start, std::span<const std::size_t> count,
                            void* out) {
    if (v < vars_.size() && vars_[v].type == NC_INT64) {
        CheckBox(v, start, count);
        auto* times = static_cast<std::int64_t*>(out);
        for (std::size_t k = 0; k < count[0]; ++k)
            times[k] = static_cast<std::int64_t>(coordinates_[v][start[0] + k]);
        return;
    }
    Read(v, start, count, static_cast<double*>(out));
}

}  // namespace

std::unique_ptr<FieldFile> OpenGribFields(const std::string& path, std::size_t cacheBytes) {
    return std::make_unique<GribFields>(path, cacheBytes);
}

std::unique_ptr<FieldFile> OpenGribFields(const std::string& path) { return OpenGribFields(path, kGribCacheBytes); }

std::size_t GribMessagesDecoded(const FieldFile& file) {
    const auto* grib = dynamic_cast<const GribFields*>(&file);
    return grib != nullptr ? grib->Decoded() : 0;
}

}  // namespace seasky
