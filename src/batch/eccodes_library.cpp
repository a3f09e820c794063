#include "batch/eccodes_library.h"

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

// The files tried, in order: the variable's file alone when it is set,
// otherwise the shared-object name the build found and the development link
// name.
std::vector<std::string> Candidates() {
    if (const char* chosen = std::getenv("SEASKY_ECCODES_LIBRARY"); chosen != nullptr && *chosen != '\0')
        return {chosen};
    std::vector<std::string> names{SEASKY_ECCODES_SONAME};
    if (names.front() != "libeccodes.so") names.emplace_back("libeccodes.so");
    return names;
}

std::string Unavailable(const std::string& why) {
    return "The ecCodes library " + why +
           ": it is needed to read GRIB files. Install the Debian package " SEASKY_ECCODES_PACKAGE
           " (or libeccodes-dev), or name the library's file in the environment variable "
           "SEASKY_ECCODES_LIBRARY. NetCDF and CSV files work without it.";
}

EccodesFunctions Load() {
    void* handle = nullptr;
    std::string reasons;  // the loader's own message for each file tried
    for (const std::string& name : Candidates()) {
        // RTLD_LOCAL: its symbols serve only these look-ups; RTLD_NOW: a
        // library with unresolved dependencies is refused here, not at a call.
        handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle != nullptr) break;
        const char* error = dlerror();
        reasons += (reasons.empty() ? "" : "; ") + (error != nullptr ? std::string(error) : name + ": not found");
    }
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
