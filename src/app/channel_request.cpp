#include "app/channel_request.h"

#include "app/calculation_cost.h"
#include "app/profile_coverage.h"

namespace seasky {

namespace {

const Channel& ChannelOf(const ChannelsRequest& request, std::size_t i) {
    return request.sensor.channels[request.channels[i]];
}

// The cost refusal of channels[i], the rule's message alone.
std::optional<ValidationFailure> CostRefusal(const ChannelsRequest& request, std::size_t i) {
    return CheckCost(CostOf(request.profile, ChannelOf(request, i).subBands, request.derivatives));
}

// Channels that share their derivatives: the same centre, passband and own
// incidence angle (they differ in polarisation alone, and each reads its own
// output of the one Jacobian).
bool SameDerivatives(const Channel& a, const Channel& b) {
    if (a.centre != b.centre || a.subBands.size() != b.subBands.size() || a.incidenceAngle != b.incidenceAngle)
        return false;
    for (std::size_t k = 0; k < a.subBands.size(); ++k)
        if (a.subBands[k].centre != b.subBands[k].centre || a.subBands[k].width != b.subBands[k].width) return false;
    return true;
}

// The derivatives of every computed channel (empty for a refused one).
std::vector<Jacobian> ChannelJacobians(const ChannelsRequest& request, const std::vector<ChannelOutcome>& outcomes) {
    std::vector<Jacobian> jacobians(outcomes.size());
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        if (!outcomes[i].computed) continue;
        const Channel& c = ChannelOf(request, i);
        std::size_t j = 0;
        while (j < i && !(outcomes[j].computed && SameDerivatives(ChannelOf(request, j), c))) ++j;
        jacobians[i] = j < i ? jacobians[j]
                             : ChannelWithJacobian(c, request.scene, request.profile, request.models).jacobian;
    }
    return jacobians;
}

}  // namespace

std::optional<ValidationFailure> CheckChannelDefinitions(const Sensor& sensor, std::span<const int> channels,
                                                         bool scenesGiveAngle, bool extrapolate) {
    for (int c : channels)
        if (std::optional<ValidationFailure> f =
                CheckChannelDefinition(sensor.channels[c], scenesGiveAngle, extrapolate))
            return f;
    return std::nullopt;
}

std::optional<ValidationFailure> ChannelRefusal(const ChannelsRequest& request, std::size_t i) {
    std::optional<ValidationFailure> f =
        CheckChannel(ChannelOf(request, i), request.scene, request.extrapolate, request.models);
    if (!f) f = CostRefusal(request, i);
    return f;
}

std::optional<ValidationFailure> CheckChannelInputs(const ChannelsRequest& request) {
    for (std::size_t i = 0; i < request.channels.size(); ++i)
        if (std::optional<ValidationFailure> f =
                CheckChannel(ChannelOf(request, i), request.scene, request.extrapolate, request.models))
            return f;
    return std::nullopt;
}

std::optional<ValidationFailure> CheckChannelsRequest(const ChannelsRequest& request) {
    if (std::optional<ValidationFailure> f = CheckChannelInputs(request)) return f;
    for (std::size_t i = 0; i < request.channels.size(); ++i)
        if (std::optional<ValidationFailure> f = CostRefusal(request, i)) return ForChannel(*f, ChannelOf(request, i));
    return std::nullopt;
}

ChannelsOutcome RunChannelsRequest(const ChannelsRequest& request) {
    ChannelsOutcome out;
    out.outcomes.resize(request.channels.size());
    for (std::size_t i = 0; i < request.channels.size(); ++i) out.outcomes[i].failure = ChannelRefusal(request, i);
    CalculateAcceptedChannels(request.sensor, request.channels, request.scene, request.profile, request.models,
                              out.outcomes);
    // Whether the profile's top leaves out absorption the channel sees
    // (app/profile_coverage.h), at the channel's centre.
    const double top = ProfileTopPressure(request.profile);
    for (std::size_t i = 0; i < request.channels.size(); ++i) {
        ChannelOutcome& o = out.outcomes[i];
        if (o.computed) o.profileEndsLow = OpacityAboveTop(top, ChannelOf(request, i).centre) > kProfileTopOpacityLimit;
    }
    if (request.derivatives) out.jacobians = ChannelJacobians(request, out.outcomes);
    return out;
}

}  // namespace seasky
