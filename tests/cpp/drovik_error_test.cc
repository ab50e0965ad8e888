#include <gtest/gtest.h>

#include "quantity/drovik_error.h"

namespace drovik {
namespace {

using Type = DrovikError::PythonType;

struct ErrorCase {
  DrovikError error;
  const char* message;
  Type type;
};

TEST(DrovikError, MessagesAndPythonTypes) {
  const ErrorCase cases[] = {
      {DrovikError::unit_not_found(""), "Unit  not found", Type::LookupError},
      {DrovikError::unit_not_found("{x} \"q\" \xCE\xA9"), "Unit {x} \"q\" \xCE\xA9 not found",
       Type::LookupError},
      {DrovikError::constant_not_found("no such constant"), "Constant no such constant not found",
       Type::LookupError},
      {DrovikError::incompatible_units("[m]", "[s]"), "[m] and [s] are not compatible",
       Type::TypeError},
      {DrovikError::not_coercible_to_unit("None"), "None cannot be coerced into a unit",
       Type::TypeError},
      {DrovikError::not_coercible_to_number("[1]"), "[1] cannot be coerced into a number",
       Type::TypeError},
  };
  for (const ErrorCase& c : cases) {
    EXPECT_EQ(c.error.message(), c.message);
    EXPECT_EQ(c.error.python_type(), c.type) << c.message;
  }
}

}  // namespace
}  // namespace drovik
