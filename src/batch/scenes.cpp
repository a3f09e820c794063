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
#include "batch/field_file.h"
#include "batch/field_scenes.h"
#include "batch/input_file.h"
#include "batch/netcdf_library.h"
#include "batch/netcdf_extent.h"
#include "batch/output_file.h"
#include "batch/units.h"
#include "atmosphere/humidity.h"
#include "surface/wind_vector.h"
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
                // A sounding file's notes (what its reader converted, left out
                // or assumed), once per file.
                if (!r.notes.empty() && noted.insert(name).second)
                    for (const std::string& note : r.notes) notes_.push_back(choice.file.string() + ": " + note);
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

namespace {

// One level of a scene as read, before it is checked.
struct ReadLevel {
    double height, temperature, pressure, humidity, cloud;
    int index;  // the file's level
};

// The surface of scene s: the values given, the wind from its vector where
// asked; a missing value becomes the scene's refusal.
void SurfaceOf(const SceneArrays& a, std::size_t s, Scene& scene) {
    const double salinity = a.salinity != nullptr ? a.salinity[s] : a.salinityValue;
    double wind = a.wind != nullptr ? a.wind[s] : std::nan("");
    double azimuth = a.azimuth != nullptr ? a.azimuth[s] : std::nan("");
    if (a.wind == nullptr && a.windU != nullptr && a.windV != nullptr) {
        const double look = a.lookAzimuth != nullptr ? a.lookAzimuth[s] : a.lookAzimuthValue;
        const SurfaceWind w = SurfaceWindOf(a.windU[s], a.windV[s], look);
        wind = w.speed;
        azimuth = w.azimuth;
    }
    scene.surface = {a.seaTemperature[s], salinity, wind, azimuth, std::nullopt};
    if (a.angle != nullptr && !std::isnan(a.angle[s])) scene.surface.incidenceAngle = a.angle[s];
    const double values[4] = {a.seaTemperature[s], salinity, wind, azimuth};
    for (int k = 0; k < 4; ++k)
        if (std::isnan(values[k]) && !scene.failure) scene.failure = Missing(a.names[k], 0);
}

// The levels of scene s that the arrays give, humidity and cloud water as
// densities (g/m^3).
std::vector<ReadLevel> LevelsOf(const SceneArrays& a, std::size_t s) {
    const std::size_t L = a.levels;
    std::vector<ReadLevel> levels;
    // Room for every level at once: growing by doubling could take twice the
    // memory a block is planned with (block_plan.h).
    levels.reserve(L + 1);
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
        levels.push_back({a.height[i], T, a.pressure[i], rho, cloud, static_cast<int>(l)});
    }
    return levels;
}

std::string Metres(double m) { return FormatGeneral(std::round(m * 10.0) / 10.0, '.') + " m"; }

// Puts the levels in increasing height, drops those below the sea and adds
// the level at the sea; sets the flags and the note of the profile's extent.
void ShapeProfile(const SceneArrays& a, std::size_t s, std::vector<ReadLevel>& levels, Scene& scene) {
    std::stable_sort(levels.begin(), levels.end(),
                     [](const ReadLevel& x, const ReadLevel& y) { return x.height < y.height; });
    const double sp = a.surfacePressure != nullptr ? a.surfacePressure[s] : std::nan("");
    std::erase_if(levels, [sp](const ReadLevel& l) { return l.height < 0.0 || (!std::isnan(sp) && l.pressure > sp); });
    // The note says what the flags mean; the levels dropped and the level
    // added are the reading's rules (the run's record of its inputs names them).
    std::vector<std::string> notes;
    const bool surfaceGiven = a.surfacePressure != nullptr && a.surfaceAirTemperature != nullptr &&
                              a.surfaceDewPoint != nullptr;
    if (surfaceGiven) {
        const double T = a.surfaceAirTemperature[s], Td = a.surfaceDewPoint[s];
        if (!std::isnan(sp) && !std::isnan(T) && !std::isnan(Td) && (levels.empty() || levels.front().height > 0.0)) {
            const double rho = AbsoluteHumidity(VapourPressureFromDewPoint(Td), T);
            levels.insert(levels.begin(), {0.0, T, sp, rho, 0.0, static_cast<int>(a.levels)});
        }
    }
    if (a.cloud == nullptr) {
        scene.flags |= kStatusNoCloud;
        notes.push_back("no cloud-water variable: computed without cloud");
    }
    if (!levels.empty() && levels.front().height > kProfileStartTolerance) {
        scene.flags |= kStatusStartsHigh;
        notes.push_back("the profile starts " + Metres(levels.front().height) +
                        " above the sea and nothing extended it (the air below is missing)");
    }
    if (scene.surface.wind > 20.0) {
        scene.flags |= kStatusWindExtended;
        notes.push_back("wind " + FormatGeneral(scene.surface.wind, '.') + " m/s beyond 20 m/s");
    }
    for (const std::string& n : notes) scene.note += (scene.note.empty() ? "" : "; ") + n;
    if (!scene.note.empty()) scene.note += ".";
}

}  // namespace

void ScenesFromArrays(const SceneArrays& a, std::vector<Scene>& out) {
    out.assign(a.scenes, Scene{});
    for (std::size_t s = 0; s < a.scenes; ++s) {
        Scene& scene = out[s];
        SurfaceOf(a, s, scene);
        std::vector<ReadLevel> levels = LevelsOf(a, s);
        ShapeProfile(a, s, levels, scene);
        ProfileStore& profile = scene.profile;
        for (std::vector<double>* v : {&profile.height, &profile.airTemperature, &profile.pressure,
                                       &profile.absoluteHumidity, &profile.cloudWater})
            v->reserve(levels.size());
        scene.levelIndex.reserve(levels.size());
        for (const ReadLevel& l : levels) {
            scene.levelIndex.push_back(l.index);
            profile.height.push_back(l.height);
            profile.airTemperature.push_back(l.temperature);
            profile.pressure.push_back(l.pressure);
            profile.absoluteHumidity.push_back(l.humidity);
            profile.cloudWater.push_back(l.cloud);
        }
        profile.levelCount = static_cast<int>(profile.height.size());
        if (!scene.failure) scene.failure = CheckProfile(profile);
    }
}

std::unique_ptr<SceneReader> OpenScenes(const std::string& path, const std::string& guarded) {
    SceneOptions options;
    options.guarded = guarded;
    return OpenScenes(path, options);
}

std::unique_ptr<SceneReader> OpenScenes(const std::string& path, const SceneOptions& options) {
    if (const std::optional<std::string> refusal = NotARegularFile(path, "Scene file")) throw BatchError(*refusal);
    const std::string extension = Lower(std::filesystem::path(path).extension().string());
    if (extension == ".csv") {
        if (!options.surfaceFile.empty())
            throw BatchError("Scene file " + path + ": a surface file (--surface) goes with a NetCDF or GRIB file of "
                             "fields, not with CSV scenes");
        return std::make_unique<CsvScenes>(path, options.guarded);
    }
    const bool fields = IsGribPath(path) || extension == ".nc" || extension == ".nc4" || extension == ".cdf" ||
                        extension == ".netcdf";
    if (!fields) throw BatchError("Scene file " + path + ": unknown kind (give a .nc, .grib or .csv file)");
    std::unique_ptr<FieldFile> surface;
    if (!options.surfaceFile.empty()) {
        if (const std::optional<std::string> refusal = NotARegularFile(options.surfaceFile, "Surface file"))
            throw BatchError(*refusal);
        surface = OpenFields(options.surfaceFile);
    }
    return OpenFieldScenes(OpenFields(path), std::move(surface), options);
}

}  // namespace seasky
