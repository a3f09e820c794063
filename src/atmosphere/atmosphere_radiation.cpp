#include "atmosphere/atmosphere_radiation.h"

#include <algorithm>

#include "atmosphere/layer_transfer.h"
#include "atmosphere/level_absorption.h"
#include "atmosphere/transfer_grid.h"

namespace seasky {

namespace {

bool StrictlyInside(double F, double lo, double hi) { return lo < F && F < hi; }

// Sub-frequencies whose level absorption is computed together: the gas terms
// of a level are formed once per group, and the buffer stays at most this many
// rows of the profile.
constexpr int kFrequencyGroup = 16;

// The working storage of the transfers on one thread, kept between calls.
struct TransferWorkspace {
    TransferGrid grid;
    std::vector<double> temperature;  // Tz on the grid
    std::vector<double> column;       // a density on the grid
    std::vector<double> frequencies;  // sub-frequencies of one group
    std::vector<double> kappa;        // level absorption, group x levels
    std::vector<double> kappaZ;       // absorption on the grid
    std::vector<double> layer;        // layer emissivities, grid x kBeamDirections
};

TransferWorkspace& Workspace() {
    thread_local TransferWorkspace workspace;
    return workspace;
}

double ColumnOnGrid(TransferWorkspace& ws, const double* H, const double* density) {
    ws.column.resize(ws.grid.height.size());
    ResampleOnGrid(ws.grid, H, density, ws.column.data());
    double sum = 0.0;
    for (double v : ws.column) sum += v * 0.1;  // g/m^3 x 100 m = 0.1 kg/m^2
    return sum;
}

}  // namespace

BandSampling SampleBand(double F, double dF) {
    if (!(dF > 0.0)) return {1, F, 0.0};
    const bool fine = StrictlyInside(F, 18.0, 25.0) || StrictlyInside(F, 55.0, 65.0) ||
                      StrictlyInside(F, 110.0, 125.0) || StrictlyInside(F, 175.0, 191.0);
    const double step = fine ? 0.05 : 0.1;
    // The 1e-9 keeps the upper edge of a band that is an exact multiple of the step
    // (0.3 / 0.1 = 2.9999999999999996 in binary).
    const int count = static_cast<int>(dF / step + 1.0 + 1e-9);
    return {count, F - dF * 0.5, step};
}

std::vector<double> RadiationGrid(const double* H, int count) {
    TransferGrid grid;
    MakeTransferGrid(H, count, grid);
    return std::move(grid.height);
}

AtmosphereTransferResult AtmosphereTransfer(double F, double dF, double theta, const ProfileView& p,
                                            TransferEnds ends) {
    AtmosphereTransferResult result;
    TransferWorkspace& ws = Workspace();
    const double* H = p.height;
    MakeTransferGrid(H, p.levelCount, ws.grid);
    const int n = ws.grid.size();
    if (n == 0) return result;
    result.layerCount = n;
    result.bottomHeight = ws.grid.height.front();
    result.topHeight = ws.grid.height.back();
    result.precipitableWater = ColumnOnGrid(ws, H, p.absoluteHumidity);
    result.liquidWaterPath = ColumnOnGrid(ws, H, p.cloudWater);

    // Stage 1: the air temperature on the grid.
    ws.temperature.resize(n);
    ResampleOnGrid(ws.grid, H, p.airTemperature, ws.temperature.data());
    const BeamGeometry beam = BeamGeometryOf(theta);
    const BandSampling band = SampleBand(F, dF);
    const bool bottom = ends != TransferEnds::Top;
    const bool top = ends != TransferEnds::Bottom;

    ws.kappaZ.resize(n);
    ws.layer.resize(static_cast<std::size_t>(n) * kBeamDirections);
    AtmosphereRadiationResult downSum, upSum, down0, up0;
    for (int group = 0; group < band.count; group += kFrequencyGroup) {
        const int m = std::min(kFrequencyGroup, band.count - group);
        ws.frequencies.resize(m);
        for (int g = 0; g < m; ++g) {
            const int k = group + g;
            ws.frequencies[g] = band.step > 0.0 ? band.first + k * band.step : F;
        }
        // Stage 2: the absorption at the levels, once for both ends.
        ws.kappa.resize(static_cast<std::size_t>(m) * p.levelCount);
        LevelAbsorption(p, ws.frequencies.data(), m, ws.kappa.data());
        for (int g = 0; g < m; ++g) {
            const int k = group + g;
            ResampleOnGrid(ws.grid, H, ws.kappa.data() + static_cast<std::size_t>(g) * p.levelCount,
                           ws.kappaZ.data());
            // Stage 3: the layer emissivities, then each end.
            LayerEmissivities(ws.kappaZ.data(), n, beam, ws.layer.data());
            for (int e = 0; e < 2; ++e) {
                if (e == 0 ? !bottom : !top) continue;
                const EndTransfer r = TransferFromEnd(e == 0 ? ObserverEnd::Bottom : ObserverEnd::Top,
                                                      ws.temperature.data(), ws.kappaZ.data(), ws.layer.data(), n, beam);
                AtmosphereRadiationResult& sum = e == 0 ? downSum : upSum;
                // Stage 4: the plain mean over the band, terms added in order of k.
                if (k == 0) (e == 0 ? down0 : up0) = {r.brightness, r.opacity};
                sum.brightness += r.brightness / band.count;
                sum.opacity += r.opacity / band.count;
            }
        }
    }
    result.down = dF > 0.0 ? downSum : down0;
    result.up = dF > 0.0 ? upSum : up0;
    return result;
}

AtmosphereRadiationResult AtmosphereRadiation(double viewFromTop, double F, double dF, double theta, int count,
                                              const double* H, const double* T, const double* P, const double* rho,
                                              const double* W) {
    const ProfileView view{count, H, T, P, rho, W};
    const bool fromTop = viewFromTop == 1.0;
    const AtmosphereTransferResult r =
        AtmosphereTransfer(F, dF, theta, view, fromTop ? TransferEnds::Top : TransferEnds::Bottom);
    return fromTop ? r.up : r.down;
}

AtmosphereRadiationResult AtmosphereRadiation(double viewFromTop, double F, double dF, double theta,
                                              const ProfileStore& profile) {
    const ProfileView view = ViewOf(profile);
    return AtmosphereRadiation(viewFromTop, F, dF, theta, view.levelCount, view.height, view.airTemperature,
                               view.pressure, view.absoluteHumidity, view.cloudWater);
}

}  // namespace seasky
