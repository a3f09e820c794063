#include "app/calculation.h"

#include <cmath>
#include <optional>

#include "app/input_ranges.h"
#include "atmosphere/atmosphere_radiation.h"
#include "common/number_text.h"
#include "surface/reflected_sky_correction.h"
#include "surface/surface_emissivity.h"
#include "surface/wind_direction_signal.h"

namespace seasky {

std::array<double, 7> ResultValues(const CalculationResult& r) {
    return {r.tbV, r.tbH, r.tbPlus45, r.tbMinus45, r.tbUp, r.tbDown, r.opacity};
}

std::array<std::string, 7> ResultValueTexts(const CalculationResult& result, char separator) {
    std::array<std::string, 7> texts;
    const std::array<double, 7> values = ResultValues(result);
    for (std::size_t i = 0; i < values.size(); ++i) texts[i] = FormatGeneral(values[i], separator);
    return texts;
}

FrequencyCode ExtendedFrequencyCode(double f) {
    // 64-bit mantissa: 18.7 is stored as 18.699999999999999289..., whose product
    // with 100 keeps the deficit (1869.99999999999992...) instead of rounding to 1870.
    const long double product = static_cast<long double>(f) * 100.0L;
    return static_cast<FrequencyCode>(product);
}

CalculationResult Calculate(const CalculationInputs& in, const ProfileStore& profile, const ModelOptions& options) {
    const double f = in.frequency;
    const double theta = in.angle;
    CalculationResult r;

    // Atmosphere, both observer ends from one transfer: the downwelling emission
    // (whose opacity is the one shown) and the upwelling emission.
    const AtmosphereTransferResult atmosphere = AtmosphereTransfer(f, in.bandwidth, theta, ViewOf(profile));
    const AtmosphereRadiationResult& down = atmosphere.down;
    const AtmosphereRadiationResult& up = atmosphere.up;
    const double tau = down.opacity;
    const double tDown = down.brightness;
    const double tUp = up.brightness;
    const double gamma = std::exp(-1.0 * tau / std::cos(theta * kDegreesToRadians));

    const double tc = kCosmicBackground;
    const double ts = in.seaTemperature + kKelvinOffset;

    // Sea surface: emissivity and reflectivity.
    const EmissivityPair e =
        SurfaceEmissivity(f * kFrequencyScale, theta, in.azimuth, in.seaTemperature, in.salinity, in.wind,
                          options.directionRows);
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

    // Third Stokes term of the surface, for the diagonal polarisations.
    const DirectionalEmissivity direction =
        WindDirectionSignal(ExtendedFrequencyCode(f), theta, in.azimuth, in.wind, options.directionRows);
    const double u = direction.Third;
    const double m = (tV + tH) * 0.5;
    // The surface's third Stokes signal scaled by the sea-sky contrast, attenuated.
    const double uToa = gamma * ts * u - tSky * gamma * u;
    const double tMinus45 = (2.0 * m - uToa) * 0.5;
    const double tPlus45 = 2.0 * m - tMinus45;

    r.tbV = tV;
    r.tbH = tH;
    r.tbPlus45 = tPlus45;
    r.tbMinus45 = tMinus45;
    r.tbUp = tUp;
    r.tbDown = tDown;
    r.opacity = tau;
    r.transmittance = gamma;
    r.emissivityV = e.v;
    r.emissivityH = e.h;
    r.omegaV = omega.v;
    r.omegaH = omega.h;
    r.thirdStokes = u;
    return r;
}

std::string ConversionErrorMessage(const std::string& text) { return "'" + text + "' is not a valid floating point value"; }

CalculationOutcome RunCalculationRequest(const CalculationInputs& inputs, const ProfileStore& profile) {
    CalculationOutcome outcome;
    outcome.inputs = inputs;
    outcome.message = FirstRangeFailure(inputs.frequency, inputs.angle, inputs.azimuth, inputs.seaTemperature,
                                        inputs.salinity, inputs.wind);
    if (!outcome.message.empty()) {
        outcome.status = CalculationStatus::rangeError;
        return outcome;
    }
    outcome.result = Calculate(inputs, profile);
    return outcome;
}

CalculationOutcome RunCalculationRequest(const CalculationInputTexts& texts, char separator,
                                         const ProfileStore& profile) {
    std::array<double, 7> values{};
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::optional<double> value = ParseUserNumber(texts[i], separator);
        if (!value) {
            CalculationOutcome outcome;
            outcome.status = CalculationStatus::conversionError;
            outcome.message = ConversionErrorMessage(texts[i]);
            return outcome;
        }
        values[i] = *value;
    }
    const CalculationInputs inputs{values[0], values[1], values[2], values[3], values[4], values[5], values[6]};
    return RunCalculationRequest(inputs, profile);
}

}  // namespace seasky
