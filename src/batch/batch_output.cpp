#include "batch/batch_output.h"

#include "batch/netcdf_library.h"
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>

namespace seasky {

namespace {

void Nc(int status, const std::string& what) {
    if (status != NC_NOERR) throw BatchError(what + ": " + nc_strerror(status));
}

// A temporary name in the output's own folder, so that the rename is atomic.
std::string TemporaryName(const std::string& path) {
    const std::filesystem::path p(path);
    std::string name = ".";
    name += p.filename().string();
    name += ".part-";
    name += std::to_string(::getpid());
    return (p.parent_path() / name).string();
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

// A CSV field in double quotes, its quotes doubled.
std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    for (char x : text) quoted += x == '"' ? std::string("\"\"") : std::string(1, x);
    return quoted + '"';
}

int StatusOf(const ChannelOutcome& o) {
    if (!o.computed) return kStatusRefused;
    return (o.passbandBeyondRange ? kStatusBeyondRange : 0) | (o.extrapolated ? kStatusExtrapolated : 0);
}

// The first refusal of a scene: its own, or a channel's.
std::string MessageOf(const Scene& scene, const std::vector<ChannelOutcome>& outcomes) {
    if (scene.failure) return scene.failure->message;
    for (const ChannelOutcome& o : outcomes)
        if (o.failure) return o.failure->message;
    return "";
}

class NetcdfWriter final : public ResultWriter {
public:
    NetcdfWriter(const std::string& path, const Sensor& sensor, const std::vector<int>& channels,
                 std::size_t sceneCount, const std::vector<PassThrough>& passThrough, const RunDescription& run)
        : path_(path), temporary_(TemporaryName(path)), channels_(channels.size()), selection_(run.jacobians),
          levels_(run.levels) {
        Nc(nc_create(temporary_.c_str(), NC_CLOBBER | NC_NETCDF4, &ncid_), "Cannot create " + path);
        open_ = true;
        try {
            Define(sensor, channels, sceneCount, passThrough, run);
        } catch (...) {
            Abandon();
            throw;
        }
    }
    ~NetcdfWriter() override {
        if (open_ || !committed_) Abandon();
    }

    void Write(std::size_t first, const std::vector<std::vector<ChannelOutcome>>& outcomes,
               const std::vector<std::vector<ChannelDerivatives>>& derivatives, const std::vector<Scene>& scenes,
               std::vector<PassThrough>& passThrough) override {
        const std::size_t n = outcomes.size();
        if (n == 0) return;
        const std::size_t C = channels_;
        std::vector<double> tb(n * C), up(n * C), down(n * C), tau(n * C), ev(n * C), eh(n * C);
        std::vector<signed char> status(n * C);
        const double nan = std::nan("");
        for (std::size_t s = 0; s < n; ++s)
            for (std::size_t c = 0; c < C; ++c) {
                const ChannelOutcome& o = outcomes[s][c];
                const std::size_t i = s * C + c;
                tb[i] = o.computed ? o.tb : nan;
                up[i] = o.computed ? o.result.tbUp : nan;
                down[i] = o.computed ? o.result.tbDown : nan;
                tau[i] = o.computed ? o.result.opacity : nan;
                ev[i] = o.computed ? o.result.emissivityV : nan;
                eh[i] = o.computed ? o.result.emissivityH : nan;
                status[i] = static_cast<signed char>(StatusOf(o));
            }
        const std::size_t start[2] = {first, 0};
        const std::size_t count[2] = {n, C};
        for (const auto& [id, values] : {std::pair{tb_, &tb}, std::pair{up_, &up}, std::pair{down_, &down},
                                         std::pair{opacity_, &tau}, std::pair{emissivityV_, &ev},
                                         std::pair{emissivityH_, &eh}})
            Nc(nc_put_vara_double(ncid_, id, start, count, values->data()), "Cannot write " + path_);
        Nc(nc_put_vara_schar(ncid_, status_, start, count, status.data()), "Cannot write " + path_);
        std::vector<std::string> messages(n);
        std::vector<const char*> pointers(n);
        for (std::size_t s = 0; s < n; ++s) {
            messages[s] = MessageOf(scenes[s], outcomes[s]);
            pointers[s] = messages[s].c_str();
        }
        const std::size_t start1[1] = {first};
        const std::size_t count1[1] = {n};
        Nc(nc_put_vara_string(ncid_, message_, start1, count1, pointers.data()), "Cannot write " + path_);
        if (profileSource_ >= 0) {
            for (std::size_t s = 0; s < n; ++s) pointers[s] = scenes[s].profileSource.c_str();
            Nc(nc_put_vara_string(ncid_, profileSource_, start1, count1, pointers.data()), "Cannot write " + path_);
        }
        for (std::size_t v = 0; v < passThrough.size(); ++v)
            Nc(nc_put_vara(ncid_, passThroughIds_[v], start1, count1, passThrough[v].data.data()),
               "Cannot write " + passThrough[v].name + " to " + path_);
        if (!derivatives.empty()) WriteDerivatives(first, outcomes, derivatives, scenes);
    }

    void Commit() override {
        Nc(nc_close(ncid_), "Cannot complete " + path_);
        open_ = false;
        std::error_code ec;
        std::filesystem::rename(temporary_, path_, ec);
        if (ec) throw BatchError("Cannot write " + path_ + ": " + ec.message());
        committed_ = true;
    }

    void Abandon() override {
        if (open_) nc_close(ncid_);
        open_ = false;
        if (!committed_) {
            std::error_code ec;
            std::filesystem::remove(temporary_, ec);
        }
        committed_ = true;  // nothing more to do
    }

private:
    void WriteDerivatives(std::size_t first, const std::vector<std::vector<ChannelOutcome>>& outcomes,
                          const std::vector<std::vector<ChannelDerivatives>>& derivatives,
                          const std::vector<Scene>& scenes) {
        const std::size_t n = outcomes.size();
        const std::size_t C = channels_;
        const double nan = std::nan("");
        const std::size_t start[3] = {first, 0, 0};
        const std::size_t count[3] = {n, C, levels_};
        std::vector<double> values(n * C);
        auto scalar = [&](int id, auto value) {
            for (std::size_t s = 0; s < n; ++s)
                for (std::size_t c = 0; c < C; ++c)
                    values[s * C + c] = outcomes[s][c].computed ? value(derivatives[s][c]) : nan;
            Nc(nc_put_vara_double(ncid_, id, start, count, values.data()), "Cannot write " + path_);
        };
        for (int k = 0; k < kSurfaceInputs; ++k)
            if (surfaceIds_[k] >= 0) scalar(surfaceIds_[k], [k](const ChannelDerivatives& d) { return d.surface[k]; });
        for (int k = 0; k < 2; ++k)
            if (columnIds_[k] >= 0) scalar(columnIds_[k], [k](const ChannelDerivatives& d) { return d.columns[k]; });
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
            Nc(nc_put_vara_double(ncid_, id, start, count, profile.data()), "Cannot write " + path_);
        };
        for (int q = 0; q < kProfileQuantities; ++q)
            if (levelIds_[q] >= 0)
                perLevel(levelIds_[q], [q](const ChannelDerivatives& d, std::size_t i) {
                    return d.level[q * (d.level.size() / kProfileQuantities) + i];
                });
        if (weightingId_ >= 0)
            perLevel(weightingId_, [](const ChannelDerivatives& d, std::size_t i) { return d.weighting[i]; });
    }

    void DefineDerivatives(int scene, int channel) {
        const JacobianSelection& s = selection_;
        const int sc[2] = {scene, channel};
        for (int k = 0; k < kSurfaceInputs; ++k)
            if (s.surface[k])
                surfaceIds_[k] = Variable(("dtb_d" + std::string(kSurfaceInputNames[k])).c_str(), NC_DOUBLE, 2, sc,
                                          kSurfaceDerivativeUnits[k],
                                          ("derivative of tb with respect to " + std::string(kSurfaceInputNames[k]))
                                              .c_str());
        const char* columnTitles[2] = {"derivative of tb with respect to ln of the total column water vapour "
                                       "(a uniform relative change of the humidity profile)",
                                       "derivative of tb with respect to ln of the liquid water path (a uniform "
                                       "relative change of the cloud profile)"};
        for (int k = 0; k < 2; ++k)
            if (s.columns[k])
                columnIds_[k] = Variable(("dtb_d" + std::string(kColumnNames[k])).c_str(), NC_DOUBLE, 2, sc,
                                         kColumnDerivativeUnit, columnTitles[k]);
        if (!s.AnyLevel()) return;
        int level = -1;
        Nc(nc_def_dim(ncid_, "level", levels_, &level), "Cannot write " + path_);
        const int scl[3] = {scene, channel, level};
        const char* levelTitles[kProfileQuantities] = {
            "derivative of tb with respect to the air temperature of each level",
            "derivative of tb with respect to the air pressure of each level",
            "derivative of tb with respect to the absolute humidity (water vapour density) of each level",
            "derivative of tb with respect to the cloud liquid water content of each level"};
        for (int q = 0; q < kProfileQuantities; ++q)
            if (s.level[q])
                levelIds_[q] = Variable(("dtb_d" + std::string(kLevelQuantityNames[q])).c_str(), NC_DOUBLE, 3, scl,
                                        kLevelDerivativeUnits[q], levelTitles[q]);
        if (s.weighting)
            weightingId_ = Variable("dtb_weighting", NC_DOUBLE, 3, scl, kWeightingUnit,
                                    "temperature weighting function: derivative of tb with respect to each level's "
                                    "air temperature per km of the height the level stands for");
    }

    void Text(int var, const char* name, const std::string& value) {
        Nc(nc_put_att_text(ncid_, var, name, value.size(), value.c_str()), "Cannot write " + path_);
    }

    int Variable(const char* name, nc_type type, int dims, const int* dimIds, const char* units,
                 const char* longName) {
        int id = -1;
        Nc(nc_def_var(ncid_, name, type, dims, dimIds, &id), "Cannot write " + path_);
        if (type == NC_DOUBLE) {
            const double fill = std::nan("");
            Nc(nc_def_var_fill(ncid_, id, 0, &fill), "Cannot write " + path_);
        }
        if (units != nullptr) Text(id, "units", units);
        Text(id, "long_name", longName);
        return id;
    }

    void Define(const Sensor& sensor, const std::vector<int>& channels, std::size_t sceneCount,
                const std::vector<PassThrough>& passThrough, const RunDescription& run) {
        std::size_t subBands = 1;
        for (int c : channels) subBands = std::max(subBands, sensor.channels[c].subBands.size());
        int scene = -1, channel = -1, subBand = -1, bound = -1;
        Nc(nc_def_dim(ncid_, "scene", sceneCount, &scene), "Cannot write " + path_);
        Nc(nc_def_dim(ncid_, "channel", channels.size(), &channel), "Cannot write " + path_);
        Nc(nc_def_dim(ncid_, "sub_band", subBands, &subBand), "Cannot write " + path_);
        Nc(nc_def_dim(ncid_, "bound", 2, &bound), "Cannot write " + path_);
        const int sc[2] = {scene, channel};
        tb_ = Variable("tb", NC_DOUBLE, 2, sc, "K", "brightness temperature at the top of the atmosphere");
        up_ = Variable("tb_up", NC_DOUBLE, 2, sc, "K", "upwelling brightness temperature of the atmosphere");
        down_ = Variable("tb_down", NC_DOUBLE, 2, sc, "K", "downwelling brightness temperature of the atmosphere");
        opacity_ = Variable("opacity", NC_DOUBLE, 2, sc, "1", "vertical opacity of the atmosphere (Np)");
        emissivityV_ = Variable("emissivity_v", NC_DOUBLE, 2, sc, "1", "sea-surface emissivity, vertical");
        emissivityH_ = Variable("emissivity_h", NC_DOUBLE, 2, sc, "1", "sea-surface emissivity, horizontal");
        status_ = Variable("status", NC_BYTE, 2, sc, nullptr, "calculation status");
        const signed char masks[3] = {kStatusRefused, kStatusBeyondRange, kStatusExtrapolated};
        Nc(nc_put_att_schar(ncid_, status_, "flag_masks", NC_BYTE, 3, masks), "Cannot write " + path_);
        Text(status_, "flag_meanings", "refused passband_beyond_validated_range centre_extrapolated");
        message_ = Variable("message", NC_STRING, 1, &scene, nullptr, "why the scene or a channel was refused");
        if (run.profileSources)
            profileSource_ = Variable("profile_source", NC_STRING, 1, &scene, nullptr,
                                      "the profile of the scene: bundled:NAME (a bundled atmosphere) or file:PATH");
        DefineDerivatives(scene, channel);

        const int* c1 = &channel;
        const int name = Variable("channel_name", NC_STRING, 1, c1, nullptr, "channel name");
        const int frequency = Variable("channel_frequency", NC_DOUBLE, 1, c1, "GHz", "channel centre frequency");
        const int cbb[3] = {channel, subBand, bound};
        const int passband = Variable("channel_passband", NC_DOUBLE, 3, cbb, "GHz",
                                      "channel sub-bands, lower and upper edge");
        const int polarisation = Variable("channel_polarisation", NC_STRING, 1, c1, nullptr, "channel polarisation");
        const int angle = Variable("channel_incidence_angle", NC_DOUBLE, 1, c1, "degree",
                                   "Earth incidence angle of the channel (scenes may give their own)");
        for (const PassThrough& v : passThrough) {
            int id = -1;
            Nc(nc_def_var(ncid_, v.name.c_str(), v.type, 1, &scene, &id), "Cannot write " + path_);
            for (const auto& [key, value] : v.textAttributes) Text(id, key.c_str(), value);
            for (const auto& [key, value] : v.numberAttributes)
                Nc(nc_put_att_double(ncid_, id, key.c_str(), NC_DOUBLE, 1, &value), "Cannot write " + path_);
            passThroughIds_.push_back(id);
        }
        Text(NC_GLOBAL, "title", "Brightness temperatures of " + (sensor.title.empty() ? sensor.name : sensor.title));
        Text(NC_GLOBAL, "Conventions", "CF-1.8");
        Text(NC_GLOBAL, "source", run.program);
        Text(NC_GLOBAL, "history", run.commandLine);
        Text(NC_GLOBAL, "date_created", Now());
        Text(NC_GLOBAL, "sensor", sensor.name);
        std::string sources;
        for (const std::string& s : sensor.sources) sources += (sources.empty() ? "" : "; ") + s;
        Text(NC_GLOBAL, "sensor_sources", sources);
        Text(NC_GLOBAL, "scenes", run.scenesFile);
        Text(NC_GLOBAL, "model_direction_rows", run.directionRows);
        Text(NC_GLOBAL, "extrapolate", run.extrapolate ? "yes" : "no");
        Nc(nc_enddef(ncid_), "Cannot write " + path_);

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
        if (!channels.empty()) {
            Nc(nc_put_var_string(ncid_, name, names.data()), "Cannot write " + path_);
            Nc(nc_put_var_string(ncid_, polarisation, polarisations.data()), "Cannot write " + path_);
            Nc(nc_put_var_double(ncid_, frequency, frequencies.data()), "Cannot write " + path_);
            Nc(nc_put_var_double(ncid_, angle, angles.data()), "Cannot write " + path_);
            Nc(nc_put_var_double(ncid_, passband, bands.data()), "Cannot write " + path_);
        }
    }

    std::string path_, temporary_;
    std::size_t channels_;
    int ncid_ = -1;
    bool open_ = false;
    bool committed_ = false;
    int tb_ = -1, up_ = -1, down_ = -1, opacity_ = -1, emissivityV_ = -1, emissivityH_ = -1, status_ = -1,
        message_ = -1;
    int profileSource_ = -1;  // profile_source(scene), when the scenes name their profiles
    std::vector<int> passThroughIds_;
    JacobianSelection selection_;
    std::size_t levels_ = 0;
    std::array<int, kSurfaceInputs> surfaceIds_{-1, -1, -1, -1, -1};
    std::array<int, 2> columnIds_{-1, -1};
    std::array<int, kProfileQuantities> levelIds_{-1, -1, -1, -1};
    int weightingId_ = -1;
};

class CsvWriter final : public ResultWriter {
public:
    CsvWriter(const std::string& path, const Sensor& sensor, const std::vector<int>& channels,
              const JacobianSelection& selection, bool profileSources)
        : path_(path), temporary_(TemporaryName(path)), selection_(selection), profileSources_(profileSources) {
        if (selection.AnyLevel())
            throw BatchError("Output " + path + ": level derivatives (temperature, pressure, humidity, cloud, "
                             "weighting) need a NetCDF output (.nc)");
        out_.open(temporary_, std::ios::binary);
        if (!out_.is_open()) throw BatchError("Cannot create " + path);
        for (int c : channels) channels_.push_back(&sensor.channels[c]);
        out_ << "scene,channel,frequency,polarisation,incidence_angle,tb,tb_up,tb_down,opacity,emissivity_v,"
                "emissivity_h";
        for (int k = 0; k < kSurfaceInputs; ++k)
            if (selection.surface[k]) out_ << ",dtb_d" << kSurfaceInputNames[k];
        for (int k = 0; k < 2; ++k)
            if (selection.columns[k]) out_ << ",dtb_d" << kColumnNames[k];
        out_ << ",status,message" << (profileSources ? ",profile_source" : "") << '\n';
    }
    ~CsvWriter() override {
        if (!committed_) Abandon();
    }

    void Write(std::size_t first, const std::vector<std::vector<ChannelOutcome>>& outcomes,
               const std::vector<std::vector<ChannelDerivatives>>& derivatives, const std::vector<Scene>& scenes,
               std::vector<PassThrough>&) override {
        for (std::size_t s = 0; s < outcomes.size(); ++s)
            for (std::size_t c = 0; c < channels_.size(); ++c) {
                const ChannelOutcome& o = outcomes[s][c];
                const Channel& ch = *channels_[c];
                std::string message = o.failure ? o.failure->message : scenes[s].failure ? scenes[s].failure->message : "";
                for (char& x : message)
                    if (x == '\n') x = ' ';
                const std::string quoted = Quoted(message);
                const double angle = scenes[s].surface.incidenceAngle.value_or(ch.incidenceAngle.value_or(std::nan("")));
                out_ << first + s << ',' << ch.name << ',' << Shortest(ch.centre) << ','
                     << PolarisationName(ch.polarisation) << ',' << Shortest(angle) << ','
                     << (o.computed ? Shortest(o.tb) : "") << ',' << (o.computed ? Shortest(o.result.tbUp) : "")
                     << ',' << (o.computed ? Shortest(o.result.tbDown) : "") << ','
                     << (o.computed ? Shortest(o.result.opacity) : "") << ','
                     << (o.computed ? Shortest(o.result.emissivityV) : "") << ','
                     << (o.computed ? Shortest(o.result.emissivityH) : "");
                const bool computed = o.computed && !derivatives.empty();
                for (int k = 0; k < kSurfaceInputs; ++k)
                    if (selection_.surface[k]) out_ << ',' << (computed ? Shortest(derivatives[s][c].surface[k]) : "");
                for (int k = 0; k < 2; ++k)
                    if (selection_.columns[k]) out_ << ',' << (computed ? Shortest(derivatives[s][c].columns[k]) : "");
                out_ << ',' << StatusOf(o) << ',' << quoted;
                if (profileSources_) out_ << ',' << Quoted(scenes[s].profileSource);
                out_ << '\n';
            }
        if (!out_) throw BatchError("Cannot write " + path_);
    }

    void Commit() override {
        out_.close();
        if (!out_) throw BatchError("Cannot write " + path_);
        std::error_code ec;
        std::filesystem::rename(temporary_, path_, ec);
        if (ec) throw BatchError("Cannot write " + path_ + ": " + ec.message());
        committed_ = true;
    }

    void Abandon() override {
        if (out_.is_open()) out_.close();
        std::error_code ec;
        if (!committed_) std::filesystem::remove(temporary_, ec);
        committed_ = true;
    }

private:
    std::string path_, temporary_;
    std::ofstream out_;
    std::vector<const Channel*> channels_;
    JacobianSelection selection_;
    bool profileSources_ = false;
    bool committed_ = false;
};

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

ChannelDerivatives DerivativesOf(const Jacobian& j, int output, const ProfileView& profile,
                                 const JacobianSelection& selection) {
    ChannelDerivatives d;
    for (int k = 0; k < kSurfaceInputs; ++k)
        if (selection.surface[k]) d.surface[k] = j.surface[output][k];
    for (int k = 0; k < 2; ++k)
        if (selection.columns[k]) d.columns[k] = j.columns[output][k];
    if (!selection.AnyLevel()) return d;
    const int L = j.levels;
    d.level.assign(static_cast<std::size_t>(kProfileQuantities) * L, 0.0);
    for (int q = 0; q < kProfileQuantities; ++q)
        if (selection.level[q])
            for (int i = 0; i < L; ++i) d.level[static_cast<std::size_t>(q) * L + i] = j.Level(output, q, i);
    d.weighting = selection.weighting ? WeightingFunction(j, output, profile) : std::vector<double>(L, 0.0);
    return d;
}

std::unique_ptr<ResultWriter> CreateResultWriter(const std::string& path, const Sensor& sensor,
                                                 const std::vector<int>& channels, std::size_t sceneCount,
                                                 const std::vector<PassThrough>& passThrough,
                                                 const RunDescription& run) {
    const std::string extension = Lower(std::filesystem::path(path).extension().string());
    if (extension == ".csv") return std::make_unique<CsvWriter>(path, sensor, channels, run.jacobians, run.profileSources);
    if (extension == ".nc" || extension == ".nc4" || extension == ".netcdf")
        return std::make_unique<NetcdfWriter>(path, sensor, channels, sceneCount, passThrough, run);
    throw BatchError("Output " + path + ": unknown kind (give a .nc or a .csv file)");
}

}  // namespace seasky
