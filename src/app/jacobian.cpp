#include "app/jacobian.h"

#include <algorithm>
#include <numeric>

#include "app/channel_request.h"

namespace seasky {

namespace {

// The directions of CombineDerivatives' dual numbers (app/calculation.h): the
// atmosphere terms, then the surface inputs in the order of SurfaceInput.
constexpr int kUpDirection = 0;
constexpr int kDownDirection = 1;
constexpr int kOpacityDirection = 2;
constexpr int kFirstSurfaceDirection = 3;

// The eight combined results, in the order of CombineDerivatives.
constexpr std::array<JacobianOutput, 8> kCombinedOutputs{
    JacobianOutput::tbV,           JacobianOutput::tbH,           JacobianOutput::tbPlus45,
    JacobianOutput::tbMinus45,     JacobianOutput::tbThirdStokes, JacobianOutput::tbFourthStokes,
    JacobianOutput::tbLeftCircular, JacobianOutput::tbRightCircular};

// The derivatives of the combined results and of the atmosphere terms, assembled.
Jacobian Assemble(const std::array<CombineDual, 8>& top, const TransferJacobian& atm, const ProfileView& p) {
    Jacobian j;
    const int L = p.levelCount;
    j.levels = L;
    j.level.assign(static_cast<std::size_t>(kJacobianOutputs) * kProfileQuantities * L, 0.0);
    auto level = [&j, L](JacobianOutput o, LevelQuantity q, int i) -> double& {
        return j.level[(static_cast<std::size_t>(Index(o)) * kProfileQuantities + Index(q)) * L + i];
    };
    auto surface = [&j](JacobianOutput o) -> std::array<double, kSurfaceInputs>& { return j.surface[Index(o)]; };
    // The eight combined results: through the atmosphere terms, the surface
    // inputs and the angle (directly, and through the beam of the transfer).
    for (std::size_t n = 0; n < kCombinedOutputs.size(); ++n) {
        const JacobianOutput o = kCombinedOutputs[n];
        const CombineDual& r = top[n];
        for (SurfaceInput k : kSurfaceInputList) surface(o)[Index(k)] = r.d[kFirstSurfaceDirection + Index(k)];
        const double direct = r.d[kFirstSurfaceDirection + Index(SurfaceInput::angle)];
        surface(o)[Index(SurfaceInput::angle)] =
            direct + r.d[kUpDirection] * atm.upAngle + r.d[kDownDirection] * atm.downAngle;
        for (LevelQuantity q : kLevelQuantities)
            for (int i = 0; i < L; ++i) {
                const std::size_t k = atm.At(q, i);
                level(o, q, i) = r.d[kUpDirection] * atm.up[k] + r.d[kDownDirection] * atm.down[k] +
                                 r.d[kOpacityDirection] * atm.opacity[k];
            }
    }
    // The atmosphere terms themselves: of the surface inputs only the angle acts
    // on them, and not on the vertical opacity.
    surface(JacobianOutput::tbUp)[Index(SurfaceInput::angle)] = atm.upAngle;
    surface(JacobianOutput::tbDown)[Index(SurfaceInput::angle)] = atm.downAngle;
    for (LevelQuantity q : kLevelQuantities)
        for (int i = 0; i < L; ++i) {
            const std::size_t k = atm.At(q, i);
            level(JacobianOutput::tbUp, q, i) = atm.up[k];
            level(JacobianOutput::tbDown, q, i) = atm.down[k];
            level(JacobianOutput::opacity, q, i) = atm.opacity[k];
        }
    // The columns: sum_i x_i d/dx_i.
    for (JacobianOutput o : kJacobianOutputList) {
        double vapour = 0.0, cloud = 0.0;
        for (int i = 0; i < L; ++i) {
            vapour += p.absoluteHumidity[i] * level(o, LevelQuantity::humidity, i);
            cloud += p.cloudWater[i] * level(o, LevelQuantity::cloud, i);
        }
        j.columns[Index(o)] = {vapour, cloud};
    }
    return j;
}

CalculationWithJacobian WithJacobian(const CalculationInputs& in, const PassbandRequest& passband,
                                     const ProfileView& profile, const ModelSet& options) {
    CalculationWithJacobian out;
    TransferJacobian atm;
    AtmosphereTransferResult atmosphere;
    AtmosphereTransfers(profile, &passband, 1, &atmosphere, TransferEnds::Both, &atm);
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

JacobianOutput JacobianOutputOf(Polarisation p) {
    switch (p) {
        case Polarisation::V:
            return JacobianOutput::tbV;
        case Polarisation::H:
            return JacobianOutput::tbH;
        case Polarisation::Plus45:
            return JacobianOutput::tbPlus45;
        case Polarisation::Minus45:
            return JacobianOutput::tbMinus45;
        case Polarisation::ThirdStokes:
            return JacobianOutput::tbThirdStokes;
        case Polarisation::FourthStokes:
            return JacobianOutput::tbFourthStokes;
        case Polarisation::LeftCircular:
            return JacobianOutput::tbLeftCircular;
        case Polarisation::RightCircular:
            return JacobianOutput::tbRightCircular;
    }
    return JacobianOutput::tbV;
}

std::vector<double> WeightingFunction(const Jacobian& jacobian, JacobianOutput output, const ProfileView& p) {
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
        w[i] = dz > 0.0 ? jacobian.Level(output, LevelQuantity::temperature, i) / dz : 0.0;
    }
    return w;
}

bool JacobianSelection::AnySurface() const {
    return std::any_of(surface.begin(), surface.end(), [](bool b) { return b; });
}

bool JacobianSelection::AnyColumn() const {
    return std::any_of(columns.begin(), columns.end(), [](bool b) { return b; });
}

bool JacobianSelection::AnyLevel() const {
    return weighting || std::any_of(level.begin(), level.end(), [](bool b) { return b; });
}

JacobianSelection JacobianSelection::All() {
    JacobianSelection s;
    s.surface.fill(true);
    s.level.fill(true);
    s.columns.fill(true);
    s.weighting = true;
    return s;
}

std::string DerivativeNames() {
    std::string names;
    auto add = [&names](const char* name) { names += (names.empty() ? "" : ", ") + std::string(name); };
    for (const char* name : kSurfaceInputNames) add(name);
    for (const char* name : kLevelQuantityNames) add(name);
    for (const char* name : kColumnNames) add(name);
    add("weighting");
    add("all");
    return names;
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
        for (SurfaceInput k : kSurfaceInputList)
            if (name == NameOf(k)) known = s.surface[Index(k)] = true;
        for (LevelQuantity q : kLevelQuantities)
            if (name == NameOf(q) || (q == LevelQuantity::temperature && name == kOldAirTemperatureName))
                known = s.level[Index(q)] = true;
        for (WaterColumn c : kWaterColumnList)
            if (name == NameOf(c)) known = s.columns[Index(c)] = true;
        if (name == "weighting") known = s.weighting = true;
        if (name == "all") {
            s = JacobianSelection::All();
            known = true;
        }
        if (!known) return "Неизвестная производная '" + std::string(name) + "'. Допустимы: " + DerivativeNames() + ".";
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
