// Emission and absorption of the grid layers along the 13 beam directions, and
// the transfer from one observer end (the third stage of the radiative transfer).
//
// Given:   the air temperature Tz_t (K) and absorption kappa_t (Np/km) of the
//          n grid layers, each 0.1 km thick, bottom first, and the beam geometry
//          (secants and normalised weights of the 13 directions).
// Returns: for one observer end, the beam-averaged brightness
//          B = sum_a w_a sum_t Tz_t l_{t,a} prod_{s before t} (1 - l_{s,a}),
//          with the layer emissivity l_{t,a} = 1 - exp(-kappa_t sec_a 0.1) and the
//          layers counted from the observer, and the vertical opacity
//          sum_t kappa_t 0.1 (Np).
//
// Notes:
//  - l is formed once per layer and direction, from expm1 (no cancellation for
//    thin layers) through the vectorised exponential, and serves both ends. The
//    transmittance from the observer to a layer is carried as the running product
//    of (1 - l) instead of an exponential of the accumulated depth: one
//    exponential per layer and direction instead of four. Results agree with the
//    form with two exponentials per layer, direction and end to about 1e-14
//    relative.
//  - Optionally the per-layer sensitivities dB/dTz_t (the emission weight, which
//    sums to B over Tz_t) and dB/dkappa_t (K per Np/km) are returned; the opacity
//    changes by 0.1 per Np/km of any layer.
#pragma once

#include <vector>

namespace seasky {

// The 13 beam directions; per-layer arrays hold them side by side.
inline constexpr int kBeamDirections = 13;

struct BeamGeometry {
    double secant[kBeamDirections] = {};       // 1 / cos(theta + offset_a)
    double weight[kBeamDirections] = {};       // normalised: the 13 add up to 1
    double secantSlope[kBeamDirections] = {};  // d secant / d theta, per degree: sec tan (pi/180)
};

// The beam of BeamTable around view angle theta (degrees from the vertical).
BeamGeometry BeamGeometryOf(double theta);

// layer[t * kBeamDirections + a] = 1 - exp(-kappa[t] sec_a 0.1) for t < n.
void LayerEmissivities(const double* kappa, int n, const BeamGeometry& beam, double* layer);

enum class ObserverEnd { Bottom, Top };

// Per-layer sensitivities of one end's brightness, indexed by grid layer (bottom
// first), and its derivative with respect to the view angle.
struct LayerSensitivities {
    std::vector<double> temperature;  // dB/dTz_t, K/K
    std::vector<double> absorption;   // dB/dkappa_t, K/(Np/km)
    double angle = 0.0;               // dB/dtheta, K per degree (through the 13 secants)
};

struct EndTransfer {
    double brightness = 0.0;  // beam-averaged, K
    double opacity = 0.0;     // vertical, Np
};

// The transfer from one observer end through the n layers (Tz, kappa and layer
// bottom first, layer from LayerEmissivities). When sensitivities is given it is
// filled as well.
EndTransfer TransferFromEnd(ObserverEnd end, const double* Tz, const double* kappa, const double* layer, int n,
                            const BeamGeometry& beam, LayerSensitivities* sensitivities = nullptr);

}  // namespace seasky
