// Files of gridded fields, NetCDF or GRIB, read as named variables over named
// dimensions: the common ground of the scene readers of reanalyses (ERA5 from
// the Copernicus data store as netCDF, or as the GRIB the forecast centres
// deliver) and of seasky's own scene files.
//
// A variable has dimensions (slowest first), a units attribute and the names
// that identify what it measures: its CF standard_name, its long_name, and its
// ECMWF parameter id (paramId of the ECMWF parameter database,
// https://codes.ecmwf.int/grib/param-db/) when the file gives one, as GRIB does
// and as the data store's netCDF does in the attribute GRIB_paramId.
//
// Values are read a box at a time (a start and a count per dimension of the
// variable), in the box's row-major order, as doubles: packed values unpacked
// (scale_factor, add_offset), missing ones (_FillValue, missing_value, a GRIB
// bitmap) as NaN.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace seasky {

struct FieldDimension {
    std::string name;
    std::size_t size = 0;
};

struct FieldVariable {
    std::string name;
    std::vector<std::string> dims;    // slowest first
    std::vector<std::size_t> shape;   // per dimension
    std::string units;                // the units attribute ("" when none)
    std::string standardName;         // as given, "unknown" included ("" when none)
    std::string longName;
    std::optional<long> paramId;      // the ECMWF parameter id, when the file gives one
    int type = 0;                     // the netCDF type of the stored values (NC_DOUBLE for GRIB)
    std::size_t valueBytes = 0;       // the bytes of one stored value
    // Further attributes as text (numbers written with the shortest round trip),
    // for the output's copy of a pass-through variable read from a file that is
    // not NetCDF: e.g. calendar, axis, positive.
    std::vector<std::pair<std::string, std::string>> attributes;
};

class FieldFile {
public:
    virtual ~FieldFile() = default;
    virtual const std::string& Path() const = 0;
    // "NetCDF" or "GRIB", for messages.
    virtual std::string Kind() const = 0;
    virtual const std::vector<FieldDimension>& Dimensions() const = 0;
    virtual const std::vector<FieldVariable>& Variables() const = 0;
    // The values of variable v (an index into Variables()) in the box, unpacked,
    // NaN where missing, into out (the product of count values). Throws BatchError.
    virtual void Read(std::size_t v, std::span<const std::size_t> start, std::span<const std::size_t> count,
                      double* out) = 0;
    // The stored values of variable v in the box, of its own type (valueBytes
    // each), packed as stored, missing values as stored: for the output's copy
    // of a pass-through variable. Throws BatchError.
    virtual void ReadStored(std::size_t v, std::span<const std::size_t> start, std::span<const std::size_t> count,
                            void* out) = 0;
    // Throws BatchError when the file does not hold the values its header
    // declares for these variables (netcdf_extent.h: a file cut short), naming
    // the scenes; a file read whole when opened (GRIB) has nothing to check.
    virtual void CheckExtent(const std::vector<std::size_t>& variables, std::size_t scenes) const {
        (void)variables;
        (void)scenes;
    }
    // The index of the variable of that name, if any.
    std::optional<std::size_t> Find(const std::string& name) const {
        const std::vector<FieldVariable>& vars = Variables();
        for (std::size_t k = 0; k < vars.size(); ++k)
            if (vars[k].name == name) return k;
        return std::nullopt;
    }
};

// A NetCDF file (classic or netCDF-4) read through the NetCDF library
// (netcdf_library.h); throws BatchError. The header's declared values must be
// in the file (netcdf_extent.h) for the variables that are read: checked by
// CheckExtentOf before the first read.
std::unique_ptr<FieldFile> OpenNetcdfFields(const std::string& path);

// A GRIB file (editions 1 and 2) read through ecCodes (eccodes_library.h);
// throws BatchError. Its messages become variables as the data store's netCDF
// names them (grib_fields.h): dimensions valid_time, pressure_level (for
// fields on isobaric levels), latitude, longitude, each with its coordinate
// variable.
std::unique_ptr<FieldFile> OpenGribFields(const std::string& path);

// A file of fields by its extension (.nc, .nc4, .cdf, .netcdf: NetCDF; .grib,
// .grb, .grib1, .grib2, .grb2: GRIB); throws BatchError for any other.
std::unique_ptr<FieldFile> OpenFields(const std::string& path);

// True when the path's extension is one of GRIB's.
bool IsGribPath(const std::string& path);

}  // namespace seasky
