#include "error/drovik_error.h"

#include <optional>
#include <string_view>

#include "catalogue/spelling_hints.h"

namespace drovik {

std::string DrovikError::message() const {
  switch (kind_) {
    case Kind::UnitNotFound: return "Unit " + first_ + " not found";
    case Kind::ConstantNotFound: return "Constant " + first_ + " not found";
    case Kind::IncompatibleUnits: return first_ + " and " + second_ + " are not compatible";
    case Kind::NotCoercibleToUnit: return first_ + " cannot be coerced into a unit";
    case Kind::NotCoercibleToNumber: return first_ + " cannot be coerced into a number";
    case Kind::UnitPieceNotFound: {
      std::string message = "\"" + first_ + "\" in \"" + second_ + "\" is not a unit";
      std::optional<std::string_view> hint =
          hint_.empty() ? spelling_hint(first_) : std::optional<std::string_view>(hint_);
      return hint ? message + "; write \"" + std::string(*hint) + "\"" : message;
    }
    case Kind::ShapeMismatch:
      return "operands could not be broadcast together with shapes " + first_ + " " + second_;
    case Kind::ArrayTooLarge: return "an array of shape " + first_ + " does not fit in memory";
    case Kind::AxisOutOfRange:
      return "axis " + first_ + " is out of bounds for an array of " + second_ + " dimensions";
    case Kind::EmptyReduction: return first_ + "() of no values";
    case Kind::BadIndex:
    case Kind::BadShape: return first_;
  }
  return first_;
}

}  // namespace drovik
