// Fuzzes the NetCDF scene reader of batch runs (batch/scenes.h): the bytes are
// written to a file scenes.nc and read as a batch run reads it (fuzz_scenes.h
// lists the properties checked).
//
// The netCDF library allocates what a classic-format header declares before it
// finds that the file ends: a header of a few bytes may declare millions of
// variables, or a variable of a billion dimensions. Without the sanitizer such
// an allocation costs nothing until it is used, and the library refuses the
// file at once; under AddressSanitizer every freed byte is poisoned, which
// takes seconds and gigabytes. These inputs are about the library, not about
// seasky, and would stall the fuzzing, so
//  - a classic file whose header declares more elements than the bytes left
//    could hold is skipped (Header below), and
//  - an allocation above 2000 MB fails, as the library handles it (NC_ENOMEM),
//    where it would otherwise stop the run (libFuzzer's limit is 2048 MB); the
//    C++ code of seasky throws on a failed allocation, which still stops the
//    run as a crash.
// Other files, including truncated headers and declared data far larger than
// the file, are read.
#include <algorithm>
#include <cstdint>

#include "fuzz_scenes.h"

namespace {

// A reader of the big-endian header of a classic (CDF-1, CDF-2) or 64-bit data
// (CDF-5) file. Like the library, it reads zeros past the end of the file.
class Header {
public:
    Header(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    // False when the header declares more elements than the bytes left could
    // hold, or what the library cannot read without crashing; true otherwise,
    // and for what the library refuses at once (another format, a wrong tag).
    bool Plausible() {
        if (size_ < 4 || data_[0] != 'C' || data_[1] != 'D' || data_[2] != 'F') return true;
        const int version = data_[3];
        if (version != 1 && version != 2 && version != 5) return true;
        wide_ = version == 5;
        wideOffsets_ = version != 1;
        pos_ = 4;
        Count();  // the record count
        for (std::uint64_t list : {kDimensions, kAttributes, kVariables}) {
            const std::uint64_t tag = Number(4);
            const std::uint64_t count = Count();
            // No tag is read for an empty list, and a wrong one is refused at once.
            if (count != 0 && tag != list) return true;
            if (!Fits(count, 4)) return false;
            for (std::uint64_t i = 0; i < count; ++i) {
                const Verdict v = list == kDimensions ? Dimension() : list == kAttributes ? Attribute() : Variable();
                if (v != Verdict::fits) return v == Verdict::refused;
            }
        }
        return true;
    }

private:
    static constexpr std::uint64_t kDimensions = 0x0A, kVariables = 0x0B, kAttributes = 0x0C, kString = 12;
    enum class Verdict { fits, tooMuch, refused, libraryFault };

    std::uint64_t Number(int bytes) {
        std::uint64_t value = 0;
        for (int i = 0; i < bytes; ++i, ++pos_) value = value << 8 | (pos_ < size_ ? data_[pos_] : 0);
        return value;
    }
    std::uint64_t Count() { return Number(wide_ ? 8 : 4); }
    std::size_t Left() const { return pos_ < size_ ? size_ - pos_ : 0; }
    // True when count elements of at least bytes each fit in what is left.
    bool Fits(std::uint64_t count, std::uint64_t bytes) const { return count <= Left() / bytes; }
    void Skip(std::uint64_t bytes) { pos_ = bytes < Left() ? pos_ + static_cast<std::size_t>(bytes) : std::max(pos_, size_); }

    Verdict Name() {
        const std::uint64_t length = Count();
        if (!Fits(length, 1)) return Verdict::tooMuch;
        Skip((length + 3) / 4 * 4);
        return Verdict::fits;
    }
    Verdict Dimension() {
        if (const Verdict v = Name(); v != Verdict::fits) return v;
        Count();  // the length
        return Verdict::fits;
    }
    Verdict Attribute() {
        if (const Verdict v = Name(); v != Verdict::fits) return v;
        const std::uint64_t type = Number(4);
        const std::uint64_t count = Count();
        const std::uint64_t bytes = type == 1 || type == 2 || type == 7 ? 1
                                  : type == 3 || type == 8              ? 2
                                  : type == 6 || type == 10 || type == 11 ? 8
                                                                        : 4;
        if (!Fits(count, bytes)) return Verdict::tooMuch;
        Skip((count * bytes + 3) / 4 * 4);
        return Verdict::fits;
    }
    Verdict Variable() {
        if (const Verdict v = Name(); v != Verdict::fits) return v;
        const std::uint64_t dimensions = Count();
        if (!Fits(dimensions, wide_ ? 8 : 4)) return Verdict::tooMuch;
        Skip(dimensions * (wide_ ? 8 : 4));
        const std::uint64_t tag = Number(4);
        const std::uint64_t count = Count();
        if (count != 0 && tag != kAttributes) return Verdict::refused;
        if (!Fits(count, 4)) return Verdict::tooMuch;
        for (std::uint64_t a = 0; a < count; ++a)
            if (const Verdict v = Attribute(); v != Verdict::fits) return v;
        const std::uint64_t type = Number(4);
        Skip((wide_ ? 8 : 4) + (wideOffsets_ ? 8 : 4));  // the size and the data's offset
        // netCDF 4.9.0 (Debian 12) accepts a variable of type NC_STRING in a
        // classic file, takes its size per value as 0 and then divides by it
        // (SIGFPE in NC_check_vlen): a fault of the library, which the seed
        // corpus keeps as libnetcdf-sigfpe-string-variable.nc.
        if (type == kString && dimensions > 0) return Verdict::libraryFault;
        return Verdict::fits;
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    bool wide_ = false;         // 64-bit counts (CDF-5)
    bool wideOffsets_ = false;  // 64-bit data offsets (CDF-2, CDF-5)
};

}  // namespace

extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1:max_allocation_size_mb=2000"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!Header(data, size).Plausible()) return -1;
    static const std::filesystem::path file = seasky::fuzz::ScratchFolder() / "scenes.nc";
    seasky::fuzz::WriteFile(file, data, size);
    seasky::fuzz::RequireSceneReading(file.string());
    return 0;
}
