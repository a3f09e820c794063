#include "app/sensor.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "app/channel_request.h"

namespace seasky {

namespace {

constexpr const char* kPolarisationNames[] = {"V", "H", "+45", "-45", "L", "R", "S3", "S4"};

ValidationFailure MissingValue(const Channel& channel, const char* input, const std::string& text) {
    ValidationFailure f;
    f.input = input;
    f.value = std::nan("");
    f.message = text;
    return ForChannel(std::move(f), channel);
}

double AngleOf(const Channel& channel, const SceneSurface& scene) {
    return scene.incidenceAngle ? *scene.incidenceAngle : channel.incidenceAngle.value_or(std::nan(""));
}

// The inputs of the single calculation that a channel is: its centre, the
// scene, and for one sub-band its width.
CalculationInputs InputsOf(const Channel& channel, const SceneSurface& scene) {
    CalculationInputs in;
    in.frequency = channel.centre;
    in.angle = AngleOf(channel, scene);
    in.azimuth = scene.azimuth;
    in.seaTemperature = scene.seaTemperature;
    in.salinity = scene.salinity;
    in.wind = scene.wind;
    in.bandwidth = channel.subBands.size() == 1 ? channel.subBands[0].width : 0.0;
    return in;
}

bool SamePassband(const Channel& a, const Channel& b) {
    if (a.subBands.size() != b.subBands.size()) return false;
    for (std::size_t i = 0; i < a.subBands.size(); ++i)
        if (a.subBands[i].centre != b.subBands[i].centre || a.subBands[i].width != b.subBands[i].width) return false;
    return true;
}

}  // namespace

ValidationFailure ForChannel(ValidationFailure failure, const Channel& channel) {
    failure.message = "Канал " + channel.name + ": " + failure.message;
    return failure;
}

const char* PolarisationName(Polarisation p) { return kPolarisationNames[static_cast<int>(p)]; }

std::optional<Polarisation> PolarisationFromName(std::string_view name) {
    for (int i = 0; i < 8; ++i)
        if (name == kPolarisationNames[i]) return static_cast<Polarisation>(i);
    return std::nullopt;
}

double PassbandLow(const Channel& channel) {
    double low = channel.centre;
    for (const SubBand& b : channel.subBands) low = std::min(low, b.centre - std::max(b.width, 0.0) * 0.5);
    return low;
}

double PassbandHigh(const Channel& channel) {
    double high = channel.centre;
    for (const SubBand& b : channel.subBands) high = std::max(high, b.centre + std::max(b.width, 0.0) * 0.5);
    return high;
}

double ChannelValue(const CalculationResult& r, Polarisation p) {
    switch (p) {
        case Polarisation::V:
            return r.tbV;
        case Polarisation::H:
            return r.tbH;
        case Polarisation::Plus45:
            return r.tbPlus45;
        case Polarisation::Minus45:
            return r.tbMinus45;
        case Polarisation::LeftCircular:
            return r.tbLeftCircular;
        case Polarisation::RightCircular:
            return r.tbRightCircular;
        case Polarisation::ThirdStokes:
            return r.tbThirdStokes;
        case Polarisation::FourthStokes:
            return r.tbFourthStokes;
    }
    return std::nan("");
}

std::optional<ValidationFailure> CheckChannelDefinition(const Channel& channel, bool scenesGiveAngle,
                                                        bool extrapolate) {
    if (channel.subBands.empty())
        return MissingValue(channel, "passband",
                            "полоса пропускания канала не опубликована; задайте её в файле датчика.");
    if (!extrapolate)
        if (std::optional<ValidationFailure> f = Check(Checked::Frequency, channel.centre))
            return ForChannel(*f, channel);
    for (const SubBand& b : channel.subBands)
        if (b.width > 0.0)
            if (std::optional<ValidationFailure> f = Check(Checked::BandLowerEdge, b.centre - b.width * 0.5))
                return ForChannel(*f, channel);
    if (!scenesGiveAngle && !channel.incidenceAngle)
        return MissingValue(channel, "incidence_angle",
                            "угол падения канала не опубликован; задайте угол визирования для сцены.");
    return std::nullopt;
}

std::optional<ValidationFailure> CheckChannel(const Channel& channel, const SceneSurface& scene, bool extrapolate,
                                              const ModelSet& models) {
    if (std::optional<ValidationFailure> f =
            CheckChannelDefinition(channel, scene.incidenceAngle.has_value(), extrapolate))
        return f;
    const CalculationInputs in = InputsOf(channel, scene);
    if (std::optional<ValidationFailure> f = FirstFailure({{Checked::Angle, in.angle},
                                                           {Checked::Azimuth, in.azimuth},
                                                           {Checked::SeaTemperature, in.seaTemperature},
                                                           {Checked::Salinity, in.salinity},
                                                           {WindCheckOf(models), in.wind}}))
        return ForChannel(*f, channel);
    return std::nullopt;
}

namespace {

// How the accepted channels of one scene are computed: for each, the earlier
// channel it shares its whole calculation with (same centre, passband and
// angle: it differs in polarisation alone), or else the transfer of its
// passband (one per distinct passband and angle).
struct ChannelPlan {
    std::vector<int> same;        // the earlier channel, or -1
    std::vector<int> passbandOf;  // index into passbands, or -1
    std::vector<PassbandRequest> passbands;
};

ChannelPlan PlanChannels(const Sensor& sensor, std::span<const int> channels, const SceneSurface& scene,
                         const std::vector<ChannelOutcome>& outcomes) {
    ChannelPlan plan;
    plan.same.assign(channels.size(), -1);
    plan.passbandOf.assign(channels.size(), -1);
    for (std::size_t i = 0; i < channels.size(); ++i) {
        if (outcomes[i].failure) continue;
        const Channel& c = sensor.channels[channels[i]];
        const double theta = AngleOf(c, scene);
        for (std::size_t j = 0; j < i && plan.same[i] < 0; ++j) {
            if (outcomes[j].failure) continue;
            const Channel& d = sensor.channels[channels[j]];
            if (d.centre == c.centre && SamePassband(c, d) && AngleOf(d, scene) == theta)
                plan.same[i] = plan.same[j] >= 0 ? plan.same[j] : static_cast<int>(j);
        }
        if (plan.same[i] >= 0) continue;
        // A passband already asked for at this angle (another centre) is shared too.
        for (std::size_t j = 0; j < i && plan.passbandOf[i] < 0; ++j) {
            if (plan.passbandOf[j] < 0) continue;
            const Channel& d = sensor.channels[channels[j]];
            if (SamePassband(c, d) && plan.passbands[plan.passbandOf[j]].theta == theta)
                plan.passbandOf[i] = plan.passbandOf[j];
        }
        if (plan.passbandOf[i] < 0) {
            plan.passbandOf[i] = static_cast<int>(plan.passbands.size());
            plan.passbands.push_back({std::span<const SubBand>(c.subBands), theta});
        }
    }
    return plan;
}

}  // namespace

void CalculateAcceptedChannels(const Sensor& sensor, std::span<const int> channels, const SceneSurface& scene,
                               const ProfileView& profile, const ModelSet& models,
                               std::vector<ChannelOutcome>& outcomes) {
    const ChannelPlan plan = PlanChannels(sensor, channels, scene, outcomes);
    std::vector<AtmosphereTransferResult> atmospheres(plan.passbands.size());
    AtmosphereTransfers(profile, plan.passbands.data(), static_cast<int>(plan.passbands.size()), atmospheres.data());
    for (std::size_t i = 0; i < channels.size(); ++i) {
        ChannelOutcome& o = outcomes[i];
        if (o.failure) continue;
        const Channel& c = sensor.channels[channels[i]];
        o.computed = true;
        o.extrapolated = !IsAccepted(Checked::Frequency, c.centre);
        o.passbandBeyondRange = !IsAccepted(Checked::Frequency, PassbandLow(c)) ||
                                !IsAccepted(Checked::Frequency, PassbandHigh(c));
        if (plan.same[i] >= 0) o.result = outcomes[plan.same[i]].result;
        else o.result = CombineWithSurface(InputsOf(c, scene), atmospheres[plan.passbandOf[i]], models);
        o.tb = ChannelValue(o.result, c.polarisation);
    }
}

std::vector<ChannelOutcome> CalculateChannels(const Sensor& sensor, std::span<const int> channels,
                                              const SceneSurface& scene, const ProfileView& profile,
                                              const ModelSet& options, bool extrapolate) {
    return RunChannelsRequest({sensor, channels, scene, profile, options, extrapolate, false}).outcomes;
}

}  // namespace seasky
