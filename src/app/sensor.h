// Satellite radiometer channels and their calculation over one scene.
//
// A channel is a passband (one or more sub-bands; a double-sideband channel has
// two, one on each side of its local oscillator), a polarisation, an Earth
// incidence angle and, where published, a 3 dB beam width. The atmosphere of a
// channel is its passband's transfer: every sub-band averaged over its
// sub-frequencies by the rule of a receiver band, the sub-bands combined
// weighted by width. The sea surface and the reflected-sky correction are taken
// at the channel's centre frequency, as the single calculation takes them at its
// frequency. A channel with one sub-band of width B around its centre f is
// exactly the single calculation with frequency f and bandwidth B.
//
// Channels are checked as calculations are: the centre must lie within
// 6.75-89 GHz (a channel outside is refused, or with extrapolation computed and
// marked), the angle, azimuth, sea temperature, salinity and wind within their
// ranges (the wind's that of the model set's surface), and every sub-band's
// lower edge above 0 GHz. A sub-band may reach beyond 6.75-89 GHz (the
// absorption models hold to 1000 GHz): that is allowed and marked.
//
// The front ends go through the channels-over-a-scene request
// (app/channel_request.h), which checks and computes with these.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/calculation.h"
#include "app/validation.h"
#include "atmosphere/atmosphere_radiation.h"
#include "common/records.h"

namespace seasky {

// The polarisation a channel measures.
enum class Polarisation {
    V,              // vertical
    H,              // horizontal
    Plus45,         // linear +45 degrees
    Minus45,        // linear -45 degrees
    LeftCircular,   // (T_V + T_H)/2 + V/2
    RightCircular,  // (T_V + T_H)/2 - V/2
    ThirdStokes,    // U = T(+45) - T(-45)
    FourthStokes,   // V = T_L - T_R
};

// "V", "H", "+45", "-45", "L", "R", "S3", "S4".
const char* PolarisationName(Polarisation p);
std::optional<Polarisation> PolarisationFromName(std::string_view name);

struct Channel {
    std::string name;                     // unique within its sensor, e.g. "18.7V"
    double centre = 0.0;                  // centre or local-oscillator frequency, GHz
    std::vector<SubBand> subBands;        // empty when the passband is not published
    Polarisation polarisation = Polarisation::V;
    std::optional<double> incidenceAngle; // Earth incidence angle, degrees (not always published)
    std::vector<double> beamWidth;        // 3 dB beam width, degrees: none, one, or E- and H-plane
    std::string note;
};

struct Sensor {
    std::string name;   // e.g. "amsr2"
    std::string title;  // e.g. "AMSR2 on GCOM-W1"
    std::vector<std::string> sources;
    std::vector<Channel> channels;
};

// The lowest and highest frequency a channel's passband reaches, GHz.
double PassbandLow(const Channel& channel);
double PassbandHigh(const Channel& channel);

// The surface and geometry of one scene. The incidence angle, when given,
// replaces the channels' own.
struct SceneSurface {
    double seaTemperature = 20.0;  // degrees C
    double salinity = 35.0;        // per mille
    double wind = 10.0;            // m/s
    double azimuth = 0.0;          // look direction relative to the wind, degrees (0 = upwind)
    std::optional<double> incidenceAngle;  // degrees
};

struct ChannelOutcome {
    bool computed = false;
    std::optional<ValidationFailure> failure;  // why the channel was not computed
    bool passbandBeyondRange = false;  // a sub-band reaches outside 6.75-89 GHz
    bool extrapolated = false;         // the centre lies outside 6.75-89 GHz, computed on request
    bool profileEndsLow = false;       // the profile ends below the level that matters for the channel
    double tb = 0.0;                   // the brightness temperature of the channel's polarisation, K
    CalculationResult result;          // the whole calculation of the channel
};

// The channel's value of a calculation.
double ChannelValue(const CalculationResult& result, Polarisation p);

// A refusal of a channel: the rule's fields, the message naming the channel
// ("Канал 18.7V: " before the rule's message).
ValidationFailure ForChannel(ValidationFailure failure, const Channel& channel);

// The checks of a channel that do not depend on the scene: a published passband,
// a centre within 6.75-89 GHz (unless extrapolate), every sub-band's lower edge
// above 0 GHz, and an incidence angle (unless the scenes give one).
std::optional<ValidationFailure> CheckChannelDefinition(const Channel& channel, bool scenesGiveAngle,
                                                        bool extrapolate);

// The whole check of one channel for a scene: its definition, then the angle,
// azimuth, sea temperature, salinity and wind (the range of the model set's
// surface). The messages name the channel ("Канал 18.7V: ...").
std::optional<ValidationFailure> CheckChannel(const Channel& channel, const SceneSurface& scene, bool extrapolate,
                                              const ModelSet& models = {});

// The calculation of the channels (indices into sensor.channels) over one scene
// and profile whose outcomes hold no refusal (outcomes[i] for channels[i]): each
// is marked computed, extrapolated and beyond range as it is, and gets its
// result and tb. The profile's grid and gas terms are formed once, each distinct
// passband and angle is transferred once, and channels that differ only in
// polarisation share one calculation.
void CalculateAcceptedChannels(const Sensor& sensor, std::span<const int> channels, const SceneSurface& scene,
                               const ProfileView& profile, const ModelSet& models,
                               std::vector<ChannelOutcome>& outcomes);

// The channels over one scene and profile, each checked on its own: the
// request of app/channel_request.h without derivatives (RunChannelsRequest).
// Refused channels are not computed; the others are.
std::vector<ChannelOutcome> CalculateChannels(const Sensor& sensor, std::span<const int> channels,
                                              const SceneSurface& scene, const ProfileView& profile,
                                              const ModelSet& options = {}, bool extrapolate = false);

}  // namespace seasky
