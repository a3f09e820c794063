# The libFuzzer harnesses: tests/fuzz/fuzz_<name>.cpp, each with its seed corpus
# tests/fuzz/corpus/<name>/ and, where it has one, its dictionary <name>.dict.
set(SEASKY_FUZZ_HARNESSES profile_reader number_text cli scenes_csv scenes_netcdf)
