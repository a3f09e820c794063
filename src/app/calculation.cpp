#include "app/calculation.h"

#include <cmath>
#include <optional>

#include "atmosphere/atmosphere_radiation.h"
#include "common/number_text.h"
#include "surface/reflected_sky_correction.h"
#include "surface/surface_emissivity.h"
#include "surface/wind_direction_signal.h"

namespace seasky {

#define SEASKY_FIELD(key, expression) \
    ResultField { key, [](const CalculationResult& r) { return static_cast<double>(expression); }, false }
#define SEASKY_COUNT(key, expression) \
    ResultField { key, [](const CalculationResult& r) { return static_cast<double>(expression); }, true }

const std::array<ResultField, 38> kResultFields{{
    // The seven results of the window.
    SEASKY_FIELD("tbV", r.tbV),
    SEASKY_FIELD("tbH", r.tbH),
    SEASKY_FIELD("tbPlus45", r.tbPlus45),
    SEASKY_FIELD("tbMinus45", r.tbMinus45),
    SEASKY_FIELD("tbUp", r.tbUp),
    SEASKY_FIELD("tbDown", r.tbDown),
    SEASKY_FIELD("opacity", r.opacity),
    // Intermediates.
    SEASKY_FIELD("transmittance", r.transmittance),
    SEASKY_FIELD("emissivityV", r.emissivityV),
    SEASKY_FIELD("emissivityH", r.emissivityH),
    SEASKY_FIELD("omegaV", r.omegaV),
    SEASKY_FIELD("omegaH", r.omegaH),
    SEASKY_FIELD("thirdStokes", r.thirdStokes),
    // The other Stokes terms at the top of the atmosphere.
    SEASKY_FIELD("tbThirdStokes", r.tbThirdStokes),
    SEASKY_FIELD("tbFourthStokes", r.tbFourthStokes),
    SEASKY_FIELD("tbLeftCircular", r.tbLeftCircular),
    SEASKY_FIELD("tbRightCircular", r.tbRightCircular),
    // The atmosphere and the grid it was integrated on.
    SEASKY_FIELD("opacityUp", r.opacityUp),
    SEASKY_COUNT("layerCount", r.layerCount),
    SEASKY_FIELD("gridBottom", r.gridBottom),
    SEASKY_FIELD("gridTop", r.gridTop),
    SEASKY_FIELD("precipitableWater", r.precipitableWater),
    SEASKY_FIELD("liquidWaterPath", r.liquidWaterPath),
    // The surface at the surface code, and its Stokes terms at the direction code.
    SEASKY_COUNT("surfaceCode", r.surfaceCode),
    SEASKY_FIELD("specularV", r.specular.v),
    SEASKY_FIELD("specularH", r.specular.h),
    SEASKY_FIELD("windV", r.windIncrement.v),
    SEASKY_FIELD("windH", r.windIncrement.h),
    SEASKY_FIELD("directionV", r.direction.V),
    SEASKY_FIELD("directionH", r.direction.H),
    SEASKY_FIELD("directionHalfSum", r.direction.HalfSum),
    SEASKY_FIELD("directionDifference", r.direction.Difference),
    SEASKY_FIELD("directionThird", r.direction.Third),
    SEASKY_FIELD("directionFourth", r.direction.Fourth),
    SEASKY_FIELD("reflectivityV", r.reflectivityV),
    SEASKY_FIELD("reflectivityH", r.reflectivityH),
    SEASKY_COUNT("stokesCode", r.stokesCode),
    SEASKY_FIELD("fourthStokes", r.fourthStokes),
}};

#undef SEASKY_FIELD
#undef SEASKY_COUNT

std::array<double, 7> ResultValues(const CalculationResult& r) {
    return {r.tbV, r.tbH, r.tbPlus45, r.tbMinus45, r.tbUp, r.tbDown, r.opacity};
}

std::array<std::string, 7> ResultValueTexts(const CalculationResult& result, char separator) {
    std::array<std::string, 7> texts;
    const std::array<double, 7> values = ResultValues(result);
    for (std::size_t i = 0; i < values.size(); ++i) texts[i] = FormatGeneral(values[i], separator);
    return texts;
}

std::optional<ValidationFailure> ValidateInputs(const CalculationInputs& in) {
    std::optional<ValidationFailure> f = FirstFailure({{Checked::Frequency, in.frequency},
                                                       {Checked::Angle, in.angle},
                                                       {Checked::Azimuth, in.azimuth},
                                                       {Checked::SeaTemperature, in.seaTemperature},
                                                       {Checked::Salinity, in.salinity},
                                                       {Checked::Wind, in.wind}});
    if (!f && in.bandwidth > 0.0) f = Check(Checked::BandLowerEdge, in.frequency - in.bandwidth * 0.5);
    return f;
}

CalculationResult CombineWithSurface(const CalculationInputs& in, const AtmosphereTransferResult& atmosphere,
                                     const ModelOptions& options) {
    const double f = in.frequency;
    const double theta = in.angle;
    CalculationResult r;

    // The atmosphere seen from both ends: the downwelling emission (whose opacity
    // is the one shown) and the upwelling emission.
    const double tau = atmosphere.down.opacity;
    const double tDown = atmosphere.down.brightness;
    const double tUp = atmosphere.up.brightness;
    const double gamma = std::exp(-1.0 * tau / std::cos(theta * kDegreesToRadians));

    const double tc = kCosmicBackground;
    const double ts = in.seaTemperature + kKelvinOffset;

    // Sea surface: emissivity and reflectivity, at the surface code.
    const SurfaceEmissivityTerms surface = SurfaceEmissivityParts(
        f * kFrequencyScale, theta, in.azimuth, in.seaTemperature, in.salinity, in.wind, options.directionRows);
    const EmissivityPair& e = surface.total;
    const double rV = 1.0 - e.v;
    const double rH = 1.0 - e.h;

    // Scattering of the sky radiation by the rough surface.
    const EmissivityPair omega = ReflectedSkyCorrection(f, gamma, theta, in.wind);

    // Sky radiation at the surface (cosmic background attenuated plus the
    // downwelling atmosphere), its reflection with the rough-surface correction,
    // then the surface emission and the reflection attenuated on the way up.
    const double tSky = gamma * tc + tDown;
    const double dV = (tSky - tc) * omega.v * rV;
    const double dH = (tSky - tc) * omega.h * rH;
    const double trV = tSky * rV + dV;
    const double trH = tSky * rH + dH;
    const double tV = gamma * e.v * ts + tUp + gamma * trV;
    const double tH = gamma * e.h * ts + tUp + gamma * trH;

    // Third and fourth Stokes terms of the surface at the direction code, scaled
    // by the contrast between the sea and the incident sky and attenuated.
    const FrequencyCode stokesCode = DirectionFrequencyCode(f);
    const DirectionalEmissivity stokes =
        WindDirectionSignal(stokesCode, theta, in.azimuth, in.wind, options.directionRows);
    const double u = stokes.Third;
    const double m = (tV + tH) * 0.5;
    const double uToa = gamma * ts * u - tSky * gamma * u;
    const double tMinus45 = (2.0 * m - uToa) * 0.5;
    const double tPlus45 = 2.0 * m - tMinus45;
    const double s4 = stokes.Fourth;
    const double vToa = gamma * ts * s4 - tSky * gamma * s4;

    r.tbV = tV;
    r.tbH = tH;
    r.tbPlus45 = tPlus45;
    r.tbMinus45 = tMinus45;
    r.tbUp = tUp;
    r.tbDown = tDown;
    r.opacity = tau;

    r.tbThirdStokes = uToa;
    r.tbFourthStokes = vToa;
    r.tbLeftCircular = m + vToa * 0.5;
    r.tbRightCircular = m - vToa * 0.5;

    r.opacityUp = atmosphere.up.opacity;
    r.transmittance = gamma;
    r.layerCount = atmosphere.layerCount;
    r.gridBottom = atmosphere.bottomHeight;
    r.gridTop = atmosphere.topHeight;
    r.precipitableWater = atmosphere.precipitableWater;
    r.liquidWaterPath = atmosphere.liquidWaterPath;

    r.surfaceCode = surface.code;
    r.emissivityV = e.v;
    r.emissivityH = e.h;
    r.reflectivityV = rV;
    r.reflectivityH = rH;
    r.specular = surface.specular;
    r.windIncrement = surface.wind;
    r.direction = surface.direction;
    r.omegaV = omega.v;
    r.omegaH = omega.h;

    r.stokesCode = stokesCode;
    r.thirdStokes = u;
    r.fourthStokes = s4;
    return r;
}

CalculationResult Calculate(const CalculationInputs& in, const ProfileView& profile, const ModelOptions& options) {
    return CombineWithSurface(in, AtmosphereTransfer(in.frequency, in.bandwidth, in.angle, profile), options);
}

CalculationResult Calculate(const CalculationInputs& inputs, const ProfileStore& profile,
                            const ModelOptions& options) {
    return Calculate(inputs, ViewOf(profile), options);
}

std::string ConversionErrorMessage(const std::string& text) { return "'" + text + "' is not a valid floating point value"; }

CalculationOutcome RunCalculationRequest(const CalculationInputs& inputs, const ProfileStore& profile,
                                         const ModelOptions& options) {
    CalculationOutcome outcome;
    outcome.inputs = inputs;
    outcome.failure = ValidateInputs(inputs);
    if (outcome.failure) {
        outcome.status = CalculationStatus::rangeError;
        outcome.message = outcome.failure->message;
        return outcome;
    }
    outcome.result = Calculate(inputs, profile, options);
    return outcome;
}

CalculationOutcome RunCalculationRequest(const CalculationInputTexts& texts, char separator,
                                         const ProfileStore& profile, const ModelOptions& options) {
    std::array<double, 7> values{};
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::optional<double> value = ParseUserNumber(texts[i], separator);
        if (!value) {
            CalculationOutcome outcome;
            outcome.status = CalculationStatus::conversionError;
            outcome.message = ConversionErrorMessage(texts[i]);
            ValidationFailure failure;
            if (i < 6) {  // the six ranged inputs: their bounds from the table
                failure = *Check(static_cast<Checked>(i), std::nan(""));
                failure.quantity.reset();
            }
            failure.input = kInputNames[i];
            failure.value = std::nan("");
            failure.message = outcome.message;
            outcome.failure = failure;
            return outcome;
        }
        values[i] = *value;
    }
    const CalculationInputs inputs{values[0], values[1], values[2], values[3], values[4], values[5], values[6]};
    return RunCalculationRequest(inputs, profile, options);
}

}  // namespace seasky
