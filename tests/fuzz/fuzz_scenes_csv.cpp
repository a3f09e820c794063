// Fuzzes the CSV scene reader of batch runs (batch/scenes.h): the bytes are
// written to a file scenes.csv, beside a profile file sonde.txt that the rows
// may name, and read as a batch run reads it (fuzz_scenes.h lists the
// properties checked).
#include <cstdint>

#include "fuzz_scenes.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::error_code ec;
    std::filesystem::copy_file(std::filesystem::path(SEASKY_SOURCE_DIR) / "data/profiles/tropical-cloudy.txt",
                               seasky::fuzz::ScratchFolder() / "sonde.txt",
                               std::filesystem::copy_options::overwrite_existing, ec);
    seasky::fuzz::Require(!ec, "the profile file sonde.txt can be made: " + ec.message());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path file = seasky::fuzz::ScratchFolder() / "scenes.csv";
    seasky::fuzz::WriteFile(file, data, size);
    seasky::fuzz::RequireSceneReading(file.string());
    return 0;
}
