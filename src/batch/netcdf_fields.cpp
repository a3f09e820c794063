// The NetCDF side of files of fields (field_file.h).
#include <sys/stat.h>

#include <cmath>
#include <cstring>

#include "batch/field_file.h"
#include "batch/netcdf_extent.h"
#include "batch/netcdf_library.h"
#include "common/number_text.h"

namespace seasky {

namespace {

void Nc(int status, const std::string& what) {
    if (status != NC_NOERR) throw BatchError(what + ": " + nc_strerror(status));
}

std::optional<std::string> TextAttribute(int ncid, int var, const char* name) {
    nc_type type;
    std::size_t length = 0;
    if (nc_inq_att(ncid, var, name, &type, &length) != NC_NOERR) return std::nullopt;
    if (type == NC_CHAR) {
        std::string text(length, '\0');
        if (nc_get_att_text(ncid, var, name, text.data()) != NC_NOERR) return std::nullopt;
        while (!text.empty() && text.back() == '\0') text.pop_back();
        return text;
    }
    if (type == NC_STRING && length == 1) {
        char* value = nullptr;
        if (nc_get_att_string(ncid, var, name, &value) != NC_NOERR) return std::nullopt;
        std::string text = value != nullptr ? value : "";
        nc_free_string(1, &value);
        return text;
    }
    return std::nullopt;
}

std::optional<double> NumberAttribute(int ncid, int var, const char* name) {
    nc_type type;
    std::size_t length = 0;
    if (nc_inq_att(ncid, var, name, &type, &length) != NC_NOERR || length < 1) return std::nullopt;
    if (type == NC_CHAR || type == NC_STRING) return std::nullopt;
    std::vector<double> values(length);
    if (nc_get_att_double(ncid, var, name, values.data()) != NC_NOERR) return std::nullopt;
    return values[0];
}

// How the stored values of a variable become its values: packing and the
// marks of missing values.
struct Packing {
    std::optional<double> fill;
    std::optional<double> missing;
    double scale = 1.0;
    double offset = 0.0;
};

class NetcdfFields final : public FieldFile {
public:
    explicit NetcdfFields(const std::string& path) : path_(path) {
        Nc(nc_open(path.c_str(), NC_NOWRITE, &ncid_), "Cannot open " + path);
        try {
            Describe();
        } catch (...) {
            nc_close(ncid_);
            throw;
        }
    }
    ~NetcdfFields() override { nc_close(ncid_); }
    NetcdfFields(const NetcdfFields&) = delete;
    NetcdfFields& operator=(const NetcdfFields&) = delete;

    const std::string& Path() const override { return path_; }
    std::string Kind() const override { return "NetCDF"; }
    const std::vector<FieldDimension>& Dimensions() const override { return dims_; }
    const std::vector<FieldVariable>& Variables() const override { return vars_; }

    void Read(std::size_t v, std::span<const std::size_t> start, std::span<const std::size_t> count,
              double* out) override {
        std::size_t n = 1;
        for (std::size_t c : count) n *= c;
        if (n == 0) return;
        Nc(nc_get_vara_double(ncid_, ids_[v], start.data(), count.data(), out),
           "Cannot read " + vars_[v].name + " of " + path_);
        const Packing& p = packing_[v];
        for (std::size_t i = 0; i < n; ++i) {
            double& x = out[i];
            if ((p.fill && (x == *p.fill || (std::isnan(*p.fill) && std::isnan(x)))) || (p.missing && x == *p.missing))
                x = std::nan("");
            else x = x * p.scale + p.offset;
        }
    }

    void ReadStored(std::size_t v, std::span<const std::size_t> start, std::span<const std::size_t> count,
                    void* out) override {
        std::size_t n = 1;
        for (std::size_t c : count) n *= c;
        if (n == 0) return;
        Nc(nc_get_vara(ncid_, ids_[v], start.data(), count.data(), out), "Cannot read " + vars_[v].name + " of " + path_);
    }

    void CheckExtent(const std::vector<std::size_t>& variables, std::size_t scenes) const override {
        std::vector<int> ids;
        for (std::size_t v : variables) ids.push_back(ids_[v]);
        struct stat info {};
        if (::stat(path_.c_str(), &info) != 0) throw BatchError("Cannot open " + path_);
        const std::string refusal =
            ExtentRefusal(path_, scenes, DeclaredBytes(ncid_, path_, ids), static_cast<std::uint64_t>(info.st_size));
        if (!refusal.empty()) throw BatchError(refusal);
    }

private:
    void Describe() {
        int nvars = 0;
        Nc(nc_inq_nvars(ncid_, &nvars), path_);
        for (int id = 0; id < nvars; ++id) {
            char name[NC_MAX_NAME + 1];
            nc_type type;
            int rank = 0;
            int dimIds[NC_MAX_VAR_DIMS];
            Nc(nc_inq_var(ncid_, id, name, &type, &rank, dimIds, nullptr), path_);
            FieldVariable v;
            v.name = name;
            v.type = type;
            if (type > NC_STRING) continue;  // user-defined types: never a field
            Nc(nc_inq_type(ncid_, type, nullptr, &v.valueBytes), path_);
            for (int k = 0; k < rank; ++k) {
                char dimName[NC_MAX_NAME + 1];
                std::size_t size = 0;
                Nc(nc_inq_dim(ncid_, dimIds[k], dimName, &size), path_);
                v.dims.push_back(dimName);
                v.shape.push_back(size);
                AddDimension(dimName, size);
            }
            v.units = TextAttribute(ncid_, id, "units").value_or("");
            v.standardName = TextAttribute(ncid_, id, "standard_name").value_or("");
            v.longName = TextAttribute(ncid_, id, "long_name").value_or("");
            if (const std::optional<double> param = NumberAttribute(ncid_, id, "GRIB_paramId"))
                v.paramId = static_cast<long>(*param);
            else if (const std::optional<std::string> text = TextAttribute(ncid_, id, "GRIB_paramId"))
                if (const std::optional<double> number = ParseUserNumber(*text, '.')) v.paramId = static_cast<long>(*number);
            Packing p;
            p.fill = NumberAttribute(ncid_, id, "_FillValue");
            p.missing = NumberAttribute(ncid_, id, "missing_value");
            p.scale = NumberAttribute(ncid_, id, "scale_factor").value_or(1.0);
            p.offset = NumberAttribute(ncid_, id, "add_offset").value_or(0.0);
            vars_.push_back(std::move(v));
            ids_.push_back(id);
            packing_.push_back(p);
        }
    }

    // The dimensions are found through the variables: a dimension no
    // variable uses is never a scene's.
    void AddDimension(const std::string& name, std::size_t size) {
        for (const FieldDimension& d : dims_)
            if (d.name == name) return;
        dims_.push_back({name, size});
    }

    std::string path_;
    int ncid_ = -1;
    std::vector<FieldDimension> dims_;
    std::vector<FieldVariable> vars_;
    std::vector<int> ids_;
    std::vector<Packing> packing_;
};

}  // namespace

std::unique_ptr<FieldFile> OpenNetcdfFields(const std::string& path) { return std::make_unique<NetcdfFields>(path); }

}  // namespace seasky
