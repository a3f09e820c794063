// The end-to-end reference table tests/data/calculation-reference.csv: inputs
// and the expected results of whole calculations.
#pragma once

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
    const CsvText csv = ReadCsvText(TestData("calculation-reference.csv"));
    std::vector<ReferenceRow> rows;
    for (const std::vector<std::string>& fields : csv.rows) {
        ReferenceRow row;
        row.profile = fields.at(0);
        double inputs[7];
        for (std::size_t i = 1; i < csv.names.size(); ++i) {
            const double v = std::stod(fields.at(i));
            if (i <= 7) inputs[i - 1] = v;
            else row.outputs.emplace_back(csv.names[i], v);
        }
        row.inputs = {inputs[0], inputs[1], inputs[2], inputs[3], inputs[4], inputs[5], inputs[6]};
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
