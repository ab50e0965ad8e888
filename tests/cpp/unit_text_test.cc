#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "catalogue/unit_table.h"
#include "test_helpers.h"
#include "unit/unit_arithmetic.h"
#include "unit/unit_word_resolution.h"

namespace drovik {
namespace {

using testing::units_of;

struct Factor {
  const char* word;  // resolved with search_for_unit_name
  double exponent;
};

struct RenderCase {
  std::vector<Factor> factors;
  const char* symbols;
  const char* names;
};

// Builds the collection entry by entry, so that exponents such as 1/3 or
// -1.5 can be given directly.
UnitCollection collection_of(const std::vector<Factor>& factors) {
  UnitCollection units;
  for (const Factor& f : factors)
    units = mul(units, pow(UnitCollection(*search_for_unit_name(f.word)), f.exponent));
  return units;
}

class Rendering : public ::testing::TestWithParam<RenderCase> {};

TEST_P(Rendering, WritesSymbolsAndNames) {
  UnitCollection units = collection_of(GetParam().factors);
  EXPECT_EQ(as_string(units), GetParam().symbols);
  EXPECT_EQ(as_descriptive_string(units), GetParam().names);
}

INSTANTIATE_TEST_SUITE_P(
    Collections, Rendering,
    ::testing::Values(
        RenderCase{{}, "[]", "[]"}, RenderCase{{{"m", 1}}, "[m]", "[meter]"},
        RenderCase{{{"m", 1}, {"s", -2}}, "[m/s2]", "[meter/second2]"},
        RenderCase{{{"s", -1}}, "[1/s]", "[1/second]"},
        RenderCase{{{"N", 1}, {"m", 2}, {"s", -2}}, "[N.m2/s2]", "[meter2.newton/second2]"},
        RenderCase{{{"W", 1}, {"m", -2}, {"K", -4}}, "[W/K4.m2]", "[watt/kelvin4.meter2]"},
        RenderCase{{{"J", 1}, {"K", -1}, {"mol", -1}}, "[J/K.mol]", "[joule/kelvin.mole]"},
        RenderCase{{{"m", 0.5}}, "[m0.5]", "[meter0.5]"},
        RenderCase{{{"m", 1.0 / 3}}, "[m0.3333333333333333]", "[meter0.3333333333333333]"},
        RenderCase{{{"s", -1.5}}, "[1/s1.5]", "[1/second1.5]"},
        RenderCase{{{"degree Celsius", 1}},
                   "[\xC2\xB0"
                   "C]",
                   "[degree Celsius]"},
        RenderCase{{{"km", 1}, {"hr", -1}}, "[km/hr]", "[kilometer/hour]"},
        RenderCase{{{"m", std::numeric_limits<double>::infinity()}}, "[minf]", "[meterinf]"},
        RenderCase{{{"\xCE\xA9", 1}, {"A", 1}, {"\xC3\x85", 1}, {"s", 0}},
                   "[A.\xC3\x85.\xCE\xA9]",
                   "[ampere.angstrom.ohm]"}));

TEST(Rendering, ZeroExponentsOfBaseUnitsAreHidden) {
  UnitCollection base = get_base_units(units_of("N"));
  EXPECT_EQ(as_string(base), "[kg.m/s2]");
  EXPECT_EQ(as_descriptive_string(base), "[kilogram.meter/second2]");
  EXPECT_EQ(as_string(pow(units_of("m"), 0)), "[]");
}

TEST(Rendering, AnEmptyWordStillTakesAFactorPlace) {
  const DimensionVector length{{0, 0, 0, 0, 0, 1, 0, 0}};
  UnitCollection blank(SingleUnit::custom("", "", 2.0, length));
  EXPECT_EQ(as_string(mul(blank, units_of("m"))), "[.m]");
  EXPECT_EQ(as_string(div(units_of("m"), blank)), "[m]");
  EXPECT_EQ(as_string(pow(blank, -1)), "[]");
}

}  // namespace
}  // namespace drovik
