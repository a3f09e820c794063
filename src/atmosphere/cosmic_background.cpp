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
    return x / std::expm1(x / kCosmicBackground) - x / std::expm1(x / kReferenceTemperature) + kReferenceTemperature;
}

double CosmicTemperature(double f, CosmicModel model) {
    return model == CosmicModel::effective ? EffectiveCosmicTemperature(f) : kCosmicBackground;
}

}  // namespace seasky
