// What an argument may stand for: a quantity (a number is a unitless one, a
// unit expression 1 of its unit), or a plain number.
#ifndef DROVIK_QUANTITY_UNIT_COERCIBLE_H_
#define DROVIK_QUANTITY_UNIT_COERCIBLE_H_

#include <cstdint>
#include <optional>
#include <string_view>
#include <variant>

#include "quantity/drovik.h"
#include "error/drovik_error.h"

namespace drovik {

// Anything that can stand for a quantity: a quantity, a float, a 32-bit int,
// or a unit expression (parsed once, when it is coerced). A number is a
// unitless quantity, a unit expression 1.0 of its unit.
class UnitCoercible {
 public:
  static UnitCoercible from_quantity(Drovik quantity) { return UnitCoercible(std::move(quantity)); }
  // Refers to `quantity` without copying it; the caller keeps it alive and
  // unchanged while this value is in use.
  static UnitCoercible from_quantity_ref(const Drovik& quantity) {
    return UnitCoercible(&quantity);
  }
  static UnitCoercible from_float(double value) { return UnitCoercible(Drovik{value, {}}); }
  static UnitCoercible from_int(std::int32_t value) {
    return UnitCoercible(Drovik{static_cast<double>(value), {}});
  }
  // Fails with UnitNotFound, carrying the whole text, when it does not parse.
  static Result<UnitCoercible> from_unit_text(std::string_view text);

  // The quantity this value stands for.
  const Drovik& quantity() const { return ref_ ? *ref_ : *owned_; }
  Drovik to_quantity() && { return ref_ ? *ref_ : std::move(*owned_); }

 private:
  explicit UnitCoercible(Drovik owned) : owned_(std::move(owned)) {}
  explicit UnitCoercible(const Drovik* ref) : ref_(ref) {}

  std::optional<Drovik> owned_;
  const Drovik* ref_ = nullptr;
};

// A plain number, as the modulus of a three-argument pow must be.
using PyNumber = std::variant<double, std::int32_t>;

}  // namespace drovik

#endif  // DROVIK_QUANTITY_UNIT_COERCIBLE_H_
