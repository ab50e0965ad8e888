#include "unit/unit_arithmetic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "test_helpers.h"

namespace drovik {
namespace {

using testing::units_of;

TEST(Mul, SumsTheExponentsOfEqualUnits) {
  UnitCollection m2 = mul(units_of("m"), units_of("m"));
  ASSERT_EQ(m2.size(), 1u);
  EXPECT_EQ(m2[0].exponent, 2.0);
  EXPECT_EQ(m2.scale(), 1.0);
  EXPECT_EQ(m2.dimensions()[5], 2.0);
  EXPECT_EQ(as_string(m2), "[m2]");
}

TEST(Div, EqualCollectionsCancelToTheUnitless) {
  UnitCollection none = div(units_of("m"), units_of("m"));
  EXPECT_EQ(none.size(), 0u);
  EXPECT_EQ(none.scale(), 1.0);
  EXPECT_EQ(as_string(none), "[]");
}

TEST(Div, DifferentUnitsOfOneDimensionDoNotMerge) {
  UnitCollection ratio = div(units_of("km"), units_of("m"));
  EXPECT_EQ(ratio.size(), 2u);
  EXPECT_EQ(ratio.scale(), 1000.0);
  EXPECT_EQ(ratio.dimensions(), DimensionVector{});
  EXPECT_EQ(as_string(ratio), "[km/m]");
}

struct PowCase {
  const char* units;
  double p;
  const char* rendered;
};

class Pow : public ::testing::TestWithParam<PowCase> {};
TEST_P(Pow, MultipliesEveryExponent) {
  EXPECT_EQ(as_string(pow(units_of(GetParam().units), GetParam().p)), GetParam().rendered);
}
INSTANTIATE_TEST_SUITE_P(Powers, Pow,
                         ::testing::Values(PowCase{"m/s", 2, "[m2/s2]"},
                                           PowCase{"m/s", -1, "[s/m]"},
                                           PowCase{"m/s", 0.5, "[m0.5/s0.5]"},
                                           PowCase{"km", -1, "[1/km]"}, PowCase{"km", 0, "[]"},
                                           PowCase{"s", 1.5, "[s1.5]"},
                                           PowCase{"m", 1.0 / 3, "[m0.3333333333333333]"}));

TEST(Pow, KeepsZeroExponentsAndTheirCount) {
  UnitCollection zero = pow(units_of("km"), 0);
  EXPECT_EQ(zero.size(), 1u);
  EXPECT_EQ(zero.scale(), 1.0);
  EXPECT_EQ(zero.dimensions(), DimensionVector{});
  UnitCollection with_meter = mul(zero, units_of("m"));
  EXPECT_EQ(with_meter.size(), 2u);
  EXPECT_EQ(as_string(with_meter), "[m]");
}

TEST(Pow, ScalesWithTheCLibraryPow) {
  UnitCollection inverse = pow(units_of("km"), -1);
  EXPECT_EQ(inverse.scale(), 0.001);
  EXPECT_EQ(inverse.dimensions()[5], -1.0);
  EXPECT_EQ(pow(units_of("km/hr"), 2).scale(), std::pow(0.2777777777777778, 2.0));
}

struct BaseCase {
  const char* units;
  const char* rendered;
};

class GetBaseUnits : public ::testing::TestWithParam<BaseCase> {};
TEST_P(GetBaseUnits, HoldsAllEightBaseUnitsWithScaleOne) {
  UnitCollection base = get_base_units(units_of(GetParam().units));
  EXPECT_EQ(base.size(), 8u);
  EXPECT_EQ(base.scale(), 1.0);
  EXPECT_EQ(base.dimensions(), units_of(GetParam().units).dimensions());
  for (std::size_t i = 0; i < base.size(); ++i) EXPECT_EQ(base[i].unit.offset(), 0.0);
  EXPECT_EQ(as_string(base), GetParam().rendered);
}
INSTANTIATE_TEST_SUITE_P(Reductions, GetBaseUnits,
                         ::testing::Values(BaseCase{"N", "[kg.m/s2]"}, BaseCase{"km/hr", "[m/s]"},
                                           BaseCase{"\xC2\xB0"
                                                    "C",
                                                    "[K]"},
                                           BaseCase{"kWh", "[kg.m2/s2]"}));

TEST(GetBaseUnits, OfTheUnitlessCollection) {
  UnitCollection base = get_base_units(UnitCollection());
  EXPECT_EQ(base.size(), 8u);
  EXPECT_EQ(as_string(base), "[]");
}

TEST(Mul, OffsetsStayInsideTheirUnits) {
  UnitCollection product = mul(units_of("\xC2\xB0"
                                        "C"),
                               units_of("s"));
  ASSERT_EQ(product.size(), 2u);
  EXPECT_EQ(product.scale(), 1.0);
  double offset = product[0].unit.offset() + product[1].unit.offset();
  EXPECT_EQ(offset, -273.15);
}

TEST(UnitArithmetic, UnitsUnequalToThemselvesStillComplete) {
  const DimensionVector length{{0, 0, 0, 0, 0, 1, 0, 0}};
  UnitCollection odd(SingleUnit::custom("odd", "o", std::nan(""), length));
  UnitCollection product = mul(odd, odd);
  EXPECT_EQ(product.size(), 2u);  // the unit is never found again
  EXPECT_TRUE(std::isnan(product.scale()));
  UnitCollection quotient = div(odd, odd);
  EXPECT_EQ(as_string(quotient), "[o/o]");
  UnitCollection nan_power = pow(units_of("m"), std::nan(""));
  EXPECT_EQ(as_string(mul(nan_power, nan_power)), "[]");  // NaN exponents hide
  EXPECT_EQ(mul(nan_power, nan_power).size(), 1u);
}

}  // namespace
}  // namespace drovik
