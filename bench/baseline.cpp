// The frozen baseline (see baseline.h): the code of the transfer and of the
// clear-air models as it stood, with the line tables of the program. The grid,
// the interval-scanning ResampleProfile and the cloud model are the program's
// own: they have not changed.
#include "baseline.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "atmosphere/atmosphere_radiation.h"
#include "atmosphere/cloud_absorption.h"
#include "atmosphere/resample_profile.h"
#include "atmosphere/oxygen_absorption.h"
#include "atmosphere/water_vapour_absorption.h"
#include "common/constants.h"
#include "common/interpolate.h"
#include "surface/reflected_sky_correction.h"
#include "surface/surface_emissivity.h"
#include "surface/wind_direction_signal.h"

namespace seasky::baseline {

namespace {

constexpr double kPiValue = 3.14159265358979323846;

double Nitrogen(double T, double P, double F) {
    const double theta = 300.0 / T;
    const double fr = F / 450.0;
    const double g = 0.5 + 0.5 / (1.0 + fr * fr);
    return 1.29 * 6.5e-14 * g * (P * P) * (F * F) * std::pow(theta, 3.6);
}

double Oxygen(double T, double P, double rho, double F) {
    const double theta = 300.0 / T;
    const double theta1 = theta - 1.0;
    const double b = std::pow(theta, 0.8);
    const double e = rho * T / 217.0;
    const double pd = P - e;
    const double d = 0.001 * (pd * b + 1.1 * e * theta);
    const double F2 = F * F;
    const double w0 = 0.56 * d;
    double sum = 1.6e-17 * F2 * w0 / (theta * (F2 + w0 * w0));
    for (const OxygenLine& line : OxygenLineTable) {
        const double gamma = line.width * d;
        const double y = 0.001 * P * b * (line.y + line.v * theta1);
        const double s = line.strength * std::exp(-line.be * theta1);
        const double dm = F - line.frequency;
        const double dp = F + line.frequency;
        const double g1 = (gamma + dm * y) / (dm * dm + gamma * gamma);
        const double g2 = (gamma - dp * y) / (dp * dp + gamma * gamma);
        const double ratio = F / line.frequency;
        sum += s * (g1 + g2) * (ratio * ratio);
    }
    return 5.034e11 * sum * pd * (theta * theta * theta) / kPiValue;
}

double WaterVapour(double T, double P, double rho, double F) {
    if (rho == 0.0) return 0.0;
    const double e = rho * T / 217.0;
    const double pd = P - e;
    const double n = 3.335e16 * rho;
    const double theta = 300.0 / T;
    const double F2 = F * F;
    const double theta3 = theta * theta * theta;
    const double continuum = (5.4e-10 * pd * theta3 + 1.8e-8 * e * std::pow(theta, 7.5)) * e * F2;
    double sum = 0.0;
    for (const WaterVapourLine& line : WaterVapourLineTable) {
        const double gamma = line.w3 * pd * std::pow(theta, line.x) + line.ws * e * std::pow(theta, line.xs);
        const double s = line.s1 * std::pow(theta, 2.5) * std::exp(line.b2 * (1.0 - theta));
        const double base = gamma / (562500.0 + gamma * gamma);
        double r = 0.0;
        const double dm = F - line.frequency;
        if (std::fabs(dm) < 750.0) r += gamma / (dm * dm + gamma * gamma) - base;
        const double dp = F + line.frequency;
        if (std::fabs(dp) < 750.0) r += gamma / (dp * dp + gamma * gamma) - base;
        const double ratio = F / line.frequency;
        sum += s * r * (ratio * ratio);
    }
    return 3.183e-5 * n * sum + continuum;
}

}  // namespace

AtmosphereRadiationResult Radiation(double viewFromTop, double F, double dF, double theta,
                                              const ProfileStore& profile) {
    const int count = profile.levelCount;
    const double* H = profile.height.data();
    const double* T = profile.airTemperature.data();
    const double* P = profile.pressure.data();
    const double* rho = profile.absoluteHumidity.data();
    const double* W = profile.cloudWater.data();
    std::vector<double> z = RadiationGrid(H, count);
    const int n = static_cast<int>(z.size());
    if (n == 0) return {0.0, 0.0};
    std::vector<double> Tz(n, 0.0);
    ResampleProfile(H, T, count, z.data(), Tz.data(), n);
    constexpr int kDirections = 13;
    std::array<double, kDirections> sec{};
    std::array<double, kDirections> weight{};
    double weightSum = 0.0;
    for (const BeamDirection& d : BeamTable) weightSum += d.weight;
    for (int a = 0; a < kDirections; ++a) {
        sec[a] = 1.0 / std::cos((theta + BeamTable[a].offset) * kDegreesToRadians);
        weight[a] = BeamTable[a].weight / weightSum;
    }
    int bandCount = 1;
    double first = F, step = 0.0;
    if (dF > 0.0) {
        auto inside = [F](double lo, double hi) { return lo < F && F < hi; };
        step = inside(18.0, 25.0) || inside(55.0, 65.0) || inside(110.0, 125.0) || inside(175.0, 191.0) ? 0.05 : 0.1;
        bandCount = static_cast<int>(dF / step + 1.0 + 1e-9);
        first = F - dF * 0.5;
    }
    if (viewFromTop == 1.0) {
        std::reverse(z.begin(), z.end());
        std::reverse(Tz.begin(), Tz.end());
    }
    std::vector<double> kappa(count);
    std::vector<double> kappaZ(n, 0.0);
    double brightnessSum = 0.0, opacitySum = 0.0, brightness0 = 0.0, opacity0 = 0.0;
    for (int k = 0; k < bandCount; ++k) {
        const double fk = step > 0.0 ? first + k * step : F;
        for (int i = 0; i < count; ++i) {
            const double c = W[i] > 0.0 ? CloudLiquidAbsorption(W[i], T[i], fk) : 0.0;
            kappa[i] = (Nitrogen(T[i], P[i], fk) + Oxygen(T[i], P[i], rho[i], fk)) + WaterVapour(T[i], P[i], rho[i], fk) + c;
        }
        ResampleProfile(H, kappa.data(), count, z.data(), kappaZ.data(), n);
        std::array<double, kDirections> B{};
        double L = 0.0;
        for (int t = 0; t < n; ++t) {
            for (int a = 0; a < kDirections; ++a)
                B[a] += std::exp(-L * sec[a]) * (1.0 - std::exp(-kappaZ[t] * sec[a] * 0.1)) * Tz[t];
            L += kappaZ[t] * 0.1;
        }
        double Bk = 0.0;
        for (int a = 0; a < kDirections; ++a) Bk += weight[a] * B[a];
        if (k == 0) {
            brightness0 = Bk;
            opacity0 = L;
        }
        brightnessSum += Bk / bandCount;
        opacitySum += L / bandCount;
    }
    if (dF > 0.0) return {brightnessSum, opacitySum};
    return {brightness0, opacity0};
}

CalculationResult Calculate(const CalculationInputs& in, const ProfileStore& profile) {
    const double f = in.frequency;
    const double theta = in.angle;
    const AtmosphereRadiationResult down = Radiation(0.0, f, in.bandwidth, theta, profile);
    const AtmosphereRadiationResult up = Radiation(1.0, f, in.bandwidth, theta, profile);
    const double gamma = std::exp(-1.0 * down.opacity / std::cos(theta * kDegreesToRadians));
    const double tc = kCosmicBackground;
    const double ts = in.seaTemperature + kKelvinOffset;
    const EmissivityPair e = SurfaceEmissivity(f * 100.0, theta, in.azimuth, in.seaTemperature, in.salinity, in.wind);
    const double rV = 1.0 - e.v;
    const double rH = 1.0 - e.h;
    const EmissivityPair omega = ReflectedSkyCorrection(f, gamma, theta, in.wind);
    const double tSky = gamma * tc + down.brightness;
    const double trV = tSky * rV + (tSky - tc) * omega.v * rV;
    const double trH = tSky * rH + (tSky - tc) * omega.h * rH;
    CalculationResult r;
    r.tbV = gamma * e.v * ts + up.brightness + gamma * trV;
    r.tbH = gamma * e.h * ts + up.brightness + gamma * trH;
    const long double product = static_cast<long double>(f) * 100.0L;
    const double u = WindDirectionSignal(static_cast<FrequencyCode>(product), theta, in.azimuth, in.wind).Third;
    const double m = (r.tbV + r.tbH) * 0.5;
    const double uToa = gamma * ts * u - tSky * gamma * u;
    r.tbMinus45 = (2.0 * m - uToa) * 0.5;
    r.tbPlus45 = 2.0 * m - r.tbMinus45;
    r.tbUp = up.brightness;
    r.tbDown = down.brightness;
    r.opacity = down.opacity;
    r.transmittance = gamma;
    return r;
}

}  // namespace seasky::baseline
