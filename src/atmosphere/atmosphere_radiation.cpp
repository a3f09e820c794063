#include "atmosphere/atmosphere_radiation.h"

#include <algorithm>
#include <cmath>

#include "atmosphere/layer_transfer.h"
#include "atmosphere/level_absorption.h"
#include "atmosphere/transfer_grid.h"
#include "atmosphere/transfer_jacobian.h"

namespace seasky {

namespace {

bool StrictlyInside(double F, double lo, double hi) { return lo < F && F < hi; }

double BandStep(double F) {
    const bool fine = StrictlyInside(F, 18.0, 25.0) || StrictlyInside(F, 55.0, 65.0) ||
                      StrictlyInside(F, 110.0, 125.0) || StrictlyInside(F, 175.0, 191.0);
    return fine ? 0.05 : 0.1;
}

// Sub-frequencies whose level absorption is computed together: the gas terms
// of a level are formed once per group. The group holds up to 128 frequencies,
// fewer for long profiles, so that the buffer stays within about 1M values
// (but at least 16 rows).
int FrequencyGroup(int levels) { return std::max(16, std::min(128, 1048576 / std::max(1, levels))); }

// One sub-frequency of one sub-band of one passband.
struct WorkItem {
    double frequency;
    int passband;
    int subBand;    // index into the accumulators
    int k;          // position in its sub-band
    double weight;  // its share of the passband's mean (the derivatives only)
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
    TransferDerivatives derivatives;  // the derivative mode's part of the stages
};

TransferWorkspace& Workspace() {
    thread_local TransferWorkspace workspace;
    return workspace;
}

// What one call transfers: the profile, the passbands and the ends; derivatives
// is null for the values alone.
struct TransferTask {
    const ProfileView& profile;
    const PassbandRequest* passbands;
    int count;
    bool wanted[2];  // bottom, top
    TransferDerivatives* derivatives;
};

double ColumnOnGrid(TransferWorkspace& ws, const double* H, const double* density) {
    ws.column.resize(ws.grid.height.size());
    ResampleOnGrid(ws.grid, H, density, ws.column.data());
    double sum = 0.0;
    for (double v : ws.column) sum += v * 0.1;  // g/m^3 x 100 m = 0.1 kg/m^2
    return sum;
}

// Stage 1: what every passband shares (the grid, its columns), and the air
// temperature on the grid.
AtmosphereTransferResult GridStage(TransferWorkspace& ws, const ProfileView& p) {
    const int n = ws.grid.size();
    AtmosphereTransferResult common;
    common.layerCount = n;
    common.bottomHeight = ws.grid.height.front();
    common.topHeight = ws.grid.height.back();
    common.precipitableWater = ColumnOnGrid(ws, p.height, p.absoluteHumidity);
    common.liquidWaterPath = ColumnOnGrid(ws, p.height, p.cloudWater);
    ws.temperature.resize(n);
    ResampleOnGrid(ws.grid, p.height, p.airTemperature, ws.temperature.data());
    return common;
}

// The weight of sub-band s of a passband of several in the passband's value: by
// width, or equal when none has a width. widthSum: the sum of the widths above 0.
double SubBandShare(const PassbandRequest& passband, std::size_t s, double widthSum) {
    return widthSum > 0.0 ? std::max(passband.subBands[s].width, 0.0) / widthSum
                          : 1.0 / static_cast<double>(passband.subBands.size());
}

double WidthSum(const PassbandRequest& passband) {
    double widthSum = 0.0;
    for (const SubBand& sb : passband.subBands) widthSum += std::max(sb.width, 0.0);
    return widthSum;
}

// Every sub-frequency of every passband, with its accumulator. Without
// derivatives in ascending frequency, so that passbands share each frequency's
// absorption (a sub-band's sub-frequencies rise with k, so each band sum is
// still added in order of k); with derivatives in the order of the passbands
// and their sub-bands, the order in which each passband's derivatives are summed.
void ListWork(TransferWorkspace& ws, const TransferTask& task) {
    ws.items.clear();
    ws.sums.clear();
    ws.firstSubBand.assign(task.count + 1, 0);
    for (int b = 0; b < task.count; ++b) {
        const PassbandRequest& passband = task.passbands[b];
        ws.firstSubBand[b] = static_cast<int>(ws.sums.size());
        const double widthSum = WidthSum(passband);
        for (std::size_t s = 0; s < passband.subBands.size(); ++s) {
            const SubBand& sb = passband.subBands[s];
            const BandSampling band = SampleBand(sb.centre, sb.width);
            SubBandSums sums;
            sums.count = band.count;
            sums.band = sb.width > 0.0;
            const int index = static_cast<int>(ws.sums.size());
            ws.sums.push_back(sums);
            const double share = passband.subBands.size() == 1 ? 1.0 : SubBandShare(passband, s, widthSum);
            for (int k = 0; k < band.count; ++k) {
                // The band mean adds each value / count; a single frequency is the first.
                const double weight = share * (sums.band ? 1.0 / band.count : (k == 0 ? 1.0 : 0.0));
                ws.items.push_back({band.step > 0.0 ? band.first + k * band.step : sb.centre, b, index, k, weight});
            }
        }
    }
    ws.firstSubBand[task.count] = static_cast<int>(ws.sums.size());
    if (task.derivatives == nullptr)
        std::stable_sort(ws.items.begin(), ws.items.end(),
                         [](const WorkItem& a, const WorkItem& b) { return a.frequency < b.frequency; });
}

// The distinct frequencies of the items from next on, as many as one group
// holds, into ws.frequencies; returns the end of their items.
std::size_t CollectGroup(TransferWorkspace& ws, std::size_t next, int levels) {
    ws.frequencies.clear();
    std::size_t end = next;
    while (end < ws.items.size()) {
        const double f = ws.items[end].frequency;
        if (ws.frequencies.empty() || ws.frequencies.back() != f) {
            if (static_cast<int>(ws.frequencies.size()) == FrequencyGroup(levels)) break;
            ws.frequencies.push_back(f);
        }
        ++end;
    }
    return end;
}

// Stages 3 and 4 at frequency number g of the group for the items [first, last)
// of that frequency whose view angle is that of item first: the layer
// emissivities at the angle, the transfer from each end, and each item's part
// of its band mean (and of its passband's derivatives).
void TransferAtAngle(TransferWorkspace& ws, const TransferTask& task, int g, int first, int last) {
    const double theta = task.passbands[ws.items[first].passband].theta;
    const int n = ws.grid.size();
    const BeamGeometry beam = BeamGeometryOf(theta);
    LayerEmissivities(ws.kappaZ.data(), n, beam, ws.layer.data());
    TransferDerivatives* derivatives = task.derivatives;
    EndTransfer result[2];
    for (int e = 0; e < 2; ++e) {
        if (!task.wanted[e]) continue;
        const ObserverEnd end = e == 0 ? ObserverEnd::Bottom : ObserverEnd::Top;
        result[e] = TransferFromEnd(end, ws.temperature.data(), ws.kappaZ.data(), ws.layer.data(), n, beam,
                                    derivatives != nullptr ? &derivatives->Sensitivities() : nullptr);
        if (derivatives != nullptr) derivatives->BackToLevels(end);
    }
    // The plain mean over each band, terms added in order of k.
    for (int c = first; c < last; ++c) {
        const WorkItem& item = ws.items[c];
        if (task.passbands[item.passband].theta != theta) continue;
        SubBandSums& s = ws.sums[item.subBand];
        for (int e = 0; e < 2; ++e) {
            if (!task.wanted[e]) continue;
            if (item.k == 0) s.first[e] = {result[e].brightness, result[e].opacity};
            s.sum[e].brightness += result[e].brightness / s.count;
            s.sum[e].opacity += result[e].opacity / s.count;
        }
        if (derivatives != nullptr) derivatives->Add(item.passband, g, item.weight, task.wanted);
    }
}

// Stages 2 to 4 for the group of frequencies from item next on: their level
// absorption, then per frequency its resampling onto the grid and each distinct
// view angle once. Returns the first item after the group.
std::size_t TransferGroup(TransferWorkspace& ws, const TransferTask& task, std::size_t next) {
    const ProfileView& p = task.profile;
    const std::size_t end = CollectGroup(ws, next, p.levelCount);
    const int m = static_cast<int>(ws.frequencies.size());
    ws.kappa.resize(static_cast<std::size_t>(m) * p.levelCount);
    if (task.derivatives != nullptr) task.derivatives->LevelAbsorption(p, ws.frequencies.data(), m, ws.kappa.data());
    else LevelAbsorption(p, ws.frequencies.data(), m, ws.kappa.data());
    for (int g = 0, i = static_cast<int>(next); g < m; ++g) {
        ResampleOnGrid(ws.grid, p.height, ws.kappa.data() + static_cast<std::size_t>(g) * p.levelCount,
                       ws.kappaZ.data());
        // The items of this frequency; each distinct view angle once.
        const int firstItem = i;
        while (i < static_cast<int>(end) && ws.items[i].frequency == ws.frequencies[g]) ++i;
        for (int a = firstItem; a < i; ++a) {
            const double theta = task.passbands[ws.items[a].passband].theta;
            bool done = false;
            for (int e = firstItem; e < a; ++e) done = done || task.passbands[ws.items[e].passband].theta == theta;
            if (!done) TransferAtAngle(ws, task, g, a, i);
        }
    }
    return end;
}

// The passbands: one sub-band as it is, several weighted by their widths.
void CombinePassbands(const TransferWorkspace& ws, const TransferTask& task, const AtmosphereTransferResult& common,
                      AtmosphereTransferResult* out) {
    const std::vector<SubBandSums>& sums = ws.sums;
    for (int b = 0; b < task.count; ++b) {
        const PassbandRequest& passband = task.passbands[b];
        AtmosphereTransferResult& r = out[b];
        r = common;
        const int first = ws.firstSubBand[b];
        const int last = ws.firstSubBand[b + 1];
        AtmosphereRadiationResult total[2];
        if (last - first == 1) {
            for (int e = 0; e < 2; ++e) total[e] = sums[first].band ? sums[first].sum[e] : sums[first].first[e];
        } else if (last > first) {
            const double widthSum = WidthSum(passband);
            for (int s = first; s < last; ++s) {
                const double w = SubBandShare(passband, static_cast<std::size_t>(s - first), widthSum);
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
                         AtmosphereTransferResult* out, TransferEnds ends, TransferJacobian* jacobians) {
    TransferWorkspace& ws = Workspace();
    const TransferTask task{p, passbands, count, {ends != TransferEnds::Top, ends != TransferEnds::Bottom},
                            jacobians != nullptr ? &ws.derivatives : nullptr};
    for (int i = 0; i < count; ++i) out[i] = AtmosphereTransferResult{};
    MakeTransferGrid(p.height, p.levelCount, ws.grid);
    if (task.derivatives != nullptr) task.derivatives->Begin(ws.grid, p.height, p.levelCount, jacobians, count);
    const int n = ws.grid.size();
    if (n == 0 || count <= 0) return;
    const AtmosphereTransferResult common = GridStage(ws, p);
    ListWork(ws, task);
    ws.kappaZ.resize(n);
    ws.layer.resize(static_cast<std::size_t>(n) * kBeamDirections);
    for (std::size_t next = 0; next < ws.items.size();) next = TransferGroup(ws, task, next);
    CombinePassbands(ws, task, common, out);
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
