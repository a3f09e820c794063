// Writes a NetCDF file of scenes for batch runs: the bundled standard
// atmospheres in turn, with a sea surface that varies from scene to scene, and
// time, latitude and longitude to pass through. For benchmarks and examples
// (the README's batch example); the files are generated, never committed.
// Built by the default build as seasky-make-scenes beside seasky.
//
// Usage: seasky-make-scenes <scenes> <output.nc> [--specific-humidity] [--float]
//   --specific-humidity  humidity as specific humidity (kg kg-1) instead of g m-3
//   --float              profile values stored as 32-bit floats (half the size)
#include <netcdf.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/profile_reader.h"
#include "app/standard_atmospheres.h"

namespace {

void Nc(int status, const char* what) {
    if (status != NC_NOERR) {
        std::fprintf(stderr, "seasky-make-scenes: %s: %s\n", what, nc_strerror(status));
        std::exit(1);
    }
}

void Text(int ncid, int var, const char* name, const char* value) {
    Nc(nc_put_att_text(ncid, var, name, std::strlen(value), value), name);
}

int Usage(const char* problem) {
    if (problem != nullptr) std::fprintf(stderr, "seasky-make-scenes: %s\n", problem);
    std::fprintf(stderr, "usage: seasky-make-scenes <scenes> <output.nc> [--specific-humidity] [--float]\n");
    return 1;
}

struct Options {
    std::size_t count = 0;   // scenes
    const char* path = nullptr;
    bool specific = false;   // humidity as specific humidity, kg/kg
    bool single = false;     // profiles as 32-bit floats
};

// The options, or the refusal (empty when they are good).
std::string ParseOptions(int argc, char** argv, Options& o) {
    // The number of scenes: a whole number from 1 (the text whole).
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(argv[1], &end, 10);
    if (end == argv[1] || *end != '\0' || argv[1][0] == '-' || parsed == 0)
        return "the number of scenes must be a whole number from 1, not '" + std::string(argv[1]) + "'";
    o.count = parsed;
    o.path = argv[2];
    for (int i = 3; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--specific-humidity") o.specific = true;
        else if (option == "--float") o.single = true;
        else return "unknown option '" + option + "'";
    }
    return "";
}

// One variable of the file: the five profile quantities (scene, level), then
// the seven per scene.
struct Def {
    const char* name;
    const char* standard;
    const char* units;
    bool profile;
    int id;
};
constexpr std::size_t kVariables = 12;

std::array<Def, kVariables> Variables(bool specific) {
    return {{
        {"height", "height", "m", true, -1},
        {"t", "air_temperature", "K", true, -1},
        {"p", "air_pressure", "hPa", true, -1},
        {"q", specific ? "specific_humidity" : "mass_concentration_of_water_vapor_in_air",
         specific ? "kg kg-1" : "g m-3", true, -1},
        {"clw", "mass_concentration_of_cloud_liquid_water_in_air", "g m-3", true, -1},
        {"sst", "sea_surface_temperature", "K", false, -1},
        {"sss", "sea_water_salinity", "1e-3", false, -1},
        {"wind", "wind_speed", "m s-1", false, -1},
        {"relative_wind_direction", "relative_wind_direction", "degree", false, -1},
        {"lat", "latitude", "degrees_north", false, -1},
        {"lon", "longitude", "degrees_east", false, -1},
        {"time", "time", "seconds since 2026-01-01 00:00:00", false, -1},
    }};
}

void DefineVariables(int ncid, const Options& o, std::size_t levels, std::array<Def, kVariables>& defs) {
    int scene = -1, level = -1;
    Nc(nc_def_dim(ncid, "scene", o.count, &scene), "scene");
    Nc(nc_def_dim(ncid, "level", levels, &level), "level");
    const int sl[2] = {scene, level};
    const nc_type type = o.single ? NC_FLOAT : NC_DOUBLE;
    for (Def& d : defs) {
        Nc(nc_def_var(ncid, d.name, d.profile ? type : NC_DOUBLE, d.profile ? 2 : 1, d.profile ? sl : &scene, &d.id),
           d.name);
        if (d.profile) {
            const std::size_t chunk[2] = {std::min<std::size_t>(o.count, 4096), levels};
            Nc(nc_def_var_chunking(ncid, d.id, NC_CHUNKED, chunk), d.name);
        }
        Text(ncid, d.id, "standard_name", d.standard);
        Text(ncid, d.id, "units", d.units);
    }
    Nc(nc_enddef(ncid), "enddef");
}

// Scene s: the atmosphere a, and a sea surface, place and time spread over
// their ranges by irrational steps (sea temperature 0-30 degrees C, salinity
// 32-36, wind 0-20 m/s, relative direction 0-360 degrees).
void AppendScene(std::array<std::vector<double>, kVariables>& values, const seasky::ProfileStore& a, std::size_t s,
                 bool specific) {
    for (std::size_t l = 0; l < a.height.size(); ++l) {
        const double T = a.airTemperature[l], P = a.pressure[l], rho = a.absoluteHumidity[l];
        values[0].push_back(a.height[l]);
        values[1].push_back(T);
        values[2].push_back(P);
        // rho (g/m^3) as specific humidity: rho_v / rho_moist.
        const double e = rho * 1e-3 * 461.5 * T;
        const double air = (P * 100.0 - e) / (287.05 * T) + rho * 1e-3;
        values[3].push_back(specific ? rho * 1e-3 / air : rho);
        values[4].push_back(a.cloudWater[l]);
    }
    const double u = std::fmod(s * 0.6180339887498949, 1.0);
    values[5].push_back(273.15 + 30.0 * u);
    values[6].push_back(32.0 + 4.0 * std::fmod(s * 0.41421356, 1.0));
    values[7].push_back(20.0 * std::fmod(s * 0.7320508, 1.0));
    values[8].push_back(std::fmod(s * 37.0, 360.0));
    values[9].push_back(-60.0 + 120.0 * u);
    values[10].push_back(std::fmod(s * 0.1, 360.0));
    values[11].push_back(static_cast<double>(s) * 60.0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Usage(nullptr);
    Options o;
    if (const std::string refusal = ParseOptions(argc, argv, o); !refusal.empty()) return Usage(refusal.c_str());
    std::vector<seasky::ProfileStore> atmospheres;
    for (const seasky::StandardAtmosphere& a : seasky::StandardAtmospheres())
        atmospheres.push_back(seasky::ParseProfileText(a.text).profile);
    const std::size_t levels = atmospheres[0].levelCount;

    int ncid = -1;
    Nc(nc_create(o.path, NC_CLOBBER | NC_NETCDF4, &ncid), o.path);
    std::array<Def, kVariables> defs = Variables(o.specific);
    DefineVariables(ncid, o, levels, defs);
    // A block of scenes at a time.
    const std::size_t block = 4096;
    std::array<std::vector<double>, kVariables> values;
    for (std::size_t first = 0; first < o.count; first += block) {
        const std::size_t n = std::min(block, o.count - first);
        for (auto& v : values) v.clear();
        for (std::size_t s = first; s < first + n; ++s)
            AppendScene(values, atmospheres[s % atmospheres.size()], s, o.specific);
        for (std::size_t v = 0; v < kVariables; ++v) {
            const std::size_t start[2] = {first, 0};
            const std::size_t extent[2] = {n, levels};
            Nc(nc_put_vara_double(ncid, defs[v].id, start, extent, values[v].data()), defs[v].name);
        }
    }
    Nc(nc_close(ncid), "close");
    return 0;
}
