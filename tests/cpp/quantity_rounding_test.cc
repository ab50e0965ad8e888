#include "quantity/quantity_rounding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

#include "quantity/quantity_text.h"
#include "test_helpers.h"
#include "text/decimal_text.h"

namespace drovik {
namespace {

using testing::quantity;
using testing::same_double;
using testing::unitless;

TEST(PowerOfTen, ByBinaryExponentiation) {
  EXPECT_EQ(power_of_ten(0), 1.0);
  EXPECT_EQ(power_of_ten(3), 1000.0);
  EXPECT_EQ(power_of_ten(-2), 1.0 / 100.0);
  EXPECT_EQ(power_of_ten(-5), 1.0 / 100000.0);
  EXPECT_EQ(power_of_ten(22), 1e22);
  EXPECT_FALSE(std::isinf(power_of_ten(308)));
  EXPECT_GT(power_of_ten(308), 9.9e307);
  EXPECT_TRUE(std::isinf(power_of_ten(309)));
  EXPECT_EQ(power_of_ten(-309), 0.0);
  EXPECT_TRUE(std::isinf(power_of_ten(std::numeric_limits<std::int32_t>::max())));
  EXPECT_EQ(power_of_ten(std::numeric_limits<std::int32_t>::min()), 0.0);
}

struct RoundCase {
  double value;
  std::optional<std::int32_t> ndigits;
  double expected;
};

class RoundDigits : public ::testing::TestWithParam<RoundCase> {};
TEST_P(RoundDigits, RoundsHalfAwayFromZeroAndKeepsTheUnit) {
  Drovik r = round_digits(quantity(GetParam().value, "m"), GetParam().ndigits);
  EXPECT_TRUE(same_double(r.value, GetParam().expected)) << r.value;
  EXPECT_EQ(as_string(*r.unit), "[m]");
}
INSTANTIATE_TEST_SUITE_P(
    Cases, RoundDigits,
    ::testing::Values(RoundCase{2.5, std::nullopt, 3.0}, RoundCase{-2.5, std::nullopt, -3.0},
                      RoundCase{0.5, std::nullopt, 1.0}, RoundCase{-0.4, std::nullopt, -0.0},
                      RoundCase{2.675, 2, 2.68}, RoundCase{1234.5, -2, 1200.0},
                      RoundCase{1.0, 400, std::nan("")}, RoundCase{1.0, -400, std::nan("")},
                      RoundCase{INFINITY, std::nullopt, INFINITY}));

struct SigFigCase {
  double value;
  std::int32_t figures;
  double expected;
};

class RoundSfig : public ::testing::TestWithParam<SigFigCase> {};
TEST_P(RoundSfig, RoundsToSignificantFigures) {
  Drovik r = round_sfig(quantity(GetParam().value, "m"), GetParam().figures);
  EXPECT_TRUE(same_double(r.value, GetParam().expected)) << decimal_text(r.value);
  EXPECT_EQ(as_string(*r.unit), "[m]");
}
INSTANTIATE_TEST_SUITE_P(
    Cases, RoundSfig,
    ::testing::Values(SigFigCase{12345, 2, 12000.0}, SigFigCase{0.00012345, 3, 0.000123},
                      SigFigCase{-987.65, 2, -990.0}, SigFigCase{99.96, 3, 100.0},
                      SigFigCase{0.1, 1, 0.1}, SigFigCase{12345, 0, 0.0},
                      SigFigCase{-12345, 0, -0.0}, SigFigCase{0.6, 0, 1.0},
                      SigFigCase{56789, 0, 99999.99999999999},
                      // Values whose logarithm is not finite end in NaN.
                      SigFigCase{0.0, 3, std::nan("")}, SigFigCase{INFINITY, 3, std::nan("")},
                      SigFigCase{-INFINITY, 3, std::nan("")}, SigFigCase{NAN, 3, std::nan("")},
                      // The exponent wraps in 32 bits instead of overflowing.
                      SigFigCase{1e-300, std::numeric_limits<std::int32_t>::max(), std::nan("")}));

Result<double> as_number(const Drovik& q, const UnitCoercible& other, bool scale) {
  return drovik::as_number(q, &other, scale);
}

TEST(AsNumber, ConvertsAndScales) {
  Drovik km = quantity(1, "km");
  EXPECT_EQ(*as_number(km, nullptr, false), 1.0);
  EXPECT_EQ(*as_number(km, nullptr, true), 1.0);
  EXPECT_EQ(*as_number(km, *UnitCoercible::from_unit_text("m"), false), 1000.0);
  EXPECT_EQ(*as_number(km, UnitCoercible::from_quantity(quantity(500, "m")), false), 1000.0);
  EXPECT_EQ(*as_number(km, UnitCoercible::from_quantity(quantity(500, "m")), true), 2.0);
  EXPECT_EQ(*as_number(quantity(1,
                                "\xC2\xB0"
                                "C"),
                       *UnitCoercible::from_unit_text("K"), false),
            274.15);
  EXPECT_EQ(*as_number(unitless(3), UnitCoercible::from_int(2), false), 3.0);
  EXPECT_EQ(*as_number(unitless(3), UnitCoercible::from_int(2), true), 1.5);
  EXPECT_EQ(as_number(quantity(1, "m"), UnitCoercible::from_float(2), false).error().message(),
            "[m] and [] are not compatible");
  EXPECT_TRUE(std::isinf(*as_number(km, UnitCoercible::from_quantity(quantity(0, "m")), true)));
}

TEST(ToInt32, TruncatesAndSaturates) {
  EXPECT_EQ(to_int32(unitless(-1.9)), -1);
  EXPECT_EQ(to_int32(quantity(1.9, "km")), 1);
  EXPECT_EQ(to_int32(unitless(3e10)), 2147483647);
  EXPECT_EQ(to_int32(unitless(-3e10)), -2147483647 - 1);
  EXPECT_EQ(to_int32(unitless(NAN)), 0);
  EXPECT_EQ(to_int32(unitless(-INFINITY)), -2147483647 - 1);
}

TEST(Text, ValueSpaceUnit) {
  EXPECT_EQ(to_text(quantity(1e16, "m")), "10000000000000000 [m]");
  EXPECT_EQ(to_text(unitless(2.0)), "2 []");
  EXPECT_EQ(to_text(quantity(NAN, "s")), "NaN [s]");
  EXPECT_EQ(descriptive(quantity(1, "km")), "1 [kilometer]");
  EXPECT_EQ(descriptive(quantity(-0.0, "W/m2.K4")), "-0 [watt/kelvin4.meter2]");
}

}  // namespace
}  // namespace drovik
