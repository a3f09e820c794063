// The NetCDF library, loaded when a command first reads or writes a NetCDF
// file rather than when the program starts.
//
// libnetcdf brings HDF5, curl, GnuTLS, Kerberos, LDAP, libxml2 and ICU with
// it: some forty shared libraries whose loading and relocation made every
// start of seasky four times slower, even for the commands that never touch a
// NetCDF file (calc, sweep, sensor, profiles, the model subcommands). The
// programs are therefore not linked with it; the library is opened with
// dlopen on the first call of any of the functions below, and its functions
// are looked up once.
//
// Given:
//   the functions are declared here in namespace seasky with the library's
//   own names and signatures (netcdf.h, which this header includes for its
//   types and constants), so that code of this namespace calls nc_open(...)
//   exactly as it would call the library; each call goes to the loaded
//   library.
// Returns:
//   what the library's function returns.
// Notes:
//   1. The library is found by its shared-object name as the build saw it
//      (libnetcdf.so.19 on Debian 12), then by libnetcdf.so. The environment
//      variable SEASKY_NETCDF_LIBRARY names another file to load instead.
//   2. When it cannot be loaded, or lacks a function, the first call throws
//      NetcdfUnavailable with a message that says which library is missing and
//      how to install it; nothing has been read or written by then. The next
//      call tries again.
//   3. Loading is thread-safe (a function-local static); the library itself
//      is used from one thread at a time by the batch code.
//   4. A function the code needs is added to SEASKY_NETCDF_FUNCTIONS.
#pragma once

#include <netcdf.h>
#include <netcdf_filter.h>

#include "batch/scenes.h"

namespace seasky {

// The library cannot be loaded, or lacks a function this program calls: a
// batch run refuses its NetCDF files as it refuses any unreadable input.
struct NetcdfUnavailable : BatchError {
    using BatchError::BatchError;
};

// Every function of the library this program calls.
#define SEASKY_NETCDF_FUNCTIONS(X)                                                                    \
    X(nc_strerror) X(nc_open) X(nc_create) X(nc_close) X(nc_enddef) X(nc_inq_format)                  \
    X(nc_inq_unlimdim) X(nc_inq_var_filter_ids) X(nc_inq_nvars) X(nc_inq_dimid) X(nc_inq_dimlen)      \
    X(nc_inq_varid) X(nc_inq_varname) X(nc_inq_var) X(nc_inq_varndims) X(nc_inq_vardimid)             \
    X(nc_inq_varnatts) X(nc_inq_type) X(nc_inq_att) X(nc_inq_attname) X(nc_get_att_text)              \
    X(nc_get_att_string) X(nc_get_att_double) X(nc_free_string) X(nc_get_vara) X(nc_get_vara_double)  \
    X(nc_def_dim) X(nc_def_var) X(nc_def_var_fill) X(nc_def_var_chunking) X(nc_def_var_deflate)       \
    X(nc_put_att_text) X(nc_put_att_schar) X(nc_put_att_double) X(nc_put_att) X(nc_get_att)           \
    X(nc_copy_att) X(nc_put_var_double) X(nc_put_var_string) X(nc_put_vara) X(nc_put_vara_double)     \
    X(nc_put_vara_string) X(nc_put_vara_schar) X(nc_set_var_chunk_cache) X(nc_inq_dim)

// The library's functions as loaded: pointers of the library's own types.
struct NetcdfFunctions {
#define SEASKY_NETCDF_POINTER(name) decltype(&::name) name = nullptr;
    SEASKY_NETCDF_FUNCTIONS(SEASKY_NETCDF_POINTER)
#undef SEASKY_NETCDF_POINTER
};

// The loaded library: opened on the first call, the same afterwards. Throws
// NetcdfUnavailable (see Notes 1 and 2).
const NetcdfFunctions& NetcdfLibrary();

// One function of the library, called with exactly its own parameter types
// (so that arguments convert as they would in a direct call).
template <auto Member, class Function>
struct NetcdfCall;
template <auto Member, class Result, class... Arguments>
struct NetcdfCall<Member, Result(Arguments...)> {
    Result operator()(Arguments... arguments) const { return (NetcdfLibrary().*Member)(arguments...); }
};

#define SEASKY_NETCDF_CALL(name) \
    inline constexpr NetcdfCall<&NetcdfFunctions::name, decltype(::name)> name{};
SEASKY_NETCDF_FUNCTIONS(SEASKY_NETCDF_CALL)
#undef SEASKY_NETCDF_CALL

}  // namespace seasky
