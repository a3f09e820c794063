// A frozen copy of the radiative transfer and whole calculation as they were
// before the transfer was split into stages: one GasAbsorption call per level,
// sub-frequency and pass, every grid point resampled by a scan of every profile
// interval, two exponentials per layer and direction. The benchmarks run it
// beside the current code in the same process, so that the speed-up is measured
// on one machine in one run. Not used by the program.
#pragma once

#include "app/calculation.h"
#include "common/records.h"

namespace seasky::baseline {

AtmosphereRadiationResult Radiation(double viewFromTop, double F, double dF, double theta,
                                    const ProfileStore& profile);

// Calculate with the baseline transfer (the surface models are the current ones:
// they take well under 1 % of a calculation).
CalculationResult Calculate(const CalculationInputs& inputs, const ProfileStore& profile);

}  // namespace seasky::baseline
