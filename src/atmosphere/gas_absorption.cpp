#include "atmosphere/gas_absorption.h"

#include "atmosphere/nitrogen_absorption.h"
#include "atmosphere/oxygen_absorption.h"
#include "atmosphere/water_vapour_absorption.h"

namespace seasky {

GasAbsorptionRecord GasAbsorption(double F, double T, double P, double rho) {
    const double a = NitrogenAbsorption(T, P, F);
    const double o = OxygenAbsorption(T, P, rho, F);
    const double w = WaterVapourAbsorption(T, P, rho, F);
    return {(a + o) + w, o, w};
}

}  // namespace seasky
