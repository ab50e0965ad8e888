#include "error/drovik_error.h"

#include <gtest/gtest.h>

namespace drovik {
namespace {

struct ErrorCase {
  DrovikError error;
  const char* message;
};

TEST(DrovikError, MessagesCarryThePayloadsAsTheyAre) {
  const ErrorCase cases[] = {
      {DrovikError::unit_not_found(""), "Unit  not found"},
      {DrovikError::unit_not_found("{x} \"q\" \xCE\xA9"), "Unit {x} \"q\" \xCE\xA9 not found"},
      {DrovikError::constant_not_found("no such constant"), "Constant no such constant not found"},
      {DrovikError::incompatible_units("[m]", "[s]"), "[m] and [s] are not compatible"},
      {DrovikError::not_coercible_to_unit("None"), "None cannot be coerced into a unit"},
      {DrovikError::not_coercible_to_number("[1]"), "[1] cannot be coerced into a number"},
  };
  for (const ErrorCase& c : cases) {
    EXPECT_EQ(c.error.message(), c.message);
  }
}

}  // namespace
}  // namespace drovik
