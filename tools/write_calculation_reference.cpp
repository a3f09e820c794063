// Writes the end-to-end reference table tests/data/calculation-reference.csv:
// whole calculations (the seven results and the intermediate quantities) for a
// fixed set of inputs on the bundled standard atmospheres, every number in the
// shortest form that reads back to the identical double.
//
// The table is a record of the program's results at one point in its history,
// not something the build keeps up to date: the test calculation_reference
// checks that later versions reproduce it to 1e-12 relative. Rewrite it only
// for a deliberate change of the physics, and say in tests/data/README.md which
// columns moved and by how much.
//
// Usage: write_calculation_reference <output.csv>

#include <charconv>
#include <cstdio>
#include <string>
#include <vector>

#include "app/calculation.h"
#include "app/profile_reader.h"
#include "app/standard_atmospheres.h"

namespace {

using namespace seasky;

// The shortest decimal text that reads back to v.
std::string Text(double v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

struct Case {
    std::string profile;
    CalculationInputs inputs;
};

std::vector<Case> Cases() {
    std::vector<Case> cases;
    // The window's defaults on every bundled atmosphere.
    for (const StandardAtmosphere& a : StandardAtmospheres()) cases.push_back({std::string(a.name), {}});
    const double frequencies[] = {6.9, 10.65, 18.7, 23.8, 36.5, 89.0};
    const double bands[] = {0.0, 0.4, 3.0};
    const double angles[] = {0.0, 30.0, 53.1, 65.0};
    const double winds[] = {0.0, 7.0, 20.0};
    const double azimuths[] = {0.0, 45.0, 90.0, 180.0};
    // Frequency x band x angle on the midlatitude summer atmosphere, the surface
    // state cycling through the winds and azimuths.
    int i = 0;
    for (double f : frequencies)
        for (double band : bands)
            for (double angle : angles) {
                CalculationInputs in;
                in.frequency = f;
                in.bandwidth = band;
                in.angle = angle;
                in.wind = winds[i % 3];
                in.azimuth = azimuths[i % 4];
                in.seaTemperature = 5.0 + 3.0 * (i % 9);
                in.salinity = 30.0 + (i % 7);
                cases.push_back({"midlatitude-summer", in});
                ++i;
            }
    // Frequency x wind x azimuth on the cloudy tropical atmosphere.
    for (double f : frequencies)
        for (double w : winds)
            for (double phi : azimuths) {
                CalculationInputs in;
                in.frequency = f;
                in.wind = w;
                in.azimuth = phi;
                in.seaTemperature = 28.0;
                cases.push_back({"tropical-cloudy", in});
            }
    return cases;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_calculation_reference <output.csv>\n");
        return 1;
    }
    std::FILE* out = std::fopen(argv[1], "w");
    if (out == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    std::fprintf(out,
                 "profile,freq,angle,azimuth,temp,salinity,wind,band,tbV,tbH,tbPlus45,tbMinus45,tbUp,tbDown,opacity,"
                 "transmittance,emissivityV,emissivityH,omegaV,omegaH,thirdStokes\n");
    for (const Case& c : Cases()) {
        const ProfileStore profile = ParseProfileText(FindStandardAtmosphere(c.profile)->text).profile;
        const CalculationInputs& in = c.inputs;
        const CalculationResult r = Calculate(in, profile);
        std::string line = c.profile;
        for (double v : {in.frequency, in.angle, in.azimuth, in.seaTemperature, in.salinity, in.wind, in.bandwidth,
                         r.tbV, r.tbH, r.tbPlus45, r.tbMinus45, r.tbUp, r.tbDown, r.opacity, r.transmittance,
                         r.emissivityV, r.emissivityH, r.omegaV, r.omegaH, r.thirdStokes}) {
            line += ',';
            line += Text(v);
        }
        std::fprintf(out, "%s\n", line.c_str());
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
