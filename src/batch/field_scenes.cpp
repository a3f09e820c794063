#include "batch/field_scenes.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <map>
#include <set>
#include <sstream>

#include "app/vocabulary.h"
#include "atmosphere/humidity.h"
#include "batch/grid_boxes.h"
#include "batch/netcdf_library.h"
#include "common/number_text.h"

namespace seasky {

// The quantities a scene file may give and how each is recognised (Note 2 of
// the header). Parameter ids and short names: ECMWF parameter database.
const std::array<FieldRoleInfo, kFieldRoleCount> kFieldRoles{{
    {FieldRole::Height, "height", "height", true, UnitKind::Height, "height altitude", "height", {0, 0}, ""},
    {FieldRole::Geopotential, "geopotential", "geopotential", true, UnitKind::Geopotential, "geopotential", "z",
     {129, 0}, "geopotential"},
    {FieldRole::GeopotentialHeight, "geopotentialHeight", "geopotential height", true, UnitKind::Height,
     "geopotential_height", "gh", {156, 0}, "geopotential_height"},
    {FieldRole::AirTemperature, "airTemperature", "air temperature", true, UnitKind::AirTemperature,
     "air_temperature", "air_temperature t", {130, 0}, "air_temperature"},
    {FieldRole::Pressure, "pressure", "air pressure", true, UnitKind::Pressure, "air_pressure", "air_pressure pres",
     {54, 0}, "air_pressure"},
    {FieldRole::Humidity, "humidity", "water vapour", true, UnitKind::Humidity,
     "mass_concentration_of_water_vapor_in_air specific_humidity", "mass_concentration_of_water_vapor_in_air q",
     {133, 0}, "specific_humidity"},
    {FieldRole::CloudWater, "cloud", "cloud liquid water", true, UnitKind::CloudWater,
     "mass_concentration_of_cloud_liquid_water_in_air mass_fraction_of_cloud_liquid_water_in_air",
     "mass_concentration_of_cloud_liquid_water_in_air clwc", {246, 0}, "mass_fraction_of_cloud_liquid_water_in_air"},
    {FieldRole::SeaTemperature, "seaTemperature", "sea surface temperature", false, UnitKind::SeaTemperature,
     "sea_surface_temperature", "sea_surface_temperature sst", {34, 0}, "sea_surface_temperature"},
    {FieldRole::Salinity, "salinity", "sea surface salinity", false, UnitKind::Salinity, "sea_water_salinity",
     "sea_water_salinity sss so", {0, 0}, "sea_water_salinity"},
    {FieldRole::Wind, "wind", "wind speed", false, UnitKind::Speed, "wind_speed", "wind_speed si10", {207, 0},
     "wind_speed"},
    {FieldRole::Azimuth, "azimuth", "relative wind direction", false, UnitKind::Angle, "relative_wind_direction",
     "relative_wind_direction", {0, 0}, ""},
    {FieldRole::IncidenceAngle, "angle", "incidence angle", false, UnitKind::Angle,
     "sensor_zenith_angle incidence_angle", "incidence_angle", {0, 0}, ""},
    {FieldRole::WindU, "windU", "eastward wind at 10 m", false, UnitKind::Speed, "", "u10 10u", {165, 0}, ""},
    {FieldRole::WindV, "windV", "northward wind at 10 m", false, UnitKind::Speed, "", "v10 10v", {166, 0}, ""},
    {FieldRole::LookAzimuth, "lookAzimuth", "sensor look azimuth", false, UnitKind::Angle, "sensor_azimuth_angle",
     "look_azimuth sensor_azimuth", {0, 0}, ""},
    {FieldRole::SurfacePressure, "surfacePressure", "surface pressure", false, UnitKind::Pressure,
     "surface_air_pressure", "sp", {134, 0}, ""},
    {FieldRole::MeanSeaLevelPressure, "meanSeaLevelPressure", "mean sea level pressure", false, UnitKind::Pressure,
     "air_pressure_at_mean_sea_level", "msl", {151, 0}, ""},
    {FieldRole::SurfaceAirTemperature, "surfaceAirTemperature", "2 m air temperature", false,
     UnitKind::AirTemperature, "", "t2m 2t", {167, 0}, ""},
    {FieldRole::SurfaceDewPoint, "surfaceDewPoint", "2 m dew point", false, UnitKind::AirTemperature,
     "dew_point_temperature", "d2m 2d", {168, 0}, ""},
}};

const FieldRoleInfo& RoleInfo(FieldRole role) { return kFieldRoles[static_cast<std::size_t>(role)]; }

namespace {

constexpr std::array<const char*, 6> kLevelDimensionNames{"level", "pressure_level", "isobaricInhPa", "plev", "lev",
                                                          "levelist"};
// Variables that are read and not used, with the reason.
struct Unused {
    long paramId;
    const char* name;
};
constexpr std::array<Unused, 3> kIgnoredWater{{{247, "ciwc"}, {75, "crwc"}, {76, "cswc"}}};

std::vector<std::string> Words(const char* list) {
    std::vector<std::string> words;
    std::istringstream in(list);
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

std::string FileName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

// A quantity's variable as found: its file, index, unit and how its
// dimensions map onto the grid's (-1: the level dimension).
struct Found {
    FieldRole role = FieldRole::Height;
    FieldFile* file = nullptr;
    std::size_t var = 0;
    UnitConversion unit;
    std::string meaning;     // the standard name by which its units were chosen
    std::vector<int> gridOf;  // per dimension of the variable
    const FieldVariable& Variable() const { return file->Variables()[var]; }
};

// Why a quantity could not be used, or where it was passed over.
struct Problem {
    FieldRole role;
    std::string text;
};

std::string Describe(const FieldVariable& v, const std::string& file) {
    std::string d = v.name + " [";
    if (!v.standardName.empty() && v.standardName != "unknown") d += v.standardName;
    else if (!v.longName.empty()) d += v.longName;
    else d += v.standardName.empty() ? "no standard_name" : "standard_name unknown";
    d += ", " + (v.units.empty() ? std::string("no units") : v.units);
    if (v.paramId) d += ", paramId " + std::to_string(*v.paramId);
    return d + "] of " + FileName(file);
}

std::string DimsText(const std::vector<std::string>& dims) {
    std::string t = "(";
    for (std::size_t k = 0; k < dims.size(); ++k) t += (k ? ", " : "") + dims[k];
    return t + ")";
}

// How the values of a variable become the quantity, in words (the docs give the formulas).
std::string ConversionText(FieldRole role, const Found& f) {
    const bool fraction = f.unit.massFraction;
    switch (role) {
        case FieldRole::Geopotential:
            return "height = r0 H / (r0 - H), H = z / g0 (U.S. Standard Atmosphere 1976: g0 = 9.80665 m s-2, "
                   "r0 = 6356766 m)";
        case FieldRole::GeopotentialHeight:
            return "height = r0 H / (r0 - H), H the geopotential height (U.S. Standard Atmosphere 1976: r0 = 6356766 m)";
        case FieldRole::Humidity:
            return fraction ? "absolute humidity = q rho_air, rho_air = p / (R_d T (1 + q (1/eps - 1))), R_d = 287.05 "
                              "J kg-1 K-1, eps = 0.62198"
                            : "absolute humidity from " + f.unit.canonical;
        case FieldRole::CloudWater:
            return fraction ? "cloud water = w rho_air, rho_air the moist air's density (as for humidity)"
                            : "cloud water from " + f.unit.canonical;
        case FieldRole::WindU:
        case FieldRole::WindV:
            return "wind = hypot(u10, v10), relative azimuth = (atan2(-u10, -v10) - look azimuth) mod 360 (0 = "
                   "looking upwind)";
        case FieldRole::SurfacePressure:
        case FieldRole::MeanSeaLevelPressure:
        case FieldRole::SurfaceAirTemperature:
        case FieldRole::SurfaceDewPoint:
            return "the level added at the sea (0 m): p = sp, T = t2m, absolute humidity = e(d2m) / (R_v t2m), "
                   "e(Td) = 6.112 exp(17.67 (Td - 273.15) / (Td - 29.65)) hPa (Bolton 1980)";
        default:
            return "from " + f.unit.canonical;
    }
}

class FieldScenes final : public SceneReader {
public:
    FieldScenes(std::unique_ptr<FieldFile> levels, std::unique_ptr<FieldFile> surface, const SceneOptions& options)
        : levelFile_(std::move(levels)), surfaceFile_(std::move(surface)), options_(options) {
        FindLevelDimension();
        FindGrid();
        std::vector<Problem> problems;
        for (const FieldRoleInfo& info : kFieldRoles) found_[Index(info.role)] = Identify(info, problems);
        Decide(problems);
        FindPassThrough();
        CheckExtents();
        ReadCoordinates();
    }

    std::size_t SceneCount() const override { return scenes_; }
    bool HasIncidenceAngle() const override { return Has(FieldRole::IncidenceAngle); }
    std::size_t LevelCount() const override { return levels_ + (surfaceLevel_ ? 1 : 0); }
    std::vector<GridDimension> Grid() const override { return grid_; }
    std::vector<std::string> Notes() const override { return notes_; }
    std::vector<InputSource> Sources() const override { return sources_; }
    std::vector<PassThrough> PassThroughVariables() const override { return passThrough_; }
    std::vector<PassThrough> Coordinates() const override { return coordinates_; }
    std::vector<std::pair<std::string, std::string>> UsedVariables() const override {
        std::vector<std::pair<std::string, std::string>> used;
        for (std::size_t r = 0; r < kFieldRoleCount; ++r)
            if (used_[r]) used.push_back({found_[r]->file->Path(), found_[r]->Variable().name});
        if (coordinatePressure_) used.push_back({levelFile_->Path(), coordinatePressure_->Variable().name});
        return used;
    }
    std::string LevelDimension() const override { return levelDim_; }

    void Read(std::size_t first, std::size_t count, std::vector<Scene>& out) override {
        out.assign(count, Scene{});
        if (count == 0) return;
        std::array<std::vector<double>, kFieldRoleCount> v;
        for (std::size_t r = 0; r < kFieldRoleCount; ++r)
            if (used_[r]) v[r] = ReadRole(*found_[r], first, count);
        if (pressureFromCoordinate_) v[Index(FieldRole::Pressure)] = ReadRole(*coordinatePressure_, first, count);
        auto data = [&v](FieldRole r) { return v[Index(r)].empty() ? nullptr : v[Index(r)].data(); };
        SceneArrays a;
        a.scenes = count;
        a.levels = levels_;
        a.height = data(heightRole_);
        a.temperature = data(FieldRole::AirTemperature);
        a.pressure = data(FieldRole::Pressure);
        a.humidity = data(FieldRole::Humidity);
        a.cloud = data(FieldRole::CloudWater);
        a.humidityIsFraction = found_[Index(FieldRole::Humidity)]->unit.massFraction;
        a.cloudIsFraction = a.cloud != nullptr && found_[Index(FieldRole::CloudWater)]->unit.massFraction;
        a.seaTemperature = data(FieldRole::SeaTemperature);
        a.salinity = data(FieldRole::Salinity);
        a.salinityValue = options_.salinity.value_or(std::nan(""));
        a.wind = data(FieldRole::Wind);
        a.azimuth = data(FieldRole::Azimuth);
        a.windU = data(FieldRole::WindU);
        a.windV = data(FieldRole::WindV);
        a.lookAzimuth = data(FieldRole::LookAzimuth);
        a.lookAzimuthValue = options_.lookAzimuth.value_or(std::nan(""));
        a.angle = data(FieldRole::IncidenceAngle);
        if (surfaceLevel_) {
            a.surfacePressure = data(surfacePressureRole_);
            a.surfaceAirTemperature = data(FieldRole::SurfaceAirTemperature);
            a.surfaceDewPoint = data(FieldRole::SurfaceDewPoint);
        }
        a.names[0] = NameOf(FieldRole::SeaTemperature);
        a.names[1] = Has(FieldRole::Salinity) ? NameOf(FieldRole::Salinity) : std::string("salinity");
        a.names[2] = Has(FieldRole::Wind) ? NameOf(FieldRole::Wind) : NameOf(FieldRole::WindU) + "/" + NameOf(FieldRole::WindV);
        a.names[3] = Has(FieldRole::Azimuth) ? NameOf(FieldRole::Azimuth) : std::string("look azimuth");
        ScenesFromArrays(a, out);
    }

    void ReadPassThrough(std::size_t first, std::size_t count, std::vector<PassThrough>& vars) override {
        for (std::size_t k = 0; k < vars.size() && k < passThroughFrom_.size(); ++k) {
            PassThrough& v = vars[k];
            v.data.assign(count * v.valueBytes, 0);
            const auto [file, index] = passThroughFrom_[k];
            for (const GridBox& box : BoxesOfRange(shape_, first, count))
                file->ReadStored(index, box.start, box.count, v.data.data() + (box.first - first) * v.valueBytes);
        }
    }

private:
    static std::size_t Index(FieldRole r) { return static_cast<std::size_t>(r); }
    bool Has(FieldRole r) const { return used_[Index(r)]; }
    std::string NameOf(FieldRole r) const {
        return found_[Index(r)] ? found_[Index(r)]->Variable().name : std::string(RoleInfo(r).key);
    }
    std::vector<FieldFile*> Files() const {
        std::vector<FieldFile*> files{levelFile_.get()};
        if (surfaceFile_) files.push_back(surfaceFile_.get());
        return files;
    }
    std::string FilesText() const {
        return levelFile_->Path() + (surfaceFile_ ? " with " + surfaceFile_->Path() : std::string());
    }

    void FindLevelDimension() {
        const std::vector<FieldDimension>& dims = levelFile_->Dimensions();
        auto has = [&dims](const std::string& n) {
            return std::any_of(dims.begin(), dims.end(), [&n](const FieldDimension& d) { return d.name == n; });
        };
        if (!options_.levelDim.empty()) {
            if (!has(options_.levelDim))
                throw BatchError(levelFile_->Path() + ": no dimension \"" + options_.levelDim + "\" (its dimensions: " +
                                 DimensionList() + ")");
            levelDim_ = options_.levelDim;
        } else {
            for (const char* n : kLevelDimensionNames)
                if (levelDim_.empty() && has(n)) levelDim_ = n;
            if (levelDim_.empty())
                throw BatchError(levelFile_->Path() + ": no level dimension (looked for level, pressure_level, "
                                 "isobaricInhPa, plev, lev, levelist; its dimensions: " + DimensionList() +
                                 "): name it with --level-dim");
        }
        for (const FieldDimension& d : dims)
            if (d.name == levelDim_) levels_ = d.size;
        // No profile has more levels than the validation table allows; a longer
        // level dimension, which a header of a few bytes can declare, would make
        // every block of scenes that many values long.
        const double maxLevels = QuantityOf(Checked::LevelCount).upper;
        if (static_cast<double>(levels_) > maxLevels)
            throw BatchError(levelFile_->Path() + ": the dimension \"" + levelDim_ + "\" has " +
                             std::to_string(levels_) + " levels, more than the " + FormatGeneral(maxLevels, '.') +
                             " a profile may have");
    }

    std::string DimensionList() const {
        std::string t;
        for (const FieldDimension& d : levelFile_->Dimensions())
            t += (t.empty() ? "" : ", ") + d.name + " " + std::to_string(d.size);
        return t.empty() ? "none" : t;
    }

    // The grid: the dimensions of the air temperature but the level one.
    void FindGrid() {
        const FieldRoleInfo& info = RoleInfo(FieldRole::AirTemperature);
        const FieldVariable* t = nullptr;
        for (const std::string& n : Words(info.standardNames))
            for (const FieldVariable& v : levelFile_->Variables())
                if (t == nullptr && v.standardName == n && HasLevel(v)) t = &v;
        for (const FieldVariable& v : levelFile_->Variables())
            if (t == nullptr && v.paramId == info.paramIds[0] && HasLevel(v)) t = &v;
        for (const std::string& n : Words(info.names))
            for (const FieldVariable& v : levelFile_->Variables())
                if (t == nullptr && v.name == n && HasLevel(v)) t = &v;
        // Without a temperature (named as missing later, with whatever else
        // is), the grid is that of the first variable with the level dimension
        // and another.
        for (const FieldVariable& v : levelFile_->Variables())
            if (t == nullptr && HasLevel(v) && v.dims.size() > 1) t = &v;
        if (t == nullptr)
            throw BatchError(levelFile_->Path() + ": no profiles: no variable has the level dimension \"" + levelDim_ +
                             "\" and another (air temperature looked for by standard_name air_temperature, paramId "
                             "130, names air_temperature, t)");
        for (std::size_t k = 0; k < t->dims.size(); ++k)
            if (t->dims[k] != levelDim_) {
                grid_.push_back({t->dims[k], t->shape[k]});
                shape_.push_back(t->shape[k]);
            }
        // A header of a few bytes can declare dimensions whose product is more
        // scenes than any count holds.
        scenes_ = 1;
        for (std::size_t n : shape_) {
            if (n != 0 && scenes_ > std::numeric_limits<std::size_t>::max() / n)
                throw BatchError(levelFile_->Path() + ": the grid " + DimensionList() + " holds more scenes than can be counted");
            scenes_ *= n;
        }
    }
    bool HasLevel(const FieldVariable& v) const {
        return std::find(v.dims.begin(), v.dims.end(), levelDim_) != v.dims.end();
    }

    // The grid dimension of a name, or -1 (level) / -2 (neither).
    int GridIndex(const std::string& dim) const {
        if (dim == levelDim_) return -1;
        for (std::size_t g = 0; g < grid_.size(); ++g)
            if (grid_[g].name == dim) return static_cast<int>(g);
        return -2;
    }

    // Whether a candidate's dimensions fit the role; why not, when not.
    std::optional<std::string> Misfit(const FieldRoleInfo& info, const FieldVariable& v) const {
        const bool level = HasLevel(v);
        if (info.perLevel != level)
            return v.name + " " + DimsText(v.dims) + (level ? " has" : " lacks") + " the level dimension " + levelDim_;
        for (std::size_t k = 0; k < v.dims.size(); ++k) {
            const int g = GridIndex(v.dims[k]);
            if (g == -2) return v.name + " " + DimsText(v.dims) + " has a dimension " + v.dims[k] + " the grid lacks";
            const std::size_t size = g == -1 ? levels_ : grid_[g].size;
            if (v.shape[k] != size)
                return v.name + ": its dimension " + v.dims[k] + " has " + std::to_string(v.shape[k]) + " values, the grid's " +
                       std::to_string(size);
        }
        return std::nullopt;
    }

    // The variable of a role (Note 2), with its unit; problems collects what was passed over or unusable.
    std::optional<Found> Identify(const FieldRoleInfo& info, std::vector<Problem>& problems) {
        std::vector<FieldFile*> files = Files();
        if (!info.perLevel && surfaceFile_) std::swap(files[0], files[1]);
        if (info.perLevel) files.resize(1);
        std::vector<std::pair<FieldFile*, std::size_t>> candidates;
        std::vector<std::string> meanings;
        auto add = [&](FieldFile* f, std::size_t k, const std::string& meaning) {
            for (const auto& c : candidates)
                if (c.first == f && c.second == k) return;
            candidates.push_back({f, k});
            meanings.push_back(meaning);
        };
        for (FieldFile* f : files) {
            const std::vector<FieldVariable>& vars = f->Variables();
            for (const std::string& n : Words(info.standardNames))
                for (std::size_t k = 0; k < vars.size(); ++k)
                    if (vars[k].standardName == n) add(f, k, n);
            for (std::size_t k = 0; k < vars.size(); ++k)
                for (long id : info.paramIds)
                    if (id != 0 && vars[k].paramId == id) add(f, k, info.impliedStandardName);
            const std::vector<std::string> names = Words(info.names);
            for (std::size_t n = 0; n < names.size(); ++n)
                for (std::size_t k = 0; k < vars.size(); ++k)
                    if (vars[k].name == names[n]) {
                        const bool own = n == 0 && !vars[k].standardName.empty() && vars[k].standardName != "unknown";
                        add(f, k, own ? vars[k].standardName : n == 0 ? names[n] : std::string(info.impliedStandardName));
                    }
        }
        for (std::size_t c = 0; c < candidates.size(); ++c) {
            FieldFile* f = candidates[c].first;
            const FieldVariable& v = f->Variables()[candidates[c].second];
            if (const std::optional<std::string> misfit = Misfit(info, v)) {
                problems.push_back({info.role, "passed over " + *misfit});
                continue;
            }
            if (v.units.empty()) {
                problems.push_back({info.role, v.name + ": no units attribute (" + Describe(v, f->Path()) + ")"});
                return std::nullopt;
            }
            std::string accepted;
            const std::optional<UnitConversion> unit =
                ConversionForVariable(info.kind, v.units, meanings[c], &accepted);
            if (!unit) {
                problems.push_back({info.role, v.name + " of " + FileName(f->Path()) + ": units \"" + v.units +
                                                   "\" are not accepted for " + meanings[c] + " (accepted: " + accepted + ")"});
                return std::nullopt;
            }
            Found found{info.role, f, candidates[c].second, *unit, meanings[c], {}};
            for (const std::string& d : v.dims) found.gridOf.push_back(GridIndex(d));
            return found;
        }
        return std::nullopt;
    }

    void Use(FieldRole r) {
        used_[Index(r)] = true;
        const Found& f = *found_[Index(r)];
        const bool height = r == FieldRole::Geopotential || r == FieldRole::GeopotentialHeight;
        sources_.push_back({height ? "height" : RoleInfo(r).key,
                            Describe(f.Variable(), f.file->Path()) + ": " + ConversionText(r, f)});
    }

    std::string LookedFor(FieldRole r) const {
        const FieldRoleInfo& info = RoleInfo(r);
        std::string t;
        for (const std::string& n : Words(info.standardNames)) t += (t.empty() ? "" : ", ") + ("standard_name " + n);
        for (long id : info.paramIds)
            if (id != 0) t += (t.empty() ? "" : ", ") + ("paramId " + std::to_string(id));
        for (const std::string& n : Words(info.names)) t += (t.empty() ? "" : ", ") + ("name " + n);
        return t;
    }

    // Which roles are used, the options against the file; one message for
    // everything missing.
    void Decide(const std::vector<Problem>& problems);
    void DecideWind(std::vector<std::string>& missing);
    void DecideSurfaceLevel();
    void FindPassThrough();
    void CheckExtents() const;
    void ReadCoordinates();
    std::vector<double> ReadRole(const Found& f, std::size_t first, std::size_t count);
    std::string MissingText(FieldRole r, const std::vector<Problem>& problems, const std::string& extra = "") const;

    std::unique_ptr<FieldFile> levelFile_, surfaceFile_;
    SceneOptions options_;
    std::string levelDim_;
    std::size_t levels_ = 0;
    std::vector<GridDimension> grid_;
    std::vector<std::size_t> shape_;
    std::size_t scenes_ = 0;
    std::array<std::optional<Found>, kFieldRoleCount> found_;
    std::array<bool, kFieldRoleCount> used_{};
    FieldRole heightRole_ = FieldRole::Height;
    FieldRole surfacePressureRole_ = FieldRole::SurfacePressure;
    bool surfaceLevel_ = false;
    bool pressureFromCoordinate_ = false;
    std::optional<Found> coordinatePressure_;
    std::vector<std::string> notes_;
    std::vector<InputSource> sources_;
    std::vector<PassThrough> passThrough_, coordinates_;
    std::vector<std::pair<FieldFile*, std::size_t>> passThroughFrom_, coordinatesFrom_;
};

std::string FieldScenes::MissingText(FieldRole r, const std::vector<Problem>& problems, const std::string& extra) const {
    std::string t = "  - " + std::string(RoleInfo(r).what) + " (" + RoleInfo(r).key + "): looked for " + LookedFor(r);
    for (const Problem& p : problems)
        if (p.role == r) t += "; " + p.text;
    return t + extra + "\n";
}

void FieldScenes::Decide(const std::vector<Problem>& problems) {
    std::vector<std::string> missing;
    auto has = [this](FieldRole r) { return found_[Index(r)].has_value(); };
    // Height: a height, else a geopotential, else a geopotential height.
    for (FieldRole r : {FieldRole::Height, FieldRole::Geopotential, FieldRole::GeopotentialHeight})
        if (!used_[Index(FieldRole::Height)] && !used_[Index(FieldRole::Geopotential)] && has(r)) {
            heightRole_ = r;
            Use(r);
        }
    if (!Has(heightRole_))
        missing.push_back(MissingText(FieldRole::Height, problems) + MissingText(FieldRole::Geopotential, problems));
    for (FieldRole r : {FieldRole::AirTemperature, FieldRole::Humidity, FieldRole::SeaTemperature}) {
        if (has(r)) Use(r);
        else missing.push_back(MissingText(r, problems));
    }
    if (has(FieldRole::Pressure)) Use(FieldRole::Pressure);
    else if (const std::optional<std::size_t> k = levelFile_->Find(levelDim_);
             k && levelFile_->Variables()[*k].dims == std::vector<std::string>{levelDim_} &&
             ConversionOf(UnitKind::Pressure, levelFile_->Variables()[*k].units)) {
        coordinatePressure_ = Found{FieldRole::Pressure, levelFile_.get(), *k, *ConversionOf(UnitKind::Pressure, levelFile_->Variables()[*k].units),
                                    "air_pressure", {-1}};
        pressureFromCoordinate_ = true;
        sources_.push_back({"pressure", Describe(coordinatePressure_->Variable(), levelFile_->Path()) +
                                            ": the pressure of every scene's level, the level coordinate"});
    } else missing.push_back(MissingText(FieldRole::Pressure, problems, "; nor a coordinate variable " + levelDim_ + " in units of pressure"));
    if (has(FieldRole::CloudWater)) Use(FieldRole::CloudWater);
    else notes_.push_back(FilesText() + ": no cloud-water variable (looked for " + LookedFor(FieldRole::CloudWater) +
                          "): every scene is computed without cloud and flagged");
    // Salinity: a field or one value, not both.
    if (has(FieldRole::Salinity) && options_.salinity)
        throw BatchError(FilesText() + ": both a salinity variable (" + NameOf(FieldRole::Salinity) +
                         ") and a salinity for every scene (--salinity; Python: salinity=) are given: give one");
    if (has(FieldRole::Salinity)) Use(FieldRole::Salinity);
    else if (options_.salinity)
        sources_.push_back({"salinity", FormatGeneral(*options_.salinity, '.') + " per mille for every scene (--salinity)"});
    else missing.push_back(MissingText(FieldRole::Salinity, problems,
                                       "; give a salinity field in the scene file, or one salinity for every scene "
                                       "with --salinity PSU (Python: salinity=)"));
    DecideWind(missing);
    if (has(FieldRole::IncidenceAngle)) Use(FieldRole::IncidenceAngle);
    if (!missing.empty()) {
        std::string message = FilesText() + ": cannot make the scenes; missing or unusable:\n";
        for (const std::string& m : missing) message += m;
        if (!sources_.empty()) message += "found:\n";
        for (const InputSource& s : sources_) message += "  - " + s.quantity + ": " + s.source + "\n";
        message.pop_back();
        throw BatchError(message);
    }
    DecideSurfaceLevel();
    for (FieldFile* f : Files())
        for (const FieldVariable& v : f->Variables())
            for (const Unused& u : kIgnoredWater)
                if ((v.paramId && *v.paramId == u.paramId) || v.name == u.name)
                    notes_.push_back(Describe(v, f->Path()) +
                                     " is not used: the model's cloud is liquid water; ice, rain and snow are not modelled");
}

void FieldScenes::DecideWind(std::vector<std::string>& missing) {
    auto has = [this](FieldRole r) { return found_[Index(r)].has_value(); };
    if (has(FieldRole::Azimuth) || (has(FieldRole::Wind) && !(has(FieldRole::WindU) && has(FieldRole::WindV)))) {
        if (options_.lookAzimuth)
            throw BatchError(FilesText() + ": a look azimuth (--look-azimuth) is given, but the scenes give the "
                             "relative wind direction itself: drop the option");
        for (FieldRole r : {FieldRole::Wind, FieldRole::Azimuth}) {
            if (has(r)) Use(r);
            else missing.push_back(MissingText(r, {}));
        }
        return;
    }
    if (has(FieldRole::WindU) && has(FieldRole::WindV)) {
        Use(FieldRole::WindU);
        Use(FieldRole::WindV);
        if (has(FieldRole::LookAzimuth) && options_.lookAzimuth)
            throw BatchError(FilesText() + ": both a look-azimuth variable (" + NameOf(FieldRole::LookAzimuth) +
                             ") and --look-azimuth are given: give one");
        if (has(FieldRole::LookAzimuth)) Use(FieldRole::LookAzimuth);
        else if (options_.lookAzimuth)
            sources_.push_back({"lookAzimuth", FormatGeneral(*options_.lookAzimuth, '.') +
                                                   " degrees clockwise from north, sensor to footprint, for every scene (--look-azimuth)"});
        else missing.push_back(MissingText(FieldRole::LookAzimuth, {},
                                           "; the wind is given as u10/v10: its direction relative to the look needs the "
                                           "sensor's look azimuth: a variable, or --look-azimuth DEG for every scene "
                                           "(Python: look_azimuth=)"));
        return;
    }
    missing.push_back("  - wind: wind_speed and relative_wind_direction, or u10 and v10 (paramIds 165, 166) with a "
                      "look azimuth; found " + std::string(has(FieldRole::Wind) ? "wind speed " : "") +
                      (has(FieldRole::WindU) ? "u10 " : "") + (has(FieldRole::WindV) ? "v10 " : "") + "only\n");
}

void FieldScenes::DecideSurfaceLevel() {
    auto has = [this](FieldRole r) { return found_[Index(r)].has_value(); };
    if (!has(FieldRole::SurfacePressure) && has(FieldRole::MeanSeaLevelPressure))
        surfacePressureRole_ = FieldRole::MeanSeaLevelPressure;
    const bool any = has(surfacePressureRole_) || has(FieldRole::SurfaceAirTemperature) || has(FieldRole::SurfaceDewPoint);
    if (has(surfacePressureRole_) && has(FieldRole::SurfaceAirTemperature) && has(FieldRole::SurfaceDewPoint)) {
        surfaceLevel_ = true;
        for (FieldRole r : {surfacePressureRole_, FieldRole::SurfaceAirTemperature, FieldRole::SurfaceDewPoint}) Use(r);
        if (surfacePressureRole_ == FieldRole::MeanSeaLevelPressure)
            notes_.push_back(FilesText() + ": no surface pressure (sp): the mean sea level pressure (msl) is the pressure "
                             "of the level added at the sea");
    } else if (any) {
        std::string lacking;
        if (!has(surfacePressureRole_)) lacking += " sp (or msl)";
        if (!has(FieldRole::SurfaceAirTemperature)) lacking += " t2m";
        if (!has(FieldRole::SurfaceDewPoint)) lacking += " d2m";
        notes_.push_back(FilesText() + ": no level is added at the sea: it needs sp, t2m and d2m, and" + lacking +
                         " is missing");
    }
}

// Every other numeric variable over exactly the grid's dimensions passes
// through; one over some of them (the grid's coordinates) is copied whole.
void FieldScenes::FindPassThrough() {
    std::set<std::string> names;
    for (std::size_t r = 0; r < kFieldRoleCount; ++r)
        if (used_[r]) names.insert(found_[r]->Variable().name);
    std::vector<std::string> gridNames;
    for (const GridDimension& g : grid_) gridNames.push_back(g.name);
    for (FieldFile* f : Files())
        for (std::size_t k = 0; k < f->Variables().size(); ++k) {
            const FieldVariable& v = f->Variables()[k];
            if (v.dims.empty() || names.count(v.name) || v.type == NC_CHAR || v.type >= NC_STRING) continue;
            PassThrough p;
            p.name = v.name;
            p.type = v.type;
            p.valueBytes = v.valueBytes;
            if (f->Kind() == "NetCDF") p.sourceFile = f->Path();
            else {
                p.attributes = v.attributes;
                if (!v.units.empty()) p.attributes.push_back({"units", v.units});
                if (!v.standardName.empty()) p.attributes.push_back({"standard_name", v.standardName});
                if (!v.longName.empty()) p.attributes.push_back({"long_name", v.longName});
            }
            const bool all = v.dims == gridNames;
            const bool some = std::all_of(v.dims.begin(), v.dims.end(), [this](const std::string& d) { return GridIndex(d) >= 0; });
            if (all) {
                names.insert(v.name);
                passThrough_.push_back(p);
                passThroughFrom_.push_back({f, k});
            } else if (some && v.dims.size() == 1) {
                names.insert(v.name);
                p.dims = v.dims;
                coordinates_.push_back(std::move(p));
                coordinatesFrom_.push_back({f, k});
            }
        }
}

// The coordinates' values, once the file is known to hold them.
void FieldScenes::ReadCoordinates() {
    for (std::size_t c = 0; c < coordinates_.size(); ++c) {
        const auto [file, k] = coordinatesFrom_[c];
        const FieldVariable& v = file->Variables()[k];
        coordinates_[c].data.resize(v.shape[0] * v.valueBytes);
        const std::size_t start[1] = {0};
        file->ReadStored(k, start, v.shape, coordinates_[c].data.data());
    }
}

void FieldScenes::CheckExtents() const {
    for (FieldFile* f : Files()) {
        std::vector<std::size_t> read;
        for (std::size_t r = 0; r < kFieldRoleCount; ++r)
            if (used_[r] && found_[r]->file == f) read.push_back(found_[r]->var);
        for (const auto& list : {passThroughFrom_, coordinatesFrom_})
            for (const auto& [file, k] : list)
                if (file == f) read.push_back(k);
        f->CheckExtent(read, scenes_);
    }
}

// The values of a role's variable for scenes [first, first + count): per
// scene, then per level for a profile; in the model's units.
std::vector<double> FieldScenes::ReadRole(const Found& f, std::size_t first, std::size_t count) {
    const FieldVariable& v = f.Variable();
    const bool level = std::find(f.gridOf.begin(), f.gridOf.end(), -1) != f.gridOf.end();
    const std::size_t L = level ? levels_ : 1;
    std::vector<double> out(count * L);
    std::vector<double> box;
    const std::size_t G = grid_.size();
    for (const GridBox& b : BoxesOfRange(shape_, first, count)) {
        std::vector<std::size_t> start(v.dims.size()), extent(v.dims.size());
        for (std::size_t k = 0; k < v.dims.size(); ++k) {
            start[k] = f.gridOf[k] >= 0 ? b.start[f.gridOf[k]] : 0;
            extent[k] = f.gridOf[k] >= 0 ? b.count[f.gridOf[k]] : levels_;
        }
        std::size_t n = 1;
        for (std::size_t e : extent) n *= e;
        box.resize(n);
        f.file->Read(f.var, start, extent, box.data());
        // The strides of the box as read, per grid dimension (0 where the
        // variable lacks it: broadcast) and for the level.
        std::vector<std::size_t> stride(G, 0);
        std::size_t levelStride = 0, s = 1;
        for (std::size_t k = v.dims.size(); k-- > 0;) {
            if (f.gridOf[k] >= 0) stride[f.gridOf[k]] = s;
            else levelStride = s;
            s *= extent[k];
        }
        std::vector<std::size_t> at(G, 0);
        for (std::size_t i = 0; i < b.scenes; ++i) {
            std::size_t offset = 0;
            for (std::size_t g = 0; g < G; ++g) offset += at[g] * stride[g];
            double* target = out.data() + (b.first - first + i) * L;
            for (std::size_t l = 0; l < L; ++l) target[l] = box[offset + l * levelStride];
            for (std::size_t g = G; g-- > 0;) {
                if (++at[g] < b.count[g]) break;
                at[g] = 0;
            }
        }
    }
    // A geopotential (m2 s-2) or a geopotential height (m) becomes a geometric height.
    const double g = f.role == FieldRole::Geopotential ? 1.0 : f.role == FieldRole::GeopotentialHeight ? kStandardGravity : 0.0;
    for (double& x : out) {
        x = x * f.unit.scale + f.unit.offset;
        if (g != 0.0 && !std::isnan(x)) x = GeometricHeightFromGeopotential(x * g);
    }
    return out;
}

}  // namespace

std::unique_ptr<SceneReader> OpenFieldScenes(std::unique_ptr<FieldFile> levels, std::unique_ptr<FieldFile> surface,
                                             const SceneOptions& options) {
    return std::make_unique<FieldScenes>(std::move(levels), std::move(surface), options);
}

}  // namespace seasky
