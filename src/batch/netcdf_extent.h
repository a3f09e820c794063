// Whether a NetCDF scene file holds the values its header declares.
//
// A header of a few hundred bytes can declare millions of scenes. A classic
// file cut short (an interrupted copy) still opens, and the netCDF library
// reads the missing values as zeros; a netCDF-4 file whose variables were
// defined but never written reads as fill values. Either way every scene would
// be read, refused with a wrong diagnosis and written out: minutes of work and
// hundreds of megabytes for nothing. So before anything is computed, the bytes
// the header declares for the variables a run reads are set against the bytes
// the file holds.
//
// Classic, 64-bit-offset and CDF-5 files: exact. Each variable's values start
// at the offset its header entry gives (read from the header itself: the netCDF
// interface does not tell it) and take the product of its dimensions times its
// type's size; a record variable's last record lies (records - 1) record sizes
// further. The file must reach the end of every variable read.
//
// netCDF-4 (HDF5) files: a lower bound, as values may be compressed. A variable
// without filters stores its values as they are; one compressed by deflate
// (with or without shuffle and Fletcher-32 checksums) takes at least 1/1032 of
// them, the greatest ratio deflate can reach (a 258-byte match coded in two
// bits); one with other filters is not counted. The file must hold the sum.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace seasky {

struct DeclaredExtent {
    std::uint64_t bytes = 0;  // the least size of a file that holds the declared values
    bool exact = false;       // false: a lower bound (netCDF-4), or nothing known (0)
};

// The bytes the header of the open file ncid (at path) declares for the
// variables; throws BatchError when the header cannot be read.
DeclaredExtent DeclaredBytes(int ncid, const std::string& path, const std::vector<int>& variables);

// Nothing when a file of fileBytes holds the declared extent; otherwise the
// message, naming the file, the scenes, the bytes declared and the bytes held.
std::string ExtentRefusal(const std::string& path, std::size_t scenes, const DeclaredExtent& declared,
                          std::uint64_t fileBytes);

}  // namespace seasky
