#include "atmosphere/layer_transfer.h"

#include <algorithm>
#include <cmath>

#include "atmosphere/atmosphere_radiation.h"
#include "atmosphere/level_block.h"
#include "common/constants.h"
#include "common/vector_math.h"

namespace seasky {

namespace {

constexpr double kLayerThickness = 0.1;  // km: the grid spacing is 100 m

// The layers in order from the observer: t = first, first + step, ...
struct Walk {
    int first;
    int step;
};

Walk WalkFrom(ObserverEnd end, int n) { return end == ObserverEnd::Bottom ? Walk{0, 1} : Walk{n - 1, -1}; }

}  // namespace

BeamGeometry BeamGeometryOf(double theta) {
    BeamGeometry beam;
    double weightSum = 0.0;
    for (const BeamDirection& d : BeamTable) weightSum += d.weight;
    for (int a = 0; a < kBeamDirections; ++a) {
        const double angle = (theta + BeamTable[a].offset) * kDegreesToRadians;
        beam.secant[a] = 1.0 / std::cos(angle);
        beam.weight[a] = BeamTable[a].weight / weightSum;
        beam.secantSlope[a] = beam.secant[a] * std::tan(angle) * kDegreesToRadians;
    }
    return beam;
}

// The direction loops below are compiled twice (SEASKY_CLONES, level_block.h).
SEASKY_CLONES static void LayerOpticalDepths(const double* __restrict kappa, int n, const double* __restrict secant,
                                             double* __restrict depth) {
    double sec[kBeamDirections];
    for (int a = 0; a < kBeamDirections; ++a) sec[a] = secant[a];
    for (int t = 0; t < n; ++t) {
        const double k = -kappa[t];
        double* __restrict d = depth + static_cast<std::size_t>(t) * kBeamDirections;
        for (int a = 0; a < kBeamDirections; ++a) d[a] = k * sec[a] * kLayerThickness;
    }
}

void LayerEmissivities(const double* kappa, int n, const BeamGeometry& beam, double* layer) {
    // The negative slant optical depths, then 1 - exp of them, a block of layers
    // at a time so that the block stays in the first-level cache between the two.
    constexpr int kBlock = 64;
    for (int t = 0; t < n; t += kBlock) {
        const int m = n - t < kBlock ? n - t : kBlock;
        double* block = layer + static_cast<std::size_t>(t) * kBeamDirections;
        LayerOpticalDepths(kappa + t, m, beam.secant, block);
        OneMinusExpArray(block, block, static_cast<std::size_t>(m) * kBeamDirections);
    }
}

// dB/dTz_t and dB/dkappa_t of every layer, from the far end back to the
// observer: tail[a] is the emission of the layers beyond t as the observer
// receives it; paths[t * kBeamDirections + a] the path transmittance from the
// observer to layer t.
SEASKY_CLONES static void SensitivitiesFromTheFarEnd(Walk walk, int n, const double* Tz, const double* layer,
                                                     const BeamGeometry& beam, const double* paths,
                                                     LayerSensitivities& sensitivities) {
    sensitivities.temperature.assign(n, 0.0);
    sensitivities.absorption.assign(n, 0.0);
    double tail[kBeamDirections] = {};
    for (int i = 0, t = walk.first + (n - 1) * walk.step; i < n; ++i, t -= walk.step) {
        const double* l = layer + static_cast<std::size_t>(t) * kBeamDirections;
        const double* p = &paths[static_cast<std::size_t>(t) * kBeamDirections];
        const double T = Tz[t];
        double dT = 0.0;
        double dKappa = 0.0;
        for (int a = 0; a < kBeamDirections; ++a) {
            const double emitted = p[a] * l[a];
            dT += beam.weight[a] * emitted;
            // d l / d kappa = 0.1 sec (1 - l); every layer beyond loses 0.1 sec of its share.
            dKappa += beam.weight[a] * kLayerThickness * beam.secant[a] * (T * (1.0 - l[a]) * p[a] - tail[a]);
            tail[a] += emitted * T;
        }
        sensitivities.temperature[t] = dT;
        sensitivities.absorption[t] = dKappa;
    }
}

SEASKY_CLONES EndTransfer TransferFromEnd(ObserverEnd end, const double* Tz, const double* kappa, const double* layer, int n,
                            const BeamGeometry& beam, LayerSensitivities* sensitivities) {
    EndTransfer result;
    if (n <= 0) {
        if (sensitivities != nullptr) {
            sensitivities->temperature.clear();
            sensitivities->absorption.clear();
            sensitivities->angle = 0.0;
        }
        return result;
    }
    const Walk walk = WalkFrom(end, n);
    // Transmittance from the observer to the current layer, and the emission
    // received so far, per direction.
    double path[kBeamDirections];
    double sum[kBeamDirections];
    for (int a = 0; a < kBeamDirections; ++a) {
        path[a] = 1.0;
        sum[a] = 0.0;
    }
    // With sensitivities, the path transmittance in front of every layer is kept.
    thread_local std::vector<double> paths;
    if (sensitivities != nullptr) paths.resize(static_cast<std::size_t>(n) * kBeamDirections);
    double L = 0.0;
    if (sensitivities == nullptr) {
        for (int i = 0, t = walk.first; i < n; ++i, t += walk.step) {
            const double* __restrict l = layer + static_cast<std::size_t>(t) * kBeamDirections;
            const double T = Tz[t];
            for (int a = 0; a < kBeamDirections; ++a) {
                sum[a] += path[a] * l[a] * T;
                path[a] *= 1.0 - l[a];
            }
            // Once every direction's path transmittance is below 1e-290, what the
            // layers beyond add is below 1e-287 K against a sum of at least the
            // first layer's emission: it cannot change a bit of the result, and
            // carrying subnormal products costs a hundred times the normal ones.
            if ((i & 31) == 31) {
                double largest = 0.0;
                for (int a = 0; a < kBeamDirections; ++a) largest = std::max(largest, path[a]);
                if (largest < 1e-290) break;
            }
        }
    } else {
        // With the tangent of the view angle carried along: dl/dtheta =
        // 0.1 kappa (1 - l) dsec/dtheta, and the path and sum tangents by the
        // product rule.
        double pathSlope[kBeamDirections] = {};
        double sumSlope[kBeamDirections] = {};
        for (int i = 0, t = walk.first; i < n; ++i, t += walk.step) {
            const double* __restrict l = layer + static_cast<std::size_t>(t) * kBeamDirections;
            const double T = Tz[t];
            for (int a = 0; a < kBeamDirections; ++a) paths[static_cast<std::size_t>(t) * kBeamDirections + a] = path[a];
            for (int a = 0; a < kBeamDirections; ++a) {
                const double slope = kLayerThickness * kappa[t] * (1.0 - l[a]) * beam.secantSlope[a];
                sumSlope[a] += (pathSlope[a] * l[a] + path[a] * slope) * T;
                pathSlope[a] = pathSlope[a] * (1.0 - l[a]) - path[a] * slope;
                sum[a] += path[a] * l[a] * T;
                path[a] *= 1.0 - l[a];
            }
        }
        double angle = 0.0;
        for (int a = 0; a < kBeamDirections; ++a) angle += beam.weight[a] * sumSlope[a];
        sensitivities->angle = angle;
    }
    for (int i = 0, t = walk.first; i < n; ++i, t += walk.step) L += kappa[t] * kLayerThickness;
    double B = 0.0;
    for (int a = 0; a < kBeamDirections; ++a) B += beam.weight[a] * sum[a];
    result.brightness = B;
    result.opacity = L;

    if (sensitivities != nullptr) SensitivitiesFromTheFarEnd(walk, n, Tz, layer, beam, paths.data(), *sensitivities);
    return result;
}

}  // namespace seasky
