#include "batch/batch_output.h"

#include "batch/netcdf_library.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <set>
#include <span>
#include <sstream>
#include <type_traits>

#include "app/model_outputs.h"
#include "batch/grid_boxes.h"
#include "batch/output_file.h"

namespace seasky {

namespace {

// The columns of a CSV row before the results: the scene and the channel's
// calculation (its name, centre frequency, polarisation, incidence angle).
constexpr std::array<Quantity, 5> kCsvLeading{Quantity::Scene, Quantity::Channel, Quantity::Frequency,
                                              Quantity::Polarisation, Quantity::IncidenceAngle};

// "airTemperature, pressure, humidity, cloud".
std::string LevelDerivativeNames() {
    std::string names;
    for (const char* n : kLevelQuantityNames) names += (names.empty() ? "" : ", ") + std::string(n);
    return names;
}

// Chunks of the variables along the scene dimension hold about this much (the
// HDF5 guide's range is some hundred KiB to a few MiB), and each variable's
// chunk cache two chunks: enough to complete a chunk that successive blocks of
// scenes write in parts before it leaves the cache (so that it is compressed
// and written once), and little memory over some ten variables.
constexpr std::size_t kChunkBytes = 512 * 1024;
constexpr std::size_t kChunkCacheChunks = 2;
// The bytes of a message as the chunks count them (a refusal is about as long).
constexpr std::size_t kMessageBytes = 256;
// Room for the HDF5 metadata written at nc_close (object headers, chunk
// indices, the heap of the message strings).
constexpr unsigned long long kMetadataRoom = 1ull << 20;
// Deflate level 1 (zlib's fastest): NaN runs, flags and smooth fields shrink
// well already, and the writing stays a small part of the run's time.
constexpr int kDeflateLevel = 1;
// The CSV text is handed to the file whenever this much has gathered: a block's
// rows (scenes x channels, each with the pass-through values repeated) are
// never held whole, so that the block plan's budget (block_plan.h) need not
// count them.
constexpr std::size_t kCsvWriteBytes = 1 << 20;

// A failed netCDF call: "disk full" when it was for want of space (the HDF5
// library leaves the errno of its failed write), else the library's words.
void NcWrite(int status, const std::string& path) {
    if (status == NC_NOERR) return;
    int error = errno;
    if (error != ENOSPC && error != EDQUOT) error = 0;
    throw BatchError(WriteFailureText(path, error, nc_strerror(status)));
}

void NcRead(int status, const std::string& what) {
    if (status != NC_NOERR) throw BatchError(what + ": " + nc_strerror(status));
}

std::string Now() {
    const std::time_t t = std::time(nullptr);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", std::gmtime(&t));
    return text;
}

std::string Shortest(double v) {
    if (std::isnan(v)) return "";
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

// Appends word to a list of words separated by separator.
void Join(std::string& list, std::string_view word, const char* separator) {
    if (!list.empty()) list += separator;
    list += word;
}

// A CSV field in double quotes, its quotes doubled.
std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    for (char x : text) quoted += x == '"' ? std::string("\"\"") : std::string(1, x);
    return quoted + '"';
}

// The first refusal of a scene: its own, or a channel's.
std::string MessageOf(const Scene& scene, const std::vector<ChannelOutcome>& outcomes) {
    if (scene.failure) return scene.failure->message;
    for (const ChannelOutcome& o : outcomes)
        if (o.failure) return o.failure->message;
    return "";
}

// A NetCDF file (the scene file, a surface file), open for the attributes of
// its variables that the output passes through.
class SceneFile {
public:
    explicit SceneFile(const std::string& path) : path_(path) {
        NcRead(nc_open(path.c_str(), NC_NOWRITE, &ncid_), "Cannot open " + path + " (the attributes of its variables)");
    }
    ~SceneFile() { nc_close(ncid_); }
    SceneFile(const SceneFile&) = delete;
    SceneFile& operator=(const SceneFile&) = delete;
    int Id() const { return ncid_; }
    int Variable(const std::string& name) const {
        int id = -1;
        NcRead(nc_inq_varid(ncid_, name.c_str(), &id), path_ + ", " + name);
        return id;
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    int ncid_ = -1;
};

// Calls f with the value of a netCDF numeric type at p, as that C++ type.
template <class Function>
auto WithValueAt(int type, const unsigned char* p, Function f) {
    auto at = [&](auto v) {
        std::memcpy(&v, p, sizeof v);
        return f(v);
    };
    switch (type) {
        case NC_BYTE: return at(static_cast<signed char>(0));
        case NC_UBYTE: return at(static_cast<unsigned char>(0));
        case NC_SHORT: return at(static_cast<short>(0));
        case NC_USHORT: return at(static_cast<unsigned short>(0));
        case NC_INT: return at(0);
        case NC_UINT: return at(0u);
        case NC_INT64: return at(0ll);
        case NC_UINT64: return at(0ull);
        case NC_FLOAT: return at(0.0f);
        default: return at(0.0);
    }
}

// One value of a netCDF numeric type at p, exactly (a long double holds every
// 64-bit integer).
long double ValueAt(int type, const unsigned char* p) {
    return WithValueAt(type, p, [](auto v) { return static_cast<long double>(v); });
}

// The text of one value, as the shortest that reads back to it (NaN: empty).
std::string TextAt(int type, const unsigned char* p) {
    return WithValueAt(type, p, [](auto v) {
        char buf[48];
        if constexpr (std::is_floating_point_v<decltype(v)>) {
            if (std::isnan(v)) return std::string();
            return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
        } else if constexpr (std::is_signed_v<decltype(v)>) {
            return std::string(buf, std::to_chars(buf, buf + sizeof buf, static_cast<long long>(v)).ptr);
        } else {
            return std::string(buf, std::to_chars(buf, buf + sizeof buf, static_cast<unsigned long long>(v)).ptr);
        }
    });
}

// A pass-through variable as a CSV column: its missing values and its packing.
struct CsvColumn {
    std::string name;  // as written
    int type = NC_DOUBLE;
    std::size_t size = 8;             // bytes per value
    std::vector<long double> missing;  // _FillValue and the missing_value values
    std::optional<double> scale, offset;

    std::string Text(const unsigned char* p) const {
        const long double v = ValueAt(type, p);
        for (long double m : missing)
            if (v == m) return "";
        if (!scale && !offset) return TextAt(type, p);
        return Shortest(static_cast<double>(v) * scale.value_or(1.0) + offset.value_or(0.0));
    }
};

// The values of a numeric attribute, exactly; none when it is absent or text.
std::vector<long double> AttributeValues(int ncid, int var, const char* name) {
    nc_type type;
    std::size_t length = 0;
    if (nc_inq_att(ncid, var, name, &type, &length) != NC_NOERR || length == 0 || type == NC_CHAR ||
        type >= NC_STRING)
        return {};
    std::size_t size = 0;
    if (nc_inq_type(ncid, type, nullptr, &size) != NC_NOERR) return {};
    std::vector<unsigned char> raw(length * size);
    if (nc_get_att(ncid, var, name, raw.data()) != NC_NOERR) return {};
    std::vector<long double> values;
    for (std::size_t i = 0; i < length; ++i) values.push_back(ValueAt(type, raw.data() + i * size));
    return values;
}

std::optional<double> FirstValue(int ncid, int var, const char* name) {
    const std::vector<long double> values = AttributeValues(ncid, var, name);
    if (values.empty()) return std::nullopt;
    return static_cast<double>(values[0]);
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The file's extension says NetCDF (as OpenScenes reads it).
bool IsNetcdfPath(const std::string& path) {
    const std::string extension = Lower(std::filesystem::path(path).extension().string());
    return extension == ".nc" || extension == ".nc4" || extension == ".cdf" || extension == ".netcdf";
}

// The NetCDF file a pass-through or coordinate variable's attributes are copied
// from: its own, else (a variable with no text attributes either, as the
// NetCDF scene files give them) the scene file; empty: its text attributes.
std::string AttributeFileOf(const PassThrough& v, const RunDescription& run) {
    if (!v.sourceFile.empty()) return v.sourceFile;
    if (v.attributes.empty() && IsNetcdfPath(run.scenesFile)) return run.scenesFile;
    return {};
}

// The NetCDF files attributes are copied from, each opened once.
class SourceFiles {
public:
    const SceneFile& Of(const std::string& path) {
        std::unique_ptr<SceneFile>& file = files_[path];
        if (!file) file = std::make_unique<SceneFile>(path);
        return *file;
    }

private:
    std::map<std::string, std::unique_ptr<SceneFile>> files_;
};

// A number written as text (a GRIB variable's attribute), when all of it is one.
std::optional<double> TextNumber(const std::string& text) {
    double v = 0.0;
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, v);
    if (r.ec != std::errc() || r.ptr != end) return std::nullopt;
    return v;
}

// v as a value of a netCDF numeric type, exactly as a file of that type holds it.
long double InType(int type, double v) {
    const unsigned char zero[8] = {};
    return WithValueAt(type, zero, [v](auto t) { return static_cast<long double>(static_cast<decltype(t)>(v)); });
}

// The text attributes that CF wants as numbers of the variable's type.
bool IsNumericAttribute(const std::string& name) {
    for (const char* n : {"_FillValue", "missing_value", "scale_factor", "add_offset", "valid_min", "valid_max"})
        if (name == n) return true;
    return false;
}

// A variable of the output's values as a CSV column: its missing values and
// packing from the file it comes from, or from its text attributes.
CsvColumn CsvColumnOf(const PassThrough& v, const std::string& name, const RunDescription& run,
                      SourceFiles& files) {
    CsvColumn c;
    c.name = name;
    c.type = v.type;
    const std::string file = AttributeFileOf(v, run);
    if (file.empty()) {
        c.size = v.valueBytes;
        for (const auto& [attribute, text] : v.attributes) {
            const std::optional<double> number = TextNumber(text);
            if (!number) continue;
            if (attribute == "_FillValue" || attribute == "missing_value") c.missing.push_back(InType(v.type, *number));
            if (attribute == "scale_factor") c.scale = number;
            if (attribute == "add_offset") c.offset = number;
        }
        return c;
    }
    const SceneFile& source = files.Of(file);
    NcRead(nc_inq_type(source.Id(), c.type, nullptr, &c.size), source.Path() + ", " + v.name);
    const int id = source.Variable(v.name);
    c.missing = AttributeValues(source.Id(), id, "_FillValue");
    for (long double m : AttributeValues(source.Id(), id, "missing_value")) c.missing.push_back(m);
    c.scale = FirstValue(source.Id(), id, "scale_factor");
    c.offset = FirstValue(source.Id(), id, "add_offset");
    return c;
}

std::vector<std::pair<std::string, std::string>> RenamesOf(const std::vector<PassThrough>& passThrough,
                                                           const std::vector<std::string>& names) {
    std::vector<std::pair<std::string, std::string>> renamed;
    for (std::size_t v = 0; v < passThrough.size(); ++v)
        if (names[v] != passThrough[v].name) renamed.emplace_back(passThrough[v].name, names[v]);
    return renamed;
}

// The dimensions of the output's scenes: the grid, or scene alone for a list.
// The grid must hold the scenes and not take a name of the output's other
// dimensions.
std::vector<GridDimension> GridOf(const RunDescription& run, std::size_t sceneCount) {
    if (run.grid.empty()) return {{InfoOf(Quantity::Scene).variable, sceneCount}};
    std::vector<std::size_t> shape;
    std::set<std::string> names;
    for (const GridDimension& d : run.grid) {
        shape.push_back(d.size);
        for (const char* own : {InfoOf(Quantity::Channel).variable, "sub_band", "bound", "level"})
            if (d.name == own)
                throw BatchError("Scene dimension " + d.name + " of " + run.scenesFile +
                                 " has the name of a dimension of the output");
        if (!names.insert(d.name).second)
            throw BatchError("Scene dimension " + d.name + " of " + run.scenesFile + " is given twice");
    }
    if (ScenesOfGrid(shape) != sceneCount)
        throw BatchError("The scene dimensions of " + run.scenesFile + " hold " + std::to_string(ScenesOfGrid(shape)) +
                         " scenes, not the " + std::to_string(sceneCount) + " read");
    return run.grid;
}

// True for a list of scenes (one dimension, scene).
bool IsList(const std::vector<GridDimension>& grid) {
    return grid.size() == 1 && grid[0].name == InfoOf(Quantity::Scene).variable;
}

// The index along each dimension of scene number `scene` of a grid (row-major).
std::vector<std::size_t> IndicesOf(const std::vector<std::size_t>& shape, std::size_t scene) {
    std::vector<std::size_t> index(shape.size());
    for (std::size_t d = shape.size(); d-- > 0;) {
        index[d] = scene % shape[d];
        scene /= shape[d];
    }
    return index;
}

// The grid dimensions (their places in grid) a coordinate variable spans, in
// its order; throws BatchError for a dimension that is not the grid's.
std::vector<std::size_t> CoordinateDims(const PassThrough& c, const std::vector<GridDimension>& grid) {
    std::vector<std::size_t> places;
    for (const std::string& name : c.dims) {
        std::size_t d = 0;
        while (d < grid.size() && grid[d].name != name) ++d;
        if (d == grid.size())
            throw BatchError("Coordinate " + c.name + " has the dimension " + name + ", which is no scene dimension");
        places.push_back(d);
    }
    return places;
}

// The place of a grid coordinate's value at the given grid indices.
std::size_t CoordinateOffset(const std::vector<std::size_t>& places, const std::vector<GridDimension>& grid,
                             const std::vector<std::size_t>& index) {
    std::size_t offset = 0;
    for (std::size_t d : places) offset = offset * grid[d].size + index[d];
    return offset;
}

// The room a NetCDF output keeps on its file system for nc_close (see
// TemporaryOutput::Reserve): what the chunk caches can hold unwritten, at most
// the whole variable, for every variable along the scene dimensions, and the
// metadata. HDF5 1.10 (Debian 12) leaves a file whose last flush failed for
// want of space in a state that crashes the process at exit (in
// H5_term_library), so that a full disk would end the run with SIGSEGV after
// its message; with this room given back first, the flush completes.
unsigned long long ReserveBytes(std::size_t scenes, std::size_t channels, std::size_t levels,
                                const JacobianSelection& selection, std::size_t passThrough, bool profileSources) {
    unsigned long long total = kMetadataRoom;
    auto add = [&](unsigned long long bytesPerScene, int count, unsigned long long chunk = kChunkBytes) {
        total += count * std::min(kChunkCacheChunks * chunk, scenes * bytesPerScene);
    };
    add(channels * 8ull, 6);                // tb, tb_up, tb_down, opacity, emissivity_v, emissivity_h
    add(channels, 1);                       // status
    add(kMessageBytes, 2);                  // message, note
    add(kMessageBytes, profileSources ? 1 : 0);  // profile_source (a path, about as long)
    add(8, static_cast<int>(passThrough));  // at most 8 bytes a value
    int scalars = 0, perLevel = selection.weighting ? 1 : 0;
    for (bool on : selection.surface) scalars += on ? 1 : 0;
    for (bool on : selection.columns) scalars += on ? 1 : 0;
    for (bool on : selection.level) perLevel += on ? 1 : 0;
    add(channels * 8ull, scalars);
    // A chunk holds at least one channel's levels of a scene.
    const unsigned long long column = std::max<std::size_t>(levels, 1) * 8ull;
    add(channels * column, perLevel, std::max<unsigned long long>(kChunkBytes, column));
    add(column, selection.AnyLevel() ? 1 : 0, std::max<unsigned long long>(kChunkBytes, column));  // height
    return total;
}

// The temporary file of an output; a failure ends the run.
std::unique_ptr<TemporaryOutput> Temporary(const std::string& path) {
    try {
        return std::make_unique<TemporaryOutput>(path);
    } catch (const OutputFileError& e) {
        throw BatchError(e.what());
    }
}

class NetcdfWriter final : public ResultWriter {
public:
    NetcdfWriter(const std::string& path, const Sensor& sensor, const std::vector<int>& channels,
                 std::size_t sceneCount, const std::vector<PassThrough>& passThrough, const RunDescription& run)
        : path_(path), temporary_(Temporary(path)), channels_(channels.size()), selection_(run.jacobians),
          levels_(run.levels), grid_(GridOf(run, sceneCount)) {
        for (const GridDimension& d : grid_) shape_.push_back(d.size);
        try {
            temporary_->Reserve(ReserveBytes(sceneCount, channels.size(), levels_, selection_, passThrough.size(),
                                            run.profileSources));
        } catch (const OutputFileError& e) {
            throw BatchError(e.what());
        }
        // NC_NOCLOBBER: the library creates the file exclusively (O_EXCL), in
        // the run's private folder.
        const int status = nc_create(temporary_->File().c_str(), NC_NOCLOBBER | NC_NETCDF4, &ncid_);
        if (status != NC_NOERR) NcWrite(status, path);
        open_ = true;
        try {
            Define(sensor, channels, passThrough, run);
        } catch (...) {
            Abandon();
            throw;
        }
    }
    ~NetcdfWriter() override { Abandon(); }

    // The block's scenes, box by box of the grid (BoxesOfRange): a list of
    // scenes is one box, one nc_put_vara per variable.
    void Write(std::size_t first, const std::vector<std::vector<ChannelOutcome>>& outcomes,
               const std::vector<std::vector<ChannelDerivatives>>& derivatives, const std::vector<Scene>& scenes,
               std::vector<PassThrough>& passThrough) override {
        const std::size_t n = outcomes.size();
        if (n == 0) return;
        const std::size_t C = channels_;
        std::array<std::vector<double>, kChannelResults.size()> results;
        results.fill(std::vector<double>(n * C, std::nan("")));
        std::vector<signed char> status(n * C);
        for (std::size_t s = 0; s < n; ++s)
            for (std::size_t c = 0; c < C; ++c) {
                const ChannelOutcome& o = outcomes[s][c];
                const std::size_t i = s * C + c;
                if (o.computed) {
                    const std::array<double, kChannelResults.size()> values = ChannelValues(o);
                    for (std::size_t k = 0; k < values.size(); ++k) results[k][i] = values[k];
                }
                status[i] = static_cast<signed char>(StatusOf(scenes[s], o));
            }
        std::vector<std::string> messages(n);
        std::vector<const char*> messageTexts(n), notes(n), sources(n);
        for (std::size_t s = 0; s < n; ++s) {
            messages[s] = MessageOf(scenes[s], outcomes[s]);
            messageTexts[s] = messages[s].c_str();
            notes[s] = scenes[s].note.c_str();
            sources[s] = scenes[s].profileSource.c_str();
        }
        const std::vector<GridBox> boxes = BoxesOfRange(shape_, first, n);
        const std::size_t text = sizeof(const char*);
        for (const GridBox& box : boxes) {
            for (std::size_t k = 0; k < results.size(); ++k)
                Put(resultIds_[k], box, first, {C}, results[k].data(), C * sizeof(double));
            Put(status_, box, first, {C}, status.data(), C);
            Put(message_, box, first, {}, messageTexts.data(), text);
            Put(note_, box, first, {}, notes.data(), text);
            if (profileSource_ >= 0) Put(profileSource_, box, first, {}, sources.data(), text);
            for (std::size_t v = 0; v < passThrough.size(); ++v)
                Put(passThroughIds_[v], box, first, {}, passThrough[v].data.data(), passThroughBytes_[v]);
        }
        if (height_ >= 0) WriteHeights(first, boxes, scenes);
        if (!derivatives.empty()) WriteDerivatives(first, boxes, outcomes, derivatives, scenes);
    }

    void Commit() override {
        // The file is closed whatever nc_close says: it is abandoned on failure.
        temporary_->Release();
        open_ = false;
        NcWrite(nc_close(ncid_), path_);
        try {
            temporary_->Commit();
        } catch (const OutputFileError& e) {
            throw BatchError(e.what());
        }
    }

    void Abandon() override {
        temporary_->Release();
        if (open_) nc_close(ncid_);
        open_ = false;
        temporary_->Abandon();
    }

private:
    // The part of a block's values (scene by scene, sceneBytes each, from scene
    // first) that lies in box, written to variable id, whose dimensions are the
    // scene dimensions and then those of the lengths inner.
    void Put(int id, const GridBox& box, std::size_t first, std::initializer_list<std::size_t> inner,
             const void* values, std::size_t sceneBytes) {
        std::vector<std::size_t> start = box.start, count = box.count;
        for (std::size_t length : inner) {
            start.push_back(0);
            count.push_back(length);
        }
        const auto* at = static_cast<const unsigned char*>(values) + (box.first - first) * sceneBytes;
        NcWrite(nc_put_vara(ncid_, id, start.data(), count.data(), at), path_);
    }

    // height(<scene>, level): each scene's profile heights at their levels.
    void WriteHeights(std::size_t first, const std::vector<GridBox>& boxes, const std::vector<Scene>& scenes) {
        std::vector<double> heights(scenes.size() * levels_, std::nan(""));
        for (std::size_t s = 0; s < scenes.size(); ++s) {
            const std::vector<int>& index = scenes[s].levelIndex;
            const std::vector<double>& height = scenes[s].profile.height;
            for (std::size_t i = 0; i < index.size() && i < height.size(); ++i)
                heights[s * levels_ + index[i]] = height[i];
        }
        for (const GridBox& box : boxes) Put(height_, box, first, {levels_}, heights.data(), levels_ * sizeof(double));
    }

    void WriteDerivatives(std::size_t first, const std::vector<GridBox>& boxes,
                          const std::vector<std::vector<ChannelOutcome>>& outcomes,
                          const std::vector<std::vector<ChannelDerivatives>>& derivatives,
                          const std::vector<Scene>& scenes) {
        const std::size_t n = outcomes.size();
        const std::size_t C = channels_;
        const double nan = std::nan("");
        std::vector<double> values(n * C);
        auto scalar = [&](int id, auto value) {
            for (std::size_t s = 0; s < n; ++s)
                for (std::size_t c = 0; c < C; ++c)
                    values[s * C + c] = outcomes[s][c].computed ? value(derivatives[s][c]) : nan;
            for (const GridBox& box : boxes) Put(id, box, first, {C}, values.data(), C * sizeof(double));
        };
        for (SurfaceInput k : kSurfaceInputList)
            if (surfaceIds_[Index(k)] >= 0)
                scalar(surfaceIds_[Index(k)], [k](const ChannelDerivatives& d) { return d.surface[Index(k)]; });
        for (WaterColumn k : kWaterColumnList)
            if (columnIds_[Index(k)] >= 0)
                scalar(columnIds_[Index(k)], [k](const ChannelDerivatives& d) { return d.columns[Index(k)]; });
        std::vector<double> profile(n * C * levels_);
        auto perLevel = [&](int id, auto value) {
            std::fill(profile.begin(), profile.end(), nan);
            for (std::size_t s = 0; s < n; ++s)
                for (std::size_t c = 0; c < C; ++c) {
                    if (!outcomes[s][c].computed) continue;
                    const std::vector<int>& index = scenes[s].levelIndex;
                    for (std::size_t i = 0; i < index.size(); ++i)
                        profile[(s * C + c) * levels_ + index[i]] = value(derivatives[s][c], i);
                }
            for (const GridBox& box : boxes)
                Put(id, box, first, {C, levels_}, profile.data(), C * levels_ * sizeof(double));
        };
        for (LevelQuantity q : kLevelQuantities)
            if (levelIds_[Index(q)] >= 0)
                perLevel(levelIds_[Index(q)], [q](const ChannelDerivatives& d, std::size_t i) {
                    return d.level[Index(q) * (d.level.size() / kProfileQuantities) + i];
                });
        if (weightingId_ >= 0)
            perLevel(weightingId_, [](const ChannelDerivatives& d, std::size_t i) { return d.weighting[i]; });
    }

    // The dimensions of a variable: the scene dimensions, then others.
    std::vector<int> SceneDims(std::initializer_list<int> inner) const {
        std::vector<int> dims = sceneDims_;
        dims.insert(dims.end(), inner);
        return dims;
    }

    void DefineDerivatives(int channel) {
        const JacobianSelection& s = selection_;
        const std::vector<int> sc = SceneDims({channel});
        const int n = static_cast<int>(sc.size());
        for (SurfaceInput k : kSurfaceInputList)
            if (s.Has(k))
                surfaceIds_[Index(k)] = Variable(DerivativeVariable(NameOf(k)).c_str(), NC_DOUBLE, n, sc.data(),
                                                 DerivativeUnitOf(k),
                                                 ("derivative of tb with respect to " + std::string(NameOf(k))).c_str());
        const char* columnTitles[2] = {"derivative of tb with respect to ln of the total column water vapour "
                                       "(a uniform relative change of the humidity profile)",
                                       "derivative of tb with respect to ln of the liquid water path (a uniform "
                                       "relative change of the cloud profile)"};
        for (WaterColumn k : kWaterColumnList)
            if (s.Has(k))
                columnIds_[Index(k)] = Variable(DerivativeVariable(NameOf(k)).c_str(), NC_DOUBLE, n, sc.data(),
                                                kColumnDerivativeUnit, columnTitles[Index(k)]);
        if (!s.AnyLevel()) return;
        int level = -1;
        NcWrite(nc_def_dim(ncid_, "level", levels_, &level), path_);
        const std::vector<int> scl = SceneDims({channel, level});
        const std::vector<int> sl = SceneDims({level});
        height_ = Variable(Quantity::Height, NC_DOUBLE, n, sl.data());
        const char* levelTitles[kProfileQuantities] = {
            "derivative of tb with respect to the air temperature of each level",
            "derivative of tb with respect to the air pressure of each level",
            "derivative of tb with respect to the absolute humidity (water vapour density) of each level",
            "derivative of tb with respect to the cloud liquid water content of each level"};
        for (LevelQuantity q : kLevelQuantities)
            if (s.Has(q))
                levelIds_[Index(q)] = Variable(DerivativeVariable(NameOf(q)).c_str(), NC_DOUBLE, n + 1, scl.data(),
                                               DerivativeUnitOf(q), levelTitles[Index(q)]);
        if (s.weighting)
            weightingId_ = Variable(kWeightingVariable, NC_DOUBLE, n + 1, scl.data(), kWeightingUnit,
                                    "temperature weighting function: derivative of tb with respect to each level's "
                                    "air temperature per km of the height the level stands for");
    }

    // Every attribute of the scene file's variable, with its type and all its
    // values; its _FillValue becomes the fill value of the copy (set before
    // nc_enddef, in the variable's type). Attributes with a leading underscore
    // that the library refuses to copy are its own records of how the scene
    // file was stored (e.g. _QuantizeBitGroomNumberOfSignificantDigits), not
    // part of the values, and are left out.
    void CopyAttributes(const SceneFile& source, const std::string& name, int id, nc_type type) {
        const int from = source.Variable(name);
        int count = 0;
        NcRead(nc_inq_varnatts(source.Id(), from, &count), source.Path() + ", " + name);
        for (int a = 0; a < count; ++a) {
            char attribute[NC_MAX_NAME + 1];
            NcRead(nc_inq_attname(source.Id(), from, a, attribute), source.Path() + ", " + name);
            if (std::strcmp(attribute, "_FillValue") == 0) {
                CopyFill(source, from, name, id, type);
                continue;
            }
            const int status = nc_copy_att(source.Id(), from, attribute, ncid_, id);
            if (status != NC_NOERR && attribute[0] != '_') NcWrite(status, path_);
        }
    }

    void CopyFill(const SceneFile& source, int from, const std::string& name, int id, nc_type type) {
        nc_type attributeType;
        std::size_t length = 0, size = 0;
        NcRead(nc_inq_att(source.Id(), from, "_FillValue", &attributeType, &length), source.Path() + ", " + name);
        NcWrite(nc_inq_type(ncid_, type, nullptr, &size), path_);
        if (attributeType == type && length == 1) {
            std::vector<unsigned char> fill(size);
            NcRead(nc_get_att(source.Id(), from, "_FillValue", fill.data()), source.Path() + ", " + name);
            NcWrite(nc_def_var_fill(ncid_, id, 0, fill.data()), path_);
            return;
        }
        // Of another type than the variable (which CF does not allow): its
        // first value, converted by the library to the variable's type.
        const std::vector<long double> values = AttributeValues(source.Id(), from, "_FillValue");
        if (values.empty()) throw BatchError(source.Path() + ", " + name + ": a _FillValue that is not a number");
        const double fill = static_cast<double>(values[0]);
        NcWrite(nc_put_att_double(ncid_, id, "_FillValue", type, 1, &fill), path_);
    }

    // The attributes of a pass-through or coordinate variable: copied from
    // its NetCDF file, or its text attributes (numbers where CF wants them).
    void AttributesOf(const PassThrough& v, int id, const RunDescription& run, SourceFiles& files) {
        const std::string file = AttributeFileOf(v, run);
        if (!file.empty()) {
            CopyAttributes(files.Of(file), v.name, id, v.type);
            return;
        }
        for (const auto& [name, text] : v.attributes) {
            const std::optional<double> number = IsNumericAttribute(name) ? TextNumber(text) : std::nullopt;
            if (number) NcWrite(nc_put_att_double(ncid_, id, name.c_str(), v.type, 1, &*number), path_);
            else Text(id, name.c_str(), text);
        }
    }

    void Text(int var, const char* name, const std::string& value) {
        NcWrite(nc_put_att_text(ncid_, var, name, value.size(), value.c_str()), path_);
    }

    // A text attribute of a variable of the output, of characters or one
    // string (empty when absent or otherwise).
    std::string TextOf(int var, const char* name) const {
        std::size_t length = 0;
        nc_type type;
        if (nc_inq_att(ncid_, var, name, &type, &length) != NC_NOERR) return {};
        if (type == NC_STRING && length == 1) {
            char* value = nullptr;
            NcWrite(nc_get_att_string(ncid_, var, name, &value), path_);
            std::string text = value != nullptr ? value : "";
            nc_free_string(1, &value);
            return text;
        }
        if (type != NC_CHAR) return {};
        std::string text(length, '\0');
        NcWrite(nc_get_att_text(ncid_, var, name, text.data()), path_);
        return text;
    }

    // Chunks along the scene dimensions of about kChunkBytes: whole rows of the
    // other dimensions while a scene's row fits (else part of the channels),
    // and of the scene dimensions as many as fit, the fastest first;
    // compressed unless strings (which HDF5 cannot filter). For a list of
    // scenes: chunks of whole rows along the scene dimension.
    void Chunk(int id, nc_type type, int dims, const int* dimIds) {
        std::size_t element = kMessageBytes;  // a string: its text lies in the file's heap
        if (type != NC_STRING) NcWrite(nc_inq_type(ncid_, type, nullptr, &element), path_);
        std::size_t chunk[NC_MAX_VAR_DIMS];
        for (int d = 0; d < dims; ++d) {
            NcWrite(nc_inq_dimlen(ncid_, dimIds[d], &chunk[d]), path_);
            chunk[d] = std::max<std::size_t>(chunk[d], 1);
        }
        auto bytes = [&](int from) {
            std::size_t b = element;
            for (int d = from; d < dims; ++d) b *= chunk[d];
            return b;
        };
        const int g = static_cast<int>(sceneDims_.size());
        if (dims > g && bytes(g) > kChunkBytes)
            chunk[g] = std::max<std::size_t>(1, kChunkBytes / (bytes(g) / chunk[g]));
        for (int d = g - 1; d >= 0; --d) chunk[d] = std::clamp<std::size_t>(kChunkBytes / bytes(d + 1), 1, chunk[d]);
        NcWrite(nc_def_var_chunking(ncid_, id, NC_CHUNKED, chunk), path_);
        const std::size_t cache = kChunkCacheChunks * bytes(0);
        NcWrite(nc_set_var_chunk_cache(ncid_, id, cache, 1009, 0.75f), path_);
        if (type != NC_STRING)
            NcWrite(nc_def_var_deflate(ncid_, id, element > 1 ? 1 : 0, 1, kDeflateLevel), path_);
    }

    // A variable; one over the scene dimensions is chunked and noted as a
    // variable per scene (for its coordinates attribute).
    int Variable(const char* name, nc_type type, int dims, const int* dimIds, const char* units,
                 const char* longName, const char* standardName = "") {
        int id = -1;
        NcWrite(nc_def_var(ncid_, name, type, dims, dimIds, &id), path_);
        if (dims > 0 && dimIds[0] == sceneDims_[0]) {
            Chunk(id, type, dims, dimIds);
            perScene_.push_back(id);
        }
        if (type == NC_DOUBLE) {
            const double fill = std::nan("");
            NcWrite(nc_def_var_fill(ncid_, id, 0, &fill), path_);
        }
        if (*standardName != '\0') Text(id, "standard_name", standardName);
        if (units != nullptr) Text(id, "units", units);
        Text(id, "long_name", longName);
        return id;
    }

    // The variable of a vocabulary quantity: its name, standard name, unit (for
    // numbers: flags and texts have none) and long name.
    int Variable(Quantity q, nc_type type, int dims, const int* dimIds) {
        const QuantityInfo& info = InfoOf(q);
        return Variable(info.variable, type, dims, dimIds, type == NC_DOUBLE ? info.unit : nullptr, info.longName,
                        info.standardName);
    }

    // The channel coordinates (defined, then written after nc_enddef).
    struct ChannelIds {
        int channel = -1, name = -1, frequency = -1, passband = -1, polarisation = -1, angle = -1;
    };

    void Define(const Sensor& sensor, const std::vector<int>& channels, const std::vector<PassThrough>& passThrough,
                const RunDescription& run) {
        std::size_t subBands = 1;
        for (int c : channels) subBands = std::max(subBands, sensor.channels[c].subBands.size());
        for (const GridDimension& d : grid_) {
            int id = -1;
            NcWrite(nc_def_dim(ncid_, d.name.c_str(), d.size, &id), path_);
            sceneDims_.push_back(id);
        }
        int channel = -1, subBand = -1, bound = -1;
        NcWrite(nc_def_dim(ncid_, InfoOf(Quantity::Channel).variable, channels.size(), &channel), path_);
        NcWrite(nc_def_dim(ncid_, "sub_band", subBands, &subBand), path_);
        NcWrite(nc_def_dim(ncid_, "bound", 2, &bound), path_);
        DefineResults(channel, run);
        DefineDerivatives(channel);
        const ChannelIds ids = DefineChannels(channel, subBand, bound);
        SourceFiles files;
        const std::vector<std::string> coordinateNames = DefineCoordinates(run, files);
        std::vector<std::string> passThroughNames;
        if (!passThrough.empty()) passThroughNames = DefinePassThrough(passThrough, coordinateNames, run, files);
        DefineLocating(passThroughNames, coordinateNames, run);
        DefineGlobals(sensor, run);
        NcWrite(nc_enddef(ncid_), path_);
        WriteChannels(ids, sensor, channels, subBands);
        for (std::size_t c = 0; c < run.coordinates.size(); ++c) {
            std::vector<std::size_t> count;
            for (std::size_t d : CoordinateDims(run.coordinates[c], grid_)) count.push_back(grid_[d].size);
            count.push_back(1);  // never empty (a scalar); the last length is not read
            const std::vector<std::size_t> start(count.size(), 0);
            NcWrite(nc_put_vara(ncid_, coordinateIds_[c], start.data(), count.data(), run.coordinates[c].data.data()),
                    path_);
        }
    }

    // The results per scene and channel, the status, the message, the note and
    // the profile source.
    void DefineResults(int channel, const RunDescription& run) {
        const std::vector<int> sc = SceneDims({channel});
        const int n = static_cast<int>(sc.size());
        for (std::size_t k = 0; k < kChannelResults.size(); ++k)
            resultIds_[k] = Variable(kChannelResults[k], NC_DOUBLE, n, sc.data());
        status_ = Variable(Quantity::Status, NC_BYTE, n, sc.data());
        std::vector<signed char> masks;
        std::string meanings;
        for (const StatusFlag& flag : kStatusFlags) {
            masks.push_back(static_cast<signed char>(flag.mask));
            Join(meanings, flag.meaning, " ");
        }
        NcWrite(nc_put_att_schar(ncid_, status_, "flag_masks", NC_BYTE, masks.size(), masks.data()), path_);
        Text(status_, "flag_meanings", meanings);
        message_ = Variable(Quantity::Message, NC_STRING, n - 1, sc.data());
        note_ = Variable(Quantity::Note, NC_STRING, n - 1, sc.data());
        if (run.profileSources) profileSource_ = Variable(Quantity::ProfileSource, NC_STRING, n - 1, sc.data());
    }

    ChannelIds DefineChannels(int channel, int subBand, int bound) {
        const int cbb[3] = {channel, subBand, bound};
        ChannelIds ids;
        ids.channel = Variable(Quantity::Channel, NC_STRING, 1, &channel);
        ids.name = Variable(Quantity::ChannelName, NC_STRING, 1, &channel);
        ids.frequency = Variable(Quantity::ChannelFrequency, NC_DOUBLE, 1, &channel);
        ids.passband = Variable(Quantity::ChannelPassband, NC_DOUBLE, 3, cbb);
        ids.polarisation = Variable(Quantity::ChannelPolarisation, NC_STRING, 1, &channel);
        ids.angle = Variable(Quantity::ChannelIncidenceAngle, NC_DOUBLE, 1, &channel);
        return ids;
    }

    // The grid's coordinate variables over their own dimensions, not chunked
    // (they are small and written once); their names as written.
    std::vector<std::string> DefineCoordinates(const RunDescription& run, SourceFiles& files) {
        const std::vector<std::string> names = OutputNames(run.coordinates, NetcdfResultNames());
        renamed_ = RenamesOf(run.coordinates, names);
        for (std::size_t c = 0; c < run.coordinates.size(); ++c) {
            const PassThrough& v = run.coordinates[c];
            std::vector<int> dims;
            std::size_t values = 1, size = 0;
            for (std::size_t d : CoordinateDims(v, grid_)) {
                dims.push_back(sceneDims_[d]);
                values *= grid_[d].size;
            }
            NcWrite(nc_inq_type(ncid_, v.type, nullptr, &size), path_);
            if (v.data.size() != values * size)
                throw BatchError("Coordinate " + v.name + " of " + run.scenesFile + ": " +
                                 std::to_string(v.data.size() / std::max<std::size_t>(size, 1)) + " values, not " +
                                 std::to_string(values));
            int id = -1;
            NcWrite(nc_def_var(ncid_, names[c].c_str(), v.type, static_cast<int>(dims.size()), dims.data(), &id),
                    path_);
            AttributesOf(v, id, run, files);
            if (names[c] != v.name) Text(id, "original_name", v.name);
            coordinateIds_.push_back(id);
        }
        return names;
    }

    // The pass-through variables, a value per scene; their names as written.
    std::vector<std::string> DefinePassThrough(const std::vector<PassThrough>& passThrough,
                                               const std::vector<std::string>& coordinateNames,
                                               const RunDescription& run, SourceFiles& files) {
        std::vector<std::string> reserved = NetcdfResultNames();
        reserved.insert(reserved.end(), coordinateNames.begin(), coordinateNames.end());
        const std::vector<std::string> names = OutputNames(passThrough, reserved);
        for (const auto& rename : RenamesOf(passThrough, names)) renamed_.push_back(rename);
        for (std::size_t v = 0; v < passThrough.size(); ++v) {
            int id = -1;
            const nc_type type = passThrough[v].type;
            NcWrite(nc_def_var(ncid_, names[v].c_str(), type, static_cast<int>(sceneDims_.size()), sceneDims_.data(),
                               &id),
                    path_);
            Chunk(id, type, static_cast<int>(sceneDims_.size()), sceneDims_.data());
            AttributesOf(passThrough[v], id, run, files);
            if (names[v] != passThrough[v].name) Text(id, "original_name", passThrough[v].name);
            passThroughIds_.push_back(id);
            std::size_t size = 0;
            NcWrite(nc_inq_type(ncid_, type, nullptr, &size), path_);
            passThroughBytes_.push_back(size);
        }
        return names;
    }

    // The coordinates attribute of the variables per scene (see the header):
    // for a list of scenes the pass-through variables of time, latitude and
    // longitude (a grid has its own coordinates for them), the grid's
    // coordinates that are not dimension coordinates, and for the level
    // derivatives height.
    void DefineLocating(const std::vector<std::string>& passThroughNames,
                        const std::vector<std::string>& coordinateNames, const RunDescription& run) {
        struct Role {
            const char* standardName;
            std::vector<std::string> names;
        };
        const Role roles[] = {{"time", {"time"}}, {"latitude", {"lat", "latitude"}}, {"longitude", {"lon", "longitude"}}};
        std::vector<std::string> locating;
        for (const Role& role : IsList(grid_) ? roles : std::span<const Role>()) {
            std::size_t found = passThroughNames.size();
            for (std::size_t v = 0; v < passThroughNames.size() && found == passThroughNames.size(); ++v)
                if (TextOf(passThroughIds_[v], "standard_name") == role.standardName) found = v;
            for (std::size_t v = 0; v < passThroughNames.size() && found == passThroughNames.size(); ++v)
                for (const std::string& name : role.names)
                    if (passThroughNames[v] == name) found = v;
            if (found < passThroughNames.size()) locating.push_back(passThroughNames[found]);
        }
        for (std::size_t c = 0; c < run.coordinates.size(); ++c)
            if (run.coordinates[c].dims != std::vector<std::string>{coordinateNames[c]})
                locating.push_back(coordinateNames[c]);
        std::string names;
        for (const std::string& name : locating) Join(names, name, " ");
        std::string withHeight = names;
        Join(withHeight, InfoOf(Quantity::Height).variable, " ");
        for (int id : perScene_) {
            const bool perLevel = id == weightingId_ || std::find(levelIds_.begin(), levelIds_.end(), id) != levelIds_.end();
            if (perLevel) Text(id, "coordinates", withHeight);
            else if (!names.empty()) Text(id, "coordinates", names);
        }
    }

    void DefineGlobals(const Sensor& sensor, const RunDescription& run) {
        const std::string now = Now();
        Text(NC_GLOBAL, "title", "Brightness temperatures of " + (sensor.title.empty() ? sensor.name : sensor.title));
        Text(NC_GLOBAL, "Conventions", "CF-1.8");
        Text(NC_GLOBAL, "source", run.program);
        Text(NC_GLOBAL, "history", now + ": " + run.commandLine);
        Text(NC_GLOBAL, "date_created", now);
        Text(NC_GLOBAL, "sensor", sensor.name);
        std::string sources;
        for (const std::string& s : sensor.sources) sources += (sources.empty() ? "" : "; ") + s;
        Text(NC_GLOBAL, "sensor_sources", sources);
        Text(NC_GLOBAL, "scenes", run.scenesFile);
        if (!run.surfaceFile.empty()) Text(NC_GLOBAL, "surface_file", run.surfaceFile);
        // Which input variable fed each quantity: input_height, input_airTemperature, ...
        for (const InputSource& source : run.sources) Text(NC_GLOBAL, ("input_" + source.quantity).c_str(), source.source);
        // The model set, one attribute a model: model_surface, model_cosmic,
        // model_direction_rows, ...
        for (const auto& [model, choice] : ModelSetRecord(run.models)) {
            std::string name = "model_" + model;
            std::replace(name.begin(), name.end(), '-', '_');
            Text(NC_GLOBAL, name.c_str(), choice);
        }
        Text(NC_GLOBAL, "extrapolate", run.extrapolate ? "yes" : "no");
    }

    void WriteChannels(const ChannelIds& ids, const Sensor& sensor, const std::vector<int>& channels,
                       std::size_t subBands) {
        if (channels.empty()) return;
        std::vector<const char*> names, polarisations;
        std::vector<double> frequencies, angles, bands(channels.size() * subBands * 2, std::nan(""));
        for (std::size_t i = 0; i < channels.size(); ++i) {
            const Channel& ch = sensor.channels[channels[i]];
            names.push_back(ch.name.c_str());
            polarisations.push_back(PolarisationName(ch.polarisation));
            frequencies.push_back(ch.centre);
            angles.push_back(ch.incidenceAngle.value_or(std::nan("")));
            for (std::size_t b = 0; b < ch.subBands.size(); ++b) {
                bands[(i * subBands + b) * 2] = ch.subBands[b].centre - ch.subBands[b].width * 0.5;
                bands[(i * subBands + b) * 2 + 1] = ch.subBands[b].centre + ch.subBands[b].width * 0.5;
            }
        }
        NcWrite(nc_put_var_string(ncid_, ids.channel, names.data()), path_);
        NcWrite(nc_put_var_string(ncid_, ids.name, names.data()), path_);
        NcWrite(nc_put_var_string(ncid_, ids.polarisation, polarisations.data()), path_);
        NcWrite(nc_put_var_double(ncid_, ids.frequency, frequencies.data()), path_);
        NcWrite(nc_put_var_double(ncid_, ids.angle, angles.data()), path_);
        NcWrite(nc_put_var_double(ncid_, ids.passband, bands.data()), path_);
    }

    std::string path_;
    std::unique_ptr<TemporaryOutput> temporary_;
    std::size_t channels_;
    JacobianSelection selection_;
    std::size_t levels_ = 0;
    std::vector<GridDimension> grid_;  // the scene dimensions, slowest first
    std::vector<std::size_t> shape_;   // their lengths
    int ncid_ = -1;
    std::vector<int> sceneDims_;       // their ids
    bool open_ = false;
    std::array<int, kChannelResults.size()> resultIds_{};  // the variables of kChannelResults
    int status_ = -1, message_ = -1, note_ = -1;
    int profileSource_ = -1;  // profile_source(<scene>), when the scenes name their profiles
    int height_ = -1;         // height(<scene>, level), with level derivatives
    std::vector<int> perScene_;  // the variables over the scene dimensions
    std::vector<int> passThroughIds_;
    std::vector<std::size_t> passThroughBytes_;  // the bytes of one value of each
    std::vector<int> coordinateIds_;
    std::array<int, kSurfaceInputs> surfaceIds_{-1, -1, -1, -1, -1};
    std::array<int, kWaterColumns> columnIds_{-1, -1};
    std::array<int, kProfileQuantities> levelIds_{-1, -1, -1, -1};
    int weightingId_ = -1;
};

// The inputs each scene used, as CSV columns after the results.
constexpr std::array<Quantity, 4> kCsvInputs{Quantity::SeaTemperature, Quantity::Salinity, Quantity::Wind,
                                             Quantity::Azimuth};

// A column of a grid's scenes: the value of a coordinate variable at the
// scene's indices, or (no coordinate) the index along a dimension.
struct GridColumn {
    std::string name;
    int coordinate = -1;              // into RunDescription::coordinates
    std::size_t dimension = 0;        // without a coordinate
    std::vector<std::size_t> places;  // the grid dimensions of the coordinate
};

// The grid columns of a run (none for a list of scenes): per scene dimension
// its coordinate variable (the one over that dimension alone) or its index,
// then every coordinate variable over several dimensions.
std::vector<GridColumn> GridColumnsOf(const RunDescription& run, const std::vector<GridDimension>& grid) {
    std::vector<GridColumn> columns;
    if (IsList(grid)) return columns;
    for (std::size_t d = 0; d < grid.size(); ++d) {
        GridColumn column{grid[d].name, -1, d, {}};
        for (std::size_t c = 0; c < run.coordinates.size() && column.coordinate < 0; ++c)
            if (run.coordinates[c].dims == std::vector<std::string>{grid[d].name}) {
                column = GridColumn{run.coordinates[c].name, static_cast<int>(c), d, {d}};
            }
        columns.push_back(column);
    }
    for (std::size_t c = 0; c < run.coordinates.size(); ++c)
        if (run.coordinates[c].dims.size() > 1)
            columns.push_back(GridColumn{run.coordinates[c].name, static_cast<int>(c), 0,
                                         CoordinateDims(run.coordinates[c], grid)});
    return columns;
}

class CsvWriter final : public ResultWriter {
public:
    CsvWriter(const std::string& path, const Sensor& sensor, const std::vector<int>& channels,
              std::size_t sceneCount, const std::vector<PassThrough>& passThrough, const RunDescription& run)
        : path_(path), selection_(run.jacobians), profileSources_(run.profileSources),
          grid_(GridOf(run, sceneCount)), coordinates_(run.coordinates) {
        if (run.jacobians.AnyLevel())
            throw BatchError("Output " + path + ": level derivatives (" + LevelDerivativeNames() +
                             ", weighting) need a NetCDF output (.nc)");
        for (const GridDimension& d : grid_) shape_.push_back(d.size);
        gridColumns_ = GridColumnsOf(run, grid_);
        SourceFiles files;
        std::vector<std::string> reserved = CsvResultColumns();
        for (const GridColumn& g : gridColumns_) {
            reserved.push_back(g.name);
            coordinateColumns_.push_back(
                g.coordinate < 0 ? CsvColumn{} : CsvColumnOf(coordinates_[g.coordinate], g.name, run, files));
        }
        const std::vector<std::string> names = OutputNames(passThrough, reserved);
        renamed_ = RenamesOf(passThrough, names);
        for (std::size_t v = 0; v < passThrough.size(); ++v)
            columns_.push_back(CsvColumnOf(passThrough[v], names[v], run, files));
        temporary_ = Temporary(path);
        try {
            temporary_->Open();
        } catch (const OutputFileError& e) {
            throw BatchError(e.what());
        }
        for (int c : channels) channels_.push_back(&sensor.channels[c]);
        Put(Header() + "\n");
    }

    void Write(std::size_t first, const std::vector<std::vector<ChannelOutcome>>& outcomes,
               const std::vector<std::vector<ChannelDerivatives>>& derivatives, const std::vector<Scene>& scenes,
               std::vector<PassThrough>& passThrough) override {
        std::ostringstream out;
        for (std::size_t s = 0; s < outcomes.size(); ++s) {
            const std::string inputs = InputFields(first + s, scenes[s]);
            std::string perScene;  // the pass-through columns, the same on every row of the scene
            for (std::size_t v = 0; v < columns_.size(); ++v) {
                perScene += ',';
                perScene += CsvField(columns_[v].Text(passThrough[v].data.data() + s * columns_[v].size));
            }
            const std::string note = ',' + Quoted(OneLine(scenes[s].note)) +
                                     (profileSources_ ? ',' + Quoted(scenes[s].profileSource) : std::string());
            for (std::size_t c = 0; c < channels_.size(); ++c) {
                const ChannelOutcome& o = outcomes[s][c];
                const Channel& ch = *channels_[c];
                const std::string message =
                    o.failure ? o.failure->message : scenes[s].failure ? scenes[s].failure->message : "";
                const double angle = scenes[s].surface.incidenceAngle.value_or(ch.incidenceAngle.value_or(std::nan("")));
                out << first + s << ',' << CsvField(ch.name) << ',' << Shortest(ch.centre) << ','
                    << PolarisationName(ch.polarisation) << ',' << Shortest(angle);
                if (o.computed)
                    for (double v : ChannelValues(o)) out << ',' << Shortest(v);
                else
                    out << std::string(kChannelResults.size(), ',');
                const bool computed = o.computed && !derivatives.empty();
                for (SurfaceInput k : kSurfaceInputList)
                    if (selection_.Has(k))
                        out << ',' << (computed ? Shortest(derivatives[s][c].surface[Index(k)]) : "");
                for (WaterColumn k : kWaterColumnList)
                    if (selection_.Has(k))
                        out << ',' << (computed ? Shortest(derivatives[s][c].columns[Index(k)]) : "");
                out << inputs << ',' << StatusOf(scenes[s], o) << ',' << Quoted(OneLine(message)) << note << perScene
                    << '\n';
            }
            if (out.tellp() >= static_cast<std::streamoff>(kCsvWriteBytes)) {
                Put(out.str());
                out.str("");
            }
        }
        Put(out.str());
    }

    void Commit() override {
        try {
            temporary_->Commit();
        } catch (const OutputFileError& e) {
            throw BatchError(e.what());
        }
    }

    void Abandon() override { temporary_->Abandon(); }

private:
    // The header line (see the header file for the order).
    std::string Header() const {
        std::vector<std::string> names;
        for (Quantity q : kCsvLeading) names.emplace_back(InfoOf(q).variable);
        for (Quantity q : kChannelResults) names.emplace_back(InfoOf(q).variable);
        for (SurfaceInput k : kSurfaceInputList)
            if (selection_.Has(k)) names.push_back(DerivativeVariable(NameOf(k)));
        for (WaterColumn k : kWaterColumnList)
            if (selection_.Has(k)) names.push_back(DerivativeVariable(NameOf(k)));
        for (Quantity q : kCsvInputs) names.emplace_back(InfoOf(q).variable);
        for (const GridColumn& g : gridColumns_) names.push_back(g.name);
        for (Quantity q : {Quantity::Status, Quantity::Message, Quantity::Note}) names.emplace_back(InfoOf(q).variable);
        if (profileSources_) names.emplace_back(InfoOf(Quantity::ProfileSource).variable);
        for (const CsvColumn& c : columns_) names.push_back(c.name);
        std::string header;
        for (const std::string& name : names) Join(header, CsvField(name), ",");
        return header;
    }

    // ",sst,salinity,wind,azimuth[,grid columns]" of scene number `scene`.
    std::string InputFields(std::size_t scene, const Scene& s) const {
        std::string fields;
        for (double v : {s.surface.seaTemperature, s.surface.salinity, s.surface.wind, s.surface.azimuth})
            fields += ',' + Shortest(v);
        if (gridColumns_.empty()) return fields;
        const std::vector<std::size_t> index = IndicesOf(shape_, scene);
        for (std::size_t k = 0; k < gridColumns_.size(); ++k) {
            const GridColumn& g = gridColumns_[k];
            fields += ',';
            if (g.coordinate < 0) {
                fields += std::to_string(index[g.dimension]);
                continue;
            }
            const CsvColumn& c = coordinateColumns_[k];
            const std::size_t offset = CoordinateOffset(g.places, grid_, index);
            fields += CsvField(c.Text(coordinates_[g.coordinate].data.data() + offset * c.size));
        }
        return fields;
    }

    // A text with its line breaks as spaces.
    static std::string OneLine(std::string text) {
        for (char& x : text)
            if (x == '\n' || x == '\r') x = ' ';
        return text;
    }

    void Put(const std::string& text) {
        try {
            temporary_->Write(text);
        } catch (const OutputFileError& e) {
            throw BatchError(e.what());
        }
    }

    std::string path_;
    std::unique_ptr<TemporaryOutput> temporary_;
    std::vector<const Channel*> channels_;
    JacobianSelection selection_;
    std::vector<CsvColumn> columns_;
    bool profileSources_ = false;
    std::vector<GridDimension> grid_;
    std::vector<std::size_t> shape_;
    std::vector<PassThrough> coordinates_;   // the grid's coordinate variables, whole
    std::vector<GridColumn> gridColumns_;
    std::vector<CsvColumn> coordinateColumns_;  // [k] for gridColumns_[k] with a coordinate
};

}  // namespace

int StatusOf(const Scene& scene, const ChannelOutcome& o) {
    if (!o.computed) return kStatusRefused | scene.flags;
    return (o.passbandBeyondRange ? kStatusBeyondRange : 0) | (o.extrapolated ? kStatusExtrapolated : 0) |
           (o.profileEndsLow ? kStatusEndsLow : 0) | scene.flags;
}

void DescribeScenes(const SceneReader& scenes, RunDescription& run) {
    run.levels = scenes.LevelCount();
    run.profileSources = scenes.NamesProfiles();
    run.grid = scenes.Grid();
    run.coordinates = scenes.Coordinates();
    run.sources = scenes.Sources();
}

ChannelDerivatives DerivativesOf(const Jacobian& j, JacobianOutput output, const ProfileView& profile,
                                 const JacobianSelection& selection) {
    ChannelDerivatives d;
    for (SurfaceInput k : kSurfaceInputList)
        if (selection.Has(k)) d.surface[Index(k)] = j.Surface(output, k);
    for (WaterColumn k : kWaterColumnList)
        if (selection.Has(k)) d.columns[Index(k)] = j.Column(output, k);
    if (!selection.AnyLevel()) return d;
    const int L = j.levels;
    d.level.assign(static_cast<std::size_t>(kProfileQuantities) * L, 0.0);
    for (LevelQuantity q : kLevelQuantities)
        if (selection.Has(q))
            for (int i = 0; i < L; ++i) d.level[static_cast<std::size_t>(Index(q)) * L + i] = j.Level(output, q, i);
    d.weighting = selection.weighting ? WeightingFunction(j, output, profile) : std::vector<double>(L, 0.0);
    return d;
}

std::string RenamedNote(const std::string& from, const std::string& to) {
    return "Scene variable " + from + " is written as " + to + " (the output uses the name " + from + ")";
}

std::vector<std::string> NetcdfResultNames() {
    std::vector<std::string> names;
    for (Quantity q : kChannelResults) names.emplace_back(InfoOf(q).variable);
    for (Quantity q : {Quantity::Status, Quantity::Message, Quantity::Note, Quantity::ChannelName,
                       Quantity::ChannelFrequency, Quantity::ChannelPassband, Quantity::ChannelPolarisation,
                       Quantity::ChannelIncidenceAngle, Quantity::Height})
        names.emplace_back(InfoOf(q).variable);
    names.emplace_back(kWeightingVariable);
    for (Quantity q : {Quantity::ProfileSource, Quantity::Channel}) names.emplace_back(InfoOf(q).variable);
    for (const char* dimension : {"sub_band", "bound", "level"}) names.emplace_back(dimension);
    for (const char* n : kSurfaceInputNames) names.push_back(DerivativeVariable(n));
    for (const char* n : kColumnNames) names.push_back(DerivativeVariable(n));
    for (const char* n : kLevelQuantityNames) names.push_back(DerivativeVariable(n));
    return names;
}

std::vector<std::string> CsvResultColumns() {
    std::vector<std::string> names;
    for (Quantity q : kCsvLeading) names.emplace_back(InfoOf(q).variable);
    for (Quantity q : kCsvInputs) names.emplace_back(InfoOf(q).variable);
    for (Quantity q : kChannelResults) names.emplace_back(InfoOf(q).variable);
    for (Quantity q : {Quantity::Status, Quantity::Message, Quantity::Note, Quantity::ProfileSource})
        names.emplace_back(InfoOf(q).variable);
    for (const char* n : kSurfaceInputNames) names.push_back(DerivativeVariable(n));
    for (const char* n : kColumnNames) names.push_back(DerivativeVariable(n));
    return names;
}

std::string DerivativeVariable(const std::string& name) { return "dtb_d" + name; }

std::vector<std::string> OutputNames(const std::vector<PassThrough>& passThrough,
                                     const std::vector<std::string>& reserved) {
    std::set<std::string> taken(reserved.begin(), reserved.end());
    for (const PassThrough& v : passThrough) taken.insert(v.name);
    std::vector<std::string> names;
    for (const PassThrough& v : passThrough) {
        std::string name = v.name;
        if (std::find(reserved.begin(), reserved.end(), name) != reserved.end()) {
            do name = "input_" + name;
            while (taken.count(name) != 0);
            taken.insert(name);
        }
        names.push_back(name);
    }
    return names;
}

std::unique_ptr<ResultWriter> CreateResultWriter(const std::string& path, const Sensor& sensor,
                                                 const std::vector<int>& channels, std::size_t sceneCount,
                                                 const std::vector<PassThrough>& passThrough,
                                                 const RunDescription& run) {
    const std::string extension = Lower(std::filesystem::path(path).extension().string());
    if (extension == ".csv") return std::make_unique<CsvWriter>(path, sensor, channels, sceneCount, passThrough, run);
    if (extension == ".nc" || extension == ".nc4" || extension == ".netcdf")
        return std::make_unique<NetcdfWriter>(path, sensor, channels, sceneCount, passThrough, run);
    throw BatchError("Output " + path + ": unknown kind (give a .nc or a .csv file)");
}

}  // namespace seasky
