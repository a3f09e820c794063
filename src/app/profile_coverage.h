// The top of a profile against a channel: whether a profile that ends low (a
// radiosonde that burst at 300 hPa, a model that stops at 100 hPa) misses
// absorption above its top that the channel would see.
//
// Given:   a profile (its levels' pressures, mb) and a frequency (GHz, > 0).
// Returns: OpacityAboveTop: the zenith opacity, Np, at the frequency of clear
//          air above a pressure in the U.S. Standard Atmosphere 1976 (the
//          bundled "us-standard", app/standard_atmospheres.h), with the
//          default gas absorption (atmosphere/gas_absorption.h: nitrogen,
//          oxygen, water vapour); ProfileEndsLow: whether that opacity above
//          the profile's top (its lowest pressure) exceeds
//          kProfileTopOpacityLimit.
//
// Notes:
//  - Why 1e-3 Np. A layer of small opacity tau and temperature T adds about
//    tau * T to the brightness emitted through it and takes tau * TB from the
//    brightness TB that crosses it, so a missing layer changes a top-of-
//    atmosphere brightness by at most about tau * T: 0.25 K for tau = 1e-3 Np
//    at 250 K, about the radiometric noise (NEdT) of a spaceborne imager
//    channel (0.3-0.7 K). Below it the missing air is lost in the noise; above
//    it the channel's result lacks a term it should have.
//  - The standard atmosphere stands for the air the profile does not give: the
//    answer says whether the absorption above the top matters at the channel,
//    not how large it is in the scene. The bundled atmosphere ends at 50 km
//    (0.8 mb) and nothing above it is counted: a profile that reaches 1 mb is
//    never marked off the line centres (its last layer holds 2e-8 Np at most at
//    6.9-89 GHz, 4e-5 Np at the 22.235 GHz vapour line, 0.04 Np at the
//    53.596 GHz oxygen line).
//  - What this gives for the U.S. Standard Atmosphere itself: above 300 mb
//    (a radiosonde that burst there) 1.1e-3 Np at 6.925 GHz, 2.3e-3 at 23.8,
//    6.3e-3 at 89 and 0.04-12 Np at 50-60 GHz, so every channel is marked;
//    above 100 mb at most 8.6e-4 Np at 6.9-89 GHz (the 22.235 GHz line), so
//    no imager channel is, every 50-60 GHz one is.
//  - Per frequency, the opacity above every level of the standard atmosphere
//    is formed once (a cumulative table, each layer integrated with the
//    absorption taken exponential in height between its levels) and kept,
//    shared by all threads (batch runs compute scenes on many); the opacity at
//    a pressure between two levels is interpolated linearly in log-pressure,
//    in the logarithm of the opacity where both are above 0 (a power of the
//    pressure, as the absorption of pressure-broadened lines falls off).
//  - A top above the standard atmosphere's (pressure below 0.8 mb, or 0)
//    gives 0; one below its surface pressure the whole column.
//
// References: U.S. Standard Atmosphere, 1976 (NOAA/NASA/USAF, 1976), as
// tabulated by G. P. Anderson et al., "AFGL Atmospheric Constituent Profiles
// (0-120 km)", AFGL-TR-86-0110, 1986; P. W. Rosenkranz, in Atmospheric Remote
// Sensing by Microwave Radiometry, ed. M. A. Janssen, Wiley, 1993, chapter 2
// (the absorption models, atmosphere/gas_absorption.h).
#pragma once

#include "common/records.h"

namespace seasky {

// The opacity above the top (Np, zenith) beyond which a channel is marked.
inline constexpr double kProfileTopOpacityLimit = 1.0e-3;

// The lowest pressure of the profile's levels, mb (its top, whatever the order
// of its levels).
double ProfileTopPressure(const ProfileView& profile);

// The zenith opacity (Np) of the U.S. Standard Atmosphere above pressure
// topPressure (mb) at frequencyGHz, clear air.
double OpacityAboveTop(double topPressure, double frequencyGHz);

// True when the opacity above the profile's top exceeds kProfileTopOpacityLimit.
bool ProfileEndsLow(const ProfileView& profile, double frequencyGHz);

}  // namespace seasky
