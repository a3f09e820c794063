#include "batch/netcdf_library.h"
#include "batch/shared_library.h"

#include <dlfcn.h>

#include <cstdlib>
#include <vector>

// The shared-object name the build linked against, and the Debian package that
// holds it (CMakeLists.txt).
#ifndef SEASKY_NETCDF_SONAME
#define SEASKY_NETCDF_SONAME "libnetcdf.so"
#endif
#ifndef SEASKY_NETCDF_PACKAGE
#define SEASKY_NETCDF_PACKAGE "libnetcdf"
#endif

namespace seasky {

namespace {

std::string Unavailable(const std::string& why) {
    return "The NetCDF library " + why +
           ": it is needed to read or write NetCDF files. Install the Debian package " SEASKY_NETCDF_PACKAGE
           ", or name the library's file in the environment variable SEASKY_NETCDF_LIBRARY. CSV scene and "
           "result files work without it.";
}

NetcdfFunctions Load() {
    std::string reasons;  // the loader's own message for each file tried
    void* handle = OpenSharedLibrary("SEASKY_NETCDF_LIBRARY", SEASKY_NETCDF_SONAME, "libnetcdf.so", reasons);
    if (handle == nullptr) throw NetcdfUnavailable(Unavailable("could not be loaded (" + reasons + ")"));

    NetcdfFunctions functions;
    bool complete = true;
    std::string missing;
    // Each pointer takes the type of the library's own function.
#define SEASKY_NETCDF_LOOKUP(name)                                                   \
    functions.name = reinterpret_cast<decltype(functions.name)>(dlsym(handle, #name)); \
    if (functions.name == nullptr) {                                                 \
        complete = false;                                                            \
        missing += (missing.empty() ? "" : ", ") + std::string(#name);               \
    }
    SEASKY_NETCDF_FUNCTIONS(SEASKY_NETCDF_LOOKUP)
#undef SEASKY_NETCDF_LOOKUP
    if (!complete) {
        dlclose(handle);
        throw NetcdfUnavailable(Unavailable("loaded lacks " + missing));
    }
    // The handle stays open for the life of the process.
    return functions;
}

}  // namespace

const NetcdfFunctions& NetcdfLibrary() {
    // Initialised once, by the first caller; an exception leaves it
    // uninitialised, and the next call tries again.
    static const NetcdfFunctions functions = Load();
    return functions;
}

}  // namespace seasky
