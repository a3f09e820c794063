#include "surface/flat_sea_emissivity.h"

#include <cmath>

#include "surface/sea_water_permittivity.h"

namespace seasky {

IncidenceGeometry IncidenceGeometryOf(double angle) { return {std::pow(std::sin(angle), 2.0), std::cos(angle)}; }

IncidenceGeometry IncidenceGeometryOfDegrees(double theta) { return IncidenceGeometryOf(theta * kPi * (1.0 / 180.0)); }

EmissivityPair FlatSurfaceReflectivity(std::complex<double> eps, const IncidenceGeometry& geometry) {
    const double c = geometry.cos;
    // Normal component of the refracted wave vector (in units of the vacuum wave
    // number): principal root of eps - sin^2, in the first quadrant for e'' > 0.
    const std::complex<double> q = std::sqrt(eps - geometry.sin2);
    // Fresnel amplitude coefficients for vertical (parallel) and horizontal
    // (perpendicular) polarisation.
    const std::complex<double> epsC = eps * c;
    const std::complex<double> rV = (epsC - q) / (epsC + q);
    const std::complex<double> rH = (c - q) / (c + q);
    // |r|^2 as the real part of r conj(r).
    return {rV.real() * rV.real() + rV.imag() * rV.imag(), rH.real() * rH.real() + rH.imag() * rH.imag()};
}

EmissivityPair FlatSurfaceReflectivity(std::complex<double> eps, double angle) {
    return FlatSurfaceReflectivity(eps, IncidenceGeometryOf(angle));
}

EmissivityPair FlatSurfaceEmissivity(std::complex<double> eps, const IncidenceGeometry& geometry) {
    const EmissivityPair r = FlatSurfaceReflectivity(eps, geometry);
    return {1.0 - r.v, 1.0 - r.h};
}

EmissivityPair SpecularEmissivity(FrequencyCode code, double theta, double t, double s) {
    return FlatSurfaceEmissivity(SeaWaterPermittivity(t, s, code), IncidenceGeometryOfDegrees(theta));
}

}  // namespace seasky
