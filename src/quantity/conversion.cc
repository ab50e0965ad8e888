#include "quantity/conversion.h"

#include "unit/unit_arithmetic.h"
#include "unit/unit_text.h"

namespace drovik {

Unexpected<DrovikError> incompatible(const UnitCollection& first, const UnitCollection& second) {
  return fail(DrovikError::incompatible_units(as_string(first), as_string(second)));
}

Result<ConversionPlan> conversion_plan(const UnitCollection& from, const UnitCollection& to) {
  if (!(from.dimensions() == to.dimensions())) return incompatible(from, to);
  return ConversionPlan::converting(from, to);
}

Result<double> converted_value(const Drovik& quantity, const UnitCollection& target) {
  const UnitCollection& own = *quantity.unit;
  if (!(own.dimensions() == target.dimensions())) [[unlikely]] {
    return incompatible(own, target);
  }
  return ConversionPlan::converting(own, target).apply(quantity.value);
}

Result<Drovik> as_unit_internal(const Drovik& quantity, UnitRef target) {
  Result<double> value = converted_value(quantity, *target);
  if (!value) return fail(std::move(value).error());
  return Drovik{*value, std::move(target)};
}

Result<Drovik> as_unit(const Drovik& quantity, UnitCoercible other) {
  Drovik target = std::move(other).to_quantity();
  return as_unit_internal(quantity, std::move(target.unit));
}

Result<double> as_unitless(const Drovik& quantity) {
  return converted_value(quantity, unitless_unit().units());
}

Result<Drovik> as_base_units(const Drovik& quantity) {
  return as_unit_internal(quantity, UnitRef(get_base_units(*quantity.unit)));
}

}  // namespace drovik
