// Cost of the clear-air absorption and of the radiative transfer through a profile.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>

#include "atmosphere/atmosphere_radiation.h"
#include "atmosphere/gas_absorption.h"

namespace {

using namespace seasky;

void BM_GasAbsorption(benchmark::State& state) {
    double f = 22.235;
    for (auto _ : state) {
        benchmark::DoNotOptimize(f);
        benchmark::DoNotOptimize(GasAbsorption(f, 288.15, 1013.25, 11.5));
    }
}
BENCHMARK(BM_GasAbsorption);

// 50 levels from 0 to 50 km (1 km apart, 500 grid layers), a lapse-rate
// temperature, exponential pressure and humidity, a cloud at 1-2 km.
ProfileStore FiftyLevels() {
    ProfileStore s;
    for (int i = 0; i < 50; ++i) {
        const double h = i * 1000.0 * 50.0 / 49.0;
        s.height.push_back(h);
        s.airTemperature.push_back(std::max(288.15 - 0.0065 * h, 216.65));
        s.pressure.push_back(1013.25 * std::exp(-h / 7500.0));
        s.absoluteHumidity.push_back(11.5 * std::exp(-h / 2000.0));
        s.cloudWater.push_back(h >= 1000.0 && h <= 2100.0 ? 0.2 : 0.0);
    }
    s.levelCount = 50;
    return s;
}

void BM_AtmosphereRadiation(benchmark::State& state) {
    const ProfileStore profile = FiftyLevels();
    const double band = static_cast<double>(state.range(0)) / 10.0;
    for (auto _ : state) benchmark::DoNotOptimize(AtmosphereRadiation(0.0, 36.5, band, 53.1, profile));
    state.SetLabel(band > 0 ? "0.4 GHz band (5 sub-frequencies)" : "one frequency");
}
BENCHMARK(BM_AtmosphereRadiation)->Arg(0)->Arg(4)->Unit(benchmark::kMicrosecond);

}  // namespace
