#include <gtest/gtest.h>

#include "quantity/construction.h"
#include "quantity/conversion.h"
#include "quantity/quantity_text.h"
#include "quantity/unit_coercible.h"
#include "test_helpers.h"
#include "unit/unit_arithmetic.h"

namespace drovik {
namespace {

using testing::quantity;
using testing::units_of;

struct ConversionCase {
  double value;
  const char* from;
  const char* to;
  double expected;
};

class AsUnitInternal : public ::testing::TestWithParam<ConversionCase> {};
TEST_P(AsUnitInternal, GivesTheExactDouble) {
  const ConversionCase& c = GetParam();
  Result<Drovik> r = as_unit_internal(quantity(c.value, c.from), units_of(c.to));
  ASSERT_TRUE(r) << r.error().message();
  EXPECT_EQ(r->value, c.expected);
  EXPECT_EQ(as_string(*r->unit), as_string(units_of(c.to)));
}

INSTANTIATE_TEST_SUITE_P(WorkedValues, AsUnitInternal,
                         ::testing::Values(ConversionCase{1,
                                                          "\xC2\xB0"
                                                          "C",
                                                          "K", 274.15},
                                           ConversionCase{100,
                                                          "\xC2\xB0"
                                                          "C",
                                                          "\xC2\xB0"
                                                          "F",
                                                          212.00399999999993},
                                           ConversionCase{32,
                                                          "\xC2\xB0"
                                                          "F",
                                                          "\xC2\xB0"
                                                          "C",
                                                          -0.0022222222222012533},
                                           ConversionCase{1, "K",
                                                          "\xC2\xB0"
                                                          "C",
                                                          -272.15},
                                           ConversionCase{1, "km", "m", 1000.0},
                                           ConversionCase{1, "km/hr", "m/s", 0.2777777777777778},
                                           ConversionCase{2,
                                                          "\xC2\xB0"
                                                          "C/s",
                                                          "K/s", 2.0},
                                           ConversionCase{3, "ft", "m", 0.9144000000000001}));

TEST(AsUnitInternal, CountsUnitsNotExponentsForTheOffsetRule) {
  Drovik squared{1.0, pow(units_of("\xC2\xB0"
                                   "C"),
                          2)};
  Result<Drovik> r = as_unit_internal(squared, pow(units_of("K"), 2));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->value, (0.0 + ((1.0 * 1.0) - -273.15)) / 1.0);
}

TEST(AsUnitInternal, IncompatibleUnitsNameOwnUnitFirst) {
  Result<Drovik> r = as_unit_internal(quantity(1, "m"), units_of("s"));
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error().kind(), DrovikError::Kind::IncompatibleUnits);
  EXPECT_EQ(r.error().message(), "[m] and [s] are not compatible");
  EXPECT_EQ(as_unit_internal(quantity(1, "s"), units_of("m")).error().message(),
            "[s] and [m] are not compatible");
}

TEST(Unit, ParsesOrNamesTheWholeText) {
  Result<Drovik> km = unit("km");
  ASSERT_TRUE(km);
  EXPECT_EQ(km->value, 1.0);
  Result<Drovik> missing = unit("foo/baz");
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error().message(), "Unit foo/baz not found");
  EXPECT_EQ(unit("").error().message(), "Unit  not found");
  EXPECT_EQ(to_text(*unit("km/h")), "1 [km]");
}

TEST(Empty, IsOneUnitless) {
  Drovik one = empty();
  EXPECT_EQ(one.value, 1.0);
  EXPECT_EQ(one.unit->size(), 0u);
  EXPECT_EQ(to_text(one), "1 []");
}

TEST(Custom, ScaleIsTheDefinitionInBaseUnits) {
  Drovik league = custom("league", "lea", UnitCoercible::from_quantity(quantity(3, "ft")));
  EXPECT_EQ(league.value, 1.0);
  EXPECT_EQ(league.unit->scale(), 0.9144000000000001);
  EXPECT_EQ(to_text(league), "1 [lea]");
  EXPECT_EQ(descriptive(league), "1 [league]");

  Drovik big = custom("big", "B", *UnitCoercible::from_unit_text("km"));
  EXPECT_EQ(big.unit->scale(), 1000.0);
  EXPECT_EQ(as_unit_internal(big, units_of("m"))->value, 1000.0);

  Drovik warm = custom("warm", "w",
                       *UnitCoercible::from_unit_text("\xC2\xB0"
                                                      "C"));
  EXPECT_EQ((*warm.unit)[0].unit.offset(), 0.0);
  EXPECT_EQ(warm.unit->scale(), 1.0);
  EXPECT_FALSE(unit("lea"));  // custom units never enter the catalogue
}

TEST(AsUnit, IgnoresTheTargetValueAndKeepsItsUnit) {
  Drovik km = quantity(1, "km");
  EXPECT_EQ(as_unit(km, UnitCoercible::from_quantity(quantity(5, "m")))->value, 1000.0);
  EXPECT_EQ(as_unit(quantity(2, "rad"), UnitCoercible::from_int(5))->value, 2.0);
  Drovik lea = custom("league", "lea", UnitCoercible::from_quantity(quantity(4828.032, "m")));
  Result<Drovik> in_leagues = as_unit(km, UnitCoercible::from_quantity(lea));
  ASSERT_TRUE(in_leagues);
  EXPECT_EQ(to_text(*in_leagues), "0.20712373074577797 [lea]");
}

TEST(AsUnitless, ConvertsDimensionlessQuantities) {
  EXPECT_EQ(*as_unitless(quantity(180, "\xC2\xB0")), 3.141592653589793);
  EXPECT_EQ(as_unitless(quantity(1, "m")).error().message(), "[m] and [] are not compatible");
  EXPECT_EQ(*as_unitless(quantity(1, "dB")), 1.0);
}

TEST(AsBaseUnits, NeverAppliesAnOffset) {
  Result<Drovik> kelvin = as_base_units(quantity(1,
                                                 "\xC2\xB0"
                                                 "C"));
  ASSERT_TRUE(kelvin);
  EXPECT_EQ(kelvin->value, 1.0);
  EXPECT_EQ(to_text(*kelvin), "1 [K]");
  EXPECT_EQ(to_text(*as_base_units(quantity(36, "km/hr"))), "10 [m/s]");
}

TEST(UnitCoercible, EachFormBecomesAQuantity) {
  EXPECT_EQ(to_text(UnitCoercible::from_float(2.5).to_quantity()), "2.5 []");
  EXPECT_EQ(to_text(UnitCoercible::from_int(-7).to_quantity()), "-7 []");
  EXPECT_EQ(to_text((*UnitCoercible::from_unit_text("m/s")).to_quantity()), "1 [m/s]");
  EXPECT_EQ(UnitCoercible::from_unit_text("nope").error().message(), "Unit nope not found");
}

}  // namespace
}  // namespace drovik
