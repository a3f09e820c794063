#include "batch/netcdf_extent.h"

#include "batch/netcdf_library.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <optional>

#include "batch/scenes.h"

namespace seasky {

namespace {

constexpr std::uint64_t kMost = std::numeric_limits<std::uint64_t>::max();

// a x b and a + b, held at the largest value instead of wrapping.
std::uint64_t Times(std::uint64_t a, std::uint64_t b) { return b != 0 && a > kMost / b ? kMost : a * b; }
std::uint64_t Plus(std::uint64_t a, std::uint64_t b) { return a > kMost - b ? kMost : a + b; }

// Deflate's greatest compression ratio: a match of 258 bytes coded in 2 bits.
constexpr std::uint64_t kDeflateMostRatio = 1032;

// The filters of netCDF-4 whose output size is known: deflate (1), shuffle (2)
// and Fletcher-32 (3) in HDF5's numbering.
constexpr unsigned kDeflateFilter = 1, kShuffleFilter = 2, kFletcherFilter = 3;

void Nc(int status, const std::string& what) {
    if (status != NC_NOERR) throw BatchError(what + ": " + nc_strerror(status));
}

// A variable's shape as the netCDF interface tells it.
struct Shape {
    std::uint64_t slab = 1;  // values of one record (all values when not a record variable)
    std::uint64_t typeSize = 0;
    bool record = false;
    nc_type type = NC_NAT;
};

Shape ShapeOf(int ncid, int var, int unlimited, const std::string& path) {
    Shape s;
    int dims = 0;
    Nc(nc_inq_var(ncid, var, nullptr, &s.type, &dims, nullptr, nullptr), path);
    std::size_t size = 0;
    Nc(nc_inq_type(ncid, s.type, nullptr, &size), path);
    s.typeSize = size;
    std::vector<int> ids(static_cast<std::size_t>(std::max(dims, 1)));
    Nc(nc_inq_vardimid(ncid, var, ids.data()), path);
    for (int d = 0; d < dims; ++d) {
        if (d == 0 && ids[0] == unlimited) {
            s.record = true;
            continue;
        }
        std::size_t length = 0;
        Nc(nc_inq_dimlen(ncid, ids[d], &length), path);
        s.slab = Times(s.slab, length);
    }
    return s;
}

// Big-endian reading of a classic header by offsets, a block at a time.
class HeaderReader {
public:
    HeaderReader(int fd, std::uint64_t fileBytes, bool wide) : fd_(fd), fileBytes_(fileBytes), wide_(wide) {}

    bool Skip(std::uint64_t bytes) {
        if (bytes > fileBytes_ - std::min(offset_, fileBytes_)) return false;
        offset_ += bytes;
        return true;
    }
    bool Word(std::uint64_t& value, int bytes) {
        unsigned char b[8];
        if (!Bytes(b, bytes)) return false;
        value = 0;
        for (int i = 0; i < bytes; ++i) value = (value << 8) | b[i];
        return true;
    }
    // A tag or a type: four bytes in every version.
    bool Four(std::uint64_t& value) { return Word(value, 4); }
    // A count, a length or a size: eight bytes in CDF-5, four before.
    bool Count(std::uint64_t& value) { return Word(value, wide_ ? 8 : 4); }
    // A name: its length and its bytes, padded to four.
    bool Name() {
        std::uint64_t length = 0;
        return Count(length) && Skip(Padded(length));
    }
    static std::uint64_t Padded(std::uint64_t bytes) { return Plus(bytes, (4 - bytes % 4) % 4); }

private:
    bool Bytes(unsigned char* out, int n) {
        for (int i = 0; i < n; ++i) {
            if (offset_ < start_ || offset_ >= start_ + filled_) {
                ssize_t got;
                do {
                    got = ::pread(fd_, block_, sizeof block_, static_cast<off_t>(offset_));
                } while (got < 0 && errno == EINTR);
                if (got <= 0) return false;
                start_ = offset_;
                filled_ = static_cast<std::uint64_t>(got);
            }
            out[i] = block_[offset_ - start_];
            ++offset_;
        }
        return true;
    }

    int fd_;
    std::uint64_t fileBytes_;
    bool wide_;
    std::uint64_t offset_ = 0;
    std::uint64_t start_ = 0, filled_ = 0;
    unsigned char block_[65536];
};

// The external size of a classic type, 0 for one the classic formats lack.
std::uint64_t ClassicTypeSize(std::uint64_t type) {
    switch (type) {
        case NC_BYTE: case NC_CHAR: case NC_UBYTE: return 1;
        case NC_SHORT: case NC_USHORT: return 2;
        case NC_INT: case NC_UINT: case NC_FLOAT: return 4;
        case NC_DOUBLE: case NC_INT64: case NC_UINT64: return 8;
        default: return 0;
    }
}

// The begin offsets of every variable of a classic header, in variable order;
// nothing when the header does not read as the netCDF library read it.
std::optional<std::vector<std::uint64_t>> ClassicBegins(const std::string& path, int version) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    struct stat info {};
    std::optional<std::vector<std::uint64_t>> result;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        HeaderReader h(fd, static_cast<std::uint64_t>(info.st_size), version == 5);
        const int offsetBytes = version == 1 ? 4 : 8;
        // Tags of the header's lists.
        constexpr std::uint64_t kDimensions = 0x0A, kVariables = 0x0B, kAttributes = 0x0C;
        std::uint64_t tag = 0, count = 0, value = 0;
        auto attributes = [&h] {
            std::uint64_t tag = 0, count = 0;
            if (!h.Four(tag) || !h.Count(count)) return false;
            if (tag == 0) return count == 0;
            if (tag != kAttributes) return false;
            for (std::uint64_t a = 0; a < count; ++a) {
                std::uint64_t type = 0, values = 0;
                if (!h.Name() || !h.Four(type) || !h.Count(values)) return false;
                const std::uint64_t size = ClassicTypeSize(type);
                if (size == 0 || !h.Skip(HeaderReader::Padded(Times(values, size)))) return false;
            }
            return true;
        };
        std::vector<std::uint64_t> begins;
        bool ok = h.Skip(4) && h.Count(value);  // magic, number of records
        ok = ok && h.Four(tag) && h.Count(count) && (tag == kDimensions || (tag == 0 && count == 0));
        for (std::uint64_t d = 0; ok && tag == kDimensions && d < count; ++d) ok = h.Name() && h.Count(value);
        ok = ok && attributes();
        ok = ok && h.Four(tag) && h.Count(count) && (tag == kVariables || (tag == 0 && count == 0));
        for (std::uint64_t v = 0; ok && tag == kVariables && v < count; ++v) {
            std::uint64_t dims = 0, type = 0, begin = 0;
            ok = h.Name() && h.Count(dims) && h.Skip(Times(dims, version == 5 ? 8 : 4)) && attributes() &&
                 h.Four(type) && h.Count(value) && h.Word(begin, offsetBytes);
            if (ok) begins.push_back(begin);
        }
        if (ok) result = std::move(begins);
    }
    ::close(fd);
    return result;
}

// Classic, 64-bit-offset and CDF-5: the end of the last value of every variable read.
DeclaredExtent ClassicExtent(int ncid, const std::string& path, int version, const std::vector<int>& variables) {
    DeclaredExtent extent;
    int count = 0, unlimited = -1;
    Nc(nc_inq_nvars(ncid, &count), path);
    Nc(nc_inq_unlimdim(ncid, &unlimited), path);
    const std::optional<std::vector<std::uint64_t>> begins = ClassicBegins(path, version);
    if (!begins || begins->size() != static_cast<std::size_t>(count))
        throw BatchError(path + ": the header cannot be read to check that the file holds its values");
    std::uint64_t records = 0;
    if (unlimited >= 0) {
        std::size_t length = 0;
        Nc(nc_inq_dimlen(ncid, unlimited, &length), path);
        records = length;
    }
    // One record holds every record variable's values, each padded to four
    // bytes; a lone record variable is not padded (the netCDF classic layout).
    std::vector<Shape> shapes;
    std::uint64_t recordBytes = 0;
    int firstRecord = -1;
    for (int v = 0; v < count; ++v) {
        shapes.push_back(ShapeOf(ncid, v, unlimited, path));
        if (!shapes.back().record) continue;
        if (firstRecord < 0) firstRecord = v;
        recordBytes = Plus(recordBytes, HeaderReader::Padded(Times(shapes.back().slab, shapes.back().typeSize)));
    }
    if (firstRecord >= 0) {
        const Shape& first = shapes[static_cast<std::size_t>(firstRecord)];
        const std::uint64_t firstBytes = Times(first.slab, first.typeSize);
        if (recordBytes == HeaderReader::Padded(firstBytes)) recordBytes = firstBytes;
    }
    for (int v : variables) {
        const Shape& s = shapes.at(static_cast<std::size_t>(v));
        const std::uint64_t bytes = Times(s.slab, s.typeSize);
        if (bytes == 0 || (s.record && records == 0)) continue;
        const std::uint64_t end = s.record ? Plus((*begins)[v], Plus(Times(records - 1, recordBytes), bytes))
                                           : Plus((*begins)[v], bytes);
        extent.bytes = std::max(extent.bytes, end);
    }
    extent.exact = true;
    return extent;
}

// netCDF-4: the least bytes the values of the variables read can take.
DeclaredExtent Netcdf4Extent(int ncid, const std::string& path, const std::vector<int>& variables) {
    DeclaredExtent extent;
    for (int v : variables) {
        // In a netCDF-4 file an unlimited dimension has the length written, so
        // every dimension counts as a fixed one.
        const Shape s = ShapeOf(ncid, v, -1, path);
        if (s.type > NC_STRING || s.type == NC_STRING) continue;  // user types and strings: stored elsewhere
        std::size_t filters = 0;
        Nc(nc_inq_var_filter_ids(ncid, v, &filters, nullptr), path);
        std::vector<unsigned> ids(filters);
        if (filters > 0) Nc(nc_inq_var_filter_ids(ncid, v, &filters, ids.data()), path);
        bool deflate = false, known = true;
        for (unsigned id : ids) {
            if (id == kDeflateFilter) deflate = true;
            else if (id != kShuffleFilter && id != kFletcherFilter) known = false;
        }
        if (!known) continue;
        const std::uint64_t bytes = Times(s.slab, s.typeSize);
        extent.bytes = Plus(extent.bytes, deflate ? bytes / kDeflateMostRatio : bytes);
    }
    return extent;
}

std::string WithThousands(std::uint64_t n) {
    std::string digits = std::to_string(n), text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
        text += digits[i];
    }
    return text;
}

}  // namespace

DeclaredExtent DeclaredBytes(int ncid, const std::string& path, const std::vector<int>& variables) {
    int format = 0;
    Nc(nc_inq_format(ncid, &format), path);
    switch (format) {
        case NC_FORMAT_CLASSIC: return ClassicExtent(ncid, path, 1, variables);
        case NC_FORMAT_64BIT_OFFSET: return ClassicExtent(ncid, path, 2, variables);
        case NC_FORMAT_CDF5: return ClassicExtent(ncid, path, 5, variables);
        case NC_FORMAT_NETCDF4:
        case NC_FORMAT_NETCDF4_CLASSIC: return Netcdf4Extent(ncid, path, variables);
        default: return {};
    }
}

std::string ExtentRefusal(const std::string& path, std::size_t scenes, const DeclaredExtent& declared,
                          std::uint64_t fileBytes) {
    if (declared.bytes <= fileBytes) return "";
    if (declared.exact)
        return path + ": file truncated: it declares " + std::to_string(scenes) + " scenes (" +
               WithThousands(declared.bytes) + " bytes) but holds " + WithThousands(fileBytes) + " bytes";
    return path + ": the file declares " + std::to_string(scenes) + " scenes, whose values take at least " +
           WithThousands(declared.bytes) + " bytes, but it holds " + WithThousands(fileBytes) +
           " bytes: it was cut short or its values were never written";
}

}  // namespace seasky
