#include "atmosphere/atmosphere_radiation.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "atmosphere/cloud_absorption.h"
#include "atmosphere/gas_absorption.h"
#include "atmosphere/resample_profile.h"
#include "common/constants.h"
#include "common/interpolate.h"

namespace seasky {

namespace {

constexpr double kLayerThickness = 0.1;  // km: the grid spacing is 100 m
constexpr int kDirections = static_cast<int>(BeamTable.size());

bool StrictlyInside(double F, double lo, double hi) { return lo < F && F < hi; }

}  // namespace

BandSampling SampleBand(double F, double dF) {
    if (!(dF > 0.0)) return {1, F, 0.0};
    const bool fine = StrictlyInside(F, 18.0, 25.0) || StrictlyInside(F, 55.0, 65.0) ||
                      StrictlyInside(F, 110.0, 125.0) || StrictlyInside(F, 175.0, 191.0);
    const double step = fine ? 0.05 : 0.1;
    // The 1e-9 keeps the upper edge of a band that is an exact multiple of the step
    // (0.3 / 0.1 = 2.9999999999999996 in binary).
    const int count = static_cast<int>(dF / step + 1.0 + 1e-9);
    return {count, F - dF * 0.5, step};
}

std::vector<double> RadiationGrid(const double* H, int count) {
    const double hMax = ArrayMaximum(H, count);
    const double hMin = ArrayMinimum(H, count);
    std::vector<double> z;
    if (hMin >= 50.0) {
        const int n = static_cast<int>(hMax - hMin) / 100 + 1;
        z.resize(n);
        for (int t = 0; t < n; ++t) z[t] = hMin + 100.0 * t;
    } else {
        const int n = static_cast<int>(hMax) / 100;
        if (n > 0) z.resize(n);
        for (int t = 0; t < n; ++t) z[t] = 100.0 * t + 50.0;
    }
    return z;
}

AtmosphereRadiationResult AtmosphereRadiation(double viewFromTop, double F, double dF, double theta, int count,
                                              const double* H, const double* T, const double* P, const double* rho,
                                              const double* W) {
    std::vector<double> z = RadiationGrid(H, count);
    const int n = static_cast<int>(z.size());
    if (n == 0) return {0.0, 0.0};

    // 3. Air temperature on the grid.
    std::vector<double> Tz(n, 0.0);
    ResampleProfile(H, T, count, z.data(), Tz.data(), n);

    // 4. Secants of the 13 beam directions and their normalised weights.
    std::array<double, kDirections> sec{};
    std::array<double, kDirections> weight{};
    double weightSum = 0.0;
    for (const BeamDirection& d : BeamTable) weightSum += d.weight;
    for (int a = 0; a < kDirections; ++a) {
        sec[a] = 1.0 / std::cos((theta + BeamTable[a].offset) * kDegreesToRadians);
        weight[a] = BeamTable[a].weight / weightSum;
    }

    // 5. Sub-frequencies of the band.
    const BandSampling band = SampleBand(F, dF);

    // 6. Index 0 is the layer next to the observer.
    if (viewFromTop == 1.0) {
        std::reverse(z.begin(), z.end());
        std::reverse(Tz.begin(), Tz.end());
    }

    std::vector<double> kappa(count);
    std::vector<double> kappaZ(n, 0.0);
    double brightnessSum = 0.0;
    double opacitySum = 0.0;
    double brightness0 = 0.0;
    double opacity0 = 0.0;
    for (int k = 0; k < band.count; ++k) {
        const double fk = band.step > 0.0 ? band.first + k * band.step : F;
        // 7.1-7.3 Absorption at the profile's own levels, Np/km.
        for (int i = 0; i < count; ++i) {
            const double c = W[i] > 0.0 ? CloudLiquidAbsorption(W[i], T[i], fk) : 0.0;
            kappa[i] = GasAbsorption(fk, T[i], P[i], rho[i]).total + c;
        }
        // 7.4 ... and on the grid.
        ResampleProfile(H, kappa.data(), count, z.data(), kappaZ.data(), n);

        // 7.5 Layer-by-layer emission, attenuated by the optical depth between the
        // layer and the observer along each direction.
        std::array<double, kDirections> B{};
        double L = 0.0;
        for (int t = 0; t < n; ++t) {
            for (int a = 0; a < kDirections; ++a)
                B[a] += std::exp(-L * sec[a]) * (1.0 - std::exp(-kappaZ[t] * sec[a] * kLayerThickness)) * Tz[t];
            L += kappaZ[t] * kLayerThickness;
        }
        double Bk = 0.0;
        for (int a = 0; a < kDirections; ++a) Bk += weight[a] * B[a];

        if (k == 0) {
            brightness0 = Bk;
            opacity0 = L;
        }
        brightnessSum += Bk / band.count;
        opacitySum += L / band.count;
    }
    if (dF > 0.0) return {brightnessSum, opacitySum};
    return {brightness0, opacity0};
}

AtmosphereRadiationResult AtmosphereRadiation(double viewFromTop, double F, double dF, double theta,
                                              const ProfileStore& profile) {
    return AtmosphereRadiation(viewFromTop, F, dF, theta, profile.levelCount, profile.height.data(),
                               profile.airTemperature.data(), profile.pressure.data(),
                               profile.absoluteHumidity.data(), profile.cloudWater.data());
}

}  // namespace seasky
