#include "common/interpolate.h"

namespace seasky {

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
