#include "surface/flat_sea_emissivity.h"

#include <cmath>

#include "surface/sea_water_permittivity.h"

namespace seasky {

namespace {

template <class Real>
BasicIncidenceGeometry<Real> GeometryOf(const Real& angle) {
    using std::cos;
    using std::pow;
    using std::sin;
    return {pow(sin(angle), 2.0), cos(angle)};
}

template <class Real>
BasicEmissivityPair<Real> Reflectivity(const ComplexOf<Real>& eps, const BasicIncidenceGeometry<Real>& geometry) {
    using std::sqrt;
    using Complex = ComplexOf<Real>;
    const Real c = geometry.cos;
    // Normal component of the refracted wave vector (in units of the vacuum wave
    // number): principal root of eps - sin^2, in the first quadrant for e'' > 0.
    const Complex q = sqrt(eps - geometry.sin2);
    // Fresnel amplitude coefficients for vertical (parallel) and horizontal
    // (perpendicular) polarisation.
    const Complex epsC = eps * c;
    const Complex rV = (epsC - q) / (epsC + q);
    const Complex rH = (c - q) / (c + q);
    // |r|^2 as the real part of r conj(r).
    return {rV.real() * rV.real() + rV.imag() * rV.imag(), rH.real() * rH.real() + rH.imag() * rH.imag()};
}

}  // namespace

IncidenceGeometry IncidenceGeometryOf(double angle) { return GeometryOf<double>(angle); }

IncidenceGeometry IncidenceGeometryOfDegrees(double theta) { return IncidenceGeometryOf(theta * kPi * (1.0 / 180.0)); }

BasicIncidenceGeometry<CombineDual> IncidenceGeometryOfDegrees(const CombineDual& theta) {
    return GeometryOf<CombineDual>(theta * kPi * (1.0 / 180.0));
}

EmissivityPair FlatSurfaceReflectivity(std::complex<double> eps, const IncidenceGeometry& geometry) {
    return Reflectivity<double>(eps, geometry);
}

EmissivityPair FlatSurfaceReflectivity(std::complex<double> eps, double angle) {
    return FlatSurfaceReflectivity(eps, IncidenceGeometryOf(angle));
}

EmissivityPair FlatSurfaceEmissivity(std::complex<double> eps, const IncidenceGeometry& geometry) {
    const EmissivityPair r = FlatSurfaceReflectivity(eps, geometry);
    return {1.0 - r.v, 1.0 - r.h};
}

BasicEmissivityPair<CombineDual> FlatSurfaceEmissivity(const DualComplex<kCombineInputs>& eps,
                                                       const BasicIncidenceGeometry<CombineDual>& geometry) {
    const BasicEmissivityPair<CombineDual> r = Reflectivity<CombineDual>(eps, geometry);
    return {1.0 - r.v, 1.0 - r.h};
}

EmissivityPair SpecularEmissivity(FrequencyCode code, double theta, double t, double s) {
    return FlatSurfaceEmissivity(SeaWaterPermittivity(t, s, code), IncidenceGeometryOfDegrees(theta));
}

}  // namespace seasky
