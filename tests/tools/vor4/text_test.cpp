// The tool's text edges: number texts and comma-separated option values.
#include <gtest/gtest.h>

#include <cmath>

#include "failure.h"
#include "text.h"

namespace {

TEST(Vor4Text, NumbersReadBackAndStayPlainAtEverydayMagnitudes) {
    const struct { double value; const char* text; } rows[] = {
        {1e6, "1000000"}, {0.5, "0.5"}, {-2.75, "-2.75"}, {0, "0"}, {1e-4, "0.0001"}, {1e-5, "1e-05"},
        {1e15, "1e+15"}, {0.1 + 0.2, "0.30000000000000004"}, {NAN, "nan"}, {-INFINITY, "-inf"}};
    for (const auto& r : rows) EXPECT_EQ(vor4::format_number(r.value), r.text) << r.text;
    EXPECT_EQ(vor4::format_number(0.1f), "0.1");
    EXPECT_EQ(vor4::format_number(16777216.0f), "16777216");
}

TEST(Vor4Text, OptionListsTakeOnlyTheAllowedCounts) {
    EXPECT_EQ(vor4::parse_numbers("1,-2.5", "--origin", {2, 3}), (std::vector<double>{1, -2.5}));
    EXPECT_EQ(vor4::parse_counts("4,3,2", "--grid", {2, 3}), (std::vector<long long>{4, 3, 2}));
    for (const char* bad : {"1,,2", "1,x", "", "1,2,", "1.5,2"}) EXPECT_THROW(vor4::parse_counts(bad, "--grid", {2, 3}), vor4::UsageError) << bad;
    EXPECT_THROW(vor4::parse_numbers("1,2,3,4", "--cell", {2, 3}), vor4::UsageError);
}

}  // namespace
