#include <gtest/gtest.h>

#include "catalogue/constant_table.h"
#include "quantity/construction.h"
#include "unit/unit_parser.h"
#include "unit/unit_text.h"

namespace drovik {
namespace {

struct ConstantCase {
  const char* text;
  const char* name;  // nullptr: not found
};

class SearchForConstantName : public ::testing::TestWithParam<ConstantCase> {};
TEST_P(SearchForConstantName, FindsOneRowOrNothing) {
  const PhysicalConstant* found = search_for_constant_name(GetParam().text);
  if (GetParam().name == nullptr) {
    EXPECT_EQ(found, nullptr);
  } else {
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->name, GetParam().name);
  }
}
INSTANTIATE_TEST_SUITE_P(
    NamesAndAliases, SearchForConstantName,
    ::testing::Values(
        ConstantCase{"c", "light speed"}, ConstantCase{"speed of light", "light speed"},
        ConstantCase{"lightspeed", "light speed"}, ConstantCase{"light speed", "light speed"},
        ConstantCase{"planck", "planck's constant"},
        ConstantCase{"reduced planck's constant", "reduced planck's constant"},
        ConstantCase{"faraday", "faraday constant"},
        ConstantCase{"stefan-boltzmann", "stefan-boltzmann constant"},
        ConstantCase{"stefan boltzmann", "stefan-boltzmann constant"},
        ConstantCase{"N_A", "avogadro's constant"}, ConstantCase{"avogadro", "avogadro's constant"},
        ConstantCase{"avogadro's number", "avogadro's constant"}, ConstantCase{"Planck", nullptr},
        ConstantCase{"C", nullptr}, ConstantCase{" light speed", nullptr},
        ConstantCase{"", nullptr}));

TEST(Constants, EveryUnitExpressionParses) {
  for (const PhysicalConstant& c : kConstants) {
    EXPECT_TRUE(from_unit_name(c.unit).has_value()) << c.name;
  }
  for (const ConstantAlias& a : kConstantAliases) {
    EXPECT_NE(search_for_constant_name(a.target), nullptr) << a.alias;
  }
}

struct UnitOfConstant {
  const char* name;
  double value;
  const char* rendered;
};

class ConstantQuantity : public ::testing::TestWithParam<UnitOfConstant> {};
TEST_P(ConstantQuantity, HoldsTheValueInTheParsedUnit) {
  Result<Drovik> q = constant(GetParam().name);
  ASSERT_TRUE(q);
  EXPECT_EQ(q->value, GetParam().value);
  EXPECT_EQ(as_string(*q->unit), GetParam().rendered);
}
INSTANTIATE_TEST_SUITE_P(
    Constants, ConstantQuantity,
    ::testing::Values(UnitOfConstant{"light speed", 299792458.0, "[m/s]"},
                      UnitOfConstant{"boltzmann", 1.380649e-23, "[J/K]"},
                      UnitOfConstant{"N_A", 6.02214076e+23, "[1/mol]"},
                      UnitOfConstant{"gravitational constant", 6.6743e-11, "[N.m2/kg2]"},
                      UnitOfConstant{"earth gravity", 9.80665, "[m/s2]"},
                      UnitOfConstant{"electron charge", 1.602176634e-19, "[C]"},
                      UnitOfConstant{"vacuum permittivity", 8.8541878188e-12, "[F/m]"},
                      UnitOfConstant{"faraday constant", 96485.33212331001, "[C/mol]"}));

TEST(ConstantQuantity, UnknownNamesFailWithTheText) {
  Result<Drovik> q = constant("no such constant");
  ASSERT_FALSE(q);
  EXPECT_EQ(q.error().message(), "Constant no such constant not found");
}

}  // namespace
}  // namespace drovik
