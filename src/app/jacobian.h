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
//            each level's temperature (K/K), pressure (K/mb), humidity and cloud
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
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/calculation.h"
#include "app/sensor.h"
#include "atmosphere/transfer_jacobian.h"

namespace seasky {

inline constexpr int kJacobianOutputs = 11;
inline constexpr std::array<const char*, kJacobianOutputs> kJacobianOutputNames{
    "tbV", "tbH", "tbPlus45", "tbMinus45", "tbThirdStokes", "tbFourthStokes", "tbLeftCircular", "tbRightCircular",
    "tbUp", "tbDown", "opacity"};

// The surface inputs: name, unit of the input.
inline constexpr int kSurfaceInputs = 5;
inline constexpr std::array<const char*, kSurfaceInputs> kSurfaceInputNames{"sst", "salinity", "wind", "azimuth",
                                                                             "angle"};
inline constexpr std::array<const char*, kSurfaceInputs> kSurfaceInputUnits{"K", "1e-3", "m s-1", "degree",
                                                                             "degree"};
// The level quantities: name, unit.
inline constexpr std::array<const char*, kProfileQuantities> kLevelQuantityNames{"temperature", "pressure", "humidity",
                                                                                 "cloud"};
inline constexpr std::array<const char*, kProfileQuantities> kLevelQuantityUnits{"K", "hPa", "g m-3", "g m-3"};
// The integrated columns.
inline constexpr std::array<const char*, 2> kColumnNames{"lntcwv", "lnlwp"};

// The units of the derivatives of a brightness temperature; those of the
// opacity have Np in place of the leading K.
inline constexpr std::array<const char*, kSurfaceInputs> kSurfaceDerivativeUnits{"K/K", "K/(1e-3)", "K/(m/s)",
                                                                                 "K/degree", "K/degree"};
inline constexpr std::array<const char*, kProfileQuantities> kLevelDerivativeUnits{"K/K", "K/hPa", "K/(g/m3)",
                                                                                   "K/(g/m3)"};
inline constexpr const char* kColumnDerivativeUnit = "K";
inline constexpr const char* kWeightingUnit = "K/K/km";

struct Jacobian {
    int levels = 0;
    std::array<std::array<double, kSurfaceInputs>, kJacobianOutputs> surface{};  // [output][input]
    std::vector<double> level;  // [(output * kProfileQuantities + quantity) * levels + level]
    std::array<std::array<double, 2>, kJacobianOutputs> columns{};  // [output][ln TCWV, ln LWP]

    double Level(int output, int quantity, int level) const {
        return this->level[(static_cast<std::size_t>(output) * kProfileQuantities + quantity) * levels + level];
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

// The index of the output a channel's polarisation reads.
int JacobianOutputOf(Polarisation p);

// The weighting function of output o: its temperature derivative per unit
// height, dTB/dT_i / dz_i in K/K per km, dz_i the height a level stands for
// (half the distance to each neighbour in height; the level order of the file
// kept).
std::vector<double> WeightingFunction(const Jacobian& jacobian, int output, const ProfileView& profile);

// The derivatives a front end was asked for, by name: sst, salinity, wind,
// azimuth, angle (the surface inputs); temperature, pressure, humidity, cloud
// (per level); lntcwv, lnlwp (the columns); weighting (the weighting function).
struct JacobianSelection {
    std::array<bool, kSurfaceInputs> surface{};
    std::array<bool, kProfileQuantities> level{};
    std::array<bool, 2> columns{};
    bool weighting = false;

    bool AnyLevel() const { return weighting || level[0] || level[1] || level[2] || level[3]; }
    static JacobianSelection All();
};

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
