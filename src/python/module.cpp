// The compiled part of the Python package seasky: the models, the calculation,
// the sensors and the scene conversion of the C++ core over flat numpy arrays.
// The package (python/seasky) broadcasts the inputs, gives them shapes and
// raises the errors; here every call checks its inputs against the validation
// table, computes the accepted ones with the global interpreter lock released,
// and reports each refusal as (index, input, unit, value, lower, lower
// inclusive, upper, upper inclusive, message).
//
// The entry points are private but callable: every count they are given is
// checked against the arrays that hold the values (a ValueError otherwise), so
// that no call reads past an array's end or allocates more than its inputs
// imply. A long call stops at Ctrl-C: between cases it lets the interpreter
// run its signal handlers and raises their KeyboardInterrupt, returning nothing.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <chrono>
#include <functional>
#include <cstdint>
#include <cstring>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "app/calculation_request.h"
#include "app/calculation_cost.h"
#include "app/channel_request.h"
#include "app/jacobian.h"
#include "app/model_outputs.h"
#include "app/profile_reader.h"
#include "app/sensor.h"
#include "app/standard_atmospheres.h"
#include "app/validation.h"
#include "atmosphere/humidity.h"
#include "surface/wind_vector.h"
#include "app/vocabulary.h"
#include "atmosphere/atmosphere_radiation.h"
#include "batch/batch_output.h"
#include "batch/block_plan.h"
#include "batch/field_file.h"
#include "batch/field_scenes.h"
#include "batch/netcdf_library.h"
#include "batch/scene_loop.h"
#include "batch/scenes.h"
#include "batch/sensor_file.h"
#include "batch/units.h"
#include "common/number_text.h"
#include "common/vector_math.h"
#include <fstream>
#include <iterator>

namespace py = pybind11;
using namespace seasky;

namespace {

using Array = py::array_t<double, py::array::c_style | py::array::forcecast>;

// A refusal, for the package to raise or to report.
struct Refusal {
    std::size_t index;
    ValidationFailure failure;
};

py::tuple RefusalTuple(const Refusal& r) {
    const ValidationFailure& f = r.failure;
    return py::make_tuple(r.index, f.input, f.unit, f.value, f.lower, f.lowerInclusive, f.upper, f.upperInclusive,
                          f.message);
}

py::list RefusalList(const std::vector<Refusal>& refusals) {
    py::list list;
    for (const Refusal& r : refusals) list.append(RefusalTuple(r));
    return list;
}

// ---- the counts a call is given ----

// A count given to an entry point (a Python int): refused when negative or
// beyond the range of a 64-bit integer (more than any array holds).
std::size_t CountOf(const py::int_& count, const char* call, const char* name) {
    int overflow = 0;
    const long long value = PyLong_AsLongLongAndOverflow(count.ptr(), &overflow);
    if (value == -1 && PyErr_Occurred()) throw py::error_already_set();
    const std::string text = std::string(call) + ": " + name + " = " + py::repr(count).cast<std::string>();
    if (overflow < 0 || (overflow == 0 && value < 0)) throw py::value_error(text + " must not be negative");
    if (overflow > 0) throw py::value_error(text + " is more than any array holds");
    return static_cast<std::size_t>(value);
}

// An input of a call: the cases it gives (values, or profiles), what they are
// ("values of freq", "profiles") and the values it holds (a profile's levels
// included).
struct Sized {
    std::size_t cases;
    std::string what;
    std::size_t values;
};

Sized ArrayInput(const char* name, std::size_t size) { return {size, std::string("values of ") + name, size}; }
// The same named by the quantity's Python keyword.
Sized ArrayInput(Quantity q, std::size_t size) { return ArrayInput(InfoOf(q).keyword, size); }


// The number of cases n of an array call: every input gives n cases, or one
// shared by every case, and n is at most the values the largest input holds
// (so that an empty array of many profiles cannot ask for that many results).
std::size_t CaseCount(const py::int_& count, const char* call, const std::vector<Sized>& inputs) {
    const std::size_t n = CountOf(count, call, "n");
    std::size_t most = 1;
    for (const Sized& input : inputs) {
        if (input.cases != n && input.cases != 1)
            throw py::value_error(std::string(call) + ": " + std::to_string(input.cases) + " " + input.what +
                                  " given, not n = " + std::to_string(n) + " (nor one for every case)");
        most = std::max(most, input.values);
    }
    if (n > most)
        throw py::value_error(std::string(call) + ": n = " + std::to_string(n) + " cases, more than the " +
                              std::to_string(most) + " values the largest input holds");
    return n;
}

// ---- Ctrl-C ----

// Whether the user asked a long call to stop. The calculation runs without the
// interpreter lock, and the interpreter runs a signal's Python handler only
// when it holds it; so at most every 50 ms of computing (between cases) the
// lock is taken briefly and the handlers run. The handler's exception (for
// SIGINT, KeyboardInterrupt) stays set until RaiseIfRequested, with the lock
// held again. In a thread other than the main one (dask's workers) the check
// finds nothing: Python runs its handlers in the main thread alone.
class Interruption {
public:
    // With the interpreter lock released.
    bool Requested() {
        if (requested_) return true;
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ < kInterval) return false;
        last_ = now;
        py::gil_scoped_acquire hold;
        requested_ = PyErr_CheckSignals() != 0;
        return requested_;
    }
    // With the interpreter lock held (the check phase).
    bool RequestedHeld() {
        if (!requested_ && ++calls_ % 1024 == 0) requested_ = PyErr_CheckSignals() != 0;
        return requested_;
    }
    // With the interpreter lock held: raises the handler's exception, if any.
    void RaiseIfRequested() const {
        if (requested_) throw py::error_already_set();
    }

private:
    static constexpr std::chrono::milliseconds kInterval{50};
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
    bool requested_ = false;
    std::size_t calls_ = 0;
};

// The values of a flat input array.
struct Input {
    Array array;
    const double* data;
    std::size_t size;
    explicit Input(const Array& a) : array(a), data(a.data()), size(static_cast<std::size_t>(a.size())) {}
    double operator[](std::size_t i) const { return data[size == 1 ? 0 : i]; }
};

// n results, NaN until computed.
struct Output {
    std::vector<double> values;
    explicit Output(std::size_t n) : values(n, std::nan("")) {}
    py::array_t<double> Array() const { return py::array_t<double>(values.size(), values.data()); }
};

// The model set of a list of "NAME=CHOICE" (Python's models={...} and
// direction_rows=, joined by the package).
ModelSet ModelsOf(const std::vector<std::string>& assignments) {
    ModelSet set;
    for (const std::string& assignment : assignments)
        if (const std::optional<std::string> refusal = SetModelAssignment(set, assignment))
            throw py::value_error(*refusal);
    return set;
}

// {model: choice} of the full set, the record of a result.
py::dict ModelRecord(const std::vector<std::string>& assignments) {
    py::dict record;
    for (const auto& [model, choice] : ModelSetRecord(ModelsOf(assignments))) record[py::str(model)] = choice;
    return record;
}

// A bandwidth (GHz) that is not a number (NaN, +-inf) is refused as the command
// line refuses it as the argument of --band; a band of 0 or less is one
// frequency there and here.
std::optional<ValidationFailure> CheckBandwidth(double band) {
    if (std::isfinite(band)) return std::nullopt;
    ValidationFailure f;
    f.input = KeyOf(Quantity::Bandwidth);
    f.unit = UnitOf(Quantity::Bandwidth);
    f.value = band;
    f.lowerInclusive = false;
    f.upperInclusive = false;
    const std::string text = std::isnan(band) ? "nan" : band > 0.0 ? "inf" : "-inf";
    f.message = NotANumberArgument(InfoOf(Quantity::Bandwidth).option, text);
    return f;
}

// Profiles as arrays: count x levels (level fastest) per quantity, one profile
// (count 1) shared by every case or one per case.
struct Profiles {
    Input height, temperature, pressure, humidity, cloud;
    std::size_t count = 0, levels = 0;
    std::vector<ProfileStore> stores;
    std::vector<std::optional<ValidationFailure>> failures;
    std::optional<ValidationFailure> levelCountFailure;  // of every profile alike

    Profiles(const Array& h, const Array& t, const Array& p, const Array& q, const Array& w)
        : height(h), temperature(t), pressure(p), humidity(q), cloud(w) {
        if (h.ndim() != 2) throw py::value_error("profile arrays must have two dimensions (profiles, levels)");
        count = static_cast<std::size_t>(h.shape(0));
        levels = static_cast<std::size_t>(h.shape(1));
        for (const Array* a : {&t, &p, &q, &w})
            if (a->ndim() != 2 || static_cast<std::size_t>(a->shape(0)) != count ||
                static_cast<std::size_t>(a->shape(1)) != levels)
                throw py::value_error("the five profile arrays must have the same shape");
        // A level count out of the table's range refuses every profile unread
        // (an empty array of (count, 0) holds nothing to store, and a count
        // beyond the table would not fit the store's int).
        levelCountFailure = CheckLevelCount(static_cast<double>(levels));
        if (levelCountFailure) return;
        stores.resize(count);
        failures.resize(count);
        for (std::size_t c = 0; c < count; ++c) {
            ProfileStore& s = stores[c];
            for (std::size_t l = 0; l < levels; ++l) {
                const std::size_t i = c * levels + l;
                s.height.push_back(height.data[i]);
                s.airTemperature.push_back(temperature.data[i]);
                s.pressure.push_back(pressure.data[i]);
                s.absoluteHumidity.push_back(humidity.data[i]);
                s.cloudWater.push_back(cloud.data[i]);
            }
            s.levelCount = static_cast<int>(levels);
            failures[c] = CheckLevels(s);
        }
    }

    // The whole-profile check of every front end (CheckProfile); the level
    // count first, as a size that may not fit the profile's int.
    static constexpr const char* kSubject = "Профиль";
    static std::optional<ValidationFailure> CheckLevelCount(double levels) {
        std::optional<ValidationFailure> f = Check(Checked::LevelCount, levels);
        if (f) f->message = LevelCountRefusal(kSubject, FormatGeneral(levels, '.'));
        return f;
    }
    static std::optional<ValidationFailure> CheckLevels(const ProfileStore& s) { return CheckProfile(ViewOf(s), kSubject); }

    // As an input of CaseCount: count profiles of levels values each.
    Sized Sizes() const { return {count, "profiles", count * levels}; }

    // Of case i, once CaseCount has checked that count is 1 or the cases' n.
    const ProfileStore& operator[](std::size_t i) const { return stores[count == 1 ? 0 : i]; }
    const std::optional<ValidationFailure>& FailureOf(std::size_t i) const {
        return levelCountFailure ? levelCountFailure : failures[count == 1 ? 0 : i];
    }
};

py::dict Result(std::vector<std::pair<std::string, Output>>& outputs, const std::vector<Refusal>& refusals, std::size_t n) {
    py::dict values;
    for (auto& [name, output] : outputs) values[py::str(name)] = output.Array();
    std::vector<signed char> status(n, 0);
    for (const Refusal& r : refusals) status[r.index] = 1;
    py::dict result;
    result["values"] = values;
    result["status"] = py::array_t<signed char>(n, status.data());
    result["refusals"] = RefusalList(refusals);
    return result;
}

// Runs check(i) for every case; with stop, returns at the first refusal.
template <typename CheckFunction>
std::vector<Refusal> CheckAll(std::size_t n, bool stop, CheckFunction check) {
    std::vector<Refusal> refusals;
    Interruption interruption;
    for (std::size_t i = 0; i < n && !interruption.RequestedHeld(); ++i)
        if (std::optional<ValidationFailure> f = check(i)) {
            refusals.push_back({i, *f});
            if (stop) break;
        }
    interruption.RaiseIfRequested();
    return refusals;
}

std::vector<bool> Refused(std::size_t n, const std::vector<Refusal>& refusals) {
    std::vector<bool> refused(n, false);
    for (const Refusal& r : refusals) refused[r.index] = true;
    return refused;
}


// The common course of an array call: every case checked (stopping at the
// first refusal when asked), then the accepted cases computed without the
// interpreter lock, compute(i, values) writing one value per output name.
template <typename CheckFunction, typename ComputeFunction>
py::dict RunCases(std::size_t n, bool stop, const std::vector<std::string>& names, CheckFunction check,
                  ComputeFunction compute) {
    const std::vector<Refusal> refusals = CheckAll(n, stop, check);
    std::vector<std::pair<std::string, Output>> out;
    for (const std::string& name : names) out.emplace_back(name, Output(n));
    if (stop && !refusals.empty()) return Result(out, refusals, n);
    const std::vector<bool> refused = Refused(n, refusals);
    Interruption interruption;
    {
        py::gil_scoped_release release;
        std::vector<double> values(out.size());
        for (std::size_t i = 0; i < n && !interruption.Requested(); ++i) {
            if (refused[i]) continue;
            compute(i, values.data());
            for (std::size_t k = 0; k < out.size(); ++k) out[k].second.values[i] = values[k];
        }
    }
    interruption.RaiseIfRequested();
    return Result(out, refusals, n);
}

// The keys of a list of quantities (the keys of a result dict).
template <std::size_t N>
std::vector<std::string> KeysOf(const std::array<Quantity, N>& quantities) {
    std::vector<std::string> keys;
    for (Quantity q : quantities) keys.emplace_back(KeyOf(q));
    return keys;
}

// The flat input arrays of the quantities of a list, in its order.
template <std::size_t N>
struct Inputs {
    std::vector<Input> in;
    explicit Inputs(const std::array<Array, N>& arrays) : in(arrays.begin(), arrays.end()) {}
    // Their sizes for CaseCount, named by the quantities' keywords.
    std::vector<Sized> Sizes(const std::array<Quantity, N>& quantities) const {
        std::vector<Sized> sizes;
        for (std::size_t k = 0; k < N; ++k) sizes.push_back(ArrayInput(quantities[k], in[k].size));
        return sizes;
    }
    // The values of case i.
    std::array<double, N> operator[](std::size_t i) const {
        std::array<double, N> v{};
        for (std::size_t k = 0; k < N; ++k) v[k] = in[k][i];
        return v;
    }
};

// Writes the values of one case.
template <std::size_t N>
void Put(const std::array<double, N>& values, double* out) {
    std::copy(values.begin(), values.end(), out);
}

py::dict Absorption(const Array& fA, const Array& tA, const Array& pA, const Array& rhoA, const Array& wA,
                    const py::int_& count, bool stop) {
    const Inputs<kAbsorptionInputs.size()> in({fA, tA, pA, rhoA, wA});
    const std::size_t n = CaseCount(count, "absorption", in.Sizes(kAbsorptionInputs));
    return RunCases(
        n, stop, KeysOf(kAbsorptionOutputs),
        [&](std::size_t i) {
            const auto [f, t, p, rho, w] = in[i];
            std::optional<ValidationFailure> failure = Check(Checked::AbsorptionFrequency, f);
            if (!failure) failure = CheckLevel({std::nullopt, t, p, rho, w});
            return failure;
        },
        [&](std::size_t i, double* v) {
            const auto [f, t, p, rho, w] = in[i];
            Put(AbsorptionValues(f, t, p, rho, w), v);
        });
}

py::dict Permittivity(const Array& fA, const Array& tA, const Array& sA, const py::int_& count,
                      const std::vector<std::string>& models, bool stop) {
    const Inputs<kPermittivityInputs.size()> in({fA, tA, sA});
    const ModelSet set = ModelsOf(models);
    const std::size_t n = CaseCount(count, "permittivity", in.Sizes(kPermittivityInputs));
    return RunCases(
        n, stop, KeysOf(kPermittivityOutputs),
        [&](std::size_t i) {
            const auto [f, t, s] = in[i];
            return FirstFailure({{Checked::Frequency, f}, {Checked::SeaTemperature, t}, {Checked::Salinity, s}});
        },
        [&](std::size_t i, double* v) {
            const auto [f, t, s] = in[i];
            Put(PermittivityValues(f, t, s, set), v);
        });
}

py::dict Emissivity(const Array& fA, const Array& aA, const Array& phiA, const Array& tA, const Array& sA,
                    const Array& wA, const py::int_& count, const std::vector<std::string>& models, bool stop) {
    const Inputs<kEmissivityInputs.size()> in({fA, aA, phiA, tA, sA, wA});
    const std::size_t n = CaseCount(count, "emissivity", in.Sizes(kEmissivityInputs));
    const ModelSet set = ModelsOf(models);
    return RunCases(
        n, stop, KeysOf(kEmissivityOutputs),
        [&](std::size_t i) {
            const auto [f, a, phi, t, s, w] = in[i];
            return ValidateSurfaceInputs(f, a, phi, t, s, w, set);
        },
        [&](std::size_t i, double* v) {
            const auto [f, a, phi, t, s, w] = in[i];
            Put(EmissivityValues(f, a, phi, t, s, w, set), v);
        });
}

py::dict SkyCorrection(const Array& fA, const Array& tauA, const Array& aA, const Array& wA, const py::int_& count,
                       bool stop) {
    const Inputs<kSkyCorrectionInputs.size()> in({fA, tauA, aA, wA});
    const std::size_t n = CaseCount(count, "sky_correction", in.Sizes(kSkyCorrectionInputs));
    return RunCases(
        n, stop, KeysOf(kSkyCorrectionOutputs),
        [&](std::size_t i) {
            const auto [f, tau, a, w] = in[i];
            return FirstFailure(
                {{Checked::Frequency, f}, {Checked::Transmittance, tau}, {Checked::Angle, a}, {Checked::Wind, w}});
        },
        [&](std::size_t i, double* v) {
            const auto [f, tau, a, w] = in[i];
            Put(SkyCorrectionValues(f, tau, a, w), v);
        });
}

py::dict Atmosphere(const Array& h, const Array& t, const Array& p, const Array& q, const Array& w, const Array& fA,
                    const Array& bandA, const Array& angleA, const py::int_& count, bool stop) {
    const Profiles profiles(h, t, p, q, w);
    const Inputs<kAtmosphereInputs.size()> in({fA, bandA, angleA});
    std::vector<Sized> sizes{profiles.Sizes()};
    for (const Sized& size : in.Sizes(kAtmosphereInputs)) sizes.push_back(size);
    const std::size_t n = CaseCount(count, "atmosphere", sizes);
    std::vector<std::string> names = KeysOf(kAtmosphereOutputs);
    for (const std::string& key : KeysOf(kAtmosphereGrid)) names.push_back(key);
    return RunCases(
        n, stop, names,
        [&](std::size_t i) {
            const auto [f, band, angle] = in[i];
            std::optional<ValidationFailure> failure = CheckBandwidth(band);
            if (!failure) failure = Check(Checked::AbsorptionFrequency, f);
            if (!failure && band > 0.0) failure = Check(Checked::BandLowerEdge, f - band * 0.5);
            if (!failure) failure = Check(Checked::ViewAngle, angle);
            if (!failure) failure = profiles.FailureOf(i);
            if (!failure) failure = CheckCalculationCost(f, band, ViewOf(profiles[i]));
            return failure;
        },
        [&](std::size_t i, double* v) {
            const auto [f, band, angle] = in[i];
            const AtmosphereTransferResult r = AtmosphereTransfer(f, band, angle, ViewOf(profiles[i]));
            Put(AtmosphereValues(r), v);
            Put(AtmosphereGridValues(r), v + kAtmosphereOutputs.size());
        });
}

// The derivatives asked for by name (see ParseJacobianSelection).
JacobianSelection SelectionOf(const std::string& text) {
    JacobianSelection s;
    if (std::optional<std::string> message = ParseJacobianSelection(text, s)) throw py::value_error(*message);
    return s;
}

// One derivative asked for by name, and the part of a Jacobian it reads.
struct SelectedDerivative {
    enum class Part { surface, column, level, weighting };
    std::string name;  // as ParseJacobianSelection names it
    Part part = Part::surface;
    SurfaceInput input{};      // of Part::surface
    WaterColumn column{};      // of Part::column
    LevelQuantity quantity{};  // of Part::level
    bool PerLevel() const { return part == Part::level || part == Part::weighting; }
};

// The derivatives selected: the surface inputs, the columns, the level
// quantities, then the weighting function.
std::vector<SelectedDerivative> SelectedDerivatives(const JacobianSelection& s) {
    using Part = SelectedDerivative::Part;
    std::vector<SelectedDerivative> out;
    for (SurfaceInput k : kSurfaceInputList)
        if (s.Has(k)) out.push_back({NameOf(k), Part::surface, k, {}, {}});
    for (WaterColumn c : kWaterColumnList)
        if (s.Has(c)) out.push_back({NameOf(c), Part::column, {}, c, {}});
    for (LevelQuantity q : kLevelQuantities)
        if (s.Has(q)) out.push_back({NameOf(q), Part::level, {}, {}, q});
    if (s.weighting) out.push_back({"weighting", Part::weighting, {}, {}, {}});
    return out;
}

// The derivatives of calculate: per name and output, n values (surface inputs,
// columns) or n x levels (level quantities, weighting), NaN where not computed.
class DerivativeArrays {
public:
    DerivativeArrays(const JacobianSelection& selection, std::size_t n, std::size_t levels) : levels_(levels) {
        for (const SelectedDerivative& d : SelectedDerivatives(selection))
            parts_.push_back({d, std::vector<std::vector<double>>(
                                     kJacobianOutputs, std::vector<double>(d.PerLevel() ? n * levels : n, std::nan("")))});
    }

    // Those of case i.
    void Store(std::size_t i, const Jacobian& j, const ProfileView& profile) {
        using Part = SelectedDerivative::Part;
        const std::size_t L = levels_;
        for (Values& d : parts_)
            for (JacobianOutput o : kJacobianOutputList) {
                std::vector<double>& out = d.values[Index(o)];
                if (d.what.part == Part::surface) {
                    out[i] = j.Surface(o, d.what.input);
                } else if (d.what.part == Part::column) {
                    out[i] = j.Column(o, d.what.column);
                } else if (d.what.part == Part::level) {
                    for (std::size_t l = 0; l < L; ++l) out[i * L + l] = j.Level(o, d.what.quantity, static_cast<int>(l));
                } else {
                    const std::vector<double> wf = WeightingFunction(j, o, profile);
                    std::copy(wf.begin(), wf.end(), out.begin() + static_cast<std::ptrdiff_t>(i * L));
                }
            }
    }

    // {name: {output: values}}.
    py::dict Dict() const {
        py::dict all;
        for (const Values& d : parts_) {
            py::dict outputs;
            for (JacobianOutput o : kJacobianOutputList) {
                const std::vector<double>& v = d.values[Index(o)];
                outputs[NameOf(o)] = py::array_t<double>(v.size(), v.data());
            }
            all[py::str(d.what.name)] = outputs;
        }
        return all;
    }

private:
    struct Values {
        SelectedDerivative what;
        std::vector<std::vector<double>> values;  // [Index(output)][case (x level)]
    };
    std::vector<Values> parts_;
    std::size_t levels_;
};

py::dict CalculateArrays(const Array& h, const Array& t, const Array& p, const Array& q, const Array& w,
                         const std::vector<Array>& inputs, const py::int_& count,
                         const std::vector<std::string>& models, bool stop,
                         const std::optional<std::string>& jacobians) {
    if (inputs.size() != kCalculationInputs.size()) throw py::value_error("calculate needs the seven inputs");
    const Profiles profiles(h, t, p, q, w);
    std::array<Array, kCalculationInputs.size()> arrays;
    std::copy(inputs.begin(), inputs.end(), arrays.begin());
    const Inputs<kCalculationInputs.size()> in(arrays);
    std::vector<Sized> sizes{profiles.Sizes()};
    for (const Sized& size : in.Sizes(kCalculationInputs)) sizes.push_back(size);
    const std::size_t n = CaseCount(count, "calculate", sizes);
    const ModelSet options = ModelsOf(models);
    auto inputsOf = [&](std::size_t i) { return InputsOf(in[i]); };
    auto requestOf = [&](std::size_t i) {
        return CalculationRequest{inputsOf(i), ViewOf(profiles[i]), options, jacobians.has_value()};
    };
    std::vector<std::string> names;
    for (const ResultField& field : kResultFields) names.emplace_back(KeyOf(field.quantity));
    const JacobianSelection selection = jacobians ? SelectionOf(*jacobians) : JacobianSelection{};
    DerivativeArrays derivatives(selection, n, profiles.levels);
    py::dict result = RunCases(
        n, stop, names,
        [&](std::size_t i) {
            // A band that is no number, then the inputs (before the profile, as
            // the command line reports them), the profile, then the request's
            // own checks.
            const CalculationInputs inputs = inputsOf(i);
            std::optional<ValidationFailure> failure = CheckBandwidth(inputs.bandwidth);
            if (!failure) failure = ValidateInputs(inputs, options);
            if (!failure) failure = profiles.FailureOf(i);
            if (!failure) failure = CheckCalculationRequest(requestOf(i));
            return failure;
        },
        [&](std::size_t i, double* v) {
            const CalculationOutcome r = ComputeCalculationRequest(requestOf(i));
            for (std::size_t k = 0; k < kResultFields.size(); ++k) v[k] = kResultFields[k].value(r.result);
            if (r.jacobian) derivatives.Store(i, *r.jacobian, ViewOf(profiles[i]));
        });
    if (jacobians) {
        result["jacobians"] = derivatives.Dict();
        result["levels"] = profiles.levels;
    }
    return result;
}

// ---- sensors ----

py::dict ChannelDict(const Channel& c) {
    py::list bands;
    for (const SubBand& b : c.subBands) bands.append(py::make_tuple(b.centre - b.width * 0.5, b.centre + b.width * 0.5));
    py::dict d;
    d["name"] = c.name;
    d["centre"] = c.centre;
    d["sub_bands"] = bands;
    d["polarisation"] = PolarisationName(c.polarisation);
    d["incidence_angle"] = c.incidenceAngle ? py::object(py::float_(*c.incidenceAngle)) : py::object(py::none());
    d["beam_width"] = c.beamWidth;
    d["note"] = c.note;
    return d;
}

Sensor ParsedSensor(const std::string& text) {
    SensorReadResult r = ParseSensorText(text, "(text)");
    if (!r.ok) throw py::value_error(r.message);
    return std::move(r.sensor);
}

py::dict SensorDict(const std::string& text) {
    const Sensor s = ParsedSensor(text);
    py::list channels;
    for (const Channel& c : s.channels) channels.append(ChannelDict(c));
    py::dict d;
    d["name"] = s.name;
    d["title"] = s.title;
    d["sources"] = s.sources;
    d["channels"] = channels;
    return d;
}

// The text of a sensor: a preset name or a file.
std::string SensorText(const std::string& nameOrFile) {
    for (const SensorPreset& p : SensorPresets())
        if (p.name == nameOrFile) return std::string(p.text);
    const SensorReadResult r = LoadSensor(nameOrFile);
    if (!r.ok) throw py::value_error(r.message);
    std::ifstream in(nameOrFile, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Converts a per-scene or per-level array from its units in place (NaN stays NaN).
void Convert(std::vector<double>& values, UnitKind kind, const std::string& units, const std::string& standard,
             const std::string& variable, bool& fraction) {
    std::string accepted;
    const std::optional<UnitConversion> c = ConversionForVariable(kind, units, standard, &accepted);
    if (!c)
        throw py::value_error("variable " + variable + ": units \"" + units + "\" are not accepted for " + standard +
                              " (accepted: " + accepted + ")");
    fraction = c->massFraction;
    for (double& v : values) v = v * c->scale + c->offset;
}

std::vector<double> Copy(const Array& a) { return std::vector<double>(a.data(), a.data() + a.size()); }

// The quantities of simulate, in the order of its arrays: height,
// air_temperature, air_pressure, humidity, cloud (scenes x levels), then sea
// temperature, salinity, wind, azimuth, angle (scenes).
constexpr int kSimulateQuantities = 10;
constexpr int kProfileQuantitiesOfScenes = 5;
// (variable name, standard name, units) of each; a missing optional quantity
// has an empty name.
using SimulateVariables = std::vector<std::tuple<std::string, std::string, std::string>>;

// The counts of a simulate call: scenes, and levels of each profile.
struct SimulateCounts {
    std::size_t scenes = 0;
    std::size_t levels = 0;
};

SimulateCounts CountsOf(const std::vector<Array>& arrays, const SimulateVariables& variables,
                        const py::int_& sceneCount, const py::int_& levelCount) {
    if (arrays.size() != kSimulateQuantities || variables.size() != kSimulateQuantities)
        throw py::value_error("simulate needs ten quantities");
    // The counts, checked against the arrays below: every profile quantity
    // holds scenes x levels values, every surface quantity scenes (and the
    // required surface quantities bound scenes by the values they hold).
    SimulateCounts n;
    n.scenes = CountOf(sceneCount, "simulate", "scenes");
    n.levels = CountOf(levelCount, "simulate", "levels");
    if (n.levels != 0 && n.scenes > std::numeric_limits<std::size_t>::max() / n.levels)
        throw py::value_error("simulate: scenes x levels = " + std::to_string(n.scenes) + " x " +
                              std::to_string(n.levels) + " values, more than any array holds");
    return n;
}

// The scene values of a simulate call, converted to the units of the scenes
// (SceneArrays), and whether humidity and cloud water are mass fractions.
struct SimulateValues {
    std::vector<std::vector<double>> values = std::vector<std::vector<double>>(kSimulateQuantities);
    bool fractions[kSimulateQuantities] = {};
};

SimulateValues ConvertedValues(const std::vector<Array>& arrays, const SimulateVariables& variables,
                               const SimulateCounts& n) {
    SimulateValues v;
    for (int k = 0; k < kSimulateQuantities; ++k) {
        const auto& [name, standard, units] = variables[k];
        if (name.empty()) continue;
        const bool profile = k < kProfileQuantitiesOfScenes;
        const std::size_t expected = profile ? n.scenes * n.levels : n.scenes;
        if (static_cast<std::size_t>(arrays[k].size()) != expected)
            throw py::value_error("simulate: variable " + name + " holds " + std::to_string(arrays[k].size()) +
                                  " values, not " + (profile ? "scenes x levels = " : "scenes = ") +
                                  std::to_string(expected));
        v.values[k] = Copy(arrays[k]);
        Convert(v.values[k], UnitKindOf(kSceneQuantities[k].quantity), units, standard, name, v.fractions[k]);
    }
    for (int k : {0, 1, 2, 3, 5, 6, 7, 8})
        if (std::get<0>(variables[k]).empty()) throw py::value_error("a required variable is missing");
    // With no scenes no array holds the levels; they are bounded as a scene
    // file's level dimension is (batch/scenes.cpp).
    if (n.scenes == 0 && static_cast<double>(n.levels) > QuantityOf(Checked::LevelCount).upper)
        throw py::value_error("simulate: levels = " + std::to_string(n.levels) + " with no scenes, more than the " +
                              FormatGeneral(QuantityOf(Checked::LevelCount).upper, '.') + " a profile may have");
    return v;
}

SceneArrays ArraysOf(const SimulateValues& v, const SimulateVariables& variables, const SimulateCounts& n) {
    SceneArrays a;
    a.scenes = n.scenes;
    a.levels = n.levels;
    a.height = v.values[0].data();
    a.temperature = v.values[1].data();
    a.pressure = v.values[2].data();
    a.humidity = v.values[3].data();
    a.cloud = v.values[4].empty() ? nullptr : v.values[4].data();
    a.humidityIsFraction = v.fractions[3];
    a.cloudIsFraction = v.fractions[4];
    a.seaTemperature = v.values[5].data();
    a.salinity = v.values[6].data();
    a.wind = v.values[7].data();
    a.azimuth = v.values[8].data();
    a.angle = v.values[9].empty() ? nullptr : v.values[9].data();
    for (int k = 0; k < 4; ++k) a.names[k] = std::get<0>(variables[5 + k]);
    return a;
}

// Scenes [first, first + count) of the arrays.
SceneArrays BlockOf(const SceneArrays& a, std::size_t first, std::size_t count) {
    SceneArrays b = a;
    b.scenes = count;
    const std::size_t level = first * a.levels;
    for (const double** p : {&b.height, &b.temperature, &b.pressure, &b.humidity, &b.cloud})
        if (*p != nullptr) *p += level;
    for (const double** p : {&b.seaTemperature, &b.salinity, &b.wind, &b.azimuth, &b.angle})
        if (*p != nullptr) *p += first;
    return b;
}

// The results of simulate: per scene and channel (scene fastest outside),
// NaN until computed, the status bits of a batch run (StatusOf: the
// channel's and the scene's flags), each scene's first refusal and note,
// and the derivatives of tb asked for, dtb_d<name>: (scenes, channels) or
// (scenes, channels, levels).
class SimulateResults {
public:
    SimulateResults(std::size_t scenes, std::size_t channels, std::size_t levels, const JacobianSelection& selection)
        : scenes_(scenes), channels_(channels), levels_(levels), tb_(scenes * channels, std::nan("")), up_(tb_),
          down_(tb_), opacity_(tb_), ev_(tb_), eh_(tb_), status_(scenes * channels, 0), messages_(scenes),
          notes_(scenes) {
        for (SurfaceInput k : kSurfaceInputList)
            if (selection.Has(k)) Add(DerivativeVariable(NameOf(k)), Kind::surface, Index(k));
        for (WaterColumn c : kWaterColumnList)
            if (selection.Has(c)) Add(DerivativeVariable(NameOf(c)), Kind::column, Index(c));
        for (LevelQuantity q : kLevelQuantities)
            if (selection.Has(q)) Add(DerivativeVariable(NameOf(q)), Kind::level, Index(q));
        if (selection.weighting) Add(kWeightingVariable, Kind::weighting, 0);
        // The height of each level, the coordinate of the level derivatives.
        if (selection.AnyLevel() || selection.weighting) heights_.assign(scenes * levels, std::nan(""));
    }

    // The scenes of a block from first.
    void Record(std::size_t first, const SceneBlock& block) {
        for (std::size_t s = 0; s < block.scenes.size(); ++s) {
            notes_[first + s] = block.scenes[s].note;
            if (!heights_.empty())
                for (std::size_t l = 0; l < block.scenes[s].levelIndex.size(); ++l)
                    heights_[(first + s) * levels_ + block.scenes[s].levelIndex[l]] = block.scenes[s].profile.height[l];
            for (std::size_t c = 0; c < channels_; ++c) {
                const ChannelOutcome& o = block.outcomes[s][c];
                const std::size_t i = (first + s) * channels_ + c;
                status_[i] = static_cast<signed char>(StatusOf(block.scenes[s], o));
                if (!o.computed) {
                    if (messages_[first + s].empty() && o.failure) messages_[first + s] = o.failure->message;
                    continue;
                }
                tb_[i] = o.tb;
                up_[i] = o.result.tbUp;
                down_[i] = o.result.tbDown;
                opacity_[i] = o.result.opacity;
                ev_[i] = o.result.emissivityV;
                eh_[i] = o.result.emissivityH;
                if (!block.derivatives.empty())
                    RecordDerivatives(i, block.scenes[s].levelIndex, block.derivatives[s][c]);
            }
        }
    }

    py::dict Dict() const {
        py::dict d;
        // The values of kChannelResults, by their variable names.
        const std::vector<double>* results[kChannelResults.size()] = {&tb_, &up_, &down_, &opacity_, &ev_, &eh_};
        for (std::size_t k = 0; k < kChannelResults.size(); ++k)
            d[InfoOf(kChannelResults[k]).variable] = Matrix(*results[k]);
        d[InfoOf(Quantity::Status).variable] = py::array_t<signed char>({scenes_, channels_}, status_.data());
        if (!heights_.empty()) d["height"] = py::array_t<double>({scenes_, levels_}, heights_.data());
        d[InfoOf(Quantity::Message).variable] = messages_;
        d[InfoOf(Quantity::Note).variable] = notes_;
        for (const Derivative& x : derivatives_)
            d[py::str(x.name)] = x.kind == Kind::level || x.kind == Kind::weighting
                                     ? py::array_t<double>({scenes_, channels_, levels_}, x.values.data())
                                     : Matrix(x.values);
        return d;
    }

private:
    enum class Kind { surface, column, level, weighting };
    struct Derivative {
        std::string name;
        Kind kind;
        int index;  // of the surface input, column or level quantity
        std::vector<double> values;
    };

    void Add(const std::string& name, Kind kind, int index) {
        const bool perLevel = kind == Kind::level || kind == Kind::weighting;
        derivatives_.push_back({name, kind, index, std::vector<double>(tb_.size() * (perLevel ? levels_ : 1),
                                                                       std::nan(""))});
    }

    // Case i (scene x channel): the profile's levels go to the file's levels.
    void RecordDerivatives(std::size_t i, const std::vector<int>& levelIndex, const ChannelDerivatives& d) {
        const std::size_t L = levelIndex.size();
        for (Derivative& out : derivatives_) {
            if (out.kind == Kind::surface) out.values[i] = d.surface[out.index];
            else if (out.kind == Kind::column) out.values[i] = d.columns[out.index];
            else
                for (std::size_t l = 0; l < L; ++l)
                    out.values[i * levels_ + levelIndex[l]] =
                        out.kind == Kind::level ? d.level[out.index * L + l] : d.weighting[l];
        }
    }

    py::array_t<double> Matrix(const std::vector<double>& v) const {
        return py::array_t<double>({scenes_, channels_}, v.data());
    }

    std::size_t scenes_, channels_, levels_;
    std::vector<double> tb_, up_, down_, opacity_, ev_, eh_;
    std::vector<signed char> status_;
    std::vector<std::string> messages_;
    std::vector<double> heights_;  // scenes x levels, with level derivatives
    std::vector<std::string> notes_;  // each scene's Scene::note
    std::vector<Derivative> derivatives_;
};

// The scene loop of simulate (batch/scene_loop.h), a block of scenes at a
// time on the calling thread alone: Python runs its signal handlers in the
// main thread, where Ctrl-C is looked for between scenes, and dask's workers
// each compute a chunk already. read gives the scenes of a block.
py::dict SimulateScenes(const SceneChannels& what, std::size_t scenes, std::size_t levels,
                        const std::function<void(std::size_t, std::size_t, std::vector<Scene>&)>& read) {
    BlockShape shape;
    shape.levels = levels;
    shape.channels = what.channels.size();
    shape.derivatives = what.derivatives;
    shape.levelDerivatives = what.selection.AnyLevel();
    SceneLoop loop;
    loop.scenes = scenes;
    loop.blockSize = ScenesPerBlock(shape, kBlockBudgetBytes, kMostScenesPerBlock, 1);
    SimulateResults results(scenes, what.channels.size(), levels, what.selection);
    loop.read = read;
    loop.write = [&results](std::size_t first, const SceneBlock& block) { results.Record(first, block); };
    Interruption interruption;
    loop.stop = [&interruption] { return interruption.Requested(); };
    {
        py::gil_scoped_release release;
        RunSceneLoop(what, loop);
    }
    interruption.RaiseIfRequested();
    return results.Dict();
}

// The channels over scenes given as arrays of seasky's own scene layout,
// exactly as a batch run computes them (SimulateScenes). variables: (variable
// name, standard name, units) per quantity, in the order of
// kSimulateQuantities.
py::dict Simulate(const std::string& sensorText, const std::vector<int>& channels, const std::vector<Array>& arrays,
                  const SimulateVariables& variables, const py::int_& sceneCount, const py::int_& levelCount,
                  bool extrapolate, const std::vector<std::string>& models,
                  const std::optional<std::string>& jacobians) {
    const SimulateCounts n = CountsOf(arrays, variables, sceneCount, levelCount);
    const JacobianSelection selection = jacobians ? SelectionOf(*jacobians) : JacobianSelection{};
    const Sensor sensor = ParsedSensor(sensorText);
    for (int c : channels)
        if (c < 0 || c >= static_cast<int>(sensor.channels.size())) throw py::value_error("no such channel index");
    const SimulateValues values = ConvertedValues(arrays, variables, n);
    if (std::optional<ValidationFailure> f =
            CheckChannelDefinitions(sensor, channels, !std::get<0>(variables[9]).empty(), extrapolate))
        throw py::value_error(f->message);
    const SceneArrays all = ArraysOf(values, variables, n);
    const SceneChannels what{sensor, channels, ModelsOf(models), extrapolate, jacobians.has_value(), selection};
    return SimulateScenes(what, n.scenes, n.levels, [&all](std::size_t first, std::size_t count, std::vector<Scene>& block) {
        ScenesFromArrays(BlockOf(all, first, count), block);
    });
}

// ---- scenes from the fields of xarray Datasets ----

// A file of fields held in memory: the variables of an xarray Dataset as
// Python gives them (their names, dimensions, attributes and float64 values),
// so that Python's simulate reads a Dataset exactly as seasky batch reads a
// file (batch/field_scenes.h). Without values (a plan), the values read are NaN.
class MemoryFields final : public FieldFile {
public:
    MemoryFields(std::string path, const py::list& variables) : path_(std::move(path)) {
        for (const py::handle& item : variables) {
            const py::dict d = py::reinterpret_borrow<py::dict>(item);
            FieldVariable v;
            v.name = d["name"].cast<std::string>();
            v.dims = d["dims"].cast<std::vector<std::string>>();
            v.shape = d["shape"].cast<std::vector<std::size_t>>();
            if (v.dims.size() != v.shape.size()) throw py::value_error("variable " + v.name + ": dims and shape differ");
            v.units = d.contains("units") ? d["units"].cast<std::string>() : "";
            v.standardName = d.contains("standard_name") ? d["standard_name"].cast<std::string>() : "";
            v.longName = d.contains("long_name") ? d["long_name"].cast<std::string>() : "";
            if (d.contains("param_id") && !d["param_id"].is_none()) v.paramId = d["param_id"].cast<long>();
            v.type = NC_DOUBLE;
            v.valueBytes = sizeof(double);
            Array values;
            std::size_t n = 1;
            for (std::size_t k = 0; k < v.shape.size(); ++k) {
                n *= v.shape[k];
                bool known = false;
                for (const FieldDimension& dim : dims_)
                    if (dim.name == v.dims[k]) {
                        known = true;
                        if (dim.size != v.shape[k])
                            throw py::value_error(path_ + ": dimension " + v.dims[k] + " has sizes " +
                                                  std::to_string(dim.size) + " and " + std::to_string(v.shape[k]));
                    }
                if (!known) dims_.push_back({v.dims[k], v.shape[k]});
            }
            if (d.contains("values") && !d["values"].is_none()) {
                values = d["values"].cast<Array>();
                if (static_cast<std::size_t>(values.size()) != n)
                    throw py::value_error("variable " + v.name + ": " + std::to_string(values.size()) +
                                          " values for its shape of " + std::to_string(n));
                // An array rebuilt from a pickle's bytes (dask's workers) may
                // lie at any address: read through an aligned copy.
                if (reinterpret_cast<std::uintptr_t>(values.data()) % alignof(double) != 0) {
                    Array aligned(values.size());
                    std::memcpy(aligned.mutable_data(), values.data(), sizeof(double) * n);
                    values = std::move(aligned);
                }
            }
            vars_.push_back(std::move(v));
            values_.push_back(std::move(values));
        }
    }

    const std::string& Path() const override { return path_; }
    std::string Kind() const override { return "Dataset"; }
    const std::vector<FieldDimension>& Dimensions() const override { return dims_; }
    const std::vector<FieldVariable>& Variables() const override { return vars_; }

    void Read(std::size_t v, std::span<const std::size_t> start, std::span<const std::size_t> count,
              double* out) override {
        const std::vector<std::size_t>& shape = vars_[v].shape;
        const double* data = values_[v].size() > 0 ? values_[v].data() : nullptr;
        std::size_t n = 1;
        for (std::size_t c : count) n *= c;
        std::vector<std::size_t> at(shape.size(), 0);
        for (std::size_t i = 0; i < n; ++i) {
            std::size_t offset = 0;
            for (std::size_t k = 0; k < shape.size(); ++k) offset = offset * shape[k] + start[k] + at[k];
            out[i] = data != nullptr ? data[offset] : std::nan("");
            for (std::size_t k = shape.size(); k-- > 0;) {
                if (++at[k] < count[k]) break;
                at[k] = 0;
            }
        }
    }
    void ReadStored(std::size_t v, std::span<const std::size_t> start, std::span<const std::size_t> count,
                    void* out) override {
        Read(v, start, count, static_cast<double*>(out));
    }

private:
    std::string path_;
    std::vector<FieldDimension> dims_;
    std::vector<FieldVariable> vars_;
    std::vector<Array> values_;
};

SceneOptions SceneOptionsOf(const py::dict& o) {
    SceneOptions options;
    if (o.contains("level_dim") && !o["level_dim"].is_none()) options.levelDim = o["level_dim"].cast<std::string>();
    if (o.contains("salinity") && !o["salinity"].is_none()) options.salinity = o["salinity"].cast<double>();
    if (o.contains("look_azimuth") && !o["look_azimuth"].is_none())
        options.lookAzimuth = o["look_azimuth"].cast<double>();
    return options;
}

// The scenes of one or two Datasets (the level one, then the surface one, or None).
std::unique_ptr<SceneReader> FieldScenesOf(const py::list& levels, const py::object& surface, const py::dict& options) {
    try {
        std::unique_ptr<FieldFile> surfaceFields;
        if (!surface.is_none()) surfaceFields = std::make_unique<MemoryFields>("surface", surface.cast<py::list>());
        return OpenFieldScenes(std::make_unique<MemoryFields>("ds", levels), std::move(surfaceFields),
                               SceneOptionsOf(options));
    } catch (const BatchError& e) {
        throw py::value_error(e.what());
    }
}

// How the Datasets are read: the grid, the level dimension and the levels of
// the results, the variables used ((dataset, name): "ds" or "surface"), the
// notes and the source of each quantity.
py::dict FieldPlan(const py::list& levels, const py::object& surface, const py::dict& options) {
    const std::unique_ptr<SceneReader> scenes = FieldScenesOf(levels, surface, options);
    py::dict d;
    std::vector<std::string> grid;
    for (const GridDimension& g : scenes->Grid()) grid.push_back(g.name);
    d["grid"] = grid;
    d["level_dim"] = scenes->LevelDimension();
    d["levels"] = scenes->LevelCount();
    d["used"] = scenes->UsedVariables();
    d["notes"] = scenes->Notes();
    std::vector<std::pair<std::string, std::string>> sources;
    for (const InputSource& s : scenes->Sources()) sources.push_back({s.quantity, s.source});
    d["sources"] = sources;
    return d;
}

// The channels over the scenes of Datasets given as their variables with
// values (each over the grid's dimensions, then the level one), exactly as
// seasky batch computes a file's; the results as simulate's.
py::dict SimulateFields(const std::string& sensorText, const std::vector<int>& channels, const py::list& levels,
                        const py::object& surface, const py::dict& options, bool extrapolate,
                        const std::vector<std::string>& models, const std::optional<std::string>& jacobians) {
    const JacobianSelection selection = jacobians ? SelectionOf(*jacobians) : JacobianSelection{};
    const Sensor sensor = ParsedSensor(sensorText);
    for (int c : channels)
        if (c < 0 || c >= static_cast<int>(sensor.channels.size())) throw py::value_error("no such channel index");
    const std::unique_ptr<SceneReader> scenes = FieldScenesOf(levels, surface, options);
    if (std::optional<ValidationFailure> f =
            CheckChannelDefinitions(sensor, channels, scenes->HasIncidenceAngle(), extrapolate))
        throw py::value_error(f->message);
    const SceneChannels what{sensor, channels, ModelsOf(models), extrapolate, jacobians.has_value(), selection};
    return SimulateScenes(what, scenes->SceneCount(), scenes->LevelCount(),
                          [&scenes](std::size_t first, std::size_t count, std::vector<Scene>& block) {
                              scenes->Read(first, count, block);
                          });
}

// A profile as a dict of arrays, keyed by the level quantities' Python keywords.
py::dict ProfileDict(const ProfileStore& s) {
    const std::pair<Quantity, const std::vector<double>*> levels[] = {
        {Quantity::Height, &s.height},       {Quantity::AirTemperature, &s.airTemperature},
        {Quantity::Pressure, &s.pressure},   {Quantity::Humidity, &s.absoluteHumidity},
        {Quantity::CloudWater, &s.cloudWater}};
    py::dict d;
    for (const auto& [q, values] : levels) d[InfoOf(q).keyword] = py::array_t<double>(values->size(), values->data());
    return d;
}

py::dict BundledProfile(const std::string& name) {
    const StandardAtmosphere* a = FindStandardAtmosphere(name);
    if (a == nullptr) throw py::value_error("no bundled atmosphere named " + name);
    return ProfileDict(ParseProfileText(a->text).profile);
}

// A profile file or a sounding file: the profile's arrays and "notes" (what a
// sounding's reader converted, left out or assumed). index (from 0) or time
// (year, month, day, hour UTC) chooses one sounding of a file of many.
py::dict ReadProfile(const std::string& path, std::optional<long long> index,
                     std::optional<std::tuple<int, int, int, int>> time) {
    SoundingChoice choice;
    choice.index = index;
    if (time) choice.time = SoundingTime{std::get<0>(*time), std::get<1>(*time), std::get<2>(*time), std::get<3>(*time)};
    const ProfileReadResult r = ReadProfileFile(path, choice);
    if (!r.ok) throw py::value_error(r.message);
    py::dict d = ProfileDict(r.profile);
    d["notes"] = r.notes;
    return d;
}

// One row of the vocabulary (app/vocabulary.h) for the package.
py::dict QuantityDict(const QuantityInfo& q) {
    py::dict d;
    d["key"] = q.key;
    d["option"] = q.option;
    d["aliases"] = WordsOf(q.aliases);
    d["keyword"] = q.keyword;
    d["short_name"] = q.shortName;
    d["variable"] = q.variable;
    d["standard_name"] = q.standardName;
    d["standard_names"] = StandardNamesOf(q.id);
    d["units"] = q.unit;
    d["long_name"] = q.longName;
    d["default"] = std::isnan(q.fallback) ? py::object(py::none()) : py::object(py::float_(q.fallback));
    d["count"] = q.count;
    return d;
}

// The vocabulary: "quantities" (every row, in table order), the lists of the
// front ends by their keys ("calculation_inputs", ..., as the rows' indices)
// and "scene" (the scene quantities: index, per level, required).
py::dict Vocabulary() {
    py::list rows;
    for (const QuantityInfo& q : kQuantities) rows.append(QuantityDict(q));
    auto list = [](const auto& quantities) {
        py::list indices;
        for (Quantity q : quantities) indices.append(static_cast<int>(q));
        return indices;
    };
    py::dict d;
    d["quantities"] = rows;
    d["calculation_inputs"] = list(kCalculationInputs);
    d["emissivity_inputs"] = list(kEmissivityInputs);
    d["permittivity_inputs"] = list(kPermittivityInputs);
    d["sky_correction_inputs"] = list(kSkyCorrectionInputs);
    d["absorption_inputs"] = list(kAbsorptionInputs);
    d["atmosphere_inputs"] = list(kAtmosphereInputs);
    d["channel_results"] = list(kChannelResults);
    d["channel_coordinates"] = list(std::array{Quantity::ChannelName, Quantity::ChannelFrequency,
                                               Quantity::ChannelPassband, Quantity::ChannelPolarisation,
                                               Quantity::ChannelIncidenceAngle});
    d["calculation_results"] = [] {
        py::list indices;
        for (const ResultField& f : kResultFields) indices.append(static_cast<int>(f.quantity));
        return indices;
    }();
    py::list scene;
    for (const SceneQuantity& q : kSceneQuantities)
        scene.append(py::make_tuple(static_cast<int>(q.quantity), q.perLevel, q.required));
    d["scene"] = scene;
    d["status"] = static_cast<int>(Quantity::Status);
    d["message"] = static_cast<int>(Quantity::Message);
    d["note"] = static_cast<int>(Quantity::Note);
    d["channel"] = static_cast<int>(Quantity::Channel);
    // The status bits and their CF flag_meanings words, as a batch run writes them.
    py::list flags;
    for (const StatusFlag& f : kStatusFlags) flags.append(py::make_tuple(f.mask, f.meaning));
    d["status_flags"] = flags;
    return d;
}

}  // namespace

PYBIND11_MODULE(_seasky, m) {
    m.doc() = "The compiled core of seasky (use the package seasky).";
    m.def("absorption", &Absorption);
    m.def("permittivity", &Permittivity);
    m.def("emissivity", &Emissivity);
    m.def("sky_correction", &SkyCorrection);
    m.def("atmosphere", &Atmosphere);
    m.def("calculate", &CalculateArrays);
    m.def("model_record", &ModelRecord);
    // Humidity conversions and the height of a geopotential (atmosphere/humidity.h), over arrays.
    m.def("saturation_vapour_pressure", py::vectorize(&SaturationVapourPressure));
    m.def("vapour_pressure_from_dew_point", py::vectorize(&VapourPressureFromDewPoint));
    m.def("vapour_pressure_from_relative_humidity", py::vectorize(&VapourPressureFromRelativeHumidity));
    m.def("vapour_pressure_from_mixing_ratio", py::vectorize(&VapourPressureFromMixingRatio));
    m.def("vapour_pressure_from_specific_humidity", py::vectorize(&VapourPressureFromSpecificHumidity));
    m.def("absolute_humidity", py::vectorize(&AbsoluteHumidity));
    m.def("geometric_height", py::vectorize(&GeometricHeightFromGeopotential));
    // The surface model's wind from (u, v) and the look azimuth (surface/wind_vector.h).
    m.def("wind_speed_of", py::vectorize([](double u, double v) { return SurfaceWindOf(u, v, 0.0).speed; }));
    m.def("relative_azimuth_of",
          py::vectorize([](double u, double v, double look) { return SurfaceWindOf(u, v, look).azimuth; }));
    m.def("model_table", [] {
        py::list table;
        for (const ModelEntry& model : kModels) {
            py::list choices;
            for (const ModelChoice& c : model.choices)
                if (c.name != nullptr) choices.append(py::make_tuple(c.name, c.source));
            table.append(py::make_tuple(model.name, model.meaning, choices));
        }
        return table;
    });
    m.def("version", [] { return std::string("seasky ") + SEASKY_VERSION; });
    // The program's version number, the package's __version__.
    m.attr("__version__") = SEASKY_VERSION;
    m.def("simulate", &Simulate);
    m.def("field_plan", &FieldPlan);
    m.def("simulate_fields", &SimulateFields);
    m.def("vocabulary", &Vocabulary);
    m.def("jacobian_names", [] {
        py::dict d;
        d["outputs"] = std::vector<std::string>(kJacobianOutputNames.begin(), kJacobianOutputNames.end());
        py::dict units;
        for (SurfaceInput k : kSurfaceInputList) units[NameOf(k)] = DerivativeUnitOf(k);
        for (WaterColumn c : kWaterColumnList) units[NameOf(c)] = kColumnDerivativeUnit;
        for (LevelQuantity q : kLevelQuantities) units[NameOf(q)] = DerivativeUnitOf(q);
        units["weighting"] = kWeightingUnit;
        d["units"] = units;
        d["level"] = std::vector<std::string>(kLevelQuantityNames.begin(), kLevelQuantityNames.end());
        py::dict aliases;  // old names still accepted in a selection
        aliases[kOldAirTemperatureName] = kLevelQuantityNames[0];
        d["aliases"] = aliases;
        return d;
    });
    m.def("sensor_text", &SensorText);
    m.def("parse_sensor", &SensorDict);
    m.def("preset_names", [] {
        std::vector<std::string> names;
        for (const SensorPreset& p : SensorPresets()) names.emplace_back(p.name);
        return names;
    });
    m.def("bundled_profile", &BundledProfile);
    m.def("read_profile", &ReadProfile, py::arg("path"), py::arg("index") = py::none(), py::arg("time") = py::none());
    m.def("profile_names", [] {
        std::vector<std::string> names;
        for (const StandardAtmosphere& a : StandardAtmospheres()) names.emplace_back(a.name);
        return names;
    });
    m.def("vector_math_path", [] { return std::string(VectorMathPathName(ActiveVectorMathPath())); });
}
