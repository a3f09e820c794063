// Thermal emission and opacity of the atmosphere along a slant path, averaged
// over a 9-degree receiving beam and, optionally, over the receiver band.
//
// Given:   F, the centre frequency (GHz, > 0); dF, the receiver bandwidth (GHz;
//          <= 0 for one frequency; the lower band edge F - dF/2 must stay above
//          0); theta, the view angle from the vertical at the beam centre
//          (degrees; 0 to 85 validated for the atmosphere alone, 0 to 65 in a
//          whole calculation); a profile of at least two levels (heights m in any
//          order, temperature K, pressure mb, vapour density and cloud water g/m^3).
// Returns: for the observer at the bottom (downwelling emission reaching the
//          sea) and/or at the top (upwelling emission leaving the atmosphere) the
//          beam- and band-averaged brightness (K) and the vertical opacity (Np).
//
// Notes:
//  - The stages: (1) the 100 m grid and the air temperature on it, once per
//    profile (transfer_grid.h); (2) the absorption at the profile levels per
//    sub-frequency, once for both observer ends (level_absorption.h), then
//    resampled onto the grid; (3) the layer emissivities of the 13 directions,
//    shared by both ends, and the transfer from each end (layer_transfer.h);
//    (4) the weighted mean over the beam and the plain mean over the band.
//    AtmosphereRadiation is the composition of the four for one end.
//  - The same stages give, on request, the derivatives of every passband's
//    transfer with respect to each level's quantities and the view angle (the
//    derivative mode, transfer_jacobian.h): each stage adds its part of the
//    chain rule, and the values stay those of the values alone, bit for bit.
//  - Beam: 13 directions every 0.75 degrees (BeamTable), the gain falling to one
//    half at +-4.5 degrees. Band (SampleBand): a 0.05 GHz step inside the strong
//    line regions (18, 25), (55, 65), (110, 125), (175, 191) GHz, 0.1 GHz
//    elsewhere, from the lower band edge; the count includes an upper edge that
//    lies a whole number of steps away.
//  - Every layer is 0.1 km thick; the absorption is evaluated at the profile's
//    own levels and reaches the grid by linear interpolation in height; the
//    emission uses the resampled temperature. A profile lower than 100 m that
//    starts below 50 m has no layer and gives 0 K and 0 Np.
//  - Working storage is kept per thread and reused: no allocation per call once
//    a thread has seen its largest profile and band.
#pragma once

#include <array>
#include <span>
#include <vector>

#include "common/records.h"

namespace seasky {

struct BeamDirection {
    double offset;  // angle from the beam centre, degrees
    double weight;  // relative gain (normalised before use)
};

// 13 directions every 0.75 degrees; the gain falls to one half at +-4.5 degrees.
inline constexpr std::array<BeamDirection, 13> BeamTable{{
    {-4.5, 0.5},
    {-3.75, 0.623477380026342},
    {-3.0, 0.739404333437574},
    {-2.25, 0.843944299997319},
    {-1.5, 0.927077583532976},
    {-0.75, 0.980141727746012},
    {0.0, 1.0},
    {0.75, 0.980141727746012},
    {1.5, 0.927077583532976},
    {2.25, 0.843944299997319},
    {3.0, 0.739404333437574},
    {3.75, 0.623477380026342},
    {4.5, 0.5},
}};

// The sub-frequencies over which a band of width dF (GHz) centred on F is averaged.
struct BandSampling {
    int count = 1;       // number of sub-frequencies
    double first = 0.0;  // lowest sub-frequency, GHz
    double step = 0.0;   // spacing, GHz (0 for a single frequency)
};

// dF <= 0: the single frequency F. Otherwise a 0.05 GHz step inside the strong
// line regions (18, 25), (55, 65), (110, 125), (175, 191) GHz and 0.1 GHz elsewhere,
// starting at the lower band edge; an edge that lies a whole number of steps away
// is included even when dF/step rounds just below that number.
BandSampling SampleBand(double F, double dF);

// The number of sub-frequencies SampleBand gives, as a double (so that any band
// can be measured before it is sampled).
double SubFrequencyCount(double F, double dF);

// The 100 m grid heights (m) of a profile with heights H[0..count-1], count >= 1:
// from the lowest level when it lies at 50 m or above, otherwise the centres of
// 100 m layers from the ground up (empty below 100 m). Bottom first.
std::vector<double> RadiationGrid(const double* H, int count);

// Which observer ends a transfer computes.
enum class TransferEnds { Both, Bottom, Top };

// Everything one transfer through a profile gives.
struct AtmosphereTransferResult {
    AtmosphereRadiationResult down;  // observer at the bottom: downwelling brightness, opacity
    AtmosphereRadiationResult up;    // observer at the top: upwelling brightness, opacity
    int layerCount = 0;              // 100 m grid layers the transfer used
    double bottomHeight = 0.0;       // lowest and highest grid height, m (0 without layers)
    double topHeight = 0.0;
    double precipitableWater = 0.0;  // vapour column carried by the grid, kg/m^2 (= mm)
    double liquidWaterPath = 0.0;    // cloud liquid water column carried by the grid, kg/m^2
};

// The transfer of the profile for one or both observer ends (the ends not
// asked for are left zero). The columns are sums over the grid layers of the
// resampled density times 100 m.
AtmosphereTransferResult AtmosphereTransfer(double F, double dF, double theta, const ProfileView& profile,
                                            TransferEnds ends = TransferEnds::Both);

// One sub-band of a receiver passband: centre and width, GHz (width <= 0: the
// single frequency centre). It is sampled as SampleBand(centre, width) samples a band.
struct SubBand {
    double centre = 0.0;
    double width = 0.0;
};

// A passband seen at one view angle: its sub-bands (a double-sideband channel has
// two), each averaged over its sub-frequencies, then combined weighted by width
// (a plain mean when no sub-band has a width). One sub-band gives exactly
// AtmosphereTransfer(centre, width, theta).
struct PassbandRequest {
    std::span<const SubBand> subBands;  // not owned
    double theta = 0.0;                 // degrees from the vertical
};

struct TransferJacobian;  // transfer_jacobian.h

// The transfers of several passbands through one profile, sharing the work: the
// grid once, the gas terms of every level once per group of frequencies, and
// each distinct (frequency, view angle) once. out[i] receives passband i; each
// equals the result of transferring that passband alone. Given jacobians (count
// of them), jacobians[i] receives the derivatives of passband i for the ends
// asked for (the opacity's always), each again as that passband alone gives it;
// the values in out do not change.
void AtmosphereTransfers(const ProfileView& profile, const PassbandRequest* passbands, int count,
                         AtmosphereTransferResult* out, TransferEnds ends = TransferEnds::Both,
                         TransferJacobian* jacobians = nullptr);

// viewFromTop == 1.0 puts the observer above the profile (upwelling emission), any
// other value below it (downwelling). F: centre frequency, GHz; dF: bandwidth, GHz
// (<= 0 for one frequency); theta: view angle from the vertical, degrees. The five
// arrays hold count levels (heights m, temperature K, pressure mb, vapour density
// and cloud water g/m^3) in any order of height. A single level leaves the grid
// unbracketed (temperature and absorption 0 on it) and should not be passed.
AtmosphereRadiationResult AtmosphereRadiation(double viewFromTop, double F, double dF, double theta, int count,
                                              const double* H, const double* T, const double* P, const double* rho,
                                              const double* W);

// The same for a loaded profile.
AtmosphereRadiationResult AtmosphereRadiation(double viewFromTop, double F, double dF, double theta,
                                              const ProfileStore& profile);

}  // namespace seasky
