// Small value records exchanged between the models.
#pragma once

#include <vector>

namespace seasky {

// A vertical / horizontal pair: emissivities, emissivity increments (may be
// negative), reflectivities or reflected-sky correction factors. Real is double,
// or a dual number when derivatives are carried (common/dual.h).
template <class Real>
struct BasicEmissivityPair {
    Real v = 0.0;
    Real h = 0.0;
};
using EmissivityPair = BasicEmissivityPair<double>;

// Wind-direction increments and Stokes terms of the sea surface (dimensionless).
template <class Real>
struct BasicDirectionalEmissivity {
    Real V = 0.0;           // increment of the vertical emissivity
    Real H = 0.0;           // increment of the horizontal emissivity
    Real HalfSum = 0.0;     // directional term of (V + H) / 2
    Real Difference = 0.0;  // directional term of V - H
    Real Third = 0.0;       // third Stokes parameter
    Real Fourth = 0.0;      // fourth Stokes parameter
};
using DirectionalEmissivity = BasicDirectionalEmissivity<double>;

// Atmospheric emission seen from one end of the profile.
struct AtmosphereRadiationResult {
    double brightness = 0.0;  // beam- and band-averaged brightness temperature, K
    double opacity = 0.0;     // vertical optical depth of the atmosphere, Np
};

// An atmospheric profile: levelCount levels, each array in file order.
struct ProfileStore {
    int levelCount = 0;
    std::vector<double> height;            // m above the sea surface
    std::vector<double> airTemperature;    // K
    std::vector<double> pressure;          // mb
    std::vector<double> absoluteHumidity;  // water-vapour density, g/m^3
    std::vector<double> cloudWater;        // cloud liquid water content, g/m^3
};

// A read-only view of a profile's five arrays (for instance of a ProfileStore,
// or of arrays owned by a caller such as a batch or a Python module).
struct ProfileView {
    int levelCount = 0;
    const double* height = nullptr;            // m
    const double* airTemperature = nullptr;    // K
    const double* pressure = nullptr;          // mb
    const double* absoluteHumidity = nullptr;  // g/m^3
    const double* cloudWater = nullptr;        // g/m^3
};

inline ProfileView ViewOf(const ProfileStore& s) {
    return {s.levelCount, s.height.data(), s.airTemperature.data(), s.pressure.data(), s.absoluteHumidity.data(),
            s.cloudWater.data()};
}

}  // namespace seasky
