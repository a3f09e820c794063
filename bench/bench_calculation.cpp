// Cost of one whole calculation (default inputs) on each bundled atmosphere.
#include <benchmark/benchmark.h>

#include <string>

#include "app/calculation.h"
#include "app/profile_reader.h"
#include "app/standard_atmospheres.h"

namespace {

using namespace seasky;

void BM_Calculation(benchmark::State& state, const StandardAtmosphere& atmosphere, double band) {
    const ProfileStore profile = ParseProfileText(atmosphere.text).profile;
    CalculationInputs in;
    in.bandwidth = band;
    for (auto _ : state) benchmark::DoNotOptimize(Calculate(in, profile));
}

const bool registered = [] {
    for (const StandardAtmosphere& a : StandardAtmospheres())
        for (double band : {0.0, 0.4}) {
            const std::string name = "BM_Calculation/" + std::string(a.name) + (band > 0 ? "/band0.4" : "/band0");
            benchmark::RegisterBenchmark(name.c_str(), BM_Calculation, a, band)->Unit(benchmark::kMicrosecond);
        }
    return true;
}();

}  // namespace
