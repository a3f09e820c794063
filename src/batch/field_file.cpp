#include "batch/field_file.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "batch/scenes.h"

namespace seasky {

namespace {

std::string LowerExtension(const std::string& path) {
    std::string e = std::filesystem::path(path).extension().string();
    std::transform(e.begin(), e.end(), e.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return e;
}

}  // namespace

bool IsGribPath(const std::string& path) {
    const std::string e = LowerExtension(path);
    return e == ".grib" || e == ".grb" || e == ".grib1" || e == ".grib2" || e == ".grb2" || e == ".grb1";
}

std::unique_ptr<FieldFile> OpenFields(const std::string& path) {
    if (IsGribPath(path)) return OpenGribFields(path);
    const std::string e = LowerExtension(path);
    if (e == ".nc" || e == ".nc4" || e == ".cdf" || e == ".netcdf") return OpenNetcdfFields(path);
    throw BatchError(path + ": unknown kind of file (give a NetCDF .nc or a GRIB .grib file)");
}

}  // namespace seasky
