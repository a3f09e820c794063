// Whole calculations against the checked-in reference table (see
// tests/data/README.md): every result and intermediate to 1e-12 relative.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/calculation.h"
#include "app/profile_reader.h"
#include "app/standard_atmospheres.h"
#include "reference_table.h"
#include "test_support.h"

namespace seasky {
namespace {

TEST(CalculationReference, EveryRowThroughCalculate) {
    const std::vector<test::ReferenceRow> rows = test::ReadCalculationReference();
    ASSERT_EQ(rows.size(), 151u);
    for (const test::ReferenceRow& row : rows) {
        const ProfileStore profile = ParseProfileText(FindStandardAtmosphere(row.profile)->text).profile;
        const CalculationResult r = Calculate(row.inputs, profile);
        for (const auto& [name, expected] : row.outputs)
            EXPECT_TRUE(test::RelativelyNear(test::OutputOf(r, name), expected, 1e-12)) << row.Describe() << " " << name;
    }
}

}  // namespace
}  // namespace seasky
