#include "batch/eccodes_library.h"
#include "batch/shared_library.h"

#include <dlfcn.h>

#include <cstdlib>
#include <string>
#include <vector>

// The shared-object name the build found, and the Debian package that holds
// it (CMakeLists.txt).
#ifndef SEASKY_ECCODES_SONAME
#define SEASKY_ECCODES_SONAME "libeccodes.so"
#endif
#ifndef SEASKY_ECCODES_PACKAGE
#define SEASKY_ECCODES_PACKAGE "libeccodes0"
#endif

namespace seasky {

namespace {

std::string Unavailable(const std::string& why) {
    return "The ecCodes library " + why +
           ": it is needed to read GRIB files. Install the Debian package " SEASKY_ECCODES_PACKAGE
           " (or libeccodes-dev), or name the library's file in the environment variable "
           "SEASKY_ECCODES_LIBRARY. NetCDF and CSV files work without it.";
}

EccodesFunctions Load() {
    std::string reasons;  // the loader's own message for each file tried
    void* handle = OpenSharedLibrary("SEASKY_ECCODES_LIBRARY", SEASKY_ECCODES_SONAME, "libeccodes.so", reasons);
    if (handle == nullptr) throw EccodesUnavailable(Unavailable("could not be loaded (" + reasons + ")"));

    EccodesFunctions functions;
    std::string missing;
    // Each pointer takes the type of the library's own function.
#define SEASKY_ECCODES_LOOKUP(name)                                                    \
    functions.name = reinterpret_cast<decltype(functions.name)>(dlsym(handle, #name)); \
    if (functions.name == nullptr) missing += (missing.empty() ? "" : ", ") + std::string(#name);
    SEASKY_ECCODES_FUNCTIONS(SEASKY_ECCODES_LOOKUP)
#undef SEASKY_ECCODES_LOOKUP
    if (!missing.empty()) {
        dlclose(handle);
        throw EccodesUnavailable(Unavailable("loaded lacks " + missing));
    }
    // The library's own error lines (to stderr) are not printed: every failure
    // of a call is reported by the reader as a BatchError naming the file and
    // the message.
    functions.codes_context_set_logging_proc(functions.codes_context_get_default(),
                                             [](const codes_context*, int, const char*) {});
    // The handle stays open for the life of the process.
    return functions;
}

}  // namespace

const EccodesFunctions& EccodesLibrary() {
    // Initialised once, by the first caller; an exception leaves it
    // uninitialised, and the next call tries again.
    static const EccodesFunctions functions = Load();
    return functions;
}

}  // namespace seasky
