// Powers of the wind speed shared by the polynomial wind models.
#pragma once

#include <cmath>

namespace seasky {

// w and w^1 .. w^5 (k-th power in power[k - 1]), each from the general power function.
struct WindSpeedPowers {
    double w = 0.0;
    double power[5] = {};
};

inline WindSpeedPowers WindSpeedPowersOf(double w) {
    WindSpeedPowers p;
    p.w = w;
    for (int k = 0; k < 5; ++k) p.power[k] = std::pow(w, static_cast<double>(k + 1));
    return p;
}

}  // namespace seasky
