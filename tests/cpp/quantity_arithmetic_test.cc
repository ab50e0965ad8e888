#include "quantity/quantity_arithmetic.h"

#include <gtest/gtest.h>

#include <cmath>

#include "quantity/quantity_text.h"
#include "test_helpers.h"

namespace drovik {
namespace {

using testing::quantity;
using testing::same_double;
using testing::unitless;

using Operation = Result<Drovik> (*)(const Drovik&, const Drovik&);

struct BinaryCase {
  Operation operation;
  Drovik a;
  Drovik b;
  const char* result;  // text of the result, or the error message
};

// Addition and subtraction keep the quantity operand's unit; the reflected
// subtraction is b - a, still in a's unit, with a's unit first in errors.
class RescaledArithmetic : public ::testing::TestWithParam<BinaryCase> {};
TEST_P(RescaledArithmetic, GivesTheTextOrTheError) {
  Result<Drovik> r = GetParam().operation(GetParam().a, GetParam().b);
  EXPECT_EQ(r ? to_text(*r) : r.error().message(), GetParam().result);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, RescaledArithmetic,
    ::testing::Values(
        BinaryCase{add, quantity(1, "km"), quantity(1, "m"), "1.001 [km]"},
        BinaryCase{add, quantity(1, "m"), quantity(1, "km"), "1001 [m]"},
        BinaryCase{add, unitless(2), unitless(5), "7 []"},
        BinaryCase{add, quantity(1, "m"), unitless(5), "[m] and [] are not compatible"},
        BinaryCase{add,
                   quantity(1,
                            "\xC2\xB0"
                            "C"),
                   quantity(1, "K"),
                   "2 [\xC2\xB0"
                   "C]"},
        BinaryCase{subtract, quantity(1, "km"), quantity(1, "m"), "0.999 [km]"},
        BinaryCase{subtract, quantity(1, "s"), quantity(1, "m"), "[s] and [m] are not compatible"},
        BinaryCase{reflected_subtract, unitless(3), unitless(10), "7 []"},
        BinaryCase{reflected_subtract, quantity(500, "m"), quantity(1, "km"), "500 [m]"},
        BinaryCase{reflected_subtract, quantity(90, "\xC2\xB0"), unitless(1),
                   "-32.70422048691768 [\xC2\xB0]"},
        BinaryCase{reflected_subtract, quantity(1, "m"), unitless(2),
                   "[m] and [] are not compatible"}));

TEST(Multiplication, MultipliesValuesAndUnits) {
  EXPECT_EQ(to_text(multiply(quantity(10,
                                      "\xC2\xB0"
                                      "C"),
                             unitless(2))),
            "20 [\xC2\xB0"
            "C]");
  EXPECT_EQ(to_text(multiply(quantity(3, "m"), quantity(1, "m"))), "3 [m2]");
  EXPECT_EQ(to_text(multiply(unitless(5), quantity(2, "km"))), "10 [km]");
}

TEST(Division, FollowsIeeeForZero) {
  EXPECT_EQ(to_text(divide(quantity(1, "m"), unitless(0))), "inf [m]");
  EXPECT_EQ(to_text(divide(quantity(0, "m"), unitless(0))), "NaN [m]");
  EXPECT_EQ(to_text(divide(quantity(6, "m"), quantity(2, "s"))), "3 [m/s]");
  EXPECT_EQ(to_text(reflected_divide(quantity(4, "s"), unitless(1))), "0.25 [1/s]");
}

TEST(Power, ExponentMustBeDimensionless) {
  EXPECT_EQ(to_text(*power(quantity(3, "m"), unitless(2))), "9 [m2]");
  EXPECT_EQ(to_text(*power(unitless(2), unitless(3))), "8 []");
  EXPECT_EQ(power(quantity(3, "m"), quantity(1, "m")).error().message(),
            "[m] and [] are not compatible");
  // An angle exponent is converted to a plain number first.
  EXPECT_EQ(power(unitless(2), quantity(180, "\xC2\xB0"))->value, std::pow(2.0, 3.141592653589793));
}

TEST(Transcendental, WorkOnDimensionlessValues) {
  EXPECT_EQ(*exp(unitless(0)), 1.0);
  EXPECT_EQ(*log(quantity(180, "\xC2\xB0")), 1.1447298858494002);
  EXPECT_EQ(*log10(unitless(1000)), 3.0);
  EXPECT_EQ(log10(quantity(1, "m")).error().message(), "[m] and [] are not compatible");
  EXPECT_EQ(*log(unitless(0)), -INFINITY);
  EXPECT_TRUE(std::isnan(*log(unitless(-1))));
}

TEST(Unary, FlipsOrClearsTheSign) {
  EXPECT_TRUE(same_double(negate(unitless(0.0)).value, -0.0));
  EXPECT_EQ(to_text(absolute(quantity(-5,
                                      "\xC2\xB0"
                                      "C"))),
            "5 [\xC2\xB0"
            "C]");
  EXPECT_TRUE(same_double(absolute(unitless(-0.0)).value, 0.0));
  EXPECT_TRUE(std::isnan(absolute(unitless(NAN)).value));
  EXPECT_EQ(to_text(positive(quantity(2, "km"))), "2 [km]");
}

}  // namespace
}  // namespace drovik
