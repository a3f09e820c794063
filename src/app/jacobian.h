// The derivatives of a calculation's results with respect to every input: the
// surface inputs, every profile level's air temperature, pressure, humidity and
// cloud water, and the integrated water columns.
//
// Given:   the inputs of a calculation (or a sensor channel) and a profile.
// Returns: the calculation itself (bit for bit that of Calculate) and, for each
//          of the results tbV, tbH, tbPlus45, tbMinus45, tbThirdStokes,
//          tbFourthStokes, tbLeftCircular, tbRightCircular, tbUp, tbDown and
//          opacity, its derivative with respect to:
//            sst (K/K; a degree C is a kelvin), salinity (K per 1e-3), wind
//            (K/(m/s)), azimuth and angle (K/degree);
//            each level's air temperature (K/K), pressure (K/mb), humidity and cloud
//            water (K/(g/m^3)) (opacity: Np per unit);
//            ln TCWV and ln LWP (K): a uniform relative change of the whole
//            humidity or cloud profile, sum_i x_i d/dx_i.
//
// Notes:
//  - Exact: the atmosphere by the chain rule through its stages
//    (transfer_jacobian.h), the combination with the surface and the surface
//    models by forward-mode automatic differentiation of their own code (dual
//    numbers, common/dual.h). Nothing is differenced.
//  - Where the model is not differentiable the derivative is that of the branch
//    the code takes: the reflected-sky table in transmittance and angle from
//    above at a node (the bracket starting there) and 0 in transmittance above
//    0.95; the wind-direction first harmonic 0 at an incidence angle of exactly
//    0; the wind model above 20 m/s along its straight extension; cloud water
//    0 below 233.15 K and otherwise CloudLiquidAbsorption(1, T, F) per g/m^3
//    even where there is none yet; see transfer_jacobian.h for the rest.
//  - The incidence angle acts on the surface, the sky correction, the slant path
//    and the 13 beam directions of the transfer: all are included.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/calculation.h"
#include "app/sensor.h"
#include "atmosphere/transfer_jacobian.h"

namespace seasky {

// The tables of enumerators below list every enumerator once, in order, beside
// the name it is written under (JSON keys, NetCDF variables dtb_d<name>, Python
// keys) and its units; the order is checked when compiling.
template <class Row, std::size_t N>
constexpr bool InEnumeratorOrder(const std::array<Row, N>& rows) {
    for (std::size_t i = 0; i < N; ++i)
        if (static_cast<std::size_t>(rows[i].value) != i) return false;
    return true;
}

template <class Row, std::size_t N>
constexpr std::array<const char*, N> NamesOf(const std::array<Row, N>& rows) {
    std::array<const char*, N> names{};
    for (std::size_t i = 0; i < N; ++i) names[i] = rows[i].name;
    return names;
}

template <class Row, std::size_t N>
constexpr auto EnumeratorsOf(const std::array<Row, N>& rows) {
    std::array<decltype(Row::value), N> values{};
    for (std::size_t i = 0; i < N; ++i) values[i] = rows[i].value;
    return values;
}

// The results whose derivatives are given.
enum class JacobianOutput {
    tbV,
    tbH,
    tbPlus45,
    tbMinus45,
    tbThirdStokes,
    tbFourthStokes,
    tbLeftCircular,
    tbRightCircular,
    tbUp,
    tbDown,
    opacity,
};
struct JacobianOutputRow {
    JacobianOutput value;
    const char* name;
};
inline constexpr std::array<JacobianOutputRow, 11> kJacobianOutputTable{{
    {JacobianOutput::tbV, "tbV"},
    {JacobianOutput::tbH, "tbH"},
    {JacobianOutput::tbPlus45, "tbPlus45"},
    {JacobianOutput::tbMinus45, "tbMinus45"},
    {JacobianOutput::tbThirdStokes, "tbThirdStokes"},
    {JacobianOutput::tbFourthStokes, "tbFourthStokes"},
    {JacobianOutput::tbLeftCircular, "tbLeftCircular"},
    {JacobianOutput::tbRightCircular, "tbRightCircular"},
    {JacobianOutput::tbUp, "tbUp"},
    {JacobianOutput::tbDown, "tbDown"},
    {JacobianOutput::opacity, "opacity"},
}};
static_assert(InEnumeratorOrder(kJacobianOutputTable) && kJacobianOutputTable.back().value == JacobianOutput::opacity);
inline constexpr int kJacobianOutputs = static_cast<int>(kJacobianOutputTable.size());
inline constexpr std::array<const char*, kJacobianOutputs> kJacobianOutputNames = NamesOf(kJacobianOutputTable);
inline constexpr std::array<JacobianOutput, kJacobianOutputs> kJacobianOutputList =
    EnumeratorsOf(kJacobianOutputTable);

// The surface inputs: name, unit of the input, unit of the derivative of a
// brightness temperature (those of the opacity have Np in place of the leading K).
enum class SurfaceInput { sst, salinity, wind, azimuth, angle };
struct SurfaceInputRow {
    SurfaceInput value;
    const char* name;
    const char* unit;
    const char* derivativeUnit;
};
inline constexpr std::array<SurfaceInputRow, 5> kSurfaceInputTable{{
    // (The names are the vocabulary's short names, app/vocabulary.h.)
    {SurfaceInput::sst, InfoOf(Quantity::SeaTemperature).shortName, "K", "K/K"},
    {SurfaceInput::salinity, InfoOf(Quantity::Salinity).shortName, "1e-3", "K/(1e-3)"},
    {SurfaceInput::wind, InfoOf(Quantity::Wind).shortName, "m s-1", "K/(m/s)"},
    {SurfaceInput::azimuth, InfoOf(Quantity::Azimuth).shortName, "degree", "K/degree"},
    {SurfaceInput::angle, InfoOf(Quantity::IncidenceAngle).shortName, "degree", "K/degree"},
}};
static_assert(InEnumeratorOrder(kSurfaceInputTable) && kSurfaceInputTable.back().value == SurfaceInput::angle);
inline constexpr int kSurfaceInputs = static_cast<int>(kSurfaceInputTable.size());
inline constexpr std::array<const char*, kSurfaceInputs> kSurfaceInputNames = NamesOf(kSurfaceInputTable);
inline constexpr std::array<SurfaceInput, kSurfaceInputs> kSurfaceInputList = EnumeratorsOf(kSurfaceInputTable);

// The level quantities (LevelQuantity, transfer_jacobian.h): name, unit, unit of
// the derivative of a brightness temperature.
struct LevelQuantityRow {
    LevelQuantity value;
    const char* name;
    const char* unit;
    const char* derivativeUnit;
};
inline constexpr std::array<LevelQuantityRow, kProfileQuantities> kLevelQuantityTable{{
    {LevelQuantity::temperature, InfoOf(Quantity::AirTemperature).shortName, "K", "K/K"},
    {LevelQuantity::pressure, InfoOf(Quantity::Pressure).shortName, "hPa", "K/hPa"},
    {LevelQuantity::humidity, InfoOf(Quantity::Humidity).shortName, "g m-3", "K/(g/m3)"},
    {LevelQuantity::cloud, InfoOf(Quantity::CloudWater).shortName, "g m-3", "K/(g/m3)"},
}};
// The old name of the air-temperature derivatives, still accepted in a selection.
inline constexpr const char* kOldAirTemperatureName = "temperature";
static_assert(InEnumeratorOrder(kLevelQuantityTable) && kLevelQuantityTable.back().value == LevelQuantity::cloud);
inline constexpr std::array<const char*, kProfileQuantities> kLevelQuantityNames = NamesOf(kLevelQuantityTable);

// The integrated columns: a uniform relative change of the whole humidity or
// cloud profile.
enum class WaterColumn { lntcwv, lnlwp };
struct WaterColumnRow {
    WaterColumn value;
    const char* name;
};
inline constexpr std::array<WaterColumnRow, 2> kWaterColumnTable{{
    {WaterColumn::lntcwv, "lntcwv"},
    {WaterColumn::lnlwp, "lnlwp"},
}};
static_assert(InEnumeratorOrder(kWaterColumnTable) && kWaterColumnTable.back().value == WaterColumn::lnlwp);
inline constexpr int kWaterColumns = static_cast<int>(kWaterColumnTable.size());
inline constexpr std::array<const char*, kWaterColumns> kColumnNames = NamesOf(kWaterColumnTable);
inline constexpr std::array<WaterColumn, kWaterColumns> kWaterColumnList = EnumeratorsOf(kWaterColumnTable);

constexpr int Index(JacobianOutput o) { return static_cast<int>(o); }
constexpr int Index(SurfaceInput k) { return static_cast<int>(k); }
constexpr int Index(WaterColumn c) { return static_cast<int>(c); }
constexpr const char* NameOf(JacobianOutput o) { return kJacobianOutputTable[Index(o)].name; }
constexpr const char* NameOf(SurfaceInput k) { return kSurfaceInputTable[Index(k)].name; }
constexpr const char* NameOf(LevelQuantity q) { return kLevelQuantityTable[Index(q)].name; }
constexpr const char* NameOf(WaterColumn c) { return kWaterColumnTable[Index(c)].name; }
constexpr const char* DerivativeUnitOf(SurfaceInput k) { return kSurfaceInputTable[Index(k)].derivativeUnit; }
constexpr const char* DerivativeUnitOf(LevelQuantity q) { return kLevelQuantityTable[Index(q)].derivativeUnit; }

inline constexpr const char* kColumnDerivativeUnit = "K";
inline constexpr const char* kWeightingUnit = "K/K/km";

struct Jacobian {
    int levels = 0;
    std::array<std::array<double, kSurfaceInputs>, kJacobianOutputs> surface{};  // [output][input]
    std::vector<double> level;  // [(Index(output) * kProfileQuantities + Index(quantity)) * levels + level]
    std::array<std::array<double, kWaterColumns>, kJacobianOutputs> columns{};  // [output][column]

    double Surface(JacobianOutput o, SurfaceInput k) const { return surface[Index(o)][Index(k)]; }
    double Column(JacobianOutput o, WaterColumn c) const { return columns[Index(o)][Index(c)]; }
    double Level(JacobianOutput o, LevelQuantity q, int level) const {
        return this->level[(static_cast<std::size_t>(Index(o)) * kProfileQuantities + Index(q)) * levels + level];
    }
};

struct CalculationWithJacobian {
    CalculationResult result;
    Jacobian jacobian;
};

// A calculation and its derivatives.
CalculationWithJacobian CalculateWithJacobian(const CalculationInputs& inputs, const ProfileView& profile,
                                              const ModelSet& options = {});

// The same for a sensor channel over a scene (its passband's transfer, the
// surface at its centre), for a channel that CheckChannel accepts.
CalculationWithJacobian ChannelWithJacobian(const Channel& channel, const SceneSurface& scene,
                                            const ProfileView& profile, const ModelSet& options = {});

// The output a channel's polarisation reads.
JacobianOutput JacobianOutputOf(Polarisation p);

// The weighting function of output o: its temperature derivative per unit
// height, dTB/dT_i / dz_i in K/K per km, dz_i the height a level stands for
// (half the distance to each neighbour in height; the level order of the file
// kept).
std::vector<double> WeightingFunction(const Jacobian& jacobian, JacobianOutput output, const ProfileView& profile);

// The derivatives a front end was asked for, by name: sst, salinity, wind,
// azimuth, angle (the surface inputs); airTemperature (formerly temperature,
// still accepted), pressure, humidity, cloud (per level); lntcwv, lnlwp (the columns); weighting (the weighting function).
struct JacobianSelection {
    std::array<bool, kSurfaceInputs> surface{};
    std::array<bool, kProfileQuantities> level{};
    std::array<bool, kWaterColumns> columns{};
    bool weighting = false;

    bool Has(SurfaceInput k) const { return surface[Index(k)]; }
    bool Has(LevelQuantity q) const { return level[Index(q)]; }
    bool Has(WaterColumn c) const { return columns[Index(c)]; }
    bool AnySurface() const;
    bool AnyColumn() const;
    bool AnyLevel() const;  // a level quantity or the weighting function
    static JacobianSelection All();
};

// Those names, comma-separated, and "all": "sst, salinity, ..., weighting, all".
std::string DerivativeNames();

// A comma-separated list of those names; "all" (or an empty text) selects every
// one. Returns the message for an unknown name.
std::optional<std::string> ParseJacobianSelection(std::string_view text, JacobianSelection& selection);

// A sensor's channels over one scene, as CalculateChannels computes them (the
// same outcomes, bit for bit, but for a channel whose derivatives exceed the
// cost limits, which is refused), with the derivatives of every computed
// channel (empty, levels 0, for a refused one): the request of
// app/channel_request.h with derivatives. Channels that differ only in
// polarisation share one derivative calculation.
struct ChannelsWithJacobian {
    std::vector<ChannelOutcome> outcomes;
    std::vector<Jacobian> jacobians;
};
ChannelsWithJacobian CalculateChannelsWithJacobian(const Sensor& sensor, std::span<const int> channels,
                                                   const SceneSurface& scene, const ProfileView& profile,
                                                   const ModelSet& options = {}, bool extrapolate = false);

}  // namespace seasky
