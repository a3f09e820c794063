#include "batch/field_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <string_view>

#include "batch/scenes.h"

namespace seasky {

namespace {

// The extension of a path, in lower case, with its dot ("" when none).
std::string Extension(const std::string& path) {
    std::string e = std::filesystem::path(path).extension().string();
    std::transform(e.begin(), e.end(), e.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return e;
}

constexpr std::array<std::string_view, 5> kGribExtensions{".grib", ".grb", ".grib1", ".grib2", ".grb2"};
constexpr std::array<std::string_view, 4> kNetcdfExtensions{".nc", ".nc4", ".cdf", ".netcdf"};

bool OneOf(const std::string& e, const auto& list) { return std::find(list.begin(), list.end(), e) != list.end(); }

}  // namespace

bool IsGribPath(const std::string& path) { return OneOf(Extension(path), kGribExtensions); }

std::unique_ptr<FieldFile> OpenFields(const std::string& path) {
    const std::string e = Extension(path);
    if (OneOf(e, kGribExtensions)) return OpenGribFields(path);
    if (OneOf(e, kNetcdfExtensions)) return OpenNetcdfFields(path);
    throw BatchError("File of fields " + path + (e.empty() ? " has no extension" : " has the extension " + e) +
                     ": NetCDF files end in .nc, .nc4, .cdf or .netcdf, GRIB files in .grib, .grb, .grib1, "
                     ".grib2 or .grb2");
}

}  // namespace seasky
