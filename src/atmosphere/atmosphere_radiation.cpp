#include "atmosphere/atmosphere_radiation.h"

#include <algorithm>
#include <cmath>

#include "atmosphere/layer_transfer.h"
#include "atmosphere/level_absorption.h"
#include "atmosphere/transfer_grid.h"

namespace seasky {

namespace {

bool StrictlyInside(double F, double lo, double hi) { return lo < F && F < hi; }

// Sub-frequencies whose level absorption is computed together: the gas terms
// of a level are formed once per group. The group holds up to 128 frequencies,
// fewer for long profiles, so that the buffer stays within about 1M values
// (but at least 16 rows).
int FrequencyGroup(int levels) { return std::max(16, std::min(128, 1048576 / std::max(1, levels))); }

// One sub-frequency of one sub-band of one passband.
struct WorkItem {
    double frequency;
    int passband;
    int subBand;  // index into the accumulators
    int k;        // position in its sub-band
};

// Per sub-band: the band sums and the first sub-frequency's values, per end.
struct SubBandSums {
    int count = 1;
    bool band = false;  // width > 0: the mean; otherwise the single value
    AtmosphereRadiationResult sum[2];
    AtmosphereRadiationResult first[2];
};

// The working storage of the transfers on one thread, kept between calls.
struct TransferWorkspace {
    TransferGrid grid;
    std::vector<double> temperature;  // Tz on the grid
    std::vector<double> column;       // a density on the grid
    std::vector<double> frequencies;  // sub-frequencies of one group
    std::vector<double> kappa;        // level absorption, group x levels
    std::vector<double> kappaZ;       // absorption on the grid
    std::vector<double> layer;        // layer emissivities, grid x directions
    std::vector<WorkItem> items;      // every sub-frequency of the passbands
    std::vector<SubBandSums> sums;    // per sub-band
    std::vector<int> firstSubBand;    // per passband, into sums
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

namespace {

double BandStep(double F) {
    const bool fine = StrictlyInside(F, 18.0, 25.0) || StrictlyInside(F, 55.0, 65.0) ||
                      StrictlyInside(F, 110.0, 125.0) || StrictlyInside(F, 175.0, 191.0);
    return fine ? 0.05 : 0.1;
}

}  // namespace

double SubFrequencyCount(double F, double dF) {
    if (!(dF > 0.0)) return 1.0;
    // The 1e-9 keeps the upper edge of a band that is an exact multiple of the step
    // (0.3 / 0.1 = 2.9999999999999996 in binary).
    return std::floor(dF / BandStep(F) + 1.0 + 1e-9);
}

BandSampling SampleBand(double F, double dF) {
    if (!(dF > 0.0)) return {1, F, 0.0};
    // Callers bound the count first (app/calculation_cost.h); the clamp only keeps
    // the conversion defined for a band no caller should pass.
    const double count = std::min(SubFrequencyCount(F, dF), 1.0e9);
    return {static_cast<int>(count), F - dF * 0.5, BandStep(F)};
}

std::vector<double> RadiationGrid(const double* H, int count) {
    TransferGrid grid;
    MakeTransferGrid(H, count, grid);
    return std::move(grid.height);
}

void AtmosphereTransfers(const ProfileView& p, const PassbandRequest* passbands, int count,
                         AtmosphereTransferResult* out, TransferEnds ends) {
    TransferWorkspace& ws = Workspace();
    const double* H = p.height;
    for (int i = 0; i < count; ++i) out[i] = AtmosphereTransferResult{};
    MakeTransferGrid(H, p.levelCount, ws.grid);
    const int n = ws.grid.size();
    if (n == 0 || count <= 0) return;
    AtmosphereTransferResult common;
    common.layerCount = n;
    common.bottomHeight = ws.grid.height.front();
    common.topHeight = ws.grid.height.back();
    common.precipitableWater = ColumnOnGrid(ws, H, p.absoluteHumidity);
    common.liquidWaterPath = ColumnOnGrid(ws, H, p.cloudWater);

    // Stage 1: the air temperature on the grid.
    ws.temperature.resize(n);
    ResampleOnGrid(ws.grid, H, p.airTemperature, ws.temperature.data());
    const bool wanted[2] = {ends != TransferEnds::Top, ends != TransferEnds::Bottom};

    // Every sub-frequency of every passband, in ascending frequency: a sub-band's
    // sub-frequencies rise with k, so each band sum is added in order of k.
    std::vector<WorkItem>& items = ws.items;
    std::vector<SubBandSums>& sums = ws.sums;
    std::vector<int>& firstSubBand = ws.firstSubBand;
    items.clear();
    sums.clear();
    firstSubBand.assign(count + 1, 0);
    for (int b = 0; b < count; ++b) {
        firstSubBand[b] = static_cast<int>(sums.size());
        for (const SubBand& sb : passbands[b].subBands) {
            const BandSampling band = SampleBand(sb.centre, sb.width);
            SubBandSums s;
            s.count = band.count;
            s.band = sb.width > 0.0;
            const int index = static_cast<int>(sums.size());
            sums.push_back(s);
            for (int k = 0; k < band.count; ++k)
                items.push_back({band.step > 0.0 ? band.first + k * band.step : sb.centre, b, index, k});
        }
    }
    firstSubBand[count] = static_cast<int>(sums.size());
    std::stable_sort(items.begin(), items.end(),
                     [](const WorkItem& a, const WorkItem& b) { return a.frequency < b.frequency; });

    ws.kappaZ.resize(n);
    ws.layer.resize(static_cast<std::size_t>(n) * kBeamDirections);
    std::size_t next = 0;
    while (next < items.size()) {
        // Stage 2: the level absorption of a group of distinct frequencies.
        ws.frequencies.clear();
        std::size_t end = next;
        while (end < items.size()) {
            const double f = items[end].frequency;
            if (ws.frequencies.empty() || ws.frequencies.back() != f) {
                if (static_cast<int>(ws.frequencies.size()) == FrequencyGroup(p.levelCount)) break;
                ws.frequencies.push_back(f);
            }
            ++end;
        }
        const int m = static_cast<int>(ws.frequencies.size());
        ws.kappa.resize(static_cast<std::size_t>(m) * p.levelCount);
        LevelAbsorption(p, ws.frequencies.data(), m, ws.kappa.data());

        for (int g = 0, i = static_cast<int>(next); g < m; ++g) {
            ResampleOnGrid(ws.grid, H, ws.kappa.data() + static_cast<std::size_t>(g) * p.levelCount,
                           ws.kappaZ.data());
            // The items of this frequency; each distinct view angle once.
            const int firstItem = i;
            while (i < static_cast<int>(end) && items[i].frequency == ws.frequencies[g]) ++i;
            for (int a = firstItem; a < i; ++a) {
                const double theta = passbands[items[a].passband].theta;
                bool done = false;
                for (int e = firstItem; e < a; ++e) done = done || passbands[items[e].passband].theta == theta;
                if (done) continue;
                // Stage 3: the layer emissivities at this angle, then each end.
                const BeamGeometry beam = BeamGeometryOf(theta);
                LayerEmissivities(ws.kappaZ.data(), n, beam, ws.layer.data());
                EndTransfer result[2];
                for (int end2 = 0; end2 < 2; ++end2)
                    if (wanted[end2])
                        result[end2] = TransferFromEnd(end2 == 0 ? ObserverEnd::Bottom : ObserverEnd::Top,
                                                       ws.temperature.data(), ws.kappaZ.data(), ws.layer.data(), n,
                                                       beam);
                // Stage 4: the plain mean over each band, terms added in order of k.
                for (int c = a; c < i; ++c) {
                    if (passbands[items[c].passband].theta != theta) continue;
                    SubBandSums& s = sums[items[c].subBand];
                    for (int end2 = 0; end2 < 2; ++end2) {
                        if (!wanted[end2]) continue;
                        if (items[c].k == 0) s.first[end2] = {result[end2].brightness, result[end2].opacity};
                        s.sum[end2].brightness += result[end2].brightness / s.count;
                        s.sum[end2].opacity += result[end2].opacity / s.count;
                    }
                }
            }
        }
        next = end;
    }

    // The passbands: one sub-band as it is, several weighted by their widths.
    for (int b = 0; b < count; ++b) {
        AtmosphereTransferResult& r = out[b];
        r = common;
        const int first = firstSubBand[b];
        const int last = firstSubBand[b + 1];
        AtmosphereRadiationResult total[2];
        if (last - first == 1) {
            for (int e = 0; e < 2; ++e) total[e] = sums[first].band ? sums[first].sum[e] : sums[first].first[e];
        } else if (last > first) {
            double widthSum = 0.0;
            for (int s = first; s < last; ++s) widthSum += std::max(passbands[b].subBands[s - first].width, 0.0);
            for (int s = first; s < last; ++s) {
                const double w = widthSum > 0.0 ? std::max(passbands[b].subBands[s - first].width, 0.0) / widthSum
                                                : 1.0 / (last - first);
                for (int e = 0; e < 2; ++e) {
                    const AtmosphereRadiationResult& v = sums[s].band ? sums[s].sum[e] : sums[s].first[e];
                    total[e].brightness += w * v.brightness;
                    total[e].opacity += w * v.opacity;
                }
            }
        }
        r.down = total[0];
        r.up = total[1];
    }
}

AtmosphereTransferResult AtmosphereTransfer(double F, double dF, double theta, const ProfileView& p,
                                            TransferEnds ends) {
    const SubBand band{F, dF};
    PassbandRequest request;
    request.subBands = std::span<const SubBand>(&band, 1);
    request.theta = theta;
    AtmosphereTransferResult result;
    AtmosphereTransfers(p, &request, 1, &result, ends);
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
