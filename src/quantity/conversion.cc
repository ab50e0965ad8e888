#include "quantity/conversion.h"

#include "unit/unit_arithmetic.h"
#include "unit/unit_text.h"

namespace drovik {

Result<double> converted_value(const Drovik& quantity, const UnitCollection& target) {
  const UnitCollection& own = *quantity.unit;
  if (!(own.dimensions() == target.dimensions())) {
    return fail(DrovikError::incompatible_units(as_string(own), as_string(target)));
  }
  double v = quantity.value;
  double s = own.scale();
  double S = target.scale();
  double r;
  if (own.size() == 1 && target.size() == 1) {
    double o = own[0].unit.offset();
    double O = target[0].unit.offset();
    r = (O + ((v * s) - o)) / S;
  } else {
    r = (s * v) / S;
  }
  return r;
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
