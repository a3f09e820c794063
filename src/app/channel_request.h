// The channels-over-a-scene request: a sensor's channels over one scene (its
// sea surface and profile) with a model set, checked and computed by one
// function, with or without derivatives. seasky sensor, the batch runs and
// Python's simulate (through the scene loop, batch/scene_loop.h) call it and
// compose nothing themselves, so that a new limit or rule is added here once.
//
// Given:   the sensor and its channels (indices into sensor.channels), the
//          scene's surface values, the profile, the model set
//          (app/model_set.h), whether a channel whose centre lies outside
//          6.75-89 GHz is computed anyway (extrapolate), and whether the
//          derivatives are wanted.
// Returns: per channel, its outcome: refused, with the first refusal of the
//          channel, or computed (app/sensor.h ChannelOutcome), and with
//          derivatives its Jacobian (app/jacobian.h).
//
// Notes:
//  - A channel is refused for its definition (a published passband, the centre
//    within 6.75-89 GHz unless extrapolate, every sub-band's lower edge above
//    0 GHz, an incidence angle), then its inputs (angle, azimuth, sea
//    temperature, salinity, and the wind in the range of the model set's
//    surface: ValidateInputs's rule), then its cost (app/calculation_cost.h:
//    sub-frequencies, with derivatives the level limit, the work). Each
//    channel is checked on its own; the others are computed.
//  - The definition and input refusals name the channel ("Канал 18.7V: ...").
//    A channel's cost refusal as a scene records it is the rule's message
//    alone (batch runs and simulate record it so, each with the channel's
//    status); the refusal of the whole request (CheckChannelsRequest, seasky
//    sensor's) names the channel in it too.
//  - A computed channel is marked profileEndsLow when the standard atmosphere
//    above the profile's top is more than 1e-3 Np thick at its centre
//    (app/profile_coverage.h).
//  - The computed results are those of CalculateAcceptedChannels, bit for bit,
//    whatever else is refused or asked for; the derivatives are those of
//    ChannelWithJacobian, shared by channels that differ only in polarisation.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "app/jacobian.h"
#include "app/model_set.h"
#include "app/sensor.h"
#include "app/validation.h"
#include "common/records.h"

namespace seasky {

struct ChannelsRequest {
    const Sensor& sensor;
    std::span<const int> channels;  // indices into sensor.channels
    SceneSurface scene;
    ProfileView profile;
    ModelSet models;
    bool extrapolate = false;
    bool derivatives = false;
};

// outcomes[i] and (with derivatives) jacobians[i] for channels[i]; a refused
// channel's Jacobian is empty (levels 0), and without derivatives there are none.
using ChannelsOutcome = ChannelsWithJacobian;

// The hint the command line adds to a refusal of a channel's centre frequency.
inline constexpr const char* kChannelCentreHint =
    "(другие каналы выбирает --channels; --extrapolate рассчитывает канал всё равно, с пометкой)";

// The first refusal of a channel's definition among the channels: what refuses
// it for every scene alike (batch runs and simulate end before any scene).
// scenesGiveAngle: the scenes carry their own incidence angle.
std::optional<ValidationFailure> CheckChannelDefinitions(const Sensor& sensor, std::span<const int> channels,
                                                         bool scenesGiveAngle, bool extrapolate);

// The refusal of channels[i] of a request as a scene records it: its
// definition and inputs, then its cost (the rule's message alone).
std::optional<ValidationFailure> ChannelRefusal(const ChannelsRequest& request, std::size_t i);

// The first refusal of the request's channels before the profile is needed:
// each channel's definition and inputs, channel by channel (seasky sensor
// refuses these before it reads the profile).
std::optional<ValidationFailure> CheckChannelInputs(const ChannelsRequest& request);

// The first refusal of the whole request: CheckChannelInputs, then each
// channel's cost, the message naming the channel.
std::optional<ValidationFailure> CheckChannelsRequest(const ChannelsRequest& request);

// Every channel checked on its own (ChannelRefusal), the accepted ones computed.
ChannelsOutcome RunChannelsRequest(const ChannelsRequest& request);

}  // namespace seasky
