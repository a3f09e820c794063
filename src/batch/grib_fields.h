// GRIB files (editions 1 and 2) as files of fields (field_file.h), read
// through ecCodes (eccodes_library.h), named as the Copernicus data store's
// netCDF names the same fields.
//
// Given:
//   path: a GRIB file of fields on one regular latitude-longitude grid
//     (gridType regular_ll), on pressure levels (isobaricInhPa, isobaricInPa)
//     and/or single levels (surface, heightAboveGround 2 m or 10 m, meanSea,
//     depthBelowSea, ...), at one or more validity times: an ERA5 retrieval.
// Returns:
//   a FieldFile whose dimensions are valid_time (times increasing),
//   pressure_level (when any field is on pressure levels; hPa, decreasing:
//   the surface first), latitude and longitude (in the order the grid stores
//   its points, e.g. north to south for ERA5). Its variables are the
//   coordinate variables, then one variable per parameter in the order of
//   their first message: (valid_time, pressure_level, latitude, longitude) on
//   pressure levels, (valid_time, latitude, longitude) on a single level.
//   A variable is named by the ecCodes key cfVarName (t2m, u10, z, clwc,
//   ...), else shortName, else p<paramId>; units, standard name (cfName,
//   "unknown" included), long name (name) and paramId are ecCodes' keys; its
//   values are doubles (NC_DOUBLE), NaN where the bitmap marks a point
//   missing.
// Notes:
//   1. Refused with a BatchError naming the file (and the message number, the
//      variable, time or level where one is at fault): a file that cannot be
//      opened, is empty, holds no GRIB message, is cut short or holds bytes
//      that are not GRIB between or after its messages; a grid other than
//      regular_ll, or boustrophedon rows; messages on different grids; model
//      levels (hybrid) and any other level type with more than one level per
//      parameter; a parameter on two level types; variables whose times or
//      pressure levels differ; a missing or repeated (time, level) of a
//      variable (e.g. ensemble members or several forecast steps of one
//      validity time); a damaged message (section 0's edition, length or end,
//      a grid whose Ni x Nj is not its count of points, more coded values
//      than points, a time unit no code table has: ecCodes 2.28 would write
//      past its buffers, abort or not return on these). EccodesUnavailable
//      when the library cannot be loaded.
//   2. Opening reads every message's header once (ecCodes handles, one at a
//      time) and keeps an index of their offsets; values are decoded when a
//      Read needs them. Decoded fields are kept in a cache of at most
//      kGribCacheBytes, least recently used out, so that successive boxes of
//      one time step decode each field once while the cache holds it; a Read
//      of a box spanning many (time, level) pairs decodes each message at
//      most once.
//   3. Memory: a global 0.25-degree field (1440 x 721 points) is 8.3 MB
//      decoded, so the cache holds 64 of them; one time step of a pressure-
//      level file of 37 levels and 5 parameters is 185 fields (1.5 GB), more
//      than the cache: boxes of such a file that go through all its levels
//      decode each field once per box. The index keeps 16 bytes a message
//      (a year of 6-hourly fields of that file: 270 000 messages, 4.3 MB);
//      opening needs about 400 bytes a message while it groups them.
//   4. Values stored with ecCodes' missingValue where the bitmap is present
//      are NaN: a packed value equal to missingValue is read as missing, as
//      ecCodes itself does.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "batch/field_file.h"

namespace seasky {

// The bytes of decoded fields a GRIB FieldFile keeps: 512 MiB, a fourth of a
// 2 GB share per core of a small machine, and 64 global 0.25-degree fields
// (a time step of two pressure-level parameters on 37 levels with the
// single-level fields beside them).
inline constexpr std::size_t kGribCacheBytes = std::size_t{512} << 20;

// OpenGribFields (field_file.h) with a cache of another size in bytes (0:
// none, each field decoded for each Read that needs it).
std::unique_ptr<FieldFile> OpenGribFields(const std::string& path, std::size_t cacheBytes);

// The number of GRIB messages whose values a FieldFile made by OpenGribFields
// has decoded so far (0 for any other FieldFile): the measure of the cache.
std::size_t GribMessagesDecoded(const FieldFile& file);

}  // namespace seasky
