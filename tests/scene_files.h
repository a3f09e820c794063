// Scene files written for the tests with the netCDF library.
#pragma once

#include <netcdf.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/records.h"
#include "gtest/gtest.h"

namespace seasky::test {

struct TestScene {
    ProfileStore profile;
    double sst = 293.15;  // in the file's unit
    double salinity = 35.0;
    double wind = 10.0;
    double azimuth = 0.0;
    double angle = 55.0;  // used when the file has incidence angles
};

// How the file writes its variables.
struct SceneFileLayout {
    std::string sstUnits = "K";
    std::string pressureUnits = "hPa";
    double pressureScale = 1.0;  // file value = pressure (hPa) x scale
    std::string humidityName = "mass_concentration_of_water_vapor_in_air";
    std::string humidityUnits = "g m-3";
    std::vector<double> humidityOverride;  // if not empty: the humidity values per scene and level
    bool withCloud = true;
    bool withAngle = false;
    bool withLatitude = true;
    std::string omitVariable;  // a variable to leave out
    std::string omitUnitsOf;   // a variable written without units
    int format = NC_NETCDF4;       // or 0 (classic), NC_64BIT_OFFSET, NC_64BIT_DATA (CDF-5)
    bool unlimitedScenes = false;  // the scene dimension is the record dimension
    bool withQualityFlag = false;  // a short (2-byte) per-scene variable qc, passed through
    int deflateLevel = 0;          // netCDF-4: every variable deflated (with shuffle) at this level
};

inline void NcCheck(int status) { ASSERT_EQ(status, NC_NOERR) << nc_strerror(status); }

inline void PutText(int ncid, int var, const char* name, const std::string& value) {
    NcCheck(nc_put_att_text(ncid, var, name, value.size(), value.c_str()));
}

// Writes scenes (all with the same level count) to path.
inline void WriteSceneFile(const std::string& path, const std::vector<TestScene>& scenes,
                           const SceneFileLayout& layout = {}) {
    int ncid = -1;
    NcCheck(nc_create(path.c_str(), NC_CLOBBER | layout.format, &ncid));
    const std::size_t levels = scenes.empty() ? 1 : scenes[0].profile.levelCount;
    int scene = -1, level = -1;
    NcCheck(nc_def_dim(ncid, "scene", layout.unlimitedScenes ? NC_UNLIMITED : scenes.size(), &scene));
    NcCheck(nc_def_dim(ncid, "level", levels, &level));
    struct Var {
        std::string name, standard, units;
        bool profile;
        int id = -1;
        nc_type type = NC_DOUBLE;
    };
    std::vector<Var> vars = {
        {"z", "height", "m", true},
        {"ta", "air_temperature", "K", true},
        {"pa", "air_pressure", layout.pressureUnits, true},
        {"hus", layout.humidityName, layout.humidityUnits, true},
        {"clw", "mass_concentration_of_cloud_liquid_water_in_air", "g m-3", true},
        {"sst", "sea_surface_temperature", layout.sstUnits, false},
        {"sss", "sea_water_salinity", "1e-3", false},
        {"ws", "wind_speed", "m s-1", false},
        {"relative_wind_direction", "", "degree", false},
        {"eia", "incidence_angle", "degree", false},
        {"qc", "", "1", false, -1, NC_SHORT},
        {"lat", "latitude", "degrees_north", false},
    };
    const int sl[2] = {scene, level};
    for (Var& v : vars) {
        if (v.name == "clw" && !layout.withCloud) continue;
        if (v.name == "eia" && !layout.withAngle) continue;
        if (v.name == "lat" && !layout.withLatitude) continue;
        if (v.name == "qc" && !layout.withQualityFlag) continue;
        if (!layout.omitVariable.empty() && (v.standard == layout.omitVariable || v.name == layout.omitVariable))
            continue;
        NcCheck(nc_def_var(ncid, v.name.c_str(), v.type, v.profile ? 2 : 1, v.profile ? sl : &scene, &v.id));
        if (layout.deflateLevel > 0) NcCheck(nc_def_var_deflate(ncid, v.id, 1, 1, layout.deflateLevel));
        if (!v.standard.empty()) PutText(ncid, v.id, "standard_name", v.standard);
        if (layout.omitUnitsOf.empty() || (v.name != layout.omitUnitsOf && v.standard != layout.omitUnitsOf))
            PutText(ncid, v.id, "units", v.units);
    }
    NcCheck(nc_enddef(ncid));
    for (const Var& v : vars) {
        if (v.id < 0) continue;
        std::vector<double> data;
        for (std::size_t s = 0; s < scenes.size(); ++s) {
            const TestScene& t = scenes[s];
            const ProfileStore& p = t.profile;
            if (v.profile) {
                for (std::size_t l = 0; l < levels; ++l) {
                    if (v.name == "z") data.push_back(p.height[l]);
                    if (v.name == "ta") data.push_back(p.airTemperature[l]);
                    if (v.name == "pa") data.push_back(p.pressure[l] * layout.pressureScale);
                    if (v.name == "hus")
                        data.push_back(layout.humidityOverride.empty() ? p.absoluteHumidity[l]
                                                                       : layout.humidityOverride[s * levels + l]);
                    if (v.name == "clw") data.push_back(p.cloudWater[l]);
                }
            } else {
                if (v.name == "sst") data.push_back(t.sst);
                if (v.name == "sss") data.push_back(t.salinity);
                if (v.name == "ws") data.push_back(t.wind);
                if (v.name == "relative_wind_direction") data.push_back(t.azimuth);
                if (v.name == "eia") data.push_back(t.angle);
                if (v.name == "lat") data.push_back(10.0 + s);
                if (v.name == "qc") data.push_back(static_cast<double>(s % 3));
            }
        }
        // By extent, so that a record dimension grows to the scenes written.
        const std::size_t start[2] = {0, 0};
        const std::size_t count[2] = {scenes.size(), levels};
        if (!scenes.empty()) NcCheck(nc_put_vara_double(ncid, v.id, start, count, data.data()));
    }
    NcCheck(nc_close(ncid));
}

// A variable of a result file, read back with the netCDF library.
inline std::vector<double> ReadDoubles(const std::string& path, const char* name) {
    int ncid = -1, var = -1;
    EXPECT_EQ(nc_open(path.c_str(), NC_NOWRITE, &ncid), NC_NOERR) << path;
    EXPECT_EQ(nc_inq_varid(ncid, name, &var), NC_NOERR) << name;
    int dims = 0;
    nc_inq_varndims(ncid, var, &dims);
    int ids[NC_MAX_VAR_DIMS];
    nc_inq_vardimid(ncid, var, ids);
    std::size_t size = 1;
    for (int d = 0; d < dims; ++d) {
        std::size_t n = 0;
        nc_inq_dimlen(ncid, ids[d], &n);
        size *= n;
    }
    std::vector<double> values(size);
    EXPECT_EQ(nc_get_var_double(ncid, var, values.data()), NC_NOERR) << name;
    nc_close(ncid);
    return values;
}

inline std::vector<std::string> ReadStrings(const std::string& path, const char* name) {
    int ncid = -1, var = -1;
    EXPECT_EQ(nc_open(path.c_str(), NC_NOWRITE, &ncid), NC_NOERR) << path;
    EXPECT_EQ(nc_inq_varid(ncid, name, &var), NC_NOERR) << name;
    int dim = -1;
    nc_inq_vardimid(ncid, var, &dim);
    std::size_t n = 0;
    nc_inq_dimlen(ncid, dim, &n);
    std::vector<char*> raw(n);
    EXPECT_EQ(nc_get_var_string(ncid, var, raw.data()), NC_NOERR);
    std::vector<std::string> values;
    for (char* s : raw) values.emplace_back(s != nullptr ? s : "");
    nc_free_string(n, raw.data());
    nc_close(ncid);
    return values;
}

// A text attribute of a variable (variable empty: a global attribute); empty when absent.
inline std::string AttributeText(const std::string& path, const char* variable, const char* name) {
    int ncid = -1;
    EXPECT_EQ(nc_open(path.c_str(), NC_NOWRITE, &ncid), NC_NOERR);
    int var = NC_GLOBAL;
    std::size_t length = 0;
    std::string text;
    if ((*variable == '\0' || nc_inq_varid(ncid, variable, &var) == NC_NOERR) &&
        nc_inq_attlen(ncid, var, name, &length) == NC_NOERR) {
        text.resize(length);
        nc_get_att_text(ncid, var, name, text.data());
    }
    nc_close(ncid);
    return text;
}

inline std::string GlobalText(const std::string& path, const char* name) { return AttributeText(path, "", name); }

}  // namespace seasky::test
