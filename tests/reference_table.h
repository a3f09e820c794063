// The end-to-end reference table tests/data/calculation-reference.csv: inputs
// and the expected results of whole calculations.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/calculation.h"
#include "test_support.h"

namespace seasky::test {

struct ReferenceRow {
    std::string profile;
    CalculationInputs inputs;
    std::vector<std::pair<std::string, double>> outputs;  // column name, expected value

    std::string Describe() const {
        std::ostringstream s;
        s << profile << " f=" << inputs.frequency << " angle=" << inputs.angle << " phi=" << inputs.azimuth
          << " t=" << inputs.seaTemperature << " S=" << inputs.salinity << " w=" << inputs.wind
          << " band=" << inputs.bandwidth;
        return s.str();
    }
};

inline std::vector<ReferenceRow> ReadCalculationReference() {
    std::ifstream in(TestData("calculation-reference.csv"));
    EXPECT_TRUE(in.is_open());
    std::string line;
    std::getline(in, line);
    std::vector<std::string> names;
    {
        std::stringstream header(line);
        std::string name;
        while (std::getline(header, name, ',')) names.push_back(name);
    }
    std::vector<ReferenceRow> rows;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        std::stringstream fields(line);
        std::string field;
        ReferenceRow row;
        std::getline(fields, row.profile, ',');
        double values[7];
        for (std::size_t i = 1; i < names.size(); ++i) {
            std::getline(fields, field, ',');
            const double v = std::stod(field);
            if (i <= 7) values[i - 1] = v;
            else row.outputs.emplace_back(names[i], v);
        }
        row.inputs = {values[0], values[1], values[2], values[3], values[4], values[5], values[6]};
        rows.push_back(row);
    }
    return rows;
}

// The result field of that column name.
inline double OutputOf(const CalculationResult& r, const std::string& name) {
    const std::pair<const char*, double> fields[] = {
        {"tbV", r.tbV},
        {"tbH", r.tbH},
        {"tbPlus45", r.tbPlus45},
        {"tbMinus45", r.tbMinus45},
        {"tbUp", r.tbUp},
        {"tbDown", r.tbDown},
        {"opacity", r.opacity},
        {"transmittance", r.transmittance},
        {"emissivityV", r.emissivityV},
        {"emissivityH", r.emissivityH},
        {"omegaV", r.omegaV},
        {"omegaH", r.omegaH},
        {"thirdStokes", r.thirdStokes},
    };
    for (const auto& [key, value] : fields)
        if (name == key) return value;
    ADD_FAILURE() << "no result column " << name;
    return 0.0;
}

}  // namespace seasky::test
