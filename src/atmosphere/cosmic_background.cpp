#include "atmosphere/cosmic_background.h"

#include <cmath>

#include "common/constants.h"

namespace seasky {

namespace {

constexpr double kPlanck = 6.6260755e-34;         // J s
constexpr double kBoltzmann = 1.380658e-23;       // J / K
constexpr double kReferenceTemperature = 63.0;    // K, where the Rayleigh-Jeans offset is taken

}  // namespace

double EffectiveCosmicTemperature(double f) {
    const double x = kPlanck / kBoltzmann * (f * 1.0e9);  // K
    // exp(y) - 1 as the authors' code forms it (expm1 would differ by up to
    // 2e-12 relative at 1.4 GHz, where x/2.73 is 0.025: far below any
    // physical meaning, but the choice reproduces their code).
    return x / (std::exp(x / kCosmicBackground) - 1.0) - x / (std::exp(x / kReferenceTemperature) - 1.0) +
           kReferenceTemperature;
}

double CosmicTemperature(double f, CosmicModel model) {
    return model == CosmicModel::effective ? EffectiveCosmicTemperature(f) : kCosmicBackground;
}

}  // namespace seasky
