// Powers of the wind speed shared by the polynomial wind models.
#pragma once

#include <cmath>

namespace seasky {

// w and w^1 .. w^5 (k-th power in power[k - 1]), each from the general power function.
template <class Real>
struct BasicWindSpeedPowers {
    Real w = 0.0;
    Real power[5] = {};
};
using WindSpeedPowers = BasicWindSpeedPowers<double>;

template <class Real>
inline BasicWindSpeedPowers<Real> WindSpeedPowersOf(const Real& w) {
    using std::pow;
    BasicWindSpeedPowers<Real> p;
    p.w = w;
    for (int k = 0; k < 5; ++k) p.power[k] = pow(w, static_cast<double>(k + 1));
    return p;
}

}  // namespace seasky
