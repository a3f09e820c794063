#include "atmosphere/nitrogen_absorption.h"

#include <cmath>

#include "common/dual_math.h"

namespace seasky {

namespace {

template <class Real>
BasicNitrogenLevel<Real> LevelOf(const Real& T, const Real& P) {
    using std::log;
    const Real theta = 300.0 / T;
    Real power = 3.6 * log(theta);
    ExpInPlace(&power, 1);
    return {P * P, power};
}

template <class Real>
Real Absorption(const BasicNitrogenLevel<Real>& level, double F) {
    const double fr = F / 450.0;
    const double g = 0.5 + 0.5 / (1.0 + fr * fr);
    return 1.29 * 6.5e-14 * g * level.pressureSquared * (F * F) * level.temperatureFactor;
}

}  // namespace

NitrogenLevel NitrogenLevelOf(double T, double P) { return LevelOf<double>(T, P); }
BasicNitrogenLevel<LevelDual> NitrogenLevelOf(const LevelDual& T, const LevelDual& P) {
    return LevelOf<LevelDual>(T, P);
}

double NitrogenAbsorption(const NitrogenLevel& level, double F) { return Absorption<double>(level, F); }
LevelDual NitrogenAbsorption(const BasicNitrogenLevel<LevelDual>& level, double F) {
    return Absorption<LevelDual>(level, F);
}

double NitrogenAbsorption(double T, double P, double F) { return NitrogenAbsorption(NitrogenLevelOf(T, P), F); }

}  // namespace seasky
