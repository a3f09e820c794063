#include "app/calculation.h"

#include <cmath>
#include <optional>

#include "atmosphere/atmosphere_radiation.h"
#include "common/number_text.h"
#include "surface/reflected_sky_correction.h"
#include "surface/mw2012_emissivity.h"
#include "surface/surface_emissivity.h"
#include "surface/wind_emissivity.h"
#include "surface/wind_direction_signal.h"

namespace seasky {

#define SEASKY_FIELD(quantity, expression) \
    ResultField { quantity, [](const CalculationResult& r) { return static_cast<double>(expression); } }

const std::array<ResultField, 39> kResultFields{{
    // The seven results of the window.
    SEASKY_FIELD(Quantity::TbV, r.tbV),
    SEASKY_FIELD(Quantity::TbH, r.tbH),
    SEASKY_FIELD(Quantity::TbPlus45, r.tbPlus45),
    SEASKY_FIELD(Quantity::TbMinus45, r.tbMinus45),
    SEASKY_FIELD(Quantity::TbUp, r.tbUp),
    SEASKY_FIELD(Quantity::TbDown, r.tbDown),
    SEASKY_FIELD(Quantity::Opacity, r.opacity),
    // Intermediates.
    SEASKY_FIELD(Quantity::Transmittance, r.transmittance),
    SEASKY_FIELD(Quantity::EmissivityV, r.emissivityV),
    SEASKY_FIELD(Quantity::EmissivityH, r.emissivityH),
    SEASKY_FIELD(Quantity::OmegaV, r.omegaV),
    SEASKY_FIELD(Quantity::OmegaH, r.omegaH),
    SEASKY_FIELD(Quantity::ThirdStokes, r.thirdStokes),
    // The other Stokes terms at the top of the atmosphere.
    SEASKY_FIELD(Quantity::TbThirdStokes, r.tbThirdStokes),
    SEASKY_FIELD(Quantity::TbFourthStokes, r.tbFourthStokes),
    SEASKY_FIELD(Quantity::TbLeftCircular, r.tbLeftCircular),
    SEASKY_FIELD(Quantity::TbRightCircular, r.tbRightCircular),
    // The atmosphere and the grid it was integrated on.
    SEASKY_FIELD(Quantity::OpacityUp, r.opacityUp),
    SEASKY_FIELD(Quantity::LayerCount, r.layerCount),
    SEASKY_FIELD(Quantity::GridBottom, r.gridBottom),
    SEASKY_FIELD(Quantity::GridTop, r.gridTop),
    SEASKY_FIELD(Quantity::PrecipitableWater, r.precipitableWater),
    SEASKY_FIELD(Quantity::LiquidWaterPath, r.liquidWaterPath),
    // The surface at the surface code, and its Stokes terms at the direction code.
    SEASKY_FIELD(Quantity::SurfaceCode, r.surfaceCode),
    SEASKY_FIELD(Quantity::SpecularV, r.specular.v),
    SEASKY_FIELD(Quantity::SpecularH, r.specular.h),
    SEASKY_FIELD(Quantity::WindV, r.windIncrement.v),
    SEASKY_FIELD(Quantity::WindH, r.windIncrement.h),
    SEASKY_FIELD(Quantity::DirectionV, r.direction.V),
    SEASKY_FIELD(Quantity::DirectionH, r.direction.H),
    SEASKY_FIELD(Quantity::DirectionHalfSum, r.direction.HalfSum),
    SEASKY_FIELD(Quantity::DirectionDifference, r.direction.Difference),
    SEASKY_FIELD(Quantity::DirectionThird, r.direction.Third),
    SEASKY_FIELD(Quantity::DirectionFourth, r.direction.Fourth),
    SEASKY_FIELD(Quantity::ReflectivityV, r.reflectivityV),
    SEASKY_FIELD(Quantity::ReflectivityH, r.reflectivityH),
    SEASKY_FIELD(Quantity::StokesCode, r.stokesCode),
    SEASKY_FIELD(Quantity::FourthStokes, r.fourthStokes),
    // The cold-space brightness of the cosmic model, K.
    SEASKY_FIELD(Quantity::CosmicTemperature, r.cosmicTemperature),
}};

#undef SEASKY_FIELD

std::array<double, 7> InputValues(const CalculationInputs& in) {
    return {in.frequency, in.angle, in.azimuth, in.seaTemperature, in.salinity, in.wind, in.bandwidth};
}

CalculationInputs InputsOf(const std::array<double, 7>& v) { return {v[0], v[1], v[2], v[3], v[4], v[5], v[6]}; }

std::array<double, 7> ResultValues(const CalculationResult& r) {
    return {r.tbV, r.tbH, r.tbPlus45, r.tbMinus45, r.tbUp, r.tbDown, r.opacity};
}

std::array<std::string, 7> ResultValueTexts(const CalculationResult& result, char separator) {
    std::array<std::string, 7> texts;
    const std::array<double, 7> values = ResultValues(result);
    for (std::size_t i = 0; i < values.size(); ++i) texts[i] = FormatGeneral(values[i], separator);
    return texts;
}

// The default's tables end at 20 m/s, the authors' code of the mw2012 model
// accepts 40 m/s; wind-range=extended takes the default to 40 m/s as well.
Checked WindCheckOf(const ModelSet& models) {
    if (models.surface == SurfaceModel::mw2012) return Checked::Mw2012Wind;
    return models.windRange == WindRange::extended ? Checked::ExtendedWind : Checked::Wind;
}

bool RefusedAboveFittedWind(const ValidationFailure& failure) {
    return failure.quantity == Checked::Wind && failure.value > kWindPolynomialLimit;
}

bool WindBeyondFittedRange(double wind, const ModelSet& models) {
    return models.surface == SurfaceModel::standard && wind > kWindPolynomialLimit;
}

std::string WindBeyondFittedRangeNote(double wind) {
    return "the wind of " + FormatGeneral(wind, '.') +
           " m/s lies beyond 20 m/s, the range the default surface model was fitted to; it is computed along the "
           "model's straight extension (wind-range=extended).";
}

std::optional<ValidationFailure> ValidateInputs(const CalculationInputs& in, const ModelSet& models) {
    std::optional<ValidationFailure> f = FirstFailure({{Checked::Frequency, in.frequency},
                                                       {Checked::Angle, in.angle},
                                                       {Checked::Azimuth, in.azimuth},
                                                       {Checked::SeaTemperature, in.seaTemperature},
                                                       {Checked::Salinity, in.salinity},
                                                       {WindCheckOf(models), in.wind}});
    if (!f && in.bandwidth > 0.0) f = Check(Checked::BandLowerEdge, in.frequency - in.bandwidth * 0.5);
    return f;
}

namespace {

// The surface model of the set, on doubles or dual numbers.
template <class Real>
BasicSurfaceEmissivityTerms<Real> SurfaceParts(double f, const Real& theta, const Real& phi, const Real& t,
                                               const Real& s, const Real& w, const ModelSet& models) {
    if (models.surface == SurfaceModel::mw2012) return Mw2012EmissivityParts(f, theta, phi, t, s, w);
    return SurfaceEmissivityParts(f * kFrequencyScale, theta, phi, t, s, w, models.directionRows);
}

}  // namespace

SurfaceEmissivityTerms SurfaceTerms(double f, double theta, double phi, double t, double s, double w,
                                    const ModelSet& models) {
    return SurfaceParts<double>(f, theta, phi, t, s, w, models);
}

std::optional<ValidationFailure> ValidateSurfaceInputs(double f, double theta, double phi, double t, double s,
                                                       double w, const ModelSet& models) {
    return FirstFailure({{Checked::Frequency, f},
                         {Checked::Angle, theta},
                         {Checked::Azimuth, phi},
                         {Checked::SeaTemperature, t},
                         {Checked::Salinity, s},
                         {models.surface == SurfaceModel::mw2012 ? Checked::Mw2012Wind : Checked::ModelWind, w}});
}

namespace {

// The combination on doubles or on dual numbers (the same operations).
template <class Real>
struct Combination {
    Real tbV, tbH, tbPlus45, tbMinus45, tbThirdStokes, tbFourthStokes, tbLeftCircular, tbRightCircular;
    Real gamma;
    BasicSurfaceEmissivityTerms<Real> surface;
    Real reflectivityV, reflectivityH;
    BasicEmissivityPair<Real> omega;
    FrequencyCode stokesCode = 0;
    Real u, s4;
    double cosmicTemperature = 0.0;
};

template <class Real>
Combination<Real> Combine(double f, const Real& theta, const Real& phi, const Real& t, const Real& s, const Real& w,
                          const Real& tUp, const Real& tDown, const Real& tau, const ModelSet& models) {
    using std::cos;
    using std::exp;
    Combination<Real> c;
    c.gamma = exp(-1.0 * tau / cos(theta * kDegreesToRadians));
    const Real& gamma = c.gamma;

    // Cold space: 2.73 K, or its Planck-equivalent effective temperature.
    const double tc = CosmicTemperature(f, models.cosmic);
    c.cosmicTemperature = tc;
    const Real ts = t + kKelvinOffset;

    // Sea surface: emissivity and reflectivity (the default model at the
    // surface code; mw2012 at the frequency itself).
    c.surface = SurfaceParts(f, theta, phi, t, s, w, models);
    const BasicEmissivityPair<Real>& e = c.surface.total;
    c.reflectivityV = 1.0 - e.v;
    c.reflectivityH = 1.0 - e.h;
    const Real& rV = c.reflectivityV;
    const Real& rH = c.reflectivityH;

    // Scattering of the sky radiation by the rough surface.
    c.omega = ReflectedSkyCorrection(f, gamma, theta, w);
    const BasicEmissivityPair<Real>& omega = c.omega;

    // Sky radiation at the surface (cosmic background attenuated plus the
    // downwelling atmosphere), its reflection with the rough-surface correction,
    // then the surface emission and the reflection attenuated on the way up.
    const Real tSky = gamma * tc + tDown;
    const Real dV = (tSky - tc) * omega.v * rV;
    const Real dH = (tSky - tc) * omega.h * rH;
    const Real trV = tSky * rV + dV;
    const Real trH = tSky * rH + dH;
    c.tbV = gamma * e.v * ts + tUp + gamma * trV;
    c.tbH = gamma * e.h * ts + tUp + gamma * trH;

    // Third and fourth Stokes terms of the surface (the default model's at the
    // direction code; mw2012's with its V and H), scaled by the contrast
    // between the sea and the incident sky and attenuated.
    c.stokesCode = DirectionFrequencyCode(f);
    const BasicDirectionalEmissivity<Real> stokes =
        models.surface == SurfaceModel::mw2012
            ? c.surface.direction
            : WindDirectionSignal(c.stokesCode, theta, phi, WindSpeedPowersOf(w), models.directionRows);
    c.u = stokes.Third;
    const Real m = (c.tbV + c.tbH) * 0.5;
    c.tbThirdStokes = gamma * ts * c.u - tSky * gamma * c.u;
    c.tbMinus45 = (2.0 * m - c.tbThirdStokes) * 0.5;
    c.tbPlus45 = 2.0 * m - c.tbMinus45;
    c.s4 = stokes.Fourth;
    c.tbFourthStokes = gamma * ts * c.s4 - tSky * gamma * c.s4;
    c.tbLeftCircular = m + c.tbFourthStokes * 0.5;
    c.tbRightCircular = m - c.tbFourthStokes * 0.5;
    return c;
}

}  // namespace

CalculationResult CombineWithSurface(const CalculationInputs& in, const AtmosphereTransferResult& atmosphere,
                                     const ModelSet& options) {
    // The atmosphere seen from both ends: the downwelling emission (whose opacity
    // is the one shown) and the upwelling emission.
    const Combination<double> c =
        Combine<double>(in.frequency, in.angle, in.azimuth, in.seaTemperature, in.salinity, in.wind,
                        atmosphere.up.brightness, atmosphere.down.brightness, atmosphere.down.opacity, options);
    CalculationResult r;
    r.tbV = c.tbV;
    r.tbH = c.tbH;
    r.tbPlus45 = c.tbPlus45;
    r.tbMinus45 = c.tbMinus45;
    r.tbUp = atmosphere.up.brightness;
    r.tbDown = atmosphere.down.brightness;
    r.opacity = atmosphere.down.opacity;

    r.tbThirdStokes = c.tbThirdStokes;
    r.tbFourthStokes = c.tbFourthStokes;
    r.tbLeftCircular = c.tbLeftCircular;
    r.tbRightCircular = c.tbRightCircular;

    r.cosmicTemperature = c.cosmicTemperature;
    r.opacityUp = atmosphere.up.opacity;
    r.transmittance = c.gamma;
    r.layerCount = atmosphere.layerCount;
    r.gridBottom = atmosphere.bottomHeight;
    r.gridTop = atmosphere.topHeight;
    r.precipitableWater = atmosphere.precipitableWater;
    r.liquidWaterPath = atmosphere.liquidWaterPath;

    r.surfaceCode = c.surface.code;
    r.emissivityV = c.surface.total.v;
    r.emissivityH = c.surface.total.h;
    r.reflectivityV = c.reflectivityV;
    r.reflectivityH = c.reflectivityH;
    r.specular = c.surface.specular;
    r.windIncrement = c.surface.wind;
    r.direction = c.surface.direction;
    r.omegaV = c.omega.v;
    r.omegaH = c.omega.h;

    r.stokesCode = c.stokesCode;
    r.thirdStokes = c.u;
    r.fourthStokes = c.s4;
    return r;
}

std::array<CombineDual, 8> CombineDerivatives(const CalculationInputs& in, const AtmosphereTransferResult& atmosphere,
                                               const ModelSet& options) {
    using D = CombineDual;
    const Combination<D> c =
        Combine<D>(in.frequency, D::Variable(in.angle, 7), D::Variable(in.azimuth, 6),
                   D::Variable(in.seaTemperature, 3), D::Variable(in.salinity, 4), D::Variable(in.wind, 5),
                   D::Variable(atmosphere.up.brightness, 0), D::Variable(atmosphere.down.brightness, 1),
                   D::Variable(atmosphere.down.opacity, 2), options);
    return {c.tbV, c.tbH, c.tbPlus45, c.tbMinus45, c.tbThirdStokes, c.tbFourthStokes, c.tbLeftCircular,
            c.tbRightCircular};
}

CalculationResult Calculate(const CalculationInputs& in, const ProfileView& profile, const ModelSet& options) {
    return CombineWithSurface(in, AtmosphereTransfer(in.frequency, in.bandwidth, in.angle, profile), options);
}

CalculationResult Calculate(const CalculationInputs& inputs, const ProfileStore& profile,
                            const ModelSet& options) {
    return Calculate(inputs, ViewOf(profile), options);
}

std::string ConversionErrorMessage(const std::string& text) { return "'" + text + "' is not a valid floating point value"; }

}  // namespace seasky
