#include "atmosphere/resample_profile.h"

#include "common/interpolate.h"

namespace seasky {

void ResampleProfile(const double* xs, const double* ys, int count, const double* xnew, double* ynew, int m) {
    for (int i = 0; i < m; ++i) {
        const double x = xnew[i];
        for (int j = 0; j + 1 < count; ++j) {
            const double a = xs[j];
            const double b = xs[j + 1];
            if ((a <= x && x <= b) || (b <= x && x <= a))
                ynew[i] = LinearInterpolate(a, ys[j], b, ys[j + 1], x);
        }
    }
}

}  // namespace seasky
