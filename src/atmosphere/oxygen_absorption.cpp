#include "atmosphere/oxygen_absorption.h"

#include <cmath>

#include "common/constants.h"
#include "common/dual_math.h"

namespace seasky {

namespace {

template <class Real>
void AddLevel(BasicOxygenLevels<Real>& levels, const Real& T, const Real& P, const Real& rho) {
    using std::log;
    const int i = levels.count++;
    const Real theta = 300.0 / T;
    const Real theta1 = theta - 1.0;
    // theta^0.8 and the 40 line strengths from one call of the vector exponential.
    Real x[kOxygenLineCount + 1];
    x[0] = 0.8 * log(theta);
    for (int k = 0; k < kOxygenLineCount; ++k) x[k + 1] = -OxygenLineTable[k].be * theta1;
    ExpInPlace(x, kOxygenLineCount + 1);
    const Real b = x[0];
    const Real e = rho * T / 217.0;  // water-vapour partial pressure, mb
    const Real pd = P - e;           // dry-air partial pressure, mb
    // Width scale in GHz: dry air broadens with theta^0.8, vapour 1.1 times as strongly.
    const Real d = 0.001 * (pd * b + 1.1 * e * theta);
    levels.theta[i] = theta;
    levels.dryPressure[i] = pd;
    levels.thetaCubed[i] = theta * theta * theta;
    levels.nonResonantWidth[i] = 0.56 * d;
    for (int k = 0; k < kOxygenLineCount; ++k) {
        const OxygenLine& line = OxygenLineTable[k];
        const Real gamma = line.width * d;
        levels.width[k][i] = gamma;
        levels.widthSquared[k][i] = gamma * gamma;
        levels.coupling[k][i] = 0.001 * P * b * (line.y + line.v * theta1);
        levels.strength[k][i] = line.strength * x[k + 1];
    }
}

// All kLevelBlock lanes are computed (lanes beyond count hold zeros or earlier
// values and are not returned): a fixed trip count that vectorises.
template <class Real>
inline void Absorption(const BasicOxygenLevels<Real>& levels, double F, Real* out) {
    const double F2 = F * F;
    Real sum[kLevelBlock];
    for (int i = 0; i < kLevelBlock; ++i) {
        const Real w0 = levels.nonResonantWidth[i];
        sum[i] = 1.6e-17 * F2 * w0 / (levels.theta[i] * (F2 + w0 * w0));
    }
    for (int k = 0; k < kOxygenLineCount; ++k) {
        const double fk = OxygenLineTable[k].frequency;
        const double dm = F - fk;
        const double dp = F + fk;
        const double ratio = F / fk;
        const double ratio2 = ratio * ratio;
        const double dm2 = dm * dm;
        const double dp2 = dp * dp;
        for (int i = 0; i < kLevelBlock; ++i) {
            const Real gamma = levels.width[k][i];
            const Real y = levels.coupling[k][i];
            const Real g1 = (gamma + dm * y) / (dm2 + levels.widthSquared[k][i]);
            const Real g2 = (gamma - dp * y) / (dp2 + levels.widthSquared[k][i]);
            sum[i] += levels.strength[k][i] * (g1 + g2) * ratio2;
        }
    }
    for (int i = 0; i < levels.count; ++i)
        out[i] = 5.034e11 * sum[i] * levels.dryPressure[i] * levels.thetaCubed[i] / kPi;
}

}  // namespace

void AddOxygenLevel(OxygenLevels& levels, double T, double P, double rho) { AddLevel<double>(levels, T, P, rho); }
void AddOxygenLevel(BasicOxygenLevels<LevelDual>& levels, const LevelDual& T, const LevelDual& P,
                    const LevelDual& rho) {
    AddLevel<LevelDual>(levels, T, P, rho);
}

SEASKY_CLONES void OxygenAbsorption(const OxygenLevels& levels, double F, double* out) {
    Absorption<double>(levels, F, out);
}
void OxygenAbsorption(const BasicOxygenLevels<LevelDual>& levels, double F, LevelDual* out) {
    Absorption<LevelDual>(levels, F, out);
}

double OxygenAbsorption(double T, double P, double rho, double F) {
    OxygenLevels levels;
    AddOxygenLevel(levels, T, P, rho);
    double out[kLevelBlock];
    OxygenAbsorption(levels, F, out);
    return out[0];
}

}  // namespace seasky
