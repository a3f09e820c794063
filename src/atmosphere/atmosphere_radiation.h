// Thermal emission and opacity of the atmosphere along a slant path, averaged
// over a 9-degree receiving beam and, optionally, over the receiver band.
#pragma once

#include <array>
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

// The 100 m grid heights (m) of a profile with heights H[0..count-1], count >= 1:
// from the lowest level when it lies at 50 m or above, otherwise the centres of
// 100 m layers from the ground up (empty below 100 m). Bottom first.
std::vector<double> RadiationGrid(const double* H, int count);

// viewFromTop == 1.0 puts the observer above the profile (upwelling emission), any
// other value below it (downwelling). F: centre frequency, GHz; dF: bandwidth, GHz
// (<= 0 for one frequency); theta: view angle from the vertical, degrees. The five
// arrays hold count levels (heights m, temperature K, pressure mb, vapour density
// and cloud water g/m^3) in any order of height. The profile is resampled on a
// 100 m grid; fewer than two levels leave the grid unset and must not be passed.
AtmosphereRadiationResult AtmosphereRadiation(double viewFromTop, double F, double dF, double theta, int count,
                                              const double* H, const double* T, const double* P, const double* rho,
                                              const double* W);

// The same for a loaded profile.
AtmosphereRadiationResult AtmosphereRadiation(double viewFromTop, double F, double dF, double theta,
                                              const ProfileStore& profile);

}  // namespace seasky
