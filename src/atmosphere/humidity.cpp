#include "atmosphere/humidity.h"

#include <cmath>

#include "common/constants.h"

namespace seasky {

namespace {

constexpr double kDryAir = 287.05;    // R_d, J/(kg K)
constexpr double kEpsilon = 0.62198;  // R_d / R_v
constexpr double kVapour = kDryAir / kEpsilon;  // R_v, J/(kg K)

}  // namespace

double SaturationVapourPressure(double T) {
    const double t = T - kKelvinOffset;
    return 6.112 * std::exp(17.67 * t / (t + 243.5));
}

double VapourPressureFromDewPoint(double Td) { return SaturationVapourPressure(Td); }

double VapourPressureFromRelativeHumidity(double rh, double T) { return rh / 100.0 * SaturationVapourPressure(T); }

double VapourPressureFromMixingRatio(double w, double p) { return w * p / (kEpsilon + w); }

double VapourPressureFromSpecificHumidity(double q, double p) { return q * p / (kEpsilon + (1.0 - kEpsilon) * q); }

double AbsoluteHumidity(double e, double T) {
    // e in hPa: 100 Pa; the density in kg/m^3 times 1000 g/kg.
    return e * 100.0 / (kVapour * T) * 1000.0;
}

double GeometricHeightFromGeopotential(double phi) {
    const double H = phi / kStandardGravity;
    return kStandardEarthRadius * H / (kStandardEarthRadius - H);
}

}  // namespace seasky
