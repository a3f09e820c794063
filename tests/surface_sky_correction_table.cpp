// The generated coefficient tables of the reflected-sky correction: the printed
// rows, the grid structure and the least-squares fit to the published values.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "surface/sky_correction_table.h"

namespace seasky {
namespace {

struct PrintedRow {
    double transmittance, a0, a1, a2, a3;
};

// Angle 55, 37.0 GHz, as printed for the two tables.
constexpr std::array<PrintedRow, 8> kPrinted55At37V{{
    {0.95, 0.0781343, 0.0266012, -0.0486625, 0.0037495},
    {0.9, 0.0622115, 0.0010001, -0.0425084, 0.0191971},
    {0.8, 0.0357148, -0.0206229, -0.0309071, 0.0257506},
    {0.7, 0.0155151, -0.0259044, -0.0204068, 0.0208325},
    {0.6, 0.0052735, -0.0227295, -0.0202662, 0.0077247},
    {0.4, -0.0215554, -0.0435492, -0.0033582, 0.0184918},
    {0.2, -0.0324614, -0.0387677, 0.0073957, 0.0138114},
    {0.0, 0, 0, 0, 0},
}};
constexpr std::array<PrintedRow, 8> kPrinted55At37H{{
    {0.95, 0.240319, 0.0861205, -0.1262561, 0.0295018},
    {0.9, 0.2132066, 0.0769321, -0.1195673, 0.0189714},
    {0.8, 0.1674581, 0.0367897, -0.0978598, 0.0334769},
    {0.7, 0.1303877, 0.0191449, -0.0808112, 0.0311363},
    {0.6, 0.092985, 0.0023034, -0.058456, 0.0330093},
    {0.4, 0.0420117, -0.0042814, -0.0320081, 0.014279},
    {0.2, 0.0049413, -0.0219262, -0.0149595, 0.0119383},
    {0.0, 0, 0, 0, 0},
}};
// Angle 0, 6.8 GHz: the first rows of both tables.
constexpr std::array<PrintedRow, 8> kPrintedFirstRows{{
    {0.95, 0.063594, 0.0807486, 0.0064353, -0.010768},
    {0.9, 0.0639262, 0.0799453, 0.0011286, -0.0149817},
    {0.8, 0.0576292, 0.0636039, 0.0022296, -0.0035101},
    {0.7, 0.0579614, 0.0628006, -0.003077, -0.0077238},
    {0.6, 0.0483355, 0.0535409, 0.001976, -0.0037478},
    {0.4, 0.0423708, 0.0363961, -0.0022296, 0.0035101},
    {0.2, 0.0258322, 0.0232296, -0.000988, 0.0018739},
    {0.0, 0, 0, 0, 0},
}};

// The row of a grid point, found by scanning the keys.
const SkyCorrectionRow* FindRow(const SkyCorrectionTable& table, double angle, double frequency,
                                double transmittance) {
    for (const SkyCorrectionRow& row : table)
        if (row.angle == angle && row.frequency == frequency && row.transmittance == transmittance) return &row;
    return nullptr;
}

void ExpectPrinted(const SkyCorrectionTable& table, double angle, double frequency,
                   const std::array<PrintedRow, 8>& printed, int firstIndex) {
    for (std::size_t i = 0; i < printed.size(); ++i) {
        const PrintedRow& p = printed[i];
        const SkyCorrectionRow& row = table[firstIndex + i];
        SCOPED_TRACE(::testing::Message() << angle << " deg, " << frequency << " GHz, " << p.transmittance);
        EXPECT_EQ(row.angle, angle);
        EXPECT_EQ(row.frequency, frequency);
        EXPECT_EQ(row.transmittance, p.transmittance);
        EXPECT_EQ(row.a0, p.a0);
        EXPECT_EQ(row.a1, p.a1);
        EXPECT_EQ(row.a2, p.a2);
        EXPECT_EQ(row.a3, p.a3);
    }
}

TEST(SkyCorrectionTable, PrintedRowsAreReproducedExactly) {
    ExpectPrinted(SkyCorrectionTableV, 0.0, 6.8, kPrintedFirstRows, 0);
    ExpectPrinted(SkyCorrectionTableH, 0.0, 6.8, kPrintedFirstRows, 0);
    // Angle 55 is the fourth angle, 37.0 GHz the fifth frequency.
    ExpectPrinted(SkyCorrectionTableV, 55.0, 37.0, kPrinted55At37V, (3 * 6 + 4) * 8);
    ExpectPrinted(SkyCorrectionTableH, 55.0, 37.0, kPrinted55At37H, (3 * 6 + 4) * 8);
}

TEST(SkyCorrectionTable, CompleteGridInTableOrder) {
    const double angles[] = {0, 30, 45, 55, 65};
    const double frequencies[] = {6.8, 10.7, 18.7, 23.8, 37.0, 89.0};
    const double transmittances[] = {0.95, 0.9, 0.8, 0.7, 0.6, 0.4, 0.2, 0.0};
    for (const SkyCorrectionTable* table : {&SkyCorrectionTableV, &SkyCorrectionTableH}) {
        ASSERT_EQ(table->size(), 240u);
        std::set<std::tuple<double, double, double>> keys;
        std::size_t index = 0;
        for (double angle : angles)
            for (double frequency : frequencies)
                for (double transmittance : transmittances) {
                    const SkyCorrectionRow& row = (*table)[index++];
                    EXPECT_EQ(row.angle, angle);
                    EXPECT_EQ(row.frequency, frequency);
                    EXPECT_EQ(row.transmittance, transmittance);
                    keys.emplace(row.angle, row.frequency, row.transmittance);
                }
        EXPECT_EQ(keys.size(), 240u);  // each combination exactly once
        EXPECT_EQ(table->front().transmittance, 0.95);
        EXPECT_EQ(table->back().angle, 65.0);
    }
}

TEST(SkyCorrectionTable, ZeroOpaqueRowsEqualNadirRowsSevenDecimals) {
    for (std::size_t i = 0; i < SkyCorrectionTableV.size(); ++i) {
        const SkyCorrectionRow& v = SkyCorrectionTableV[i];
        const SkyCorrectionRow& h = SkyCorrectionTableH[i];
        for (const SkyCorrectionRow& row : {v, h}) {
            if (row.transmittance == 0.0) {
                EXPECT_EQ(row.a0, 0.0);
                EXPECT_EQ(row.a1, 0.0);
                EXPECT_EQ(row.a2, 0.0);
                EXPECT_EQ(row.a3, 0.0);
            }
            for (double a : {row.a0, row.a1, row.a2, row.a3})
                EXPECT_NEAR(a * 1e7, std::round(a * 1e7), 1e-6) << "more than 7 decimals: " << a;
        }
        if (v.angle == 0.0) {
            EXPECT_EQ(v.a0, h.a0);
            EXPECT_EQ(v.a1, h.a1);
            EXPECT_EQ(v.a2, h.a2);
            EXPECT_EQ(v.a3, h.a3);
        }
    }
}

// Every fitted row is the least-squares cubic through (0 m/s, 0) and the four
// published values: its residuals r at u_i = (w_i - 10) / 10 satisfy the normal
// equations sum r_i u_i^j = 0 (j = 0..3) up to the 7-decimal rounding of the
// coefficients (at most 5e-8 each, so at most 4 * 5e-8 per point and 1e-6 per sum).
TEST(SkyCorrectionTable, RowsAreLeastSquaresFitsOfThePublishedValues) {
    std::ifstream in(std::string(SEASKY_SOURCE_DIR) + "/data/reflected-sky-omega.csv");
    ASSERT_TRUE(in.is_open());
    std::string line;
    std::getline(in, line);
    // (table, angle, frequency, transmittance) -> published (u, Omega), wind 0 first.
    std::map<std::tuple<int, double, double, double>, std::vector<std::pair<double, double>>> points;
    int count = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line == "\r") continue;
        std::istringstream fields(line);
        double value[6];
        char comma;
        fields >> value[0] >> comma >> value[1] >> comma >> value[2] >> comma >> value[3] >> comma >> value[4] >>
            comma >> value[5];
        ASSERT_FALSE(fields.fail()) << line;
        for (int p = 0; p < 2; ++p) {
            auto& list = points[{p, value[0], value[1], value[2]}];
            if (list.empty()) list.emplace_back(-1.0, 0.0);
            list.emplace_back((value[3] - 10.0) / 10.0, value[4 + p]);
        }
        ++count;
    }
    EXPECT_EQ(count, 840);
    EXPECT_EQ(points.size(), 2u * 5 * 6 * 7);
    for (const auto& [key, list] : points) {
        const auto& [p, angle, frequency, transmittance] = key;
        SCOPED_TRACE(::testing::Message() << (p ? "H " : "V ") << angle << " deg, " << frequency << " GHz, "
                                          << transmittance);
        ASSERT_EQ(list.size(), 5u);
        const SkyCorrectionRow* row = FindRow(p ? SkyCorrectionTableH : SkyCorrectionTableV, angle, frequency,
                                              transmittance);
        ASSERT_NE(row, nullptr);
        double normal[4] = {0, 0, 0, 0};
        for (const auto& [u, omega] : list) {
            const double fitted = row->a0 + row->a1 * u + row->a2 * u * u + row->a3 * u * u * u;
            const double r = fitted - omega;
            EXPECT_LT(std::abs(r), 0.02);  // the cubic follows the two-decimal values
            for (int j = 0; j < 4; ++j) normal[j] += r * std::pow(u, j);
        }
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(normal[j], 0.0, 1.1e-6) << "u^" << j;
    }
}

}  // namespace
}  // namespace seasky
