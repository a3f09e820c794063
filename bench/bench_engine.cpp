// The whole calculation, the current engine beside the frozen baseline (baseline.h)
// in the same run: the four cases whose speed-up is tracked, and the growth of
// the cost with the number of profile levels and grid layers.
//
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

#include "app/calculation.h"
#include "app/profile_reader.h"
#include "app/standard_atmospheres.h"
#include "atmosphere/atmosphere_radiation.h"
#include "baseline.h"

namespace {

using namespace seasky;

ProfileStore MidlatitudeSummer() { return ParseProfileText(FindStandardAtmosphere("midlatitude-summer")->text).profile; }

// levels levels 100 m apart from the ground up (levels x 100 m tall, as many 100 m
// grid layers as levels): a 6.5 K/km lapse rate down to 216.65 K, then isothermal,
// pressure with a 7.5 km and humidity with a 2 km scale height, a 0.2 g/m^3
// cloud between 1 and 2 km.
ProfileStore TallProfile(int levels) {
    ProfileStore s;
    s.levelCount = levels;
    for (int i = 0; i < levels; ++i) {
        const double h = 100.0 * i + 25.0;
        s.height.push_back(h);
        s.airTemperature.push_back(std::fmax(288.15 - 0.0065 * h, 216.65));
        s.pressure.push_back(1013.25 * std::exp(-h / 7500.0));
        s.absoluteHumidity.push_back(11.5 * std::exp(-h / 2000.0));
        s.cloudWater.push_back(h >= 1000.0 && h <= 2000.0 ? 0.2 : 0.0);
    }
    return s;
}

template <bool kBaseline>
void Run(benchmark::State& state, const ProfileStore& profile, const CalculationInputs& in) {
    for (auto _ : state) {
        if constexpr (kBaseline) benchmark::DoNotOptimize(baseline::Calculate(in, profile));
        else benchmark::DoNotOptimize(Calculate(in, profile));
    }
    // Time per profile level plus grid layer: constant when the cost is linear in both.
    const double layers = static_cast<double>(RadiationGrid(profile.height.data(), profile.levelCount).size());
    state.counters["per_level_or_layer"] = benchmark::Counter(
        profile.levelCount + layers, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

CalculationInputs Inputs(double f, double band) {
    CalculationInputs in;
    in.frequency = f;
    in.bandwidth = band;
    return in;
}

void Register(const std::string& name, const ProfileStore& profile, const CalculationInputs& in, bool withBaseline) {
    auto* current = benchmark::RegisterBenchmark(("Engine/current/" + name).c_str(),
                                                 [profile, in](benchmark::State& s) { Run<false>(s, profile, in); });
    current->Unit(benchmark::kMicrosecond);
    if (withBaseline) {
        benchmark::RegisterBenchmark(("Engine/baseline/" + name).c_str(),
                                     [profile, in](benchmark::State& s) { Run<true>(s, profile, in); })
            ->Unit(benchmark::kMicrosecond);
    }
}

const bool registered = [] {
    const ProfileStore summer = MidlatitudeSummer();
    Register("midlatitude-summer/18.7GHz", summer, Inputs(18.7, 0.0), true);
    Register("midlatitude-summer/18.7GHz/band0.4", summer, Inputs(18.7, 0.4), true);
    Register("midlatitude-summer/89GHz/band3", summer, Inputs(89.0, 3.0), true);
    // Tall profiles: levels + grid layers = 2 x levels. The baseline grows as
    // levels x layers and is measured up to 2000 levels.
    for (int levels : {250, 500, 1000, 2000, 4000, 8000})
        Register("tall/" + std::to_string(levels) + "levels/18.7GHz", TallProfile(levels), Inputs(18.7, 0.0),
                 levels <= 2000);
    return true;
}();

}  // namespace
