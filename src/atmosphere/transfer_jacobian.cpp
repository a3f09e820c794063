#include "atmosphere/transfer_jacobian.h"

#include <algorithm>

#include "atmosphere/cloud_absorption.h"
#include "atmosphere/gas_absorption.h"
#include "atmosphere/layer_transfer.h"
#include "atmosphere/transfer_grid.h"

namespace seasky {

namespace {

// One grid height's line: the two levels and their weights.
struct GridLine {
    int j = -1;  // -1: bracketed by no interval
    double lower = 0.0, upper = 0.0;
};

struct Workspace {
    TransferGrid grid;
    std::vector<GridLine> lines;
    std::vector<double> temperature, kappaZ, layer;
    std::vector<LevelDual> kappa;  // sub-frequency x levels
    std::vector<double> gradT, gradKappa;
    LayerSensitivities sensitivity;
};

Workspace& WorkspaceOf() {
    thread_local Workspace workspace;
    return workspace;
}

// The absorption of every level at each frequency with its derivatives with
// respect to the level's T, P and rho (the dual's directions 0, 1, 2);
// kappa[k * count + i]. The cloud water's derivative is returned separately.
void LevelAbsorptionDual(const ProfileView& p, const std::vector<double>& frequencies, std::vector<LevelDual>& kappa,
                         std::vector<double>& cloudSlope) {
    const int count = p.levelCount;
    const std::size_t m = frequencies.size();
    kappa.assign(m * count, LevelDual());
    cloudSlope.assign(m * count, 0.0);
    LevelDual gas[kLevelBlock];
    for (int first = 0; first < count; first += kLevelBlock) {
        const int n = std::min(kLevelBlock, count - first);
        BasicGasLevels<LevelDual> levels;
        LevelDual T[kLevelBlock];
        for (int i = first; i < first + n; ++i) {
            T[i - first] = LevelDual::Variable(p.airTemperature[i], 0);
            const LevelDual P = LevelDual::Variable(p.pressure[i], 1);
            const LevelDual rho = LevelDual::Variable(p.absoluteHumidity[i], 2);
            AddGasLevel(levels, T[i - first], P, rho);
        }
        for (std::size_t k = 0; k < m; ++k) {
            const double f = frequencies[k];
            GasAbsorptionTotal(levels, f, gas);
            for (int j = 0; j < n; ++j) {
                const int i = first + j;
                const double W = p.cloudWater[i];
                LevelDual value = gas[j];
                if (W > 0.0) value = gas[j] + CloudLiquidAbsorption(W, T[j], f);
                kappa[k * count + i] = value;
                // Liquid cloud may be added at 233.15 K and warmer (linear in W).
                if (p.airTemperature[i] >= kLiquidCloudTemperature)
                    cloudSlope[k * count + i] = CloudLiquidAbsorption(1.0, p.airTemperature[i], f);
            }
        }
    }
}

}  // namespace

AtmosphereTransferResult AtmosphereTransferJacobian(const ProfileView& p, const PassbandRequest& passband,
                                                    TransferJacobian& jac) {
    Workspace& ws = WorkspaceOf();
    const int count = p.levelCount;
    const double* H = p.height;
    jac.levels = count;
    jac.down.assign(static_cast<std::size_t>(kProfileQuantities) * count, 0.0);
    jac.up.assign(jac.down.size(), 0.0);
    jac.opacity.assign(jac.down.size(), 0.0);
    jac.downAngle = jac.upAngle = 0.0;
    AtmosphereTransferResult result;
    MakeTransferGrid(H, count, ws.grid);
    const int n = ws.grid.size();
    if (n == 0) return result;
    result.layerCount = n;
    result.bottomHeight = ws.grid.height.front();
    result.topHeight = ws.grid.height.back();
    {
        std::vector<double> column(n);
        ResampleOnGrid(ws.grid, H, p.absoluteHumidity, column.data());
        for (double v : column) result.precipitableWater += v * 0.1;
        ResampleOnGrid(ws.grid, H, p.cloudWater, column.data());
        for (double v : column) result.liquidWaterPath += v * 0.1;
    }
    ws.temperature.resize(n);
    ResampleOnGrid(ws.grid, H, p.airTemperature, ws.temperature.data());
    // The weights of each grid height's line: d value / d (level j, level j + 1).
    ws.lines.assign(n, GridLine{});
    for (int t = 0; t < n; ++t) {
        const int j = ws.grid.interval[t];
        if (j < 0) continue;
        const double x0 = H[j], x1 = H[j + 1];
        GridLine& line = ws.lines[t];
        line.j = j;
        if (x0 != x1) {
            line.upper = (ws.grid.height[t] - x0) / (x1 - x0);
            line.lower = 1.0 - line.upper;
        } else {
            line.lower = line.upper = 0.5;
        }
    }
    const BeamGeometry beam = BeamGeometryOf(passband.theta);

    // The sub-bands' sub-frequencies and their weights in the passband's mean.
    const std::size_t bands = passband.subBands.size();
    double widthSum = 0.0;
    for (const SubBand& b : passband.subBands) widthSum += std::max(b.width, 0.0);
    std::vector<double> frequencies, weights;
    std::vector<int> owner;
    std::vector<BandSampling> samplings;
    for (std::size_t b = 0; b < bands; ++b) {
        const SubBand& sb = passband.subBands[b];
        const BandSampling s = SampleBand(sb.centre, sb.width);
        samplings.push_back(s);
        const double bandWeight = bands == 1 ? 1.0
                                  : widthSum > 0.0 ? std::max(sb.width, 0.0) / widthSum
                                                   : 1.0 / static_cast<double>(bands);
        const bool mean = sb.width > 0.0;
        for (int k = 0; k < s.count; ++k) {
            frequencies.push_back(s.step > 0.0 ? s.first + k * s.step : sb.centre);
            // The band mean adds B_k / count for each k; a single frequency is the first.
            weights.push_back(bandWeight * (mean ? 1.0 / s.count : (k == 0 ? 1.0 : 0.0)));
            owner.push_back(static_cast<int>(b));
        }
    }
    std::vector<double> cloudSlope;
    LevelAbsorptionDual(p, frequencies, ws.kappa, cloudSlope);

    // The forward values, accumulated exactly as AtmosphereTransfers does.
    std::vector<AtmosphereRadiationResult> sum(bands * 2), first(bands * 2);
    ws.kappaZ.resize(n);
    ws.layer.resize(static_cast<std::size_t>(n) * kBeamDirections);
    ws.gradT.resize(count);
    ws.gradKappa.resize(count);
    std::vector<double> levelKappa(count);
    // The ordering by frequency does not matter for the derivatives, and the
    // forward sums keep the order of k within each sub-band.
    std::size_t index = 0;
    for (std::size_t b = 0; b < bands; ++b) {
        const BandSampling& s = samplings[b];
        for (int k = 0; k < s.count; ++k, ++index) {
            const double w = weights[index];
            const LevelDual* kappa = ws.kappa.data() + index * count;
            for (int i = 0; i < count; ++i) levelKappa[i] = kappa[i].v;
            ResampleOnGrid(ws.grid, H, levelKappa.data(), ws.kappaZ.data());
            LayerEmissivities(ws.kappaZ.data(), n, beam, ws.layer.data());
            for (int e = 0; e < 2; ++e) {
                const EndTransfer r = TransferFromEnd(e == 0 ? ObserverEnd::Bottom : ObserverEnd::Top,
                                                      ws.temperature.data(), ws.kappaZ.data(), ws.layer.data(), n,
                                                      beam, &ws.sensitivity);
                if (k == 0) first[b * 2 + e] = {r.brightness, r.opacity};
                sum[b * 2 + e].brightness += r.brightness / s.count;
                sum[b * 2 + e].opacity += r.opacity / s.count;
                // Back from the grid to the levels.
                std::fill(ws.gradT.begin(), ws.gradT.end(), 0.0);
                std::fill(ws.gradKappa.begin(), ws.gradKappa.end(), 0.0);
                for (int t = 0; t < n; ++t) {
                    const GridLine& line = ws.lines[t];
                    if (line.j < 0) continue;
                    ws.gradT[line.j] += ws.sensitivity.temperature[t] * line.lower;
                    ws.gradT[line.j + 1] += ws.sensitivity.temperature[t] * line.upper;
                    ws.gradKappa[line.j] += ws.sensitivity.absorption[t] * line.lower;
                    ws.gradKappa[line.j + 1] += ws.sensitivity.absorption[t] * line.upper;
                }
                std::vector<double>& out = e == 0 ? jac.down : jac.up;
                for (int i = 0; i < count; ++i) {
                    const double g = ws.gradKappa[i] * w;
                    out[i] += g * kappa[i].d[0] + ws.gradT[i] * w;
                    out[count + i] += g * kappa[i].d[1];
                    out[2 * count + i] += g * kappa[i].d[2];
                    out[3 * count + i] += g * cloudSlope[index * count + i];
                }
                (e == 0 ? jac.downAngle : jac.upAngle) += ws.sensitivity.angle * w;
            }
            // The opacity (summed from the ground): 0.1 km per layer of kappa.
            std::fill(ws.gradKappa.begin(), ws.gradKappa.end(), 0.0);
            for (int t = 0; t < n; ++t) {
                const GridLine& line = ws.lines[t];
                if (line.j < 0) continue;
                ws.gradKappa[line.j] += 0.1 * line.lower;
                ws.gradKappa[line.j + 1] += 0.1 * line.upper;
            }
            for (int i = 0; i < count; ++i) {
                const double g = ws.gradKappa[i] * w;
                jac.opacity[i] += g * kappa[i].d[0];
                jac.opacity[count + i] += g * kappa[i].d[1];
                jac.opacity[2 * count + i] += g * kappa[i].d[2];
                jac.opacity[3 * count + i] += g * cloudSlope[index * count + i];
            }
        }
    }
    // The passband: one sub-band as it is, several weighted by their widths.
    AtmosphereRadiationResult total[2];
    for (int e = 0; e < 2; ++e) {
        if (bands == 1) {
            total[e] = passband.subBands[0].width > 0.0 ? sum[e] : first[e];
        } else {
            for (std::size_t b = 0; b < bands; ++b) {
                const double wb = widthSum > 0.0 ? std::max(passband.subBands[b].width, 0.0) / widthSum
                                                 : 1.0 / static_cast<double>(bands);
                const AtmosphereRadiationResult& v = passband.subBands[b].width > 0.0 ? sum[b * 2 + e] : first[b * 2 + e];
                total[e].brightness += wb * v.brightness;
                total[e].opacity += wb * v.opacity;
            }
        }
    }
    result.down = total[0];
    result.up = total[1];
    return result;
}

}  // namespace seasky
