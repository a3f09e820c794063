// The outputs of the separate models, as seasky emissivity, permittivity,
// sky-correction, absorption and atmosphere write them and the Python
// functions of the same names return them: each a list of values in the order
// of its vocabulary list (app/vocabulary.h: kEmissivityOutputs, ...), so that
// the command line and Python compute and name them alike.
//
// Given:   the inputs of the model, accepted by its checks (the subcommand's
//          and the Python function's: validation table).
// Returns: the values in the order of the list named.
#pragma once

#include <array>

#include "app/calculation.h"
#include "app/sensor.h"
#include "app/vocabulary.h"
#include "atmosphere/atmosphere_radiation.h"
#include "surface/wind_direction_signal.h"

namespace seasky {

// kEmissivityOutputs: every term at the surface code (f x 100, truncated), the
// code the surface models use, by the model set's surface model (SurfaceTerms);
// f GHz, theta and phi degrees, t degrees C, s per mille, w m/s.
std::array<double, kEmissivityOutputs.size()> EmissivityValues(double f, double theta, double phi, double t, double s,
                                                               double w, const ModelSet& models);

// kPermittivityOutputs: the surface code, e' and e'' of sea water, by the
// permittivity of the model set's surface model (the default at the surface
// code; mw2012's, the form of its authors' code, at f itself).
std::array<double, kPermittivityOutputs.size()> PermittivityValues(double f, double t, double s,
                                                                   const ModelSet& models = {});

// kSkyCorrectionOutputs: Omega_V, Omega_H; tau the slant-path transmittance.
std::array<double, kSkyCorrectionOutputs.size()> SkyCorrectionValues(double f, double tau, double theta, double w);

// kAbsorptionOutputs, Np/km: nitrogen, oxygen, water vapour, their sum, cloud
// liquid water (0 without cloud water) and the total; f GHz, t K, p mb, rho and
// w g/m^3.
std::array<double, kAbsorptionOutputs.size()> AbsorptionValues(double f, double t, double p, double rho, double w);

// kAtmosphereOutputs (brightness K, opacity Np from below and from above) and
// kAtmosphereGrid (layers, vapour and liquid columns, kg/m^2) of a transfer.
std::array<double, kAtmosphereOutputs.size()> AtmosphereValues(const AtmosphereTransferResult& r);
std::array<double, kAtmosphereGrid.size()> AtmosphereGridValues(const AtmosphereTransferResult& r);

// kChannelResults of a computed channel: tb (its own polarisation), tb up and
// down, opacity, emissivity V and H.
std::array<double, kChannelResults.size()> ChannelValues(const ChannelOutcome& o);

}  // namespace seasky
