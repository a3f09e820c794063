#include "app/calculation_cost.h"

#include "atmosphere/layer_transfer.h"
#include "atmosphere/transfer_grid.h"

namespace seasky {

CalculationCost CostOf(const ProfileView& profile, std::span<const SubBand> passband, bool derivatives) {
    CalculationCost c;
    c.derivatives = derivatives;
    c.levels = profile.levelCount;
    c.layers = TransferGridSize(profile.height, profile.levelCount);
    for (const SubBand& b : passband) c.subFrequencies += SubFrequencyCount(b.centre, b.width);
    c.work = c.subFrequencies * (kBeamDirections * c.layers + c.levels) * (derivatives ? kDerivativeWorkFactor : 1.0);
    return c;
}

std::optional<ValidationFailure> CheckCost(const CalculationCost& cost) {
    if (std::optional<ValidationFailure> f = Check(Checked::SubFrequencies, cost.subFrequencies)) return f;
    if (cost.derivatives)
        if (std::optional<ValidationFailure> f = Check(Checked::DerivativeLevels, cost.levels)) return f;
    return Check(Checked::CalculationWork, cost.work);
}

std::optional<ValidationFailure> CheckCalculationCost(double frequency, double band, const ProfileView& profile,
                                                      bool derivatives) {
    const SubBand b{frequency, band};
    return CheckCost(CostOf(profile, std::span<const SubBand>(&b, 1), derivatives));
}

}  // namespace seasky
