// Cost of one evaluation of the total sea-surface emissivity: the default model
// and the Meissner-Wentz (2012) model of the authors' code, on doubles and on
// dual numbers (the derivatives with respect to the five surface inputs).
#include <benchmark/benchmark.h>

#include "surface/mw2012_emissivity.h"
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

// The same observation through the Meissner-Wentz (2012) model (every term at
// every frequency: Stokes terms at 6.9 GHz, the 37 GHz direction signal at 89).
void BM_Mw2012Emissivity(benchmark::State& state) {
    double f = static_cast<double>(state.range(0)) / 100.0;
    double phi = 30.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(f);
        benchmark::DoNotOptimize(phi);
        benchmark::DoNotOptimize(Mw2012EmissivityParts(f, 53.1, phi, 20.0, 35.0, 10.0));
    }
}
BENCHMARK(BM_Mw2012Emissivity)->Arg(690)->Arg(1870)->Arg(8900);

// Both on dual numbers: the values with their derivatives with respect to the
// incidence angle, azimuth, sea temperature, salinity and wind.
struct SurfaceDuals {
    CombineDual theta = CombineDual::Variable(53.1, 7);
    CombineDual phi = CombineDual::Variable(30.0, 6);
    CombineDual t = CombineDual::Variable(20.0, 3);
    CombineDual s = CombineDual::Variable(35.0, 4);
    CombineDual w = CombineDual::Variable(10.0, 5);
};

void BM_SurfaceEmissivityDual(benchmark::State& state) {
    double x = static_cast<double>(state.range(0));
    const SurfaceDuals in;
    for (auto _ : state) {
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(
            SurfaceEmissivityParts(x, in.theta, in.phi, in.t, in.s, in.w, DirectionRows::VerticalHorizontal));
    }
}
BENCHMARK(BM_SurfaceEmissivityDual)->Arg(690)->Arg(1870)->Arg(8900);

void BM_Mw2012EmissivityDual(benchmark::State& state) {
    double f = static_cast<double>(state.range(0)) / 100.0;
    const SurfaceDuals in;
    for (auto _ : state) {
        benchmark::DoNotOptimize(f);
        benchmark::DoNotOptimize(Mw2012EmissivityParts(f, in.theta, in.phi, in.t, in.s, in.w));
    }
}
BENCHMARK(BM_Mw2012EmissivityDual)->Arg(690)->Arg(1870)->Arg(8900);

}  // namespace
