// Writes the reanalysis sample files the tests read, into the folder given as
// the argument:
//   era5-pl.grib         pressure-level fields, GRIB2, 64-bit IEEE packing
//   era5-sfc.grib        single-level fields, GRIB2, 64-bit IEEE packing
//   era5-pl-packed.grib  the pressure-level fields with 16-bit simple packing
//   era5-pl.nc           the same fields as the Copernicus data store's netCDF
//   era5-sfc.nc          (netCDF-4 as its GRIB-to-netCDF converter writes it
//                        since 2024), as float32
// The values are the formulas of reanalysis_samples.h. The GRIB messages start
// from ecCodes' own samples and are set by paramId, so that every key (short
// name, units, level type) is ecCodes' own; the netCDF attributes GRIB_* are
// read back from those messages. The program links ecCodes and NetCDF
// directly: only the seasky programs load them on first use.
#include <eccodes.h>
#include <netcdf.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "reanalysis_samples.h"

namespace {

namespace rs = seasky::samples;

// The value written where a GRIB field is missing (its bitmap marks the point).
constexpr double kGribMissing = 9999.0;

// The parameters whose standard_name the data store's netCDF gives as "unknown".
constexpr std::array<long, 7> kUnnamedParameters{rs::kCloudLiquid,   rs::kCloudIce,    rs::kSeaSurfaceTemperature,
                                                 rs::kTemperature2m, rs::kDewPoint2m, rs::kWindU10,
                                                 rs::kWindV10};

void CheckCodes(int status, const std::string& what) {
    if (status != CODES_SUCCESS) throw std::runtime_error(what + ": " + codes_get_error_message(status));
}
void CheckNc(int status, const std::string& what) {
    if (status != NC_NOERR) throw std::runtime_error(what + ": " + nc_strerror(status));
}

struct HandleDeleter {
    void operator()(codes_handle* h) const { codes_handle_delete(h); }
};
using Handle = std::unique_ptr<codes_handle, HandleDeleter>;

void SetLong(codes_handle* h, const char* key, long v) {
    CheckCodes(codes_set_long(h, key, v), std::string("setting ") + key);
}
void SetDouble(codes_handle* h, const char* key, double v) {
    CheckCodes(codes_set_double(h, key, v), std::string("setting ") + key);
}
void SetString(codes_handle* h, const char* key, const std::string& v) {
    std::size_t length = v.size();
    CheckCodes(codes_set_string(h, key, v.c_str(), &length), std::string("setting ") + key);
}
std::string GetString(codes_handle* h, const char* key) {
    char text[512];
    std::size_t length = sizeof text;
    CheckCodes(codes_get_string(h, key, text, &length), std::string("reading ") + key);
    return text;
}

// A message of one parameter on the sample grid, without values yet.
Handle NewMessage(bool pressureLevels, long paramId, std::size_t t) {
    const char* sample = pressureLevels ? "regular_ll_pl_grib2" : "regular_ll_sfc_grib2";
    Handle h(codes_grib_handle_new_from_samples(nullptr, sample));
    if (!h) throw std::runtime_error("ecCodes has no GRIB2 sample of a regular grid");
    codes_handle* m = h.get();
    SetString(m, "centre", "ecmf");
    SetLong(m, "Ni", static_cast<long>(rs::kLongitudes.size()));
    SetLong(m, "Nj", static_cast<long>(rs::kLatitudes.size()));
    SetLong(m, "jScansPositively", 0);  // north to south, as ERA5
    SetDouble(m, "latitudeOfFirstGridPointInDegrees", rs::kLatitudes.front());
    SetDouble(m, "latitudeOfLastGridPointInDegrees", rs::kLatitudes.back());
    SetDouble(m, "longitudeOfFirstGridPointInDegrees", rs::kLongitudes.front());
    SetDouble(m, "longitudeOfLastGridPointInDegrees", rs::kLongitudes.back());
    SetDouble(m, "iDirectionIncrementInDegrees", rs::kLongitudes[1] - rs::kLongitudes[0]);
    SetDouble(m, "jDirectionIncrementInDegrees", rs::kLatitudes[0] - rs::kLatitudes[1]);
    SetLong(m, "dataDate", rs::kDataDate);
    SetLong(m, "dataTime", rs::kDataTimes[t]);
    SetLong(m, "paramId", paramId);
    if (pressureLevels) SetString(m, "typeOfLevel", "isobaricInhPa");
    return h;
}

// The values of a parameter at time t and pressure p (hPa), in the grid's
// order (latitude rows north to south, longitudes west to east).
std::vector<double> FieldValues(long paramId, std::size_t t, double p) {
    std::vector<double> values;
    for (double lat : rs::kLatitudes)
        for (double lon : rs::kLongitudes) values.push_back(rs::Value(paramId, t, p, lat, lon));
    return values;
}

// Sets the packing and the values (missing ones through the bitmap) and
// appends the message to the file.
void WriteMessage(codes_handle* h, std::vector<double> values, bool ieee, std::FILE* out) {
    if (ieee) {
        SetString(h, "packingType", "grid_ieee");
        SetLong(h, "precision", 2);  // 64-bit IEEE: the doubles exactly
    } else {
        SetString(h, "packingType", "grid_simple");
        SetLong(h, "bitsPerValue", 16);
    }
    bool missing = false;
    for (double& v : values)
        if (std::isnan(v)) v = kGribMissing, missing = true;
    if (missing) {
        SetLong(h, "bitmapPresent", 1);
        SetDouble(h, "missingValue", kGribMissing);
    }
    CheckCodes(codes_set_double_array(h, "values", values.data(), values.size()), "setting values");
    const void* message = nullptr;
    std::size_t size = 0;
    CheckCodes(codes_get_message(h, &message, &size), "encoding a message");
    if (std::fwrite(message, 1, size, out) != size) throw std::runtime_error("writing a GRIB message");
}

// The pressure-level file: times, then parameters, then levels from the top
// down (increasing pressure), the order of a MARS retrieval of levels 1/to/1000.
void WritePressureLevelGrib(const std::string& path, bool ieee) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) throw std::runtime_error("cannot write " + path);
    for (std::size_t t = 0; t < rs::kValidTimes.size(); ++t)
        for (long paramId : rs::kPressureLevelParameters)
            for (std::size_t k = rs::kPressureLevels.size(); k-- > 0;) {
                const double p = rs::kPressureLevels[k];
                Handle h = NewMessage(true, paramId, t);
                SetLong(h.get(), "level", static_cast<long>(p));
                WriteMessage(h.get(), FieldValues(paramId, t, p), ieee, out);
            }
    if (std::fclose(out) != 0) throw std::runtime_error("writing " + path);
}

void WriteSingleLevelGrib(const std::string& path) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) throw std::runtime_error("cannot write " + path);
    for (std::size_t t = 0; t < rs::kValidTimes.size(); ++t)
        for (long paramId : rs::kSingleLevelParameters) {
            Handle h = NewMessage(false, paramId, t);
            WriteMessage(h.get(), FieldValues(paramId, t, 0.0), true, out);
        }
    if (std::fclose(out) != 0) throw std::runtime_error("writing " + path);
}

// ---- netCDF as the data store writes it ----

void TextAttribute(int nc, int var, const char* name, const std::string& value) {
    CheckNc(nc_put_att_text(nc, var, name, value.size(), value.c_str()), std::string("attribute ") + name);
}

// The coordinate variables (valid_time, pressure_level when pressureLevels,
// latitude, longitude) and the scalar number and expver; returns the
// dimension ids slowest first.
std::vector<int> DefineCoordinates(int nc, bool pressureLevels) {
    std::vector<int> dims;
    int dim = 0, var = 0;
    CheckNc(nc_def_var(nc, "number", NC_INT64, 0, nullptr, &var), "number");
    TextAttribute(nc, var, "long_name", "ensemble member numerical id");
    TextAttribute(nc, var, "units", "1");
    TextAttribute(nc, var, "standard_name", "realization");
    CheckNc(nc_def_dim(nc, "valid_time", rs::kValidTimes.size(), &dim), "valid_time");
    dims.push_back(dim);
    CheckNc(nc_def_var(nc, "valid_time", NC_INT64, 1, &dim, &var), "valid_time");
    TextAttribute(nc, var, "long_name", "time");
    TextAttribute(nc, var, "standard_name", "time");
    TextAttribute(nc, var, "units", "seconds since 1970-01-01");
    TextAttribute(nc, var, "calendar", "proleptic_gregorian");
    if (pressureLevels) {
        CheckNc(nc_def_dim(nc, "pressure_level", rs::kPressureLevels.size(), &dim), "pressure_level");
        dims.push_back(dim);
        CheckNc(nc_def_var(nc, "pressure_level", NC_DOUBLE, 1, &dim, &var), "pressure_level");
        TextAttribute(nc, var, "long_name", "pressure");
        TextAttribute(nc, var, "units", "hPa");
        TextAttribute(nc, var, "positive", "down");
        TextAttribute(nc, var, "stored_direction", "decreasing");
        TextAttribute(nc, var, "standard_name", "air_pressure");
    }
    const struct {
        const char* name;
        std::size_t size;
        const char* units;
        const char* direction;
    } axes[] = {{"latitude", rs::kLatitudes.size(), "degrees_north", "decreasing"},
                {"longitude", rs::kLongitudes.size(), "degrees_east", nullptr}};
    for (const auto& axis : axes) {
        CheckNc(nc_def_dim(nc, axis.name, axis.size, &dim), axis.name);
        dims.push_back(dim);
        CheckNc(nc_def_var(nc, axis.name, NC_DOUBLE, 1, &dim, &var), axis.name);
        TextAttribute(nc, var, "units", axis.units);
        TextAttribute(nc, var, "standard_name", axis.name);
        TextAttribute(nc, var, "long_name", axis.name);
        if (axis.direction != nullptr) TextAttribute(nc, var, "stored_direction", axis.direction);
    }
    // The experiment version per time ("0001": ERA5 final, "0005": ERA5T),
    // which the converter writes along valid_time.
    CheckNc(nc_def_var(nc, "expver", NC_STRING, 1, &dims.front(), &var), "expver");
    TextAttribute(nc, var, "long_name", "experiment version");
    return dims;
}

void WriteCoordinates(int nc, bool pressureLevels) {
    int var = 0;
    const long long member = 0;
    CheckNc(nc_inq_varid(nc, "number", &var), "number");
    CheckNc(nc_put_var_longlong(nc, var, &member), "number");
    CheckNc(nc_inq_varid(nc, "valid_time", &var), "valid_time");
    std::vector<long long> times(rs::kValidTimes.begin(), rs::kValidTimes.end());
    CheckNc(nc_put_var_longlong(nc, var, times.data()), "valid_time");
    if (pressureLevels) {
        CheckNc(nc_inq_varid(nc, "pressure_level", &var), "pressure_level");
        CheckNc(nc_put_var_double(nc, var, rs::kPressureLevels.data()), "pressure_level");
    }
    CheckNc(nc_inq_varid(nc, "latitude", &var), "latitude");
    CheckNc(nc_put_var_double(nc, var, rs::kLatitudes.data()), "latitude");
    CheckNc(nc_inq_varid(nc, "longitude", &var), "longitude");
    CheckNc(nc_put_var_double(nc, var, rs::kLongitudes.data()), "longitude");
    CheckNc(nc_inq_varid(nc, "expver", &var), "expver");
    std::vector<const char*> versions(rs::kValidTimes.size(), "0001");
    CheckNc(nc_put_var_string(nc, var, versions.data()), "expver");
}

// A data variable of one parameter with the converter's attributes, read
// back from a message of that parameter.
int DefineField(int nc, long paramId, bool pressureLevels, const std::vector<int>& dims) {
    Handle h = NewMessage(pressureLevels, paramId, 0);
    const std::string name = GetString(h.get(), "cfVarName");
    int var = 0;
    CheckNc(nc_def_var(nc, name.c_str(), NC_FLOAT, static_cast<int>(dims.size()), dims.data(), &var), name);
    std::vector<std::size_t> chunks(dims.size(), 1);
    chunks[chunks.size() - 2] = rs::kLatitudes.size();
    chunks.back() = rs::kLongitudes.size();
    CheckNc(nc_def_var_chunking(nc, var, NC_CHUNKED, chunks.data()), name);
    CheckNc(nc_def_var_deflate(nc, var, 1, 1, 1), name);
    const float fill = std::nanf("");
    CheckNc(nc_def_var_fill(nc, var, 0, &fill), name);
    const int id = static_cast<int>(paramId);
    CheckNc(nc_put_att_int(nc, var, "GRIB_paramId", NC_INT, 1, &id), name);
    TextAttribute(nc, var, "GRIB_dataType", "an");
    TextAttribute(nc, var, "GRIB_typeOfLevel", GetString(h.get(), "typeOfLevel"));
    TextAttribute(nc, var, "GRIB_gridType", "regular_ll");
    // The data store's converter gives these parameters no CF standard name,
    // where ecCodes 2.28 names 2t, 10u and 10v air_temperature, eastward_wind
    // and northward_wind.
    const bool unnamed = std::find(kUnnamedParameters.begin(), kUnnamedParameters.end(), paramId) !=
                         kUnnamedParameters.end();
    const std::string cfName = unnamed ? "unknown" : GetString(h.get(), "cfName");
    for (const char* key : {"shortName", "units", "name", "cfVarName"})
        TextAttribute(nc, var, (std::string("GRIB_") + key).c_str(), GetString(h.get(), key));
    TextAttribute(nc, var, "GRIB_cfName", cfName);
    TextAttribute(nc, var, "long_name", GetString(h.get(), "name"));
    TextAttribute(nc, var, "units", GetString(h.get(), "units"));
    TextAttribute(nc, var, "standard_name", cfName);
    TextAttribute(nc, var, "coordinates",
                  pressureLevels ? "number valid_time pressure_level latitude longitude expver"
                                 : "number valid_time latitude longitude expver");
    return var;
}

// The float32 values of a parameter over all times (and levels).
std::vector<float> FieldValues32(long paramId, bool pressureLevels) {
    std::vector<float> out;
    const std::size_t levels = pressureLevels ? rs::kPressureLevels.size() : 1;
    for (std::size_t t = 0; t < rs::kValidTimes.size(); ++t)
        for (std::size_t k = 0; k < levels; ++k)
            for (double v : FieldValues(paramId, t, pressureLevels ? rs::kPressureLevels[k] : 0.0))
                out.push_back(static_cast<float>(v));
    return out;
}

template <std::size_t N>
void WriteNetcdf(const std::string& path, const std::array<long, N>& parameters, bool pressureLevels) {
    int nc = 0;
    CheckNc(nc_create(path.c_str(), NC_CLOBBER | NC_NETCDF4, &nc), path);
    TextAttribute(nc, NC_GLOBAL, "GRIB_centre", "ecmf");
    TextAttribute(nc, NC_GLOBAL, "GRIB_centreDescription", "European Centre for Medium-Range Weather Forecasts");
    TextAttribute(nc, NC_GLOBAL, "GRIB_subCentre", "0");
    TextAttribute(nc, NC_GLOBAL, "Conventions", "CF-1.7");
    TextAttribute(nc, NC_GLOBAL, "institution", "European Centre for Medium-Range Weather Forecasts");
    TextAttribute(nc, NC_GLOBAL, "history",
                  "GRIB to CDM+CF via cfgrib with {\"source\": \"" +
                      std::string(pressureLevels ? "era5-pl.grib" : "era5-sfc.grib") +
                      "\"}; written by seasky's make_reanalysis_samples");
    const std::vector<int> dims = DefineCoordinates(nc, pressureLevels);
    std::vector<int> vars;
    for (long paramId : parameters) vars.push_back(DefineField(nc, paramId, pressureLevels, dims));
    CheckNc(nc_enddef(nc), path);
    WriteCoordinates(nc, pressureLevels);
    for (std::size_t k = 0; k < N; ++k) {
        const std::vector<float> values = FieldValues32(parameters[k], pressureLevels);
        CheckNc(nc_put_var_float(nc, vars[k], values.data()), path);
    }
    CheckNc(nc_close(nc), path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_reanalysis_samples FOLDER\n";
        return 2;
    }
    try {
        const std::filesystem::path folder = argv[1];
        std::filesystem::create_directories(folder);
        WritePressureLevelGrib((folder / "era5-pl.grib").string(), true);
        WritePressureLevelGrib((folder / "era5-pl-packed.grib").string(), false);
        WriteSingleLevelGrib((folder / "era5-sfc.grib").string());
        WriteNetcdf((folder / "era5-pl.nc").string(), rs::kPressureLevelParameters, true);
        WriteNetcdf((folder / "era5-sfc.nc").string(), rs::kSingleLevelParameters, false);
    } catch (const std::exception& e) {
        std::cerr << "make_reanalysis_samples: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
