// Cost of one evaluation of the total sea-surface emissivity.
#include <benchmark/benchmark.h>

#include "surface/surface_emissivity.h"

namespace {

using namespace seasky;

// A typical observation: 53.1 degrees, azimuth 30, 20 C,
// 35 per mille, 10 m/s, at the frequency x 100 given as the argument.
void BM_SurfaceEmissivity(benchmark::State& state) {
    double x = static_cast<double>(state.range(0));
    double phi = 30.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(phi);
        benchmark::DoNotOptimize(SurfaceEmissivity(x, 53.1, phi, 20.0, 35.0, 10.0));
    }
}
// 6.9 GHz (no Stokes terms), 18.7 GHz (all terms), 89 GHz (no directional terms).
BENCHMARK(BM_SurfaceEmissivity)->Arg(690)->Arg(1870)->Arg(8900);

}  // namespace
