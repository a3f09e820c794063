// The cost of the derivatives: the whole K-matrix of one channel (the five
// surface inputs and the temperature, pressure, humidity and cloud water of
// every level) beside the forward calculation of the same channel, in the same
// run, on a 50-level profile. The target is at most 4 times the forward time.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

#include "app/jacobian.h"
#include "app/profile_reader.h"
#include "app/sensor.h"
#include "app/standard_atmospheres.h"

namespace {

using namespace seasky;

// The midlatitude-summer atmosphere on 50 levels 1 km apart from 0 to 49 km:
// temperature and cloud water linear in height between the bundled levels,
// pressure and humidity log-linear.
ProfileStore FiftyLevels() {
    const ProfileStore a = ParseProfileText(FindStandardAtmosphere("midlatitude-summer")->text).profile;
    ProfileStore s;
    s.levelCount = 50;
    for (int i = 0; i < 50; ++i) {
        const double h = 1000.0 * i;
        int k = 0;
        while (k + 2 < a.levelCount && a.height[k + 1] < h) ++k;
        const double t = (h - a.height[k]) / (a.height[k + 1] - a.height[k]);
        auto linear = [t, k](const std::vector<double>& v) { return v[k] + t * (v[k + 1] - v[k]); };
        auto logLinear = [t, k](const std::vector<double>& v) {
            return v[k] > 0.0 && v[k + 1] > 0.0 ? v[k] * std::pow(v[k + 1] / v[k], t) : v[k] + t * (v[k + 1] - v[k]);
        };
        s.height.push_back(h);
        s.airTemperature.push_back(linear(a.airTemperature));
        s.pressure.push_back(logLinear(a.pressure));
        s.absoluteHumidity.push_back(logLinear(a.absoluteHumidity));
        s.cloudWater.push_back(linear(a.cloudWater));
    }
    return s;
}

// One AMSR2 channel: centre, passband width (GHz), polarisation, 55 degrees.
Sensor OneChannel(double centre, double width, Polarisation p) {
    Sensor s;
    s.name = "bench";
    Channel c;
    c.name = "channel";
    c.centre = centre;
    c.subBands = {{centre, width}};
    c.polarisation = p;
    c.incidenceAngle = 55.0;
    s.channels.push_back(c);
    return s;
}

void Register(const std::string& name, double centre, double width, Polarisation p) {
    const ProfileStore profile = FiftyLevels();
    const Sensor sensor = OneChannel(centre, width, p);
    SceneSurface scene;
    scene.azimuth = 40.0;
    benchmark::RegisterBenchmark(("Jacobian/forward/" + name).c_str(), [=](benchmark::State& state) {
        const int channel[1] = {0};
        for (auto _ : state) benchmark::DoNotOptimize(CalculateChannels(sensor, channel, scene, ViewOf(profile)));
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("Jacobian/kmatrix/" + name).c_str(), [=](benchmark::State& state) {
        for (auto _ : state)
            benchmark::DoNotOptimize(ChannelWithJacobian(sensor.channels[0], scene, ViewOf(profile)));
    })->Unit(benchmark::kMicrosecond);
}

const bool registered = [] {
    Register("50levels/amsr2-18.7V", 18.7, 0.2, Polarisation::V);
    Register("50levels/amsr2-23.8H", 23.8, 0.4, Polarisation::H);
    Register("50levels/amsr2-89.0V", 89.0, 3.0, Polarisation::V);
    return true;
}();

}  // namespace
