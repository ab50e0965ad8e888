#include "quantity/quantity_comparison.h"

#include <gtest/gtest.h>

#include <cmath>

#include "test_helpers.h"

namespace drovik {
namespace {

using testing::quantity;
using testing::unitless;

struct CompareCase {
  Drovik receiver;
  Drovik other;
  CompareOp op;
  bool expected;
};

class Compare : public ::testing::TestWithParam<CompareCase> {};
TEST_P(Compare, ConvertsTheOperandIntoTheReceiversUnit) {
  Result<bool> r = compare(GetParam().receiver, GetParam().other, GetParam().op);
  ASSERT_TRUE(r) << r.error().message();
  EXPECT_EQ(*r, GetParam().expected);
}

const double kNaN = std::nan("");

INSTANTIATE_TEST_SUITE_P(
    Cases, Compare,
    ::testing::Values(
        CompareCase{quantity(1, "km"), quantity(1, "m"), CompareOp::Greater, true},
        CompareCase{quantity(1, "km"), quantity(1, "m"), CompareOp::Equal, false},
        CompareCase{quantity(1, "km"), quantity(1000, "m"), CompareOp::Equal, true},
        CompareCase{quantity(1, "km"), quantity(1000, "m"), CompareOp::LessEqual, true},
        CompareCase{quantity(1, "km"), quantity(1000, "m"), CompareOp::GreaterEqual, true},
        CompareCase{quantity(1, "km"), quantity(1000, "m"), CompareOp::NotEqual, false},
        CompareCase{quantity(1, "K"),
                    quantity(1,
                             "\xC2\xB0"
                             "C"),
                    CompareOp::Less, true},
        CompareCase{quantity(1,
                             "\xC2\xB0"
                             "C"),
                    quantity(1, "K"), CompareOp::Greater, true},
        CompareCase{unitless(1), unitless(1), CompareOp::Less, false},
        CompareCase{unitless(0.0), unitless(-0.0), CompareOp::Equal, true},
        CompareCase{unitless(kNaN), unitless(kNaN), CompareOp::Equal, false},
        CompareCase{unitless(kNaN), unitless(kNaN), CompareOp::NotEqual, true},
        CompareCase{unitless(kNaN), unitless(1), CompareOp::GreaterEqual, false}));

TEST(Compare, DifferentDimensionsAreAnErrorNamingTheOperandFirst) {
  Result<bool> r = compare(quantity(1, "m"), unitless(5), CompareOp::Less);
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error().message(), "[] and [m] are not compatible");
  EXPECT_EQ(compare(quantity(1, "m"), quantity(1, "s"), CompareOp::Equal).error().message(),
            "[s] and [m] are not compatible");
}

}  // namespace
}  // namespace drovik
