// The quantity record, the ways quantities are made, and conversion between
// units.
#ifndef DROVIK_QUANTITY_QUANTITY_H_
#define DROVIK_QUANTITY_QUANTITY_H_

#include <cstdint>
#include <optional>
#include <string_view>
#include <variant>

#include "quantity/drovik_error.h"
#include "unit/unit_collection.h"

namespace drovik {

// A double value in a unit. Quantities are values: every operation builds a
// new one and none changes an existing one.
struct Drovik {
  double value = 1.0;
  UnitCollection unit;
};

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

// The conversion every other conversion uses: `quantity` in exactly the
// `target` collection, or IncompatibleUnits (own unit text first) when the
// dimensions differ. The offset formula applies when both collections hold
// exactly one single unit, whatever its exponent.
Result<Drovik> as_unit_internal(const Drovik& quantity, UnitCollection target);
// The value part of as_unit_internal, for callers that need no quantity.
Result<double> converted_value(const Drovik& quantity, const UnitCollection& target);

// 1.0 in the parsed unit; UnitNotFound with the whole text otherwise.
Result<Drovik> unit(std::string_view unit_name_or_symbol);
// The constant's value in its unit; ConstantNotFound with the text otherwise.
Result<Drovik> constant(std::string_view constant_name);
// The unitless quantity 1.0.
Drovik empty();
// 1.0 of a new unit whose scale is the definition's value in base units. The
// definition's offset is not carried over.
Drovik custom(std::string_view name, std::string_view abbr, const UnitCoercible& definition);

// Converts into the unit of `other`; the value of `other` plays no part.
Result<Drovik> as_unit(const Drovik& quantity, UnitCoercible other);
Result<double> as_unitless(const Drovik& quantity);
// Into the eight base units; never applies an offset.
Result<Drovik> as_base_units(const Drovik& quantity);

}  // namespace drovik

#endif  // DROVIK_QUANTITY_QUANTITY_H_
