// The ecCodes library (ECMWF's GRIB decoder), loaded when a command first
// reads a GRIB file rather than when the program starts.
//
// libeccodes brings libaec, libpng, OpenJPEG and the netCDF stack with it; as
// for NetCDF (netcdf_library.h), the programs are not linked with it, so that
// the commands that never read a GRIB file start as fast as before. The
// library is opened with dlopen on the first call of any of the functions
// below, and its functions are looked up once.
//
// Given:
//   the functions are declared here in namespace seasky with the library's
//   own names and signatures (eccodes.h, which this header includes for its
//   types and constants), so that code of this namespace calls
//   codes_get_long(...) exactly as it would call the library; each call goes
//   to the loaded library.
// Returns:
//   what the library's function returns.
// Notes:
//   1. The library is found by its shared-object name as the build saw it
//      (libeccodes.so.0 on Debian 12), then by libeccodes.so. The environment
//      variable SEASKY_ECCODES_LIBRARY names another file to load instead.
//   2. When it cannot be loaded, or lacks a function, the first call throws
//      EccodesUnavailable with a message that says which library is missing
//      and how to install it; nothing has been read by then. The next call
//      tries again.
//   3. Loading is thread-safe (a function-local static); the library itself
//      is used from one thread at a time by the batch code.
//   4. A function the code needs is added to SEASKY_ECCODES_FUNCTIONS.
#pragma once

#include <eccodes.h>

#include "batch/scenes.h"

namespace seasky {

// The library cannot be loaded, or lacks a function this program calls: a
// batch run refuses its GRIB files as it refuses any unreadable input.
struct EccodesUnavailable : BatchError {
    using BatchError::BatchError;
};

// Every function of the library this program calls.
#define SEASKY_ECCODES_FUNCTIONS(X)                                                                 \
    X(codes_handle_new_from_file) X(codes_handle_delete) X(codes_get_error_message)                 \
    X(codes_get_message_offset) X(codes_get_message_size) X(codes_get_long) X(codes_get_double)     \
    X(codes_get_string) X(codes_get_size) X(codes_get_double_array) X(codes_get_long_array)         \
    X(codes_is_defined) X(codes_context_get_default) X(codes_context_set_logging_proc)

// The library's functions as loaded: pointers of the library's own types.
struct EccodesFunctions {
#define SEASKY_ECCODES_POINTER(name) decltype(&::name) name = nullptr;
    SEASKY_ECCODES_FUNCTIONS(SEASKY_ECCODES_POINTER)
#undef SEASKY_ECCODES_POINTER
};

// The loaded library: opened on the first call, the same afterwards. Throws
// EccodesUnavailable (see Notes 1 and 2).
const EccodesFunctions& EccodesLibrary();

// One function of the library, called with exactly its own parameter types
// (so that arguments convert as they would in a direct call).
template <auto Member, class Function>
struct EccodesCall;
template <auto Member, class Result, class... Arguments>
struct EccodesCall<Member, Result(Arguments...)> {
    Result operator()(Arguments... arguments) const { return (EccodesLibrary().*Member)(arguments...); }
};

#define SEASKY_ECCODES_CALL(name) \
    inline constexpr EccodesCall<&EccodesFunctions::name, decltype(::name)> name{};
SEASKY_ECCODES_FUNCTIONS(SEASKY_ECCODES_CALL)
#undef SEASKY_ECCODES_CALL

}  // namespace seasky
