// A shared library opened on first use, for the libraries the programs are not
// linked with (NetCDF: netcdf_library.h; ecCodes: eccodes_library.h).
#pragma once

#include <string>

namespace seasky {

// Opens the library with dlopen: the file the environment variable names
// alone when it is set, otherwise the shared-object name the build found, then
// the development link name. Returns the handle, or null with reasons holding
// the loader's own message for each file tried. RTLD_LOCAL: its symbols serve
// only the caller's look-ups; RTLD_NOW: a library with unresolved dependencies
// is refused here, not at a call.
void* OpenSharedLibrary(const char* environmentVariable, const std::string& soname, const std::string& linkName,
                        std::string& reasons);

}  // namespace seasky
