#include "common/interpolate.h"

namespace seasky {

double LinearInterpolate(double x0, double y0, double x1, double y1, double x) {
    if (x0 != x1) return y0 + (y1 - y0) / (x1 - x0) * (x - x0);
    if (y0 != y1) return (y0 + y1) * 0.5;
    return y1;
}

double ArrayMaximum(const double* values, int count) {
    double result = values[0];
    for (int i = 1; i < count; ++i)
        if (values[i] > result) result = values[i];
    return result;
}

double ArrayMinimum(const double* values, int count) {
    double result = values[0];
    for (int i = 1; i < count; ++i)
        if (values[i] < result) result = values[i];
    return result;
}

}  // namespace seasky
