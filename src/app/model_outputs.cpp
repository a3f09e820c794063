#include "app/model_outputs.h"

#include <complex>

#include "atmosphere/cloud_absorption.h"
#include "atmosphere/gas_absorption.h"
#include "atmosphere/nitrogen_absorption.h"
#include "surface/reflected_sky_correction.h"
#include "surface/sea_water_permittivity.h"
#include "surface/surface_emissivity.h"

namespace seasky {

std::array<double, kEmissivityOutputs.size()> EmissivityValues(double f, double theta, double phi, double t, double s,
                                                               double w, const ModelSet& models) {
    const SurfaceEmissivityTerms e = SurfaceTerms(f, theta, phi, t, s, w, models);
    const auto code = static_cast<double>(e.code);
    return {code,          e.specular.v,           e.specular.h,        e.wind.v,           e.wind.h,
            code,          e.direction.V,          e.direction.H,       e.direction.HalfSum, e.direction.Difference,
            e.direction.Third, e.direction.Fourth, e.total.v,           e.total.h};
}

std::array<double, kPermittivityOutputs.size()> PermittivityValues(double f, double t, double s,
                                                                   const ModelSet& models) {
    const FrequencyCode code = SurfaceFrequencyCode(f);
    const std::complex<double> eps = models.surface == SurfaceModel::mw2012
                                         ? SeaWaterPermittivity(t, s, f, PermittivityVariant::AuthorsCode2012)
                                         : SeaWaterPermittivity(t, s, code);
    return {static_cast<double>(code), eps.real(), eps.imag()};
}

std::array<double, kSkyCorrectionOutputs.size()> SkyCorrectionValues(double f, double tau, double theta, double w) {
    const EmissivityPair omega = ReflectedSkyCorrection(f, tau, theta, w);
    return {omega.v, omega.h};
}

std::array<double, kAbsorptionOutputs.size()> AbsorptionValues(double f, double t, double p, double rho, double w) {
    const GasAbsorptionRecord gas = GasAbsorption(f, t, p, rho);
    const double cloud = w > 0.0 ? CloudLiquidAbsorption(w, t, f) : 0.0;
    return {NitrogenAbsorption(t, p, f), gas.oxygen, gas.waterVapour, gas.total, cloud, gas.total + cloud};
}

std::array<double, kAtmosphereOutputs.size()> AtmosphereValues(const AtmosphereTransferResult& r) {
    return {r.down.brightness, r.down.opacity, r.up.brightness, r.up.opacity};
}

std::array<double, kAtmosphereGrid.size()> AtmosphereGridValues(const AtmosphereTransferResult& r) {
    return {static_cast<double>(r.layerCount), r.precipitableWater, r.liquidWaterPath};
}

std::array<double, kChannelResults.size()> ChannelValues(const ChannelOutcome& o) {
    return {o.tb, o.result.tbUp, o.result.tbDown, o.result.opacity, o.result.emissivityV, o.result.emissivityH};
}

}  // namespace seasky
