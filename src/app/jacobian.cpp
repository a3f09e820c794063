#include "app/jacobian.h"

#include <algorithm>
#include <numeric>

#include "app/channel_request.h"

namespace seasky {

namespace {

// The derivatives of the combined results and of the atmosphere terms, assembled.
Jacobian Assemble(const std::array<CombineDual, 8>& top, const TransferJacobian& atm, const ProfileView& p) {
    Jacobian j;
    const int L = p.levelCount;
    j.levels = L;
    j.level.assign(static_cast<std::size_t>(kJacobianOutputs) * kProfileQuantities * L, 0.0);
    auto level = [&j, L](int o, int q, int i) -> double& {
        return j.level[(static_cast<std::size_t>(o) * kProfileQuantities + q) * L + i];
    };
    // The eight combined results: through the atmosphere terms (directions 0-2),
    // the surface inputs (3-6) and the angle (7, plus the beam's).
    for (int o = 0; o < 8; ++o) {
        const CombineDual& r = top[o];
        j.surface[o] = {r.d[3], r.d[4], r.d[5], r.d[6], r.d[7] + r.d[0] * atm.upAngle + r.d[1] * atm.downAngle};
        for (int q = 0; q < kProfileQuantities; ++q)
            for (int i = 0; i < L; ++i) {
                const std::size_t k = static_cast<std::size_t>(q) * L + i;
                level(o, q, i) = r.d[0] * atm.up[k] + r.d[1] * atm.down[k] + r.d[2] * atm.opacity[k];
            }
    }
    // The atmosphere terms themselves.
    j.surface[8] = {0.0, 0.0, 0.0, 0.0, atm.upAngle};
    j.surface[9] = {0.0, 0.0, 0.0, 0.0, atm.downAngle};
    j.surface[10] = {0.0, 0.0, 0.0, 0.0, 0.0};
    for (int q = 0; q < kProfileQuantities; ++q)
        for (int i = 0; i < L; ++i) {
            const std::size_t k = static_cast<std::size_t>(q) * L + i;
            level(8, q, i) = atm.up[k];
            level(9, q, i) = atm.down[k];
            level(10, q, i) = atm.opacity[k];
        }
    // The columns: sum_i x_i d/dx_i.
    for (int o = 0; o < kJacobianOutputs; ++o) {
        double vapour = 0.0, cloud = 0.0;
        for (int i = 0; i < L; ++i) {
            vapour += p.absoluteHumidity[i] * level(o, 2, i);
            cloud += p.cloudWater[i] * level(o, 3, i);
        }
        j.columns[o] = {vapour, cloud};
    }
    return j;
}

CalculationWithJacobian WithJacobian(const CalculationInputs& in, const PassbandRequest& passband,
                                     const ProfileView& profile, const ModelSet& options) {
    CalculationWithJacobian out;
    TransferJacobian atm;
    const AtmosphereTransferResult atmosphere = AtmosphereTransferJacobian(profile, passband, atm);
    out.result = CombineWithSurface(in, atmosphere, options);
    out.jacobian = Assemble(CombineDerivatives(in, atmosphere, options), atm, profile);
    return out;
}

}  // namespace

CalculationWithJacobian CalculateWithJacobian(const CalculationInputs& in, const ProfileView& profile,
                                              const ModelSet& options) {
    const SubBand band{in.frequency, in.bandwidth};
    const PassbandRequest passband{std::span<const SubBand>(&band, 1), in.angle};
    return WithJacobian(in, passband, profile, options);
}

CalculationWithJacobian ChannelWithJacobian(const Channel& channel, const SceneSurface& scene,
                                            const ProfileView& profile, const ModelSet& options) {
    CalculationInputs in;
    in.frequency = channel.centre;
    in.angle = scene.incidenceAngle ? *scene.incidenceAngle : channel.incidenceAngle.value_or(0.0);
    in.azimuth = scene.azimuth;
    in.seaTemperature = scene.seaTemperature;
    in.salinity = scene.salinity;
    in.wind = scene.wind;
    in.bandwidth = channel.subBands.size() == 1 ? channel.subBands[0].width : 0.0;
    const PassbandRequest passband{std::span<const SubBand>(channel.subBands), in.angle};
    return WithJacobian(in, passband, profile, options);
}

int JacobianOutputOf(Polarisation p) {
    switch (p) {
        case Polarisation::V:
            return 0;
        case Polarisation::H:
            return 1;
        case Polarisation::Plus45:
            return 2;
        case Polarisation::Minus45:
            return 3;
        case Polarisation::ThirdStokes:
            return 4;
        case Polarisation::FourthStokes:
            return 5;
        case Polarisation::LeftCircular:
            return 6;
        case Polarisation::RightCircular:
            return 7;
    }
    return 0;
}

std::vector<double> WeightingFunction(const Jacobian& jacobian, int output, const ProfileView& p) {
    const int L = p.levelCount;
    // The levels in height order, and the half-distances to their neighbours.
    std::vector<int> order(L);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&p](int a, int b) { return p.height[a] < p.height[b]; });
    std::vector<double> w(L, 0.0);
    for (int r = 0; r < L; ++r) {
        const int i = order[r];
        const double below = r > 0 ? p.height[i] - p.height[order[r - 1]] : 0.0;
        const double above = r + 1 < L ? p.height[order[r + 1]] - p.height[i] : 0.0;
        const double dz = 0.5 * (below + above) / 1000.0;  // km
        w[i] = dz > 0.0 ? jacobian.Level(output, 0, i) / dz : 0.0;
    }
    return w;
}

JacobianSelection JacobianSelection::All() {
    JacobianSelection s;
    s.surface.fill(true);
    s.level.fill(true);
    s.columns.fill(true);
    s.weighting = true;
    return s;
}

std::optional<std::string> ParseJacobianSelection(std::string_view text, JacobianSelection& out) {
    JacobianSelection s;
    if (text.empty() || text == "all") {
        out = JacobianSelection::All();
        return std::nullopt;
    }
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string_view name = text.substr(start, comma - start);
        start = comma + 1;
        bool known = false;
        for (int k = 0; k < kSurfaceInputs; ++k)
            if (name == kSurfaceInputNames[k]) known = s.surface[k] = true;
        for (int q = 0; q < kProfileQuantities; ++q)
            if (name == kLevelQuantityNames[q]) known = s.level[q] = true;
        for (int c = 0; c < 2; ++c)
            if (name == kColumnNames[c]) known = s.columns[c] = true;
        if (name == "weighting") known = s.weighting = true;
        if (name == "all") {
            s = JacobianSelection::All();
            known = true;
        }
        if (!known)
            return "Неизвестная производная '" + std::string(name) +
                   "'. Допустимы: sst, salinity, wind, azimuth, angle, temperature, pressure, humidity, cloud, "
                   "lntcwv, lnlwp, weighting, all.";
    }
    out = s;
    return std::nullopt;
}

ChannelsWithJacobian CalculateChannelsWithJacobian(const Sensor& sensor, std::span<const int> channels,
                                                   const SceneSurface& scene, const ProfileView& profile,
                                                   const ModelSet& options, bool extrapolate) {
    return RunChannelsRequest({sensor, channels, scene, profile, options, extrapolate, true});
}

}  // namespace seasky
