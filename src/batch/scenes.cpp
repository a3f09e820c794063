#include "batch/scenes.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <numeric>
#include <set>
#include <sstream>
#include <unordered_map>

#include "app/profile_reader.h"
#include "app/standard_atmospheres.h"
#include "batch/input_file.h"
#include "batch/netcdf_library.h"
#include "batch/netcdf_extent.h"
#include "batch/output_file.h"
#include "batch/units.h"
#include "common/number_text.h"

namespace seasky {

namespace {

// The position of a quantity in kSceneQuantities.
constexpr std::size_t SceneIndex(Quantity q) {
    for (std::size_t k = 0; k < kSceneQuantities.size(); ++k)
        if (kSceneQuantities[k].quantity == q) return k;
    return kSceneQuantities.size();
}
// The first surface quantity: the profile levels come before.
constexpr std::size_t kFirstSurface = SceneIndex(Quantity::SeaTemperature);
static_assert(kFirstSurface == 5 && kSceneQuantities.size() == 10, "five level quantities, then five of the surface");
// The surface quantities a scene must give, in the order of SceneArrays::names.
constexpr Quantity kSurfaceNamed[4] = {Quantity::SeaTemperature, Quantity::Salinity, Quantity::Wind,
                                       Quantity::Azimuth};

// ---- NetCDF ----

void Nc(int status, const std::string& what) {
    if (status != NC_NOERR) throw BatchError(what + ": " + nc_strerror(status));
}

std::optional<std::string> TextAttribute(int ncid, int var, const char* name) {
    nc_type type;
    std::size_t length = 0;
    if (nc_inq_att(ncid, var, name, &type, &length) != NC_NOERR) return std::nullopt;
    if (type == NC_CHAR) {
        std::string text(length, '\0');
        if (nc_get_att_text(ncid, var, name, text.data()) != NC_NOERR) return std::nullopt;
        while (!text.empty() && text.back() == '\0') text.pop_back();
        return text;
    }
    if (type == NC_STRING && length == 1) {
        char* value = nullptr;
        if (nc_get_att_string(ncid, var, name, &value) != NC_NOERR) return std::nullopt;
        std::string text = value != nullptr ? value : "";
        nc_free_string(1, &value);
        return text;
    }
    return std::nullopt;
}

std::optional<double> NumberAttribute(int ncid, int var, const char* name) {
    nc_type type;
    std::size_t length = 0;
    if (nc_inq_att(ncid, var, name, &type, &length) != NC_NOERR || length < 1) return std::nullopt;
    if (type == NC_CHAR || type == NC_STRING) return std::nullopt;
    std::vector<double> values(length);
    if (nc_get_att_double(ncid, var, name, values.data()) != NC_NOERR) return std::nullopt;
    return values[0];
}

ValidationFailure Missing(const std::string& name, int level) {
    ValidationFailure f;
    f.input = name;
    f.value = std::nan("");
    f.level = level;
    f.message = "Нет значения " + name + (level > 0 ? " на уровне " + std::to_string(level) : std::string()) + ".";
    return f;
}

// The whole-profile check of every front end (CheckProfile); a value the file
// does not hold (NaN, a fill value unpacked) is named as missing.
std::optional<ValidationFailure> CheckProfile(const ProfileStore& p) {
    std::optional<ValidationFailure> f = seasky::CheckProfile(ViewOf(p), "Профиль сцены");
    if (f && f->level > 0 && std::isnan(f->value)) {
        switch (f->quantity.value_or(Checked::CloudWater)) {
            case Checked::Height:
                return Missing(InfoOf(Quantity::Height).variable, f->level);
            case Checked::AirTemperature:
            case Checked::LiquidCloudTemperature:
                return Missing(InfoOf(Quantity::AirTemperature).variable, f->level);
            case Checked::Pressure:
                return Missing(InfoOf(Quantity::Pressure).variable, f->level);
            case Checked::Humidity:
                return Missing(InfoOf(Quantity::Humidity).keyword, f->level);
            default:
                return Missing(InfoOf(Quantity::CloudWater).keyword, f->level);
        }
    }
    return f;
}

// One quantity of the scene file: the variable, its unit and the packing.
struct Variable {
    int id = -1;
    std::string name;
    UnitConversion unit;
    std::optional<double> fill;
    std::optional<double> missing;
    double scale = 1.0;
    double offset = 0.0;
    bool fraction = false;  // a mass fraction, kg/kg (humidity or cloud water)
};

class NetcdfScenes final : public SceneReader {
public:
    explicit NetcdfScenes(const std::string& path) : path_(path) {
        Nc(nc_open(path.c_str(), NC_NOWRITE, &ncid_), "Cannot open the scene file " + path);
        try {
            Open();
            CheckExtent();
        } catch (...) {
            nc_close(ncid_);
            throw;
        }
    }
    ~NetcdfScenes() override { nc_close(ncid_); }

    std::size_t SceneCount() const override { return scenes_; }
    bool HasIncidenceAngle() const override { return Var(Quantity::IncidenceAngle).id >= 0; }
    std::size_t LevelCount() const override { return levels_; }

    void Read(std::size_t first, std::size_t count, std::vector<Scene>& out) override {
        out.assign(count, Scene{});
        if (count == 0) return;
        const std::size_t L = levels_;
        std::array<std::vector<double>, kSceneQuantities.size()> v;
        for (std::size_t k = 0; k < kSceneQuantities.size(); ++k) {
            if (vars_[k].id < 0) continue;
            if (kSceneQuantities[k].perLevel) ReadProfile(vars_[k], first, count, v[k]);
            else ReadScalar(vars_[k], first, count, v[k]);
        }
        std::vector<double>& cloud = v[SceneIndex(Quantity::CloudWater)];
        if (cloud.empty()) cloud.assign(count * L, 0.0);  // no cloud
        auto data = [&v](Quantity q) { return v[SceneIndex(q)].empty() ? nullptr : v[SceneIndex(q)].data(); };
        SceneArrays arrays;
        arrays.scenes = count;
        arrays.levels = L;
        arrays.height = data(Quantity::Height);
        arrays.temperature = data(Quantity::AirTemperature);
        arrays.pressure = data(Quantity::Pressure);
        arrays.humidity = data(Quantity::Humidity);
        arrays.cloud = data(Quantity::CloudWater);
        arrays.humidityIsFraction = Var(Quantity::Humidity).fraction;
        arrays.cloudIsFraction = Var(Quantity::CloudWater).fraction;
        arrays.seaTemperature = data(Quantity::SeaTemperature);
        arrays.salinity = data(Quantity::Salinity);
        arrays.wind = data(Quantity::Wind);
        arrays.azimuth = data(Quantity::Azimuth);
        arrays.angle = data(Quantity::IncidenceAngle);
        for (int k = 0; k < 4; ++k) arrays.names[k] = vars_[SceneIndex(kSurfaceNamed[k])].name;
        ScenesFromArrays(arrays, out);
    }

    std::vector<PassThrough> PassThroughVariables() const override { return passThrough_; }

    void ReadPassThrough(std::size_t first, std::size_t count, std::vector<PassThrough>& vars) override {
        for (PassThrough& v : vars) {
            int id = -1;
            Nc(nc_inq_varid(ncid_, v.name.c_str(), &id), path_ + ", " + v.name);
            std::size_t size = 0;
            Nc(nc_inq_type(ncid_, v.type, nullptr, &size), path_ + ", " + v.name);
            v.data.resize(count * size);
            const std::size_t start[1] = {first};
            const std::size_t extent[1] = {count};
            if (count > 0) Nc(nc_get_vara(ncid_, id, start, extent, v.data.data()), "Cannot read " + v.name + " of " + path_);
        }
    }

private:
    void Open() {
        int sceneDim = -1, levelDim = -1;
        Nc(nc_inq_dimid(ncid_, "scene", &sceneDim), path_ + ": no dimension \"scene\"");
        Nc(nc_inq_dimid(ncid_, "level", &levelDim), path_ + ": no dimension \"level\"");
        Nc(nc_inq_dimlen(ncid_, sceneDim, &scenes_), path_);
        Nc(nc_inq_dimlen(ncid_, levelDim, &levels_), path_);
        // No profile has more levels than the validation table allows; a longer
        // level dimension, which a header of a few bytes can declare, would make
        // every block of scenes that many values long.
        const double maxLevels = QuantityOf(Checked::LevelCount).upper;
        if (static_cast<double>(levels_) > maxLevels)
            throw BatchError(path_ + ": the dimension \"level\" has " + std::to_string(levels_) +
                             " levels, more than the " + FormatGeneral(maxLevels, '.') + " a profile may have");
        sceneDim_ = sceneDim;
        levelDim_ = levelDim;
        for (std::size_t k = 0; k < kSceneQuantities.size(); ++k) vars_[k] = Find(kSceneQuantities[k]);

        // Every other numeric variable of dimension (scene) alone passes through.
        int count = 0;
        Nc(nc_inq_nvars(ncid_, &count), path_);
        for (int id = 0; id < count; ++id) {
            int dims = 0;
            nc_type type;
            char name[NC_MAX_NAME + 1];
            Nc(nc_inq_var(ncid_, id, name, &type, &dims, nullptr, nullptr), path_);
            if (dims != 1 || type == NC_CHAR || type == NC_STRING || type > NC_STRING) continue;
            int dim = -1;
            Nc(nc_inq_vardimid(ncid_, id, &dim), path_);
            if (dim != sceneDim_ || used_.count(id) != 0) continue;
            PassThrough v;
            v.name = name;
            v.type = type;
            Nc(nc_inq_type(ncid_, type, nullptr, &v.valueBytes), path_);
            // Its attributes are copied whole by the writer, from the file.
            v.sourceFile = path_;
            passThrough_.push_back(v);
            passThroughIds_.push_back(id);
        }
    }

    // The file must hold the values its header declares for the variables read
    // (netcdf_extent.h): a file cut short or never filled is refused before
    // anything is computed.
    void CheckExtent() const {
        std::vector<int> read = passThroughIds_;
        for (const auto& [id, used] : used_)
            if (used) read.push_back(id);
        struct stat info {};
        if (::stat(path_.c_str(), &info) != 0) throw BatchError("Cannot open the scene file " + path_);
        const std::string refusal = ExtentRefusal(path_, scenes_, DeclaredBytes(ncid_, path_, read),
                                                  static_cast<std::uint64_t>(info.st_size));
        if (!refusal.empty()) throw BatchError(refusal);
    }

    // The variable of one quantity: the first with one of its standard names,
    // else the one called by its variable name (or by one of its standard
    // names). Its dimensions and units are checked.
    Variable Find(const SceneQuantity& quantity) {
        const std::vector<std::string> standardNames = StandardNamesOf(quantity.quantity);
        const std::string fallbackName = InfoOf(quantity.quantity).variable;
        const UnitKind kind = UnitKindOf(quantity.quantity);
        const bool profile = quantity.perLevel, required = quantity.required;
        int count = 0;
        Nc(nc_inq_nvars(ncid_, &count), path_);
        int found = -1;
        std::string standard;
        for (const std::string& wanted : standardNames) {
            for (int id = 0; id < count && found < 0; ++id)
                if (TextAttribute(ncid_, id, "standard_name") == wanted) {
                    found = id;
                    standard = wanted;
                }
            if (found >= 0) break;
        }
        if (found < 0 && nc_inq_varid(ncid_, fallbackName.c_str(), &found) != NC_NOERR) found = -1;
        if (found < 0) {
            for (const std::string& wanted : standardNames)
                if (found < 0 && nc_inq_varid(ncid_, wanted.c_str(), &found) != NC_NOERR) found = -1;
        }
        if (found < 0) {
            if (!required) return {};
            throw BatchError(path_ + ": no variable for " + fallbackName + " (by standard_name or by name)");
        }
        Variable v;
        v.id = found;
        char name[NC_MAX_NAME + 1];
        Nc(nc_inq_varname(ncid_, found, name), path_);
        v.name = name;
        if (standard.empty()) {
            const std::optional<std::string> s = TextAttribute(ncid_, found, "standard_name");
            standard = s ? *s : name;
        }
        int dims = 0;
        Nc(nc_inq_varndims(ncid_, found, &dims), path_ + ", " + v.name);
        int dimIds[NC_MAX_VAR_DIMS];
        Nc(nc_inq_vardimid(ncid_, found, dimIds), path_ + ", " + v.name);
        const bool shapeOk = profile ? dims == 2 && dimIds[0] == sceneDim_ && dimIds[1] == levelDim_
                                     : dims == 1 && dimIds[0] == sceneDim_;
        if (!shapeOk)
            throw BatchError(path_ + ", variable " + v.name + ": its dimensions must be " +
                             (profile ? "(scene, level)" : "(scene)"));
        const std::optional<std::string> units = TextAttribute(ncid_, found, "units");
        if (!units) throw BatchError(path_ + ", variable " + v.name + ": no units attribute");
        std::string accepted;
        const std::optional<UnitConversion> c = ConversionForVariable(kind, *units, standard, &accepted);
        if (!c)
            throw BatchError(path_ + ", variable " + v.name + ": units \"" + *units + "\" are not accepted for " +
                             standard + " (accepted: " + accepted + ")");
        v.unit = *c;
        v.fraction = c->massFraction;
        v.fill = NumberAttribute(ncid_, found, "_FillValue");
        v.missing = NumberAttribute(ncid_, found, "missing_value");
        v.scale = NumberAttribute(ncid_, found, "scale_factor").value_or(1.0);
        v.offset = NumberAttribute(ncid_, found, "add_offset").value_or(0.0);
        used_[found] = true;
        return v;
    }

    // Values in the model's units; missing ones as NaN.
    void Convert(const Variable& v, std::vector<double>& values) const {
        for (double& x : values) {
            if ((v.fill && x == *v.fill) || (v.missing && x == *v.missing)) {
                x = std::nan("");
                continue;
            }
            x = (x * v.scale + v.offset) * v.unit.scale + v.unit.offset;
        }
    }

    void ReadProfile(const Variable& v, std::size_t first, std::size_t count, std::vector<double>& values) {
        values.resize(count * levels_);
        const std::size_t start[2] = {first, 0};
        const std::size_t extent[2] = {count, levels_};
        Nc(nc_get_vara_double(ncid_, v.id, start, extent, values.data()), "Cannot read " + v.name + " of " + path_);
        Convert(v, values);
    }

    void ReadScalar(const Variable& v, std::size_t first, std::size_t count, std::vector<double>& values) {
        values.resize(count);
        const std::size_t start[1] = {first};
        const std::size_t extent[1] = {count};
        Nc(nc_get_vara_double(ncid_, v.id, start, extent, values.data()), "Cannot read " + v.name + " of " + path_);
        Convert(v, values);
    }

    std::string path_;
    int ncid_ = -1;
    int sceneDim_ = -1, levelDim_ = -1;
    std::size_t scenes_ = 0, levels_ = 0;
    std::array<Variable, kSceneQuantities.size()> vars_;  // in the order of kSceneQuantities
    const Variable& Var(Quantity q) const { return vars_[SceneIndex(q)]; }
    std::map<int, bool> used_;
    std::vector<PassThrough> passThrough_;
    std::vector<int> passThroughIds_;
};

// ---- CSV ----

// The longest line of a CSV scene file: a row names a profile file and five
// numbers, a few hundred bytes; a file without line ends is not read whole.
constexpr std::size_t kMaxCsvLineBytes = std::size_t{1} << 20;
// The UTF-8 byte-order mark that spreadsheets write at the start of a file.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// The distinct profile names whose level counts the first pass keeps at once
// (it starts afresh when full: only a little time is lost, no memory gained).
constexpr std::size_t kCountedProfiles = 4096;

std::vector<std::string> SplitCsv(const std::string& line) {
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false;
    for (char c : line) {
        if (c == '"') quoted = !quoted;
        else if (c == ',' && !quoted) {
            fields.push_back(field);
            field.clear();
        } else field += c;
    }
    fields.push_back(field);
    for (std::string& f : fields) {
        while (!f.empty() && (f.front() == ' ' || f.front() == '\t')) f.erase(f.begin());
        while (!f.empty() && (f.back() == ' ' || f.back() == '\t')) f.pop_back();
    }
    return fields;
}

// Reads one line ending at LF, CR LF or CR alone (old Mac programs), or at the
// end of the file; false at the end. Counts the lines read in number.
bool ReadLine(std::istream& in, std::string& line, std::size_t& number, const std::string& path) {
    line.clear();
    std::streambuf* buffer = in.rdbuf();
    int c = buffer->sbumpc();
    if (c == std::char_traits<char>::eof()) return false;
    ++number;
    for (; c != std::char_traits<char>::eof(); c = buffer->sbumpc()) {
        if (c == '\n') break;
        if (c == '\r') {
            if (buffer->sgetc() == '\n') buffer->sbumpc();
            break;
        }
        if (line.size() == kMaxCsvLineBytes)
            throw BatchError(path + ": line " + std::to_string(number) + " is longer than " +
                             std::to_string(kMaxCsvLineBytes >> 20) + " MiB");
        line += static_cast<char>(c);
    }
    return true;
}

// The profile a CSV row names. A bundled atmosphere's exact name (tropical,
// ...) always means that atmosphere; anything else is a profile file, relative
// to the CSV's folder, so a file of a bundled atmosphere's name is given as
// ./tropical. A file beside the CSV thus never silently replaces a bundled
// atmosphere, nor the reverse.
struct ProfileChoice {
    const StandardAtmosphere* bundled = nullptr;
    std::filesystem::path file;  // when not bundled
    std::string source;          // "bundled:NAME" or "file:PATH", written to the output
};

ProfileChoice ChooseProfile(const std::string& name, const std::filesystem::path& folder) {
    ProfileChoice choice;
    choice.bundled = FindStandardAtmosphere(name);
    if (choice.bundled != nullptr) {
        choice.source = "bundled:" + name;
        return choice;
    }
    choice.file = std::filesystem::path(name);
    if (choice.file.is_relative()) choice.file = folder / choice.file;
    choice.source = "file:" + choice.file.string();
    return choice;
}

ProfileReadResult ReadChosenProfile(const ProfileChoice& choice) {
    return choice.bundled != nullptr ? ParseProfileText(choice.bundled->text) : ReadProfileFile(choice.file.string());
}

// Scenes of a CSV file. Profiles are read a block at a time, each distinct one
// once per block, and dropped with the block: memory follows the block, not the
// number of distinct profiles. A first pass counts the scenes and finds the
// most levels of a profile (kept as numbers only).
class CsvScenes final : public SceneReader {
public:
    // guarded: a file that no profile file may be (see OpenScenes).
    CsvScenes(const std::string& path, const std::string& guarded) : path_(path), in_(path, std::ios::binary) {
        if (!in_.is_open()) throw BatchError("Cannot open the scene file " + path);
        std::error_code ec;
        if (!guarded.empty() && std::filesystem::exists(guarded, ec)) guarded_ = guarded;
        folder_ = std::filesystem::path(path).parent_path();
        std::string header;
        if (!ReadLine(in_, header, line_, path)) throw BatchError(path + ": empty file (a header line is needed)");
        if (header.starts_with(kByteOrderMark)) header.erase(0, kByteOrderMark.size());
        const std::vector<std::string> names = SplitCsv(header);
        auto column = [&](std::initializer_list<const char*> accepted, bool required) {
            for (const char* a : accepted)
                for (std::size_t i = 0; i < names.size(); ++i)
                    if (names[i] == a) return static_cast<int>(i);
            if (required) throw BatchError(path + ": no column " + std::string(*accepted.begin()));
            return -1;
        };
        profile_ = column({InfoOf(Quantity::Profile).variable}, true);
        // The surface: each column by its variable name or its short name.
        for (std::size_t k = 0; k < surface_.size(); ++k) {
            const SceneQuantity& q = kSceneQuantities[kFirstSurface + k];
            surface_[k] = column({InfoOf(q.quantity).variable, InfoOf(q.quantity).shortName}, q.required);
        }
        dataStart_ = in_.tellg();
        dataLine_ = line_;
        CountScenes();
        in_.clear();
        in_.seekg(dataStart_);
        line_ = dataLine_;
    }

    std::size_t SceneCount() const override { return count_; }
    bool HasIncidenceAngle() const override { return surface_.back() >= 0; }
    std::size_t LevelCount() const override { return levels_; }
    bool NamesProfiles() const override { return true; }
    std::vector<std::string> Notes() const override { return notes_; }
    std::vector<std::string> GuardedProfileFiles() const override { return guardedProfiles_; }

    void Read(std::size_t first, std::size_t count, std::vector<Scene>& out) override {
        if (first != next_) throw BatchError(path_ + ": scenes must be read in order");
        out.assign(count, Scene{});
        std::unordered_map<std::string, ProfileReadResult> profiles;  // this block's, each read once
        std::string line;
        for (std::size_t s = 0; s < count;) {
            if (!ReadLine(in_, line, line_, path_)) throw BatchError(path_ + ": the file ended early");
            if (line.empty()) continue;
            const std::vector<std::string> fields = SplitCsv(line);
            Scene& scene = out[s];
            ++s;
            ++next_;
            const std::size_t row = next_;  // from 1
            auto number = [&](int col, const char* name) -> double {
                const std::string text = col >= 0 && col < static_cast<int>(fields.size()) ? fields[col] : "";
                const std::optional<double> v = ParseUserNumber(text, '.');
                if (!v && !scene.failure) {
                    ValidationFailure f;
                    f.input = name;
                    f.value = std::nan("");
                    f.message = "Строка " + std::to_string(row) + ": неверное число в столбце " + name + ": '" + text + "'";
                    scene.failure = f;
                }
                return v.value_or(std::nan(""));
            };
            // The surface, in the order of SceneSurface; the incidence angle only where given.
            double* values[4] = {&scene.surface.seaTemperature, &scene.surface.salinity, &scene.surface.wind,
                                 &scene.surface.azimuth};
            for (std::size_t k = 0; k < 4; ++k)
                *values[k] = number(surface_[k], InfoOf(kSceneQuantities[kFirstSurface + k].quantity).variable);
            const int angle = surface_[4];
            if (angle >= 0 && angle < static_cast<int>(fields.size()) && !fields[angle].empty())
                scene.surface.incidenceAngle = number(angle, InfoOf(Quantity::IncidenceAngle).variable);
            const std::string name = profile_ < static_cast<int>(fields.size()) ? fields[profile_] : "";
            const ProfileChoice choice = ChooseProfile(name, folder_);
            scene.profileSource = choice.source;
            auto it = profiles.find(name);
            if (it == profiles.end()) it = profiles.emplace(name, ReadChosenProfile(choice)).first;
            const ProfileReadResult& profile = it->second;
            if (profile.ok && static_cast<std::size_t>(profile.profile.levelCount) > levels_) {
                // The file grew after the first pass: the output has no room for its levels.
                if (!scene.failure) {
                    ValidationFailure f;
                    f.input = "profile";
                    f.message = "Строка " + std::to_string(row) + ": файл профиля " + choice.file.string() +
                                " изменился во время расчёта: в нём " + std::to_string(profile.profile.levelCount) +
                                " уровней, а в начале расчёта было не больше " + std::to_string(levels_) + ".";
                    scene.failure = f;
                }
            } else if (profile.ok) {
                scene.profile = profile.profile;
                scene.levelIndex.resize(profile.profile.levelCount);
                std::iota(scene.levelIndex.begin(), scene.levelIndex.end(), 0);
            } else if (!scene.failure) {
                ValidationFailure f = profile.failure ? *profile.failure : ValidationFailure{};
                f.input = f.input.empty() ? "profile" : f.input;
                f.message = "Строка " + std::to_string(row) + ": " + profile.message;
                scene.failure = f;
            }
        }
    }

private:
    // The first pass: the scenes, the most levels of a profile, a note for
    // each bundled name that a file beside the CSV also bears, and the profile
    // files that are the guarded file (every profile file the run reads is
    // named by some row, so each is looked at here, before anything is computed).
    void CountScenes() {
        std::unordered_map<std::string, std::size_t> levels;  // per profile name; 0 when refused
        std::set<std::string> noted;
        std::string line;
        while (ReadLine(in_, line, line_, path_)) {
            if (line.empty()) continue;
            ++count_;
            const std::vector<std::string> fields = SplitCsv(line);
            const std::string name = profile_ < static_cast<int>(fields.size()) ? fields[profile_] : "";
            auto it = levels.find(name);
            if (it == levels.end()) {
                if (levels.size() == kCountedProfiles) levels.clear();
                const ProfileChoice choice = ChooseProfile(name, folder_);
                const ProfileReadResult r = ReadChosenProfile(choice);
                it = levels.emplace(name, r.ok ? static_cast<std::size_t>(r.profile.levelCount) : 0).first;
                std::error_code ec;
                if (choice.bundled != nullptr && noted.insert(name).second &&
                    std::filesystem::exists(folder_ / name, ec))
                    notes_.push_back(path_ + " names \"" + name + "\": the bundled atmosphere is used, not the file " +
                                     (folder_ / name).string() + " (write ./" + name + " for the file)");
                if (choice.bundled == nullptr) Guard(choice.file.string());
            }
            levels_ = std::max(levels_, it->second);
        }
    }

    // Keeps file when it is the guarded file (through any link), once.
    void Guard(const std::string& file) {
        if (guarded_.empty() || !SameFileAmong(guarded_, {file})) return;
        if (std::find(guardedProfiles_.begin(), guardedProfiles_.end(), file) == guardedProfiles_.end())
            guardedProfiles_.push_back(file);
    }

    std::string path_;
    std::ifstream in_;
    std::filesystem::path folder_;
    std::streampos dataStart_;
    std::size_t line_ = 0, dataLine_ = 0;  // lines read, from 1
    std::size_t count_ = 0;
    std::size_t levels_ = 0;
    std::size_t next_ = 0;
    int profile_ = -1;
    // The columns of the surface quantities of kSceneQuantities (sea
    // temperature, salinity, wind, azimuth, incidence angle); -1: none.
    std::array<int, kSceneQuantities.size() - kFirstSurface> surface_{};
    std::vector<std::string> notes_;
    std::string guarded_;                       // a file no profile may be (empty: none)
    std::vector<std::string> guardedProfiles_;  // the profile files that are it
};

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

void ScenesFromArrays(const SceneArrays& a, std::vector<Scene>& out) {
    out.assign(a.scenes, Scene{});
    const std::size_t L = a.levels;
    for (std::size_t s = 0; s < a.scenes; ++s) {
        Scene& scene = out[s];
        scene.surface = {a.seaTemperature[s], a.salinity[s], a.wind[s], a.azimuth[s], std::nullopt};
        if (a.angle != nullptr && !std::isnan(a.angle[s])) scene.surface.incidenceAngle = a.angle[s];
        const double values[4] = {a.seaTemperature[s], a.salinity[s], a.wind[s], a.azimuth[s]};
        for (int k = 0; k < 4; ++k)
            if (std::isnan(values[k]) && !scene.failure) scene.failure = Missing(a.names[k], 0);
        ProfileStore& profile = scene.profile;
        // Room for every level at once: growing by doubling could take twice the
        // memory a block is planned with (block_plan.h).
        for (std::vector<double>* v : {&profile.height, &profile.airTemperature, &profile.pressure,
                                       &profile.absoluteHumidity, &profile.cloudWater})
            v->reserve(L);
        scene.levelIndex.reserve(L);
        for (std::size_t l = 0; l < L; ++l) {
            const std::size_t i = s * L + l;
            if (std::isnan(a.height[i])) continue;  // no level here
            const double T = a.temperature[i], pa = a.pressure[i] * 100.0;  // K, Pa
            const double q = a.humidity[i];
            const double w = a.cloud != nullptr ? a.cloud[i] : 0.0;
            double rho = q;
            double cloud = w;
            if (a.humidityIsFraction) rho = q * MoistAirDensityFromSpecificHumidity(q, T, pa) * 1000.0;
            if (a.cloud != nullptr && a.cloudIsFraction) {
                const double air = a.humidityIsFraction ? MoistAirDensityFromSpecificHumidity(q, T, pa)
                                                        : MoistAirDensityFromVapour(q, T, pa);
                cloud = w * air * 1000.0;
            }
            scene.levelIndex.push_back(static_cast<int>(l));
            profile.height.push_back(a.height[i]);
            profile.airTemperature.push_back(T);
            profile.pressure.push_back(a.pressure[i]);
            profile.absoluteHumidity.push_back(rho);
            profile.cloudWater.push_back(cloud);
        }
        profile.levelCount = static_cast<int>(profile.height.size());
        if (!scene.failure) scene.failure = CheckProfile(profile);
    }
}

std::unique_ptr<SceneReader> OpenScenes(const std::string& path, const std::string& guarded) {
    if (const std::optional<std::string> refusal = NotARegularFile(path, "Scene file")) throw BatchError(*refusal);
    const std::string extension = Lower(std::filesystem::path(path).extension().string());
    if (extension == ".csv") return std::make_unique<CsvScenes>(path, guarded);
    if (extension == ".nc" || extension == ".nc4" || extension == ".cdf" || extension == ".netcdf")
        return std::make_unique<NetcdfScenes>(path);
    throw BatchError("Scene file " + path + ": unknown kind (give a .nc or a .csv file)");
}

std::unique_ptr<SceneReader> OpenScenes(const std::string& path, const SceneOptions& options) {
    return OpenScenes(path, options.guarded);
}

}  // namespace seasky
